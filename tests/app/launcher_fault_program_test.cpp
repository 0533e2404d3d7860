// The launcher program under faults that only show in whole runs.
#include <gtest/gtest.h>
#include <signal.h>

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
