// Scripted input and recording: parsing, frame-exact replay, record/replay.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "input/input_script.h"
#include "input/tev_dx_input.h"
#include "platform/backend.h"
#include "platform/input/input_device.h"

using platform::InputEvent;
using tev_input::InputScript;

namespace {

std::string TempPath(const char* name) {
    return std::string(TEV_BINARY_DIR) + "/tests/input/" + name;
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(InputScriptParse, EventsCommentsAndOrder) {
    InputScript script;
    std::vector<std::string> errors;
    const size_t n = script.Parse("# a comment line\n"
                                  "\n"
                                  "3 Z down   # pressed\r\n"
                                  "  1\tRETURN   down\n"
                                  "3 PAD7.15 up\n"
                                  "2 pad0.4 DOWN\n"
                                  "3 1 down\n"
                                  "10 ESCAPE up",
                                  &errors);
    EXPECT_TRUE(errors.empty()) << errors[0];
    ASSERT_EQ(n, 6u);
    const auto& e = script.Events();
    EXPECT_EQ(e[0].frame, 1);
    EXPECT_EQ(e[0].code, 28);
    EXPECT_EQ(e[1].frame, 2);
    EXPECT_TRUE(e[1].isPad);
    EXPECT_EQ(e[1].pad, 0);
    EXPECT_EQ(e[1].code, 4);
    EXPECT_TRUE(e[1].down);
    // Within a frame the file's order stands.
    EXPECT_EQ(e[2].code, 44);
    EXPECT_TRUE(e[3].isPad);
    EXPECT_EQ(e[3].pad, 7);
    EXPECT_EQ(e[3].code, 15);
    EXPECT_FALSE(e[3].down);
    EXPECT_EQ(e[4].code, 2);  // the key named "1"
    EXPECT_EQ(e[4].frame, 3);
    EXPECT_EQ(e[5].frame, 10);
    EXPECT_FALSE(e[5].down);
}

TEST(InputScriptParse, GarbageLinesAreReportedAndSkipped) {
    InputScript script;
    std::vector<std::string> errors;
    std::string text =
        "0 Z down\n"            // frames start at 1
        "-4 Z down\n"
        "x Z down\n"
        "99999999999999999999 Z down\n"
        "5 NOSUCHKEY down\n"
        "5 PAD8.0 down\n"       // pad out of range
        "5 PAD0.16 down\n"      // button out of range
        "5 PAD0. down\n"
        "5 PAD.1 down\n"
        "5 Z pressed\n"
        "5 Z\n"
        "5 Z down extra\n"
        "6 X down\n";           // the one good line
    text += std::string("7 \x01\xff\x80", 6) + std::string(1, '\0') + " down\n";
    text += std::string(100000, 'A') + "\n";
    const size_t n = script.Parse(text, &errors);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(errors.size(), 14u);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0].rfind("line 1:", 0), 0u) << errors[0];
    for (const std::string& message : errors) {
        EXPECT_LT(message.size(), 120u);
        for (char c : message) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << message;
    }
}

TEST(InputScriptParse, MissingFileIsAnError) {
    InputScript script;
    std::vector<std::string> errors;
    EXPECT_FALSE(script.LoadFile(TempPath("does-not-exist.txt"), &errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("does-not-exist.txt"), std::string::npos);
}

class ScriptedInput : public ::testing::Test {
protected:
    void SetUp() override { platform::SelectBackends(platform::BackendKind::Null); }
};

TEST_F(ScriptedInput, ReplayGivesTheCountersFrameByFrame) {
    const std::string path = TempPath("replay.txt");
    WriteFile(path,
              "1 Z down\n"
              "3 Z up\n"
              "4 Z down\n"        // pressed again right after the release
              "4 PAD1.0 down\n"   // a pad that is not plugged in appears
              "4 PAD1.5 down\n"
              "5 PAD1.5 up\n"
              "6 RETURN down\n"
              "6 RETURN up\n"     // a tap inside one frame
              "7 Z up\n");
    platform::NullInputDevice device;
    CTevDxInput input(device);
    input.Initialize(nullptr);
    ASSERT_TRUE(input.StartScript(path));

    struct Row {
        int z, padUp, padButton1, ret;
    } expected[] = {
        {1, 0, 0, 0},     // frame 1
        {2, 0, 0, 0},     // 2
        {-1, 0, 0, 0},    // 3
        {1, 1, 1, 0},     // 4
        {2, 2, -1, 0},    // 5
        {3, 3, 0, 1},     // 6
        {-1, 4, 0, -1},   // 7
        {0, 5, 0, 0},     // 8
    };
    // The first BeginFrame is the poll that starts frame 1.
    for (int frame = 1; frame <= 8; ++frame) {
        input.BeginFrame();
        ASSERT_EQ(input.PollCount(), frame);
        const Row& row = expected[frame - 1];
        EXPECT_EQ(input.GetKey(44), row.z) << "frame " << frame;
        EXPECT_EQ(input.GetPadButton(1, 0), row.padUp) << "frame " << frame;
        EXPECT_EQ(input.GetPadButton(1, 5), row.padButton1) << "frame " << frame;
        EXPECT_EQ(input.GetKey(28), row.ret) << "frame " << frame;
    }
    EXPECT_EQ(input.GetPadCount(), 2);
}

TEST_F(ScriptedInput, RecordingReplaysToTheSameCounters) {
    const std::string path = TempPath("recorded.txt");
    std::vector<std::vector<int>> seen;
    auto snapshot = [](CTevDxInput& in) {
        std::vector<int> v;
        for (int code = 0; code < 238; ++code) v.push_back(in.GetKey(code));
        for (int p = 0; p < 8; ++p)
            for (int b = 0; b < 16; ++b) v.push_back(in.GetPadButton(p, b));
        return v;
    };
    {
        platform::NullInputDevice device;
        CTevDxInput input(device);
        input.Initialize(nullptr);
        ASSERT_TRUE(input.StartRecording(path));
        // A person playing: keys, a stick, a D-pad and a button.
        for (int frame = 1; frame <= 40; ++frame) {
            if (frame == 2) device.Inject(InputEvent::KeyEvent(200, true));
            if (frame == 5) device.Inject(InputEvent::PadAttachEvent(0));
            if (frame == 6) device.Inject(InputEvent::PadAxisEvent(0, 0, 800));
            if (frame == 9) device.Inject(InputEvent::KeyEvent(200, false));
            if (frame == 9) device.Inject(InputEvent::PadButtonEvent(0, 1, true));
            if (frame == 12) {
                device.Inject(InputEvent::KeyEvent(45, true));
                device.Inject(InputEvent::KeyEvent(45, false));
            }
            if (frame == 15) device.Inject(InputEvent::PadAxisEvent(0, 0, 0));
            if (frame == 16) device.Inject(InputEvent::PadDirectionEvent(0, platform::kPadDirDown, true));
            if (frame == 20) device.Inject(InputEvent::PadDetachEvent(0));
            if (frame == 30) device.Inject(InputEvent::KeyEvent(240, true));  // never registers
            input.BeginFrame();
            seen.push_back(snapshot(input));
        }
        input.Finalize();
    }
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("2 UP down\n"), std::string::npos) << text;
    EXPECT_NE(text.find("6 PAD0.3 down\n"), std::string::npos) << text;
    EXPECT_NE(text.find("9 PAD0.5 down\n"), std::string::npos) << text;

    platform::NullInputDevice device;
    CTevDxInput input(device);
    input.Initialize(nullptr);
    ASSERT_TRUE(input.StartScript(path));
    for (int frame = 1; frame <= 40; ++frame) {
        input.BeginFrame();
        ASSERT_EQ(snapshot(input), seen[frame - 1]) << "frame " << frame;
    }
}

TEST_F(ScriptedInput, UnwritableRecordIsReported) {
    platform::NullInputDevice device;
    CTevDxInput input(device);
    input.Initialize(nullptr);
    EXPECT_FALSE(input.StartRecording(TempPath("no-such-dir/record.txt")));
    input.BeginFrame();  // and polling goes on
}

} // namespace
