// The small BMP reader the texture loader asks for a picture's size and for
// the colour of its top-left pixel (the automatic colour key).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugin_api/tev_base.h"

struct TevBitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(TevBitmapInfoHeader) == 40);

struct TevRgbQuad {
    uint8_t blue, green, red, reserved;
};

struct TevBitmapFileHeader {
    uint16_t bfType;
    uint32_t bfSize;
    uint16_t bfReserved1, bfReserved2;
    uint32_t bfOffBits;
};

class CBmp : public CTevBase {
public:
    CBmp();
    ~CBmp() override;

    // 0 read, 1 cannot open (logged), 2 not a BMP. Pixels (and for 8 bits
    // the palette) are read only when readPixels.
    int LoadBmp(int ignored, const char* path, bool readPixels);
    // The same on bytes in memory; size bounds every read. 0 or 2.
    int LoadBmpFromMemory(const unsigned char* image, size_t size, bool readPixels);

    // 0xFF000000 | red << 16 | green << 8 | blue of the pixel at column x,
    // row y from the top; 0xFFFFFFFF without pixel data, outside the
    // picture, or for a kind of file this reader does not decode (only
    // uncompressed 24-bit and 8-bit files, either row order).
    uint32_t GetPixel(int x, int y) const;

    int Width() const { return m_width; }
    // Rows, whichever order they are stored in.
    int Height() const { return m_height < 0 ? -m_height : m_height; }
    uint32_t FileSize() const { return m_fileHeader.bfSize; }
    const TevBitmapInfoHeader& InfoHeader() const { return m_infoHeader; }
    // Whether GetPixel can answer for this file.
    bool PixelsDecodable() const;

private:
    int Parse(const unsigned char* data, size_t size, bool readPixels);
    // The 12-byte OS/2 header, translated into the info-header fields.
    int ParseCore(const unsigned char* data, size_t size, bool readPixels);

    TevBitmapInfoHeader m_infoHeader{};
    TevRgbQuad m_palette[256]{};
    TevBitmapFileHeader m_fileHeader{};
    int m_width = 0;
    int m_rowLength = 0;
    int m_height = 0;
    int m_pixelDataSize = 0;
    std::vector<unsigned char> m_pixels;
    int m_paletteEntries = 0;
};
