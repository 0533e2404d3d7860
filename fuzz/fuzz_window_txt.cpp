// The remembered window size ("window.txt"): any bytes give a size in range
// or a refusal, and a size read back writes out as the same size.
#include <cstdint>
#include <string>

#include "platform/window_memory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    int w = 0, h = 0;
    if (platform::ParseWindowSize(text, &w, &h)) {
        if (w < 64 || w > 16384 || h < 64 || h > 16384) __builtin_trap();
        int w2 = 0, h2 = 0;
        if (!platform::ParseWindowSize(platform::FormatWindowSize(w, h), &w2, &h2) || w2 != w || h2 != h)
            __builtin_trap();
    }
    return 0;
}
