// The host's input module: keyboard, game pads and mouse, polled once per
// frame in BeginFrame, answered with per-control press counters. Also plays
// back --input scripts and writes --record files.
#pragma once
#include <memory>
#include <string>

#include "input/input_script.h"
#include "input/tev_dx_key.h"
#include "input/tev_dx_mouse.h"
#include "input/tev_dx_pad.h"
#include "plugin_api/tev_input.h"

namespace platform { class IInputDevice; }

class CTevDxInput : public ITevInput {
public:
    // On the platform's input device.
    CTevDxInput();
    // On a device of the caller's (which must outlive the module).
    explicit CTevDxInput(platform::IInputDevice& device);
    ~CTevDxInput() override;

    bool Initialize(ITevApp* app) override;
    bool Finalize() override;
    bool InitializeAfterUser() override { return true; }
    bool BeginFrame() override;
    bool EndFrame() override { return true; }
    bool Idle() override { return false; }

    int GetPadButton(int pad, int button) override { return m_pad.GetPadButton(pad, button); }
    int GetPadButtonState(int pad, int button) override { return m_pad.GetPadButtonState(pad, button); }
    int GetPadCount() override { return m_pad.GetPadCount(); }
    int GetKey(int code) override { return m_key.GetKey(code); }
    int GetKeyState(int code) override { return m_key.GetKeyState(code); }
    char KeyToChar(int code) override { return m_key.KeyToChar(code); }
    int GetKeyName(char* out, int code) override { return m_key.GetKeyName(out, code); }
    int GetFirstKeyDown() override { return m_key.GetFirstKeyDown(); }
    int GetMouse(int* x, int* y, int* wheel) override { return m_mouse.GetMouse(x, y, wheel); }
    int GetMouseX() override { return m_mouse.GetMouseX(); }
    int GetMouseY() override { return m_mouse.GetMouseY(); }
    int GetMouseButton(int button) override { return m_mouse.GetMouseButton(button); }
    int GetMouseButtonState(int button) override { return m_mouse.GetMouseButtonState(button); }
    int SetMousePos(int x, int y) override { return m_mouse.SetMousePos(x, y); }
    int ShowMouseCursor(bool show) override { return m_mouse.ShowMouseCursor(show); }

    // Replays a script from the next poll on (Initialize starts --input).
    bool StartScript(const std::string& path);
    // Records every following poll (Initialize starts --record).
    bool StartRecording(const std::string& path);
    // Polls so far; the poll that starts frame N is poll N.
    long PollCount() const { return m_polls; }
    int CursorDisplayCount() const { return m_mouse.CursorDisplayCount(); }

private:
    void RecordPoll();

    platform::IInputDevice& m_device;
    // Constructed in this order, destroyed in the reverse.
    CTevDxPad m_pad;
    CTevDxKey m_key;
    CTevDxMouse m_mouse;
    long m_polls = 0;
    std::unique_ptr<tev_input::InputScript> m_script;
    tev_input::InputRecorder m_recorder;
};
