// Window icon files: directory, BMP (DIB) and PNG images inside.
#include <cstdint>

#include "platform/icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::IconImage icon;
    std::string error;
    if (platform::DecodeIcon(data, size, icon, error)) {
        if (icon.width <= 0 || icon.height <= 0 ||
            icon.argb.size() != static_cast<size_t>(icon.width) * icon.height)
            __builtin_trap();
    }
    return 0;
}
