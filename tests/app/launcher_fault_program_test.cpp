// The launcher program under faults that only show in whole runs.
#include <gtest/gtest.h>
#include <signal.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/launcher_sandbox.h"

using tevtest::LauncherSandbox;

TEST(LauncherProgramFaults, ARefusedSecondCopyLeavesTheRunningCopysLogAlone) {
    LauncherSandbox box;
    int first = box.Start({"--headless", "--frames", "100000000"});
    // The first copy's log holds its entries by now (more than the page).
    std::string before;
    for (int i = 0; i < 400; ++i) {
        before = box.ReadFile("report.html");
        if (before.find("</span>") != std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_NE(before.find("</span>"), std::string::npos);
    const int second = box.Run({"--headless", "--frames", "1"}, 60);
    const std::string after = box.ReadFile("report.html");
    kill(first, SIGTERM);
    LauncherSandbox::Wait(first, 60);
    EXPECT_EQ(second, 255);
    // Still the first copy's page: nothing cut, nothing of the second copy.
    const size_t keep = before.size() - 16;   // the closing tail is rewritten with each entry
    EXPECT_EQ(after.substr(0, keep), before.substr(0, keep));
    EXPECT_EQ(after.find("another copy"), std::string::npos);
    EXPECT_NE(box.ReadFile("run.log").find("another copy is running"), std::string::npos);
}

TEST(LauncherProgramFaults, OutputsThatCannotBeWrittenFailTheRun) {
    LauncherSandbox box;
    // A full disk (/dev/full) and a folder that does not exist.
    EXPECT_EQ(box.Run({"--headless", "--frames", "120", "--record-audio", "/dev/full"}, 120), 1);
    EXPECT_NE(box.ReadFile("run.log").find("cannot write the audio recording /dev/full: No space left on device"),
              std::string::npos)
        << box.ReadFile("run.log");
    EXPECT_EQ(box.Run({"--headless", "--frames", "5", "--record-audio", box.Path("none/a.wav")}, 120), 1);
    EXPECT_NE(box.ReadFile("run.log").find("cannot write the audio recording"), std::string::npos);
    EXPECT_EQ(box.Run({"--headless", "--frames", "5", "--record", box.Path("none/r.txt")}, 120), 1);
    EXPECT_NE(box.ReadFile("run.log").find("cannot write the input record"), std::string::npos);
    EXPECT_EQ(box.Run({"--headless", "--frames", "5", "--record", "/dev/full"}, 120), 1);
    // Frames dumped under a plain file cannot be written.
    std::ofstream(box.Path("plain")) << "x";
    EXPECT_EQ(box.Run({"--headless", "--frames", "5", "--dump", box.Path("plain/frames")}, 120), 1);
    EXPECT_NE(box.ReadFile("run.log").find("--dump: cannot write"), std::string::npos) << box.ReadFile("run.log");
    // Writable targets: a clean run.
    EXPECT_EQ(box.Run({"--headless", "--frames", "5", "--record", box.Path("r.txt"), "--record-audio",
                       box.Path("a.wav")}, 120), 0)
        << box.ReadFile("run.log");
}

TEST(LauncherProgramFaults, RelativeOutputPathsAreTakenFromTheCallersFolder) {
    LauncherSandbox box;
    namespace fs = std::filesystem;
    const fs::path caller = fs::path(box.Root()) / "caller";
    fs::create_directories(caller);
    const fs::path old = fs::current_path();
    fs::current_path(caller);
    { std::ofstream("script.txt") << "1 RETURN down\n2 RETURN up\n"; }
    const int result = box.Run({"--headless", "--frames", "30", "--input", "script.txt", "--record", "rec.txt",
                                "--record-audio", "out.wav", "--dump", "frames", "--dump-every", "10"}, 120);
    fs::current_path(old);
    EXPECT_EQ(result, 0) << box.ReadFile("run.log");
    EXPECT_TRUE(fs::exists(caller / "rec.txt"));
    EXPECT_NE(box.ReadFile("caller/rec.txt").find("RETURN down"), std::string::npos);
    EXPECT_TRUE(fs::exists(caller / "out.wav"));
    EXPECT_FALSE(fs::is_empty(caller / "frames"));
    EXPECT_FALSE(box.Exists("rec.txt"));
    EXPECT_FALSE(box.Exists("out.wav"));
}
