#include "tests/support/launcher_sandbox.h"

#include <vector>

#include <algorithm>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tevtest {

LauncherSandbox::LauncherSandbox() {
    std::string base = (fs::temp_directory_path() / "tev-sandbox-XXXXXX").string();
    std::vector<char> pattern(base.begin(), base.end());
    pattern.push_back('\0');
    if (!mkdtemp(pattern.data())) return;
    m_root = pattern.data();
    std::error_code ec;
    fs::copy(TEV_DIST_DIR, m_root, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    fs::remove(m_root + "/report.html", ec);
}

LauncherSandbox::~LauncherSandbox() {
    if (m_root.empty() || std::getenv("TEV_KEEP_SANDBOX")) return;
    std::error_code ec;
    fs::remove_all(m_root, ec);
}

int LauncherSandbox::Start(const std::vector<std::string>& args) const {
    pid_t pid = fork();
    if (pid != 0) return pid;
    setenv("XDG_RUNTIME_DIR", m_root.c_str(), 1);
    int log = open((m_root + "/run.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
    }
    std::string program = m_root + "/launcher";
    std::vector<char*> argv;
    argv.push_back(program.data());
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

int LauncherSandbox::Wait(int pid, int timeoutSeconds) {
    if (pid <= 0) return -1000;
    for (int waited = 0; waited < timeoutSeconds * 20; ++waited) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            if (WIFEXITED(status)) return WEXITSTATUS(status);
            if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
            return -1000;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    return 128 + SIGKILL;
}

int LauncherSandbox::Run(const std::vector<std::string>& args, int timeoutSeconds) const {
    return Wait(Start(args), timeoutSeconds);
}

std::string LauncherSandbox::ReadFile(const std::string& relative) const {
    std::ifstream in(Path(relative), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void LauncherSandbox::WriteFile(const std::string& relative, const std::string& bytes) const {
    std::ofstream out(Path(relative), std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool LauncherSandbox::Exists(const std::string& relative) const { return fs::exists(Path(relative)); }

std::string LauncherSandbox::Dumped(long frame) const { return Path(DumpName(frame)); }

std::string DumpName(long frame) {
    char name[64];
    std::snprintf(name, sizeof name, "dump/frame-%06ld.png", frame);
    return name;
}

std::vector<unsigned char> DumpedPixels(const std::string& png) {
    std::vector<unsigned char> rgb;
    if (!fs::exists(png)) return rgb;
    const std::string command = "convert '" + png + "' -depth 8 rgb:- 2>/dev/null";
    if (FILE* f = popen(command.c_str(), "r")) {
        rgb.resize(320 * 240 * 3);
        if (std::fread(rgb.data(), 1, rgb.size(), f) != rgb.size()) rgb.clear();
        pclose(f);
    }
    return rgb;
}

int GameListIndex(const std::string& root, const std::string& game) {
    std::vector<std::string> games;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (!entry.is_directory()) continue;
        for (const auto& file : std::filesystem::directory_iterator(entry.path()))
            if (file.path().extension() == ".so") {
                games.push_back(entry.path().filename().string());
                break;
            }
    }
    std::sort(games.begin(), games.end());
    const auto it = std::find(games.begin(), games.end(), game);
    return it == games.end() ? -1 : static_cast<int>(it - games.begin());
}

} // namespace tevtest
