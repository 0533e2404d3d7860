// Reading the readable asset sources: lines, tokens, numbers, colours, and
// errors that name the file and line so a bad edit is easy to find.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace tevtools {

// Thrown for any fault in a source file; the tools print it and exit 1.
struct SourceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct SourceLine {
    int number = 0;                 // 1-based line number in the file
    std::string text;               // without the line end
};

// Reads a whole file; throws SourceError when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Splits text into lines (LF or CRLF), keeping every line (also empty ones).
std::vector<SourceLine> SplitLines(const std::string& text);

// Splits one line into tokens: whitespace separates, "double quotes" keep a
// token together (\" and \\ escape inside); "# " outside quotes starts a comment
// ("#RRGGBB" is a colour, not a comment).
std::vector<std::string> Tokenize(const std::string& line);

// A context for error messages: "file:line: text".
struct Where {
    std::string file;
    int line = 0;
    [[noreturn]] void Fail(const std::string& message) const;
};

long ParseInt(const std::string& token, const Where& where);
double ParseReal(const std::string& token, const Where& where);

// Colours are 0xAARRGGBB. "#RRGGBB" is opaque, "#RRGGBBAA" carries alpha.
bool TryParseColour(const std::string& token, uint32_t& out);

// key=value options after the positional arguments of a command.
struct Options {
    std::map<std::string, std::string> values;
    std::vector<std::string> positional;
    static Options Parse(const std::vector<std::string>& tokens, size_t first);
    bool Has(const std::string& key) const { return values.count(key) != 0; }
    std::string Get(const std::string& key, const std::string& fallback) const;
    double Real(const std::string& key, double fallback, const Where& where) const;
    long Int(const std::string& key, long fallback, const Where& where) const;
    // Every key must be one of `known`; a misspelt option is an error, not ignored.
    void CheckKnown(const std::vector<std::string>& known, const Where& where) const;
};

}  // namespace tevtools
