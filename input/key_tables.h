// Names and characters of the DirectInput key codes.
#pragma once

namespace tev_input {

constexpr int kKeyCodes = 238;      // codes 0..237 are read; 238..255 never
constexpr int kKeyNameBytes = 13;   // longest name with its terminator

// The key's name (the DirectInput constant without DIK_), or nullptr.
const char* KeyName(int code);
// The code of a name from the table (exact, case-sensitive), or -1.
int KeyCodeFromName(const char* name);
// The character the key types on a US layout without shift, or 0.
char KeyChar(int code);

} // namespace tev_input
