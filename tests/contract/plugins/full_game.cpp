// A complete game: all five exports. Its statics show whether a play starts
// from a fresh load: MainLoop returns systemInits * 1000 + frames.
#include <cstring>
#include <string>
#include "plugin_api/tev_plugin.h"
#include "tests/contract/plugins/trace.h"

namespace {
int g_systemInits = 0;
int g_frames = 0;
std::string g_name = "full";   // a static with a constructor and destructor
ITevModule** g_block = nullptr;
ITevApp* g_app = nullptr;
unsigned char g_keys[6] = {};
}

int SystemInit(ITevModule** block, ITevApp* app) {
    TraceCall(g_name.c_str(), "SystemInit");
    g_block = block;
    g_app = app;
    ++g_systemInits;
    return 0;
}

TevGameInfo* GetInfo(TevGameInfo* buffer) {
    TraceCall(g_name.c_str(), "GetInfo");
    std::strcpy(buffer->title, "Full Game");
    std::strcpy(buffer->author, "Tester");
    std::strcpy(buffer->comment, "All five exports");
    buffer->reserved = 0;
    std::strcpy(buffer->image, "title.bmp");
    return buffer;
}

int UserInit(const unsigned char* keyConfig) {
    TraceCall(g_name.c_str(), "UserInit");
    std::memcpy(g_keys, keyConfig, sizeof g_keys);
    // The block and app pointers must be the ones the host handed over.
    return g_block != nullptr && g_app != nullptr ? g_keys[1] : 99;
}

int MainLoop(void) {
    TraceCall(g_name.c_str(), "MainLoop");
    ++g_frames;
    return g_systemInits * 1000 + g_frames;
}

int CleanUp(void) {
    TraceCall(g_name.c_str(), "CleanUp");
    return 0;
}
