// Temporary launcher roots assembled from the test plug-ins.
#pragma once
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace contracttest {

namespace fs = std::filesystem;

inline std::string PluginPath(const std::string& name) {
    return std::string(TEV_CONTRACT_PLUGIN_DIR) + "/contract_" + name + ".so";
}

// A fresh folder under the system's temporary folder, removed at the end.
class TempRoot {
public:
    TempRoot() {
        std::string pattern = (fs::temp_directory_path() / "tev-contract-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            ADD_FAILURE() << "mkdtemp failed";
        m_path = pattern;
    }
    ~TempRoot() {
        std::error_code ec;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_path, ec);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const std::string& Path() const { return m_path; }
    std::string Sub(const std::string& relative) const { return m_path + "/" + relative; }

    // Copies a built test plug-in to <root>/<folder>/<file>. A copy, not a
    // link: the loader knows a file by its inode, and each folder must be a
    // library of its own.
    void Install(const std::string& folder, const std::string& plugin, const std::string& file) const {
        fs::create_directories(Sub(folder));
        fs::copy_file(PluginPath(plugin), Sub(folder) + "/" + file, fs::copy_options::overwrite_existing);
    }
    void Write(const std::string& relative, const std::string& bytes) const {
        fs::create_directories(fs::path(Sub(relative)).parent_path());
        std::ofstream(Sub(relative), std::ios::binary) << bytes;
    }
    std::string Read(const std::string& relative) const {
        std::ifstream in(Sub(relative), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

private:
    std::string m_path;
};

// Restores the working directory at the end of a test.
class KeepWorkingFolder {
public:
    KeepWorkingFolder() : m_saved(fs::current_path()) {}
    ~KeepWorkingFolder() {
        std::error_code ec;
        fs::current_path(m_saved, ec);
    }

private:
    fs::path m_saved;
};

} // namespace contracttest
