#include "platform/window_memory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

bool ParseSide(const std::string& text, size_t& at, int* out) {
    const size_t start = at;
    long value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 6)
        value = value * 10 + (text[at++] - '0');
    if (at == start || value < 64 || value > 16384) return false;
    *out = static_cast<int>(value);
    return true;
}

} // namespace

bool ParseWindowSize(const std::string& text, int* w, int* h) {
    size_t at = 0;
    int width = 0, height = 0;
    if (!ParseSide(text, at, &width) || at >= text.size() || text[at++] != ' ') return false;
    if (!ParseSide(text, at, &height)) return false;
    if (text.compare(at, std::string::npos, "\n") != 0 && text.compare(at, std::string::npos, "\r\n") != 0)
        return false;
    *w = width;
    *h = height;
    return true;
}

std::string FormatWindowSize(int w, int h) { return std::to_string(w) + " " + std::to_string(h) + "\n"; }

WindowSizeRead LoadWindowSize(const std::string& path, int* w, int* h, std::string* why) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return WindowSizeRead::kMissing;
        if (why) *why = std::strerror(errno);
        return WindowSizeRead::kBad;
    }
    char buffer[64];
    struct stat st;
    ssize_t n = -1;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) n = read(fd, buffer, sizeof buffer);
    close(fd);
    if (n < 0) {
        if (why) *why = "not a readable file";
        return WindowSizeRead::kBad;
    }
    if (!ParseWindowSize(std::string(buffer, static_cast<size_t>(n)), w, h)) {
        if (why) *why = "not a window size";
        return WindowSizeRead::kBad;
    }
    return WindowSizeRead::kRead;
}

bool SaveWindowSize(const std::string& path, int w, int h) {
    const std::string text = FormatWindowSize(w, h);
    const std::string temp = path + ".new";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

} // namespace platform
