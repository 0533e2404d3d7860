// The input service as plug-ins see it (second entry of the service block).
// Slot order is binary interface: plug-ins call these by position, after the
// eight module slots of ITevModule.
//
// Press counter, per key, pad button and mouse button, updated once per frame:
//   0 up, 1 went down at the latest poll, 2..255 polls held (stops at 255),
//   -1 came up at the latest poll (for that one poll only).
// The ...State queries turn a counter into 0 up, 1 just pressed, 2 held,
// 4 just released.
#pragma once
#include "plugin_api/tev_module.h"

class ITevInput : public ITevModule {
public:
    // pad 0..7; button 0 up, 1 down, 2 left, 3 right, 4..15 device buttons
    // 0..11. Out of range: 0.
    virtual int GetPadButton(int pad, int button) = 0;
    virtual int GetPadButtonState(int pad, int button) = 0;
    // Pads in use: every connected pad has a number below this.
    virtual int GetPadCount() = 0;

    // Key codes are DirectInput scan codes (DIK values) 0..237; others read 0.
    virtual int GetKey(int code) = 0;
    virtual int GetKeyState(int code) = 0;
    // The character the key types on a US layout without shift (letters upper
    // case), or 0.
    virtual char KeyToChar(int code) = 0;
    // Writes the key's name (at most 13 bytes with the terminator) and returns
    // 0; for a code without a name writes "" and returns -1.
    virtual int GetKeyName(char* out, int code) = 0;
    // The lowest code whose counter is above 0; 0 when none.
    virtual int GetFirstKeyDown() = 0;

    // Cursor in logical screen coordinates and the wheel direction of the
    // latest poll (-1, 0, +1); every pointer may be null. Returns 0.
    virtual int GetMouse(int* x, int* y, int* wheel) = 0;
    virtual int GetMouseX() = 0;
    virtual int GetMouseY() = 0;
    // button 0..7 (0 left, 1 right, 2 middle, ...); out of range: 0.
    virtual int GetMouseButton(int button) = 0;
    virtual int GetMouseButtonState(int button) = 0;
    // Moves the cursor to a logical screen point. Returns 0.
    virtual int SetMousePos(int x, int y) = 0;
    // Calls accumulate as a display counter: two hides need two shows.
    virtual int ShowMouseCursor(bool show) = 0;
};
