#include "input/tev_dx_input.h"

#include <cstdio>
#include <vector>

#include "platform/input/input_device.h"
#include "platform/run_options.h"

namespace {
// Enough to see what is wrong with a script without flooding the log.
constexpr size_t kMaxScriptMessages = 20;
} // namespace

CTevDxInput::CTevDxInput() : CTevDxInput(platform::InputDevice()) {}

CTevDxInput::CTevDxInput(platform::IInputDevice& device)
    : m_device(device), m_pad(device), m_key(device), m_mouse(device) {}

CTevDxInput::~CTevDxInput() {
    m_recorder.Close();
    Log(0, "CTevDxInput::~CTevDxInput|: Done");
}

bool CTevDxInput::Initialize(ITevApp* app) {
    // Each device may fail alone; the others still work.
    m_pad.Initialize(app);
    m_mouse.Init(app);
    m_key.Initialize(app);
    const platform::RunOptions& options = platform::Options();
    if (!options.inputScript.empty()) StartScript(options.inputScript);
    if (!options.recordInput.empty()) StartRecording(options.recordInput);
    return true;
}

bool CTevDxInput::Finalize() {
    m_recorder.Close();
    Log(0, "CTevDxInput::Finalize|: Done");
    return true;
}

bool CTevDxInput::StartScript(const std::string& path) {
    auto script = std::make_unique<tev_input::InputScript>();
    std::vector<std::string> errors;
    const bool loaded = script->LoadFile(path, &errors);
    for (size_t i = 0; i < errors.size() && i < kMaxScriptMessages; ++i)
        Log(1, "CTevDxInput::StartScript|: %s: %s", path.c_str(), errors[i].c_str());
    if (errors.size() > kMaxScriptMessages)
        Log(1, "CTevDxInput::StartScript|: %s: %zu more lines ignored", path.c_str(), errors.size() - kMaxScriptMessages);
    if (!errors.empty())
        std::fprintf(stderr, "launcher: input script %s: %s%s\n", path.c_str(), errors[0].c_str(),
                     errors.size() > 1 ? " (more in report.html)" : "");
    if (!loaded) return false;
    Log(0, "CTevDxInput::StartScript|: %s: %zu events", path.c_str(), script->Events().size());
    m_script = std::move(script);
    return true;
}

bool CTevDxInput::StartRecording(const std::string& path) {
    if (!m_recorder.Open(path)) {
        Log(1, "CTevDxInput::StartRecording|: cannot write %s", path.c_str());
        std::fprintf(stderr, "launcher: cannot write input record %s\n", path.c_str());
        return false;
    }
    Log(0, "CTevDxInput::StartRecording|: %s", path.c_str());
    return true;
}

bool CTevDxInput::BeginFrame() {
    ++m_polls;
    // Scripted events enter the device's queue like real ones, just before
    // the poll that starts their frame.
    if (m_script) m_script->InjectUpTo(m_polls, m_device);
    m_device.Update();
    m_pad.Poll();
    m_mouse.Poll();
    m_key.Poll();
    if (m_recorder.IsOpen()) RecordPoll();
    return true;
}

void CTevDxInput::RecordPoll() {
    bool keys[tev_input::InputRecorder::kKeys];
    bool pads[tev_input::InputRecorder::kPads * tev_input::InputRecorder::kPadButtons];
    for (int code = 0; code < tev_input::InputRecorder::kKeys; ++code) keys[code] = m_key.GetKey(code) > 0;
    for (int p = 0; p < tev_input::InputRecorder::kPads; ++p)
        for (int b = 0; b < tev_input::InputRecorder::kPadButtons; ++b)
            pads[p * tev_input::InputRecorder::kPadButtons + b] = m_pad.GetPadButton(p, b) > 0;
    m_recorder.Record(m_polls, keys, pads);
}
