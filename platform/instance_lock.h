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
    bool Acquire(const std::string& programName);
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

private:
    int m_fd = -1;
};

// "$XDG_RUNTIME_DIR/<name>.lock", else "/tmp/<name>.lock".
std::string InstanceLockPath(const std::string& programName);

} // namespace platform
