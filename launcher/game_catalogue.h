// The launcher's game table: finds the plug-in games in the sub-folders of the
// root folder, loads them, keeps their exports and information, reloads one
// after each play and unloads everything at exit.
#pragma once
#include <cstdint>
#include "plugin_api/tev_base.h"
#include "plugin_api/tev_plugin.h"

class ITevModule;
class ITevApp;

constexpr int kTevMaxGames = 32;
constexpr int kTevPathSize = 260;

struct TevGameEntry {
    TevSystemInitFn SystemInit = nullptr;
    TevUserInitFn UserInit = nullptr;
    TevMainLoopFn MainLoop = nullptr;
    TevCleanUpFn CleanUp = nullptr;
    TevGetInfoFn GetInfo = nullptr;          // null when the game has none
    char folderName[kTevPathSize] = {};     // also its key in "play.dat"
    char folderPath[kTevPathSize] = {};     // "<root>/<folder>/": working directory while it runs
    char libraryPath[kTevPathSize] = {};    // "<root>/<folder>/<file>.so"
    TevHostGameInfo info = {};              // info.image = picture path
    void* module = nullptr;                 // library handle, null when not loaded
    // False once a reload after a play has failed: the entry keeps its texts
    // and picture but its exports are null and it must not be started.
    bool available = false;
};

class CGameCatalogue : public CTevBase {
public:
    CGameCatalogue();
    ~CGameCatalogue() override;

    // Keeps the service block and the application object handed to every
    // SystemInit, and records the root folder: the working directory now.
    // False when the working directory cannot be read (the table stays empty).
    bool Init(ITevModule** block, ITevApp* app);
    // The same with an explicit root (no trailing "/" needed).
    bool Init(ITevModule** block, ITevApp* app, const char* root);

    // Rebuilds the whole table: every entry reset, then the real sub-folders
    // of the root (not ".", "..", nor links) in byte order of their names,
    // the first "*.so" of each in byte order (a link to a file outside that
    // folder is not loaded), at most 32 games. Then SystemInit and
    // GetInfo of each, with the root as working directory. Always 0. Loaded
    // libraries of an earlier scan are not freed here: see RescanGames.
    int ScanGames();
    // UnloadGames, then ScanGames. Always 0.
    int RescanGames();
    // After a play: unload the library, load it again from the same path,
    // resolve the exports and call SystemInit. Texts and picture stay.
    // 0, or -1 when the library cannot be loaded again or lacks an export:
    // the entry is then unavailable (IsAvailable false, exports null).
    int ReloadGame(int index);
    // Frees every entry's library; calls nothing in the games. Always 0.
    int UnloadGames();

    int GetCount() const { return m_count; }
    // Null for an index outside 0 ... count - 1.
    const TevGameEntry* GetGame(int index) const;
    TevGameEntry* GetGame(int index);
    // True when the entry exists and may be started.
    bool IsAvailable(int index) const;

    int GetSelected() const { return m_selected; }
    void SetSelected(int index) { m_selected = index; }

    const char* GetRoot() const { return m_root; }
    // Working directory = the game's folder path / back to the root.
    // False (and a log line) when the folder cannot be entered.
    bool EnterGameFolder(int index);
    bool EnterRoot();

protected:
    // Every log line of the catalogue goes through here (info level).
    virtual void LogInfo(const char* text);

private:
    void ResetEntry(TevGameEntry& entry);
    bool TryLoad(const char* folderName, const char* fileName);
    void FillInfo(TevGameEntry& entry);

    ITevModule** m_block = nullptr;
    ITevApp* m_app = nullptr;
    char m_root[kTevPathSize] = {};
    TevGameEntry m_games[kTevMaxGames];
    int m_count = 0;
    int m_selected = 0;
};
