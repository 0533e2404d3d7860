#include "launcher/game_catalogue.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "platform/library.h"

namespace {

const char kDefaultTitle[] = "無題";
const char kDefaultAuthor[] = "情報なし";
const char kDefaultComment[] = "コメントなし";

bool EndsWith(const std::string& text, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// Copies when it fits (terminator included); a path cut short could name
// some other file, so an over-long one is refused instead.
bool CopyPath(char (&out)[kTevPathSize], const std::string& text) {
    if (text.size() >= sizeof out)
        return false;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

template <size_t N>
void SetText(char (&out)[N], const char* text) {
    std::snprintf(out, N, "%s", text);
}

template <size_t N>
void Terminate(char (&field)[N]) {
    field[N - 1] = '\0';
}

} // namespace

CGameCatalogue::CGameCatalogue() {
    for (TevGameEntry& entry : m_games)
        ResetEntry(entry);
}

CGameCatalogue::~CGameCatalogue() { UnloadGames(); }

bool CGameCatalogue::Init(ITevModule** block, ITevApp* app) {
    const std::string cwd = platform::GetWorkingFolder();
    return Init(block, app, cwd.c_str());
}

bool CGameCatalogue::Init(ITevModule** block, ITevApp* app, const char* root) {
    m_block = block;
    m_app = app;
    m_root[0] = '\0';
    std::string text = root != nullptr ? root : "";
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    if (text.empty() || !CopyPath(m_root, text)) {
        m_root[0] = '\0';
        std::string line = "CGameCatalogue::Init|: the root folder is unknown or longer than 259 bytes";
        LogInfo(line.c_str());
        return false;
    }
    return true;
}

void CGameCatalogue::LogInfo(const char* text) { Info("%s", text); }

void CGameCatalogue::ResetEntry(TevGameEntry& entry) {
    entry.SystemInit = nullptr;
    entry.UserInit = nullptr;
    entry.MainLoop = nullptr;
    entry.CleanUp = nullptr;
    entry.GetInfo = nullptr;
    entry.module = nullptr;
    entry.available = false;
    std::memset(entry.folderName, 0, sizeof entry.folderName);
    std::memset(entry.folderPath, 0, sizeof entry.folderPath);
    std::memset(entry.libraryPath, 0, sizeof entry.libraryPath);
    std::memset(&entry.info, 0, sizeof entry.info);
    SetText(entry.info.title, kDefaultTitle);
    SetText(entry.info.author, kDefaultAuthor);
    SetText(entry.info.comment, kDefaultComment);
}

namespace {

struct Exports {
    TevSystemInitFn systemInit = nullptr;
    TevUserInitFn userInit = nullptr;
    TevMainLoopFn mainLoop = nullptr;
    TevCleanUpFn cleanUp = nullptr;
    TevGetInfoFn getInfo = nullptr;
    bool IsGame() const { return systemInit && userInit && mainLoop && cleanUp; }
};

Exports Resolve(void* module) {
    Exports e;
    e.systemInit = reinterpret_cast<TevSystemInitFn>(platform::FindLibrarySymbol(module, TEV_EXPORT_SYSTEM_INIT));
    e.userInit = reinterpret_cast<TevUserInitFn>(platform::FindLibrarySymbol(module, TEV_EXPORT_USER_INIT));
    e.mainLoop = reinterpret_cast<TevMainLoopFn>(platform::FindLibrarySymbol(module, TEV_EXPORT_MAIN_LOOP));
    e.cleanUp = reinterpret_cast<TevCleanUpFn>(platform::FindLibrarySymbol(module, TEV_EXPORT_CLEAN_UP));
    e.getInfo = reinterpret_cast<TevGetInfoFn>(platform::FindLibrarySymbol(module, TEV_EXPORT_GET_INFO));
    return e;
}

void Store(TevGameEntry& entry, void* module, const Exports& e) {
    entry.module = module;
    entry.SystemInit = e.systemInit;
    entry.UserInit = e.userInit;
    entry.MainLoop = e.mainLoop;
    entry.CleanUp = e.cleanUp;
    entry.GetInfo = e.getInfo;
    entry.available = module != nullptr;
}

} // namespace

int CGameCatalogue::ScanGames() {
    // Libraries of an earlier scan would otherwise stay loaded twice over
    // and their next play would not start fresh.
    UnloadGames();
    for (TevGameEntry& entry : m_games)
        ResetEntry(entry);
    m_count = 0;

    std::vector<platform::FolderEntry> folders;
    if (m_root[0] == '\0' || !platform::ListFolder(m_root, folders)) {
        std::string line = std::string("CGameCatalogue::ScanGames|: cannot list the root folder ") + m_root;
        LogInfo(line.c_str());
        return 0;
    }
    // Loading a library runs its constructors: only real sub-folders of the
    // root are searched, never the root itself, its parent (through "." and
    // "..") or wherever a link leads.
    const std::string canonicalRoot = platform::CanonicalPath(m_root);
    for (const platform::FolderEntry& folder : folders) {
        if (!folder.isFolder || folder.name == "." || folder.name == "..")
            continue;
        if (folder.isLink) {
            std::string line = std::string("CGameCatalogue::ScanGames|: a link, not searched: ") + m_root + "/" + folder.name;
            LogInfo(line.c_str());
            continue;
        }
        std::vector<platform::FolderEntry> files;
        const std::string folderPath = std::string(m_root) + "/" + folder.name;
        if (!platform::ListFolder(folderPath.c_str(), files))
            continue;
        for (const platform::FolderEntry& file : files) {
            if (file.isFile && EndsWith(file.name, platform::LibrarySuffix())) {
                const std::string libraryPath = folderPath + "/" + file.name;
                if (m_count == kTevMaxGames) {
                    // Nothing more is loaded, but the player learns why a game is missing.
                    std::string line = "CGameCatalogue::ScanGames|: the table holds 32 games; left out: " + libraryPath;
                    LogInfo(line.c_str());
                } else if (file.isLink &&
                    platform::CanonicalPath(libraryPath.c_str()).rfind(canonicalRoot + "/" + folder.name + "/", 0) != 0) {
                    std::string line = "CGameCatalogue::ScanGames|: a link that leads outside its folder, not loaded: " +
                                       libraryPath;
                    LogInfo(line.c_str());
                } else {
                    TryLoad(folder.name.c_str(), file.name.c_str());
                }
                break;   // only the first library of a folder is tried
            }
        }
    }

    for (int i = 0; i < m_count; ++i) {
        TevGameEntry& entry = m_games[i];
        EnterRoot();
        entry.SystemInit(m_block, m_app);
        FillInfo(entry);
    }
    EnterRoot();
    return 0;
}

bool CGameCatalogue::TryLoad(const char* folderName, const char* fileName) {
    const std::string root = m_root;
    const std::string folderPath = root + "/" + folderName + "/";
    const std::string libraryPath = root + "/" + folderName + "/" + fileName;

    TevGameEntry& entry = m_games[m_count];
    bool accepted = false;
    if (std::strlen(folderName) >= sizeof entry.folderName || folderPath.size() >= sizeof entry.folderPath ||
        libraryPath.size() >= sizeof entry.libraryPath) {
        std::string line = "CGameCatalogue::ScanGames|: path too long, skipped: " + libraryPath;
        LogInfo(line.c_str());
    } else if (void* module = platform::OpenLibrary(libraryPath.c_str())) {
        Exports e = Resolve(module);
        if (e.IsGame()) {
            Store(entry, module, e);
            CopyPath(entry.folderName, folderName);
            CopyPath(entry.folderPath, folderPath);
            CopyPath(entry.libraryPath, libraryPath);
            accepted = true;
            m_count += 1;
        } else {
            platform::CloseLibrary(module);
            std::string line = "CGameCatalogue::ScanGames|: not a game (an export is missing): " + libraryPath;
            LogInfo(line.c_str());
        }
    } else {
        std::string line = "CGameCatalogue::ScanGames|: cannot load: " + platform::LibraryError();
        LogInfo(line.c_str());
    }
    if (m_count < kTevMaxGames) {
        char line[kTevPathSize + 32];
        std::snprintf(line, sizeof line, "Find PV Dll: %s\n", libraryPath.c_str());
        LogInfo(line);
    }
    return accepted;
}

void CGameCatalogue::FillInfo(TevGameEntry& entry) {
    if (entry.GetInfo != nullptr) {
        TevHostGameInfo buffer;
        std::memset(&buffer, 0, sizeof buffer);
        const TevGameInfo* record = entry.GetInfo(reinterpret_cast<TevGameInfo*>(&buffer));
        if (record != nullptr) {
            // Only the record's 1028 bytes: a game may return a record of its
            // own, and the host's two fields beyond it are filled later.
            std::memcpy(&entry.info, record, sizeof(TevGameInfo));
            entry.info.imageWidth = 0;
            entry.info.imageHeight = 0;
            Terminate(entry.info.title);
            Terminate(entry.info.author);
            Terminate(entry.info.comment);
            Terminate(entry.info.image);
        }
    }
    char name[sizeof entry.info.image];
    std::memcpy(name, entry.info.image, sizeof name);
    const size_t folderLength = std::strlen(entry.folderPath);
    const size_t nameLength = std::strlen(name);
    if (folderLength + nameLength < sizeof entry.info.image) {
        std::memcpy(entry.info.image, entry.folderPath, folderLength);
        std::memcpy(entry.info.image + folderLength, name, nameLength + 1);
    } else {
        // Too long for the field: no picture rather than a cut path.
        std::string line = std::string("CGameCatalogue::ScanGames|: picture path too long: ") + entry.folderPath + name;
        LogInfo(line.c_str());
        if (folderLength < sizeof entry.info.image)
            std::memcpy(entry.info.image, entry.folderPath, folderLength + 1);
        else
            entry.info.image[0] = '\0';
    }
}

int CGameCatalogue::RescanGames() {
    UnloadGames();
    return ScanGames();
}

int CGameCatalogue::ReloadGame(int index) {
    TevGameEntry* entry = GetGame(index);
    if (entry == nullptr)
        return -1;
    if (entry->module != nullptr) {
        platform::CloseLibrary(entry->module);
        if (platform::IsLibraryResident(entry->libraryPath)) {
            std::string line =
                std::string("CGameCatalogue::ReloadGame|: still mapped after unloading, statics carry over: ") +
                entry->libraryPath;
            LogInfo(line.c_str());
        }
    }
    Store(*entry, nullptr, Exports{});

    void* module = platform::OpenLibrary(entry->libraryPath);
    if (module == nullptr) {
        std::string line = "CGameCatalogue::ReloadGame|: cannot load again, game unavailable: " + platform::LibraryError();
        LogInfo(line.c_str());
        return -1;
    }
    Exports e = Resolve(module);
    if (!e.IsGame()) {
        platform::CloseLibrary(module);
        std::string line =
            std::string("CGameCatalogue::ReloadGame|: an export is missing now, game unavailable: ") + entry->libraryPath;
        LogInfo(line.c_str());
        return -1;
    }
    Store(*entry, module, e);
    EnterRoot();
    entry->SystemInit(m_block, m_app);
    return 0;
}

int CGameCatalogue::UnloadGames() {
    for (int i = 0; i < m_count; ++i) {
        TevGameEntry& entry = m_games[i];
        if (entry.module != nullptr)
            platform::CloseLibrary(entry.module);
        Store(entry, nullptr, Exports{});
    }
    return 0;
}

const TevGameEntry* CGameCatalogue::GetGame(int index) const {
    return index >= 0 && index < m_count ? &m_games[index] : nullptr;
}

TevGameEntry* CGameCatalogue::GetGame(int index) {
    return index >= 0 && index < m_count ? &m_games[index] : nullptr;
}

bool CGameCatalogue::IsAvailable(int index) const {
    const TevGameEntry* entry = GetGame(index);
    return entry != nullptr && entry->available && entry->module != nullptr;
}

bool CGameCatalogue::EnterGameFolder(int index) {
    const TevGameEntry* entry = GetGame(index);
    if (entry == nullptr || !platform::SetWorkingFolder(entry->folderPath)) {
        LogInfo("CGameCatalogue::EnterGameFolder|: cannot enter the game's folder");
        return false;
    }
    return true;
}

bool CGameCatalogue::EnterRoot() {
    if (m_root[0] == '\0' || !platform::SetWorkingFolder(m_root)) {
        LogInfo("CGameCatalogue::EnterRoot|: cannot enter the root folder");
        return false;
    }
    return true;
}
