#include "games/kit/score_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "games/kit/file_atomic.h"

namespace tev {

std::string ScoreFilePath(const char* path) {
    if (path == nullptr) return {};
    std::string name = path;
    const char* folder = std::getenv("TEV_GAME_DATA");
    if (name.empty() || name[0] == '/' || folder == nullptr || folder[0] == '\0') return name;
    while (name.rfind("./", 0) == 0) name.erase(0, 2);
    std::string joined = folder;
    if (joined.back() != '/') joined += '/';
    return joined + name;
}

void ScoreFile::Load(const char* path, int32_t initial) {
    m_score = initial;
    m_loaded = false;
    m_writable = true;
    m_path[0] = '\0';
    const std::string where = ScoreFilePath(path);
    if (path == nullptr || where.size() >= sizeof m_path) {
        m_writable = false;
        return;
    }
    std::strcpy(m_path, where.c_str());
    // Without blocking, and regular files only: a FIFO or a device in the
    // score file's place must neither hang the game's start nor be replaced.
    const int fd = open(m_path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // Only a missing file may be created; any other refusal keeps its hands off.
        m_writable = errno == ENOENT;
        return;
    }
    struct stat info;
    unsigned char bytes[4];
    ssize_t got = 0;
    bool failed = fstat(fd, &info) != 0 || !S_ISREG(info.st_mode);
    while (!failed && got < static_cast<ssize_t>(sizeof bytes)) {
        const ssize_t n = read(fd, bytes + got, sizeof bytes - static_cast<size_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failed = true;
        if (n <= 0) break;
        got += n;
    }
    close(fd);
    if (failed) {
        m_writable = false;
    } else if (got == sizeof bytes) {
        m_score = static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                                       static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
        m_loaded = true;
    }
}

bool ScoreFile::Save(int32_t value) {
    if (!m_writable) return false;
    const uint32_t v = static_cast<uint32_t>(value);
    const char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF),
                           static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 24 & 0xFF)};
    if (!tevkit::WriteFileAtomic(m_path, std::string(bytes, sizeof bytes))) return false;
    m_score = value;
    m_loaded = true;
    return true;
}

bool ScoreFile::SaveIfHigher(int32_t value) {
    if (value <= m_score) return false;
    return Save(value);
}

}  // namespace tev
