// Process entry of the launcher.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/debug_log.h"
#include "app/launcher_hooks.h"
#include "app/module_factory.h"
#include "app/tev_win_app.h"
#include "platform/backend.h"
#include "platform/data_place.h"
#include "platform/program_path.h"
#include "platform/run_options.h"

namespace {

// The input record is written line by line by the input service; a target
// that cannot be created, or a record left empty or ending inside a line (a
// full disk), fails the run.
void CheckInputRecordTarget(const std::string& path) {
    if (path.empty()) return;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0)
        platform::NoteRunFailure("cannot write the input record " + path);
    else
        close(fd);
}

void CheckInputRecordWritten(const std::string& path) {
    if (path.empty()) return;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st;
    char last = 0;
    const bool whole = fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
                       pread(fd, &last, 1, st.st_size - 1) == 1 && last == '\n';
    if (fd >= 0) close(fd);
    if (!whole) platform::NoteRunFailure("the input record " + path + " is incomplete (disk full?)");
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    bool wantHelp = false;
    if (!platform::ParseRunOptions(argc, argv, error, wantHelp)) {
        std::fprintf(stderr, "launcher: %s\n%s", error.c_str(), platform::RunOptionsHelp());
        return 2;
    }
    platform::DataPlace& place = platform::Place();
    place = platform::DecideDataPlace(platform::ExecutableFolder());
    if (wantHelp) {
        std::fputs(platform::RunOptionsHelp(), stdout);
        std::printf("\nThis copy runs %s (%s):\n  program files: %s\n  player files:  %s\n",
                    platform::ModeName(place.mode), place.why.c_str(), place.programFolder.c_str(),
                    place.dataFolder.c_str());
        return 0;
    }
    if (place.mode == platform::RunMode::kInstalled) {
        // Settings, counts, scores and the log go to the player's folder.
        if (!platform::MakeFolders(place.dataFolder))
            std::fprintf(stderr, "launcher: cannot create %s; nothing will be saved\n", place.dataFolder.c_str());
        tev_log::SetLogFolder(place.dataFolder);
    }
    const platform::RunOptions& options = platform::Options();
    platform::SelectBackends(options.headless ? platform::BackendKind::Null : platform::BackendKind::Real);
    if (options.fixedClock) setenv("TEV_FIXED_CLOCK", std::to_string(options.fixedClockValue).c_str(), 1);

    CheckInputRecordTarget(options.recordInput);

    // Started from anywhere, the launcher works in its own folder, where its
    // data files and game folders are.
    if (!platform::EnterExecutableFolder()) std::fprintf(stderr, "launcher: cannot enter the program's folder\n");

    // The command line of the run, as the application object hands it out.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }

    CTevModuleFactory factory;
    LauncherHooks hooks{LauncherSystemInit, LauncherUserInit, LauncherMainLoop, LauncherCleanUp};
    g_app = new CTevWinApp(factory, hooks);
    int result = g_app->Create(nullptr, nullptr, commandLine.data(), 10 /* show default */);
    delete g_app;
    g_app = nullptr;
    if (!platform::RunHadFailures()) CheckInputRecordWritten(options.recordInput);
    // An output asked for and not (wholly) written is a failed run.
    if (platform::RunHadFailures() && result == 0) result = 1;
    return result;
}
