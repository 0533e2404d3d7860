// Shared by the fuzz targets: readers that take a path get the input as a
// file in one private folder per process.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tevfuzz {

// A private folder made once per process (removed by the run script).
inline const std::string& WorkDir() {
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/tev-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return dir;
}

inline std::string PathIn(const char* name) { return WorkDir() + "/" + name; }

// Writes bytes to path, replacing it; aborts when the disk fails (that is not
// a finding about the reader).
inline void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

inline void Remove(const std::string& path) { std::remove(path.c_str()); }

// The whole file ("" when it cannot be opened): what a reader left behind.
inline std::string ReadAll(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

// Four bytes, least significant first: the games' score files.
inline int32_t LittleEndian32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

} // namespace tevfuzz
