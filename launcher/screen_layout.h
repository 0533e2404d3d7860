// Positions and timings of the launcher screens that are worth computing
// apart from the drawing: the splash's score line, the game list's lines and
// scroll, and the information panel's strips.
#pragma once
#include <cstdint>

namespace layout {

// Characters "%d" prints for v.
int DigitCount(int32_t v);

// Splash score line "現在 <tries> 戦 <hits> 勝": x of the 戦 sprite after the
// tries, of the hits and of the 勝 sprite.
struct ScoreLine {
    int triesX, senX, hitsX, winX;
};
ScoreLine SplashScoreLine(int32_t tries, int32_t hits);

// Game list. Offset 0 is the current game; +j the j-th next one (below),
// -j the j-th previous one (above).
struct ListLine {
    int x, y;
    uint32_t color;
};
constexpr int kNextLines = 5;      // below the current game
constexpr int kPrevLines = 6;      // above it
constexpr int kScrollFrames = 15;  // the scroll ends when the shift exceeds 14
// Line at offset, shifted for a scroll of direction d (-1 up, +1 down, 0 idle)
// after n frames. extra: the line that only shows while scrolling.
ListLine ListLineAt(int offset, int d, int n);
// Range of offsets drawn for a scroll of direction d.
inline int FirstOffset(int d) { return d < 0 ? -(kPrevLines + 1) : -kPrevLines; }
inline int LastOffset(int d) { return d > 0 ? kNextLines + 1 : kNextLines; }
// Wraps an index into 0 ... count - 1 (0 when count <= 0).
int Wrap(int index, int count);
// Alpha of the current and of the target picture n frames into a scroll.
inline int FadeOutAlpha(int n) { return 255 - 17 * n; }
inline int FadeInAlpha(int n) { return 17 * n; }

// Information panel, counter k in 0 ... 80.
struct PanelStrip {
    bool visible;
    int srcY, srcH, width;  // rows of the panel texture
    int x, y;               // where it is drawn
    int alpha;
};
constexpr int kPanelStrips = 4;
constexpr int kPanelMax = 80;
PanelStrip PanelStripAt(int strip, int k);
// Backing box: x, width.
struct PanelBox {
    int x, w;
};
PanelBox PanelBoxAt(int k);
// The frame sprite behind the panel: x, width.
PanelBox PanelFrameAt(int k);

} // namespace layout
