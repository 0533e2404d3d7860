#include "games/kit/service_sink.h"

#include "games/kit/tev_kit.h"
#include "plugin_api/tev_app.h"
#include "plugin_api/tev_draw.h"
#include "plugin_api/tev_sound.h"

void ServiceSink::Blit(int texture, int dx, int dy, tev::Rect s, int flip) {
    if (draw) draw->draw2d.Draw(texture, dx, dy, s.x, s.y, s.w, s.h, flip);
}
void ServiceSink::BlitCenter(int texture, int cx, int cy, tev::Rect s, int flip) {
    if (draw) draw->draw2d.DrawCenter(texture, cx, cy, s.x, s.y, s.w, s.h, flip);
}
void ServiceSink::Stretch(int texture, int dx, int dy, int dw, int dh, tev::Rect s, int flip) {
    if (draw) draw->draw2d.DrawStretch(texture, dx, dy, dw, dh, s.x, s.y, s.w, s.h, flip);
}
void ServiceSink::StretchCenter(int texture, int cx, int cy, int dw, int dh, tev::Rect s, int flip) {
    if (draw) draw->draw2d.DrawStretchCenter(texture, cx, cy, dw, dh, s.x, s.y, s.w, s.h, flip);
}
void ServiceSink::Rotate(int texture, int cx, int cy, int dw, int dh, tev::Rect s, double angle, int flip) {
    if (draw) draw->draw2d.DrawRotate(texture, cx, cy, dw, dh, s.x, s.y, s.w, s.h, angle, flip);
}
void ServiceSink::FillRect(int x, int y, int w, int h, uint32_t color) {
    if (draw) draw->draw2d.FillRect(x, y, w, h, color);
}
void ServiceSink::FillRectColors(int x, int y, int w, int h, uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br) {
    if (draw) draw->draw2d.FillRectColors(x, y, w, h, tl, tr, bl, br);
}
void ServiceSink::FillRectCenter(int cx, int cy, int w, int h, uint32_t color) {
    if (draw) draw->draw2d.FillRectCenter(cx, cy, w, h, color);
}
void ServiceSink::Line(int x1, int y1, int x2, int y2, int width, uint32_t color) {
    if (draw) draw->draw2d.DrawLine(x1, y1, x2, y2, width, color);
}
void ServiceSink::Triangle(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t color) {
    if (draw) draw->draw2d.FillTriangle(x0, y0, x1, y1, x2, y2, color);
}
void ServiceSink::SetBlendMode(int flags) {
    if (draw) draw->SetBlendMode(flags);
}
void ServiceSink::SetClearColor(uint32_t color) {
    if (draw) draw->SetClearColor(color);
}
void ServiceSink::SetTextureColor(int texture, uint32_t color) {
    if (draw) draw->SetTextureColor(texture, color);
}
void ServiceSink::SetTextureColors(int texture, uint32_t tl, uint32_t tr, uint32_t bl, uint32_t br) {
    if (draw) draw->SetTextureColors(texture, tl, tr, bl, br);
}
// The text is already formatted; never hand it to printf as a format.
void ServiceSink::Text(int x, int y, const char* text) {
    if (draw) draw->PrintText(x, y, "%s", text);
}
void ServiceSink::SetTextColor(uint32_t color) {
    if (draw) draw->SetTextColor(color);
}
void ServiceSink::SetFontSize(int height) {
    if (draw) {
        draw->font.SetFontSize(height, 0);
        draw->font.ApplyFont();
    }
}
void ServiceSink::Play(int channel, bool loop) {
    if (sound) sound->Play(channel, loop);
}
void ServiceSink::Stop(int channel) {
    if (sound) sound->Stop(channel);
}
void ServiceSink::StopAll() {
    if (sound) sound->StopAll();
}
void ServiceSink::SetVolume(int channel, int percent) {
    if (sound) sound->SetVolume(channel, percent);
}
void ServiceSink::SetFrequency(int channel, uint32_t hz) {
    if (sound) sound->SetFrequency(channel, hz);
}
uint32_t ServiceSink::GetFrequency(int channel) { return sound ? sound->GetFrequency(channel) : 0; }
double ServiceSink::FrameRate() { return app ? app->GetFrameRate() : 60.0; }
