// One running copy per program name: an advisory lock file in the user's
// runtime folder (what the named mutex was).
#pragma once
#include <string>

namespace platform {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    // True when this process now holds the lock; false when another copy holds it.
    // folder: where the lock lives (see InstanceLockPath).
    bool Acquire(const std::string& programName, const std::string& folder = "");
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

private:
    int m_fd = -1;
};

// "<folder>/<name>.lock" for a folder (an installed run locks in the
// player's data folder: one copy per player); else
// "$XDG_RUNTIME_DIR/<name>.lock", else "/tmp/<name>.lock".
std::string InstanceLockPath(const std::string& programName, const std::string& folder = "");

} // namespace platform
