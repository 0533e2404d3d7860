// The text font as plug-ins see it: a public member object of the draw
// object with a virtual table of its own. Slot order is binary interface;
// plug-ins call these by position, so never reorder or insert.
// Text is NUL-terminated Shift-JIS (CP932); colours are 0xAARRGGBB.
#pragma once
#include <cstdint>
#include "plugin_api/tev_base.h"

class ITevFont : public CTevBase {
public:
    ~ITevFont() override;

    // Draws one line with its top-left cell corner at (x, y) in the current
    // colour, tabs expanded, clipped to the text area measured from (x, y).
    // Returns the drawn height in pixels, or -1 while there is no font.
    virtual int DrawText(int x, int y, const char* text) = 0;
    // The same in the given colour. 0, or -1 while there is no font.
    virtual int DrawTextColor(int x, int y, const char* text, uint32_t color) = 0;
    // printf into 260 bytes (259 characters at most), then DrawText.
    virtual int Printf(int x, int y, const char* format, ...) = 0;
    virtual void SetColor(uint32_t color) = 0;
    // Face for the next ApplyFont (at most 259 characters). 0.
    virtual int SetFontName(const char* face) = 0;
    // A new current font at once; last argument unused. 0 / -1 (then no font).
    virtual int ChangeFont(const char* face, int height, int width, int ignored) = 0;
    virtual const char* GetFontName() = 0;
    // Size for the next ApplyFont: the low byte of each, as a signed value.
    // Height > 0: cell height in pixels; < 0: em height; width 0: the face's
    // own proportions, > 0: average character width. 0.
    virtual int SetFontSize(int height, int width) = 0;
    // Makes the pending face and size current. 0, or -1 keeping the old font.
    virtual int ApplyFont() = 0;
    // The default face at height 10, width 0. Always 0.
    virtual int ResetFont() = 0;
    // Size of the clipping rectangle right of and below each text position.
    virtual int SetTextArea(int width, int height) = 0;
    // Text between Begin and End is queued and drawn at End, on top of what
    // was drawn before. 0.
    virtual int Begin() = 0;
    virtual int End() = 0;
};
