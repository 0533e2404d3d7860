// The game pads of the input service: up to eight, each as sixteen digital
// buttons (0 up, 1 down, 2 left, 3 right from the main stick or the D-pad;
// 4..15 device buttons 0..11). Pads may come and go while the game runs; a
// pad keeps its number while connected and reads all buttons up when gone.
#pragma once
#include <cstdint>

#include "plugin_api/tev_base.h"

class ITevApp;
namespace platform { class IInputDevice; }

class CTevDxPad : public CTevBase {
public:
    static constexpr int kPads = 8;
    static constexpr int kButtons = 16;
    static constexpr int kStickThreshold = 300;   // of 1000: 30 % deflection

    explicit CTevDxPad(platform::IInputDevice& device);
    ~CTevDxPad() override;

    int Initialize(ITevApp* app);   // 0 or -1
    void Poll();

    int GetPadButton(int pad, int button) const;
    int GetPadButtonState(int pad, int button) const;
    int GetPadCount() const { return m_padCount; }

private:
    platform::IInputDevice& m_device;
    bool m_opened = false;
    int m_padCount = 0;
    bool m_connected[kPads] = {};
    int32_t m_seenDown[kPads][kButtons] = {};
    int32_t m_counters[kPads][kButtons] = {};
};
