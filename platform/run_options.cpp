#include "platform/run_options.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace platform {

RunOptions& Options() {
    static RunOptions options;
    return options;
}

namespace {

bool ParseLong(const char* text, long min, long max, long& out) {
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < min || value > max) return false;
    out = value;
    return true;
}

std::string Absolute(const char* path) {
    std::string text = path;
    if (text.empty() || text[0] == '/') return text;
    char* cwd = getcwd(nullptr, 0);
    if (!cwd) return text;
    std::string base = cwd;
    std::free(cwd);
    if (base.back() != '/') base += '/';
    return base + text;
}

struct Failures {
    std::mutex mutex;
    std::set<std::string> messages;
};

Failures& TheFailures() {
    static Failures failures;
    return failures;
}

} // namespace

void NoteRunFailure(const std::string& message) {
    Failures& f = TheFailures();
    std::lock_guard<std::mutex> lock(f.mutex);
    if (f.messages.insert(message).second) std::fprintf(stderr, "launcher: %s\n", message.c_str());
}

bool RunHadFailures() {
    Failures& f = TheFailures();
    std::lock_guard<std::mutex> lock(f.mutex);
    return !f.messages.empty();
}

const char* RunOptionsHelp() {
    return "usage: launcher [options]\n"
           "  --headless          no window, no sound device, no frame pacing\n"
           "  --frames N          quit cleanly after N frames (exit code 0)\n"
           "  --scale N           window client area = N x the logical screen\n"
           "  --input FILE        replay input events: lines 'FRAME NAME down|up'\n"
           "  --record FILE       write the input events of this run in the same format\n"
           "  --dump DIR          write presented frames as DIR/frame-NNNNNN.png\n"
           "  --dump-every K      with --dump: every K-th frame only (default 1)\n"
           "  --record-audio F    write the mixed sound output as a WAV file\n"
           "  --fixed-clock T     games that seed from the clock see time T\n"
           "  --help              this text, and where this copy keeps its files\n"
           "environment:\n"
           "  TEV_ARCADE_MODE     installed or portable: where the player's files go\n"
           "                      (default: portable when the program's folder is writable,\n"
           "                      else installed, in $XDG_DATA_HOME/tev-arcade)\n";
}

bool ParseRunOptions(int argc, char** argv, std::string& error, bool& wantHelp) {
    RunOptions& o = Options();
    o = RunOptions{};
    wantHelp = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        auto value = [&](const char*& out) -> bool {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        long n = 0;
        if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            wantHelp = true;
        } else if (!std::strcmp(arg, "--headless")) {
            o.headless = true;
        } else if (!std::strcmp(arg, "--frames")) {
            if (!value(v)) return false;
            if (!ParseLong(v, 0, 1000000000L, n)) { error = "--frames takes a whole number >= 0"; return false; }
            o.frames = n;
        } else if (!std::strcmp(arg, "--scale")) {
            if (!value(v)) return false;
            if (!ParseLong(v, 1, 16, n)) { error = "--scale takes a whole number from 1 to 16"; return false; }
            o.scale = static_cast<int>(n);
        } else if (!std::strcmp(arg, "--input")) {
            if (!value(v)) return false;
            o.inputScript = Absolute(v);
        } else if (!std::strcmp(arg, "--record")) {
            if (!value(v)) return false;
            o.recordInput = Absolute(v);
        } else if (!std::strcmp(arg, "--dump")) {
            if (!value(v)) return false;
            o.dumpDir = Absolute(v);
        } else if (!std::strcmp(arg, "--dump-every")) {
            if (!value(v)) return false;
            if (!ParseLong(v, 1, 1000000000L, n)) { error = "--dump-every takes a whole number >= 1"; return false; }
            o.dumpEvery = static_cast<int>(n);
        } else if (!std::strcmp(arg, "--record-audio")) {
            if (!value(v)) return false;
            o.recordAudio = Absolute(v);
        } else if (!std::strcmp(arg, "--fixed-clock")) {
            if (!value(v)) return false;
            if (!ParseLong(v, 0, 0x7FFFFFFFL, n)) { error = "--fixed-clock takes seconds since 1970 (>= 0)"; return false; }
            o.fixedClock = true;
            o.fixedClockValue = n;
        } else {
            error = std::string("unknown option ") + arg;
            return false;
        }
    }
    return true;
}

} // namespace platform
