#include "input/input_script.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "input/key_tables.h"
#include "platform/input/input_device.h"

namespace tev_input {

namespace {

// A script is a few thousand lines; anything far bigger is not one.
constexpr long kMaxScriptBytes = 64L * 1024 * 1024;
constexpr long kMaxFrame = 1000000000L;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// A token as it may be shown in a message: printable, short.
std::string Shown(std::string_view token) {
    std::string out;
    for (char c : token.substr(0, 32)) out += (c >= 0x20 && c < 0x7F) ? c : '?';
    if (token.size() > 32) out += "...";
    return out;
}

bool ParseNumber(std::string_view s, long max, long* value) {
    if (s.empty() || s.size() > 12) return false;
    long v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > max) return false;
    *value = v;
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// "PAD<p>.<b>" -> pad and button.
bool ParsePadName(std::string_view name, int* pad, int* button) {
    if (name.size() < 6 || !EqualsNoCase(name.substr(0, 3), "PAD")) return false;
    const size_t dot = name.find('.', 3);
    if (dot == std::string_view::npos) return false;
    long p = 0, b = 0;
    if (!ParseNumber(name.substr(3, dot - 3), 7, &p) || !ParseNumber(name.substr(dot + 1), 15, &b)) return false;
    *pad = static_cast<int>(p);
    *button = static_cast<int>(b);
    return true;
}

int KeyFromName(std::string_view name) {
    if (name.size() >= kKeyNameBytes) return -1;
    char upper[kKeyNameBytes] = {};
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return KeyCodeFromName(upper);
}

} // namespace

std::string PadButtonName(int pad, int button) {
    return "PAD" + std::to_string(pad) + "." + std::to_string(button);
}

size_t InputScript::Parse(std::string_view text, std::vector<std::string>* errors) {
    auto fail = [&](long line, const std::string& why) {
        if (errors) errors->push_back("line " + std::to_string(line) + ": " + why);
    };
    std::vector<ScriptEvent> parsed;
    long lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);

        std::string_view tokens[4];
        int count = 0;
        size_t i = 0;
        while (i < line.size() && count < 4) {
            while (i < line.size() && IsSpace(line[i])) ++i;
            if (i >= line.size()) break;
            size_t start = i;
            while (i < line.size() && !IsSpace(line[i])) ++i;
            tokens[count++] = line.substr(start, i - start);
        }
        if (count == 0) continue;
        if (count != 3) {
            fail(lineNo, "expected \"FRAME NAME down|up\"");
            continue;
        }
        ScriptEvent ev;
        if (!ParseNumber(tokens[0], kMaxFrame, &ev.frame) || ev.frame < 1) {
            fail(lineNo, "bad frame \"" + Shown(tokens[0]) + "\" (1 or more)");
            continue;
        }
        if (ParsePadName(tokens[1], &ev.pad, &ev.code)) {
            ev.isPad = true;
        } else if (int code = KeyFromName(tokens[1]); code > 0) {
            ev.code = code;
        } else {
            fail(lineNo, "unknown key or pad button \"" + Shown(tokens[1]) + "\"");
            continue;
        }
        if (EqualsNoCase(tokens[2], "down")) ev.down = true;
        else if (EqualsNoCase(tokens[2], "up")) ev.down = false;
        else {
            fail(lineNo, "expected down or up, not \"" + Shown(tokens[2]) + "\"");
            continue;
        }
        parsed.push_back(ev);
    }
    std::stable_sort(parsed.begin(), parsed.end(),
                     [](const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; });
    m_events = std::move(parsed);
    m_next = 0;
    return m_events.size();
}

bool InputScript::LoadFile(const std::string& path, std::vector<std::string>* errors) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (errors) errors->push_back("cannot open \"" + path + "\": " + std::strerror(errno));
        return false;
    }
    std::string text;
    char buffer[65536];
    size_t got;
    bool tooBig = false;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        text.append(buffer, got);
        if (static_cast<long>(text.size()) > kMaxScriptBytes) {
            tooBig = true;
            break;
        }
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (tooBig || readError) {
        if (errors) errors->push_back("cannot read \"" + path + "\"" + (tooBig ? ": too big for an input script" : ""));
        return false;
    }
    Parse(text, errors);
    return true;
}

void InputScript::InjectUpTo(long frame, platform::IInputDevice& device) {
    using platform::InputEvent;
    static constexpr int kDirBits[4] = {platform::kPadDirUp, platform::kPadDirDown, platform::kPadDirLeft,
                                        platform::kPadDirRight};
    while (m_next < m_events.size() && m_events[m_next].frame <= frame) {
        const ScriptEvent& e = m_events[m_next++];
        if (!e.isPad) device.Inject(InputEvent::KeyEvent(e.code, e.down));
        else if (e.code < 4) device.Inject(InputEvent::PadDirectionEvent(e.pad, kDirBits[e.code], e.down));
        else device.Inject(InputEvent::PadButtonEvent(e.pad, e.code - 4, e.down));
    }
}

bool InputRecorder::Open(const std::string& path) {
    Close();
    m_file = std::fopen(path.c_str(), "w");
    if (!m_file) return false;
    std::memset(m_keys, 0, sizeof m_keys);
    std::memset(m_pads, 0, sizeof m_pads);
    std::fputs("# recorded input: FRAME NAME down|up\n", m_file);
    std::fflush(m_file);
    return true;
}

void InputRecorder::Record(long frame, const bool* keys, const bool* pads) {
    if (!m_file) return;
    bool wrote = false;
    for (int code = 0; code < kKeys; ++code) {
        if (keys[code] == m_keys[code]) continue;
        // Only named keys can be replayed; the others have no place in a script.
        if (const char* name = KeyName(code)) {
            std::fprintf(m_file, "%ld %s %s\n", frame, name, keys[code] ? "down" : "up");
            wrote = true;
        }
        m_keys[code] = keys[code];
    }
    for (int i = 0; i < kPads * kPadButtons; ++i) {
        if (pads[i] == m_pads[i]) continue;
        std::fprintf(m_file, "%ld %s %s\n", frame, PadButtonName(i / kPadButtons, i % kPadButtons).c_str(),
                     pads[i] ? "down" : "up");
        m_pads[i] = pads[i];
        wrote = true;
    }
    // Flushed as it goes, so a run that crashes still leaves its record.
    if (wrote) std::fflush(m_file);
}

void InputRecorder::Close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
}

} // namespace tev_input
