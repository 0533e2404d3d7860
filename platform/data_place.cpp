#include "platform/data_place.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (!home.empty() && home[0] == '/') return home;
    if (const passwd* pw = getpwuid(getuid()))
        if (pw->pw_dir && pw->pw_dir[0] == '/') return pw->pw_dir;
    return "";
}

std::string PlayerDataRoot() {
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    std::string base = Env("XDG_DATA_HOME");
    if (base.empty() || base[0] != '/') {
        const std::string home = HomeFolder();
        base = home.empty() ? "/tmp" : home + "/.local/share";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/tev-arcade";
}

} // namespace

DataPlace DecideDataPlace(const std::string& programFolder) {
    DataPlace place;
    place.programFolder = programFolder;
    const std::string forced = Env("TEV_ARCADE_MODE");
    if (forced == "installed") {
        place.mode = RunMode::kInstalled;
        place.why = "TEV_ARCADE_MODE=installed";
    } else if (forced == "portable") {
        place.why = "TEV_ARCADE_MODE=portable";
    } else if (access(programFolder.empty() ? "." : programFolder.c_str(), W_OK) != 0) {
        place.mode = RunMode::kInstalled;
        place.why = "the program's folder is not writable";
    } else {
        place.why = "the program's folder is writable";
    }
    place.dataFolder = place.mode == RunMode::kInstalled ? PlayerDataRoot() : programFolder;
    return place;
}

DataPlace& Place() {
    static DataPlace place;
    return place;
}

const char* ModeName(RunMode mode) { return mode == RunMode::kInstalled ? "installed" : "portable"; }

bool MakeFolders(const std::string& path) {
    if (path.empty()) return false;
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string GameDataFolder(const std::string& gameFolderPath, const std::string& gameFolderName) {
    if (Place().mode != RunMode::kInstalled) {
        std::string folder = gameFolderPath;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder;
    }
    return JoinPath(Place().dataFolder, gameFolderName);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

} // namespace platform
