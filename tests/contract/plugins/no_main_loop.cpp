// Three of the four required exports: never a game, and never called.
#include "plugin_api/tev_plugin.h"
#include "tests/contract/plugins/trace.h"

int SystemInit(ITevModule**, ITevApp*) {
    TraceCall("no_main_loop", "SystemInit");
    return 0;
}
TevGameInfo* GetInfo(TevGameInfo* buffer) {
    TraceCall("no_main_loop", "GetInfo");
    return buffer;
}
int UserInit(const unsigned char*) {
    TraceCall("no_main_loop", "UserInit");
    return 0;
}
int CleanUp(void) {
    TraceCall("no_main_loop", "CleanUp");
    return 0;
}
