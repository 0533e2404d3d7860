// Built WITHOUT the kit's rules, on purpose: a static of an inline function
// with default visibility becomes a unique symbol, and glibc then never
// unmaps the library. Proves that the unload checks can see the difference.
#include "plugin_api/tev_plugin.h"

inline int& Frames() {
    static int frames = 0;
    return frames;
}

extern "C" {
__attribute__((visibility("default"))) int SystemInit(ITevModule**, ITevApp*) { return 0; }
__attribute__((visibility("default"))) int UserInit(const unsigned char*) { return 0; }
__attribute__((visibility("default"))) int MainLoop(void) { return ++Frames(); }
__attribute__((visibility("default"))) int CleanUp(void) { return 0; }
}
