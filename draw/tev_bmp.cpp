#include "draw/tev_bmp.h"

#include <cstdio>
#include <cstring>

#include "platform/image/image_codec.h"

namespace {

uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

} // namespace

CBmp::CBmp() = default;
CBmp::~CBmp() = default;

int CBmp::LoadBmp(int, const char* path, bool readPixels) {
    std::vector<unsigned char> bytes;
    if (!path || !platform::image::ReadFile(path, bytes)) {
        Info("CBmp::LoadBmp bmpfile %s open error", path ? path : "(null)");
        return 1;
    }
    return Parse(bytes.data(), bytes.size(), readPixels);
}

int CBmp::LoadBmpFromMemory(const unsigned char* image, size_t size, bool readPixels) {
    if (!image) size = 0;
    return Parse(image, size, readPixels);
}

int CBmp::Parse(const unsigned char* data, size_t size, bool readPixels) {
    m_infoHeader = TevBitmapInfoHeader{};
    std::memset(m_palette, 0, sizeof m_palette);
    m_fileHeader = TevBitmapFileHeader{};
    m_width = m_rowLength = m_height = 0;
    m_pixelDataSize = 0;
    m_paletteEntries = 0;
    m_pixels.clear();
    if (size < 14) return 2;
    m_fileHeader.bfType = U16(data);
    m_fileHeader.bfSize = U32(data + 2);
    m_fileHeader.bfReserved1 = U16(data + 6);
    m_fileHeader.bfReserved2 = U16(data + 8);
    m_fileHeader.bfOffBits = U32(data + 10);
    if (m_fileHeader.bfType != 0x4D42) return 2;
    if (size < 18) return 2;
    const unsigned char* h = data + 14;
    const uint32_t headerSize = U32(h);
    // OS/2 1.x: 16-bit sizes and 3-byte palette entries.
    if (headerSize == 12) return ParseCore(data, size, readPixels);
    // Shorter OS/2 2.x headers end early: the fields they lack are zero.
    const size_t given = headerSize > 12 && headerSize < 40 ? headerSize : 40;
    if (size < 14 + given) return 2;
    unsigned char full[40] = {};
    std::memcpy(full, h, given);
    h = full;
    m_infoHeader.biSize = U32(h);
    m_infoHeader.biWidth = static_cast<int32_t>(U32(h + 4));
    m_infoHeader.biHeight = static_cast<int32_t>(U32(h + 8));
    m_infoHeader.biPlanes = U16(h + 12);
    m_infoHeader.biBitCount = U16(h + 14);
    m_infoHeader.biCompression = U32(h + 16);
    m_infoHeader.biSizeImage = U32(h + 20);
    m_infoHeader.biXPelsPerMeter = static_cast<int32_t>(U32(h + 24));
    m_infoHeader.biYPelsPerMeter = static_cast<int32_t>(U32(h + 28));
    m_infoHeader.biClrUsed = U32(h + 32);
    m_infoHeader.biClrImportant = U32(h + 36);
    m_width = m_infoHeader.biWidth;
    m_rowLength = static_cast<int>((static_cast<int64_t>(m_width) + 3) & ~int64_t(3));
    // -2^31 rows has no row count (cannot be negated): not a picture.
    if (m_infoHeader.biHeight == INT32_MIN) {
        m_width = m_rowLength = 0;
        return 2;
    }
    m_height = m_infoHeader.biHeight;
    if (!readPixels) return 0;

    // Pixel data starts at the file's own offset when that is plausible
    // (files with larger headers), else where the plain layout puts it.
    const size_t paletteAt = 14 + given;
    size_t start = paletteAt;
    if (m_infoHeader.biBitCount != 24) {
        m_paletteEntries = m_infoHeader.biBitCount * 32;
        int entries = m_paletteEntries > 256 ? 256 : m_paletteEntries;
        size_t room = (size - paletteAt) / 4;
        if (size_t(entries) > room) entries = static_cast<int>(room);
        std::memcpy(m_palette, data + paletteAt, static_cast<size_t>(entries) * 4);
        start = paletteAt + static_cast<size_t>(entries) * 4;
    }
    if (m_fileHeader.bfOffBits >= paletteAt && m_fileHeader.bfOffBits < size) start = m_fileHeader.bfOffBits;
    if (start > size) start = size;
    // Never more than the bytes that are there, whatever the header claims.
    int64_t want = m_infoHeader.biBitCount == 24 ? int64_t(m_fileHeader.bfSize) - int64_t(paletteAt)
                                                 : int64_t(m_fileHeader.bfSize) - m_fileHeader.bfOffBits;
    int64_t have = static_cast<int64_t>(size - start);
    if (want < 0 || want > have) want = have;
    m_pixelDataSize = static_cast<int>(want);
    m_pixels.assign(data + start, data + start + want);
    return 0;
}

int CBmp::ParseCore(const unsigned char* data, size_t size, bool readPixels) {
    constexpr size_t kHeaders = 14 + 12;
    if (size < kHeaders) return 2;
    const unsigned char* h = data + 14;
    m_infoHeader.biSize = 12;
    m_infoHeader.biWidth = U16(h + 4);
    m_infoHeader.biHeight = U16(h + 6);   // unsigned: always bottom-up
    m_infoHeader.biPlanes = U16(h + 8);
    m_infoHeader.biBitCount = U16(h + 10);
    m_width = m_infoHeader.biWidth;
    m_rowLength = (m_width + 3) & ~3;
    m_height = m_infoHeader.biHeight;
    if (!readPixels) return 0;

    size_t start = kHeaders;
    if (m_infoHeader.biBitCount != 24) {
        m_paletteEntries = m_infoHeader.biBitCount * 32;
        int entries = m_infoHeader.biBitCount <= 8 ? 1 << m_infoHeader.biBitCount : 0;
        // A file may carry fewer entries: its pixel offset says how many.
        const uint32_t off = m_fileHeader.bfOffBits;
        if (off > kHeaders + 2 && (off - kHeaders) / 3 < uint32_t(entries))
            entries = static_cast<int>((off - kHeaders) / 3);
        const size_t room = (size - kHeaders) / 3;
        if (size_t(entries) > room) entries = static_cast<int>(room);
        for (int i = 0; i < entries; ++i) {
            const unsigned char* e = data + kHeaders + 3 * i;
            m_palette[i] = TevRgbQuad{e[0], e[1], e[2], 0};
        }
        start = kHeaders + static_cast<size_t>(entries) * 3;
    }
    if (m_fileHeader.bfOffBits >= kHeaders && m_fileHeader.bfOffBits < size) start = m_fileHeader.bfOffBits;
    if (start > size) start = size;
    int64_t want = int64_t(m_fileHeader.bfSize) - int64_t(start);
    const int64_t have = static_cast<int64_t>(size - start);
    if (want <= 0 || want > have) want = have;
    m_pixelDataSize = static_cast<int>(want);
    m_pixels.assign(data + start, data + start + want);
    return 0;
}

bool CBmp::PixelsDecodable() const {
    return m_infoHeader.biCompression == 0 && (m_infoHeader.biBitCount == 24 || m_infoHeader.biBitCount == 8) &&
           m_width > 0 && m_height != 0;
}

uint32_t CBmp::GetPixel(int x, int y) const {
    if (m_pixels.empty() || !PixelsDecodable()) return 0xFFFFFFFFu;
    const int rows = Height();
    if (x < 0 || y < 0 || x >= m_width || y >= rows) return 0xFFFFFFFFu;
    const int64_t row = m_height > 0 ? rows - 1 - y : y;
    if (m_infoHeader.biBitCount == 24) {
        const int64_t stride = (int64_t(m_width) * 3 + 3) & ~int64_t(3);
        // Rows past the data first: row * stride of a huge picture overflows.
        if (row > int64_t(m_pixels.size()) / stride) return 0xFFFFFFFFu;
        const int64_t at = row * stride + int64_t(x) * 3;
        if (at + 3 > int64_t(m_pixels.size())) return 0xFFFFFFFFu;
        return 0xFF000000u | (uint32_t(m_pixels[at + 2]) << 16) | (uint32_t(m_pixels[at + 1]) << 8) | m_pixels[at];
    }
    // The padded row length of a huge width does not fit m_rowLength's int.
    const int64_t at = row * ((int64_t(m_width) + 3) & ~int64_t(3)) + x;
    if (at >= int64_t(m_pixels.size())) return 0xFFFFFFFFu;
    const TevRgbQuad& q = m_palette[m_pixels[at]];
    return 0xFF000000u | (uint32_t(q.red) << 16) | (uint32_t(q.green) << 8) | q.blue;
}
