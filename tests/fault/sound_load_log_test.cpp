// Sound files that cannot be loaded leave a line naming them in the log.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/backend.h"
#include "plugin_api/tev_app.h"
#include "plugin_api/tev_base.h"
#include "sound/tev_win_direct_sound7.h"

namespace {

namespace fs = std::filesystem;

class FakeApp : public ITevApp {
public:
    void ShowMessage(const char*, ...) override {}
    void SetWindowTitle(const char*) override {}
    int WaitNextFrame() override { return 0; }
    bool SetFrameRate(double) override { return true; }
    double GetFrameRate() override { return 60.0; }
    bool AddListener(TevListener*) override { return true; }
    bool RemoveListener(TevListener*) override { return true; }
    void* GetWindowHandle() override { return this; }
};

TEST(SoundLoadLog, EveryFailedLoadIsLoggedWithTheFileAndWhy) {
    platform::SelectBackends(platform::BackendKind::Null);
    const fs::path dir = fs::temp_directory_path() / ("tev-soundlog-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path old = fs::current_path();
    fs::current_path(dir);
    CTevDebugOut log;
    ASSERT_EQ(log.Init(), 0);
    { std::ofstream("garbage.wav") << "RIFF not really a wave file at all"; }
    { std::ofstream("empty.mid") << ""; }
    FakeApp app;
    CTevWinDirectSound7 sound;
    ASSERT_TRUE(sound.Initialize(&app));
    EXPECT_FALSE(sound.Load(0, "missing.wav", false));
    EXPECT_FALSE(sound.Load(1, "garbage.wav", false));
    EXPECT_FALSE(sound.Load(2, "sound.xyz", false));
    sound.Load(3, "empty.mid", false);
    sound.Finalize();

    std::ifstream in("report.html", std::ios::binary);
    std::stringstream page;
    page << in.rdbuf();
    const std::string text = page.str();
    fs::current_path(old);
    fs::remove_all(dir);
    EXPECT_NE(text.find("missing.wav: No such file or directory"), std::string::npos) << text;
    EXPECT_NE(text.find("garbage.wav: cannot be opened or is not a valid sound file"), std::string::npos);
    EXPECT_NE(text.find("sound.xyz: no reader for this kind of file"), std::string::npos);
    EXPECT_NE(text.find("empty.mid: the MIDI file cannot be read or converted"), std::string::npos);
}

} // namespace
