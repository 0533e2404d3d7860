// What a game's rules may use: the one table of calls between a game and the
// host, free of every host type so that tests can play the rules alone.
//
// A game's rules are plain state plus functions of (state, Buttons, Rand15,
// Sink). The kit's glue fills Buttons from the button mapper each frame and
// turns Sink calls into the draw and sound services; tests pass a recording
// Sink (tests/support/recording_sink.h) and drive the same generator.
//
//   call                              host service it becomes
//   --------------------------------  -------------------------------------
//   Blit / BlitCenter                 2D drawer Draw / DrawCenter
//   Stretch / StretchCenter / Rotate  DrawStretch / DrawStretchCenter / DrawRotate
//   FillRect / FillRectColors /       FillRect / FillRectColors /
//   FillRectCenter / Line / Triangle  FillRectCenter / DrawLine / FillTriangle
//   SetBlendMode / SetClearColor      draw service SetBlendMode / SetClearColor
//   SetTextureColor(s)                draw service SetTextureColor(s)
//   Text / SetTextColor / SetFontSize PrintText("%s") / SetTextColor / font
//                                     SetFontSize(h, 0) + ApplyFont
//   Play / Stop / StopAll /           sound Play / Stop / StopAll /
//   SetVolume / Set- GetFrequency     SetVolume / SetFrequency / GetFrequency
//   FrameRate                         app GetFrameRate
//
// Text needs no Begin/End of its own: the kit opens the font batch before the
// game's frame and closes it after, so text lands on top of the frame.
#pragma once
#include <cstdint>
#include "games/kit/kit_rand.h"

namespace tev {

constexpr int kScreenWidth = 320;
constexpr int kScreenHeight = 240;

// Logical buttons of player 0 (the game Parts' "button 1" and "button 2" are
// kButton1 and kButton2).
enum Button { kUp = 0, kDown = 1, kLeft = 2, kRight = 3, kButton1 = 4, kButton2 = 5 };
constexpr int kButtonCount = 6;

// The mapper's counters of this frame: 0 up, 1 went down this frame, n > 1
// held n frames, -1 released this frame.
struct Buttons {
    int count[kButtonCount] = {0, 0, 0, 0, 0, 0};

    bool Pressed(int button) const { return Count(button) == 1; }
    bool Held(int button) const { return Count(button) > 0; }
    bool Released(int button) const { return Count(button) == -1; }
    int Count(int button) const { return button >= 0 && button < kButtonCount ? count[button] : 0; }
    bool AnyPressed() const {
        for (int c : count)
            if (c == 1) return true;
        return false;
    }
};

// The 15-bit generator of the games' formulas (0 ... 32767). The glue passes
// the library's own instance; tests pass one seeded the same way.
using Rand15 = TevRand15;

// A rectangle of a picture or the screen, in pixels.
struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    constexpr bool operator==(const Rect&) const = default;
};

// One sound of a game: loaded on channel with the sound service's Load. The
// build writes each game's table from its assets/sounds.table.
struct SoundFile {
    int channel = 0;
    const char* file = nullptr;  // ".mid" is music, anything else a wave file
    bool streaming = false;
};

// Mirror bits for the sprite calls.
constexpr int kFlipX = 1;
constexpr int kFlipY = 2;

class Sink {
public:
    virtual ~Sink() = default;

    virtual void Blit(int texture, int dx, int dy, Rect src, int flip) = 0;
    virtual void BlitCenter(int texture, int cx, int cy, Rect src, int flip) = 0;
    virtual void Stretch(int texture, int dx, int dy, int dw, int dh, Rect src, int flip) = 0;
    virtual void StretchCenter(int texture, int cx, int cy, int dw, int dh, Rect src, int flip) = 0;
    // dw x dh centred on (cx, cy), turned clockwise by angle radians.
    virtual void Rotate(int texture, int cx, int cy, int dw, int dh, Rect src, double angle, int flip) = 0;
    virtual void FillRect(int x, int y, int w, int h, uint32_t color) = 0;
    virtual void FillRectColors(int x, int y, int w, int h, uint32_t topLeft, uint32_t topRight,
                                uint32_t bottomLeft, uint32_t bottomRight) = 0;
    virtual void FillRectCenter(int cx, int cy, int w, int h, uint32_t color) = 0;
    virtual void Line(int x1, int y1, int x2, int y2, int width, uint32_t color) = 0;
    virtual void Triangle(int x0, int y0, int x1, int y1, int x2, int y2, uint32_t color) = 0;
    // Blend flags as the draw service's SetBlendMode (0 = alpha blending).
    virtual void SetBlendMode(int flags) = 0;
    virtual void SetClearColor(uint32_t color) = 0;
    virtual void SetTextureColor(int texture, uint32_t color) = 0;
    virtual void SetTextureColors(int texture, uint32_t topLeft, uint32_t topRight, uint32_t bottomLeft,
                                  uint32_t bottomRight) = 0;

    // Text is CP932, drawn as it stands (never used as a format).
    virtual void Text(int x, int y, const char* text) = 0;
    virtual void SetTextColor(uint32_t color) = 0;
    virtual void SetFontSize(int height) = 0;

    virtual void Play(int channel, bool loop) = 0;
    virtual void Stop(int channel) = 0;
    virtual void StopAll() = 0;
    virtual void SetVolume(int channel, int percent) = 0;
    virtual void SetFrequency(int channel, uint32_t hz) = 0;
    virtual uint32_t GetFrequency(int channel) = 0;

    // The application's measured frame rate.
    virtual double FrameRate() = 0;

    // Conveniences over the calls above.
    void Blit(int texture, int dx, int dy, Rect src) { Blit(texture, dx, dy, src, 0); }
    void BlitCenter(int texture, int cx, int cy, Rect src) { BlitCenter(texture, cx, cy, src, 0); }
    void Play(int channel) { Play(channel, false); }
    // printf-formatted text (the format is the game's own literal).
    void TextF(int x, int y, const char* format, ...) __attribute__((format(printf, 4, 5)));
};

// A strip of ten digit glyphs of one size: digit d at (zero.x + d * zero.w,
// zero.y), each zero.w x zero.h, drawn advance pixels apart.
struct DigitFont {
    int texture = 0;
    Rect zero;
    int advance = 0;
};

// value in decimal at (x, y), at least minDigits wide with leading zeros
// (negative values get no sign: the digit strips have none). Returns the
// number of digits drawn.
int DrawNumber(Sink& sink, const DigitFont& font, int x, int y, int64_t value, int minDigits = 1);

}  // namespace tev
