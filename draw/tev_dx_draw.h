// The draw service: device holder, 2D drawer and font in one module object.
#pragma once
#include <cstdint>

#include "draw/tev_dx_draw_graphics.h"
#include "draw/tev_dx_font.h"
#include "platform/raster/raster_device.h"
#include "plugin_api/tev_draw.h"

constexpr int kTevStripMax = 4095;

class CTevDxDraw2d : public ITevDraw2d {
public:
    CTevDxDraw2d();
    ~CTevDxDraw2d() override;

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
    int FillRectColors(int x, int y, int w, int h, uint32_t topLeft, uint32_t topRight, uint32_t bottomLeft,
                       uint32_t bottomRight) override;
    int FillRect(int x, int y, int w, int h, uint32_t color) override;
    int FillRectCenterColors(int cx, int cy, int w, int h, uint32_t topLeft, uint32_t topRight,
                             uint32_t bottomLeft, uint32_t bottomRight) override;
    int FillRectCenter(int cx, int cy, int w, int h, uint32_t color) override;
    int DrawLineColors(int x1, int y1, int x2, int y2, int width, uint32_t c0, uint32_t c1, uint32_t c2,
                       uint32_t c3) override;
    int DrawLine(int x1, int y1, int x2, int y2, int width, uint32_t color) override;
    int FillTriangleColors(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t c0, uint32_t c1,
                           uint32_t c2) override;
    int FillTriangle(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t color) override;
    int SetBlendMode(int flags) override;
    int SetClearColor(uint32_t color) override;

    // Vertices of the last quad or triangle handed to the device (tests).
    const platform::raster::Vertex* LastVertices() const { return m_last; }
    int LastVertexCount() const { return m_lastCount; }
    int StripCount() const { return m_stripCount; }

    platform::raster::Vertex m_strip[kTevStripMax];
    int m_index[kTevStripMax];     // entry i = i; kept for the layout, unused
    int m_stripCount = 0;
    int m_stripTexture = -1;
    CTevDxDrawGraphics* m_graphics = nullptr;

private:
    int DrawTexturedQuad(int index, float left, float top, float right, float bottom, int sx, int sy, int sw,
                         int sh, int flip);
    void Submit(const platform::raster::Vertex* v, int count, int slot);
    void QuadUV(int slot, int sx, int sy, int sw, int sh, int flip, platform::raster::Vertex* v);

    platform::raster::Vertex m_last[4] = {};
    int m_lastCount = 0;
};

class CTevDxDraw : public ITevDraw {
public:
    CTevDxDraw();
    ~CTevDxDraw() override;

    bool Initialize(ITevApp* app) override;
    bool Finalize() override;
    bool OnEvent(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override;
    bool InitializeAfterUser() override;
    bool BeginFrame() override;
    bool EndFrame() override;
    bool Idle() override;

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
    int IsTextureLoading(int index) override;
    int IsTextureReady(int index) override;
    int SetTextureColors(int index, uint32_t topLeft, uint32_t topRight, uint32_t bottomLeft,
                         uint32_t bottomRight) override;
    int SetTextureColor(int index, uint32_t color) override;
    int SetRenderState(int state, uint32_t value) override;
    int SetBlendMode(int flags) override;
    int NoOperation(int unused) override;
    int SaveScreenshot(const char* path) override;
    int Clear() override;
    int SetClearColor(uint32_t color) override;
    int EndRenderToTexture() override;
    int BeginRenderToTexture(int index) override;
    int PrintText(int x, int y, const char* format, ...) override __attribute__((format(printf, 4, 5)));
    int SetTextColor(uint32_t color) override;
    bool CanRenderToTexture() override;
    int SetPresentEnabled(bool on) override;
    int SetTextureFolder(const char* folder) override;
    int SetSamplerState(int which, uint32_t value) override;
    int SaveTexture(int index, const char* path) override;

    CTevDxDrawGraphics& Graphics() { return m_graphics; }
    CTevDxDraw2d& Drawer() { return m_draw2d; }
    CTevDxFont& Font() { return m_font; }

private:
    CTevDxDrawGraphics m_graphics;
    CTevDxDraw2d m_draw2d;
    CTevDxFont m_font;
};
