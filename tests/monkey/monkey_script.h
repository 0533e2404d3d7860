// Input scripts for monkey runs: from the splash into the game list, then
// sessions that start the next game, play it with random keys and leave it
// with Escape, until the frame budget is spent.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "tests/support/key_script.h"

namespace monkey {

using tevtest::KeyScript;

struct Plan {
    KeyScript script;
    int sessions = 0;        // games started by the plan
    long lastFrame = 0;      // the last frame the plan plays in
};

// frames: the run's length; games: how many the list holds. The first
// session plays the game at place `first` of the list, each one after it
// moves down one place, so the games come in turn.
Plan MakePlan(uint32_t seed, long frames, int games, int first = 0);

} // namespace monkey
