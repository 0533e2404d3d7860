// Fill rate of the software device next to SDL2's own software renderer on
// the same work, at the logical screen size:
//   (a) 32 x 32 alpha-blended sprites,
//   (b) full-screen tinted, translucent textured quads,
//   (c) per-vertex-coloured translucent triangles.
// Prints Mpixels/s for both and the ratio ours / SDL.
#include <SDL.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/raster/raster_device.h"

using namespace platform::raster;

namespace {

constexpr int kW = 320, kH = 240;

double Now() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// Runs body until at least minSeconds have passed; returns seconds per call.
template <typename F>
double Time(F body, double minSeconds) {
    body();   // warm up
    int calls = 0;
    double start = Now(), t;
    do {
        body();
        ++calls;
        t = Now() - start;
    } while (t < minSeconds);
    return t / calls;
}

struct Lcg {
    uint32_t s = 12345;
    uint32_t Next() { return s = s * 1664525u + 1013904223u; }
    int Below(int n) { return static_cast<int>((Next() >> 8) % static_cast<uint32_t>(n)); }
};

Vertex V(float x, float y, uint32_t c, float u = 0, float v = 0) { return Vertex{x, y, 0.5f, 1, c, u, v}; }

void Translucent(Device& d) {
    d.SetRenderState(rs::AlphaBlendEnable, 1);
    d.SetRenderState(rs::SrcBlend, blend::SrcAlpha);
    d.SetRenderState(rs::DestBlend, blend::InvSrcAlpha);
}

struct SdlSide {
    SDL_Surface* target = nullptr;
    SDL_Renderer* renderer = nullptr;
    SdlSide() {
        target = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_ARGB8888);
        renderer = target ? SDL_CreateSoftwareRenderer(target) : nullptr;
    }
    ~SdlSide() {
        if (renderer) SDL_DestroyRenderer(renderer);
        if (target) SDL_FreeSurface(target);
    }
    SDL_Texture* Texture(const Surface& s) {
        SDL_Texture* t = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, s.Width(),
                                           s.Height());
        SDL_UpdateTexture(t, nullptr, s.Pixels(), s.Pitch() * 4);
        SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
        return t;
    }
};

void Report(const char* name, double pixels, double ours, double sdl) {
    const double a = pixels / ours / 1e6, b = pixels / sdl / 1e6;
    std::printf("%-34s ours %9.1f Mpix/s   SDL %9.1f Mpix/s   ours/SDL %5.2f\n", name, a, b, a / b);
    std::printf("RESULT\traster %s: ours / SDL software (%.0f vs %.0f Mpix/s)\t%.2f x\t>= 1 (goal 2)\n", name, a, b, a / b);
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 0.5;
    if (SDL_Init(0) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    SdlSide sdl;
    if (!sdl.renderer) {
        std::fprintf(stderr, "no SDL software renderer: %s\n", SDL_GetError());
        return 1;
    }

    // (a) Sprites: a 32 x 32 picture with a soft alpha edge.
    Surface sprite(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            int dx = x - 16, dy = y - 16;
            int a = 255 - (dx * dx + dy * dy) * 255 / 512;
            sprite.Set(x, y, (static_cast<uint32_t>(a < 0 ? 0 : a) << 24) | ((x * 8) << 16) | ((y * 8) << 8) | 0x40);
        }
    constexpr int kSprites = 500;
    std::vector<SDL_Rect> spots;
    Lcg rng;
    for (int i = 0; i < kSprites; ++i) spots.push_back({rng.Below(kW - 32), rng.Below(kH - 32), 32, 32});
    {
        Device d(kW, kH);
        Translucent(d);
        d.SetTexture(&sprite);
        double ours = Time(
            [&] {
                for (const SDL_Rect& r : spots) {
                    float l = r.x - 0.5f, t = r.y - 0.5f;
                    Vertex v[4] = {V(l, t, 0xFFFFFFFFu, 0, 0), V(l + 32, t, 0xFFFFFFFFu, 1, 0),
                                   V(l, t + 32, 0xFFFFFFFFu, 0, 1), V(l + 32, t + 32, 0xFFFFFFFFu, 1, 1)};
                    d.DrawTriangleStrip(v, 4);
                }
            },
            seconds);
        SDL_Texture* tex = sdl.Texture(sprite);
        double theirs = Time(
            [&] {
                for (const SDL_Rect& r : spots) SDL_RenderCopy(sdl.renderer, tex, nullptr, &r);
                SDL_RenderFlush(sdl.renderer);
            },
            seconds);
        SDL_DestroyTexture(tex);
        Report("(a) 32x32 alpha-blended sprites", 32.0 * 32 * kSprites, ours, theirs);
    }

    // (b) Full-screen quads of a screen-sized picture, tinted and half
    // transparent through the vertex colour / colour and alpha mods.
    Surface picture(kW, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) picture.Set(x, y, 0xFF000000u | ((x & 0xFF) << 16) | ((y & 0xFF) << 8) | ((x ^ y) & 0xFF));
    {
        constexpr int kQuads = 10;
        Device d(kW, kH);
        Translucent(d);
        d.SetTexture(&picture);
        const uint32_t tint = 0x80C08040u;
        double ours = Time(
            [&] {
                for (int i = 0; i < kQuads; ++i) {
                    Vertex v[4] = {V(-0.5f, -0.5f, tint, 0, 0), V(kW - 0.5f, -0.5f, tint, 1, 0),
                                   V(-0.5f, kH - 0.5f, tint, 0, 1), V(kW - 0.5f, kH - 0.5f, tint, 1, 1)};
                    d.DrawTriangleStrip(v, 4);
                }
            },
            seconds);
        SDL_Texture* tex = sdl.Texture(picture);
        SDL_SetTextureColorMod(tex, 0xC0, 0x80, 0x40);
        SDL_SetTextureAlphaMod(tex, 0x80);
        double theirs = Time(
            [&] {
                for (int i = 0; i < kQuads; ++i) SDL_RenderCopy(sdl.renderer, tex, nullptr, nullptr);
                SDL_RenderFlush(sdl.renderer);
            },
            seconds);
        SDL_DestroyTexture(tex);
        Report("(b) full-screen tinted quads", double(kW) * kH * kQuads, ours, theirs);
    }

    // (c) Triangles with a colour per corner, translucent.
    {
        constexpr int kTriangles = 400;
        std::vector<Vertex> ours;
        std::vector<SDL_Vertex> theirs;
        Lcg r2;
        for (int i = 0; i < kTriangles; ++i) {
            float cx = 20 + r2.Below(kW - 40), cy = 20 + r2.Below(kH - 40);
            for (int k = 0; k < 3; ++k) {
                float x = cx + r2.Below(60) - 30, y = cy + r2.Below(60) - 30;
                uint32_t c = 0xC0000000u | (r2.Next() & 0x00FFFFFFu);
                ours.push_back(V(x, y, c));
                SDL_Vertex sv;
                sv.position = {x + 0.5f, y + 0.5f};   // SDL's pixel centres are at + 0.5
                sv.color = {static_cast<Uint8>(c >> 16), static_cast<Uint8>(c >> 8), static_cast<Uint8>(c),
                            static_cast<Uint8>(c >> 24)};
                sv.tex_coord = {0, 0};
                theirs.push_back(sv);
            }
        }
        Device d(kW, kH);
        Translucent(d);
        d.DrawTriangleList(ours.data(), static_cast<int>(ours.size()));
        const double pixels = static_cast<double>(d.PixelsDrawn());
        double t1 = Time([&] { d.DrawTriangleList(ours.data(), static_cast<int>(ours.size())); }, seconds);
        SDL_SetRenderDrawBlendMode(sdl.renderer, SDL_BLENDMODE_BLEND);
        double t2 = Time(
            [&] {
                SDL_RenderGeometry(sdl.renderer, nullptr, theirs.data(), static_cast<int>(theirs.size()), nullptr, 0);
                SDL_RenderFlush(sdl.renderer);
            },
            seconds);
        Report("(c) per-vertex-coloured triangles", pixels, t1, t2);
    }
    SDL_Quit();
    return 0;
}
