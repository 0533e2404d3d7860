// The Sink of the real services: every call goes to the draw, sound or app
// object the host handed to SystemInit, and does nothing while that service
// is missing.
#pragma once
#include "games/kit/tev_game.h"

class ServiceSink : public tev::Sink {
public:
    void Blit(int texture, int dx, int dy, tev::Rect src, int flip) override;
    void BlitCenter(int texture, int cx, int cy, tev::Rect src, int flip) override;
    void Stretch(int texture, int dx, int dy, int dw, int dh, tev::Rect src, int flip) override;
    void StretchCenter(int texture, int cx, int cy, int dw, int dh, tev::Rect src, int flip) override;
    void Rotate(int texture, int cx, int cy, int dw, int dh, tev::Rect src, double angle, int flip) override;
    void FillRect(int x, int y, int w, int h, uint32_t color) override;
    void FillRectColors(int x, int y, int w, int h, uint32_t topLeft, uint32_t topRight, uint32_t bottomLeft,
                        uint32_t bottomRight) override;
    void FillRectCenter(int cx, int cy, int w, int h, uint32_t color) override;
    void Line(int x1, int y1, int x2, int y2, int width, uint32_t color) override;
    void Triangle(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t color) override;
    void SetBlendMode(int flags) override;
    void SetClearColor(uint32_t color) override;
    void SetTextureColor(int texture, uint32_t color) override;
    void SetTextureColors(int texture, uint32_t topLeft, uint32_t topRight, uint32_t bottomLeft,
                          uint32_t bottomRight) override;
    void Text(int x, int y, const char* text) override;
    void SetTextColor(uint32_t color) override;
    void SetFontSize(int height) override;
    void Play(int channel, bool loop) override;
    void Stop(int channel) override;
    void StopAll() override;
    void SetVolume(int channel, int percent) override;
    void SetFrequency(int channel, uint32_t hz) override;
    uint32_t GetFrequency(int channel) override;
    double FrameRate() override;

    using tev::Sink::Blit;
    using tev::Sink::BlitCenter;
    using tev::Sink::Play;
};
