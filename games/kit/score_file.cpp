#include "games/kit/score_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "games/kit/file_atomic.h"

namespace tev {

void ScoreFile::Load(const char* path, int32_t initial) {
    m_score = initial;
    m_loaded = false;
    m_writable = true;
    m_path[0] = '\0';
    if (path == nullptr || std::strlen(path) >= sizeof m_path) {
        m_writable = false;
        return;
    }
    std::strcpy(m_path, path);
    std::FILE* file = std::fopen(m_path, "rb");
    if (file == nullptr) {
        // Only a missing file may be created; any other refusal keeps its hands off.
        m_writable = errno == ENOENT;
        return;
    }
    unsigned char bytes[4];
    const size_t got = std::fread(bytes, 1, sizeof bytes, file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
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
