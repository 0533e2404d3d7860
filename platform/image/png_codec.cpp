// PNG through libpng's simplified interface: it reports errors in the image
// record instead of jumping, and converts every colour type and depth.
#include <png.h>

#include <cstring>

#include "platform/image/image_codec.h"

namespace platform::image {

namespace {

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

} // namespace

bool DecodePng(const unsigned char* data, size_t size, Image& out, std::string* error) {
    out = Image{};
    if (!data || size < 8) return Fail(error, "file too short for a PNG");
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size))
        return Fail(error, std::string("PNG: ") + image.message);
    if (image.width == 0 || image.height == 0 || image.width > uint32_t(kMaxSide) ||
        image.height > uint32_t(kMaxSide) || int64_t(image.width) * image.height > kMaxPixels) {
        png_image_free(&image);
        return Fail(error, "unsupported PNG size");
    }
    // BGRA bytes are 0xAARRGGBB words on a little-endian machine.
    image.format = PNG_FORMAT_BGRA;
    // A 16-bit file without gamma information is sRGB like any other
    // picture (libpng would take it as linear light and brighten it): its
    // samples are scaled to 8 bits, not gamma-converted. (Reading the
    // header resets the flags, so this goes after it.)
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), static_cast<png_int_32>(image.width * 4), nullptr)) {
        std::string message = image.message;
        png_image_free(&image);
        return Fail(error, "PNG: " + message);
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.pixels = std::move(pixels);
    return true;
}

bool WritePng(const char* path, const uint32_t* pixels, int width, int height, int pitch, bool withAlpha,
              std::string* error) {
    if (!path || !pixels || width <= 0 || height <= 0 || pitch < width) return Fail(error, "empty picture");
    const int channels = withAlpha ? 4 : 3;
    std::vector<unsigned char> bytes(static_cast<size_t>(width) * height * channels);
    unsigned char* p = bytes.data();
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<size_t>(y) * pitch;
        for (int x = 0; x < width; ++x) {
            uint32_t c = row[x];
            *p++ = (c >> 16) & 0xFF;
            *p++ = (c >> 8) & 0xFF;
            *p++ = c & 0xFF;
            if (withAlpha) *p++ = (c >> 24) & 0xFF;
        }
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path, 0, bytes.data(), width * channels, nullptr)) {
        std::string message = image.message;
        png_image_free(&image);
        return Fail(error, "PNG: " + message);
    }
    return true;
}

} // namespace platform::image
