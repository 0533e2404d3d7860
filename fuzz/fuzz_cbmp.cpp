// CBmp, the texture loader's size and colour-key reader, from memory and
// from a file; every pixel of a decodable picture is asked for.
#include <cstdint>

#include "draw/tev_bmp.h"
#include "fuzz/fuzz_support.h"

namespace {

void Probe(CBmp& bmp) {
    const int w = bmp.Width(), h = bmp.Height();
    volatile uint32_t sink = 0;
    if (bmp.PixelsDecodable() && w > 0 && h > 0 && int64_t(w) * h <= (1 << 16)) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) sink = sink ^ bmp.GetPixel(x, y);
    }
    // Outside the picture and the corners.
    // Widths come from the file and may be negative.
    const int lastX = w > 0 ? w - 1 : 0, lastY = h > 0 ? h - 1 : 0;
    sink = sink ^ bmp.GetPixel(-1, 0) ^ bmp.GetPixel(0, -1) ^ bmp.GetPixel(w, 0) ^ bmp.GetPixel(0, h);
    sink = sink ^ bmp.GetPixel(0, 0) ^ bmp.GetPixel(lastX, lastY) ^ bmp.GetPixel(lastX, 0) ^ bmp.GetPixel(0, lastY);
    (void)sink;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        CBmp bmp;
        if (bmp.LoadBmpFromMemory(data, size, false) == 0) Probe(bmp);
    }
    {
        CBmp bmp;
        if (bmp.LoadBmpFromMemory(data, size, true) == 0) Probe(bmp);
    }
    const std::string path = tevfuzz::PathIn("cbmp.bmp");
    tevfuzz::WriteBytes(path, data, size);
    CBmp bmp;
    if (bmp.LoadBmp(0, path.c_str(), true) == 0) Probe(bmp);
    return 0;
}
