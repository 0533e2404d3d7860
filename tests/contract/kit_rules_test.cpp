// The host-free half of the kit: best-score files and digit-strip numbers.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "games/kit/score_file.h"
#include "games/kit/tev_game.h"
#include "tests/support/recording_sink.h"

namespace fs = std::filesystem;

namespace {

class ScoreFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("tev-score-" + std::to_string(getpid()) + "-" +
                                           testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        path = (dir / "score.dat").string();
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    void Write(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    std::string Read() const {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    int Entries() const { return static_cast<int>(std::distance(fs::directory_iterator(dir), {})); }

    fs::path dir;
    std::string path;
};

TEST_F(ScoreFileTest, MissingFileGivesTheInitialScoreAndIsCreated) {
    tev::ScoreFile score;
    score.Load(path.c_str(), 300);
    EXPECT_EQ(score.score(), 300);
    EXPECT_FALSE(score.loaded());
    EXPECT_FALSE(score.SaveIfHigher(300));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(score.SaveIfHigher(0x01020304));
    EXPECT_EQ(Read(), std::string("\x04\x03\x02\x01", 4));
    tev::ScoreFile again;
    again.Load(path.c_str(), 300);
    EXPECT_TRUE(again.loaded());
    EXPECT_EQ(again.score(), 0x01020304);
}

TEST_F(ScoreFileTest, ShortFileKeepsTheInitialScoreAndExtraBytesAreIgnored) {
    Write(std::string("\x10\x00\x00", 3));
    tev::ScoreFile score;
    score.Load(path.c_str(), 7);
    EXPECT_EQ(score.score(), 7);
    EXPECT_FALSE(score.loaded());
    EXPECT_TRUE(score.Save(8));
    EXPECT_EQ(Read().size(), 4u);

    Write(std::string("\xFE\xFF\xFF\xFF\x55\x66", 6));  // -2, then noise
    score.Load(path.c_str(), 7);
    EXPECT_TRUE(score.loaded());
    EXPECT_EQ(score.score(), -2);
    EXPECT_TRUE(score.SaveIfHigher(-1));
    EXPECT_EQ(Read(), std::string("\xFF\xFF\xFF\xFF", 4));
}

TEST_F(ScoreFileTest, AFileThatCannotBeReadIsNeverOverwritten) {
    // A folder where the file should be: it opens but does not read.
    fs::create_directory(path);
    tev::ScoreFile score;
    score.Load(path.c_str(), 5);
    EXPECT_EQ(score.score(), 5);
    EXPECT_FALSE(score.Save(1000));
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove(path);

    // A FIFO neither blocks the read nor is replaced.
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    score.Load(path.c_str(), 5);
    EXPECT_EQ(score.score(), 5);
    EXPECT_FALSE(score.Save(1000));
    EXPECT_TRUE(fs::is_fifo(path));

    if (geteuid() != 0) {  // root reads whatever the permissions say
        fs::remove(path);
        Write(std::string("\x09\x00\x00\x00", 4));
        fs::permissions(path, fs::perms::none);
        score.Load(path.c_str(), 5);
        EXPECT_EQ(score.score(), 5);
        EXPECT_FALSE(score.SaveIfHigher(1000));
        fs::permissions(path, fs::perms::owner_read);
        EXPECT_EQ(Read(), std::string("\x09\x00\x00\x00", 4));
    }
    // A path too long for the record is refused, not cut short.
    const std::string long_path = (dir / std::string(300, 'x')).string();
    score.Load(long_path.c_str(), 5);
    EXPECT_FALSE(score.Save(6));
}

TEST_F(ScoreFileTest, SavingReplacesTheFileWholeWithOrdinaryPermissions) {
    Write(std::string("\x01\x00\x00\x00", 4));
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    tev::ScoreFile score;
    score.Load(path.c_str());
    ASSERT_TRUE(score.Save(2));
    struct stat after;
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);  // a new file renamed over the old
    // 0644 less the umask, as any new file: never the old file's mode.
    const mode_t mask = umask(022);
    umask(mask);
    EXPECT_EQ(after.st_mode & 07777, 0644u & ~mask);
    EXPECT_EQ(Read(), std::string("\x02\x00\x00\x00", 4));
    EXPECT_EQ(Entries(), 1);  // no temporary left behind

    if (geteuid() != 0) {
        // Where no temporary can be written, the old file stays as it was.
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(score.Save(3));
        EXPECT_EQ(score.score(), 2);
        EXPECT_EQ(Read(), std::string("\x02\x00\x00\x00", 4));
        EXPECT_EQ(Entries(), 1);
    }
}

// The digits drawn, as their indices in the strip, and their x positions.
struct Drawn {
    std::string digits;
    std::vector<int> xs;
};

Drawn DrawnDigits(const tevtest::RecordingSink& sink, const tev::DigitFont& font) {
    Drawn d;
    for (const tevtest::BlitCall& b : sink.Blits()) {
        EXPECT_EQ(b.texture, font.texture);
        EXPECT_EQ(b.y, 50);
        EXPECT_EQ(b.src.y, font.zero.y);
        EXPECT_EQ(b.src.w, font.zero.w);
        EXPECT_EQ(b.src.h, font.zero.h);
        EXPECT_EQ((b.src.x - font.zero.x) % font.zero.w, 0);
        d.digits += static_cast<char>('0' + (b.src.x - font.zero.x) / font.zero.w);
        d.xs.push_back(b.x);
    }
    return d;
}

TEST(DrawNumber, DigitsFromTheStripWithLeadingZeros) {
    const tev::DigitFont font{4, {10, 20, 6, 8}, 7};
    struct Case {
        int64_t value;
        int min_digits;
        std::string digits;
    } cases[] = {
        {0, 1, "0"},
        {0, 3, "000"},
        {42, 5, "00042"},
        {12345, 2, "12345"},
        {-305, 1, "305"},  // the strips have no sign
        {-7, 3, "007"},
        {std::numeric_limits<int64_t>::max(), 1, "9223372036854775807"},
        {std::numeric_limits<int64_t>::min(), 1, "9223372036854775808"},
        {5, 40, std::string(19, '0') + "5"},  // at most 20 digits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        tevtest::RecordingSink sink;
        const int count = tev::DrawNumber(sink, font, 100, 50, c.value, c.min_digits);
        const Drawn d = DrawnDigits(sink, font);
        EXPECT_EQ(d.digits, c.digits);
        EXPECT_EQ(count, static_cast<int>(c.digits.size()));
        for (size_t i = 0; i < d.xs.size(); ++i) EXPECT_EQ(d.xs[i], 100 + 7 * static_cast<int>(i));
    }
}

}  // namespace
