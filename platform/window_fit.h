// Where the window goes and how big it may be: pure arithmetic, kept apart
// from the window backend so it can be checked without a display.
#pragma once

namespace platform {

struct FitRect {
    int x = 0, y = 0, w = 0, h = 0;
};

// The window scale for a logical screen of logicalW x logicalH on a desktop
// whose usable area (without panels) is `usable`. `requested` is --scale N
// (0: automatic, the largest that fits in about three quarters of the
// usable area). Any scale is cut to the largest whose client area plus the
// frame (frameW x frameH, the window manager's borders) fits the usable
// area; never below 1.
int ClampWindowScale(int requested, int logicalW, int logicalH, const FitRect& usable, int frameW = 0,
                     int frameH = 0);

// A client size the player chose (the remembered window size), cut to what
// fits the usable area with the frame; a desktop that reports nothing
// usable limits nothing.
void ClampClientSize(int* clientW, int* clientH, const FitRect& usable, int frameW = 0, int frameH = 0);

// The client area's top-left for a client of clientW x clientH: centred in
// the usable area and kept inside it (top-left first when it cannot fit).
// frameLeft/frameTop are the borders above and left of the client area.
void PlaceWindow(int clientW, int clientH, const FitRect& usable, int frameLeft, int frameTop, int frameW,
                 int frameH, int* x, int* y);

// Where a logical screen of logicalW x logicalH goes in an area (window or
// full screen) of areaW x areaH: the largest whole-number scale that fits,
// centred on black bars; only an area smaller than 1x gets a smooth,
// aspect-kept fit below 1. `whole` (optional) tells which of the two it is.
FitRect LetterboxRect(int areaW, int areaH, int logicalW, int logicalH, bool* whole = nullptr);

} // namespace platform
