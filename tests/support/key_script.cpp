#include "tests/support/key_script.h"

#include <sstream>

namespace tevtest {

std::string KeyScript::Text() const {
    std::ostringstream out;
    std::set<std::string> before;
    long last = -10;
    auto release = [&](long frame, const std::set<std::string>& now) {
        for (const std::string& k : before)
            if (!now.count(k)) out << frame << " " << k << " up\n";
    };
    for (const auto& [frame, keys] : m_held) {
        if (frame != last + 1) {
            release(last + 1, {});
            before.clear();
        }
        release(frame, keys);
        for (const std::string& k : keys)
            if (!before.count(k)) out << frame << " " << k << " down\n";
        before = keys;
        last = frame;
    }
    release(last + 1, {});
    return out.str();
}

}  // namespace tevtest
