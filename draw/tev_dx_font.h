// The draw service's font: FreeType glyphs from fontconfig faces, queued per
// batch and blended into the device holder's current render target.
#pragma once
#include <cstdint>
#include <memory>
#include "plugin_api/tev_font.h"

class CTevDxDrawGraphics;
namespace platform::raster { class Device; }

class CTevDxFont : public ITevFont {
public:
    // The face the service starts with and ResetFont returns to (CP932 bytes).
    static const char* DefaultFace();

    CTevDxFont();
    ~CTevDxFont() override;

    // Called by the draw service once the device exists (width 0, height 10):
    // binds the font to the device holder and makes the default face.
    // 0, or -1 (logged) when the face cannot be made.
    int Init(CTevDxDrawGraphics* device, int width, int height);
    // The same on a software device directly (tests, benchmarks, tools).
    int InitOnDevice(platform::raster::Device* device, int width, int height);

    int DrawText(int x, int y, const char* text) override;
    int DrawTextColor(int x, int y, const char* text, uint32_t color) override;
    int Printf(int x, int y, const char* format, ...) override __attribute__((format(printf, 4, 5)));
    void SetColor(uint32_t color) override;
    int SetFontName(const char* face) override;
    int ChangeFont(const char* face, int height, int width, int ignored) override;
    const char* GetFontName() override;
    int SetFontSize(int height, int width) override;
    int ApplyFont() override;
    int ResetFont() override;
    int SetTextArea(int width, int height) override;
    int Begin() override;
    int End() override;

    // Host-side inspection (tests, benchmarks, the draw service).
    int FontHeight() const { return m_height; }
    int FontWidth() const { return m_width; }
    int PendingHeight() const { return m_pendingHeight; }
    int PendingWidth() const { return m_pendingWidth; }
    uint32_t Color() const { return m_color; }
    bool HasFont() const { return m_initialised && m_fontMade; }
    bool InBatch() const;
    // Glyphs rasterized since construction (each one once per face and size).
    long RasterizedGlyphs() const;

private:
    struct Impl;

    bool MakeFont(const char* face, int height, int width);
    void ReleaseFont();
    int Queue(int x, int y, const char* text, uint32_t color);

    CTevDxDrawGraphics* m_device = nullptr;
    int m_width = 0;
    int m_height = 0;
    uint32_t m_color = 0xFFFFFFFFu;
    bool m_initialised = false;
    bool m_fontMade = false;
    char m_face[260] = {};
    int m_areaWidth = 0;
    int m_areaHeight = 0;
    char m_pendingFace[260] = {};
    int8_t m_pendingHeight = 0;
    int8_t m_pendingWidth = 0;
    std::unique_ptr<Impl> m_impl;   // face, glyph cache, queued text
};
