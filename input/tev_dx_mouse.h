// The mouse of the input service: eight button counters and the wheel
// direction, updated once per frame; the cursor in logical screen
// coordinates.
#pragma once
#include <cstdint>

#include "plugin_api/tev_base.h"

class ITevApp;
namespace platform { class IInputDevice; }

class CTevDxMouse : public CTevBase {
public:
    static constexpr int kButtons = 8;

    explicit CTevDxMouse(platform::IInputDevice& device);
    ~CTevDxMouse() override;

    int Init(ITevApp* app);   // 0 or -1
    void Poll();

    int GetMouse(int* x, int* y, int* wheel) const;
    int GetMouseX() const;
    int GetMouseY() const;
    int GetMouseButton(int button) const;
    int GetMouseButtonState(int button) const;
    int SetMousePos(int x, int y);
    int ShowMouseCursor(bool show);
    // The cursor display counter: shown while it is 0 or more.
    int CursorDisplayCount() const { return m_displayCount; }

private:
    platform::IInputDevice& m_device;
    bool m_setupBegun = false;
    bool m_opened = false;
    int m_wheelPosition = 0;
    int m_wheelDirection = 0;
    int32_t m_counters[kButtons] = {};
    int m_displayCount = 0;
};
