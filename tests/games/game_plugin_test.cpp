// Every game of the collection loaded with the recording stand-in services
// and driven through its five exports, as the launcher does: the record of
// GetInfo, the files UserInit loads, the frame skeleton, and a second load
// that plays exactly like the first.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/games/game_plugins.h"  // generated: kGamePlugins
#include "tests/support/standin_services.h"

namespace {

using tevtest::PluginUnderTest;
using tevtest::StandinServices;

class EveryGame : public testing::TestWithParam<GamePlugin> {};

// The host makes the game's folder current around its calls: each play gets
// a fresh copy of the shipped folder, so the files a game reads are there and
// the score files it writes neither touch the build tree nor reach the next play.
class GameFolder {
public:
    explicit GameFolder(const GamePlugin& game) {
        char pattern[] = "/tmp/tev-plugin-test-XXXXXX";
        if (mkdtemp(pattern) == nullptr) return;
        m_root = pattern;
        std::filesystem::copy(game.dist, m_root, std::filesystem::copy_options::recursive);
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_root);
    }
    ~GameFolder() {
        if (m_root.empty()) return;
        std::filesystem::current_path(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    GameFolder(const GameFolder&) = delete;
    GameFolder& operator=(const GameFolder&) = delete;

private:
    std::filesystem::path m_root;
    std::filesystem::path m_previous;
};

// A player that mashes the six buttons of the default binding, changing
// what it holds every few frames; never Escape.
std::vector<std::set<int>> Mashing(int frames, unsigned seed) {
    const int keys[] = {tevtest::kKeyUp, tevtest::kKeyDown, tevtest::kKeyLeft,
                        tevtest::kKeyRight, tevtest::kKeyZ, tevtest::kKeyX};
    std::minstd_rand random(seed);
    std::vector<std::set<int>> out;
    std::set<int> held;
    for (int f = 0; f < frames; ++f) {
        if (random() % 4 == 0) {
            held.clear();
            for (int k : keys)
                if (random() % 3 == 0) held.insert(k);
        }
        out.push_back(held);
    }
    return out;
}

struct Play {
    std::vector<std::string> log;
    int frames = 0;
    int mainLoop = 0;
    int cleanUp = 0;
};

// One play from load to unload; checks the frame skeleton on every frame.
Play PlayOnce(const GamePlugin& game, StandinServices& host, const std::vector<std::set<int>>& input) {
    Play play;
    GameFolder folder(game);
    PluginUnderTest plugin(host);
    const std::string error = plugin.Load(game.plugin);
    EXPECT_EQ(error, "");
    if (!error.empty()) return play;
    host.log.Clear();
    EXPECT_EQ(plugin.SystemInit(), 0);
    EXPECT_TRUE(host.log.Has("draw.SetScreenSize 320 240")) << host.log.Text();
    EXPECT_EQ(plugin.UserInit(), 0) << host.log.Text();
    for (const std::set<int>& keys : input) {
        const size_t first = host.log.calls.size();
        play.mainLoop = plugin.Frame(keys);
        ++play.frames;
        std::vector<std::string> frame(host.log.calls.begin() + static_cast<long>(first), host.log.calls.end());
        // Clear first, text only inside the font batch, the batch closed.
        bool open = false;
        int clears = 0;
        for (const std::string& c : frame) {
            clears += c == "draw.Clear";
            if (c == "font.Begin") open = true;
            if (c == "font.End") open = false;
            if (c.starts_with("draw.PrintText") || c.starts_with("font.DrawText") || c.starts_with("font.Printf")) {
                EXPECT_TRUE(open) << game.name << " frame " << play.frames << ": " << c;
            }
        }
        EXPECT_EQ(clears, 1) << game.name << " frame " << play.frames;
        EXPECT_FALSE(host.font.open) << game.name << " frame " << play.frames;
        if (play.mainLoop != 0) break;
    }
    play.cleanUp = plugin.CleanUp();
    play.log = host.log.calls;
    plugin.Unload();
    return play;
}

TEST_P(EveryGame, DescribesItselfWithinItsRecord) {
    const GamePlugin& game = GetParam();
    GameFolder folder(game);
    StandinServices host;
    PluginUnderTest plugin(host);
    ASSERT_EQ(plugin.Load(game.plugin), "");
    ASSERT_EQ(plugin.SystemInit(), 0);
    TevHostGameInfo buffer;
    std::memset(&buffer, 0x7F, sizeof buffer);
    TevGameInfo* info = plugin.GetInfo(reinterpret_cast<TevGameInfo*>(&buffer));
    ASSERT_EQ(static_cast<void*>(info), static_cast<void*>(&buffer));
    EXPECT_GT(std::strlen(info->title), 0u);
    EXPECT_LT(std::strlen(info->title), sizeof info->title);
    EXPECT_LT(std::strlen(info->author), sizeof info->author);
    EXPECT_LT(std::strlen(info->comment), sizeof info->comment);
    EXPECT_EQ(info->reserved, 0);
    ASSERT_LT(std::strlen(info->image), sizeof info->image);
    EXPECT_TRUE(std::filesystem::exists(std::string(game.dist) + "/" + info->image)) << info->image;
}

TEST_P(EveryGame, LoadsOnlyFilesThatShip) {
    const GamePlugin& game = GetParam();
    GameFolder folder(game);
    StandinServices host;
    PluginUnderTest plugin(host);
    ASSERT_EQ(plugin.Load(game.plugin), "");
    ASSERT_EQ(plugin.SystemInit(), 0);
    ASSERT_EQ(plugin.UserInit(), 0);
    // A name with an extension the game registered a reader of its own for
    // is served by that reader, not read from a file.
    std::set<std::string> ownReaders;
    for (const std::string& call : host.log.With("sound.RegisterReader "))
        ownReaders.insert("." + call.substr(std::string("sound.RegisterReader ").size()));
    // "draw.CreateTexture <slot> <file> <key>", "sound.Load <channel> <file> <stream>"
    for (const std::string prefix : {"draw.CreateTexture ", "sound.Load "}) {
        for (const std::string& call : host.log.With(prefix)) {
            const size_t file = call.find(' ', prefix.size()) + 1;
            const std::string name = call.substr(file, call.find(' ', file) - file);
            if (ownReaders.count(std::filesystem::path(name).extension().string()) != 0) continue;
            EXPECT_TRUE(std::filesystem::exists(std::string(game.dist) + "/" + name)) << call;
        }
    }
    plugin.CleanUp();
}

TEST_P(EveryGame, PlaysTheSameAfterAReload) {
    const GamePlugin& game = GetParam();
    setenv("TEV_FIXED_CLOCK", "1234", 1);
    const std::vector<std::set<int>> input = Mashing(1500, 7);
    StandinServices host;
    const Play first = PlayOnce(game, host, input);
    const Play second = PlayOnce(game, host, input);
    unsetenv("TEV_FIXED_CLOCK");
    EXPECT_GT(first.frames, 0);
    EXPECT_EQ(second.frames, first.frames);
    EXPECT_EQ(second.mainLoop, first.mainLoop);
    EXPECT_EQ(second.cleanUp, first.cleanUp);
    EXPECT_TRUE(second.log == first.log) << game.name << ": the second load played differently";
}

INSTANTIATE_TEST_SUITE_P(Games, EveryGame, testing::ValuesIn(kGamePlugins),
                         [](const testing::TestParamInfo<GamePlugin>& info) { return std::string(info.param.name); });

}  // namespace
