// The run's HTML log. Every entry is one complete open, seek, write and close,
// so the file is valid up to the last line even after a crash.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

} // namespace

CTevDebugOut::CTevDebugOut() : m_fileName(strdup(kLogFileName)) {}

CTevDebugOut::~CTevDebugOut() { std::free(m_fileName); }

int CTevDebugOut::Init() {
    FILE* f = m_fileName ? std::fopen(m_fileName, "wb") : nullptr;
    if (!f) return -1;
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
    FILE* f = std::fopen(m_fileName, "r+b");
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
        std::string first(text, static_cast<size_t>(bar - text));
        PutText(f, "<span class=\"sec1\">");
        PutText(f, first.c_str());
        PutText(f, "</span>");
        PutText(f, "<span class=\"sec2\">");
        PutText(f, bar + 1);
        PutText(f, "</span>");
    } else {
        PutText(f, text);
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
