// The PNG path: decoding by signature (header check, then the full read).
#include <cstdint>

#include "platform/image/image_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::image::Image image;
    std::string error;
    if (platform::image::DecodePng(data, size, image, &error)) {
        if (image.width <= 0 || image.height <= 0 ||
            image.pixels.size() != static_cast<size_t>(image.width) * image.height)
            __builtin_trap();
    }
    // The signature dispatcher must agree with the direct call on PNG bytes.
    platform::image::Image again;
    platform::image::Decode(data, size, again, &error);
    return 0;
}
