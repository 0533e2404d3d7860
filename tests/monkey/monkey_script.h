// Input scripts for monkey runs: from the splash into the game list, then
// sessions that start the next game, play it with random keys and leave it
// with Escape, until the frame budget is spent.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace monkey {

// Held key names per launcher frame; Text() is the script of edges.
class KeyScript {
public:
    void Hold(long frame, const std::string& key) { m_held[frame].insert(key); }
    void Tap(long frame, const std::string& key, int frames = 3) {
        for (int i = 0; i < frames; ++i) Hold(frame + i, key);
    }
    // "FRAME NAME down|up" lines in frame order, downs and ups at the edges.
    std::string Text() const;
    const std::map<long, std::set<std::string>>& Held() const { return m_held; }

private:
    std::map<long, std::set<std::string>> m_held;
};

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
