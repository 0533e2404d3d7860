// "stage<n>.dat" of lift hopper, as a player could edit it: any bytes are
// read as a stage, then a few hundred frames are played on it with inputs
// drawn from the same bytes. Nothing may read or write out of range, and the
// player's state stays within the rules' bounds.
#include <cstdint>
#include <cstdio>

#include "fuzz/fuzz_support.h"
#include "games/lift_hopper/lift_hopper_rules.h"
#include "tests/support/recording_sink.h"

namespace {

lift_hopper::Game g_game;

// The frame's drawing and sound go nowhere.
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lift_hopper;
    // Through the file, as the game reads it.
    const std::string dir = tevfuzz::WorkDir();
    tevfuzz::WriteBytes(tevfuzz::PathIn("stage1.dat"), data, size);
    g_game = Game{};
    std::snprintf(g_game.folder, sizeof g_game.folder, "%s", dir.c_str());
    tev::ScoreFile none;
    if (Start(g_game, none) != 0) __builtin_trap();
    g_game.screen = kPlay;
    g_game.stage = kStageCount;  // a clear ends the play instead of reading stage 2

    tevtest::NullSink out;
    for (int f = 0; f < 600; ++f) {
        const uint8_t k = size ? data[(f / 8) % size] : 0;
        tev::Buttons b;
        if (k & 1) b.count[tev::kRight] = 2;
        if (k & 2) b.count[tev::kLeft] = 2;
        if ((k & 4) && f % 8 == 0) b.count[tev::kButton1] = 1;
        const bool walked = g_game.screen == kPlay && g_game.dying == 0;
        if (Frame(g_game, b, out) != 0) break;
        const Player& p = g_game.player;
        // A step keeps the player inside the screen's walking range, wherever
        // the file's start cell put them.
        if (walked && b.Held(tev::kRight) && p.px > 31700) __builtin_trap();
        if (walked && !b.Held(tev::kRight) && b.Held(tev::kLeft) && p.px < 300) __builtin_trap();
        if (p.standingLift < -1 || p.standingLift >= kLiftCount) __builtin_trap();
        if (g_game.screen == kGameOver) break;
    }
    tevfuzz::Remove(tevfuzz::PathIn("stage1.dat"));
    return 0;
}
