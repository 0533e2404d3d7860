// MainLoop ends the game with -1. GetInfo hands back a record of its own
// (1028 bytes, nothing beyond) with no picture name.
#include <cstring>
#include "plugin_api/tev_plugin.h"

namespace {
TevGameInfo g_info;
}

int SystemInit(ITevModule**, ITevApp*) { return 0; }
TevGameInfo* GetInfo(TevGameInfo*) {
    std::memset(&g_info, 0, sizeof g_info);
    std::strcpy(g_info.title, "Minus One");
    return &g_info;
}
int UserInit(const unsigned char*) { return 0; }
int MainLoop(void) { return -1; }
int CleanUp(void) { return 0; }
