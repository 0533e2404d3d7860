// The slope runner's rules played the way the plug-in plays them, with the
// kit's button counters, and a player who presses as an object comes nearest.
#pragma once
#include <algorithm>
#include <array>
#include <set>
#include <vector>

#include "games/slope_runner/slope_runner_rules.h"
#include "tests/support/held_buttons.h"
#include "tests/support/recording_sink.h"

namespace slope_runner_test {

using namespace slope_runner;

struct Sim {
    Game game;
    tevtest::HeldButtons counters;
    tevtest::RecordingSink sink;
    tevtest::NullSink quiet;
    bool recording = true;
    std::vector<std::set<int>> held;  // per frame, what was held
    std::vector<Game> after;          // per frame while recording, the state after it
    int end_value = 0;

    int Step(const std::set<int>& buttons, bool escape = false) {
        sink.Clear();
        held.push_back(buttons);
        end_value = Frame(game, counters.Update(buttons), escape, recording ? static_cast<tev::Sink&>(sink) : quiet);
        if (recording) after.push_back(game);
        return end_value;
    }
    void Idle(int frames) {
        for (int i = 0; i < frames && end_value == 0; ++i) Step({});
    }
};

// How the player treats each object slot once it comes within 13 pixels:
// undecided, passed by, pressed at once, or pressed when within 3 pixels.
enum Choice { kUndecided = -1, kPass = 0, kAtOnce = 1, kClose = 2 };
using Choices = std::array<int, kObjectSlots>;

inline float Distance2(const Game& g, const Slot& o) {
    float dx = g.runner.x - static_cast<float>(o.x), dy = g.runner.y - static_cast<float>(o.y);
    return dx * dx + dy * dy;
}

// This frame's presses under the choices (a button is let go in between).
inline std::set<int> Presses(const Sim& s, const Choices& choices) {
    std::set<int> press;
    const Game& g = s.game;
    if (g.state < 1 || g.state > kStages) return press;
    for (int i = 0; i < kObjectSlots; ++i) {
        const Slot& o = g.stages[g.state - 1].objects[i];
        if (o.kind == kNoObject) continue;
        const float d2 = Distance2(g, o);
        if ((choices[i] == kAtOnce && d2 <= 169) || (choices[i] == kClose && d2 <= 9)) {
            const int button = o.kind == kPickup ? tev::kButton1 : tev::kButton2;
            if (s.counters.Current().count[button] <= 0) press.insert(button);
        }
    }
    return press;
}

// Plays the stage s is on to its end with the choices: true when cleared.
inline bool PlayStage(Sim& s, const Choices& choices) {
    const int stage = s.game.state;
    while (s.end_value == 0 && s.game.state == stage) s.Step(Presses(s, choices));
    return s.game.state == kIntro && s.game.savedStage == stage;
}

// Tries every way of treating the objects as they come near, from s on;
// keeps the best-scoring choices that clear the stage.
inline void Explore(Sim s, Choices choices, int& bestScore, Choices& best) {
    const int stage = s.game.state;
    while (s.end_value == 0 && s.game.state == stage) {
        for (int i = 0; i < kObjectSlots; ++i) {
            const Slot& o = s.game.stages[stage - 1].objects[i];
            if (o.kind == kNoObject || choices[i] != kUndecided || Distance2(s.game, o) > 169) continue;
            for (int c : {kAtOnce, kClose, kPass}) {
                Choices next = choices;
                next[i] = c;
                Explore(s, next, bestScore, best);
            }
            return;
        }
        s.Step(Presses(s, choices));
    }
    if (s.game.state == kIntro && s.game.savedStage == stage && s.game.score > bestScore) {
        bestScore = s.game.score;
        best = choices;
    }
}

// Clears the stage s is on the best way the explorer finds; false (and the
// stage played passing everything) when no way clears it.
inline bool ClearStage(Sim& s) {
    Choices none;
    none.fill(kUndecided);
    Sim trial;
    trial.game = s.game;
    trial.counters = s.counters;
    trial.recording = false;
    int bestScore = -1;
    Choices best = none;
    Explore(trial, none, bestScore, best);
    return PlayStage(s, best) && bestScore >= 0;
}

// Plays a game from the title: button 1, then stages cleared the best way up
// to lastGood, and no presses from then on.
inline void PlayGame(Sim& s, int lastGood) {
    s.Idle(20);
    s.Step({tev::kButton1});
    while (s.end_value == 0 && s.held.size() < 20000) {
        const int st = s.game.state;
        if (st >= 1 && st <= lastGood) ClearStage(s);
        else s.Step({});
    }
}

}  // namespace slope_runner_test
