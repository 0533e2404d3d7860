#include "app/module_factory.h"

#include <new>

#include "plugin_api/tev_module.h"

#if TEV_HAVE_DRAW
#include "draw/tev_dx_draw.h"
#endif
#if TEV_HAVE_INPUT
#include "input/tev_dx_input.h"
#endif
#if TEV_HAVE_MOVIE
#include "movie/tev_dx_movie.h"
#endif
#if TEV_HAVE_SOUND
#include "sound/tev_win_direct_sound7.h"
#endif

ITevModule* CTevModuleFactory::Create(int kind) {
    switch (kind) {
#if TEV_HAVE_DRAW
    case 0: return new (std::nothrow) CTevDxDraw();
#endif
#if TEV_HAVE_INPUT
    case 1: return new (std::nothrow) CTevDxInput();
#endif
#if TEV_HAVE_MOVIE
    case 2: return new (std::nothrow) CTevDxMovie();
#endif
#if TEV_HAVE_SOUND
    case 3: return new (std::nothrow) CTevWinDirectSound7();
#endif
    default: return nullptr;
    }
}
