#include "tools/toolkit/image.h"

#include <cstdio>

#include "tools/toolkit/source_text.h"

namespace tevtools {

namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void PutBE32(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(v >> 24);
    b.push_back((v >> 16) & 0xFF);
    b.push_back((v >> 8) & 0xFF);
    b.push_back(v & 0xFF);
}
uint32_t Get16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (Get16(p + 2) << 16); }

void PngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutBE32(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBE32(out, Crc32(out.data() + start, out.size() - start));
}

// zlib stream of stored (uncompressed) deflate blocks: no compression library
// needed, and the pictures are small.
std::vector<uint8_t> ZlibStored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = std::min<size_t>(65535, raw.size() - pos);
        bool final = pos + n == raw.size();
        z.push_back(final ? 1 : 0);
        Put16(z, static_cast<uint32_t>(n));
        Put16(z, static_cast<uint32_t>(~n & 0xFFFF));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBE32(z, (b << 16) | a);
    return z;
}

}  // namespace

Image Image::Crop(int x, int y, int w, int h) const {
    Image out(w, h, 0);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (Inside(x + i, y + j)) out.At(i, j) = At(x + i, y + j);
    return out;
}

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::vector<uint8_t> EncodeBmp24(const Image& image) {
    const uint32_t stride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t dataSize = stride * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> b;
    b.reserve(54 + dataSize);
    b.push_back('B');
    b.push_back('M');
    Put32(b, 54 + dataSize);  // bfSize: the whole file
    Put32(b, 0);
    Put32(b, 54);             // pixel data right after the two headers
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(image.width));
    Put32(b, static_cast<uint32_t>(image.height));  // positive: bottom-up
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, 0);  // BI_RGB
    Put32(b, dataSize);
    Put32(b, 2835);  // 72 dpi
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            uint32_t c = image.At(x, y);
            b.push_back(c & 0xFF);
            b.push_back((c >> 8) & 0xFF);
            b.push_back((c >> 16) & 0xFF);
        }
        for (uint32_t pad = static_cast<uint32_t>(image.width) * 3; pad < stride; ++pad) b.push_back(0);
    }
    return b;
}

std::vector<uint8_t> EncodePng(const Image& image, bool alpha) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> ihdr;
    PutBE32(ihdr, static_cast<uint32_t>(image.width));
    PutBE32(ihdr, static_cast<uint32_t>(image.height));
    ihdr.push_back(8);               // bit depth
    ihdr.push_back(alpha ? 6 : 2);   // RGBA or RGB
    ihdr.push_back(0);
    ihdr.push_back(0);
    ihdr.push_back(0);
    PngChunk(out, "IHDR", ihdr);
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(image.height) * (1 + image.width * (alpha ? 4 : 3)));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < image.width; ++x) {
            uint32_t c = image.At(x, y);
            raw.push_back((c >> 16) & 0xFF);
            raw.push_back((c >> 8) & 0xFF);
            raw.push_back(c & 0xFF);
            if (alpha) raw.push_back(c >> 24);
        }
    }
    PngChunk(out, "IDAT", ZlibStored(raw));
    PngChunk(out, "IEND", {});
    return out;
}

std::vector<uint8_t> EncodeIco(const std::vector<Image>& images) {
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);  // icon
    Put16(out, static_cast<uint32_t>(images.size()));
    std::vector<std::vector<uint8_t>> bodies;
    for (const Image& im : images) {
        if (im.width < 1 || im.width > 256 || im.height < 1 || im.height > 256)
            throw SourceError("icon image size out of range");
        std::vector<uint8_t> d;
        const uint32_t maskStride = ((static_cast<uint32_t>(im.width) + 31) / 32) * 4;
        Put32(d, 40);
        Put32(d, static_cast<uint32_t>(im.width));
        Put32(d, static_cast<uint32_t>(im.height) * 2);  // colour image and AND mask
        Put16(d, 1);
        Put16(d, 32);
        Put32(d, 0);
        Put32(d, static_cast<uint32_t>(im.width * im.height * 4) + maskStride * im.height);
        for (int i = 0; i < 4; ++i) Put32(d, 0);
        for (int y = im.height - 1; y >= 0; --y)
            for (int x = 0; x < im.width; ++x) Put32(d, im.At(x, y));
        for (int y = im.height - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskStride, 0);
            for (int x = 0; x < im.width; ++x)
                if ((im.At(x, y) >> 24) < 128) row[x / 8] |= 0x80 >> (x & 7);
            d.insert(d.end(), row.begin(), row.end());
        }
        bodies.push_back(std::move(d));
    }
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(images[i].width == 256 ? 0 : images[i].width);
        out.push_back(images[i].height == 256 ? 0 : images[i].height);
        out.push_back(0);  // no palette
        out.push_back(0);
        Put16(out, 1);   // planes
        Put16(out, 32);  // bits
        Put32(out, static_cast<uint32_t>(bodies[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(bodies[i].size());
    }
    for (const auto& d : bodies) out.insert(out.end(), d.begin(), d.end());
    return out;
}

void SaveFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw SourceError(path + ": cannot create");
    size_t n = std::fwrite(bytes.data(), 1, bytes.size(), f);
    if (std::fclose(f) != 0 || n != bytes.size()) {
        std::remove(path.c_str());  // never leave half a file for the build to trust
        throw SourceError(path + ": write error");
    }
}

bool DecodeBmp24(const std::vector<uint8_t>& bytes, Image& out, std::string& error) {
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') {
        error = "not a BMP file";
        return false;
    }
    const uint8_t* p = bytes.data();
    uint32_t fileSize = Get32(p + 2), offBits = Get32(p + 10), infoSize = Get32(p + 14);
    int32_t width = static_cast<int32_t>(Get32(p + 18)), height = static_cast<int32_t>(Get32(p + 22));
    uint32_t bits = Get16(p + 28), compression = Get32(p + 30);
    if (infoSize < 40 || bits != 24 || compression != 0) {
        error = "not a 24-bit uncompressed BMP";
        return false;
    }
    if (width <= 0 || width > 16384 || height == 0 || height < -16384 || height > 16384) {
        error = "bad picture size";
        return false;
    }
    bool bottomUp = height > 0;
    int h = bottomUp ? height : -height;
    uint64_t stride = (static_cast<uint64_t>(width) * 3 + 3) & ~3ull;
    if (fileSize != bytes.size() || offBits < 54 || offBits > bytes.size() || stride * h > bytes.size() - offBits) {
        error = "BMP sizes do not match the file";
        return false;
    }
    out = Image(width, h, 0);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = p + offBits + stride * (bottomUp ? h - 1 - y : y);
        for (int x = 0; x < width; ++x)
            out.At(x, y) = 0xFF000000u | (row[3 * x + 2] << 16) | (row[3 * x + 1] << 8) | row[3 * x];
    }
    return true;
}

}  // namespace tevtools
