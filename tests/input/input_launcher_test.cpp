// The input service inside the real launcher: a replayed script comes back
// out of --record unchanged, and keys sent to the real window under X reach
// the counters (seen through --record, which writes what the counters read).
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/launcher_sandbox.h"

using tevtest::LauncherSandbox;

namespace {

std::string Lines(const std::string& text) {
    // The record without its comment lines.
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line[0] != '#') out += line + "\n";
        pos = end + 1;
    }
    return out;
}

std::string Command(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
        pclose(p);
    }
    return out;
}

TEST(LauncherInput, ReplayedScriptIsRecordedFrameForFrame) {
    LauncherSandbox box;
    // Keys the launcher's screens ignore, and a pad button: the record must
    // show each on exactly the frame the script gave.
    const std::string script =
        "2 F9 down\n"
        "5 F9 up\n"
        "7 PAD0.9 down\n"
        "9 PAD0.9 up\n"
        "11 F10 down\n"
        "11 F10 up\n";
    box.WriteFile("in.txt", script);
    const int code = box.Run({"--headless", "--frames", "14", "--input", box.Path("in.txt"), "--record",
                              box.Path("out.txt")});
    ASSERT_EQ(code, 0) << box.ReadFile("run.log");
    EXPECT_EQ(Lines(box.ReadFile("out.txt")),
              "2 F9 down\n5 F9 up\n7 PAD0.9 down\n9 PAD0.9 up\n11 F10 down\n12 F10 up\n");
}

TEST(LauncherInput, BadScriptIsReportedAndTheRunGoesOn) {
    LauncherSandbox box;
    box.WriteFile("in.txt", "3 NOSUCH down\n\x01\x02\xff garbage\n4 F9 down\n");
    const int code = box.Run({"--headless", "--frames", "6", "--input", box.Path("in.txt"), "--record",
                              box.Path("out.txt")});
    ASSERT_EQ(code, 0) << box.ReadFile("run.log");
    EXPECT_NE(box.ReadFile("run.log").find("NOSUCH"), std::string::npos);
    EXPECT_EQ(Lines(box.ReadFile("out.txt")), "4 F9 down\n");
}

TEST(LauncherInput, KeysSentToTheWindowReachTheCounters) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X server";
    if (Command("command -v xdotool").empty()) GTEST_SKIP() << "no xdotool";
    LauncherSandbox box;
    const int pid = box.Start({"--scale", "1", "--frames", "100000", "--record", box.Path("out.txt")});
    ASSERT_GT(pid, 0);
    const std::string pidText = std::to_string(pid);
    std::string window;
    bool seen = false;
    // Bounded waits only: the window appears and the key arrives when the
    // machine gets to it.
    for (int attempt = 0; attempt < 240 && !seen; ++attempt) {
        if (window.empty()) {
            window = Command("xdotool search --pid " + pidText + " 2>/dev/null | head -n 1");
            while (!window.empty() && (window.back() == '\n' || window.back() == '\r')) window.pop_back();
        }
        if (!window.empty()) Command("xdotool key --window " + window + " F9 2>/dev/null");
        usleep(250 * 1000);
        const std::string record = box.ReadFile("out.txt");
        seen = record.find(" F9 down\n") != std::string::npos && record.find(" F9 up\n") != std::string::npos;
    }
    kill(pid, SIGTERM);
    LauncherSandbox::Wait(pid, 60);
    EXPECT_FALSE(window.empty()) << "the launcher's window never appeared";
    EXPECT_TRUE(seen) << box.ReadFile("out.txt");
}

} // namespace
