// Runs the built launcher in a private copy of the runnable tree, so tests can
// run side by side: each copy has its own data files, log and instance lock.
#pragma once
#include <string>
#include <vector>

namespace tevtest {

class LauncherSandbox {
public:
    // Copies TEV_DIST_DIR into a new temporary folder.
    LauncherSandbox();
    ~LauncherSandbox();  // removes the folder (kept when TEV_KEEP_SANDBOX is set)

    const std::string& Root() const { return m_root; }
    std::string Path(const std::string& relative) const { return m_root + "/" + relative; }

    // Runs "<root>/launcher args..." with XDG_RUNTIME_DIR = root; waits up to
    // timeoutSeconds. Returns the exit code (128 + signal when killed, -1000
    // when it could not run). stdout and stderr go to <root>/run.log.
    int Run(const std::vector<std::string>& args, int timeoutSeconds = 240) const;

    // Starts the launcher without waiting; Wait() collects it.
    int Start(const std::vector<std::string>& args) const;
    static int Wait(int pid, int timeoutSeconds = 240);

    std::string ReadFile(const std::string& relative) const;
    void WriteFile(const std::string& relative, const std::string& bytes) const;
    bool Exists(const std::string& relative) const;
    // The picture "--dump dump" wrote of launcher frame n.
    std::string Dumped(long frame) const;

private:
    std::string m_root;
};

// "dump/frame-NNNNNN.png": where "--dump dump" puts launcher frame n.
std::string DumpName(long frame);

// A dumped frame as 320 x 240 RGB bytes (empty when it is missing).
std::vector<unsigned char> DumpedPixels(const std::string& png);

// A game's place in the launcher's list of the tree at root: the folders
// holding a plug-in, in byte order of their names; -1 when it is not there.
int GameListIndex(const std::string& root, const std::string& game);

} // namespace tevtest
