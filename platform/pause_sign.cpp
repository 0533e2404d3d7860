#include "platform/pause_sign.h"

namespace platform {

namespace {

// 5 x 7 capitals, one row per byte, high bit on the left.
constexpr uint8_t kGlyphs[6][7] = {
    {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10},   // P
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11},   // A
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},   // U
    {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E},   // S
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F},   // E
    {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E},   // D
};
constexpr int kTextW = 6 * 6 - 1;
constexpr int kTextH = 7;
constexpr int kPad = 4;
constexpr int kBoxW = kTextW + 2 * kPad + 2;
constexpr int kBoxH = kTextH + 2 * kPad + 2;
constexpr uint32_t kBorder = 0xFFE8E8F0u;
constexpr uint32_t kText = 0xFFFFFFFFu;
constexpr uint32_t kShadow = 0xFF000000u;

// A quarter of the picture's brightness: the sign reads on any picture.
uint32_t Dim(uint32_t c) { return 0xFF000000u | ((c >> 2) & 0x3F3F3Fu); }

} // namespace

void StampPauseSign(uint32_t* pixels, int width, int height, int pitchPixels) {
    if (!pixels || width < kBoxW || height < kBoxH || pitchPixels < width) return;
    const int bx = (width - kBoxW) / 2;
    const int by = (height - kBoxH) / 2;
    for (int y = 0; y < kBoxH; ++y) {
        uint32_t* row = pixels + static_cast<long>(by + y) * pitchPixels + bx;
        for (int x = 0; x < kBoxW; ++x) {
            const bool edge = x == 0 || y == 0 || x == kBoxW - 1 || y == kBoxH - 1;
            row[x] = edge ? kBorder : Dim(row[x]);
        }
    }
    const int tx = bx + 1 + kPad;
    const int ty = by + 1 + kPad;
    for (int pass = 0; pass < 2; ++pass) {   // shadow one pixel down-right, then the letters
        const int off = pass == 0 ? 1 : 0;
        for (int g = 0; g < 6; ++g)
            for (int y = 0; y < kTextH; ++y)
                for (int x = 0; x < 5; ++x)
                    if (kGlyphs[g][y] & (0x10 >> x))
                        pixels[static_cast<long>(ty + y + off) * pitchPixels + tx + g * 6 + x + off] =
                            pass == 0 ? kShadow : kText;
    }
}

} // namespace platform
