#include "draw/tev_dx_draw.h"

#include <cstdarg>
#include <cstdio>

ITevDraw::~ITevDraw() = default;

CTevDxDraw::CTevDxDraw() : ITevDraw(m_draw2d, m_font) {}

// Members go in reverse order: the font, the 2D drawer, then the device
// holder with every texture.
CTevDxDraw::~CTevDxDraw() = default;

bool CTevDxDraw::Initialize(ITevApp* app) {
    m_graphics.Bind(app);
    m_draw2d.m_graphics = &m_graphics;
    return true;
}

bool CTevDxDraw::Finalize() { return true; }

bool CTevDxDraw::OnEvent(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return false; }

// The failure of a device is in the log; the run goes on without drawing.
bool CTevDxDraw::InitializeAfterUser() {
    m_graphics.CreateDevice(&m_font);
    m_font.Init(&m_graphics, 0, 10);
    m_font.SetTextArea(m_graphics.screenWidth, m_graphics.screenHeight);
    return true;
}

bool CTevDxDraw::BeginFrame() {
    m_graphics.BeginFrame();
    return true;
}

bool CTevDxDraw::EndFrame() {
    m_graphics.EndFrame();
    return true;
}

bool CTevDxDraw::Idle() { return false; }

int CTevDxDraw::SetScreenSize(int width, int height) {
    m_graphics.screenWidth = width;
    m_graphics.screenHeight = height;
    return 0;
}

int CTevDxDraw::SetFullScreen(bool on) {
    m_graphics.fullScreen = on;
    return 0;
}

int CTevDxDraw::SetCustomSizeFullScreen(bool on) {
    m_graphics.customSizeFullScreen = on;
    return 0;
}

int CTevDxDraw::SetDepth32(bool on) {
    m_graphics.depth32 = on;
    return 0;
}

int CTevDxDraw::CreateBlankTexture(int index, int width, int height, uint32_t truncColor) {
    return m_graphics.CreateBlankTexture(index, width, height, truncColor);
}

int CTevDxDraw::CreateTextureFromPack(int index, const char* file, uint32_t colorKey, int packKey) {
    return m_graphics.CreateTextureFromPack(index, file, colorKey, packKey);
}

int CTevDxDraw::CreateTexture(int index, const char* file, uint32_t colorKey) {
    return m_graphics.CreateTexture(index, file, colorKey);
}

int CTevDxDraw::ReleaseTexture(int index) { return m_graphics.ReleaseTexture(index); }

int CTevDxDraw::GetTextureSize(int index, int* width, int* height) {
    index &= 0xFF;
    if (index >= kTevTextureSlots) return 0;
    int w = 0, h = 0;
    m_graphics.ImageSizeOf(index, w, h);
    if (width) *width = w;
    if (height) *height = h;
    return 0;
}

int CTevDxDraw::CreateTextureBG(int index, const char* file, uint32_t colorKey) {
    return m_graphics.CreateTextureBG(index, file, colorKey);
}

int CTevDxDraw::IsTextureLoading(int index) {
    index &= 0xFF;
    if (index >= kTevTextureSlots) return 0;
    return m_graphics.slots[index].loading.load();
}

int CTevDxDraw::IsTextureReady(int index) {
    index &= 0xFF;
    if (index >= kTevTextureSlots) return 0;
    return m_graphics.TextureOf(index) ? 1 : 0;
}

int CTevDxDraw::SetTextureColors(int index, uint32_t topLeft, uint32_t topRight, uint32_t bottomLeft,
                                 uint32_t bottomRight) {
    index &= 0xFF;
    if (index >= kTevTextureSlots) return -1;
    uint32_t* c = m_graphics.slots[index].colors;
    c[0] = topLeft;
    c[1] = topRight;
    c[2] = bottomLeft;
    c[3] = bottomRight;
    return 0;
}

int CTevDxDraw::SetTextureColor(int index, uint32_t color) {
    return SetTextureColors(index, color, color, color, color);
}

int CTevDxDraw::SetRenderState(int state, uint32_t value) {
    platform::raster::Device* device = m_graphics.Device();
    if (!device) return -1;
    device->SetRenderState(static_cast<uint32_t>(state), value);
    return 0;
}

int CTevDxDraw::SetBlendMode(int flags) {
    if (!m_graphics.Ready()) return -1;
    m_graphics.ApplyBlendMode(flags);
    return 0;
}

int CTevDxDraw::NoOperation(int) { return 0; }

int CTevDxDraw::SaveScreenshot(const char* path) { return m_graphics.SaveScreenshot(path); }

int CTevDxDraw::Clear() { return m_graphics.Clear(); }

int CTevDxDraw::SetClearColor(uint32_t color) {
    m_graphics.clearColor = color;
    return 0;
}

int CTevDxDraw::EndRenderToTexture() { return m_graphics.EndRenderToTexture(&m_font); }

int CTevDxDraw::BeginRenderToTexture(int index) { return m_graphics.BeginRenderToTexture(index, &m_font); }

int CTevDxDraw::PrintText(int x, int y, const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format ? format : "", args);
    va_end(args);
    ITevFont& text = m_font;
    return text.DrawText(x, y, buffer);
}

int CTevDxDraw::SetTextColor(uint32_t color) {
    ITevFont& text = m_font;
    text.SetColor(color);
    return 0;
}

bool CTevDxDraw::CanRenderToTexture() { return m_graphics.canRenderToTexture; }

int CTevDxDraw::SetPresentEnabled(bool on) {
    m_graphics.presentEnabled = on;
    return 0;
}

int CTevDxDraw::SetTextureFolder(const char* folder) {
    std::snprintf(m_graphics.textureFolder, sizeof m_graphics.textureFolder, "%s", folder ? folder : "");
    return 0;
}

int CTevDxDraw::SetSamplerState(int which, uint32_t value) {
    namespace samp = platform::raster::samp;
    static const uint32_t kStates[5] = {samp::AddressU, samp::AddressV, samp::MagFilter, samp::MinFilter,
                                        samp::BorderColor};
    if (which < 0 || which > 4) return 0;
    if (platform::raster::Device* device = m_graphics.Device()) device->SetSamplerState(kStates[which], value);
    return 0;
}

int CTevDxDraw::SaveTexture(int index, const char* path) { return m_graphics.SaveTexture(index, path); }
