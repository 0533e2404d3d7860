// Logical buttons of up to four players, each bound to one key and one pad
// button, with a press counter per button updated once per frame.
// Counter: 0 up, 1 went down this frame, n > 1 held n frames (stops at
// countCap), -1 released this frame.
#pragma once
#include <cstdint>

class ITevInput;

enum TevButton {
    kTevButtonUp = 0,
    kTevButtonDown = 1,
    kTevButtonLeft = 2,
    kTevButtonRight = 3,
    kTevButton1 = 4,
    kTevButton2 = 5,
};

class ButtonMapper {
public:
    static constexpr int kPlayers = 4;
    static constexpr int kButtons = 16;

    ButtonMapper() { Reset(); }
    virtual ~ButtonMapper() = default;

    // Counters 0, every binding -1 (none), cap 255.
    void Reset();
    // -1 for a player outside 0 ... 3 (nothing stored), else 0.
    int BindKey(int player, int button, int keyCode);
    int BindPad(int player, int button, int padIndex, int padButton);
    int SetCountCap(int cap);
    // False while any of the button's three bindings is negative; otherwise
    // down when the input service reports its key or its pad button above 0.
    bool IsDown(int player, int button);
    // Once per frame.
    void Update();
    // 0 outside the ranges or while any binding is negative.
    int GetCount(int player, int button) const;

    // The input service asked; null = the kit's `input` pointer.
    void SetInput(ITevInput* source) { m_input = source; }

    int32_t count[kPlayers][kButtons];
    int32_t padIndex[kPlayers][kButtons];
    int32_t padButton[kPlayers][kButtons];
    int32_t keyCode[kPlayers][kButtons];
    int32_t countCap;

private:
    bool ValidSlot(int player, int button) const;
    ITevInput* m_input = nullptr;
};
