#include "games/kit/button_mapper.h"
#include "games/kit/tev_kit.h"
#include "plugin_api/tev_input.h"

void ButtonMapper::Reset() {
    for (int p = 0; p < kPlayers; ++p) {
        for (int b = 0; b < kButtons; ++b) {
            count[p][b] = 0;
            padIndex[p][b] = -1;
            padButton[p][b] = -1;
            keyCode[p][b] = -1;
        }
    }
    countCap = 255;
}

bool ButtonMapper::ValidSlot(int player, int button) const {
    return player >= 0 && player < kPlayers && button >= 0 && button < kButtons;
}

// The button is checked as well as the player: an unchecked one would
// write outside the tables.
int ButtonMapper::BindKey(int player, int button, int code) {
    if (!ValidSlot(player, button))
        return -1;
    keyCode[player][button] = code;
    return 0;
}

int ButtonMapper::BindPad(int player, int button, int pad, int padButtonNumber) {
    if (!ValidSlot(player, button))
        return -1;
    padIndex[player][button] = pad;
    padButton[player][button] = padButtonNumber;
    return 0;
}

int ButtonMapper::SetCountCap(int cap) {
    countCap = cap;
    return 0;
}

bool ButtonMapper::IsDown(int player, int button) {
    if (!ValidSlot(player, button))
        return false;
    const int key = keyCode[player][button];
    const int pad = padIndex[player][button];
    const int padBtn = padButton[player][button];
    if (key < 0 || pad < 0 || padBtn < 0)
        return false;
    ITevInput* source = m_input != nullptr ? m_input : input;
    if (source == nullptr)
        return false;
    // Both are always asked, as the input service may count the queries.
    const int keyState = source->GetKey(key);
    const int padState = source->GetPadButton(pad, padBtn);
    return keyState > 0 || padState > 0;
}

void ButtonMapper::Update() {
    for (int p = 0; p < kPlayers; ++p) {
        for (int b = 0; b < kButtons; ++b) {
            int32_t& c = count[p][b];
            if (IsDown(p, b)) {
                if (c == -1)
                    c = 0;
                if (c != countCap)
                    c += 1;
            } else if (c > 0) {
                c = -1;
            } else if (c == -1) {
                c = 0;
            }
        }
    }
}

int ButtonMapper::GetCount(int player, int button) const {
    if (!ValidSlot(player, button))
        return 0;
    if (keyCode[player][button] < 0 || padIndex[player][button] < 0 || padButton[player][button] < 0)
        return 0;
    return count[player][button];
}
