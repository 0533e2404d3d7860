// A game for the launcher's end-to-end runs. It reads its orders from files
// next to itself and leaves a trace there:
//   title.txt   its title in the game list (default "Probe")
//   fail        present: UserInit fails
//   frames.txt  MainLoop ends the game after that many frames (default: on
//               Escape only); a negative number ends it with -1
// trace.txt gets one line per UserInit and CleanUp. While it runs it messes
// with everything the launcher must restore afterwards: textures 0, 4 and 5,
// their tints, the sounds, the clear and text colours, the blend mode, the
// window title.
#include <dlfcn.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "games/kit/tev_kit.h"
#include "plugin_api/tev_app.h"
#include "plugin_api/tev_draw.h"
#include "plugin_api/tev_input.h"
#include "plugin_api/tev_sound.h"

namespace {

// Statics: a fresh load starts every play with these values.
int g_userInits = 0;
int g_frames = 0;
int g_limit = 0;
unsigned char g_keys[6] = {};

std::string OwnFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr) return ".";
    std::string path = info.dli_fname;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string ReadSmall(const std::string& path) {
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[256];
        size_t n = std::fread(buf, 1, sizeof buf - 1, f);
        std::fclose(f);
        out.assign(buf, n);
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    }
    return out;
}

void Trace(const char* text) {
    if (FILE* f = std::fopen("trace.txt", "ab")) {
        std::fputs(text, f);
        std::fputc('\n', f);
        std::fclose(f);
    }
}

} // namespace

int SystemInit(ITevModule** block, ITevApp* application) { return KitSystemInit(block, application); }

TevGameInfo* GetInfo(TevGameInfo* buffer) {
    std::string title = ReadSmall(OwnFolder() + "/title.txt");
    return KitFillInfo(buffer, title.empty() ? "Probe" : title.c_str(), "Probe author",
                       "A test game for the launcher", "");
}

int UserInit(const unsigned char* keyConfig) {
    std::memcpy(g_keys, keyConfig, sizeof g_keys);
    char line[128];
    std::snprintf(line, sizeof line, "userinit %d keys %d %d %d %d %d %d", g_userInits, g_keys[0], g_keys[1],
                  g_keys[2], g_keys[3], g_keys[4], g_keys[5]);
    Trace(line);
    ++g_userInits;
    KitBindStandard(keyConfig);
    std::string frames = ReadSmall("frames.txt");
    g_limit = frames.empty() ? 0 : std::atoi(frames.c_str());
    if (FILE* f = std::fopen("fail", "rb")) {
        std::fclose(f);
        return 1;
    }
    // Overwrite and tint what the launcher draws with.
    draw->ReleaseTexture(0);
    draw->CreateBlankTexture(0, 64, 64, 0);
    draw->ReleaseTexture(4);
    draw->SetTextureColor(0, 0x40FF0000);
    draw->SetTextureColor(5, 0x20FF00FF);
    draw->SetTextureColor(10, 0x00000000);
    draw->SetClearColor(0xFF00C000);
    draw->SetTextColor(0xFF000000);
    draw->draw2d.SetBlendMode(2);
    sound->StopAll();
    sound->ReleaseAll();
    app->SetWindowTitle("probe running");
    return 0;
}

int MainLoop(void) {
    KitBeginFrame();
    ++g_frames;
    draw->draw2d.FillRect(100, 100, 50, 50, 0xFFFF00FF);
    if (KitEscapePressed()) return 1;
    if (g_limit > 0 && g_frames >= g_limit) return 1;
    if (g_limit < 0 && g_frames >= -g_limit) return -1;
    return 0;
}

int CleanUp(void) {
    char line[64];
    std::snprintf(line, sizeof line, "cleanup %d", g_frames);
    Trace(line);
    return 0;
}
