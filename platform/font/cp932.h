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

// The JIS X 0208 code (row << 8 | cell: rows 0x21 ... 0x74, cells 0x21 ...
// 0x7E) of a character that CP932 writes as a pair in the JIS rows; 0 for
// any other character (ASCII, half-width katakana, the vendor rows,
// characters CP932 lacks).
uint16_t JisX0208Of(uint32_t codepoint);

} // namespace platform::font
