// "play.dat": the profile-string file of play counters. Parsing keeps the
// file's text; counting a game adds exactly one and keeps the other lines.
#include <climits>
#include <string>

#include "fuzz/launcher_data_common.h"
#include "launcher/profile_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    {
        CProfileIni ini;
        ini.Parse(text);
        if (ini.Text() != text) __builtin_trap();
        // A key of the input's first line, whatever it is, can be looked up.
        const std::string key = text.substr(0, std::min<size_t>(text.find_first_of("=\r\n"), 40));
        (void)ini.GetString("ProjectVarrow", key, "0");
    }
    CLauncherData& d = tevfuzz::DataIn("play.dat", data, size);
    for (const char* game : {"slope_runner", "grid_serpent"}) {
        const int before = d.GetPlayCount(game);
        if (d.CountPlay(game) != 0) continue;   // refused (a file too big) is allowed
        const int after = d.GetPlayCount(game);
        if (after != (before == INT_MAX ? INT_MAX : before + 1) && before >= 0) __builtin_trap();
    }
    return 0;
}
