// The draw service as plug-ins see it: ITevDraw (first entry of the service
// block), its 2D drawer and its font. Plug-ins reach the drawer and the font
// as public members of the draw object: draw->draw2d.Draw(...),
// draw->font.Begin(). Those two members sit right after the base part of
// ITevDraw, so nothing the host keeps inside its own draw object can move
// them. Slot order of all three interfaces is binary interface: never
// reorder or insert.
//
// Colours are 0xAARRGGBB. A texture index is a 32-bit value of which only
// the low byte counts; slots are 0 ... 31.
#pragma once
#include <cstdint>
#include "plugin_api/tev_font.h"
#include "plugin_api/tev_module.h"

// A 4 x 4 matrix in row-vector convention (translation in the fourth row),
// passed by value to DrawTransform.
struct TevMatrix {
    float m[4][4];
};

class ITevDraw2d : public CTevBase {
public:
    ~ITevDraw2d() override;

    // Source rectangle (sx, sy, w, h) of the slot's picture, in picture
    // pixels, at (x, y) unscaled. flip bit 0 mirrors left-right, bit 1
    // top-bottom. -1 for a slot of 32 or more.
    virtual int Draw(int index, int x, int y, int sx, int sy, int w, int h, int flip) = 0;
    virtual int DrawCenter(int index, int cx, int cy, int sx, int sy, int w, int h, int flip) = 0;
    virtual int DrawStretch(int index, int x, int y, int dw, int dh, int sx, int sy, int sw, int sh,
                            int flip) = 0;
    virtual int DrawStretchCenter(int index, int cx, int cy, int dw, int dh, int sx, int sy, int sw,
                                  int sh, int flip) = 0;
    // dw x dh centred on (cx, cy), turned clockwise on the screen by angle
    // radians.
    virtual int DrawRotate(int index, int cx, int cy, int dw, int dh, int sx, int sy, int sw, int sh,
                           double angle, int flip) = 0;
    // The w x h rectangle's corners through matrix; x and y are not used.
    virtual int DrawTransform(int index, int x, int y, int sx, int sy, int w, int h, TevMatrix matrix,
                              int flip) = 0;

    // A free triangle strip of up to 4095 vertices, kept until the next
    // BeginStrip; EndStrip draws it (and may be called again).
    virtual int BeginStrip() = 0;
    virtual int BeginStripTextured(int index) = 0;
    // (x, y) exactly as given. -1 when the strip is full.
    virtual int AddStripVertex(int x, int y, uint32_t color) = 0;
    // (x - 0.5, y - 0.5); u, v in picture pixels. -1 when full.
    virtual int AddStripVertexUV(int x, int y, int u, int v, uint32_t color) = 0;
    virtual int EndStrip() = 0;

    virtual int FillRectColors(int x, int y, int w, int h, uint32_t topLeft, uint32_t topRight,
                               uint32_t bottomLeft, uint32_t bottomRight) = 0;
    virtual int FillRect(int x, int y, int w, int h, uint32_t color) = 0;
    virtual int FillRectCenterColors(int cx, int cy, int w, int h, uint32_t topLeft, uint32_t topRight,
                                     uint32_t bottomLeft, uint32_t bottomRight) = 0;
    virtual int FillRectCenter(int cx, int cy, int w, int h, uint32_t color) = 0;
    // A thick line as a rectangle; width is the low byte of its argument.
    // Colours: first end left side, second end left side, first end right
    // side, second end right side.
    virtual int DrawLineColors(int x1, int y1, int x2, int y2, int width, uint32_t c0, uint32_t c1,
                               uint32_t c2, uint32_t c3) = 0;
    virtual int DrawLine(int x1, int y1, int x2, int y2, int width, uint32_t color) = 0;
    virtual int FillTriangleColors(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t c0, uint32_t c1,
                                   uint32_t c2) = 0;
    virtual int FillTriangle(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t color) = 0;
    // Blend mode as ITevDraw::SetBlendMode, also before the device exists.
    virtual int SetBlendMode(int flags) = 0;
    virtual int SetClearColor(uint32_t color) = 0;
};

class ITevDraw : public ITevModule {
public:
    ITevDraw(ITevDraw2d& drawer, ITevFont& textFont) : draw2d(drawer), font(textFont) {}
    ~ITevDraw() override;

    // Screen settings, read when the device is made (InitializeAfterUser).
    virtual int SetScreenSize(int width, int height) = 0;
    virtual int SetFullScreen(bool on) = 0;
    // With full screen: the logical screen is shown centred and unscaled.
    virtual int SetCustomSizeFullScreen(bool on) = 0;
    virtual int SetDepth32(bool on) = 0;

    // Texture slots. Loaders return -1 only for a bad slot or no device; a
    // picture that cannot be read leaves the slot empty (see IsTextureReady
    // and the log) and returns 0.
    virtual int CreateBlankTexture(int index, int width, int height, uint32_t truncColor) = 0;
    virtual int CreateTextureFromPack(int index, const char* file, uint32_t colorKey, int packKey) = 0;
    // ".bmp" or ".png" in the name (lower case). colorKey 0: none;
    // 0x00FFFFFF: the BMP's top-left pixel; else pixels of exactly that ARGB
    // value become transparent.
    virtual int CreateTexture(int index, const char* file, uint32_t colorKey) = 0;
    virtual int ReleaseTexture(int index) = 0;
    // The picture's size in pixels; either pointer may be null.
    virtual int GetTextureSize(int index, int* width, int* height) = 0;
    // Loads in a thread of its own: 0 started, 1 slot still busy, -1 bad slot.
    virtual int CreateTextureBG(int index, const char* file, uint32_t colorKey) = 0;
    virtual int IsTextureLoading(int index) = 0;
    virtual int IsTextureReady(int index) = 0;
    // Corner colours (tint, translucency) the slot is drawn with.
    virtual int SetTextureColors(int index, uint32_t topLeft, uint32_t topRight, uint32_t bottomLeft,
                                 uint32_t bottomRight) = 0;
    virtual int SetTextureColor(int index, uint32_t color) = 0;

    // A Direct3D 9 render state number and value, passed to the device.
    virtual int SetRenderState(int state, uint32_t value) = 0;
    // Bit 0: translucent (default), bit 1: additive, bit 2: darken, none:
    // opaque; the lowest set bit wins.
    virtual int SetBlendMode(int flags) = 0;
    virtual int NoOperation(int unused) = 0;
    // The back buffer as a BMP file.
    virtual int SaveScreenshot(const char* path) = 0;
    // 1 on success.
    virtual int Clear() = 0;
    virtual int SetClearColor(uint32_t color) = 0;
    virtual int EndRenderToTexture() = 0;
    // Drawing goes into the slot's texture (made 1024 x 1024 when empty).
    virtual int BeginRenderToTexture(int index) = 0;
    // printf (511 characters at most), drawn with the font's colour.
    virtual int PrintText(int x, int y, const char* format, ...) = 0;
    virtual int SetTextColor(uint32_t color) = 0;
    virtual bool CanRenderToTexture() = 0;
    // Off: frames are neither begun nor presented.
    virtual int SetPresentEnabled(bool on) = 0;
    // Put in front of every texture file name as it stands (no separator).
    virtual int SetTextureFolder(const char* folder) = 0;
    // which: 0 ADDRESSU, 1 ADDRESSV, 2 MAGFILTER, 3 MINFILTER, 4 BORDERCOLOR
    // (Direct3D 9 values); anything else does nothing.
    virtual int SetSamplerState(int which, uint32_t value) = 0;
    // The slot's texture as a BMP file.
    virtual int SaveTexture(int index, const char* path) = 0;

    // The draw object's 2D drawer and font.
    ITevDraw2d& draw2d;
    ITevFont& font;
};
