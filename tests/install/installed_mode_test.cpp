// The program installed under a prefix: the layout, where the player's files
// go when the program's folder is read-only (installed) or writable
// (portable), and the Debian package unpacked and started.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/key_script.h"
#include "tests/support/launcher_sandbox.h"

namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "tev-install-XXXXXX").string();
        if (mkdtemp(pattern.data())) path = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        if (path.empty() || std::getenv("TEV_KEEP_SANDBOX")) return;
        std::system(("chmod -R u+w '" + path + "' 2>/dev/null").c_str());
        fs::remove_all(path, ec);
    }
    std::string path;
};

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

int32_t FirstInt(const fs::path& p) {
    const std::string b = Read(p);
    int32_t v = -1;
    if (b.size() >= 4) std::memcpy(&v, b.data(), 4);
    return v;
}

// Every file under root with its size and modification time.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        struct stat st;
        if (lstat(e.path().c_str(), &st) != 0) continue;
        out[e.path().string()] = std::to_string(st.st_size) + "@" + std::to_string(st.st_mtim.tv_sec) + "." +
                                 std::to_string(st.st_mtim.tv_nsec);
    }
    return out;
}

// Runs program with a clean player environment; output into log.
int RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& dataHome,
        bool forceInstalled, const std::string& log) {
    const pid_t pid = fork();
    if (pid == 0) {
        unsetenv("TEV_ARCADE_MODE");
        unsetenv("TEV_GAME_DATA");
        if (forceInstalled) setenv("TEV_ARCADE_MODE", "installed", 1);
        setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", dataHome.c_str(), 1);
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return tevtest::LauncherSandbox::Wait(pid, 240);
}

// Splash stopped (a try in "pv.dat"), then OPTION, key settings: Q becomes
// button 1 and 9 button 2, saved; Escape quits.
std::string SettingsScript() {
    tevtest::KeyScript s;
    s.Tap(40, "Z", 1);
    s.Tap(75, "Z", 1);
    s.Tap(80, "Z", 1);
    s.Tap(145, "LEFT", 1);
    s.Tap(170, "Z", 1);
    const long f = 295;
    s.Tap(f, "DOWN", 1);
    s.Tap(f + 5, "Z", 1);
    s.Tap(f + 10, "DOWN", 1);
    s.Tap(f + 15, "Q", 2);
    s.Tap(f + 25, "DOWN", 1);
    s.Tap(f + 30, "9", 1);
    for (int i = 0; i < 5; ++i) s.Tap(f + 35 + 5 * i, "DOWN", 1);
    s.Tap(f + 65, "Z", 1);
    s.Tap(f + 150, "ESCAPE", 1);
    return s.Text();
}

// With Q as button 1 (so only if the settings were kept): the splash, the
// title, the list's only game started; the run ends inside it, whose
// clean-up saves its best score.
std::string PlayScript() {
    tevtest::KeyScript s;
    s.Tap(45, "Q", 1);
    s.Tap(80, "Q", 1);
    s.Tap(85, "Q", 1);
    s.Tap(150, "Q", 1);
    s.Tap(245, "Q", 2);
    return s.Text();
}

struct Installed {
    TempDir dir;
    std::string prefix, app, data;
    Installed() {
        prefix = dir.path + "/prefix";
        app = prefix + "/lib/tev-arcade";
        data = dir.path + "/data";
        fs::create_directories(data);
    }
};

bool Install(const Installed& at) {
    return std::system(("'" TEV_CMAKE "' --install '" TEV_BINARY_DIR "' --prefix '" + at.prefix + "' >/dev/null").c_str()) == 0;
}

// Lift hopper alone in the list (its clean-up always saves the best score).
void KeepOnlyLiftHopper(const Installed& at) {
    for (const auto& e : fs::directory_iterator(at.app))
        if (e.is_directory() && e.path().filename() != "lift_hopper") fs::remove_all(e.path());
}

// Three runs: settings and a splash try; a play; a play with a best score
// put in the file beforehand. `player` is where the files must be.
void PlayThreeTimes(const Installed& at, bool forceInstalled, const std::string& player) {
    std::ofstream(at.dir.path + "/settings.script") << SettingsScript();
    std::ofstream(at.dir.path + "/play.script") << PlayScript();
    const std::string program = at.prefix + "/bin/tev-arcade";
    const std::string log = at.dir.path + "/run.log";
    ASSERT_EQ(RunProgram(program, {"--headless", "--frames", "2000", "--input", at.dir.path + "/settings.script"}, at.data,
                  forceInstalled, log),
              0)
        << Read(log);
    EXPECT_EQ(Read(player + "/save.dat"), std::string("\x00\x10\x0D\x0A\x04\x05\x00", 7));
    EXPECT_EQ(FirstInt(player + "/pv.dat"), 1);

    const std::vector<std::string> play{"--headless", "--frames", "420", "--input", at.dir.path + "/play.script"};
    ASSERT_EQ(RunProgram(program, play, at.data, forceInstalled, log), 0) << Read(log);
    EXPECT_EQ(FirstInt(player + "/pv.dat"), 2) << "the try of the first run was kept";
    EXPECT_EQ(FirstInt(player + "/lift_hopper/hiscore.dat"), 0) << "the game was played and saved its score";
    {
        std::ofstream best(player + "/lift_hopper/hiscore.dat", std::ios::binary | std::ios::trunc);
        best.write("\xD2\x04\x00\x00", 4);   // 1234
    }
    ASSERT_EQ(RunProgram(program, play, at.data, forceInstalled, log), 0) << Read(log);
    EXPECT_EQ(FirstInt(player + "/pv.dat"), 3);
    EXPECT_EQ(FirstInt(player + "/lift_hopper/hiscore.dat"), 1234) << "the game read its best score back";
    EXPECT_NE(Read(player + "/play.dat").find("lift_hopper=2"), std::string::npos);
    EXPECT_NE(Read(player + "/report.html").find(forceInstalled || player != at.app ? "installed mode" : "portable mode"),
              std::string::npos);
}

}  // namespace

TEST(Install, LayoutHoldsTheWholeTreeTheCommandTheMenuEntryAndIcons) {
    Installed at;
    ASSERT_TRUE(Install(at));
    EXPECT_EQ(access((at.prefix + "/bin/tev-arcade").c_str(), X_OK), 0);
    EXPECT_NE(Read(at.prefix + "/share/applications/tev-arcade.desktop").find("Categories=Game;ArcadeGame;"),
              std::string::npos);
    for (int size : {16, 32, 48}) {
        const std::string png = Read(at.prefix + "/share/icons/hicolor/" + std::to_string(size) + "x" +
                                     std::to_string(size) + "/apps/tev-arcade.png");
        ASSERT_GT(png.size(), 24u) << size;
        EXPECT_EQ(static_cast<unsigned char>(png[19]), size) << "PNG width";
        EXPECT_EQ(static_cast<unsigned char>(png[23]), size) << "PNG height";
    }
    EXPECT_TRUE(fs::exists(at.prefix + "/share/doc/tev-arcade/README.md"));
    EXPECT_TRUE(fs::exists(at.prefix + "/share/doc/tev-arcade/copyright"));
    // Every shipped file of the runnable tree (not what runs of it wrote).
    const std::set<std::string> written{"report.html", "save.dat", "play.dat", "pv.dat", "window.txt",
                                        "hiscore.dat", "score.dat", "hiscore.ini", "hs.txt", "run.log"};
    for (const auto& e : fs::recursive_directory_iterator(TEV_DIST_DIR)) {
        if (!e.is_regular_file() || written.count(e.path().filename().string())) continue;
        const std::string rel = fs::relative(e.path(), TEV_DIST_DIR).string();
        EXPECT_TRUE(fs::exists(at.app + "/" + rel)) << rel << " is not installed";
    }
}

TEST(Install, ReadOnlyProgramKeepsEverythingInThePlayersDataFolder) {
    Installed at;
    ASSERT_TRUE(Install(at));
    KeepOnlyLiftHopper(at);
    ASSERT_EQ(std::system(("chmod -R a-w '" + at.prefix + "'").c_str()), 0);
    // Read-only bits do not stop root: there the mode is forced, as the
    // launcher's own check (access W_OK) would not see it.
    const bool root = geteuid() == 0;
    if (!root) {
        ASSERT_NE(access(at.app.c_str(), W_OK), 0);
    }
    const auto before = Snapshot(at.prefix);
    PlayThreeTimes(at, root, at.data + "/tev-arcade");
    EXPECT_EQ(Snapshot(at.prefix), before) << "something was written under the prefix";
}

TEST(Install, WritableCopyKeepsEverythingBesideTheProgram) {
    Installed at;
    ASSERT_TRUE(Install(at));
    KeepOnlyLiftHopper(at);
    PlayThreeTimes(at, false, at.app);
    EXPECT_FALSE(fs::exists(at.data + "/tev-arcade"));
}

TEST(Install, DebianPackageUnpacksAndRuns) {
    if (std::system("command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null") != 0)
        GTEST_SKIP() << "dpkg-deb or dpkg-shlibdeps (dpkg-dev) missing: no package test";
    TempDir dir;
    // This build's binaries packaged as `make package` packages the release build's.
    const std::string cpack = "'" TEV_CPACK "' -G DEB --config '" TEV_BINARY_DIR "/CPackConfig.cmake' -B '" + dir.path +
                              "/pkg' >'" + dir.path + "/cpack.log' 2>&1";
    ASSERT_EQ(std::system(cpack.c_str()), 0) << Read(dir.path + "/cpack.log");
    std::string deb;
    for (const auto& e : fs::directory_iterator(dir.path + "/pkg"))
        if (e.path().extension() == ".deb") deb = e.path().string();
    ASSERT_FALSE(deb.empty());
    const std::string fields = dir.path + "/fields";
    ASSERT_EQ(std::system(("dpkg-deb -f '" + deb + "' Depends >'" + fields + "'").c_str()), 0);
    const std::string depends = Read(fields);
    for (const char* p : {"libsdl2", "libfluidsynth", "libavcodec", "libfreetype", "timgm6mb-soundfont",
                          "fonts-ipafont-gothic", "fonts-dejavu-core", "xfonts-mplus"})
        EXPECT_NE(depends.find(p), std::string::npos) << p << " missing from " << depends;
    ASSERT_EQ(std::system(("dpkg-deb -x '" + deb + "' '" + dir.path + "/root'").c_str()), 0);
    EXPECT_TRUE(fs::exists(dir.path + "/root/usr/share/applications/tev-arcade.desktop"));
    fs::create_directories(dir.path + "/data");
    const std::string log = dir.path + "/run.log";
    ASSERT_EQ(RunProgram(dir.path + "/root/usr/bin/tev-arcade", {"--headless", "--frames", "120"}, dir.path + "/data",
                  true, log),
              0)
        << Read(log);
    EXPECT_NE(Read(dir.path + "/data/tev-arcade/report.html").find("installed mode"), std::string::npos);
}
