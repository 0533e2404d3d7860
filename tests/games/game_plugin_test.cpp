// Loads the built game plug-ins with recording stand-ins for the host's
// services and drives them through their five exports, as the launcher does.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "plugin_api/tev_app.h"
#include "plugin_api/tev_draw.h"
#include "plugin_api/tev_input.h"
#include "plugin_api/tev_plugin.h"
#include "plugin_api/tev_sound.h"

namespace {

struct Trace {
    std::vector<std::string> calls;  // everything drawn or played, in order
    int clears = 0;
    int begins = 0;
    int ends = 0;
    void Add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        char line[600];
        va_list args;
        va_start(args, format);
        std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        calls.emplace_back(line);
    }
};

class FakeFont : public ITevFont {
public:
    explicit FakeFont(Trace& t) : m_t(t) {}
    int DrawText(int x, int y, const char* text) override {
        m_t.Add("text %d %d %s", x, y, text);
        return 10;
    }
    int DrawTextColor(int x, int y, const char* text, uint32_t) override { return DrawText(x, y, text); }
    int Printf(int x, int y, const char* format, ...) override {
        char line[260];
        va_list args;
        va_start(args, format);
        std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        return DrawText(x, y, line);
    }
    void SetColor(uint32_t) override {}
    int SetFontName(const char*) override { return 0; }
    int ChangeFont(const char*, int, int, int) override { return 0; }
    const char* GetFontName() override { return ""; }
    int SetFontSize(int, int) override { return 0; }
    int ApplyFont() override { return 0; }
    int ResetFont() override { return 0; }
    int SetTextArea(int, int) override { return 0; }
    int Begin() override {
        ++m_t.begins;
        return 0;
    }
    int End() override {
        ++m_t.ends;
        return 0;
    }

private:
    Trace& m_t;
};

class FakeDraw2d : public ITevDraw2d {
public:
    explicit FakeDraw2d(Trace& t) : m_t(t) {}
    int Draw(int index, int x, int y, int sx, int sy, int w, int h, int flip) override {
        m_t.Add("blit %d %d %d %d %d %d %d %d", index, x, y, sx, sy, w, h, flip);
        return 0;
    }
    int DrawCenter(int, int, int, int, int, int, int, int) override { return Unexpected("DrawCenter"); }
    int DrawStretch(int, int, int, int, int, int, int, int, int, int) override { return Unexpected("DrawStretch"); }
    int DrawStretchCenter(int, int, int, int, int, int, int, int, int, int) override {
        return Unexpected("DrawStretchCenter");
    }
    int DrawRotate(int, int, int, int, int, int, int, int, int, double, int) override {
        return Unexpected("DrawRotate");
    }
    int DrawTransform(int, int, int, int, int, int, int, TevMatrix, int) override { return Unexpected("DrawTransform"); }
    int BeginStrip() override { return Unexpected("BeginStrip"); }
    int BeginStripTextured(int) override { return Unexpected("BeginStripTextured"); }
    int AddStripVertex(int, int, uint32_t) override { return Unexpected("AddStripVertex"); }
    int AddStripVertexUV(int, int, int, int, uint32_t) override { return Unexpected("AddStripVertexUV"); }
    int EndStrip() override { return Unexpected("EndStrip"); }
    int FillRectColors(int, int, int, int, uint32_t, uint32_t, uint32_t, uint32_t) override {
        return Unexpected("FillRectColors");
    }
    int FillRect(int x, int y, int w, int h, uint32_t color) override {
        m_t.Add("rect %d %d %d %d %08X", x, y, w, h, color);
        return 0;
    }
    int FillRectCenterColors(int, int, int, int, uint32_t, uint32_t, uint32_t, uint32_t) override {
        return Unexpected("FillRectCenterColors");
    }
    int FillRectCenter(int, int, int, int, uint32_t) override { return Unexpected("FillRectCenter"); }
    int DrawLineColors(int, int, int, int, int, uint32_t, uint32_t, uint32_t, uint32_t) override {
        return Unexpected("DrawLineColors");
    }
    int DrawLine(int x1, int y1, int x2, int y2, int width, uint32_t color) override {
        m_t.Add("line %d %d %d %d %d %08X", x1, y1, x2, y2, width, color);
        return 0;
    }
    int FillTriangleColors(int, int, int, int, int, int, uint32_t, uint32_t, uint32_t) override {
        return Unexpected("FillTriangleColors");
    }
    int FillTriangle(int, int, int, int, int, int, uint32_t) override { return Unexpected("FillTriangle"); }
    int SetBlendMode(int) override { return Unexpected("SetBlendMode"); }
    int SetClearColor(uint32_t) override { return Unexpected("SetClearColor"); }

private:
    int Unexpected(const char* what) {
        ADD_FAILURE() << "unexpected call " << what;
        return 0;
    }
    Trace& m_t;
};

class FakeDraw : public ITevDraw {
public:
    FakeDraw(Trace& t, FakeDraw2d& d, FakeFont& f) : ITevDraw(d, f), m_t(t) {}
    bool Initialize(ITevApp*) override { return true; }
    bool Finalize() override { return true; }
    int SetScreenSize(int w, int h) override {
        setup.push_back("screen " + std::to_string(w) + "x" + std::to_string(h));
        return 0;
    }
    int SetFullScreen(bool on) override {
        setup.push_back(std::string("fullscreen ") + (on ? "1" : "0"));
        return 0;
    }
    int SetCustomSizeFullScreen(bool) override { return 0; }
    int SetDepth32(bool) override { return 0; }
    int CreateBlankTexture(int, int, int, uint32_t) override { return 0; }
    int CreateTextureFromPack(int, const char*, uint32_t, int) override { return 0; }
    int CreateTexture(int index, const char* file, uint32_t key) override {
        char line[300];
        std::snprintf(line, sizeof line, "texture %d %s %08X", index, file, key);
        setup.emplace_back(line);
        return 0;
    }
    int ReleaseTexture(int) override { return 0; }
    int GetTextureSize(int, int*, int*) override { return 0; }
    int CreateTextureBG(int, const char*, uint32_t) override { return 0; }
    int IsTextureLoading(int) override { return 0; }
    int IsTextureReady(int) override { return 1; }
    int SetTextureColors(int, uint32_t, uint32_t, uint32_t, uint32_t) override { return 0; }
    int SetTextureColor(int, uint32_t) override { return 0; }
    int SetRenderState(int, uint32_t) override { return 0; }
    int SetBlendMode(int) override { return 0; }
    int NoOperation(int) override { return 0; }
    int SaveScreenshot(const char*) override { return 0; }
    int Clear() override {
        ++m_t.clears;
        return 1;
    }
    int SetClearColor(uint32_t) override { return 0; }
    int EndRenderToTexture() override { return 0; }
    int BeginRenderToTexture(int) override { return 0; }
    int PrintText(int x, int y, const char* format, ...) override {
        char line[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(line, sizeof line, format, args);
        va_end(args);
        return font.DrawText(x, y, line);
    }
    int SetTextColor(uint32_t) override { return 0; }
    bool CanRenderToTexture() override { return false; }
    int SetPresentEnabled(bool) override { return 0; }
    int SetTextureFolder(const char*) override { return 0; }
    int SetSamplerState(int, uint32_t) override { return 0; }
    int SaveTexture(int, const char*) override { return 0; }

    std::vector<std::string> setup;

private:
    Trace& m_t;
};

// Keys are held or not per frame; the counters follow the host's rule.
class FakeInput : public ITevInput {
public:
    bool Initialize(ITevApp*) override { return true; }
    bool Finalize() override { return true; }
    void Poll(const std::set<int>& down) {
        for (int code = 0; code < 256; ++code) {
            int& c = keys[code];
            if (down.count(code)) {
                if (c == -1) c = 0;
                if (c < 255) ++c;
            } else {
                c = c > 0 ? -1 : 0;
            }
        }
    }
    int GetPadButton(int, int) override { return 0; }
    int GetPadButtonState(int, int) override { return 0; }
    int GetPadCount() override { return 0; }
    int GetKey(int code) override { return code >= 0 && code < 238 ? keys[code] : 0; }
    int GetKeyState(int) override { return 0; }
    char KeyToChar(int) override { return 0; }
    int GetKeyName(char* out, int) override {
        out[0] = 0;
        return -1;
    }
    int GetFirstKeyDown() override { return 0; }
    int GetMouse(int*, int*, int*) override { return 0; }
    int GetMouseX() override { return 0; }
    int GetMouseY() override { return 0; }
    int GetMouseButton(int) override { return 0; }
    int GetMouseButtonState(int) override { return 0; }
    int SetMousePos(int, int) override { return 0; }
    int ShowMouseCursor(bool) override { return 0; }

    int keys[256] = {};
};

class FakeSound : public ITevSound {
public:
    explicit FakeSound(Trace& t) : m_t(t) {}
    bool Initialize(ITevApp*) override { return true; }
    bool Finalize() override { return true; }
    bool Play(int channel, bool loop) override {
        m_t.Add("play %d %d", channel, loop ? 1 : 0);
        return true;
    }
    bool Stop(int) override { return true; }
    bool StopAll() override { return true; }
    bool LoadEx(int channel, const char* path, bool streaming, int) override { return Load(channel, path, streaming); }
    bool Load(int channel, const char* path, bool streaming) override {
        loads.push_back(std::to_string(channel) + " " + path + (streaming ? " stream" : ""));
        return true;
    }
    bool Release(int) override { return true; }
    bool ReleaseAll() override { return true; }
    bool Pause(int) override { return true; }
    bool PauseAll() override { return true; }
    bool Resume(int) override { return true; }
    bool ResumeAll() override { return true; }
    bool SetVolume(int, int) override { return true; }
    bool SetPan(int, int) override { return true; }
    int GetVolume(int) override { return 100; }
    int GetPan(int) override { return 0; }
    bool UpdateStreams() override { return true; }
    int GetPosition(int) override { return 0; }
    bool SetPosition(int, int) override { return true; }
    const char* GetFileName(int) override { return ""; }
    bool RegisterReader(const char*, CTIAudioFile*) override { return true; }
    int SetBasePath(const char*) override { return 0; }
    uint32_t GetFrequency(int) override { return 0; }
    int SetFrequency(int, uint32_t) override { return -1; }

    std::vector<std::string> loads;

private:
    Trace& m_t;
};

class FakeApp : public ITevApp {
public:
    void ShowMessage(const char*, ...) override {}
    void SetWindowTitle(const char* text) override { title = text; }
    int WaitNextFrame() override { return 0; }
    bool SetFrameRate(double) override { return true; }
    double GetFrameRate() override { return 60.0; }
    bool AddListener(TevListener*) override { return true; }
    bool RemoveListener(TevListener*) override { return true; }
    void* GetWindowHandle() override { return this; }
    std::string title;
};

// One host: the services stay, the plug-in is loaded afresh for each play.
struct Host {
    Trace trace;
    FakeDraw2d draw2d{trace};
    FakeFont font{trace};
    FakeDraw draw{trace, draw2d, font};
    FakeInput input;
    FakeSound sound{trace};
    FakeApp app;
    ITevModule* block[4] = {&draw, &input, nullptr, &sound};

    void* lib = nullptr;
    TevSystemInitFn systemInit = nullptr;
    TevGetInfoFn getInfo = nullptr;
    TevUserInitFn userInit = nullptr;
    TevMainLoopFn mainLoop = nullptr;
    TevCleanUpFn cleanUp = nullptr;

    ~Host() { Unload(); }

    void Load(const char* path) {
        Unload();
        lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib, nullptr) << dlerror();
        systemInit = reinterpret_cast<TevSystemInitFn>(dlsym(lib, TEV_EXPORT_SYSTEM_INIT));
        getInfo = reinterpret_cast<TevGetInfoFn>(dlsym(lib, TEV_EXPORT_GET_INFO));
        userInit = reinterpret_cast<TevUserInitFn>(dlsym(lib, TEV_EXPORT_USER_INIT));
        mainLoop = reinterpret_cast<TevMainLoopFn>(dlsym(lib, TEV_EXPORT_MAIN_LOOP));
        cleanUp = reinterpret_cast<TevCleanUpFn>(dlsym(lib, TEV_EXPORT_CLEAN_UP));
        ASSERT_TRUE(systemInit && getInfo && userInit && mainLoop && cleanUp);
        EXPECT_EQ(systemInit(block, &app), 0);
    }
    void Unload() {
        if (lib != nullptr) dlclose(lib);
        lib = nullptr;
    }
    // One host frame: poll, then the game's frame.
    int Frame(const std::set<int>& down) {
        input.Poll(down);
        return mainLoop();
    }
};

constexpr int kEsc = 1, kZ = 44, kX = 45;
constexpr int kUp = 200, kDown = 208, kLeft = 203, kRight = 205;

void CheckInfo(Host& host) {
    TevHostGameInfo buffer;
    std::memset(&buffer, 0x7F, sizeof buffer);
    TevGameInfo* info = host.getInfo(reinterpret_cast<TevGameInfo*>(&buffer));
    ASSERT_EQ(static_cast<void*>(info), static_cast<void*>(&buffer));
    EXPECT_GT(std::strlen(info->title), 0u);
    EXPECT_LT(std::strlen(info->title), sizeof info->title);
    EXPECT_LT(std::strlen(info->comment), sizeof info->comment);
    EXPECT_EQ(info->reserved, 0);
    EXPECT_STREQ(info->image, "image.bmp");
}

// Plays arrow sprint like a player who reads the arrow off the screen:
// taps the key of the big arrow icon every other frame and holds button 1
// so the runner jumps whenever it lands. Returns the trace and the result.
struct ArrowRun {
    std::vector<std::string> frames;
    int end_value = 0;
    int clean_up = 0;
};

ArrowRun PlayArrowSprint(Host& host) {
    ArrowRun run;
    const int keys_by_column[4][2] = {{48, kUp}, {80, kDown}, {112, kLeft}, {144, kRight}};
    int arrow_key = 0;
    for (int frame = 0; frame < 6000; ++frame) {
        host.trace.calls.clear();
        std::set<int> down = {kZ};
        if (frame % 2 == 0 && arrow_key != 0) down.insert(arrow_key);
        const bool over = frame > 30 && run.frames.back().find("Push 2 Button") != std::string::npos;
        if (over) down = {kX};
        const int r = host.Frame(down);
        std::string all;
        for (const std::string& c : host.trace.calls) {
            all += c + "\n";
            int col = 0;
            if (c.ends_with(" 0 32 32 0") && std::sscanf(c.c_str(), "blit 2 0 0 %d", &col) == 1)
                for (const auto& kc : keys_by_column)
                    if (kc[0] == col) arrow_key = kc[1];
        }
        run.frames.push_back(all);
        if (r != 0) {
            run.end_value = r;
            break;
        }
    }
    run.clean_up = host.cleanUp();
    return run;
}

}  // namespace

TEST(GamePlugins, ArrowSprintRunsTheSameCourseOnEveryLoad) {
    Host host;
    std::vector<ArrowRun> runs;
    for (int play = 0; play < 2; ++play) {
        host.Load(ARROW_SPRINT_SO);
        if (play == 0) CheckInfo(host);
        host.draw.setup.clear();
        host.sound.loads.clear();
        ASSERT_EQ(host.userInit(reinterpret_cast<const unsigned char*>(&kTevDefaultKeyConfig)), 0);
        EXPECT_EQ(host.draw.setup, (std::vector<std::string>{"texture 2 pic.bmp FF000000"}));
        EXPECT_EQ(host.sound.loads, (std::vector<std::string>{"0 P1.WAV", "1 P2.WAV", "2 P3.WAV", "3 P4.WAV"}));
        EXPECT_FALSE(host.app.title.empty());
        runs.push_back(PlayArrowSprint(host));
        host.Unload();
    }
    const ArrowRun& first = runs[0];
    ASSERT_FALSE(first.frames.empty());
    // The run ended on its own (cleared or failed), and button 2 left with
    // the result that CleanUp reports too.
    EXPECT_TRUE(first.end_value == 1 || first.end_value == 2) << first.end_value;
    EXPECT_EQ(first.clean_up, first.end_value);
    // Time advanced, and the ground scrolled past gaps.
    bool saw_time = false, saw_gap = false;
    for (const std::string& f : first.frames) {
        saw_time |= f.find("Time:100\n") != std::string::npos;
        int blocks = 0;
        for (size_t p = f.find(" 16 0 32 32 0"); p != std::string::npos; p = f.find(" 16 0 32 32 0", p + 1)) ++blocks;
        saw_gap |= blocks > 0 && blocks < 11;
    }
    EXPECT_TRUE(saw_time);
    EXPECT_TRUE(saw_gap);
    std::printf("arrow sprint bot: %zu frames, end value %d\n", first.frames.size(), first.end_value);
    EXPECT_EQ(runs[1].frames, first.frames);
    EXPECT_EQ(runs[1].end_value, first.end_value);
}

TEST(GamePlugins, ArrowSprintEscapeLeavesWithoutAResult) {
    Host host;
    host.Load(ARROW_SPRINT_SO);
    ASSERT_EQ(host.userInit(reinterpret_cast<const unsigned char*>(&kTevDefaultKeyConfig)), 0);
    EXPECT_EQ(host.Frame({}), 0);
    EXPECT_EQ(host.Frame({kZ}), 0);
    EXPECT_EQ(host.Frame({kZ, kEsc}), 1);
    EXPECT_EQ(host.cleanUp(), 0);
}

TEST(GamePlugins, GridSerpentPlaysToALossWithTheKeysOfTheRecord) {
    setenv("TEV_FIXED_CLOCK", "1234", 1);
    Host host;
    std::vector<std::string> first_food;
    for (int play = 0; play < 2; ++play) {
        host.draw.setup.clear();
        host.Load(GRID_SERPENT_SO);
        EXPECT_EQ(host.draw.setup, (std::vector<std::string>{"screen 320x240", "fullscreen 0"}));
        if (play == 0) CheckInfo(host);
        // W S A D for the directions: the arrow keys do nothing.
        const unsigned char keys[6] = {1, 44, 45, 4, 5, 0};
        ASSERT_EQ(host.userInit(keys), 0);
        EXPECT_TRUE(host.draw.setup.size() == 2) << "no textures";
        EXPECT_TRUE(host.sound.loads.empty());

        int result = 0, frames = 0, head_y = -1;
        bool saw_three = false, saw_verdict = false;
        std::string food;
        while (result == 0 && frames < 3000) {
            host.trace.calls.clear();
            // Down arrow from the start (ignored), S once the game runs.
            std::set<int> down = {kDown};
            if (frames > 250) down.insert(31);
            const int begins = host.trace.begins;
            result = host.Frame(down);
            ++frames;
            EXPECT_EQ(host.trace.begins - begins, 1);
            EXPECT_EQ(host.trace.begins, host.trace.ends);
            for (const std::string& c : host.trace.calls) {
                saw_three |= c == "text 150 115 3";
                saw_verdict |= c == "text 144 90  - 完 - ";
                int x, y;
                if (c.ends_with(" 8 8 FFFFFFFF") && std::sscanf(c.c_str(), "rect %d %d", &x, &y) == 2) head_y = y;
                if (food.empty() && c.find("FFFF0099") != std::string::npos) food = c;
            }
            if (frames == 250) {
                EXPECT_EQ(head_y, 8) << "moved by an unbound key";
            }
        }
        EXPECT_EQ(result, 1);
        EXPECT_GT(head_y, 200);  // went down to the bottom edge
        EXPECT_TRUE(saw_three);
        EXPECT_TRUE(saw_verdict);
        EXPECT_EQ(host.cleanUp(), 2);
        EXPECT_FALSE(food.empty());
        first_food.push_back(food);
        host.Unload();
    }
    // The same clock gives the same food.
    EXPECT_EQ(first_food[0], first_food[1]);
    unsetenv("TEV_FIXED_CLOCK");
}
