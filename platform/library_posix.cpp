#include "platform/library.h"
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cerrno>
#include <cstdlib>
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

namespace {

// Reads exactly `size` bytes at `offset`; false on a short read.
bool ReadAt(int fd, uint64_t offset, void* out, size_t size) {
    auto* bytes = static_cast<char*>(out);
    while (size > 0) {
        const ssize_t got = pread(fd, bytes, size, static_cast<off_t>(offset));
        if (got <= 0)
            return false;
        bytes += got;
        offset += static_cast<uint64_t>(got);
        size -= static_cast<size_t>(got);
    }
    return true;
}

// True when [offset, offset + count * each) lies inside a file of `size` bytes.
bool Inside(uint64_t offset, uint64_t count, uint64_t each, uint64_t size) {
    if (each != 0 && count > (UINT64_MAX - offset) / each)
        return false;
    return offset + count * each <= size;
}

} // namespace

bool CheckLibraryFile(const char* path, std::string& why) {
    // dlopen maps the file and touches pages past its end when it was cut
    // short (a half-copied game), which ends the process with SIGBUS; so
    // every table the loader reads must be inside the file.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "not a regular file";
        return false;
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    ElfW(Ehdr) eh;
    if (size < sizeof eh || !ReadAt(fd, 0, &eh, sizeof eh)) {
        why = "too short for an ELF header";
        return false;
    }
    if (std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0) {
        why = "no ELF header";
        return false;
    }
#if __SIZEOF_POINTER__ == 8
    const unsigned char wantClass = ELFCLASS64;
#else
    const unsigned char wantClass = ELFCLASS32;
#endif
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    const unsigned char wantData = ELFDATA2LSB;
#else
    const unsigned char wantData = ELFDATA2MSB;
#endif
    if (eh.e_ident[EI_CLASS] != wantClass || eh.e_ident[EI_DATA] != wantData || eh.e_type != ET_DYN) {
        why = "not a shared library for this machine";
        return false;
    }
    if (eh.e_phnum == 0 || eh.e_phentsize != sizeof(ElfW(Phdr)) ||
        !Inside(eh.e_phoff, eh.e_phnum, sizeof(ElfW(Phdr)), size)) {
        why = "program headers missing or past the end of the file";
        return false;
    }
    for (unsigned i = 0; i < eh.e_phnum; ++i) {
        ElfW(Phdr) ph;
        if (!ReadAt(fd, eh.e_phoff + uint64_t{i} * sizeof ph, &ph, sizeof ph)) {
            why = "program headers unreadable";
            return false;
        }
        if (ph.p_type != PT_NULL && !Inside(ph.p_offset, 1, ph.p_filesz, size)) {
            why = "file shorter than its program headers say (cut short?)";
            return false;
        }
    }
    if (eh.e_shoff != 0) {
        uint64_t count = eh.e_shnum;
        if (eh.e_shentsize != sizeof(ElfW(Shdr)) || !Inside(eh.e_shoff, 1, sizeof(ElfW(Shdr)), size)) {
            why = "section headers past the end of the file (cut short?)";
            return false;
        }
        if (count == 0) {   // extended numbering: the count is in section 0
            ElfW(Shdr) first;
            if (!ReadAt(fd, eh.e_shoff, &first, sizeof first)) {
                why = "section headers unreadable";
                return false;
            }
            count = first.sh_size;
        }
        if (!Inside(eh.e_shoff, count, sizeof(ElfW(Shdr)), size)) {
            why = "section headers past the end of the file (cut short?)";
            return false;
        }
        for (uint64_t i = 0; i < count; ++i) {
            ElfW(Shdr) sh;
            if (!ReadAt(fd, eh.e_shoff + i * sizeof sh, &sh, sizeof sh)) {
                why = "section headers unreadable";
                return false;
            }
            if (sh.sh_type != SHT_NOBITS && sh.sh_type != SHT_NULL && !Inside(sh.sh_offset, 1, sh.sh_size, size)) {
                why = "file shorter than its section headers say (cut short?)";
                return false;
            }
        }
    }
    return true;
}

void* OpenLibrary(const char* path) {
    if (path == nullptr || *path == '\0') {
        t_lastError = "empty library path";
        return nullptr;
    }
    std::string why;
    if (!CheckLibraryFile(path, why)) {
        t_lastError = std::string(path) + ": " + why;
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
        struct stat lst;
        entry.isLink = lstat((base + entry.name).c_str(), &lst) == 0 && S_ISLNK(lst.st_mode);
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

std::string CanonicalPath(const char* path) {
    if (path == nullptr || *path == '\0')
        return std::string();
    char* resolved = realpath(path, nullptr);
    if (resolved == nullptr)
        return std::string();
    std::string out = resolved;
    free(resolved);
    return out;
}

} // namespace platform
