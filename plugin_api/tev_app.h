// The application object as plug-ins see it (second argument of SystemInit).
// Slot order is fixed: plug-ins call SetWindowTitle, SetFrameRate,
// GetFrameRate and GetWindowHandle by position.
#pragma once
#include <cstdint>
#include "plugin_api/tev_base.h"

// Anything handed to AddListener carries its list kind (0 ... 2) first.
// Nothing dispatches to the lists; they are only kept.
struct TevListener {
    int32_t kind;
};

class ITevApp : public CTevBase {
public:
    ~ITevApp() override;
    // printf-style into 256 bytes, shown in a modal box "TevLib : message".
    virtual void ShowMessage(const char* format, ...) = 0;
    // Text is Shift-JIS (CP932).
    virtual void SetWindowTitle(const char* text) = 0;
    // The frame step: present, pace to the frame rate, poll.
    virtual int WaitNextFrame() = 0;
    // fps <= 0: each frame waits only for one clock tick. Always true.
    virtual bool SetFrameRate(double fps) = 0;
    // Measured over the last frame; 0.0 before the first one.
    virtual double GetFrameRate() = 0;
    virtual bool AddListener(TevListener* listener) = 0;
    virtual bool RemoveListener(TevListener* listener) = 0;
    // An opaque handle of the main window (never null once the window exists).
    virtual void* GetWindowHandle() = 0;
};
