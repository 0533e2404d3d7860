// The launcher's data files under faults: garbage settings, files that
// cannot be read, files that are not files, saves that fail.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>
#include "launcher/launcher_data.h"
#include "tests/contract/contract_test_support.h"

using contracttest::TempRoot;

namespace {

namespace fs = std::filesystem;

class DataFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        data.SetFolder(root.Path());
        data.SetLog([this](const char* line) { lines.push_back(line); });
    }
    int CountLogged(const std::string& part) const {
        return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                              [&](const std::string& l) { return l.find(part) != std::string::npos; }));
    }
    TempRoot root;
    CLauncherData data;
    std::vector<std::string> lines;
};

TEST_F(DataFaultTest, SettingsBytesThatCannotBeBoundFallBackOneByOne) {
    // A zero-filled file: both keys and both pad buttons are impossible.
    root.Write("save.dat", std::string(6, '\0'));
    data.LoadSettings();
    const TevKeyConfig zeros = {0, 44, 45, 4, 5, 0};
    EXPECT_EQ(std::memcmp(&data.Saved(), &zeros, 6), 0);
    EXPECT_EQ(std::memcmp(&data.Working(), &zeros, 6), 0);
    EXPECT_EQ(lines.size(), 4u);
    EXPECT_EQ(CountLogged("key of button 1 0 cannot be bound; the default 44 is used"), 1);

    // Steering keys, a code past the table and a direction pad button go;
    // good bytes next to them stay.
    lines.clear();
    root.Write("save.dat", std::string("\x01\xC8\xF0\x03\x0F\x01", 6));
    data.LoadSettings();
    const TevKeyConfig mixed = {1, 44, 45, 4, 15, 1};
    EXPECT_EQ(std::memcmp(&data.Saved(), &mixed, 6), 0);
    EXPECT_EQ(lines.size(), 3u);

    // Every key the settings screen can bind survives a save and a load.
    for (int code = 0; code < 256; ++code) {
        if (!tev_data::IsBindableKey(code))
            continue;
        const TevKeyConfig record = {0, static_cast<uint8_t>(code), 45, 15, 4, 0};
        ASSERT_EQ(data.SaveSettings(record), 0);
        data.LoadSettings();
        ASSERT_EQ(std::memcmp(&data.Saved(), &record, 6), 0) << code;
    }
    EXPECT_FALSE(tev_data::IsBindableKey(200));   // up arrow steers
    EXPECT_FALSE(tev_data::IsBindableKey(17));    // W steers in the W S A D setting
    EXPECT_TRUE(tev_data::IsBindableKey(57));     // space
}

} // namespace
