// Recording stand-ins of every plugin_api service, and a loader that drives a
// plug-in through its five exports with them, as the launcher does. Every
// call that does something is logged as "service.Method arg ..." in one
// shared ServiceLog, in order, so a test can check what reached which
// service (draw, draw2d, font, input, sound, movie, app).
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "plugin_api/tev_app.h"
#include "plugin_api/tev_draw.h"
#include "plugin_api/tev_input.h"
#include "plugin_api/tev_movie.h"
#include "plugin_api/tev_plugin.h"
#include "plugin_api/tev_sound.h"

namespace tevtest {

struct ServiceLog {
    std::vector<std::string> calls;

    void Add(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Clear() { calls.clear(); }
    // The calls that start with prefix ("sound." or "sound.Play 2 "), in order.
    std::vector<std::string> With(const std::string& prefix) const;
    int Count(const std::string& prefix) const { return static_cast<int>(With(prefix).size()); }
    bool Has(const std::string& call) const;
    // All calls, one a line (for failure messages and frame comparisons).
    std::string Text() const;
};

class StandinFont : public ITevFont {
public:
    explicit StandinFont(ServiceLog& log) : m_log(log) {}
    int DrawText(int x, int y, const char* text) override;
    int DrawTextColor(int x, int y, const char* text, uint32_t color) override;
    int Printf(int x, int y, const char* format, ...) override;
    void SetColor(uint32_t color) override;
    int SetFontName(const char* face) override;
    int ChangeFont(const char* face, int height, int width, int ignored) override;
    const char* GetFontName() override { return "standin"; }
    int SetFontSize(int height, int width) override;
    int ApplyFont() override;
    int ResetFont() override;
    int SetTextArea(int width, int height) override;
    int Begin() override;
    int End() override;

    // Begin without its End so far.
    bool open = false;

private:
    ServiceLog& m_log;
};

class StandinDraw2d : public ITevDraw2d {
public:
    explicit StandinDraw2d(ServiceLog& log) : m_log(log) {}
    int Draw(int index, int x, int y, int sx, int sy, int w, int h, int flip) override;
    int DrawCenter(int index, int cx, int cy, int sx, int sy, int w, int h, int flip) override;
    int DrawStretch(int index, int x, int y, int dw, int dh, int sx, int sy, int sw, int sh, int flip) override;
    int DrawStretchCenter(int index, int cx, int cy, int dw, int dh, int sx, int sy, int sw, int sh,
                          int flip) override;
    int DrawRotate(int index, int cx, int cy, int dw, int dh, int sx, int sy, int sw, int sh, double angle,
                   int flip) override;
    int DrawTransform(int index, int x, int y, int sx, int sy, int w, int h, TevMatrix matrix, int flip) override;
    int BeginStrip() override;
    int BeginStripTextured(int index) override;
    int AddStripVertex(int x, int y, uint32_t color) override;
    int AddStripVertexUV(int x, int y, int u, int v, uint32_t color) override;
    int EndStrip() override;
    int FillRectColors(int x, int y, int w, int h, uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br) override;
    int FillRect(int x, int y, int w, int h, uint32_t color) override;
    int FillRectCenterColors(int cx, int cy, int w, int h, uint32_t tl, uint32_t tr, uint32_t bl,
                             uint32_t br) override;
    int FillRectCenter(int cx, int cy, int w, int h, uint32_t color) override;
    int DrawLineColors(int x1, int y1, int x2, int y2, int width, uint32_t c0, uint32_t c1, uint32_t c2,
                       uint32_t c3) override;
    int DrawLine(int x1, int y1, int x2, int y2, int width, uint32_t color) override;
    int FillTriangleColors(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t c0, uint32_t c1,
                           uint32_t c2) override;
    int FillTriangle(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t color) override;
    int SetBlendMode(int flags) override;
    int SetClearColor(uint32_t color) override;

private:
    ServiceLog& m_log;
};

class StandinDraw : public ITevDraw {
public:
    StandinDraw(ServiceLog& log, StandinDraw2d& drawer, StandinFont& textFont)
        : ITevDraw(drawer, textFont), m_log(log) {}
    bool Initialize(ITevApp*) override { return true; }
    bool Finalize() override { return true; }
    int SetScreenSize(int width, int height) override;
    int SetFullScreen(bool on) override;
    int SetCustomSizeFullScreen(bool on) override;
    int SetDepth32(bool on) override;
    int CreateBlankTexture(int index, int width, int height, uint32_t truncColor) override;
    int CreateTextureFromPack(int index, const char* file, uint32_t colorKey, int packKey) override;
    int CreateTexture(int index, const char* file, uint32_t colorKey) override;
    int ReleaseTexture(int index) override;
    int GetTextureSize(int index, int* width, int* height) override;
    int CreateTextureBG(int index, const char* file, uint32_t colorKey) override;
    int IsTextureLoading(int) override { return 0; }
    int IsTextureReady(int) override { return 1; }
    int SetTextureColors(int index, uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br) override;
    int SetTextureColor(int index, uint32_t color) override;
    int SetRenderState(int state, uint32_t value) override;
    int SetBlendMode(int flags) override;
    int NoOperation(int) override { return 0; }
    int SaveScreenshot(const char* path) override;
    int Clear() override;
    int SetClearColor(uint32_t color) override;
    int EndRenderToTexture() override;
    int BeginRenderToTexture(int index) override;
    // Logged formatted, as "draw.PrintText x y text".
    int PrintText(int x, int y, const char* format, ...) override;
    int SetTextColor(uint32_t color) override;
    bool CanRenderToTexture() override { return false; }
    int SetPresentEnabled(bool on) override;
    int SetTextureFolder(const char* folder) override;
    int SetSamplerState(int which, uint32_t value) override;
    int SaveTexture(int index, const char* path) override;

private:
    ServiceLog& m_log;
};

// Keys and pad buttons are held or not per frame (Poll); the counters follow
// the host's rule (1 on the first frame, then up to 255, -1 on release).
class StandinInput : public ITevInput {
public:
    explicit StandinInput(ServiceLog& log) : m_log(log) {}
    bool Initialize(ITevApp*) override { return true; }
    bool Finalize() override { return true; }
    void Poll(const std::set<int>& keysDown, const std::set<int>& padButtonsDown = {});
    int GetPadButton(int pad, int button) override;
    int GetPadButtonState(int pad, int button) override { return GetPadButton(pad, button) > 0 ? 1 : 0; }
    int GetPadCount() override { return 1; }
    int GetKey(int code) override;
    int GetKeyState(int code) override { return GetKey(code) > 0 ? 1 : 0; }
    char KeyToChar(int) override { return 0; }
    int GetKeyName(char* out, int code) override;
    int GetFirstKeyDown() override;
    int GetMouse(int* x, int* y, int* wheel) override;
    int GetMouseX() override { return 0; }
    int GetMouseY() override { return 0; }
    int GetMouseButton(int) override { return 0; }
    int GetMouseButtonState(int) override { return 0; }
    int SetMousePos(int x, int y) override;
    int ShowMouseCursor(bool show) override;

    int keys[256] = {};
    int pad[16] = {};  // pad 0's buttons
    // How often GetKey and GetPadButton were asked.
    int keyQueries = 0;
    int padQueries = 0;

private:
    ServiceLog& m_log;
};

class StandinSound : public ITevSound {
public:
    explicit StandinSound(ServiceLog& log) : m_log(log) {}
    bool Initialize(ITevApp*) override { return true; }
    bool Finalize() override { return true; }
    bool Play(int channel, bool loop) override;
    bool Stop(int channel) override;
    bool StopAll() override;
    bool LoadEx(int channel, const char* path, bool streaming, int reserved) override;
    bool Load(int channel, const char* path, bool streaming) override;
    bool Release(int channel) override;
    bool ReleaseAll() override;
    bool Pause(int channel) override;
    bool PauseAll() override;
    bool Resume(int channel) override;
    bool ResumeAll() override;
    bool SetVolume(int channel, int percent) override;
    bool SetPan(int channel, int pan) override;
    int GetVolume(int channel) override;
    int GetPan(int) override { return 0; }
    bool UpdateStreams() override { return true; }
    int GetPosition(int) override { return 0; }
    bool SetPosition(int channel, int milliseconds) override;
    const char* GetFileName(int) override { return ""; }
    bool RegisterReader(const char* extension, CTIAudioFile*) override;
    int SetBasePath(const char* folder) override;
    // The frequency set last, else baseFrequency.
    uint32_t GetFrequency(int channel) override;
    int SetFrequency(int channel, uint32_t hz) override;

    uint32_t baseFrequency = 22050;
    std::map<int, uint32_t> frequency;
    std::map<int, int> volume;

private:
    ServiceLog& m_log;
};

class StandinMovie : public ITevMovie {
public:
    explicit StandinMovie(ServiceLog& log) : m_log(log) {}
    bool Initialize(ITevApp*) override { return true; }
    bool Finalize() override { return true; }
    int Load(const char* path, long* width, long* height) override;
    int Play(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
             int sourceHeight) override;
    int Stop() override;
    int Pause() override;
    int Resume() override;
    int Seek(int64_t position) override;
    int GetState() override { return m_state; }
    int SetBasePath(const char* folder) override;

private:
    ServiceLog& m_log;
    int m_state = 0;
};

class StandinApp : public ITevApp {
public:
    explicit StandinApp(ServiceLog& log) : m_log(log) {}
    void ShowMessage(const char* format, ...) override;
    void SetWindowTitle(const char* text) override;
    int WaitNextFrame() override;
    bool SetFrameRate(double fps) override;
    double GetFrameRate() override;
    bool AddListener(TevListener*) override { return true; }
    bool RemoveListener(TevListener*) override { return true; }
    // windowHandle: this object's address unless a test sets it (null: no window).
    void* GetWindowHandle() override;

    void* windowHandle = this;
    double frameRate = 60.0;
    std::string title;

private:
    ServiceLog& m_log;
};

// One host's services: the block the plug-in gets in SystemInit.
struct StandinServices {
    ServiceLog log;
    StandinDraw2d draw2d{log};
    StandinFont font{log};
    StandinDraw draw{log, draw2d, font};
    StandinInput input{log};
    StandinMovie movie{log};
    StandinSound sound{log};
    StandinApp app{log};
    ITevModule* block[kTevServiceCount] = {&draw, &input, &movie, &sound};
};

// A plug-in loaded afresh (dlopen) and driven through its five exports.
class PluginUnderTest {
public:
    explicit PluginUnderTest(StandinServices& services) : m_services(services) {}
    ~PluginUnderTest() { Unload(); }
    PluginUnderTest(const PluginUnderTest&) = delete;
    PluginUnderTest& operator=(const PluginUnderTest&) = delete;

    // Loads the library and finds the five exports; the error when not ("" on success).
    std::string Load(const std::string& path);
    void Unload();
    bool loaded() const { return m_lib != nullptr; }

    int SystemInit() { return m_systemInit(m_services.block, &m_services.app); }
    TevGameInfo* GetInfo(TevGameInfo* info) { return m_getInfo(info); }
    int UserInit(const unsigned char* keyConfig) { return m_userInit(keyConfig); }
    int UserInit() { return UserInit(reinterpret_cast<const unsigned char*>(&kTevDefaultKeyConfig)); }
    int MainLoop() { return m_mainLoop(); }
    int CleanUp() { return m_cleanUp(); }
    // One host frame: the input's poll with these keys held, then MainLoop.
    int Frame(const std::set<int>& keysDown = {}) {
        m_services.input.Poll(keysDown);
        return MainLoop();
    }

private:
    StandinServices& m_services;
    void* m_lib = nullptr;
    TevSystemInitFn m_systemInit = nullptr;
    TevGetInfoFn m_getInfo = nullptr;
    TevUserInitFn m_userInit = nullptr;
    TevMainLoopFn m_mainLoop = nullptr;
    TevCleanUpFn m_cleanUp = nullptr;
};

// DIK codes the tests press.
constexpr int kKeyEscape = 1, kKeyZ = 44, kKeyX = 45, kKeyW = 17, kKeyS = 31, kKeyA = 30, kKeyD = 32;
constexpr int kKeyUp = 200, kKeyDown = 208, kKeyLeft = 203, kKeyRight = 205;

}  // namespace tevtest
