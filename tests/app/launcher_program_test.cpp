// The launcher program as a whole: headless runs, the log it leaves, one copy
// per program name.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tests/support/launcher_sandbox.h"

using tevtest::LauncherSandbox;

TEST(LauncherProgram, HeadlessRunQuitsCleanlyAndLeavesAValidLog) {
    LauncherSandbox box;
    ASSERT_EQ(box.Run({"--headless", "--frames", "10"}), 0) << box.ReadFile("run.log");
    std::string log = box.ReadFile("report.html");
    ASSERT_GE(log.size(), 16u);
    EXPECT_EQ(log.substr(0, 9), "<!DOCTYPE");
    EXPECT_EQ(log.substr(log.size() - 16), "</body>\r\n</html>");
    // Every line feed of the page is stored as CR LF.
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i] == '\n') {
            ASSERT_TRUE(i > 0 && log[i - 1] == '\r') << "bare LF at " << i;
        }
}

TEST(LauncherProgram, RejectsABadCommandLineAndAnswersHelp) {
    LauncherSandbox box;
    EXPECT_EQ(box.Run({"--frames", "x"}), 2);
    EXPECT_EQ(box.Run({"--help"}), 0);
    EXPECT_NE(box.ReadFile("run.log").find("--headless"), std::string::npos);
}

TEST(LauncherProgram, ASecondCopyEndsAtOnceWithMinusOne) {
    LauncherSandbox box;
    int first = box.Start({"--headless", "--frames", "100000000"});
    // Wait until the first copy has written its log: it holds the lock by then.
    for (int i = 0; i < 400 && !box.Exists("report.html"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const size_t before = box.ReadFile("run.log").size();
    int second = box.Run({"--headless", "--frames", "1"}, 60);
    const std::string said = box.ReadFile("run.log").substr(before);
    kill(first, SIGTERM);
    LauncherSandbox::Wait(first, 60);
    EXPECT_EQ(second, 255);  // -1 as an exit status
    // One line that tells the player why, and nothing else.
    EXPECT_EQ(said, "launcher: another copy is running already; this one ends.\n");
}

// A real window under the test run's X server: it shows, runs frames and
// closes with exit code 0 on the close box.
TEST(LauncherProgram, RealWindowClosesOnTheCloseBox) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X server";
    LauncherSandbox box;
    int pid = box.Start({"--scale", "1", "--frames", "100000"});
    std::string closer = std::string(TEV_BINARY_DIR) + "/tests/support/x11_close_window";
    // Let it run frames for a moment once its window is up.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    int sent = std::system((closer + " " + std::to_string(pid) + " 60").c_str());
    int code = LauncherSandbox::Wait(pid, 120);
    EXPECT_EQ(sent, 0);
    EXPECT_EQ(code, 0) << box.ReadFile("run.log");
}

TEST(LauncherProgram, RealWindowShowsPausedOnlyWhileInactive) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X server";
    LauncherSandbox box;
    // At scale 1 the window's pixels are the picture's, so the sign's border
    // colour can be counted exactly.
    int pid = box.Start({"--scale", "1", "--frames", "100000"});
    const std::string helpers = std::string(TEV_BINARY_DIR) + "/tests/support/";
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    long active = -1, inactive = -1, back = -1;
    if (FILE* probe = popen((helpers + "x11_pause_probe " + std::to_string(pid) + " 60").c_str(), "r")) {
        EXPECT_EQ(std::fscanf(probe, "active %ld inactive %ld back %ld", &active, &inactive, &back), 3);
        pclose(probe);
    }
    std::system((helpers + "x11_close_window " + std::to_string(pid) + " 60").c_str());
    EXPECT_EQ(LauncherSandbox::Wait(pid, 120), 0) << box.ReadFile("run.log");
    EXPECT_LT(active, 20);        // running: no sign
    EXPECT_GE(inactive, 100);     // the sign's whole border
    EXPECT_LT(back, 20);          // gone with the first active frame
}
