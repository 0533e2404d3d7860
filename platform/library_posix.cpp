#include "platform/library.h"
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <climits>
#include <cstring>

namespace platform {

namespace {
thread_local std::string t_lastError;

void KeepDlError() {
    const char* message = dlerror();
    t_lastError = message != nullptr ? message : "";
}
} // namespace

const char* LibrarySuffix() { return ".so"; }

void* OpenLibrary(const char* path) {
    if (path == nullptr || *path == '\0') {
        t_lastError = "empty library path";
        return nullptr;
    }
    dlerror();
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
        KeepDlError();
    return handle;
}

void* FindLibrarySymbol(void* library, const char* name) {
    if (library == nullptr || name == nullptr)
        return nullptr;
    dlerror();
    void* symbol = dlsym(library, name);
    if (symbol == nullptr)
        KeepDlError();
    return symbol;
}

bool CloseLibrary(void* library) {
    if (library == nullptr)
        return false;
    dlerror();
    if (dlclose(library) != 0) {
        KeepDlError();
        return false;
    }
    return true;
}

std::string LibraryError() { return t_lastError; }

bool IsLibraryResident(const char* path) {
    if (path == nullptr || *path == '\0')
        return false;
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (handle == nullptr) {
        dlerror();
        return false;
    }
    dlclose(handle);   // drops only the reference RTLD_NOLOAD took
    return true;
}

bool ListFolder(const char* path, std::vector<FolderEntry>& entries) {
    entries.clear();
    if (path == nullptr)
        return false;
    DIR* dir = opendir(*path != '\0' ? path : ".");
    if (dir == nullptr)
        return false;
    std::string base = *path != '\0' ? path : ".";
    if (base.back() != '/')
        base += '/';
    bool sawDot = false, sawDotDot = false;
    while (dirent* d = readdir(dir)) {
        FolderEntry entry;
        entry.name = d->d_name;
        sawDot = sawDot || entry.name == ".";
        sawDotDot = sawDotDot || entry.name == "..";
        struct stat st;
        // stat, not lstat: a link counts as what it points to.
        if (stat((base + entry.name).c_str(), &st) == 0) {
            entry.isFolder = S_ISDIR(st.st_mode);
            entry.isFile = S_ISREG(st.st_mode);
        }
        entries.push_back(std::move(entry));
    }
    closedir(dir);
    // Some file systems leave out "." and ".."; every folder has them.
    if (!sawDot)
        entries.push_back({".", true, false});
    if (!sawDotDot)
        entries.push_back({"..", true, false});
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        return std::strcmp(a.name.c_str(), b.name.c_str()) < 0;
    });
    return true;
}

std::string GetWorkingFolder() {
    std::vector<char> buffer(PATH_MAX + 1);
    if (getcwd(buffer.data(), buffer.size()) == nullptr)
        return std::string();
    return std::string(buffer.data());
}

bool SetWorkingFolder(const char* path) { return path != nullptr && *path != '\0' && chdir(path) == 0; }

} // namespace platform
