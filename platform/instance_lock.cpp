#include "platform/instance_lock.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

std::string InstanceLockPath(const std::string& programName, const std::string& folder) {
    if (!folder.empty()) return folder + "/" + programName + ".lock";
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    std::string base = (dir && *dir) ? dir : "/tmp";
    return base + "/" + programName + ".lock";
}

bool InstanceLock::Acquire(const std::string& programName, const std::string& folder) {
    if (m_fd >= 0) return true;
    int fd = open(InstanceLockPath(programName, folder).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return true;  // no place for a lock: do not refuse to run
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    m_fd = fd;  // held until the process ends
    return true;
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0) close(m_fd);
}

} // namespace platform
