// The desktop's display mode, as the device reports it at creation.
#pragma once

namespace platform::raster {

struct DisplayMode {
    int width = 0;
    int height = 0;
    int refreshRate = 0;
    int format = 22;   // D3DFMT_X8R8G8B8: what 32-bit desktops report
    bool real = false; // false: no display (headless); the fields are nominal
};

// Asks the video subsystem when the window backend has started it.
DisplayMode QueryDisplayMode();

} // namespace platform::raster
