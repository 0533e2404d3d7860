// BMP reading and writing of our own (no library handles the odd variants
// old game data carries: OS/2 headers, RLE, bit-field masks).
#include <cstdio>
#include <cstring>

#include "platform/image/image_codec.h"

namespace platform::image {

namespace {

uint32_t U16(const unsigned char* p) { return p[0] | (p[1] << 8); }
uint32_t U32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

bool Fail(std::string* error, const char* text) {
    if (error) *error = text;
    return false;
}

// Extracts a masked field and scales it to 8 bits.
struct Field {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Field(uint32_t m = 0) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1)) ++bits;
    }
    uint32_t Get(uint32_t v, uint32_t absent) const {
        if (!mask) return absent;
        uint32_t x = (v & mask) >> shift;
        if (bits >= 8) return x >> (bits - 8);
        uint32_t max = (1u << bits) - 1;
        return (x * 255 + max / 2) / max;
    }
};

void PutLE16(std::vector<unsigned char>& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void PutLE32(std::vector<unsigned char>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

} // namespace

bool DecodeBmp(const unsigned char* data, size_t size, Image& out, std::string* error) {
    out = Image{};
    if (!data || size < 14 + 12) return Fail(error, "file too short for a BMP header");
    if (data[0] != 'B' || data[1] != 'M') return Fail(error, "not a BMP file");
    const uint32_t offBits = U32(data + 10);
    const uint32_t headerSize = U32(data + 14);
    if (headerSize < 12 || headerSize > size - 14) return Fail(error, "bad BMP info header size");
    const unsigned char* h = data + 14;

    int64_t width, height;
    uint32_t bitCount, compression = 0, colorsUsed = 0;
    // OS/2 1.x (12 bytes): unsigned 16-bit sizes, 3-byte palette entries.
    // Shorter OS/2 2.x headers (16 to 36 bytes) lay out the Windows fields
    // as far as they go.
    const bool core = headerSize == 12;
    if (!core && headerSize < 16) return Fail(error, "bad BMP info header size");
    if (core) {
        width = U16(h + 4);
        height = U16(h + 6);
        bitCount = U16(h + 10);
    } else {
        width = static_cast<int32_t>(U32(h + 4));
        height = static_cast<int32_t>(U32(h + 8));
        bitCount = U16(h + 14);
        if (headerSize >= 20) compression = U32(h + 16);
        if (headerSize >= 36) colorsUsed = U32(h + 32);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
        return Fail(error, "unsupported BMP size");

    // Compression: 0 plain, 1 RLE8, 2 RLE4, 3 bit fields, 6 bit fields with alpha.
    const bool rle = compression == 1 || compression == 2;
    if (compression > 3 && compression != 6) return Fail(error, "unsupported BMP compression");
    if ((compression == 1 && bitCount != 8) || (compression == 2 && bitCount != 4))
        return Fail(error, "RLE compression with the wrong bit depth");
    if ((compression == 3 || compression == 6) && bitCount != 16 && bitCount != 32)
        return Fail(error, "bit fields with the wrong bit depth");
    if (topDown && rle) return Fail(error, "top-down RLE BMP");

    // Masks: inside a V2+ header, or right after a 40-byte one.
    size_t afterHeader = 14 + headerSize;
    uint32_t masks[4] = {0, 0, 0, 0};
    if (compression == 3 || compression == 6) {
        int count = compression == 6 ? 4 : 3;
        if (headerSize >= 52) {
            for (int i = 0; i < 3; ++i) masks[i] = U32(h + 40 + 4 * i);
            if (headerSize >= 56) masks[3] = U32(h + 52);
        } else {
            if (size < afterHeader + 4 * count) return Fail(error, "BMP bit-field masks truncated");
            for (int i = 0; i < count; ++i) masks[i] = U32(data + afterHeader + 4 * i);
            afterHeader += 4 * count;
        }
    } else if (bitCount == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else if (bitCount == 32) {
        masks[0] = 0x00FF0000;
        masks[1] = 0x0000FF00;
        masks[2] = 0x000000FF;
        masks[3] = 0xFF000000;   // BI_RGB: alpha used only when any is set
    }

    uint32_t palette[256] = {};
    int paletteSize = 0;
    if (bitCount == 1 || bitCount == 4 || bitCount == 8) {
        paletteSize = 1 << bitCount;
        int entries = colorsUsed && colorsUsed < uint32_t(paletteSize) ? int(colorsUsed) : paletteSize;
        const size_t entryBytes = core ? 3 : 4;
        // OS/2 headers have no colour count; their files often carry fewer
        // entries than the depth allows, and the pixel offset says how many.
        if (headerSize < 36 && offBits > afterHeader && offBits < size &&
            (offBits - afterHeader) / entryBytes < size_t(entries) && (offBits - afterHeader) / entryBytes > 0)
            entries = int((offBits - afterHeader) / entryBytes);
        size_t room = size > afterHeader ? (size - afterHeader) / entryBytes : 0;
        if (room < size_t(entries)) {
            if (room == 0) return Fail(error, "BMP palette missing");
            entries = int(room);
        }
        for (int i = 0; i < entries; ++i) {
            const unsigned char* e = data + afterHeader + i * entryBytes;
            palette[i] = 0xFF000000u | (uint32_t(e[2]) << 16) | (uint32_t(e[1]) << 8) | e[0];
        }
        for (int i = entries; i < 256; ++i) palette[i] = 0xFF000000u;
        afterHeader += entries * entryBytes;
    } else if (bitCount != 16 && bitCount != 24 && bitCount != 32) {
        return Fail(error, "unsupported BMP bit depth");
    }

    size_t pixelStart = offBits;
    if (pixelStart < afterHeader || pixelStart >= size) pixelStart = afterHeader;   // damaged offset
    if (pixelStart >= size) return Fail(error, "BMP pixel data missing");
    const unsigned char* pix = data + pixelStart;
    const size_t pixBytes = size - pixelStart;

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels.assign(static_cast<size_t>(width * height), paletteSize ? palette[0] : 0xFF000000u);
    auto rowOut = [&](int64_t fileRow) -> uint32_t* {
        int64_t y = topDown ? fileRow : height - 1 - fileRow;
        return out.pixels.data() + y * width;
    };

    if (rle) {
        // Runs and escapes; pixels a delta skips keep palette entry 0.
        size_t p = 0;
        int64_t x = 0, row = 0;
        const bool four = compression == 2;
        while (row < height) {
            if (p + 2 > pixBytes) break;   // truncated: keep what was decoded
            uint32_t count = pix[p], value = pix[p + 1];
            p += 2;
            if (count > 0) {
                for (uint32_t i = 0; i < count && x < width; ++i, ++x) {
                    uint32_t index = four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value;
                    rowOut(row)[x] = palette[index];
                }
            } else if (value == 0) {
                x = 0;
                ++row;
            } else if (value == 1) {
                break;
            } else if (value == 2) {
                if (p + 2 > pixBytes) break;
                x += pix[p];
                row += pix[p + 1];
                p += 2;
            } else {
                uint32_t n = value;
                size_t bytes = four ? (n + 1) / 2 : n;
                if (p + bytes > pixBytes) break;
                for (uint32_t i = 0; i < n; ++i, ++x) {
                    if (x >= width) continue;
                    uint32_t index = four ? ((i & 1) ? (pix[p + i / 2] & 0x0F) : (pix[p + i / 2] >> 4)) : pix[p + i];
                    rowOut(row)[x] = palette[index];
                }
                p += (bytes + 1) & ~size_t(1);   // runs are word-aligned
            }
        }
        return true;
    }

    const size_t stride = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
    // The last row need not carry its padding.
    const size_t lastRow = (static_cast<size_t>(width) * bitCount + 7) / 8;
    if (pixBytes < stride * (height - 1) + lastRow) return Fail(error, "BMP pixel data truncated");

    Field fr(masks[0]), fg(masks[1]), fb(masks[2]), fa(masks[3]);
    bool anyAlpha = false;
    for (int64_t row = 0; row < height; ++row) {
        const unsigned char* src = pix + stride * row;
        uint32_t* dst = rowOut(row);
        switch (bitCount) {
        case 1:
            for (int64_t x = 0; x < width; ++x) dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int64_t x = 0; x < width; ++x) dst[x] = palette[(x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4)];
            break;
        case 8:
            for (int64_t x = 0; x < width; ++x) dst[x] = palette[src[x]];
            break;
        case 24:
            for (int64_t x = 0; x < width; ++x)
                dst[x] = 0xFF000000u | (uint32_t(src[3 * x + 2]) << 16) | (uint32_t(src[3 * x + 1]) << 8) | src[3 * x];
            break;
        case 16:
        case 32:
            for (int64_t x = 0; x < width; ++x) {
                uint32_t v = bitCount == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
                uint32_t a = fa.Get(v, 255);
                if (fa.mask && a) anyAlpha = true;
                dst[x] = (a << 24) | (fr.Get(v, 0) << 16) | (fg.Get(v, 0) << 8) | fb.Get(v, 0);
            }
            break;
        }
    }
    // A plain 32-bit file whose fourth bytes are all zero carries no alpha.
    if (bitCount == 32 && compression == 0 && !anyAlpha)
        for (uint32_t& px : out.pixels) px |= 0xFF000000u;
    return true;
}

std::vector<unsigned char> EncodeBmp(const uint32_t* pixels, int width, int height, int pitch, bool withAlpha) {
    std::vector<unsigned char> b;
    if (!pixels || width <= 0 || height <= 0) return b;
    const int bpp = withAlpha ? 32 : 24;
    const size_t stride = ((static_cast<size_t>(width) * bpp + 31) / 32) * 4;
    const size_t imageBytes = stride * height;
    b.reserve(54 + imageBytes);
    b.push_back('B');
    b.push_back('M');
    PutLE32(b, static_cast<uint32_t>(54 + imageBytes));
    PutLE32(b, 0);
    PutLE32(b, 54);
    PutLE32(b, 40);
    PutLE32(b, static_cast<uint32_t>(width));
    PutLE32(b, static_cast<uint32_t>(height));   // bottom-up
    PutLE16(b, 1);
    PutLE16(b, bpp);
    PutLE32(b, 0);
    PutLE32(b, static_cast<uint32_t>(imageBytes));
    PutLE32(b, 2835);   // 72 dpi
    PutLE32(b, 2835);
    PutLE32(b, 0);
    PutLE32(b, 0);
    for (int y = height - 1; y >= 0; --y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * pitch;
        size_t start = b.size();
        for (int x = 0; x < width; ++x) {
            uint32_t c = row[x];
            b.push_back(c & 0xFF);
            b.push_back((c >> 8) & 0xFF);
            b.push_back((c >> 16) & 0xFF);
            if (withAlpha) b.push_back((c >> 24) & 0xFF);
        }
        while (b.size() - start < stride) b.push_back(0);
    }
    return b;
}

bool WriteBmp(const char* path, const uint32_t* pixels, int width, int height, int pitch, bool withAlpha,
              std::string* error) {
    std::vector<unsigned char> bytes = EncodeBmp(pixels, width, height, pitch, withAlpha);
    if (bytes.empty()) return Fail(error, "empty picture");
    FILE* f = path ? std::fopen(path, "wb") : nullptr;
    if (!f) return Fail(error, "cannot create the file");
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok ? true : Fail(error, "cannot write the file");
}

} // namespace platform::image
