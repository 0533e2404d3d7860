// Start-up time and peak memory of the whole launcher with every game built
// into the runnable tree: headless runs of the real program.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

// <chrono> cannot be compiled with the project's Shift-JIS literals.
double Now() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

struct Run {
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

Run Launch(const std::vector<std::string>& args) {
    Run run;
    double start = Now();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::string program = std::string(TEV_DIST_DIR) + "/launcher";
        std::vector<char*> argv{program.data()};
        for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = Now() - start;
    run.peakKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace

int main() {
    // A private runtime folder, so a launcher the user is running does not
    // hold the single-instance lock.
    char folder[] = "/tmp/tev-bench-XXXXXX";
    if (mkdtemp(folder)) setenv("XDG_RUNTIME_DIR", folder, 1);

    std::vector<double> times;
    for (int i = 0; i < 7; ++i) {
        Run r = Launch({"--headless", "--frames", "1"});
        if (r.status != 0) {
            std::printf("RESULT\tstart-up run failed (exit %d)\t-\t\n", r.status);
            return 1;
        }
        times.push_back(r.seconds * 1000);
    }
    std::sort(times.begin(), times.end());
    Run longer = Launch({"--headless", "--frames", "600"});
    std::printf("RESULT\tstart-up to first frame, all games (whole 1-frame run, median of 7)\t%.0f ms\t<= 300 ms\n",
                times[times.size() / 2]);
    std::printf("RESULT\tpeak resident memory, 600 headless frames with the soundfont\t%.1f MB\t<= 80 MB\n",
                longer.peakKb / 1024.0);
    rmdir(folder);
    return 0;
}
