// The launcher's four small files: "save.dat" (the key record), "play.dat"
// (play counter per game folder), "title.dat" (title lines) and "pv.dat"
// (score of the splash game).
//
// "save.dat" and "pv.dat" are binary records stored the way a text-mode
// stream stores them: every byte 0x0A on disk is 0x0D 0x0A. Both directions
// apply that translation, so files of either origin read the same.
//
// Every save goes to a temporary file in the same folder that is flushed and
// renamed over the old one: a failed or interrupted save leaves the previous
// file as it was.
#pragma once
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include "plugin_api/tev_plugin.h"

constexpr int kTevMaxTitleLines = 255;
constexpr int kTevTitleLineSize = 64;   // 63 bytes and the terminator

namespace tev_data {
enum class ReadResult;
}

struct TevScore {
    int32_t tries = 0;
    int32_t hits = 0;
};

class CLauncherData {
public:
    CLauncherData();

    // Folder the files live in; "" (the default) = the working directory.
    void SetFolder(const std::string& folder);
    const std::string& GetFolder() const { return m_folder; }
    // Folder of the player's files ("save.dat", "play.dat", "pv.dat") when
    // they are not kept beside "title.dat" (an installed program); "" (the
    // default) = the folder above.
    void SetPlayerFolder(const std::string& folder);
    const std::string& WritableFolder() const;
    // Where failures are reported, one line each ("CLauncherData::...|: ...");
    // none by default.
    void SetLog(std::function<void(const char*)> log) { m_log = std::move(log); }

    // Removes what saves cut short by a crash left behind: regular files
    // named "<data file>.XXXXXX" (six letters or digits) in the folder.
    // Only safe while no save runs (one launcher per folder). The count.
    int RemoveStaleTemporaries();

    // Settings: saved = defaults, then up to 6 bytes of "save.dat" over
    // them (missing or short file: nothing reported); working = saved.
    // A key byte that the settings screen could not have bound, or a pad
    // byte outside 4 ... 15, is replaced by that byte's default, with a log
    // line: a stray byte must not leave button 1 on a key nobody can press.
    void LoadSettings();
    // Writes the record to "save.dat". 0, or -1 when it cannot be written
    // (the old file is kept) or when it exists but could not be read.
    int SaveSettings(const TevKeyConfig& record);
    TevKeyConfig& Saved() { return m_saved; }
    TevKeyConfig& Working() { return m_working; }

    // Adds one to the counter of the game folder in "play.dat", section
    // "ProjectVarrow". 0, or -1 when the file cannot be written or the name
    // cannot be a key (contains "=", a line end, or starts with "[" or ";").
    int CountPlay(const char* folderName);
    // The stored count (0 when missing or broken); for tests and tools.
    int GetPlayCount(const char* folderName) const;

    // Reads "title.dat": first line = count, then that many lines.
    // Missing file: the single default line, -1. Otherwise 0.
    int LoadTitleLines();
    int GetTitleCount() const { return m_titleCount; }
    // "" for an index outside 0 ... count - 1.
    const char* GetTitleLine(int index) const;

    // "pv.dat": tries and hits, int32 little-endian. Unreadable: 0 and 0.
    void LoadScore();
    // 0 or -1. A file that exists but could not be read (at the last load
    // or now) is never overwritten: its score may still be mended by hand.
    int SaveScore();
    TevScore& Score() { return m_score; }

    static const char* DefaultTitleLine();

private:
    std::string PathOf(const char* name) const;
    void LogLine(const std::string& line) const;
    // Reads a data file; a file that is there but cannot be read is logged.
    tev_data::ReadResult Read(const char* name, std::string& out, size_t maxBytes) const;
    // Saves bytes unless the file is there and unreadable (now or, when
    // unreadableAtLoad, at the last load). 0 or -1; a failure is logged
    // once per file and cause.
    int Save(const char* name, const std::string& bytes, bool unreadableAtLoad);
    void LogSaveFailure(const std::string& path, const std::string& cause);

    std::string m_folder;
    std::string m_playerFolder;
    TevKeyConfig m_saved;
    TevKeyConfig m_working;
    char m_titles[kTevMaxTitleLines][kTevTitleLineSize];
    int m_titleCount = 0;
    TevScore m_score;
    bool m_settingsUnreadable = false;
    bool m_scoreUnreadable = false;
    std::set<std::string> m_reportedFailures;   // "path: cause" already logged
    std::function<void(const char*)> m_log;
};

// Helpers shared with the tests.
namespace tev_data {

// A key the settings screen lets the player bind to a button: one with a
// name in the key table that does not steer or move the cursor.
bool IsBindableKey(int code);
// A pad button the settings screen can bind (the device buttons, 4 ... 15).
bool IsBindablePadButton(int button);

// Binary record <-> text-mode bytes (0x0A <-> 0x0D 0x0A).
std::string ToTextMode(const void* data, size_t size);
std::string FromTextMode(const std::string& bytes);

enum class ReadResult { kRead, kMissing, kUnreadable };
// Reads at most maxBytes of a regular file. Opened without blocking, so a
// FIFO or device in its place cannot hang the launcher; anything but a
// regular file, and any read error, is kUnreadable (`why` says what).
ReadResult ReadDataFile(const std::string& path, std::string& out, size_t maxBytes, std::string* why = nullptr);
// The same, true only for kRead.
bool ReadFileBytes(const std::string& path, std::string& out, size_t maxBytes);
// Temporary file in the same folder, flushed to disk, renamed over path.
// False on any failure; the old file is then untouched.
bool WriteFileAtomic(const std::string& path, const std::string& bytes);

} // namespace tev_data
