#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <cstring>
#include <filesystem>
#include <string>
#include "launcher/launcher_data.h"
#include "launcher/profile_ini.h"
#include "tests/contract/contract_test_support.h"

using contracttest::TempRoot;

namespace {

class DataTest : public ::testing::Test {
protected:
    void SetUp() override { data.SetFolder(root.Path()); }
    static std::string Bytes(std::initializer_list<int> values) {
        std::string out;
        for (int v : values)
            out.push_back(static_cast<char>(v));
        return out;
    }
    static bool Same(const TevKeyConfig& a, const TevKeyConfig& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
    TempRoot root;
    CLauncherData data;
};

TEST_F(DataTest, SettingsDefaultWhenMissingAndReadOverDefaultsWhenShort) {
    data.LoadSettings();
    EXPECT_TRUE(Same(data.Saved(), kTevDefaultKeyConfig));
    EXPECT_TRUE(Same(data.Working(), kTevDefaultKeyConfig));

    root.Write("save.dat", Bytes({1, 57}));
    data.LoadSettings();
    const TevKeyConfig expected = {1, 57, 45, 4, 5, 0};
    EXPECT_TRUE(Same(data.Saved(), expected));
    EXPECT_TRUE(Same(data.Working(), expected));

    root.Write("save.dat", "");
    data.LoadSettings();
    EXPECT_TRUE(Same(data.Saved(), kTevDefaultKeyConfig));
}

TEST_F(DataTest, KeyCode10IsStoredAsSevenBytesAndReadsBack) {
    const TevKeyConfig record = {0, 10, 45, 4, 5, 1};
    ASSERT_EQ(data.SaveSettings(record), 0);
    EXPECT_EQ(root.Read("save.dat"), Bytes({0, 0x0D, 0x0A, 45, 4, 5, 1}));
    data.LoadSettings();
    EXPECT_TRUE(Same(data.Saved(), record));

    // Lone 0x0D and 0x1A bytes are data; 0x0D 0x0D 0x0A is 0x0D 0x0A.
    const TevKeyConfig odd = {13, 26, 13, 10, 10, 0};
    ASSERT_EQ(data.SaveSettings(odd), 0);
    EXPECT_EQ(root.Read("save.dat"), Bytes({13, 26, 13, 13, 10, 13, 10, 0}));
    data.LoadSettings();
    EXPECT_TRUE(Same(data.Saved(), odd));

    // Longer files: only the first six record bytes count.
    root.Write("save.dat", Bytes({1, 2, 3, 4, 5, 6, 7, 8}));
    data.LoadSettings();
    const TevKeyConfig first6 = {1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(Same(data.Saved(), first6));
}

TEST_F(DataTest, TextModeTranslationRoundTrips) {
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    all += "\n\n\r\r\n";
    const std::string disk = tev_data::ToTextMode(all.data(), all.size());
    EXPECT_EQ(disk.size(), all.size() + 4);
    EXPECT_EQ(tev_data::FromTextMode(disk), all);
}

TEST_F(DataTest, ScoreRecordIsLittleEndianInTextMode) {
    data.LoadScore();
    EXPECT_EQ(data.Score().tries, 0);
    EXPECT_EQ(data.Score().hits, 0);
    data.Score().tries = 10;
    data.Score().hits = 0x0A0B0C0A;
    ASSERT_EQ(data.SaveScore(), 0);
    EXPECT_EQ(root.Read("pv.dat"), Bytes({0x0D, 0x0A, 0, 0, 0, 0x0D, 0x0A, 0x0C, 0x0B, 0x0D, 0x0A}));
    CLauncherData other;
    other.SetFolder(root.Path());
    other.LoadScore();
    EXPECT_EQ(other.Score().tries, 10);
    EXPECT_EQ(other.Score().hits, 0x0A0B0C0A);

    data.Score().tries = -1;
    ASSERT_EQ(data.SaveScore(), 0);
    other.LoadScore();
    EXPECT_EQ(other.Score().tries, -1);

    // A cut record starts from zero.
    root.Write("pv.dat", Bytes({5, 0, 0}));
    other.LoadScore();
    EXPECT_EQ(other.Score().tries, 0);
    EXPECT_EQ(other.Score().hits, 0);
}

TEST_F(DataTest, TitleLinesCountAndLineEnds) {
    EXPECT_EQ(data.LoadTitleLines(), -1);
    ASSERT_EQ(data.GetTitleCount(), 1);
    EXPECT_STREQ(data.GetTitleLine(0), "あそびばこのちいさなゲームたち");

    // CR LF and LF ends; the last line without an end is read whole.
    root.Write("title.dat", "3\r\nfirst line\r\nsecond\nthird without end");
    EXPECT_EQ(data.LoadTitleLines(), 0);
    ASSERT_EQ(data.GetTitleCount(), 3);
    EXPECT_STREQ(data.GetTitleLine(0), "first line");
    EXPECT_STREQ(data.GetTitleLine(1), "second");
    EXPECT_STREQ(data.GetTitleLine(2), "third without end");
    EXPECT_STREQ(data.GetTitleLine(3), "");
    EXPECT_STREQ(data.GetTitleLine(-1), "");

    // Re-reading replaces every line, also with shorter ones.
    root.Write("title.dat", "2\nab\nc\n");
    EXPECT_EQ(data.LoadTitleLines(), 0);
    ASSERT_EQ(data.GetTitleCount(), 2);
    EXPECT_STREQ(data.GetTitleLine(0), "ab");
    EXPECT_STREQ(data.GetTitleLine(1), "c");

    // Fewer lines than the count: the lines there are.
    root.Write("title.dat", "5\none\ntwo\n");
    EXPECT_EQ(data.LoadTitleLines(), 0);
    EXPECT_EQ(data.GetTitleCount(), 2);

    // Fewer wanted than present: the count holds.
    root.Write("title.dat", "1\none\ntwo\n");
    EXPECT_EQ(data.LoadTitleLines(), 0);
    EXPECT_EQ(data.GetTitleCount(), 1);
    EXPECT_STREQ(data.GetTitleLine(0), "one");
}

TEST_F(DataTest, TitleCountOfNothingFallsBackToTheDefaultLine) {
    for (const char* text : {"", "0\nline\n", "-4\nline\n", "abc\nline\n", "2\n"}) {
        root.Write("title.dat", text);
        EXPECT_EQ(data.LoadTitleLines(), 0) << text;
        ASSERT_EQ(data.GetTitleCount(), 1) << text;
        EXPECT_STREQ(data.GetTitleLine(0), CLauncherData::DefaultTitleLine()) << text;
    }
}

TEST_F(DataTest, OverlongAndTooManyTitleLines) {
    std::string text = "400\n";
    for (int i = 0; i < 300; ++i)
        text += "line " + std::to_string(i) + "\n";
    root.Write("title.dat", text);
    EXPECT_EQ(data.LoadTitleLines(), 0);
    ASSERT_EQ(data.GetTitleCount(), 255);
    EXPECT_STREQ(data.GetTitleLine(254), "line 254");

    // A line over 63 bytes is cut at 63 and the rest dropped (the next line
    // stays the next line); a double-byte character is never split.
    const std::string longAscii(100, 'a');
    std::string kana;
    for (int i = 0; i < 40; ++i)
        kana += "あ";   // two bytes each in CP932
    root.Write("title.dat", "3\n" + longAscii + "\n" + "x" + kana + "\nafter\n");
    EXPECT_EQ(data.LoadTitleLines(), 0);
    ASSERT_EQ(data.GetTitleCount(), 3);
    EXPECT_EQ(std::string(data.GetTitleLine(0)), std::string(63, 'a'));
    EXPECT_EQ(std::strlen(data.GetTitleLine(1)), 63u);   // "x" and 31 characters
    EXPECT_EQ(std::string(data.GetTitleLine(1)), "x" + kana.substr(0, 62));
    EXPECT_STREQ(data.GetTitleLine(2), "after");
    root.Write("title.dat", "1\n" + kana + "\n");
    EXPECT_EQ(data.LoadTitleLines(), 0);
    EXPECT_EQ(std::string(data.GetTitleLine(0)), kana.substr(0, 62));
}

TEST_F(DataTest, PlayCountsPerFolderNameInTheirSection) {
    EXPECT_EQ(data.CountPlay("slope_runner"), 0);
    EXPECT_EQ(data.CountPlay("slope_runner"), 0);
    EXPECT_EQ(data.CountPlay("hill_drive"), 0);
    EXPECT_EQ(data.CountPlay("."), 0);
    EXPECT_EQ(data.GetPlayCount("slope_runner"), 2);
    EXPECT_EQ(data.GetPlayCount("hill_drive"), 1);
    EXPECT_EQ(data.GetPlayCount("."), 1);
    EXPECT_EQ(data.GetPlayCount("Slope_Runner"), 0);   // folder names are case-sensitive
    EXPECT_EQ(root.Read("play.dat"), "[ProjectVarrow]\r\nslope_runner=2\r\nhill_drive=1\r\n.=1\r\n");
}

TEST_F(DataTest, PlayCountKeepsWhatElseIsInTheFile) {
    root.Write("play.dat",
               "; written by hand\n[Other]\nslope_runner=77\n\n[projectvarrow]\n  lift_hopper = 41  \nbroken=x9\n"
               "junk line\n\n[Last]\nk=v");
    EXPECT_EQ(data.CountPlay("lift_hopper"), 0);
    EXPECT_EQ(data.CountPlay("broken"), 0);
    EXPECT_EQ(data.CountPlay("new_game"), 0);
    EXPECT_EQ(root.Read("play.dat"),
              "; written by hand\n[Other]\nslope_runner=77\n\n[projectvarrow]\nlift_hopper=42\nbroken=1\n"
              "junk line\nnew_game=1\n\n[Last]\nk=v");
    EXPECT_EQ(data.GetPlayCount("slope_runner"), 0);

    // A count at the top of the range stays there.
    root.Write("play.dat", "[ProjectVarrow]\r\nmax=2147483647\r\nhuge=99999999999999\r\n");
    EXPECT_EQ(data.CountPlay("max"), 0);
    EXPECT_EQ(data.CountPlay("huge"), 0);
    EXPECT_EQ(data.GetPlayCount("max"), 2147483647);
    EXPECT_EQ(data.GetPlayCount("huge"), 2147483647);
}

TEST_F(DataTest, FolderNamesThatCannotBeKeysAreRefused) {
    for (const char* name : {"a=b", "line\nbreak", "[section", ";comment", "", " padded"})
        EXPECT_EQ(data.CountPlay(name), -1) << name;
    EXPECT_FALSE(std::filesystem::exists(root.Sub("play.dat")));
    EXPECT_EQ(data.CountPlay(nullptr), -1);
}

// Random bytes in every file: read without a fault, results within bounds.
TEST_F(DataTest, GarbageFilesAreReadSafely) {
    uint32_t x = 987654321;
    auto next = [&x]() {
        x = x * 1664525u + 1013904223u;
        return static_cast<char>(x >> 24);
    };
    for (int round = 0; round < 40; ++round) {
        std::string bytes;
        const int size = round * 97 % 3000;
        for (int i = 0; i < size; ++i)
            bytes.push_back(next());
        if (round % 3 == 0)
            bytes = std::to_string(round * 13) + "\n" + bytes;   // a plausible count first
        for (const char* name : {"save.dat", "pv.dat", "title.dat", "play.dat"})
            root.Write(name, bytes);
        data.LoadSettings();
        data.LoadScore();
        ASSERT_EQ(data.LoadTitleLines(), 0);
        ASSERT_GE(data.GetTitleCount(), 1);
        ASSERT_LE(data.GetTitleCount(), 255);
        for (int i = 0; i < data.GetTitleCount(); ++i)
            ASSERT_LE(std::strlen(data.GetTitleLine(i)), 63u);
        data.CountPlay("game");
        EXPECT_GE(data.GetPlayCount("game"), 1) << round;
    }
}

TEST(ProfileIni, SectionMatchIgnoresCaseAndQuotesAreStripped) {
    CProfileIni ini;
    ini.Parse("[Sec]\na=\"quoted value\"\nb='x'\nc = plain \n[sec]\na=second\n");
    EXPECT_EQ(ini.GetString("SEC", "a", "-"), "quoted value");
    EXPECT_EQ(ini.GetString("sec", "b", "-"), "x");
    EXPECT_EQ(ini.GetString("sec", "c", "-"), "plain");
    EXPECT_EQ(ini.GetString("sec", "A", "-"), "-");
    EXPECT_EQ(ini.GetString("none", "a", "-"), "-");
    ini.Parse("[s]\nlong=" + std::string(400, '9') + "\n");
    EXPECT_EQ(ini.GetString("s", "long", "").size(), 255u);
}

TEST(ProfileIni, GarbageParsesAndRoundTripsUnchanged) {
    std::string garbage;
    uint32_t x = 12345;
    for (int i = 0; i < 5000; ++i) {
        x = x * 1103515245u + 12345u;
        garbage.push_back(static_cast<char>((x >> 16) & 0xFF));
        if (i % 37 == 0)
            garbage += "[ProjectVarrow\n=]\r\n";
    }
    CProfileIni ini;
    ini.Parse(garbage);
    EXPECT_EQ(ini.Text(), garbage);
    EXPECT_TRUE(ini.SetString("ProjectVarrow", "key", "1"));
    EXPECT_EQ(ini.GetString("ProjectVarrow", "key", "0"), "1");
}

// Saving never loses the previous file.
class AtomicSaveTest : public DataTest {};

TEST_F(AtomicSaveTest, FullDiskLeavesTheOldFilesIntact) {
    const TevKeyConfig old = {1, 57, 45, 6, 7, 0};
    ASSERT_EQ(data.SaveSettings(old), 0);
    data.Score().tries = 3;
    ASSERT_EQ(data.SaveScore(), 0);
    ASSERT_EQ(data.CountPlay("game"), 0);
    const std::string oldSave = root.Read("save.dat"), oldScore = root.Read("pv.dat"),
                      oldPlay = root.Read("play.dat");

    // No write may grow a file beyond 2 bytes: what a full disk does.
    struct sigaction ignore = {}, saved = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &saved);
    rlimit limit, before;
    getrlimit(RLIMIT_FSIZE, &before);
    limit = before;
    limit.rlim_cur = 2;
    setrlimit(RLIMIT_FSIZE, &limit);
    const TevKeyConfig fresh = {0, 44, 45, 4, 5, 0};
    const int saveResult = data.SaveSettings(fresh);
    data.Score().tries = 99;
    const int scoreResult = data.SaveScore();
    const int playResult = data.CountPlay("game");
    setrlimit(RLIMIT_FSIZE, &before);
    sigaction(SIGXFSZ, &saved, nullptr);

    EXPECT_EQ(saveResult, -1);
    EXPECT_EQ(scoreResult, -1);
    EXPECT_EQ(playResult, -1);
    EXPECT_EQ(root.Read("save.dat"), oldSave);
    EXPECT_EQ(root.Read("pv.dat"), oldScore);
    EXPECT_EQ(root.Read("play.dat"), oldPlay);
    data.LoadSettings();
    EXPECT_TRUE(Same(data.Saved(), old));
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 3);
}

TEST_F(AtomicSaveTest, InterruptedSaveLeavesTheOldFileAndReadsIgnoreLeftovers) {
    const TevKeyConfig old = {1, 57, 45, 6, 7, 0};
    ASSERT_EQ(data.SaveSettings(old), 0);
    // A save killed half-way leaves at most a temporary file beside it.
    root.Write("save.dat.Ab12Cd", std::string("\x00\x2C", 2));
    data.LoadSettings();
    EXPECT_TRUE(Same(data.Saved(), old));
    // A folder that cannot be written to: the save fails, nothing changes.
    CLauncherData elsewhere;
    elsewhere.SetFolder(root.Sub("missing-folder"));
    EXPECT_EQ(elsewhere.SaveSettings(old), -1);
    EXPECT_EQ(elsewhere.SaveScore(), -1);
    EXPECT_EQ(elsewhere.CountPlay("game"), -1);
}

TEST_F(AtomicSaveTest, UnreadablePlayFileIsNotReplaced) {
    // A play.dat that is a folder (unreadable as a file) stays as it is.
    std::filesystem::create_directories(root.Sub("play.dat"));
    EXPECT_EQ(data.CountPlay("game"), -1);
    EXPECT_TRUE(std::filesystem::is_directory(root.Sub("play.dat")));
    std::filesystem::remove(root.Sub("play.dat"));
    // A profile larger than any real one is refused rather than rewritten.
    root.Write("play.dat", std::string(CProfileIni::kMaxFileBytes + 10, ';'));
    EXPECT_EQ(data.CountPlay("game"), -1);
    EXPECT_EQ(std::filesystem::file_size(root.Sub("play.dat")), CProfileIni::kMaxFileBytes + 10);
}

} // namespace
