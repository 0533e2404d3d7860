// The four required exports and no GetInfo: listed with the default texts.
#include "plugin_api/tev_plugin.h"
#include "tests/contract/plugins/trace.h"

int SystemInit(ITevModule**, ITevApp*) {
    TraceCall("no_info", "SystemInit");
    return 0;
}
int UserInit(const unsigned char*) { return 0; }
int MainLoop(void) { return 0; }
int CleanUp(void) { return 0; }
