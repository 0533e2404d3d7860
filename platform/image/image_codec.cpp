#include "platform/image/image_codec.h"

#include <cstdio>
#include <cstring>

namespace platform::image {

bool ReadFile(const char* path, std::vector<unsigned char>& out) {
    out.clear();
    if (!path) return false;
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + got);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool Decode(const unsigned char* data, size_t size, Image& out, std::string* error) {
    static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (data && size >= 8 && std::memcmp(data, kPng, 8) == 0) return DecodePng(data, size, out, error);
    if (data && size >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, size, out, error);
    if (error) *error = "unknown picture format";
    return false;
}

} // namespace platform::image
