// Where the run keeps the player's files. Shipped files are always read from
// the program's folder. The player's own files (settings, play counts, the
// splash score, the games' best scores, the log, the window size) are kept
// beside the program when the player may write there ("portable"), otherwise
// in the player's own data folder ("installed": a system-wide install).
#pragma once
#include <string>

namespace platform {

enum class RunMode { kPortable, kInstalled };

struct DataPlace {
    RunMode mode = RunMode::kPortable;
    std::string programFolder;   // shipped files; "" = the working folder
    std::string dataFolder;      // the player's files; "" = the working folder
    std::string why;             // how the mode was chosen, for --help and the log
};

// Decides for a program in programFolder: TEV_ARCADE_MODE=installed or
// portable forces the mode; otherwise installed exactly when the folder is
// not writable for this user. The installed data folder is
// $XDG_DATA_HOME/tev-arcade, or $HOME/.local/share/tev-arcade when that is
// unset or not absolute. Creates nothing.
DataPlace DecideDataPlace(const std::string& programFolder);

// The place of this run; portable in the working folder until main sets it.
DataPlace& Place();

// "installed" / "portable".
const char* ModeName(RunMode mode);

// Creates path and any missing parents (mode 0700). True when it is a folder now.
bool MakeFolders(const std::string& path);

// The folder of a game's own writable files: the game's folder when
// portable, <dataFolder>/<gameFolderName> when installed.
std::string GameDataFolder(const std::string& gameFolderPath, const std::string& gameFolderName);

// folder + "/" + name (just name for an empty folder).
std::string JoinPath(const std::string& folder, const std::string& name);

} // namespace platform
