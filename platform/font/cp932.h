// Shift-JIS (Microsoft code page 932) to Unicode, for text and face names
// that cross the plug-in boundary.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::font {

// Decodes the character that starts at p. Returns the number of bytes it
// takes (0 only at the terminating NUL). cp is 0 for a byte or pair that is
// no character (the caller skips it). Never reads past a NUL: a lead byte
// followed by the terminator is one invalid byte.
size_t DecodeCp932Char(const unsigned char* p, uint32_t& cp);

// The whole NUL-terminated string, invalid bytes skipped.
std::u32string DecodeCp932(const char* text);

// For handing names to UTF-8 libraries (fontconfig).
std::string Cp932ToUtf8(const char* text);

} // namespace platform::font
