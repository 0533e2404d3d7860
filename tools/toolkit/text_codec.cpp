#include "tools/toolkit/text_codec.h"

#include <iconv.h>

#include <cerrno>

#include "tools/toolkit/source_text.h"

namespace tevtools {

std::string Utf8ToCp932(const std::string& utf8, const std::string& where) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw SourceError("iconv has no CP932 converter");
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
    int err = errno;
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) {
        size_t at = utf8.size() - inLeft;
        throw SourceError(where + ": " + (err == EILSEQ ? "character without a CP932 form or bad UTF-8" : "incomplete UTF-8") +
                          " at byte " + std::to_string(at));
    }
    out.resize(out.size() - dstLeft);
    return out;
}

std::string ConvertText(const std::string& utf8, const std::string& fileName, const TextOptions& options) {
    std::string text = utf8;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);  // byte-order mark
    std::vector<std::string> lines;
    for (const SourceLine& line : SplitLines(text)) {
        if (options.comments && !line.text.empty() && line.text[0] == '#') continue;
        if (options.skipBlank && line.text.find_first_not_of(" \t") == std::string::npos) continue;
        std::string where = fileName + ":" + std::to_string(line.number);
        std::string bytes = Utf8ToCp932(line.text, where);
        if (options.maxBytes && bytes.size() > options.maxBytes)
            throw SourceError(where + ": line is " + std::to_string(bytes.size()) + " bytes in CP932, at most " +
                              std::to_string(options.maxBytes) + " fit");
        lines.push_back(bytes);
    }
    const std::string end = options.crlf ? "\r\n" : "\n";
    std::string out;
    if (options.count) out += std::to_string(lines.size()) + end;
    for (const std::string& l : lines) out += l + end;
    return out;
}

}  // namespace tevtools
