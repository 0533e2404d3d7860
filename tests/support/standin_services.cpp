#include "tests/support/standin_services.h"

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>

namespace tevtest {

namespace {
std::string Format(const char* format, va_list args) {
    char line[1024];
    std::vsnprintf(line, sizeof line, format, args);
    return line;
}
const char* Text(const char* s) { return s != nullptr ? s : "(null)"; }
}  // namespace

void ServiceLog::Add(const char* format, ...) {
    va_list args;
    va_start(args, format);
    calls.push_back(Format(format, args));
    va_end(args);
}

std::vector<std::string> ServiceLog::With(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& c : calls)
        if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
    return out;
}

bool ServiceLog::Has(const std::string& call) const {
    for (const std::string& c : calls)
        if (c == call) return true;
    return false;
}

std::string ServiceLog::Text() const {
    std::string out;
    for (const std::string& c : calls) out += c + "\n";
    return out;
}

// Font.
int StandinFont::DrawText(int x, int y, const char* text) {
    m_log.Add("font.DrawText %d %d %s", x, y, tevtest::Text(text));
    return 0;
}
int StandinFont::DrawTextColor(int x, int y, const char* text, uint32_t color) {
    m_log.Add("font.DrawTextColor %d %d %08X %s", x, y, color, tevtest::Text(text));
    return 0;
}
int StandinFont::Printf(int x, int y, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = Format(format, args);
    va_end(args);
    m_log.Add("font.Printf %d %d %s", x, y, text.c_str());
    return 0;
}
void StandinFont::SetColor(uint32_t color) { m_log.Add("font.SetColor %08X", color); }
int StandinFont::SetFontName(const char* face) {
    m_log.Add("font.SetFontName %s", tevtest::Text(face));
    return 0;
}
int StandinFont::ChangeFont(const char* face, int height, int width, int) {
    m_log.Add("font.ChangeFont %s %d %d", tevtest::Text(face), height, width);
    return 0;
}
int StandinFont::SetFontSize(int height, int width) {
    m_log.Add("font.SetFontSize %d %d", height, width);
    return 0;
}
int StandinFont::ApplyFont() {
    m_log.Add("font.ApplyFont");
    return 0;
}
int StandinFont::ResetFont() {
    m_log.Add("font.ResetFont");
    return 0;
}
int StandinFont::SetTextArea(int width, int height) {
    m_log.Add("font.SetTextArea %d %d", width, height);
    return 0;
}
int StandinFont::Begin() {
    m_log.Add("font.Begin");
    open = true;
    return 0;
}
int StandinFont::End() {
    m_log.Add("font.End");
    open = false;
    return 0;
}

// 2D drawer.
int StandinDraw2d::Draw(int i, int x, int y, int sx, int sy, int w, int h, int flip) {
    m_log.Add("draw2d.Draw %d %d %d %d %d %d %d %d", i, x, y, sx, sy, w, h, flip);
    return 0;
}
int StandinDraw2d::DrawCenter(int i, int cx, int cy, int sx, int sy, int w, int h, int flip) {
    m_log.Add("draw2d.DrawCenter %d %d %d %d %d %d %d %d", i, cx, cy, sx, sy, w, h, flip);
    return 0;
}
int StandinDraw2d::DrawStretch(int i, int x, int y, int dw, int dh, int sx, int sy, int sw, int sh, int flip) {
    m_log.Add("draw2d.DrawStretch %d %d %d %d %d %d %d %d %d %d", i, x, y, dw, dh, sx, sy, sw, sh, flip);
    return 0;
}
int StandinDraw2d::DrawStretchCenter(int i, int cx, int cy, int dw, int dh, int sx, int sy, int sw, int sh,
                                     int flip) {
    m_log.Add("draw2d.DrawStretchCenter %d %d %d %d %d %d %d %d %d %d", i, cx, cy, dw, dh, sx, sy, sw, sh, flip);
    return 0;
}
int StandinDraw2d::DrawRotate(int i, int cx, int cy, int dw, int dh, int sx, int sy, int sw, int sh, double angle,
                              int flip) {
    m_log.Add("draw2d.DrawRotate %d %d %d %d %d %d %d %d %d %.4f %d", i, cx, cy, dw, dh, sx, sy, sw, sh, angle,
              flip);
    return 0;
}
int StandinDraw2d::DrawTransform(int i, int x, int y, int sx, int sy, int w, int h, TevMatrix, int flip) {
    m_log.Add("draw2d.DrawTransform %d %d %d %d %d %d %d %d", i, x, y, sx, sy, w, h, flip);
    return 0;
}
int StandinDraw2d::BeginStrip() {
    m_log.Add("draw2d.BeginStrip");
    return 0;
}
int StandinDraw2d::BeginStripTextured(int i) {
    m_log.Add("draw2d.BeginStripTextured %d", i);
    return 0;
}
int StandinDraw2d::AddStripVertex(int x, int y, uint32_t c) {
    m_log.Add("draw2d.AddStripVertex %d %d %08X", x, y, c);
    return 0;
}
int StandinDraw2d::AddStripVertexUV(int x, int y, int u, int v, uint32_t c) {
    m_log.Add("draw2d.AddStripVertexUV %d %d %d %d %08X", x, y, u, v, c);
    return 0;
}
int StandinDraw2d::EndStrip() {
    m_log.Add("draw2d.EndStrip");
    return 0;
}
int StandinDraw2d::FillRectColors(int x, int y, int w, int h, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    m_log.Add("draw2d.FillRectColors %d %d %d %d %08X %08X %08X %08X", x, y, w, h, a, b, c, d);
    return 0;
}
int StandinDraw2d::FillRect(int x, int y, int w, int h, uint32_t color) {
    m_log.Add("draw2d.FillRect %d %d %d %d %08X", x, y, w, h, color);
    return 0;
}
int StandinDraw2d::FillRectCenterColors(int cx, int cy, int w, int h, uint32_t a, uint32_t b, uint32_t c,
                                        uint32_t d) {
    m_log.Add("draw2d.FillRectCenterColors %d %d %d %d %08X %08X %08X %08X", cx, cy, w, h, a, b, c, d);
    return 0;
}
int StandinDraw2d::FillRectCenter(int cx, int cy, int w, int h, uint32_t color) {
    m_log.Add("draw2d.FillRectCenter %d %d %d %d %08X", cx, cy, w, h, color);
    return 0;
}
int StandinDraw2d::DrawLineColors(int x1, int y1, int x2, int y2, int width, uint32_t a, uint32_t b, uint32_t c,
                                  uint32_t d) {
    m_log.Add("draw2d.DrawLineColors %d %d %d %d %d %08X %08X %08X %08X", x1, y1, x2, y2, width, a, b, c, d);
    return 0;
}
int StandinDraw2d::DrawLine(int x1, int y1, int x2, int y2, int width, uint32_t color) {
    m_log.Add("draw2d.DrawLine %d %d %d %d %d %08X", x1, y1, x2, y2, width, color);
    return 0;
}
int StandinDraw2d::FillTriangleColors(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t a, uint32_t b,
                                      uint32_t c) {
    m_log.Add("draw2d.FillTriangleColors %d %d %d %d %d %d %08X %08X %08X", x0, y0, x1, y1, x2, y2, a, b, c);
    return 0;
}
int StandinDraw2d::FillTriangle(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t color) {
    m_log.Add("draw2d.FillTriangle %d %d %d %d %d %d %08X", x0, y0, x1, y1, x2, y2, color);
    return 0;
}
int StandinDraw2d::SetBlendMode(int flags) {
    m_log.Add("draw2d.SetBlendMode %d", flags);
    return 0;
}
int StandinDraw2d::SetClearColor(uint32_t color) {
    m_log.Add("draw2d.SetClearColor %08X", color);
    return 0;
}

// Draw service.
int StandinDraw::SetScreenSize(int w, int h) {
    m_log.Add("draw.SetScreenSize %d %d", w, h);
    return 0;
}
int StandinDraw::SetFullScreen(bool on) {
    m_log.Add("draw.SetFullScreen %d", on ? 1 : 0);
    return 0;
}
int StandinDraw::SetCustomSizeFullScreen(bool on) {
    m_log.Add("draw.SetCustomSizeFullScreen %d", on ? 1 : 0);
    return 0;
}
int StandinDraw::SetDepth32(bool on) {
    m_log.Add("draw.SetDepth32 %d", on ? 1 : 0);
    return 0;
}
int StandinDraw::CreateBlankTexture(int i, int w, int h, uint32_t c) {
    m_log.Add("draw.CreateBlankTexture %d %d %d %08X", i, w, h, c);
    return 0;
}
int StandinDraw::CreateTextureFromPack(int i, const char* file, uint32_t key, int packKey) {
    m_log.Add("draw.CreateTextureFromPack %d %s %08X %d", i, Text(file), key, packKey);
    return 0;
}
int StandinDraw::CreateTexture(int i, const char* file, uint32_t key) {
    m_log.Add("draw.CreateTexture %d %s %08X", i, Text(file), key);
    return 0;
}
int StandinDraw::ReleaseTexture(int i) {
    m_log.Add("draw.ReleaseTexture %d", i);
    return 0;
}
int StandinDraw::GetTextureSize(int, int* w, int* h) {
    if (w != nullptr) *w = 0;
    if (h != nullptr) *h = 0;
    return 0;
}
int StandinDraw::CreateTextureBG(int i, const char* file, uint32_t key) {
    m_log.Add("draw.CreateTextureBG %d %s %08X", i, Text(file), key);
    return 0;
}
int StandinDraw::SetTextureColors(int i, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    m_log.Add("draw.SetTextureColors %d %08X %08X %08X %08X", i, a, b, c, d);
    return 0;
}
int StandinDraw::SetTextureColor(int i, uint32_t c) {
    m_log.Add("draw.SetTextureColor %d %08X", i, c);
    return 0;
}
int StandinDraw::SetRenderState(int state, uint32_t value) {
    m_log.Add("draw.SetRenderState %d %u", state, value);
    return 0;
}
int StandinDraw::SetBlendMode(int flags) {
    m_log.Add("draw.SetBlendMode %d", flags);
    return 0;
}
int StandinDraw::SaveScreenshot(const char* path) {
    m_log.Add("draw.SaveScreenshot %s", Text(path));
    return 0;
}
int StandinDraw::Clear() {
    m_log.Add("draw.Clear");
    return 1;
}
int StandinDraw::SetClearColor(uint32_t c) {
    m_log.Add("draw.SetClearColor %08X", c);
    return 0;
}
int StandinDraw::EndRenderToTexture() {
    m_log.Add("draw.EndRenderToTexture");
    return 0;
}
int StandinDraw::BeginRenderToTexture(int i) {
    m_log.Add("draw.BeginRenderToTexture %d", i);
    return 0;
}
int StandinDraw::PrintText(int x, int y, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = Format(format, args);
    va_end(args);
    m_log.Add("draw.PrintText %d %d %s", x, y, text.c_str());
    return 0;
}
int StandinDraw::SetTextColor(uint32_t c) {
    m_log.Add("draw.SetTextColor %08X", c);
    return 0;
}
int StandinDraw::SetPresentEnabled(bool on) {
    m_log.Add("draw.SetPresentEnabled %d", on ? 1 : 0);
    return 0;
}
int StandinDraw::SetTextureFolder(const char* folder) {
    m_log.Add("draw.SetTextureFolder %s", Text(folder));
    return 0;
}
int StandinDraw::SetSamplerState(int which, uint32_t value) {
    m_log.Add("draw.SetSamplerState %d %u", which, value);
    return 0;
}
int StandinDraw::SaveTexture(int i, const char* path) {
    m_log.Add("draw.SaveTexture %d %s", i, Text(path));
    return 0;
}

// Input.
void StandinInput::Poll(const std::set<int>& keysDown, const std::set<int>& padButtonsDown) {
    auto step = [](int& c, bool down) {
        if (down) {
            if (c == -1) c = 0;
            if (c < 255) ++c;
        } else {
            c = c > 0 ? -1 : 0;
        }
    };
    for (int code = 0; code < 256; ++code) step(keys[code], keysDown.count(code) != 0);
    for (int b = 0; b < 16; ++b) step(pad[b], padButtonsDown.count(b) != 0);
}
int StandinInput::GetPadButton(int p, int button) {
    ++padQueries;
    return p == 0 && button >= 0 && button < 16 ? pad[button] : 0;
}
int StandinInput::GetKey(int code) {
    ++keyQueries;
    return code >= 0 && code < 238 ? keys[code] : 0;
}
int StandinInput::GetKeyName(char* out, int) {
    if (out != nullptr) out[0] = '\0';
    return -1;
}
int StandinInput::GetFirstKeyDown() {
    for (int code = 0; code < 238; ++code)
        if (keys[code] > 0) return code;
    return 0;
}
int StandinInput::GetMouse(int* x, int* y, int* wheel) {
    if (x != nullptr) *x = 0;
    if (y != nullptr) *y = 0;
    if (wheel != nullptr) *wheel = 0;
    return 0;
}
int StandinInput::SetMousePos(int x, int y) {
    m_log.Add("input.SetMousePos %d %d", x, y);
    return 0;
}
int StandinInput::ShowMouseCursor(bool show) {
    m_log.Add("input.ShowMouseCursor %d", show ? 1 : 0);
    return 0;
}

// Sound.
bool StandinSound::Play(int channel, bool loop) {
    m_log.Add("sound.Play %d %d", channel, loop ? 1 : 0);
    return true;
}
bool StandinSound::Stop(int channel) {
    m_log.Add("sound.Stop %d", channel);
    return true;
}
bool StandinSound::StopAll() {
    m_log.Add("sound.StopAll");
    return true;
}
bool StandinSound::LoadEx(int channel, const char* path, bool streaming, int reserved) {
    m_log.Add("sound.LoadEx %d %s %d %d", channel, Text(path), streaming ? 1 : 0, reserved);
    return true;
}
bool StandinSound::Load(int channel, const char* path, bool streaming) {
    m_log.Add("sound.Load %d %s %d", channel, Text(path), streaming ? 1 : 0);
    return true;
}
bool StandinSound::Release(int channel) {
    m_log.Add("sound.Release %d", channel);
    return true;
}
bool StandinSound::ReleaseAll() {
    m_log.Add("sound.ReleaseAll");
    return true;
}
bool StandinSound::Pause(int channel) {
    m_log.Add("sound.Pause %d", channel);
    return true;
}
bool StandinSound::PauseAll() {
    m_log.Add("sound.PauseAll");
    return true;
}
bool StandinSound::Resume(int channel) {
    m_log.Add("sound.Resume %d", channel);
    return true;
}
bool StandinSound::ResumeAll() {
    m_log.Add("sound.ResumeAll");
    return true;
}
bool StandinSound::SetVolume(int channel, int percent) {
    m_log.Add("sound.SetVolume %d %d", channel, percent);
    volume[channel] = percent;
    return true;
}
bool StandinSound::SetPan(int channel, int pan) {
    m_log.Add("sound.SetPan %d %d", channel, pan);
    return true;
}
int StandinSound::GetVolume(int channel) {
    auto it = volume.find(channel);
    return it != volume.end() ? it->second : 100;
}
bool StandinSound::SetPosition(int channel, int ms) {
    m_log.Add("sound.SetPosition %d %d", channel, ms);
    return true;
}
bool StandinSound::RegisterReader(const char* extension, CTIAudioFile*) {
    m_log.Add("sound.RegisterReader %s", Text(extension));
    return true;
}
int StandinSound::SetBasePath(const char* folder) {
    m_log.Add("sound.SetBasePath %s", Text(folder));
    return 0;
}
uint32_t StandinSound::GetFrequency(int channel) {
    m_log.Add("sound.GetFrequency %d", channel);
    auto it = frequency.find(channel);
    return it != frequency.end() ? it->second : baseFrequency;
}
int StandinSound::SetFrequency(int channel, uint32_t hz) {
    m_log.Add("sound.SetFrequency %d %u", channel, hz);
    frequency[channel] = hz;
    return 0;
}

// Movie.
int StandinMovie::Load(const char* path, long* width, long* height) {
    m_log.Add("movie.Load %s", Text(path));
    if (width != nullptr) *width = 320;
    if (height != nullptr) *height = 240;
    m_state = 1;
    return 0;
}
int StandinMovie::Play(int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
    m_log.Add("movie.Play %d %d %d %d %d %d %d %d", x, y, w, h, sx, sy, sw, sh);
    if (m_state != 0) m_state = 2;
    return 0;
}
int StandinMovie::Stop() {
    m_log.Add("movie.Stop");
    if (m_state != 0) m_state = 1;
    return 0;
}
int StandinMovie::Pause() {
    m_log.Add("movie.Pause");
    if (m_state == 2) m_state = 3;
    return 0;
}
int StandinMovie::Resume() {
    m_log.Add("movie.Resume");
    if (m_state == 3) m_state = 2;
    return 0;
}
int StandinMovie::Seek(int64_t position) {
    m_log.Add("movie.Seek %lld", static_cast<long long>(position));
    return 0;
}
int StandinMovie::SetBasePath(const char* folder) {
    m_log.Add("movie.SetBasePath %s", Text(folder));
    return 0;
}

// Application.
void StandinApp::ShowMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = Format(format, args);
    va_end(args);
    m_log.Add("app.ShowMessage %s", text.c_str());
}
void StandinApp::SetWindowTitle(const char* text) {
    title = Text(text);
    m_log.Add("app.SetWindowTitle %s", title.c_str());
}
int StandinApp::WaitNextFrame() {
    m_log.Add("app.WaitNextFrame");
    return 0;
}
bool StandinApp::SetFrameRate(double fps) {
    m_log.Add("app.SetFrameRate %g", fps);
    return true;
}
double StandinApp::GetFrameRate() {
    m_log.Add("app.GetFrameRate");
    return frameRate;
}
void* StandinApp::GetWindowHandle() {
    m_log.Add("app.GetWindowHandle");
    return windowHandle;
}

// The plug-in.
std::string PluginUnderTest::Load(const std::string& path) {
    Unload();
    m_lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_lib == nullptr) return dlerror();
    m_systemInit = reinterpret_cast<TevSystemInitFn>(dlsym(m_lib, TEV_EXPORT_SYSTEM_INIT));
    m_getInfo = reinterpret_cast<TevGetInfoFn>(dlsym(m_lib, TEV_EXPORT_GET_INFO));
    m_userInit = reinterpret_cast<TevUserInitFn>(dlsym(m_lib, TEV_EXPORT_USER_INIT));
    m_mainLoop = reinterpret_cast<TevMainLoopFn>(dlsym(m_lib, TEV_EXPORT_MAIN_LOOP));
    m_cleanUp = reinterpret_cast<TevCleanUpFn>(dlsym(m_lib, TEV_EXPORT_CLEAN_UP));
    if (!m_systemInit || !m_getInfo || !m_userInit || !m_mainLoop || !m_cleanUp) {
        Unload();
        return path + ": one of the five exports is missing";
    }
    return "";
}

void PluginUnderTest::Unload() {
    if (m_lib != nullptr) dlclose(m_lib);
    m_lib = nullptr;
}

}  // namespace tevtest
