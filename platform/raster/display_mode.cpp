#include "platform/raster/display_mode.h"

#include <SDL.h>

namespace platform::raster {

DisplayMode QueryDisplayMode() {
    DisplayMode mode;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return mode;
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(0, &m) != 0) return mode;
    mode.width = m.w;
    mode.height = m.h;
    mode.refreshRate = m.refresh_rate;
    mode.real = true;
    return mode;
}

} // namespace platform::raster
