// A small reader/writer of profile-string files (what "play.dat" is):
// "[section]" headers, "key=value" lines. Section names match without regard
// to ASCII case, keys exactly. Comments (";..."), blank lines, lines of no
// known form and the line ends of the file are kept as they were; a new line
// takes the line end the file already uses ("\r\n" for a new file).
#pragma once
#include <string>
#include <vector>

class CProfileIni {
public:
    // Largest file read; a bigger one is refused rather than cut and
    // rewritten shorter.
    static constexpr size_t kMaxFileBytes = 1 << 20;
    // Values are read up to this many bytes.
    static constexpr size_t kMaxValueBytes = 255;

    // False when the file exists but cannot be read whole; a missing file
    // is an empty profile (true).
    bool Load(const std::string& path);
    void Parse(const std::string& text);
    // Temporary file, then rename: the old file survives a failed save.
    bool Save(const std::string& path) const;
    std::string Text() const;

    // The value, surrounding blanks and one pair of quotes removed, or
    // fallback when the section or key is missing.
    std::string GetString(const std::string& section, const std::string& key, const std::string& fallback) const;
    // False when the section or key cannot be written as one line (line
    // ends, "=" or "]" where they would change the meaning).
    bool SetString(const std::string& section, const std::string& key, const std::string& value);

    static bool IsValidSection(const std::string& section);
    static bool IsValidKey(const std::string& key);

private:
    enum class Kind { Blank, Comment, Section, Entry, Other };
    struct Line {
        std::string text;   // without its line end
        std::string end;    // "\r\n", "\n" or "" (last line)
        Kind kind = Kind::Other;
        std::string name;   // section name or key
        std::string value;  // entry value
    };
    static Line Classify(std::string text, std::string end);
    std::string NewLineEnd() const;
    // Index of the section header line, or -1.
    int FindSection(const std::string& section) const;

    std::vector<Line> m_lines;
};
