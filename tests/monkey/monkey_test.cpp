// Monkey runs: the real launcher, headless, plays every installed game from
// its list with seeded random input, entering and leaving games again and
// again, for 100 000 frames over several runs (TEV_MONKEY_FRAMES changes the
// total, TEV_MONKEY_SEED the input). The test build's sanitizers make any
// memory fault, undefined behaviour or leak a non-zero exit code; afterwards
// the launcher's data files still read with the launcher's own reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "launcher/launcher_data.h"
#include "launcher/profile_ini.h"
#include "tests/monkey/monkey_script.h"
#include "tests/support/launcher_sandbox.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 4;                // ctest cases, run side by side
constexpr long kDefaultTotal = 100000;
constexpr int kDumpEvery = 250;         // how the frames a run reached are counted
constexpr int kMaxRuns = 40;            // launcher runs per case at most

long EnvLong(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

// Plug-in folders of the runnable tree, in the catalogue's sorted order.
std::vector<std::string> InstalledGames() {
    std::vector<std::string> games;
    for (const auto& dir : fs::directory_iterator(TEV_DIST_DIR)) {
        if (!dir.is_directory()) continue;
        for (const auto& file : fs::directory_iterator(dir.path()))
            if (file.path().extension() == ".so") {
                games.push_back(dir.path().filename().string());
                break;
            }
    }
    std::sort(games.begin(), games.end());
    return games;
}

// The last dumped frame number (0 when none).
long LastDumpedFrame(const std::string& dir) {
    long last = 0;
    if (!fs::exists(dir)) return 0;
    for (const auto& f : fs::directory_iterator(dir)) {
        long n = 0;
        if (std::sscanf(f.path().filename().string().c_str(), "frame-%ld.png", &n) == 1) last = std::max(last, n);
    }
    return last;
}

// Sanitizer reports name themselves on stderr even when the exit code is 0.
bool HasSanitizerReport(const std::string& log) {
    for (const char* mark : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                             "SUMMARY: UndefinedBehaviorSanitizer"})
        if (log.find(mark) != std::string::npos) return true;
    return false;
}

// The data files as the launcher reads them, and what they must hold.
void CheckDataFiles(const tevtest::LauncherSandbox& box, const std::vector<std::string>& games,
                    std::vector<int>& counts) {
    CLauncherData data;
    data.SetFolder(box.Root());
    data.LoadSettings();
    const TevKeyConfig& keys = data.Saved();
    EXPECT_LE(keys.padButton1, 15);
    EXPECT_LE(keys.padButton2, 15);
    EXPECT_LE(keys.key1, 237);
    EXPECT_LE(keys.key2, 237);

    CProfileIni ini;
    ASSERT_TRUE(ini.Load(box.Path("play.dat"))) << box.ReadFile("play.dat");
    for (size_t i = 0; i < games.size(); ++i) {
        const int now = data.GetPlayCount(games[i].c_str());
        EXPECT_GE(now, counts[i]) << games[i] << ": play counts only grow";
        counts[i] = now;
    }

    data.LoadScore();
    EXPECT_GE(data.Score().tries, 0);
    EXPECT_GE(data.Score().hits, 0);
    EXPECT_LE(data.Score().hits, data.Score().tries);
    EXPECT_EQ(data.LoadTitleLines(), 0);
    EXPECT_GE(data.GetTitleCount(), 1);
}

class MonkeyRun : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(MonkeyRun, PlaysEveryGameWithRandomInputAndLeavesReadableFiles) {
    const std::vector<std::string> games = InstalledGames();
    ASSERT_FALSE(games.empty()) << "no plug-ins in " << TEV_DIST_DIR;
    // Enough frames for every game to come up in each case, whatever the total.
    const long share = std::max<long>(EnvLong("TEV_MONKEY_FRAMES", kDefaultTotal) / kRuns, 2500L * long(games.size()));
    const uint32_t seed = static_cast<uint32_t>(EnvLong("TEV_MONKEY_SEED", 20261208)) + 7919u * GetParam();

    tevtest::LauncherSandbox box;
    // A launcher that has never run: default keys, no counts, no score.
    for (const char* file : {"save.dat", "play.dat", "pv.dat"}) fs::remove(box.Path(file));

    // Runs of at most 12 500 frames, until this share is played. A game that
    // ends by itself leaves the random keys and the next Escape to the list,
    // which quits the launcher: such a run counts what it reached and the
    // next one goes on (a restart is cheap and checks shutdown once more).
    // Bounded: at most kMaxRuns launcher runs.
    const long perRun = std::min<long>(share, 12500);
    std::vector<int> counts(games.size(), 0);
    long played = 0;
    int sessions = 0;
    for (int run = 0; played < share && run < kMaxRuns; ++run) {
        const long frames = std::min(perRun, std::max<long>(share - played, 1000));
        const uint32_t runSeed = seed * 31u + static_cast<uint32_t>(run);
        // A run that a game ended early starts the next one at the least played
        // game, so every game comes up however many the list holds.
        const int first = static_cast<int>(std::min_element(counts.begin(), counts.end()) - counts.begin());
        const monkey::Plan plan = monkey::MakePlan(runSeed, frames, static_cast<int>(games.size()), first);
        const std::string dump = box.Path("dump" + std::to_string(run));
        box.WriteFile("monkey.script", plan.script.Text());
        // The clock games seed from changes with the run, so they deal differently.
        const int rc = box.Run({"--headless", "--frames", std::to_string(frames), "--input", box.Path("monkey.script"),
                                "--dump", dump, "--dump-every", std::to_string(kDumpEvery), "--fixed-clock",
                                std::to_string(1700000000L + runSeed % 100000)},
                               280);
        const std::string log = box.ReadFile("run.log");
        ASSERT_EQ(rc, 0) << "seed " << runSeed << ", run " << run << "\n" << log.substr(0, 20000);
        ASSERT_FALSE(HasSanitizerReport(log)) << "seed " << runSeed << "\n" << log.substr(0, 20000);
        const long reached = LastDumpedFrame(dump);
        EXPECT_GT(reached, 0) << "no frame presented";
        fs::remove_all(dump);
        played += std::max<long>(reached, kDumpEvery);
        sessions += plan.sessions;
        CheckDataFiles(box, games, counts);
        // Random keys may have changed the bindings in the settings screen;
        // the next run's way into the list needs the default ones.
        fs::remove(box.Path("save.dat"));
        std::printf("monkey: seed %u: %ld of %ld frames, %d sessions planned\n", runSeed, reached, frames,
                    plan.sessions);
    }
    EXPECT_GE(played, share);
    // Every installed game was started from the list at least once.
    for (size_t i = 0; i < games.size(); ++i) EXPECT_GT(counts[i], 0) << games[i] << " was never played";
    std::printf("monkey: %ld frames, %d sessions planned, plays:", played, sessions);
    for (size_t i = 0; i < games.size(); ++i) std::printf(" %s=%d", games[i].c_str(), counts[i]);
    std::printf("\n");
}

INSTANTIATE_TEST_SUITE_P(Seeds, MonkeyRun, ::testing::Range(0, kRuns));
