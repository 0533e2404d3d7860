// The software device: coverage rules, interpolation, sampling, blending.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "platform/raster/raster_device.h"

using namespace platform::raster;

namespace {

Vertex V(float x, float y, uint32_t c = 0xFFFFFFFFu, float u = 0, float v = 0) { return Vertex{x, y, 0.5f, 1, c, u, v}; }

// A quad in the drawer's vertex order (top-left, top-right, bottom-left,
// bottom-right) from x - 0.5 to x + w - 0.5.
void Quad(Device& d, int x, int y, int w, int h, uint32_t c) {
    float l = x - 0.5f, t = y - 0.5f;
    Vertex v[4] = {V(l, t, c), V(l + w, t, c), V(l, t + h, c), V(l + w, t + h, c)};
    d.DrawTriangleStrip(v, 4);
}

int CountColor(const Surface& s, uint32_t c) {
    int n = 0;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) n += s.At(x, y) == c;
    return n;
}

void Additive(Device& d) {
    d.SetRenderState(rs::AlphaBlendEnable, 1);
    d.SetRenderState(rs::SrcBlend, blend::One);
    d.SetRenderState(rs::DestBlend, blend::One);
}

} // namespace

TEST(RasterCoverage, QuadCoversExactlyItsColumnsAndRows) {
    Device d(64, 64);
    Quad(d, 10, 20, 7, 5, 0xFF112233u);
    EXPECT_EQ(CountColor(d.BackBuffer(), 0xFF112233u), 35);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            bool inside = x >= 10 && x < 17 && y >= 20 && y < 25;
            ASSERT_EQ(d.BackBuffer().At(x, y) == 0xFF112233u, inside) << x << "," << y;
        }
}

TEST(RasterCoverage, AdjacentShapesNeitherOverlapNorLeaveGaps) {
    // Additive blending of 1 per channel: every pixel must end up at exactly 1.
    Device d(40, 40);
    Additive(d);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) Quad(d, x * 9 + 1, y * 7 + 2, 9, 7, 0x01010101u);
    // A fan of triangles around a centre that is not on a pixel centre.
    Device f(40, 40);
    Additive(f);
    const float cx = 20.3f, cy = 19.7f;
    for (int i = 0; i < 12; ++i) {
        double a0 = i * 3.14159265 / 6, a1 = (i + 1) * 3.14159265 / 6;
        Vertex v[3] = {V(cx, cy, 0x01010101u), V(cx + 15 * std::cos(a0), cy + 15 * std::sin(a0), 0x01010101u),
                       V(cx + 15 * std::cos(a1), cy + 15 * std::sin(a1), 0x01010101u)};
        f.DrawTriangleList(v, 3);
    }
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            uint32_t q = d.BackBuffer().At(x, y);
            bool inQuads = x >= 1 && x < 37 && y >= 2 && y < 30;
            ASSERT_EQ(q, inQuads ? 0x01010101u : 0u) << x << "," << y;
            ASSERT_TRUE(f.BackBuffer().At(x, y) == 0 || f.BackBuffer().At(x, y) == 0x01010101u) << x << "," << y;
        }
    EXPECT_GT(CountColor(f.BackBuffer(), 0x01010101u), 600);
}

TEST(RasterCoverage, TopLeftRuleOnTriangleEdges) {
    Device d(16, 16);
    // Right triangle with a horizontal top edge and vertical left edge, both
    // through pixel centres: those pixels count; the hypotenuse's do not.
    Vertex v[3] = {V(2, 2), V(8, 2), V(2, 8)};
    d.DrawTriangleList(v, 3);
    const Surface& s = d.BackBuffer();
    EXPECT_EQ(s.At(2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(s.At(7, 2), 0xFFFFFFFFu);
    EXPECT_EQ(s.At(8, 2), 0u);      // right end of the top edge
    EXPECT_EQ(s.At(2, 7), 0xFFFFFFFFu);
    EXPECT_EQ(s.At(2, 8), 0u);      // bottom vertex
    EXPECT_EQ(s.At(5, 5), 0u);      // on the hypotenuse (a right edge)
    EXPECT_EQ(s.At(4, 5), 0xFFFFFFFFu);
    // Both windings give the same pixels (no culling).
    Device e(16, 16);
    Vertex w[3] = {V(2, 2), V(2, 8), V(8, 2)};
    e.DrawTriangleList(w, 3);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(s.At(x, y), e.BackBuffer().At(x, y));
}

TEST(RasterCoverage, DegenerateFarAndBrokenVerticesDrawNothing) {
    Device d(16, 16);
    Vertex line[3] = {V(1, 1), V(5, 5), V(9, 9)};
    d.DrawTriangleList(line, 3);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    Vertex bad[4] = {V(nan, 0), V(10, 0), V(0, inf), V(1e30f, 1e30f)};
    d.DrawTriangleStrip(bad, 4);
    Vertex bad2[3] = {V(-1e9f, -1e9f), V(1e9f, 0), V(0, 1e9f)};
    d.DrawTriangleList(bad2, 3);
    d.DrawTriangleStrip(line, 2);
    EXPECT_EQ(CountColor(d.BackBuffer(), 0), 256);
    // Partly off-screen shapes are clipped to the target.
    Quad(d, -5, -5, 10, 10, 0xFF00FF00u);
    EXPECT_EQ(CountColor(d.BackBuffer(), 0xFF00FF00u), 25);
    Quad(d, 12, 12, 100, 100, 0xFF0000FFu);
    EXPECT_EQ(CountColor(d.BackBuffer(), 0xFF0000FFu), 16);
}

TEST(RasterShading, GouraudInterpolatesBetweenCornerColours) {
    Device d(101, 1);
    // Red to blue across 100 pixel steps: centres 0 ... 100.
    Vertex v[4] = {V(-0.5f, -0.5f, 0xFFFF0000u), V(100.5f, -0.5f, 0xFF0000FFu), V(-0.5f, 0.5f, 0xFFFF0000u),
                   V(100.5f, 0.5f, 0xFF0000FFu)};
    d.DrawTriangleStrip(v, 4);
    const Surface& s = d.BackBuffer();
    auto red = [&](int x) { return (s.At(x, 0) >> 16) & 0xFF; };
    auto blue = [&](int x) { return s.At(x, 0) & 0xFF; };
    EXPECT_NEAR(red(0), 254, 1);
    EXPECT_NEAR(blue(100), 254, 1);
    EXPECT_NEAR(red(50), 128, 2);
    EXPECT_NEAR(blue(50), 127, 2);
    for (int x = 1; x < 101; ++x) ASSERT_LE(red(x), red(x - 1));
}

TEST(RasterSampling, PointSamplingCopiesTexelsOneToOne) {
    Surface tex(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) tex.Set(x, y, 0xFF000000u | (x << 8) | y);
    Device d(8, 8);
    d.SetTexture(&tex);
    Vertex v[4] = {V(1.5f, 2.5f, 0xFFFFFFFFu, 0, 0), V(5.5f, 2.5f, 0xFFFFFFFFu, 1, 0),
                   V(1.5f, 4.5f, 0xFFFFFFFFu, 0, 1), V(5.5f, 4.5f, 0xFFFFFFFFu, 1, 1)};
    d.DrawTriangleStrip(v, 4);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(d.BackBuffer().At(2 + x, 3 + y), tex.At(x, y));
    // The same through two separate triangles (the general path).
    Device e(8, 8);
    e.SetTexture(&tex);
    Vertex list[6] = {v[0], v[1], v[2], v[1], v[2], v[3]};
    e.DrawTriangleList(list, 6);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(e.BackBuffer().At(x, y), d.BackBuffer().At(x, y)) << x << "," << y;
}

TEST(RasterSampling, AddressModesAndBorder) {
    Surface tex(2, 1);
    tex.Set(0, 0, 0xFFAA0000u);
    tex.Set(1, 0, 0xFF00BB00u);
    auto row = [&](uint32_t mode) {
        Device d(8, 1);
        d.SetTexture(&tex);
        d.SetSamplerState(samp::AddressU, mode);
        d.SetSamplerState(samp::BorderColor, 0xFF0000CCu);
        // u from -1 to 3: eight pixels over four texture widths.
        Vertex v[4] = {V(-0.5f, -0.5f, 0xFFFFFFFFu, -1, 0), V(7.5f, -0.5f, 0xFFFFFFFFu, 3, 0),
                       V(-0.5f, 0.5f, 0xFFFFFFFFu, -1, 0), V(7.5f, 0.5f, 0xFFFFFFFFu, 3, 0)};
        d.DrawTriangleStrip(v, 4);
        std::vector<uint32_t> out;
        for (int x = 0; x < 8; ++x) out.push_back(d.BackBuffer().At(x, 0));
        return out;
    };
    const uint32_t A = 0xFFAA0000u, B = 0xFF00BB00u, C = 0xFF0000CCu;
    EXPECT_EQ(row(address::Wrap), (std::vector<uint32_t>{A, B, A, B, A, B, A, B}));
    EXPECT_EQ(row(address::Clamp), (std::vector<uint32_t>{A, A, A, B, B, B, B, B}));
    EXPECT_EQ(row(address::Mirror), (std::vector<uint32_t>{B, A, A, B, B, A, A, B}));
    EXPECT_EQ(row(address::Border), (std::vector<uint32_t>{C, C, A, B, C, C, C, C}));
}

TEST(RasterSampling, BilinearBlendsNeighboursOnlyWhenAsked) {
    Surface tex(2, 1);
    tex.Set(0, 0, 0xFF000000u);
    tex.Set(1, 0, 0xFFFFFFFFu);
    auto draw = [&](uint32_t filterKind) {
        Device d(4, 1);
        d.SetTexture(&tex);
        d.SetSamplerState(samp::AddressU, address::Clamp);
        d.SetSamplerState(samp::MagFilter, filterKind);
        Vertex v[4] = {V(-0.5f, -0.5f, 0xFFFFFFFFu, 0, 0), V(3.5f, -0.5f, 0xFFFFFFFFu, 1, 0),
                       V(-0.5f, 0.5f, 0xFFFFFFFFu, 0, 1), V(3.5f, 0.5f, 0xFFFFFFFFu, 1, 1)};
        d.DrawTriangleStrip(v, 4);
        return d.BackBuffer();
    };
    Surface point = draw(filter::Point), linear = draw(filter::Linear);
    EXPECT_EQ(point.At(1, 0), 0xFF000000u);
    EXPECT_EQ(point.At(2, 0), 0xFFFFFFFFu);
    // Texel-space u at pixel 1 is 0.75: a quarter of the way to white.
    EXPECT_EQ(linear.At(0, 0), 0xFF000000u);
    EXPECT_NEAR(int(linear.At(1, 0) & 0xFF), 64, 1);
    EXPECT_NEAR(int(linear.At(2, 0) & 0xFF), 191, 1);
    EXPECT_EQ(linear.At(3, 0), 0xFFFFFFFFu);
}

TEST(RasterBlend, TextureTimesVertexColourAndUnboundWhite) {
    Surface tex(1, 1, 0x80FF8040u);
    Device d(2, 1);
    d.SetTexture(&tex);
    Vertex v[4] = {V(-0.5f, -0.5f, 0xFF808080u), V(0.5f, -0.5f, 0xFF808080u), V(-0.5f, 0.5f, 0xFF808080u),
                   V(0.5f, 0.5f, 0xFF808080u)};
    d.DrawTriangleStrip(v, 4);
    EXPECT_EQ(d.BackBuffer().At(0, 0), 0x80804020u);   // blending off: written as computed
    d.SetTexture(nullptr);
    Quad(d, 1, 0, 1, 1, 0x7F123456u);
    EXPECT_EQ(d.BackBuffer().At(1, 0), 0x7F123456u);
}

TEST(RasterBlend, TheFourModesOfTheDrawService) {
    auto blendOnce = [](uint32_t src, uint32_t dst, uint32_t enable, uint32_t sf, uint32_t df) {
        Device d(1, 1);
        d.Clear(dst);
        d.SetRenderState(rs::AlphaBlendEnable, enable);
        d.SetRenderState(rs::SrcBlend, sf);
        d.SetRenderState(rs::DestBlend, df);
        Quad(d, 0, 0, 1, 1, src);
        return d.BackBuffer().At(0, 0);
    };
    // Translucent: 0x80 alpha of white over black gives 0x80 grey; alpha
    // blends as a*a + da*(1-a).
    EXPECT_EQ(blendOnce(0x80FFFFFFu, 0xFF000000u, 1, blend::SrcAlpha, blend::InvSrcAlpha), 0xBF808080u);
    EXPECT_EQ(blendOnce(0xFF123456u, 0xFFABCDEFu, 1, blend::SrcAlpha, blend::InvSrcAlpha), 0xFF123456u);
    EXPECT_EQ(blendOnce(0x00123456u, 0xFFABCDEFu, 1, blend::SrcAlpha, blend::InvSrcAlpha), 0xFFABCDEFu);
    // Additive saturates at 255 per channel.
    EXPECT_EQ(blendOnce(0xFF808080u, 0xFF909010u, 1, blend::SrcAlpha, blend::One), 0xFFFFFF90u);
    EXPECT_EQ(blendOnce(0x80FF0000u, 0xFF000000u, 1, blend::SrcAlpha, blend::One), 0xFF800000u);
    // Darken: destination times the inverse of the source colour.
    EXPECT_EQ(blendOnce(0xFF00FF80u, 0xFFFFFFFFu, 1, blend::Zero, blend::InvSrcColor), 0x00FF007Fu);
    // Opaque: blending off writes the source.
    EXPECT_EQ(blendOnce(0x10203040u, 0xFFFFFFFFu, 0, blend::SrcAlpha, blend::InvSrcAlpha), 0x10203040u);
    EXPECT_EQ(blendOnce(0x10203040u, 0xFFFFFFFFu, 1, blend::One, blend::Zero), 0x10203040u);
    // Any other combination goes through the general blender.
    EXPECT_EQ(blendOnce(0xFF404040u, 0xFF808080u, 1, blend::DestColor, blend::Zero), 0xFF202020u);
}

TEST(RasterBlend, FastAndGeneralPathsAgree) {
    // Every specialised mode against the same maths in the general blender
    // (reached through the equivalent reversed-subtract-free settings).
    const uint32_t srcs[] = {0x00000000u, 0x01020304u, 0x7F80FF01u, 0x80FFFFFFu, 0xFE123456u, 0xFFFFFFFFu};
    const uint32_t dsts[] = {0x00000000u, 0xFFFFFFFFu, 0x80402010u, 0x12345678u};
    for (uint32_t s : srcs)
        for (uint32_t dcol : dsts) {
            Device fast(1, 1), slow(1, 1);
            fast.Clear(dcol);
            slow.Clear(dcol);
            fast.SetRenderState(rs::AlphaBlendEnable, 1);
            fast.SetRenderState(rs::SrcBlend, blend::SrcAlpha);
            fast.SetRenderState(rs::DestBlend, blend::InvSrcAlpha);
            slow.SetRenderState(rs::AlphaBlendEnable, 1);
            slow.SetRenderState(rs::SrcBlend, blend::SrcAlpha);
            slow.SetRenderState(rs::DestBlend, blend::InvSrcAlpha);
            slow.SetRenderState(rs::AlphaTestEnable, 1);   // forces the general blender
            slow.SetRenderState(rs::AlphaFunc, cmp::GreaterEqual);
            Quad(fast, 0, 0, 1, 1, s);
            Quad(slow, 0, 0, 1, 1, s);
            ASSERT_EQ(fast.BackBuffer().At(0, 0), slow.BackBuffer().At(0, 0)) << std::hex << s << " " << dcol;
        }
}

TEST(RasterTarget, DrawingGoesToTheChosenSurface) {
    Device d(8, 8);
    Surface target(4, 4);
    d.SetRenderTarget(&target);
    d.Clear(0xFF00FF00u);
    Quad(d, 1, 1, 2, 2, 0xFFFF0000u);
    d.SetRenderTarget(nullptr);
    EXPECT_EQ(CountColor(d.BackBuffer(), 0), 64);
    EXPECT_EQ(CountColor(target, 0xFFFF0000u), 4);
    EXPECT_EQ(CountColor(target, 0xFF00FF00u), 12);
    // States survive a save and restore round trip.
    Device::States saved = d.SaveStates();
    d.SetRenderState(rs::AlphaBlendEnable, 1);
    d.SetSamplerState(samp::MagFilter, filter::Linear);
    d.SetTexture(&target);
    d.RestoreStates(saved);
    EXPECT_EQ(d.GetRenderState(rs::AlphaBlendEnable), 0u);
    EXPECT_EQ(d.GetSamplerState(samp::MagFilter), filter::Point);
    EXPECT_EQ(d.Texture(), nullptr);
    d.SetRenderState(9999, 5);
    EXPECT_EQ(d.GetRenderState(9999), 5u);
}

TEST(RasterDeterminism, SameCallsSamePixels) {
    auto scene = [] {
        Device d(64, 48);
        Surface tex(5, 3);
        for (int i = 0; i < 15; ++i) tex.Pixels()[i] = 0x80000000u | (i * 0x111111u);
        d.SetRenderState(rs::AlphaBlendEnable, 1);
        d.SetRenderState(rs::SrcBlend, blend::SrcAlpha);
        d.SetRenderState(rs::DestBlend, blend::InvSrcAlpha);
        d.SetTexture(&tex);
        d.SetSamplerState(samp::MinFilter, filter::Linear);
        for (int i = 0; i < 20; ++i) {
            float a = i * 0.31f;
            Vertex v[4] = {V(30 + 20 * std::cos(a), 20 + 20 * std::sin(a), 0xFFFF8040u, 0, 0),
                           V(30 - 20 * std::sin(a), 20 + 20 * std::cos(a), 0xC040FF80u, 2, 0),
                           V(30 + 20 * std::sin(a), 20 - 20 * std::cos(a), 0x8080FFFFu, 0, 2),
                           V(30 - 20 * std::cos(a), 20 - 20 * std::sin(a), 0xFFFFFFFFu, 2, 2)};
            d.DrawTriangleStrip(v, 4);
        }
        return std::vector<uint32_t>(d.BackBuffer().Pixels(), d.BackBuffer().Pixels() + 64 * 48);
    };
    EXPECT_EQ(scene(), scene());
}

TEST(RasterBlend, WideSpansMatchThePerChannelFormulas) {
    // Spans long enough for the four-pixel paths plus a tail, over random
    // colours: each mode against its formula written out per channel.
    std::mt19937 rng(11);
    const int n = 37;
    Surface tex(n, 1), background(n, 1);
    for (int i = 0; i < n; ++i) {
        tex.Pixels()[i] = rng();
        background.Pixels()[i] = rng();
    }
    tex.Pixels()[3] |= 0xFF000000u;
    tex.Pixels()[5] &= 0x00FFFFFFu;
    auto round255 = [](int x) { return (x + 127) / 255; };
    auto ch = [](uint32_t c, int k) { return static_cast<int>((c >> (8 * k)) & 0xFF); };
    const uint32_t tint = 0xC0804020u;
    struct Mode {
        uint32_t src, dst;
    } modes[] = {{blend::SrcAlpha, blend::InvSrcAlpha}, {blend::SrcAlpha, blend::One}, {blend::Zero, blend::InvSrcColor}};
    for (int m = 0; m < 3; ++m) {
        Device d(n, 1);
        std::memcpy(d.BackBuffer().Pixels(), background.Pixels(), n * 4);
        d.SetRenderState(rs::AlphaBlendEnable, 1);
        d.SetRenderState(rs::SrcBlend, modes[m].src);
        d.SetRenderState(rs::DestBlend, modes[m].dst);
        d.SetTexture(&tex);
        Vertex v[4] = {V(-0.5f, -0.5f, tint, 0, 0), V(n - 0.5f, -0.5f, tint, 1, 0), V(-0.5f, 0.5f, tint, 0, 1),
                       V(n - 0.5f, 0.5f, tint, 1, 1)};
        d.DrawTriangleStrip(v, 4);
        for (int i = 0; i < n; ++i) {
            uint32_t t = tex.Pixels()[i], bg = background.Pixels()[i], want = 0;
            uint32_t s = 0;
            for (int k = 0; k < 4; ++k) s |= static_cast<uint32_t>(round255(ch(t, k) * ch(tint, k))) << (8 * k);
            const int a = ch(s, 3);
            for (int k = 0; k < 4; ++k) {
                int r;
                if (m == 0) r = round255(ch(s, k) * a + ch(bg, k) * (255 - a));
                else if (m == 1) r = std::min(255, round255(ch(s, k) * a) + ch(bg, k));
                else r = round255(ch(bg, k) * (255 - ch(s, k)));
                want |= static_cast<uint32_t>(r) << (8 * k);
            }
            ASSERT_EQ(d.BackBuffer().At(i, 0), want) << "mode " << m << " pixel " << i;
        }
    }
}
