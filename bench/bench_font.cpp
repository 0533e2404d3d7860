// bench_font            prints the cost of a frame's text (40 lines of 30 characters)
// bench_font --sheet F [auto|mono|gray]
//                       writes F (PNG, 320 x 240, and 3x enlarged as F's "-x3"
//                       twin) with the launcher's texts in both faces at every
//                       size the launcher uses, for judging legibility; the
//                       last word forces one glyph rendering for comparison
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "draw/tev_dx_font.h"
#include "platform/font/font_face.h"
#include "platform/image/image_codec.h"
#include "platform/raster/raster_device.h"

namespace {

// <chrono> cannot be used here: its micro sign has no CP932 form.
double NowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// 30 characters each: Latin, digits and Japanese of both widths, as games mix them.
const char* const kLines[] = {
    "SCORE 00012345  HI 0098765 x3",
    "ゲームを読み込んでいます.....",
    "Push Bottun1 to Exit  Lv.10  ",
    "現在位置　123m  /  200m  作戦",
    "ｶﾀｶﾅ ﾃｷｽﾄ 0123456789 ABCDEFGH",
};

double FrameMs(CTevDxFont& font, platform::raster::Device& device, int frames) {
    std::vector<double> times;
    times.reserve(frames);
    for (int f = 0; f < frames; ++f) {
        device.BackBuffer().Fill(0xFF000000);
        double start = NowMs();
        font.Begin();
        for (int i = 0; i < 40; ++i) font.DrawText(0, i * 6, kLines[(i + f) % 5]);
        font.End();
        times.push_back(NowMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

int Bench() {
    platform::raster::Device device(320, 240);
    CTevDxFont font;
    if (font.InitOnDevice(&device, 0, 10) != 0) {
        std::fprintf(stderr, "bench_font: the default face cannot be made\n");
        return 1;
    }
    font.SetTextArea(320, 240);
    std::printf("text per frame: 40 lines of 30 characters, 320x240 target (target <= 0.3 ms)\n");
    struct { const char* face; int height; } cases[] = {
        {CTevDxFont::DefaultFace(), 10}, {CTevDxFont::DefaultFace(), 12}, {"Arial Black", 12},
        {CTevDxFont::DefaultFace(), 24},
    };
    for (auto c : cases) {
        font.ChangeFont(c.face, c.height, 0, 0);
        long before = font.RasterizedGlyphs();
        double start = NowMs();
        FrameMs(font, device, 1);
        double cold = NowMs() - start;
        long rasterized = font.RasterizedGlyphs() - before;
        double warm = FrameMs(font, device, 600);
        std::printf("  %-12s %2d px: first frame %7.3f ms (%ld glyphs rasterized), then median %.3f ms per frame\n",
                    c.face == CTevDxFont::DefaultFace() ? "gothic" : c.face, c.height, cold, rasterized, warm);
        std::printf("RESULT\tfont %s %d px: 40 lines x 30 chars per frame\t%.3f ms\t<= 0.3 ms\n",
                    c.face == CTevDxFont::DefaultFace() ? "gothic" : c.face, c.height, warm);
    }
    return 0;
}

int Sheet(const char* path) {
    platform::raster::Device device(320, 240);
    device.BackBuffer().Fill(0xFF102040);
    CTevDxFont font;
    if (font.InitOnDevice(&device, 0, 10) != 0) return 1;
    font.SetTextArea(320, 240);
    font.Begin();
    int y = 0;
    for (const char* face : {CTevDxFont::DefaultFace(), "Arial Black"}) {
        for (int h : {10, 11, 12, 20, 24, 30}) {
            font.ChangeFont(face, h, 0, 0);
            const char* text = h <= 12 ? "ゲームを読み込んでいます... 十字キー ボタン１ KeyBoard Setting (次回起動時に適用) ソ表"
                                       : h == 20 ? "ボタン１で止めて！ Presented by"
                                                 : h == 24 ? "Setting 設定の変更 Exit" : "Setting あたり";
            y += font.DrawTextColor(2, y, text, 0xFFFFFFFF) < 0 ? 0 : h;
        }
    }
    font.End();
    const auto& s = device.BackBuffer();
    std::string error;
    if (!platform::image::WritePng(path, s.Pixels(), s.Width(), s.Height(), s.Pitch(), false, &error)) {
        std::fprintf(stderr, "bench_font: %s\n", error.c_str());
        return 1;
    }
    // The same enlarged three times with whole pixels, as a window shows it.
    std::vector<uint32_t> big(size_t(s.Width()) * 3 * s.Height() * 3);
    for (int yy = 0; yy < s.Height() * 3; ++yy)
        for (int xx = 0; xx < s.Width() * 3; ++xx) big[size_t(yy) * s.Width() * 3 + xx] = s.At(xx / 3, yy / 3);
    std::string bigPath = path;
    auto dot = bigPath.rfind('.');
    bigPath.insert(dot == std::string::npos ? bigPath.size() : dot, "-x3");
    platform::image::WritePng(bigPath.c_str(), big.data(), s.Width() * 3, s.Height() * 3, s.Width() * 3, false,
                              &error);
    std::printf("wrote %s and %s\n", path, bigPath.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--sheet") == 0) {
        const char* mode = argc == 4 ? argv[3] : "auto";
        using platform::font::Rendering;
        if (std::strcmp(mode, "mono") == 0) platform::font::SetRendering(Rendering::Monochrome);
        else if (std::strcmp(mode, "gray") == 0) platform::font::SetRendering(Rendering::Gray);
        else if (std::strcmp(mode, "auto") != 0) argc = 0;
        if (argc) return Sheet(argv[2]);
    }
    if (argc != 1) {
        std::fprintf(stderr, "usage: bench_font [--sheet out.png [auto|mono|gray]]\n");
        return 2;
    }
    return Bench();
}
