// "score.dat" of litter sweep, as a player could leave it: the game reads it
// as it starts, then ends a game whose stage results come from the input too.
// The best read is the file's first four bytes (or 0 when it is shorter); a
// cleared total above it replaces the file with exactly those four bytes,
// anything else leaves the file byte for byte as it was.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "games/litter_sweep/litter_sweep_rules.h"

namespace {

// The static storage a plug-in would have.
litter_sweep::Game g_game;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Beyond eleven bytes, the last seven are the stage results: three
    // cleared flags, the low bytes of three scores, their ninth bits.
    uint8_t results[7] = {};
    size_t file_size = size;
    if (size > 11) {
        file_size = size - 7;
        std::memcpy(results, data + file_size, 7);
    }
    const std::string path = tevfuzz::PathIn("score.dat");
    tevfuzz::WriteBytes(path, data, file_size);
    const std::string before(reinterpret_cast<const char*>(data), file_size);

    tev::Rand15 rng{1};
    g_game = litter_sweep::Game{};
    litter_sweep::Start(g_game, rng, path.c_str());
    const int32_t stored = file_size >= 4 ? tevfuzz::LittleEndian32(data) : 0;
    if (g_game.best.score() != stored) __builtin_trap();

    for (int i = 0; i < litter_sweep::kStageCount; ++i) {
        g_game.stage_cleared[i] = results[i] & 1;
        g_game.stage_score[i] = g_game.stage_cleared[i] ? 1 + (results[3 + i] | (results[6] >> i & 1) << 8) % 399 : 0;
    }
    litter_sweep::EndGame(g_game);
    const int32_t total = litter_sweep::Total(g_game);
    const std::string after = tevfuzz::ReadAll(path);
    const bool replace = g_game.result == litter_sweep::kResultCleared && total > stored;
    if (g_game.new_high != replace) __builtin_trap();
    if (replace) {
        if (after.size() != 4 || tevfuzz::LittleEndian32(reinterpret_cast<const uint8_t*>(after.data())) != total) __builtin_trap();
        if (g_game.best.score() != total) __builtin_trap();
    } else if (after != before) {
        __builtin_trap();
    }
    tevfuzz::Remove(path);
    return 0;
}
