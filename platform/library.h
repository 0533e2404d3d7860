// Plug-in libraries and the folder listing that finds them (what
// LoadLibrary/GetProcAddress/FreeLibrary and FindFirstFile were).
#pragma once
#include <string>
#include <vector>

namespace platform {

// File name suffix of a plug-in library (".so").
const char* LibrarySuffix();

// True when the file is a regular file holding a shared library for this
// machine that is as long as its program and section headers say; `why`
// says what is wrong otherwise. Nothing of the file is run or mapped.
bool CheckLibraryFile(const char* path, std::string& why);

// Checks the file as above, then loads it with immediate binding and local
// symbols. Null on failure; LibraryError() then says why.
void* OpenLibrary(const char* path);
void* FindLibrarySymbol(void* library, const char* name);
// False when the handle was null or the system refused.
bool CloseLibrary(void* library);
// The system's last message for a failed call ("" when none).
std::string LibraryError();
// True while the library at this path is mapped in the process (looked up
// without loading it).
bool IsLibraryResident(const char* path);

struct FolderEntry {
    std::string name;
    bool isFolder = false;   // a directory, or a link to one
    bool isFile = false;     // a regular file, or a link to one
    bool isLink = false;     // the entry itself is a symbolic link
};
// Every entry of the folder, "." and ".." included, in byte order of the
// names. False when the folder cannot be listed.
bool ListFolder(const char* path, std::vector<FolderEntry>& entries);

// The working directory ("" when it cannot be read) and changing it.
std::string GetWorkingFolder();
bool SetWorkingFolder(const char* path);

// The absolute path with every link, "." and ".." resolved ("" when the
// path does not exist).
std::string CanonicalPath(const char* path);

} // namespace platform
