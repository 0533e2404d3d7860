// Command-line options of the run that reach beyond the application object.
// Filled once by the program's entry before anything else starts.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

struct RunOptions {
    bool headless = false;        // --headless: null backends, no pacing
    long frames = -1;             // --frames N: quit cleanly after N frames (-1: never)
    int scale = 0;                // --scale N: window scale (0: automatic)
    std::string inputScript;      // --input FILE: replayed input events
    std::string recordInput;      // --record FILE: written input events
    std::string dumpDir;          // --dump DIR: presented frames as PNG
    int dumpEvery = 1;            // --dump-every K
    std::string recordAudio;      // --record-audio FILE.wav: mixed output
    bool fixedClock = false;      // --fixed-clock T: wall clock seen by games
    int64_t fixedClockValue = 0;
};

RunOptions& Options();

// Parses argv into Options(). Returns false with a message in error for a
// bad command line; sets wantHelp for --help. Relative --input, --record,
// --dump and --record-audio paths are made absolute against the working
// directory of this moment: the launcher changes its own later.
bool ParseRunOptions(int argc, char** argv, std::string& error, bool& wantHelp);
const char* RunOptionsHelp();

// An output the user asked for (--record, --record-audio, --dump) failed:
// said on stderr at once (once per message), and the run ends non-zero.
void NoteRunFailure(const std::string& message);
bool RunHadFailures();

} // namespace platform
