#include "tools/toolkit/source_text.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tevtools {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SourceError(path + ": cannot open");
    std::ostringstream out;
    out << in.rdbuf();
    if (in.bad()) throw SourceError(path + ": read error");
    return out.str();
}

std::vector<SourceLine> SplitLines(const std::string& text) {
    std::vector<SourceLine> lines;
    size_t start = 0;
    int number = 1;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        bool last = end == std::string::npos;
        if (last) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A final line end does not start another (empty) line.
        if (!(last && start == text.size() && start != 0)) lines.push_back({number, line});
        if (last) break;
        start = end + 1;
        ++number;
    }
    return lines;
}

std::vector<std::string> Tokenize(const std::string& line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        // "# text" is a comment; "#RRGGBB" is a colour.
        if (c == '#' && (i + 1 >= line.size() || line[i + 1] == ' ' || line[i + 1] == '\t' || line[i + 1] == '#')) break;
        std::string token;
        bool quoted = false;
        while (i < line.size()) {
            c = line[i];
            if (c == '"') {
                quoted = !quoted;
                ++i;
                continue;
            }
            if (quoted && c == '\\' && i + 1 < line.size()) {
                token += line[i + 1];
                i += 2;
                continue;
            }
            if (!quoted && (c == ' ' || c == '\t')) break;
            token += c;
            ++i;
        }
        tokens.push_back(token);
    }
    return tokens;
}

void Where::Fail(const std::string& message) const {
    throw SourceError(file + ":" + std::to_string(line) + ": " + message);
}

long ParseInt(const std::string& token, const Where& where) {
    if (token.empty()) where.Fail("expected an integer");
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(token.c_str(), &end, 0);
    if (errno != 0 || *end != '\0') where.Fail("not an integer: '" + token + "'");
    return value;
}

double ParseReal(const std::string& token, const Where& where) {
    if (token.empty()) where.Fail("expected a number");
    char* end = nullptr;
    errno = 0;
    double value = std::strtod(token.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(value)) where.Fail("not a number: '" + token + "'");
    return value;
}

bool TryParseColour(const std::string& token, uint32_t& out) {
    if (token.size() != 7 && token.size() != 9) return false;
    if (token[0] != '#') return false;
    for (size_t i = 1; i < token.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(token[i]))) return false;
    uint32_t v = static_cast<uint32_t>(std::strtoul(token.c_str() + 1, nullptr, 16));
    out = token.size() == 7 ? (0xFF000000u | v) : ((v >> 8) | (v << 24));
    return true;
}

Options Options::Parse(const std::vector<std::string>& tokens, size_t first) {
    Options o;
    for (size_t i = first; i < tokens.size(); ++i) {
        size_t eq = tokens[i].find('=');
        if (eq != std::string::npos && eq > 0)
            o.values[tokens[i].substr(0, eq)] = tokens[i].substr(eq + 1);
        else
            o.positional.push_back(tokens[i]);
    }
    return o;
}

std::string Options::Get(const std::string& key, const std::string& fallback) const {
    auto it = values.find(key);
    return it == values.end() ? fallback : it->second;
}

double Options::Real(const std::string& key, double fallback, const Where& where) const {
    auto it = values.find(key);
    return it == values.end() ? fallback : ParseReal(it->second, where);
}

long Options::Int(const std::string& key, long fallback, const Where& where) const {
    auto it = values.find(key);
    return it == values.end() ? fallback : ParseInt(it->second, where);
}

void Options::CheckKnown(const std::vector<std::string>& known, const Where& where) const {
    for (const auto& [key, value] : values) {
        bool ok = false;
        for (const auto& k : known) ok = ok || k == key;
        if (!ok) where.Fail("unknown option '" + key + "'");
    }
}

}  // namespace tevtools
