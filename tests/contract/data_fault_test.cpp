// The launcher's data files under faults: garbage settings, files that
// cannot be read, files that are not files, saves that fail.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>
#include "input/key_tables.h"
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
    // Exactly the named keys but the steering ones.
    for (int code = -1; code < 300; ++code) {
        const bool steers = code == 17 || code == 30 || code == 31 || code == 32 || code == 200 || code == 203 ||
                            code == 205 || code == 208;
        EXPECT_EQ(tev_data::IsBindableKey(code), tev_input::KeyName(code) != nullptr && !steers) << code;
    }
    EXPECT_FALSE(tev_data::IsBindableKey(200));   // up arrow steers
    EXPECT_FALSE(tev_data::IsBindableKey(17));    // W steers in the W S A D setting
    EXPECT_TRUE(tev_data::IsBindableKey(57));     // space
}

mode_t Mode(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 07777;
}

mode_t Umask() {
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

// Runs check in a child process as an ordinary user (root reads any file
// whatever its mode); the check prints what went wrong and returns false.
// The folder is handed to that user first.
bool AsOrdinaryUser(const std::string& folder, const std::function<bool()>& check) {
    if (geteuid() == 0 && chown(folder.c_str(), 65534, 65534) != 0)
        return false;
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

#define CHILD_CHECK(cond)                                                   \
    do {                                                                   \
        if (!(cond)) {                                                     \
            std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #cond); \
            return false;                                                  \
        }                                                                  \
    } while (0)

TEST_F(DataFaultTest, AFileThatCannotBeReadIsNeverOverwritten) {
    const std::string pv = root.Sub("pv.dat"), save = root.Sub("save.dat");
    const std::string oldScore("\x07\x00\x00\x00\x05\x00\x00\x00", 8);
    EXPECT_TRUE(AsOrdinaryUser(root.Path(), [&] {
        CLauncherData mine;
        mine.SetFolder(root.Path());
        root.Write("pv.dat", oldScore);
        root.Write("save.dat", std::string("\x00\x39\x2D\x04\x05\x00", 6));
        chmod(pv.c_str(), 0);
        chmod(save.c_str(), 0200);   // write-only
        mine.LoadScore();
        CHILD_CHECK(mine.Score().tries == 0 && mine.Score().hits == 0);
        mine.Score().tries = 1;
        CHILD_CHECK(mine.SaveScore() == -1);
        mine.LoadSettings();
        CHILD_CHECK(mine.SaveSettings(kTevDefaultKeyConfig) == -1);
        // Readable again: the score the unreadable load missed is still
        // not overwritten until it has been read.
        chmod(pv.c_str(), 0644);
        CHILD_CHECK(mine.SaveScore() == -1);
        CHILD_CHECK(root.Read("pv.dat") == oldScore);
        mine.LoadScore();
        CHILD_CHECK(mine.Score().tries == 7);
        mine.Score().tries = 8;
        CHILD_CHECK(mine.SaveScore() == 0);
        chmod(save.c_str(), 0600);
        CHILD_CHECK(root.Read("save.dat") == std::string("\x00\x39\x2D\x04\x05\x00", 6));
        return true;
    }));
    // A folder in place of a file reads as unreadable for root too.
    fs::remove(pv);
    fs::create_directories(pv);
    data.LoadScore();
    EXPECT_EQ(data.SaveScore(), -1);
    EXPECT_TRUE(fs::is_directory(pv));
    EXPECT_EQ(CountLogged("is there but could not be read"), 1);
}

TEST_F(DataFaultTest, SavedFilesGetOrdinaryPermissionsNotTheOldFilesMode) {
    const mode_t expected = 0644 & ~Umask();
    ASSERT_EQ(data.SaveSettings(kTevDefaultKeyConfig), 0);
    EXPECT_EQ(Mode(root.Sub("save.dat")), expected);
    // A read-only file (readable, so it may be replaced) and one of mode 000
    // that this user can still read (root): the new file is not like them.
    chmod(root.Sub("save.dat").c_str(), 0400);
    ASSERT_EQ(data.SaveSettings(kTevDefaultKeyConfig), 0);
    EXPECT_EQ(Mode(root.Sub("save.dat")), expected);
    ASSERT_EQ(data.SaveScore(), 0);
    chmod(root.Sub("pv.dat").c_str(), 0);
    data.LoadScore();
    if (geteuid() == 0) {
        ASSERT_EQ(data.SaveScore(), 0);
        EXPECT_EQ(Mode(root.Sub("pv.dat")), expected);
    }
    ASSERT_EQ(data.CountPlay("game"), 0);
    EXPECT_EQ(Mode(root.Sub("play.dat")), expected);
}

// Calls fn and waits for it at most a few seconds; a reader stuck on one of
// the FIFOs is set free by opening it for writing, so a failing test ends.
bool FinishesInTime(const std::function<void()>& fn, const std::vector<std::string>& fifos) {
    struct Job {
        const std::function<void()>* fn;
        volatile bool done;
    } job{&fn, false};
    pthread_t thread;
    pthread_create(&thread, nullptr, [](void* arg) -> void* {
        auto* j = static_cast<Job*>(arg);
        (*j->fn)();
        __atomic_store_n(&j->done, true, __ATOMIC_RELEASE);
        return nullptr;
    }, &job);
    bool inTime = false;
    for (int waited = 0; waited < 3000 && !(inTime = __atomic_load_n(&job.done, __ATOMIC_ACQUIRE)); waited += 10)
        usleep(10000);
    while (!__atomic_load_n(&job.done, __ATOMIC_ACQUIRE)) {
        for (const std::string& fifo : fifos) {
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                close(fd);
        }
        usleep(10000);
    }
    pthread_join(thread, nullptr);
    return inTime;
}

TEST_F(DataFaultTest, FifosInPlaceOfTheDataFilesNeitherHangNorAreReplaced) {
    std::vector<std::string> fifos;
    for (const char* name : {"save.dat", "pv.dat", "title.dat", "play.dat"}) {
        fifos.push_back(root.Sub(name));
        ASSERT_EQ(mkfifo(fifos.back().c_str(), 0644), 0);
    }
    int title = 0, saved = 0, score = 0, play = 0;
    EXPECT_TRUE(FinishesInTime(
        [&] {
            data.LoadSettings();
            data.LoadScore();
            title = data.LoadTitleLines();
            saved = data.SaveSettings(kTevDefaultKeyConfig);
            score = data.SaveScore();
            play = data.CountPlay("game");
        },
        fifos));
    EXPECT_EQ(std::memcmp(&data.Saved(), &kTevDefaultKeyConfig, 6), 0);
    EXPECT_EQ(title, -1);
    EXPECT_EQ(data.GetTitleCount(), 1);
    EXPECT_EQ(saved, -1);
    EXPECT_EQ(score, -1);
    EXPECT_EQ(play, -1);
    for (const std::string& fifo : fifos)
        EXPECT_TRUE(fs::is_fifo(fifo)) << fifo;
    EXPECT_EQ(CountLogged("not a regular file"), 3);              // the three loads
    EXPECT_EQ(CountLogged("is there but could not be read"), 3);  // the three saves
}

TEST_F(DataFaultTest, FailedSavesAreLoggedOncePerFileAndCause) {
    // Full disk: no file may grow past 2 bytes.
    struct sigaction ignore = {}, saved = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &saved);
    rlimit limit, before;
    getrlimit(RLIMIT_FSIZE, &before);
    limit = before;
    limit.rlim_cur = 2;
    setrlimit(RLIMIT_FSIZE, &limit);
    for (int i = 0; i < 3; ++i) {
        data.SaveSettings(kTevDefaultKeyConfig);
        data.SaveScore();
        data.CountPlay("game");
    }
    setrlimit(RLIMIT_FSIZE, &before);
    sigaction(SIGXFSZ, &saved, nullptr);
    EXPECT_EQ(lines.size(), 3u);
    for (const char* name : {"save.dat", "pv.dat", "play.dat"})
        EXPECT_EQ(CountLogged("cannot save " + root.Sub(name) + ": File too large"), 1) << name;

    // Another cause for the same file is a new line.
    data.SetFolder(root.Sub("gone"));
    data.SaveScore();
    data.SaveScore();
    EXPECT_EQ(CountLogged("cannot save " + root.Sub("gone/pv.dat") + ": No such file or directory"), 1);
    EXPECT_EQ(lines.size(), 4u);
}

TEST_F(DataFaultTest, TemporariesLeftByKilledSavesAreRemovedAtStart) {
    root.Write("save.dat", std::string("\x00\x2C\x2D\x04\x05\x00", 6));
    for (const char* stale : {"save.dat.Ab12Cd", "pv.dat.zzzzzz", "play.dat.000000"})
        root.Write(stale, "half");
    // Not ours, or not temporaries: kept.
    for (const char* other : {"save.dat.bak", "save.dat.Ab12Cd7", "title.dat.Ab12Cd", "notes.txt"})
        root.Write(other, "keep");
    fs::create_directories(root.Sub("pv.dat.folder"));
    EXPECT_EQ(data.RemoveStaleTemporaries(), 3);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(root.Path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"notes.txt", "pv.dat.folder", "save.dat", "save.dat.Ab12Cd7",
                                              "save.dat.bak", "title.dat.Ab12Cd"}));
    EXPECT_EQ(CountLogged("removed 3 temporary file(s)"), 1);
}

} // namespace
