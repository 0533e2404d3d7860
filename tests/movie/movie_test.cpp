// The movie module end to end on a movie made at test time: a moving test
// pattern with a 440 Hz tone, decoded, timed by the audio clock of the null
// output, shown on top of the frame and heard in the mix.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "movie/tev_dx_movie.h"
#include "platform/audio/audio.h"
#include "platform/backend.h"
#include "platform/window.h"
#include "platform/window_null.h"

namespace fs = std::filesystem;

namespace {

class MovieTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        platform::SelectBackends(platform::BackendKind::Null);
        platform::audio::StartOutput();
        folder = fs::temp_directory_path() / ("tev-movie-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        std::string command = "ffmpeg -loglevel error -y -f lavfi -i testsrc=size=64x48:rate=30:duration=2 "
                              "-f lavfi -i sine=frequency=440:duration=2:sample_rate=22050 "
                              "-c:v mpeg4 -q:v 3 -c:a pcm_s16le -shortest " +
                              (folder / "clip.avi").string();
        made = std::system(command.c_str()) == 0 && fs::exists(folder / "clip.avi");
    }
    static void TearDownTestSuite() { fs::remove_all(folder); }

    void SetUp() override {
        if (!made) GTEST_SKIP() << "the ffmpeg tool could not make a test movie";
        fs::current_path(folder);
        movie.Initialize(nullptr);
        ASSERT_TRUE(movie.InitializeAfterUser());
    }
    void TearDown() override { movie.Finalize(); }

    // One frame of the loop: 1/60 s of output, then the module's frame start.
    double Frame() {
        std::vector<int16_t> out(735 * 2);
        platform::audio::AdvanceNull(735, out.data());
        movie.BeginFrame();
        double peak = 0;
        for (int16_t s : out) peak = std::max(peak, std::fabs(s / 32768.0));
        return peak;
    }
    static const platform::NullWindow& Window() { return static_cast<const platform::NullWindow&>(platform::Window()); }

    static inline fs::path folder;
    static inline bool made = false;
    CTevDxMovie movie;
};

uint64_t Checksum(const platform::IWindow::VideoOverlay& o) {
    uint64_t sum = 0;
    for (int i = 0; i < o.width * o.height; ++i) sum = sum * 31 + o.pixels[i];
    return sum;
}

} // namespace

TEST_F(MovieTest, LoadsPlaysShowsFramesAndStopsAtTheEnd) {
    long w = 0, h = 0;
    EXPECT_EQ(movie.GetState(), 0);
    EXPECT_EQ(movie.Load("clip.avi", &w, &h), 0);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
    EXPECT_EQ(movie.GetState(), 1);
    EXPECT_FALSE(Window().HasOverlay());

    movie.Play(10, 20, 128, 96, 0, 0, 64, 48);
    EXPECT_EQ(movie.GetState(), 2);
    ASSERT_TRUE(Window().HasOverlay());
    EXPECT_EQ(Window().Overlay().dstX, 10);
    EXPECT_EQ(Window().Overlay().dstW, 128);
    EXPECT_EQ(Window().Overlay().srcW, 64);
    uint64_t first = Checksum(Window().Overlay());

    double loudest = 0;
    for (int i = 0; i < 30; ++i) loudest = std::max(loudest, Frame());
    EXPECT_GT(loudest, 0.05) << "the tone is heard in the mix";
    EXPECT_NE(Checksum(Window().Overlay()), first) << "the pattern moves";

    for (int i = 0; i < 150 && movie.GetState() == 2; ++i) Frame();
    EXPECT_EQ(movie.GetState(), 1) << "the end of the movie stops it";
    EXPECT_FALSE(Window().HasOverlay());
}

TEST_F(MovieTest, PauseResumeAndSeekKeepThePosition) {
    long w = 0, h = 0;
    movie.Load("clip.avi", &w, &h);
    movie.Pause();  // loaded, not playing: nothing happens
    EXPECT_EQ(movie.GetState(), 1);
    movie.Play(0, 0, 64, 48, 0, 0, 64, 48);
    movie.Resume();  // playing: nothing happens
    EXPECT_EQ(movie.GetState(), 2);
    for (int i = 0; i < 30; ++i) Frame();
    movie.Pause();
    EXPECT_EQ(movie.GetState(), 3);
    int64_t paused = movie.PositionNs();
    for (int i = 0; i < 30; ++i) Frame();
    EXPECT_EQ(movie.PositionNs(), paused) << "a paused movie's clock stands still";
    EXPECT_NEAR(paused / 1e9, 0.5, 0.05);

    movie.Seek(15000000);  // 1.5 s in 100 ns units, while paused
    EXPECT_EQ(movie.GetState(), 3);
    EXPECT_EQ(movie.PositionNs(), 1500000000);
    movie.Resume();
    EXPECT_EQ(movie.GetState(), 2);
    Frame();
    EXPECT_GE(movie.PositionNs(), 1500000000);
    for (int i = 0; i < 60 && movie.GetState() == 2; ++i) Frame();
    EXPECT_EQ(movie.GetState(), 1) << "half a second after 1.5 s the 2 s movie is over";
}

TEST_F(MovieTest, BasePathJoinsWithoutSeparatorAndBadFilesStillLoad) {
    long w = -1, h = -1;
    fs::create_directories("sub");
    fs::copy_file("clip.avi", "sub/clip.avi", fs::copy_options::overwrite_existing);
    movie.SetBasePath("sub/");
    movie.Load("clip.avi", &w, &h);
    EXPECT_EQ(w, 64);
    movie.SetBasePath("sub");  // no separator is added: "subclip.avi" does not exist
    movie.Load("clip.avi", &w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(movie.GetState(), 1) << "loading never fails outward";
    movie.Play(0, 0, 64, 48, 0, 0, 64, 48);
    Frame();
    EXPECT_EQ(movie.GetState(), 1) << "nothing to show stops at once";

    movie.SetBasePath("");
    { std::ofstream("garbage.avi", std::ios::binary) << std::string(5000, '\x37'); }
    movie.Load("garbage.avi", &w, &h);
    EXPECT_EQ(movie.GetState(), 1);
    EXPECT_EQ(w, 0);
}
