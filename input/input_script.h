// Scripted input and its recording. One event a line:
//     FRAME NAME down|up
// FRAME counts main-loop frames from 1; the event is applied before the poll
// that starts that frame. NAME is a key name ("Z", "RETURN", "UP", ...) or a
// pad button "PAD<p>.<b>" (p 0..7, b 0..15: 0 up, 1 down, 2 left, 3 right,
// 4..15 device buttons 0..11). "#" starts a comment.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace platform { class IInputDevice; }

namespace tev_input {

struct ScriptEvent {
    long frame = 0;
    bool isPad = false;
    int code = 0;     // key code, or pad button 0..15
    int pad = 0;      // pad 0..7
    bool down = false;
};

class InputScript {
public:
    // Parses a script; every line that is not an event or blank/comment gives
    // one message ("line N: ...") and is skipped. Returns the event count.
    size_t Parse(std::string_view text, std::vector<std::string>* errors);
    // Reads and parses a file; false (with a message) when it cannot be read.
    bool LoadFile(const std::string& path, std::vector<std::string>* errors);

    // Sends every event of frames up to `frame` not sent yet.
    void InjectUpTo(long frame, platform::IInputDevice& device);

    const std::vector<ScriptEvent>& Events() const { return m_events; }
    bool Done() const { return m_next >= m_events.size(); }

private:
    std::vector<ScriptEvent> m_events;   // by frame, file order within a frame
    size_t m_next = 0;
};

// Writes the script format: after every poll, each key and pad button whose
// down-ness changed.
class InputRecorder {
public:
    static constexpr int kKeys = 238;
    static constexpr int kPads = 8;
    static constexpr int kPadButtons = 16;

    ~InputRecorder() { Close(); }
    bool Open(const std::string& path);
    bool IsOpen() const { return m_file != nullptr; }
    // keys[code] and pads[p * 16 + b]: down at this frame's poll.
    void Record(long frame, const bool* keys, const bool* pads);
    void Close();

private:
    FILE* m_file = nullptr;
    bool m_keys[kKeys] = {};
    bool m_pads[kPads * kPadButtons] = {};
};

// A pad button's script name, "PAD<p>.<b>".
std::string PadButtonName(int pad, int button);

} // namespace tev_input
