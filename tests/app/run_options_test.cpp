#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/run_options.h"

namespace {
bool Parse(std::vector<const char*> args, std::string& error, bool& help) {
    args.insert(args.begin(), "launcher");
    return platform::ParseRunOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), error, help);
}
} // namespace

TEST(RunOptions, ParsesEveryOption) {
    std::string error;
    bool help = false;
    ASSERT_TRUE(Parse({"--headless", "--frames", "10", "--scale", "2", "--input", "in.txt", "--record", "out.txt",
                       "--dump", "frames", "--dump-every", "5", "--record-audio", "a.wav", "--fixed-clock", "1000"},
                      error, help))
        << error;
    const platform::RunOptions& o = platform::Options();
    // Relative paths are taken from where the user typed them: the
    // launcher moves to its own folder before it opens them.
    char* cwd = getcwd(nullptr, 0);
    const std::string here = std::string(cwd) + "/";
    std::free(cwd);
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.frames, 10);
    EXPECT_EQ(o.scale, 2);
    EXPECT_EQ(o.inputScript, here + "in.txt");
    EXPECT_EQ(o.recordInput, here + "out.txt");
    EXPECT_EQ(o.dumpDir, here + "frames");
    EXPECT_EQ(o.dumpEvery, 5);
    EXPECT_EQ(o.recordAudio, here + "a.wav");
    EXPECT_TRUE(o.fixedClock);
    EXPECT_EQ(o.fixedClockValue, 1000);
    EXPECT_FALSE(help);

    ASSERT_TRUE(Parse({"--input", "/abs/in.txt", "--record-audio", "../up.wav"}, error, help));
    EXPECT_EQ(platform::Options().inputScript, "/abs/in.txt");
    EXPECT_EQ(platform::Options().recordAudio, here + "../up.wav");
}

TEST(RunOptions, RejectsBadValuesAndUnknownOptions) {
    std::string error;
    bool help = false;
    EXPECT_FALSE(Parse({"--frames", "ten"}, error, help));
    EXPECT_FALSE(Parse({"--frames"}, error, help));
    EXPECT_FALSE(Parse({"--scale", "0"}, error, help));
    EXPECT_FALSE(Parse({"--dump-every", "-1"}, error, help));
    EXPECT_FALSE(Parse({"--what"}, error, help));
    EXPECT_NE(error.find("--what"), std::string::npos);
    EXPECT_TRUE(Parse({"--help"}, error, help));
    EXPECT_TRUE(help);
    EXPECT_EQ(platform::Options().frames, -1);  // defaults come back on every parse
}
