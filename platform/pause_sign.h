// The small "PAUSED" sign the window shows over the last picture while it is
// inactive. Only the window's own copy of the picture gets it: the frames
// the game drew (and --dump writes) never do.
#pragma once
#include <cstdint>

namespace platform {

// Draws the sign centred on a 0xAARRGGBB picture, in its own pixels (so it
// scales with the picture). Pictures too small for it are left alone.
void StampPauseSign(uint32_t* pixels, int width, int height, int pitchPixels);

} // namespace platform
