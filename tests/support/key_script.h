// Planned input for the launcher's --input option: key names held per
// launcher frame, written out as the edges ("FRAME NAME down|up").
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tevtest {

class KeyScript {
public:
    void Hold(long frame, const std::string& key) { m_held[frame].insert(key); }
    void Tap(long frame, const std::string& key, int frames = 3) {
        for (int i = 0; i < frames; ++i) Hold(frame + i, key);
    }
    // A plan of the kit's logical buttons per frame (0 up … 5 button 2), held
    // from frame start on with the launcher's default keys.
    void AddPlan(long start, const std::vector<std::set<int>>& plan) {
        static const char* const kKeys[] = {"UP", "DOWN", "LEFT", "RIGHT", "Z", "X"};
        for (size_t f = 0; f < plan.size(); ++f)
            for (int b : plan[f])
                if (b >= 0 && b < 6) Hold(start + static_cast<long>(f), kKeys[b]);
    }
    // "FRAME NAME down|up" lines in frame order, downs and ups at the edges.
    std::string Text() const;
    const std::map<long, std::set<std::string>>& Held() const { return m_held; }

private:
    std::map<long, std::set<std::string>> m_held;
};

}  // namespace tevtest
