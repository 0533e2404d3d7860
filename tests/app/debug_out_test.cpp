#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "plugin_api/tev_base.h"

namespace {

std::string ReadAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Crlf(std::string text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

class DebugOutTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() / ("tev-log-" + std::to_string(::getpid()) + "-" +
                                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        old = std::filesystem::current_path();
        std::filesystem::current_path(dir);
    }
    void TearDown() override {
        std::filesystem::current_path(old);
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir, old;
};

const char kHeader[] =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
    "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n<style TYPE=\"text/css\">\n<!--\n"
    ".lib_info {\ncolor:#808080;\n}\n.lib_error {\ncolor:#0000ff;\n}\n.lib_emerg {\ncolor:#ff0000;\n}\n"
    ".info {\ncolor:#000000;\n}\n.error {\ncolor:#008000;\n}\n"
    ".sec1 {\nposition:absolute;\nleft:1ex;\n}\n.sec2 {\nposition:absolute;\nleft:30ex;\n}\n"
    "-->\n</style>\n</head>\n<body>\n";

} // namespace

TEST_F(DebugOutTest, PageLayoutAndEntriesAreByteExact) {
    CTevDebugOut log;
    ASSERT_EQ(log.Init(), 0);
    EXPECT_EQ(ReadAll("report.html"), Crlf(std::string(kHeader) + "</body>\n</html>"));

    EXPECT_EQ(log.Write(1, "CTevWinApp::SetIcon|: LoadImage Failed."), 0);
    log.Log(2, "A|b|c %d", 7);      // splits at the first bar only
    log.Info("plain <&> text\n");   // no bar, escaped, LF stored as CR LF
    log.Log(5, "no class");         // levels without a class open no span
    std::string expected = std::string(kHeader) +
        "<span class=\"lib_error\"><span class=\"sec1\">CTevWinApp::SetIcon</span><span class=\"sec2\">: LoadImage Failed.</span></span><br />\n"
        "<span class=\"lib_emerg\"><span class=\"sec1\">A</span><span class=\"sec2\">b|c 7</span></span><br />\n"
        "<span class=\"info\">plain &lt;&amp;&gt; text\n</span><br />\n"
        "no class</span><br />\n"
        "</body>\n</html>";
    EXPECT_EQ(ReadAll("report.html"), Crlf(expected));
}

TEST_F(DebugOutTest, LongMessagesAreCutAt255Characters) {
    CTevDebugOut log;
    ASSERT_EQ(log.Init(), 0);
    log.Log(0, "%s", std::string(400, 'x').c_str());
    std::string page = ReadAll("report.html");
    EXPECT_NE(page.find(std::string(255, 'x') + "</span>"), std::string::npos);
    EXPECT_EQ(page.find(std::string(256, 'x')), std::string::npos);
}

TEST_F(DebugOutTest, DeletedLogStaysDeleted) {
    CTevDebugOut log;
    ASSERT_EQ(log.Init(), 0);
    std::remove("report.html");
    EXPECT_EQ(log.Write(0, "lost"), -1);
    EXPECT_FALSE(std::filesystem::exists("report.html"));
}

TEST_F(DebugOutTest, ForeignShortFileIsLeftAlone) {
    { std::ofstream("report.html") << "tiny"; }
    CTevDebugOut log;
    EXPECT_EQ(log.Write(0, "x"), -1);
    EXPECT_EQ(ReadAll("report.html"), "tiny");
}
