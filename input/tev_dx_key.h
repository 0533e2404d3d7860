// The keyboard device of the input service: one press counter per key code
// 0..237, read from the platform input device once per frame.
#pragma once
#include <cstdint>

#include "input/key_tables.h"
#include "plugin_api/tev_base.h"

class ITevApp;
namespace platform { class IInputDevice; }

class CTevDxKey : public CTevBase {
public:
    explicit CTevDxKey(platform::IInputDevice& device);
    ~CTevDxKey() override;

    int Initialize(ITevApp* app);   // 0 or -1
    void Poll();

    int GetKey(int code) const;
    int GetKeyState(int code) const;
    char KeyToChar(int code) const;
    int GetKeyName(char* out, int code) const;
    int GetFirstKeyDown() const;

private:
    platform::IInputDevice& m_device;
    bool m_initialized = false;
    int32_t m_seenDown[tev_input::kKeyCodes] = {};
    int32_t m_counters[tev_input::kKeyCodes] = {};
};
