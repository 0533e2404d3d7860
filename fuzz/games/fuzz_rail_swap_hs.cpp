// "hs.txt" of rail swap, as a player could leave it: the game reads it as it
// starts, scores a cleared game whose counters come from the input too, and
// writes the best back as it ends. The best read is the file's first four
// bytes (or 0 when it is shorter); the file is then exactly four bytes: the
// cleared total when that beat the best read, else the best read.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "games/rail_swap/rail_swap_rules.h"

namespace {

// The static storage a plug-in would have.
rail_swap::Game g_game;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Beyond eight bytes, the last four are the game: tiles visited, gem
    // passes, and the time left (two bytes).
    uint8_t game[4] = {};
    size_t file_size = size;
    if (size > 8) {
        file_size = size - 4;
        std::memcpy(game, data + file_size, 4);
    }
    const std::string path = tevfuzz::PathIn("hs.txt");
    tevfuzz::WriteBytes(path, data, file_size);

    g_game = rail_swap::Game{};
    rail_swap::Start(g_game, path.c_str());
    const int32_t stored = file_size >= 4 ? tevfuzz::LittleEndian32(data) : 0;
    if (g_game.highScore != stored) __builtin_trap();

    g_game.visited = game[0] % (rail_swap::kTileCount + 1);
    g_game.gems = game[1];
    g_game.timeLeft = (game[2] | game[3] << 8) % (rail_swap::kStartTime + 1);
    rail_swap::MakeScore(g_game);
    if (g_game.total < 0 || g_game.total != g_game.scoreP + g_game.scoreQ + g_game.scoreR + g_game.scoreT)
        __builtin_trap();
    const bool better = g_game.total > stored;
    if (g_game.newRecord != better) __builtin_trap();
    rail_swap::Finish(g_game);
    const std::string after = tevfuzz::ReadAll(path);
    const int32_t want = better ? g_game.total : stored;
    if (after.size() != 4 || tevfuzz::LittleEndian32(reinterpret_cast<const uint8_t*>(after.data())) != want) __builtin_trap();
    tevfuzz::Remove(path);
    return 0;
}
