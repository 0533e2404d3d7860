#include "tests/monkey/monkey_script.h"

#include <algorithm>
#include <random>
#include <vector>

namespace monkey {

namespace {

// Launcher frames, as the launcher's screens count them.
constexpr long kSplashTaps[] = {60, 100, 120, 260};   // through the splash, onto the title's play item
constexpr long kListReady = 400;                       // the list takes input
constexpr long kListToGame = 62;                       // button 1 released -> the game's first frame
constexpr long kScrollSettle = 40;                     // one scroll of the list and its input delay
constexpr long kBackInList = 100;                      // Escape in a game -> the list takes input again

} // namespace

Plan MakePlan(uint32_t seed, long frames, int games, int first) {
    Plan plan;
    std::mt19937 rng(seed);
    auto pick = [&](long lo, long hi) { return std::uniform_int_distribution<long>(lo, hi)(rng); };
    for (long f : kSplashTaps) plan.script.Tap(f, "Z");

    // The keys a player reaches for (the default bindings and a pad), never
    // Escape while playing: that belongs to leaving.
    static const std::vector<std::string> kKeys = {"Z", "X", "UP", "DOWN", "LEFT", "RIGHT", "RETURN", "SPACE",
                                                  "PAD0.0", "PAD0.1", "PAD0.2", "PAD0.3", "PAD0.4", "PAD0.5"};
    long t = kListReady;
    // Leave room for the way back into the list and a last screen.
    const long end = frames - 200;
    while (t + kScrollSettle + 5 + kListToGame + 100 + kBackInList < end) {
        const int downs = plan.sessions > 0 ? (games > 1 ? 1 : 0) : first % std::max(games, 1);
        for (int i = 0; i < downs; ++i) {
            plan.script.Tap(t, "DOWN");
            t += kScrollSettle;
        }
        plan.script.Tap(t, "Z", 5);
        t += 5 + kListToGame;
        ++plan.sessions;
        // Short and long plays: some sessions end in the first second.
        const long length = std::min(end - kBackInList - t, pick(1, 4) == 1 ? pick(20, 120) : pick(300, 1500));
        const long stop = t + length;
        for (long f = t; f < stop;) {
            const std::string& key = kKeys[static_cast<size_t>(pick(0, long(kKeys.size()) - 1))];
            const long hold = pick(1, 4) == 1 ? pick(20, 90) : pick(1, 12);
            for (long h = f; h < std::min(stop, f + hold); ++h) plan.script.Hold(h, key);
            f += pick(0, 2) == 0 ? 0 : pick(1, 15);   // sometimes two keys at once
        }
        plan.script.Tap(stop + 2, "ESCAPE", 1);
        plan.lastFrame = stop + 3;
        t = stop + 3 + kBackInList;
    }
    return plan;
}

} // namespace monkey
