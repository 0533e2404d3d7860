#include "platform/text_codec.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace platform {

namespace {

std::string Convert(const char* to, const char* from, const char* text, size_t length, const char* replacement) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text, length);
    char* in = const_cast<char*>(text);
    size_t inLeft = length;
    char buffer[256];
    while (inLeft > 0) {
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (cut multibyte at the end): skip one byte.
            out += replacement;
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

std::string Cp932ToUtf8(const char* text) {
    if (!text) return {};
    return Convert("UTF-8", "CP932", text, std::strlen(text), "\xEF\xBF\xBD");
}

std::string Utf8ToCp932(const std::string& text) {
    return Convert("CP932", "UTF-8", text.data(), text.size(), "?");
}

} // namespace platform
