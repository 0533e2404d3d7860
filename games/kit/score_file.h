// A game's best-score file: exactly four bytes, the score as a little-endian
// signed 32-bit integer, in the game's folder under the name its Part gives
// ("score.dat", "hiscore.dat", "./hiscore.ini", "hs.txt").
//
// Reading: a missing file, or one shorter than four bytes, leaves the initial
// score (extra bytes after the four are ignored). Writing replaces the file
// atomically, so a crash or a full disk never leaves it damaged or empty; and
// a file that exists but could not be read (no permission, an I/O error) is
// never overwritten, since it may hold more than the game knows.
//
// A relative name is the game's own file: it is kept in the folder the host
// names in TEV_GAME_DATA (the player's folder of the game when the program
// is installed system-wide), in the working folder when that is unset.
#pragma once
#include <cstdint>
#include <string>

namespace tev {

// Where a game's file named path is read and written (see above).
std::string ScoreFilePath(const char* path);

class ScoreFile {
public:
    // Plain static storage in a game: nothing happens until Load.
    ScoreFile() = default;
    // Reads path; score() is then the stored value or initial.
    void Load(const char* path, int32_t initial = 0);

    int32_t score() const { return m_score; }
    // True when the file held a score.
    bool loaded() const { return m_loaded; }
    // Writes value unconditionally (unless the file was unreadable). True
    // when the file now holds value.
    bool Save(int32_t value);
    // Saves value when it beats score(); true when it did.
    bool SaveIfHigher(int32_t value);

private:
    char m_path[1024] = {};
    int32_t m_score = 0;
    bool m_loaded = false;
    bool m_writable = false;  // until Load found the file readable or missing
};

}  // namespace tev
