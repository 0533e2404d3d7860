// The HTML log facing a hostile folder: links and FIFOs named report.html,
// markup in names, and a working folder that changes during the run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/debug_log.h"
#include "platform/icon_file.h"
#include "plugin_api/tev_base.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class LogFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("tev-logfault-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir / "game");
        old = fs::current_path();
        fs::current_path(dir);
    }
    void TearDown() override {
        fs::current_path(old);
        fs::remove_all(dir);
    }
    fs::path dir, old;
};

TEST_F(LogFaultTest, ALinkOrFifoNamedReportIsNeitherFollowedNorTruncated) {
    { std::ofstream(dir / "precious.txt") << "keep me"; }
    fs::create_symlink(dir / "precious.txt", dir / "report.html");
    CTevDebugOut log;
    EXPECT_EQ(log.Init(), -1);
    EXPECT_EQ(log.Write(0, "x"), -1);
    EXPECT_EQ(ReadAll(dir / "precious.txt"), "keep me");
    EXPECT_TRUE(fs::is_symlink(dir / "report.html"));

    fs::remove(dir / "report.html");
    ASSERT_EQ(mkfifo((dir / "report.html").c_str(), 0644), 0);
    EXPECT_EQ(log.Init(), -1);   // returns at once, no reader needed
    EXPECT_EQ(log.Write(0, "x"), -1);
    EXPECT_TRUE(fs::is_fifo(dir / "report.html"));
}

TEST_F(LogFaultTest, NamesFromOutsideAreWrittenAsTextNotMarkup) {
    CTevDebugOut log;
    ASSERT_EQ(log.Init(), 0);
    log.Info("CGameCatalogue::ScanGames|: cannot load: /g/<img src=x onerror=alert(1)>/a&b.so");
    log.Info("A<b>|\"q\" 'r'");
    const std::string page = ReadAll(dir / "report.html");
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_NE(page.find("/g/&lt;img src=x onerror=alert(1)&gt;/a&amp;b.so"), std::string::npos);
    EXPECT_NE(page.find("<span class=\"sec1\">A&lt;b&gt;</span><span class=\"sec2\">&quot;q&quot; &#39;r&#39;</span>"),
              std::string::npos);
}

TEST_F(LogFaultTest, LinesWrittenFromAGameFolderReachTheOneLog) {
    CTevDebugOut app;
    ASSERT_EQ(app.Init(), 0);
    EXPECT_EQ(tev_log::LogFilePath(), (fs::current_path() / "report.html").string());
    fs::current_path(dir / "game");   // as while a game runs
    app.Info("from the application");
    CTevDebugOut later;               // a module made while the game runs
    later.Info("from a later object");
    EXPECT_FALSE(fs::exists(dir / "game" / "report.html"));
    const std::string page = ReadAll(dir / "report.html");
    EXPECT_NE(page.find("from the application"), std::string::npos);
    EXPECT_NE(page.find("from a later object"), std::string::npos);
}

TEST_F(LogFaultTest, AFifoInPlaceOfTheIconIsRefusedWithoutWaiting) {
    ASSERT_EQ(mkfifo((dir / "pv.ico").c_str(), 0644), 0);
    platform::IconImage image;
    std::string error;
    EXPECT_FALSE(platform::LoadIconFile((dir / "pv.ico").c_str(), image, error));
    EXPECT_EQ(error, "not a regular file");
}

} // namespace
