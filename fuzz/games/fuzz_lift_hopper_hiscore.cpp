// "hiscore.dat" of lift hopper, as a player could leave it: read as the game
// starts, then the play ends with a score taken from the input's last four
// bytes. The best read is the file's first four bytes (or 0 when shorter);
// afterwards the file holds exactly four bytes, the better of the two.
#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz/fuzz_support.h"
#include "games/lift_hopper/lift_hopper_rules.h"

namespace {

lift_hopper::Game g_game;
tev::ScoreFile g_best;

const char kStage[] = "1";  // enough for a start: the rest of the stage is empty

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lift_hopper;
    int32_t score = 0;
    size_t fileSize = size;
    if (size >= 8) {
        fileSize = size - 4;
        score = tevfuzz::LittleEndian32(data + fileSize) & 0x3FFFFFFF;  // a play's scores stay positive
    }
    const std::string path = tevfuzz::PathIn("hiscore.dat");
    tevfuzz::WriteBytes(path, data, fileSize);
    tevfuzz::WriteBytes(tevfuzz::PathIn("stage1.dat"), reinterpret_cast<const uint8_t*>(kStage), 1);

    g_game = Game{};
    g_best = tev::ScoreFile{};
    std::snprintf(g_game.folder, sizeof g_game.folder, "%s", tevfuzz::WorkDir().c_str());
    g_best.Load(path.c_str());
    if (Start(g_game, g_best) != 0) __builtin_trap();
    const int32_t stored = fileSize >= 4 ? tevfuzz::LittleEndian32(data) : 0;
    if (g_game.highScore != stored) __builtin_trap();

    g_game.score = score;
    g_game.result = score & 1 ? kAllCleared : kGameOverResult;
    if (CleanUp(g_game, g_best) != g_game.result) __builtin_trap();
    std::ifstream in(path, std::ios::binary);
    std::ostringstream after;
    after << in.rdbuf();
    const std::string bytes = after.str();
    if (bytes.size() != 4) __builtin_trap();
    if (tevfuzz::LittleEndian32(reinterpret_cast<const uint8_t*>(bytes.data())) != std::max(stored, score)) __builtin_trap();
    tevfuzz::Remove(path);
    tevfuzz::Remove(tevfuzz::PathIn("stage1.dat"));
    return 0;
}
