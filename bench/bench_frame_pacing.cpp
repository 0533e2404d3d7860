// Frame pacing of the application's frame step against a pure busy wait:
// how far each frame interval is from 1/60 s, and how much CPU it costs.
// bench_frame_pacing [seconds]   (default 10 s each)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <vector>

#include "app/module_factory.h"
#include "app/tev_win_app.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/run_options.h"

namespace {

double CpuSeconds() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Figures {
    double p50, p99, max, cpuShare;
};

template <typename Step>
Figures Measure(int frames, Step step) {
    const double ideal = 1e9 / 60.0;
    std::vector<double> errors;
    errors.reserve(frames);
    double cpu0 = CpuSeconds();
    int64_t t0 = platform::ClockNow(), last = t0;
    for (int i = 0; i < frames; ++i) {
        step();
        int64_t now = platform::ClockNow();
        errors.push_back(std::fabs((now - last) - ideal) / 1e6);
        last = now;
    }
    double wall = (platform::ClockNow() - t0) / 1e9;
    double cpu = CpuSeconds() - cpu0;
    std::sort(errors.begin(), errors.end());
    return {errors[errors.size() / 2], errors[errors.size() * 99 / 100], errors.back(), cpu / wall};
}

void Print(const char* name, const Figures& f, bool withTargets) {
    std::printf("RESULT\t%s frame error p50\t%.3f ms\t\n", name, f.p50);
    std::printf("RESULT\t%s frame error p99\t%.3f ms\t%s\n", name, f.p99, withTargets ? "<= 1 ms" : "");
    std::printf("RESULT\t%s frame error max\t%.3f ms\t\n", name, f.max);
    std::printf("RESULT\t%s CPU share of one core\t%.1f %%\t%s\n", name, f.cpuShare * 100, withTargets ? "<= 5 %" : "");
}

} // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    int frames = std::max(10, static_cast<int>(seconds * 60));
    platform::SelectBackends(platform::BackendKind::Null);  // no window; the pacing is the same code
    platform::Options().headless = false;

    CTevModuleFactory factory;
    CTevWinApp app(factory, LauncherHooks{});
    app.WaitNextFrame();
    Figures paced = Measure(frames, [&] { app.WaitNextFrame(); });

    const int64_t ticks = platform::kClockFrequency / 60;
    int64_t boundary = platform::ClockNow();
    Figures busy = Measure(frames, [&] {
        int64_t now;
        do now = platform::ClockNow();
        while (now - boundary <= ticks);
        boundary = now;
    });

    Print("frame loop (sleep + spin)", paced, true);
    Print("frame loop (pure busy wait)", busy, false);
    return 0;
}
