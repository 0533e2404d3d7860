// Planned input for the launcher's --input option: key names held per
// launcher frame, written out as the edges ("FRAME NAME down|up").
#pragma once
#include <map>
#include <set>
#include <string>

namespace tevtest {

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

}  // namespace tevtest
