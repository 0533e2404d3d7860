// SDL scancodes (USB usage positions) to DirectInput key codes. Both name the
// physical key, so a game's Z/X stay where they are on any layout.
#pragma once

namespace platform::sdl {

// The DIK code (1..237) of an SDL scancode, or 0 when the key has none.
int DikFromScancode(int scancode);

} // namespace platform::sdl
