// The picture decoder on BMP bytes (every depth, RLE, bit fields, OS/2).
#include <cstdint>

#include "platform/image/image_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::image::Image image;
    std::string error;
    if (platform::image::DecodeBmp(data, size, image, &error)) {
        // A decoded picture has exactly the pixels its size says.
        if (image.width <= 0 || image.height <= 0 ||
            image.pixels.size() != static_cast<size_t>(image.width) * image.height)
            __builtin_trap();
        volatile uint32_t sink = image.pixels.front() ^ image.pixels.back();
        (void)sink;
    }
    return 0;
}
