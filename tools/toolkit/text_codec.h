// UTF-8 text sources to the CP932 (Shift-JIS) bytes the game host reads.
#pragma once

#include <string>
#include <vector>

namespace tevtools {

// Converts with iconv; throws SourceError naming the line for text that is not
// UTF-8 or has no CP932 form.
std::string Utf8ToCp932(const std::string& utf8, const std::string& where);

struct TextOptions {
    bool count = false;      // first output line: the number of lines that follow
    bool comments = false;   // source lines starting with "#" are left out
    bool skipBlank = false;  // blank source lines are left out
    size_t maxBytes = 0;     // longest allowed line in CP932 bytes (0: any)
    bool crlf = false;       // CR LF line ends instead of LF
};

// Whole conversion of a source file's text; every output line ends with a line end.
std::string ConvertText(const std::string& utf8, const std::string& fileName, const TextOptions& options);

}  // namespace tevtools
