// The draw service's device holder: the software device, the presentation
// settings and the table of 32 texture slots. The 2D drawer and the font
// draw through Device(); texture loading, render-to-texture, saving and the
// frame cycle live here.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/raster/raster_device.h"
#include "plugin_api/tev_base.h"

class ITevApp;
class CTevDxFont;
class CBmp;

namespace platform::image {
struct Image;
}

constexpr int kTevTextureSlots = 32;

struct TevTextureSlot {
    // The picture, at its own resolution. Shared so that a draw call in
    // progress keeps it alive while a loader thread replaces it.
    std::shared_ptr<platform::raster::Surface> texture;
    bool targetBound = false;      // the texture serves as a render target
    int textureWidth = 0;          // the square size the texture was sized to
    int textureHeight = 0;
    int imageWidth = 0;            // picture pixels; texture coordinates divide by these
    int imageHeight = 0;
    char fileName[256] = {};
    uint32_t truncColor = 0xFFFFFFFFu;
    uint32_t colors[4] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};

    // Background loader.
    std::thread loader;
    std::atomic<int> loading{0};
    std::atomic<bool> loaderFinished{false};
    std::atomic<bool> loaderCancel{false};
    struct Request {
        uint8_t index = 0;
        char path[263] = {};
        uint32_t colorKey = 0;
    } request;
    std::string requestFullName;   // folder + path, fixed when the load starts
};

class CTevDxDrawGraphics : public CTevBase {
public:
    enum State { kConstructed = 0, kBound = 1, kReady = 3 };

    CTevDxDrawGraphics();
    ~CTevDxDrawGraphics() override;

    // --- used by the draw service's module operations ---
    void Bind(ITevApp* app);                 // state 1
    bool CreateDevice(CTevDxFont* font);     // state 3 on success
    void BeginFrame();
    void EndFrame();
    void ReapLoaders();
    int Clear();

    // --- settings ---
    int state = kConstructed;
    int screenWidth = 640, screenHeight = 480;
    int backWidth = 640, backHeight = 480;
    bool customSizeFullScreen = false;
    bool depth32 = false;
    bool canRenderToTexture = false;
    bool fullScreen = false;
    uint32_t clearColor = 0x00000000u;
    bool presentEnabled = true;
    bool sceneBegun = false;
    char textureFolder[260] = {};

    // The software device; null until the device is made.
    platform::raster::Device* Device() { return state == kReady ? m_device.get() : nullptr; }
    bool Ready() const { return state == kReady && m_device != nullptr; }

    // --- texture table ---
    TevTextureSlot slots[kTevTextureSlots];
    // The slot's picture (null when empty or the slot is out of range),
    // safe against a loader thread finishing at the same time.
    std::shared_ptr<platform::raster::Surface> TextureOf(int slot);
    void ImageSizeOf(int slot, int& width, int& height);

    int CreateTexture(int index, const char* file, uint32_t colorKey);
    int CreateTextureFromPack(int index, const char* file, uint32_t colorKey, int packKey);
    int CreateBlankTexture(int index, int width, int height, uint32_t truncColor);
    int CreateTextureBG(int index, const char* file, uint32_t colorKey);
    int ReleaseTexture(int index);

    // Sets the blend render states for a blend-mode flag word.
    void ApplyBlendMode(int flags);

    int BeginRenderToTexture(int index, CTevDxFont* font);
    int EndRenderToTexture(CTevDxFont* font);
    int SaveScreenshot(const char* path);
    int SaveTexture(int index, const char* path);

    // The standard back-buffer size for a screen size.
    static void StandardBackBufferSize(int screenW, int screenH, int& backW, int& backH);
    // Power-of-two texture side for a picture dimension.
    static int TextureSide(int value);

    // What the last present handed to the window (tests).
    const uint32_t* LastPresentedPixels() const { return m_lastPresented; }
    int LastPresentedWidth() const { return m_lastPresentedW; }
    int LastPresentedHeight() const { return m_lastPresentedH; }

    // Frames written by --dump so far.
    long DumpedFrames() const { return m_dumpedFrames; }

private:
    // Steps shared by the foreground and background loaders: reset the slot,
    // dispatch on the name, log the result.
    void LoadIntoSlot(int index, const char* fullName, uint32_t colorKey, bool onLoader);
    // The checks and log lines both foreground loaders start with: the slot
    // number (low byte), the full file name, a device that is ready, and no
    // background load left running in the slot. False means -1.
    bool BeginForegroundLoad(int& index, const char* file, std::string& full);
    bool LoadBmpFile(int index, const char* fullName, uint32_t colorKey, bool onLoader);
    bool LoadBmpMemory(int index, const unsigned char* data, size_t size, uint32_t colorKey, const char* name);
    bool LoadBmpPicture(int index, CBmp& bmp, const unsigned char* data, size_t size, uint32_t colorKey,
                        const char* fullName, bool onLoader);
    bool LoadPngFile(int index, const char* fullName, bool onLoader);
    bool LoadPngPicture(int index, const unsigned char* data, size_t size, const char* fullName, bool onLoader);
    bool DecodeFailure(bool onLoader, const std::string& why);
    void InstallPicture(int index, platform::image::Image& picture, uint32_t key, int texW, int texH,
                        const char* fullName, bool onLoader);
    void ResetSlot(int index, int side, int imageSide);
    void StopLoader(int index);
    void LoaderMain(int index, bool deviceReady);
    std::string FullName(const char* file) const;

    // Log lines made on loader threads are queued and written by the main
    // thread (the log file is not safe to write from two threads).
    void Say(bool onLoader, int level, const char* format, ...) __attribute__((format(printf, 4, 5)));
    void FlushLoaderLog();

    void LogSystemDescription();
    void Present(bool countFrame);
    void DumpFrame();

    ITevApp* m_app = nullptr;
    std::unique_ptr<platform::raster::Device> m_device;
    std::mutex m_slotMutex;    // slot fields a loader thread writes
    std::mutex m_logMutex;
    std::vector<std::pair<int, std::string>> m_loaderLog;
    std::shared_ptr<platform::raster::Surface> m_targetKeepAlive;   // the current render target
    std::vector<uint32_t> m_presentBuffer;
    long m_presentedFrames = 0;
    long m_dumpedFrames = 0;
    const uint32_t* m_lastPresented = nullptr;
    int m_lastPresentedW = 0, m_lastPresentedH = 0;
    bool m_dumpDirReady = false;
    bool m_dumpFailureLogged = false;
};

// The process-wide holder the loader threads reach (the window property of
// the original design); set by Bind.
CTevDxDrawGraphics* TevBoundDrawGraphics();
