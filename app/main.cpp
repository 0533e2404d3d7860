// Process entry of the launcher.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/launcher_hooks.h"
#include "app/module_factory.h"
#include "app/tev_win_app.h"
#include "platform/backend.h"
#include "platform/program_path.h"
#include "platform/run_options.h"

int main(int argc, char** argv) {
    std::string error;
    bool wantHelp = false;
    if (!platform::ParseRunOptions(argc, argv, error, wantHelp)) {
        std::fprintf(stderr, "launcher: %s\n%s", error.c_str(), platform::RunOptionsHelp());
        return 2;
    }
    if (wantHelp) {
        std::fputs(platform::RunOptionsHelp(), stdout);
        return 0;
    }
    const platform::RunOptions& options = platform::Options();
    platform::SelectBackends(options.headless ? platform::BackendKind::Null : platform::BackendKind::Real);
    if (options.fixedClock) setenv("TEV_FIXED_CLOCK", std::to_string(options.fixedClockValue).c_str(), 1);

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
    return result;
}
