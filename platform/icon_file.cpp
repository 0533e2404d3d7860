#include "platform/icon_file.h"
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <png.h>

namespace platform {

namespace {

uint32_t U16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

bool DecodePng(const uint8_t* data, size_t size, IconImage& out, std::string& error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) {
        error = "bad PNG image";
        return false;
    }
    image.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB words
    if (image.width == 0 || image.height == 0 || image.width > 1024 || image.height > 1024) {
        png_image_free(&image);
        error = "PNG image size out of range";
        return false;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.argb.assign(static_cast<size_t>(out.width) * out.height, 0);
    if (!png_image_finish_read(&image, nullptr, out.argb.data(), 0, nullptr)) {
        png_image_free(&image);
        error = "PNG image could not be decoded";
        return false;
    }
    return true;
}

bool DecodeDib(const uint8_t* data, size_t size, IconImage& out, std::string& error) {
    if (size < 40 || U32(data) < 40) {
        error = "bad DIB header";
        return false;
    }
    uint32_t headerSize = U32(data);
    int32_t width = static_cast<int32_t>(U32(data + 4));
    int32_t height2 = static_cast<int32_t>(U32(data + 8));
    uint32_t bits = U16(data + 14);
    uint32_t compression = U32(data + 16);
    uint32_t paletteUsed = U32(data + 32);
    if (width <= 0 || width > 1024 || height2 <= 0 || height2 > 2048 || compression != 0) {
        error = "unsupported DIB image";
        return false;
    }
    int height = height2 / 2;  // XOR image then AND mask
    if (height <= 0) {
        error = "bad DIB height";
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        error = "unsupported bit count";
        return false;
    }
    size_t paletteCount = bits <= 8 ? (paletteUsed ? paletteUsed : (1u << bits)) : 0;
    if (paletteCount > 256 || headerSize > size || paletteCount * 4 > size - headerSize) {
        error = "bad palette";
        return false;
    }
    const uint8_t* palette = data + headerSize;
    const uint8_t* pixels = palette + paletteCount * 4;
    size_t xorStride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    size_t andStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
    size_t avail = size - headerSize - paletteCount * 4;
    bool hasMask = avail >= xorStride * height + andStride * height;
    if (avail < xorStride * height) {
        error = "DIB data cut short";
        return false;
    }
    const uint8_t* mask = pixels + xorStride * height;
    out.width = width;
    out.height = height;
    out.argb.assign(static_cast<size_t>(width) * height, 0);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels + xorStride * (height - 1 - y);  // bottom-up
        for (int x = 0; x < width; ++x) {
            uint32_t c = 0;
            if (bits == 32) {
                c = U32(row + x * 4);
                if (c >> 24) anyAlpha = true;
            } else if (bits == 24) {
                c = row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16) | 0xFF000000u;
            } else {
                uint32_t index = 0;
                if (bits == 8) index = row[x];
                else if (bits == 4) index = (row[x / 2] >> ((x & 1) ? 0 : 4)) & 15;
                else index = (row[x / 8] >> (7 - (x & 7))) & 1;
                if (index < paletteCount) c = (U32(palette + index * 4) & 0xFFFFFF) | 0xFF000000u;
            }
            out.argb[static_cast<size_t>(y) * width + x] = c;
        }
    }
    if (bits == 32 && !anyAlpha) {
        for (auto& c : out.argb) c |= 0xFF000000u;
    }
    if (hasMask && !(bits == 32 && anyAlpha)) {
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = mask + andStride * (height - 1 - y);
            for (int x = 0; x < width; ++x)
                if ((row[x / 8] >> (7 - (x & 7))) & 1) out.argb[static_cast<size_t>(y) * width + x] = 0;
        }
    }
    return true;
}

} // namespace

bool DecodeIcon(const uint8_t* bytes, size_t size, IconImage& out, std::string& error) {
    if (size < 6 || U16(bytes) != 0 || U16(bytes + 2) != 1) {
        error = "not an icon file";
        return false;
    }
    uint32_t count = U16(bytes + 4);
    if (count == 0 || 6 + 16 * static_cast<size_t>(count) > size) {
        error = "icon directory cut short";
        return false;
    }
    int best = -1;
    uint32_t bestArea = 0, bestBits = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = bytes + 6 + 16 * i;
        uint32_t w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256, bits = U16(e + 6);
        uint32_t length = U32(e + 8), offset = U32(e + 12);
        if (offset > size || length > size - offset || length == 0) continue;
        if (best < 0 || w * h > bestArea || (w * h == bestArea && bits > bestBits)) {
            best = static_cast<int>(i);
            bestArea = w * h;
            bestBits = bits;
        }
    }
    if (best < 0) {
        error = "no usable image in the icon";
        return false;
    }
    const uint8_t* e = bytes + 6 + 16 * best;
    const uint8_t* data = bytes + U32(e + 12);
    size_t length = U32(e + 8);
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (length >= 8 && std::memcmp(data, kPngSignature, 8) == 0) return DecodePng(data, length, out, error);
    return DecodeDib(data, length, out, error);
}

bool LoadIconFile(const char* path, IconImage& out, std::string& error) {
    // Without blocking and regular files only: a FIFO named pv.ico must not
    // hang the start.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) close(fd);
        error = fd < 0 ? "cannot open the file" : "not a regular file";
        return false;
    }
    FILE* f = fdopen(fd, "rb");
    if (!f) {
        close(fd);
        error = "cannot open the file";
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && bytes.size() < (16u << 20)) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return DecodeIcon(bytes.data(), bytes.size(), out, error);
}

} // namespace platform
