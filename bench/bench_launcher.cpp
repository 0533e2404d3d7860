// CPU time of the launcher's frame function on its heaviest screens: the
// title while the logo ripples, and the game list while it scrolls with the
// information panel out. Runs the real launcher headless (null backends) in a
// scratch copy of the runnable tree, driven by an input script.
// bench_launcher [scroll cycles]   (default 40)
#include <time.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/launcher_hooks.h"
#include "app/module_factory.h"
#include "app/tev_win_app.h"
#include "launcher/launcher_shell.h"
#include "launcher/screens.h"
#include "platform/backend.h"
#include "platform/run_options.h"

namespace fs = std::filesystem;

namespace {

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

std::vector<double> g_title, g_list;

int MeasuredMainLoop() {
    StateFn top = launcher::Stack().At(launcher::Stack().Top());
    bool title = top == launcher::TitleState && launcher::TitleRippling();
    bool list = top == launcher::GameListState && launcher::GameListScrolling();
    double t0 = ThreadCpuMs();
    int r = LauncherMainLoop();
    double ms = ThreadCpuMs() - t0;
    // A scroll that starts this frame was idle when it began.
    if (title) g_title.push_back(ms);
    if (list) g_list.push_back(ms);
    return r;
}

void Report(const char* name, std::vector<double> v) {
    if (v.empty()) {
        std::printf("RESULT\t%s\tno frames measured\t\n", name);
        return;
    }
    std::sort(v.begin(), v.end());
    double sum = 0;
    for (double x : v) sum += x;
    std::printf("RESULT\t%s CPU per frame mean\t%.3f ms\t<= 1 ms\n", name, sum / v.size());
    std::printf("RESULT\t%s CPU per frame p50\t%.3f ms\t\n", name, v[v.size() / 2]);
    std::printf("RESULT\t%s CPU per frame p99\t%.3f ms\t\n", name, v[v.size() * 99 / 100]);
    std::printf("RESULT\t%s frames measured\t%zu\t\n", name, v.size());
}

} // namespace

int main(int argc, char** argv) {
    int cycles = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;

    // A scratch copy, so the splash score and play counts stay out of the tree.
    std::string root = (fs::temp_directory_path() / ("tev-bench-launcher-" + std::to_string(getpid()))).string();
    std::error_code ec;
    fs::remove_all(root, ec);
    fs::copy(TEV_DIST_DIR, root, fs::copy_options::recursive, ec);
    if (ec || chdir(root.c_str()) != 0) {
        std::fprintf(stderr, "bench_launcher: cannot copy %s to %s\n", TEV_DIST_DIR, root.c_str());
        return 1;
    }

    // Splash skipped with button 1, 400 frames of rippling title, the list,
    // then down every 20 frames (15 of them scrolling), then Escape.
    std::ofstream script(root + "/bench_input.txt");
    auto tap = [&](long f, const char* key) { script << f << " " << key << " down\n" << f + 1 << " " << key << " up\n"; };
    tap(40, "Z");
    tap(75, "Z");
    tap(80, "Z");
    long choose = 141 + 400;
    tap(choose, "Z");
    long list = choose + 61 + 30;
    for (int i = 0; i < cycles; ++i) tap(list + 20L * i, "DOWN");
    long end = list + 20L * cycles + 10;
    tap(end, "ESCAPE");
    script.close();

    platform::SelectBackends(platform::BackendKind::Null);
    platform::RunOptions& o = platform::Options();
    o.headless = true;
    o.inputScript = root + "/bench_input.txt";
    o.frames = end + 10;

    CTevModuleFactory factory;
    LauncherHooks hooks{LauncherSystemInit, LauncherUserInit, MeasuredMainLoop, LauncherCleanUp};
    g_app = new CTevWinApp(factory, hooks);
    char commandLine[] = "";
    g_app->Create(nullptr, nullptr, commandLine, 10);
    delete g_app;
    g_app = nullptr;

    std::printf("games found\t%d\n", launcher::S().games.GetCount());
    Report("title with ripple", g_title);
    Report("game list scrolling with panel", g_list);
    fs::remove_all(root, ec);
    return 0;
}
