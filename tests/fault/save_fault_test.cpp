// Kills a save of each launcher data file at every step of the save, and
// saves next to a FIFO, a link, a mode 000 file and on a full disk: every
// file must afterwards hold its old bytes or its new ones, and nothing else
// may be lost. The file calls of the save are wrapped at link time
// (-Wl,--wrap) so a child process can die exactly before or after any one.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "launcher/launcher_data.h"

namespace {
int g_step = 0;        // calls counted since the child armed the counter
int g_killAt = -1;     // step to die at; -1 = never
bool g_killAfter = false;

// Called before (after = false) and after each wrapped call.
void Step(bool after) {
    if (g_killAt < 0) return;
    if (!after) ++g_step;
    if (after == g_killAfter && g_step == g_killAt) raise(SIGKILL);
}
} // namespace

extern "C" {
int __real_open(const char* path, int flags, ...);
ssize_t __real_write(int fd, const void* data, size_t size);
int __real_fsync(int fd);
int __real_close(int fd);
int __real_rename(const char* from, const char* to);

int __wrap_open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & O_CREAT) {
        va_list args;
        va_start(args, flags);
        mode = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    Step(false);
    const int r = __real_open(path, flags, mode);
    Step(true);
    return r;
}
ssize_t __wrap_write(int fd, const void* data, size_t size) {
    Step(false);
    const ssize_t r = __real_write(fd, data, size);
    Step(true);
    return r;
}
int __wrap_fsync(int fd) {
    Step(false);
    const int r = __real_fsync(fd);
    Step(true);
    return r;
}
int __wrap_close(int fd) {
    Step(false);
    const int r = __real_close(fd);
    Step(true);
    return r;
}
int __wrap_rename(const char* from, const char* to) {
    Step(false);
    const int r = __real_rename(from, to);
    Step(true);
    return r;
}
}

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The folder the saves happen in: TEV_FAULT_DIR (the fault script points it
// at a small tmpfs) or a fresh one under the temporary folder.
class Folder {
public:
    Folder() {
        const char* base = std::getenv("TEV_FAULT_DIR");
        std::string pattern = (fs::path(base && *base ? base : fs::temp_directory_path().c_str()) /
                               "tev-fault-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp " << pattern;
        path = pattern;
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

struct DataFile {
    const char* name;
    std::function<int(CLauncherData&)> save;   // the save under test, new bytes each time
};

const std::vector<DataFile>& Files() {
    static const std::vector<DataFile> files = {
        {"save.dat", [](CLauncherData& d) { return d.SaveSettings(TevKeyConfig{1, 57, 28, 6, 7, 0}); }},
        {"pv.dat",
         [](CLauncherData& d) {
             d.LoadScore();
             d.Score().tries += 1;
             return d.SaveScore();
         }},
        {"play.dat", [](CLauncherData& d) { return d.CountPlay("game"); }},
    };
    return files;
}

// Runs one save in a child that dies at the given step; true when the
// child finished the save without being killed.
bool SaveInChild(const fs::path& folder, const DataFile& file, int killAt, bool after) {
    const pid_t child = fork();
    if (child == 0) {
        CLauncherData data;
        data.SetFolder(folder.string());
        g_step = 0;
        g_killAfter = after;
        g_killAt = killAt;
        const int r = file.save(data);
        g_killAt = -1;
        _exit(r == 0 ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return !(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(SaveFaults, AKillAtAnyStepOfASaveLeavesTheOldFileOrTheNewOne) {
    Folder folder;
    for (const DataFile& file : Files()) {
        // Starting from a saved file: old and new bytes.
        CLauncherData data;
        data.SetFolder(folder.path.string());
        ASSERT_EQ(file.save(data), 0);
        for (bool after : {false, true}) {
            for (int step = 1;; ++step) {
                ASSERT_LT(step, 100) << "the save never ends";
                const std::string old = Read(folder.path / file.name);
                const bool finished = SaveInChild(folder.path, file, step, after);
                // What the next start sees: stale temporaries gone, the file whole.
                CLauncherData next;
                next.SetFolder(folder.path.string());
                next.RemoveStaleTemporaries();
                ASSERT_EQ(Entries(folder.path).size(), static_cast<size_t>(&file - &Files()[0]) + 1)
                    << file.name << " step " << step;
                const std::string now = Read(folder.path / file.name);
                ASSERT_FALSE(now.empty()) << file.name << " step " << step;
                if (now != old) {
                    // The new bytes: what a completed save writes from the old.
                    Folder check;
                    std::ofstream(check.path / file.name, std::ios::binary | std::ios::trunc) << old;
                    CLauncherData again;
                    again.SetFolder(check.path.string());
                    ASSERT_EQ(file.save(again), 0);
                    ASSERT_EQ(now, Read(check.path / file.name)) << file.name << " step " << step;
                }
                if (finished) {
                    std::printf("%s: killed %s each of %d steps, never lost\n", file.name, after ? "after" : "before",
                                step - 1);
                    break;
                }
            }
        }
    }
}

TEST(SaveFaults, FifosLinksAndUnreadableFilesAreNeverLostNorReplaced) {
    Folder folder;
    for (const DataFile& file : Files()) {
        const fs::path path = folder.path / file.name;
        CLauncherData data;
        data.SetFolder(folder.path.string());
        // A FIFO: the save is refused at once and the FIFO stays.
        ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
        EXPECT_EQ(file.save(data), -1) << file.name;
        EXPECT_TRUE(fs::is_fifo(path));
        fs::remove(path);
        // A link to a file elsewhere: the link is replaced by a file of its
        // own; what it pointed to is never written through it.
        const fs::path target = folder.path / "elsewhere.txt";
        { std::ofstream(target) << "precious"; }
        fs::create_symlink(target, path);
        EXPECT_EQ(file.save(data), 0) << file.name;
        EXPECT_EQ(Read(target), "precious");
        EXPECT_FALSE(fs::is_symlink(path));
        fs::remove(target);
        // Mode 000: readable for root only. Never replaced by a file that
        // another user could not read either.
        chmod(path.c_str(), 0);
        const std::string before = [&] {
            chmod(path.c_str(), 0600);
            std::string b = Read(path);
            chmod(path.c_str(), 0);
            return b;
        }();
        const int r = file.save(data);
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        if (geteuid() == 0) {
            EXPECT_EQ(r, 0) << file.name;
            EXPECT_NE(st.st_mode & 0777, 0u) << file.name;
        } else {
            EXPECT_EQ(r, -1) << file.name;
            chmod(path.c_str(), 0600);
            EXPECT_EQ(Read(path), before) << file.name;
        }
        fs::remove(path);
    }
}

// Only meaningful on a small file system that can be filled: the fault
// script runs it on a tmpfs of its own (as root), else it is skipped.
TEST(SaveFaults, AFullDiskLosesNoFile) {
    const char* dir = std::getenv("TEV_FAULT_DIR");
    if (!dir || !*dir) GTEST_SKIP() << "no small file system to fill (run through the fault script as root)";
    Folder folder;
    CLauncherData data;
    data.SetFolder(folder.path.string());
    std::vector<std::string> olds;
    for (const DataFile& file : Files()) {
        ASSERT_EQ(file.save(data), 0);
        olds.push_back(Read(folder.path / file.name));
    }
    // Fill every last block.
    {
        std::ofstream filler(folder.path / "filler", std::ios::binary);
        const std::string block(4096, 'x');
        while (filler.write(block.data(), block.size())) {}
    }
    { std::ofstream tail(folder.path / "filler2", std::ios::binary); tail << std::string(1, 'x'); }
    for (size_t i = 0; i < Files().size(); ++i) {
        EXPECT_EQ(Files()[i].save(data), -1) << Files()[i].name;
        EXPECT_EQ(Read(folder.path / Files()[i].name), olds[i]) << Files()[i].name;
    }
    fs::remove(folder.path / "filler");
    fs::remove(folder.path / "filler2");
    EXPECT_EQ(Entries(folder.path), (std::vector<std::string>{"play.dat", "pv.dat", "save.dat"}));
}

} // namespace
