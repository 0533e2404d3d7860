#include "launcher/profile_ini.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include "launcher/launcher_data.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

bool HasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

} // namespace

CProfileIni::Line CProfileIni::Classify(std::string text, std::string end) {
    Line line;
    line.text = std::move(text);
    line.end = std::move(end);
    const std::string t = Trim(line.text);
    if (t.empty()) {
        line.kind = Kind::Blank;
    } else if (t[0] == ';') {
        line.kind = Kind::Comment;
    } else if (t[0] == '[') {
        const size_t close = t.find(']');
        if (close == std::string::npos) {
            line.kind = Kind::Other;
        } else {
            line.kind = Kind::Section;
            line.name = Trim(t.substr(1, close - 1));
        }
    } else if (const size_t eq = t.find('='); eq != std::string::npos) {
        line.kind = Kind::Entry;
        line.name = Trim(t.substr(0, eq));
        std::string value = Trim(t.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        line.value = std::move(value);
    } else {
        line.kind = Kind::Other;
    }
    return line;
}

void CProfileIni::Parse(const std::string& text) {
    m_lines.clear();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) {
            m_lines.push_back(Classify(text.substr(pos), ""));
            break;
        }
        const bool crlf = nl > pos && text[nl - 1] == '\r';
        const size_t contentEnd = crlf ? nl - 1 : nl;
        m_lines.push_back(Classify(text.substr(pos, contentEnd - pos), crlf ? "\r\n" : "\n"));
        pos = nl + 1;
    }
}

bool CProfileIni::Load(const std::string& path) {
    m_lines.clear();
    std::string bytes;
    // One byte more than allowed tells a file that is too large.
    switch (tev_data::ReadDataFile(path, bytes, kMaxFileBytes + 1)) {
    case tev_data::ReadResult::kMissing:
        return true;   // missing = empty profile; unreadable is not
    case tev_data::ReadResult::kUnreadable:
        return false;
    case tev_data::ReadResult::kRead:
        break;
    }
    if (bytes.size() > kMaxFileBytes)
        return false;
    Parse(bytes);
    return true;
}

std::string CProfileIni::Text() const {
    std::string out;
    for (const Line& line : m_lines)
        out += line.text + line.end;
    return out;
}

bool CProfileIni::Save(const std::string& path) const { return tev_data::WriteFileAtomic(path, Text()); }

int CProfileIni::FindSection(const std::string& section) const {
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Kind::Section && SameName(m_lines[i].name, section))
            return static_cast<int>(i);
    }
    return -1;
}

std::string CProfileIni::GetString(const std::string& section, const std::string& key,
                                   const std::string& fallback) const {
    const int start = FindSection(section);
    if (start < 0)
        return fallback;
    for (size_t i = static_cast<size_t>(start) + 1; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Kind::Section)
            break;
        if (line.kind == Kind::Entry && line.name == key)
            return line.value.substr(0, kMaxValueBytes);
    }
    return fallback;
}

bool CProfileIni::IsValidSection(const std::string& section) {
    return !section.empty() && Trim(section) == section && !HasLineBreak(section) &&
           section.find(']') == std::string::npos;
}

bool CProfileIni::IsValidKey(const std::string& key) {
    return !key.empty() && Trim(key) == key && !HasLineBreak(key) && key.find('=') == std::string::npos &&
           key[0] != '[' && key[0] != ';';
}

std::string CProfileIni::NewLineEnd() const {
    for (const Line& line : m_lines) {
        if (!line.end.empty())
            return line.end;
    }
    return "\r\n";
}

bool CProfileIni::SetString(const std::string& section, const std::string& key, const std::string& value) {
    if (!IsValidSection(section) || !IsValidKey(key) || HasLineBreak(value))
        return false;
    const std::string end = NewLineEnd();
    const std::string text = key + "=" + value;
    int start = FindSection(section);
    if (start < 0) {
        if (!m_lines.empty() && m_lines.back().end.empty())
            m_lines.back().end = end;
        m_lines.push_back(Classify("[" + section + "]", end));
        m_lines.push_back(Classify(text, end));
        return true;
    }
    size_t insertAt = static_cast<size_t>(start) + 1;
    for (size_t i = static_cast<size_t>(start) + 1; i < m_lines.size(); ++i) {
        Line& line = m_lines[i];
        if (line.kind == Kind::Section)
            break;
        if (line.kind == Kind::Entry && line.name == key) {
            line = Classify(text, line.end);
            return true;
        }
        if (line.kind != Kind::Blank)
            insertAt = i + 1;   // after the section's last non-blank line
    }
    if (insertAt > 0 && m_lines[insertAt - 1].end.empty())
        m_lines[insertAt - 1].end = end;
    m_lines.insert(m_lines.begin() + static_cast<long>(insertAt), Classify(text, end));
    return true;
}
