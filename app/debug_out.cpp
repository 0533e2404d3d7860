// The run's HTML log. Every entry is one complete open, seek, write and close,
// so the file is valid up to the last line even after a crash.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/debug_log.h"
#include "plugin_api/tev_base.h"

namespace {

const char kLogFileName[] = "report.html";
// "</body>" CR LF "</html>": the tail every entry overwrites and writes again.
constexpr long kTailBytes = 16;

// The file is written as a text-mode file of its original platform would be:
// every line feed is stored as CR LF.
void PutText(FILE* f, const char* text) {
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') std::fputc('\r', f);
        std::fputc(*p, f);
    }
}

const char* SpanClass(int level) {
    switch (level) {
    case 0: return "lib_info";
    case 1: return "lib_error";
    case 2: return "lib_emerg";
    case 10: return "info";
    case 11: return "error";
    default: return nullptr;
    }
}

// Set by the first Init of the process (and each later one); empty until
// then, when the relative name is used as it always was.
std::string g_logPath;
std::string g_logFolder;
bool g_toStderr = false;
bool g_discard = false;

// Opens the log without following a link and only when it is a regular
// file: a link named report.html must not lead the log onto another file.
FILE* OpenLog(const char* path, bool create) {
    const int flags = (create ? O_WRONLY | O_CREAT : O_RDWR) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    const int fd = open(path, flags, 0644);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (create && ftruncate(fd, 0) != 0)) {
        close(fd);
        return nullptr;
    }
    FILE* f = fdopen(fd, create ? "wb" : "r+b");
    if (!f) close(fd);
    return f;
}

const char* CurrentLogPath(const char* ownName) { return g_logPath.empty() ? ownName : g_logPath.c_str(); }

} // namespace

namespace tev_log {

std::string LogFilePath() { return g_logPath; }

void SetLogFolder(const std::string& folder) { g_logFolder = folder; }

void DivertToStderr() { g_toStderr = true; }

void Discard() {
    g_toStderr = true;
    g_discard = true;
}

std::string EscapeHtml(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        switch (*p) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += *p; break;
        }
    }
    return out;
}

} // namespace tev_log

CTevDebugOut::CTevDebugOut() : m_fileName(strdup(kLogFileName)) {}

CTevDebugOut::~CTevDebugOut() { std::free(m_fileName); }

int CTevDebugOut::Init() {
    if (g_toStderr || !m_fileName) return -1;
    std::string path = m_fileName;
    if (path[0] != '/' && !g_logFolder.empty()) {
        path = g_logFolder + (g_logFolder.back() == '/' ? "" : "/") + m_fileName;
    } else if (path[0] != '/') {
        char* cwd = getcwd(nullptr, 0);
        if (cwd) {
            path = std::string(cwd) + (std::strcmp(cwd, "/") == 0 ? "" : "/") + m_fileName;
            std::free(cwd);
        }
    }
    FILE* f = OpenLog(path.c_str(), true);
    if (!f) return -1;
    g_logPath = path;
    PutText(f,
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
            "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
            "\n"
            "<html xmlns=\"http://www.w3.org/1999/xhtml\">");
    PutText(f, "\n<head>\n<style TYPE=\"text/css\">\n<!--\n");
    PutText(f, ".lib_info {\ncolor:#808080;\n}\n");
    PutText(f, ".lib_error {\ncolor:#0000ff;\n}\n");
    PutText(f, ".lib_emerg {\ncolor:#ff0000;\n}\n");
    PutText(f, ".info {\ncolor:#000000;\n}\n");
    PutText(f, ".error {\ncolor:#008000;\n}\n");
    PutText(f, ".sec1 {\nposition:absolute;\nleft:1ex;\n}\n");
    PutText(f, ".sec2 {\nposition:absolute;\nleft:30ex;\n}\n");
    PutText(f, "-->\n</style>\n</head>\n");
    PutText(f, "<body>\n</body>\n</html>");
    std::fclose(f);
    return 0;
}

int CTevDebugOut::Write(int level, const char* text) {
    if (!m_fileName || !text) return -1;
    if (g_toStderr) {
        if (!g_discard) std::fprintf(stderr, "%s\n", text);
        return 0;
    }
    FILE* f = OpenLog(CurrentLogPath(m_fileName), false);
    if (!f) return -1;
    // A file shorter than its tail is not ours any more; leave it alone.
    if (std::fseek(f, -kTailBytes, SEEK_END) != 0) {
        std::fclose(f);
        return -1;
    }
    if (const char* cls = SpanClass(level)) {
        PutText(f, "<span class=\"");
        PutText(f, cls);
        PutText(f, "\">");
    }
    if (const char* bar = std::strchr(text, '|')) {
        // Texts carry names from outside (folders, files, plug-in texts):
        // they are written as text, never as markup.
        std::string first(text, static_cast<size_t>(bar - text));
        PutText(f, "<span class=\"sec1\">");
        PutText(f, tev_log::EscapeHtml(first.c_str()).c_str());
        PutText(f, "</span>");
        PutText(f, "<span class=\"sec2\">");
        PutText(f, tev_log::EscapeHtml(bar + 1).c_str());
        PutText(f, "</span>");
    } else {
        PutText(f, tev_log::EscapeHtml(text).c_str());
    }
    PutText(f, "</span><br />\n</body>\n</html>");
    std::fclose(f);
    return 0;
}

void CTevDebugOut::Log(int level, const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    Write(level, buffer);
}

void CTevDebugOut::Info(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    Write(10, buffer);
}
