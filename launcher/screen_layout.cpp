#include "launcher/screen_layout.h"
#include <algorithm>
#include <cstdio>

namespace layout {

int DigitCount(int32_t v) {
    char buf[16];
    return std::snprintf(buf, sizeof buf, "%d", v);
}

ScoreLine SplashScoreLine(int32_t tries, int32_t hits) {
    ScoreLine s;
    s.triesX = 170;
    // 182, 194, 206, 218, 230 for 1 ... 5 digits: 12 pixels a digit.
    s.senX = 170 + 12 * DigitCount(tries);
    s.hitsX = s.senX + 30;
    s.winX = s.hitsX + 12 * DigitCount(hits);
    return s;
}

ListLine ListLineAt(int offset, int d, int n) {
    ListLine l;
    if (offset == 0) {
        l.x = 200;
        l.y = 120;
        l.color = 0xFFFF0000;
    } else if (offset > 0) {
        int j = offset - 1;
        l.x = 195 - 5 * j;
        l.y = 135 + 15 * j;
        l.color = offset >= kNextLines ? 0xA0A0A0A0 : 0xFFFFFFFF;
    } else {
        int j = -offset - 1;
        l.x = 205 + 5 * j;
        l.y = 105 - 15 * j;
        l.color = -offset >= kPrevLines ? 0xA0A0A0A0 : 0xFFFFFFFF;
    }
    l.x += -d * n / 3;
    l.y += -d * n;
    return l;
}

int Wrap(int index, int count) {
    if (count <= 0) return 0;
    index %= count;
    return index < 0 ? index + count : index;
}

namespace {
struct StripDef {
    int start, srcY, srcH, width, x, y;
};
constexpr StripDef kStrips[kPanelStrips] = {
    {0, 0, 15, 200, 20, 185},
    {20, 15, 15, 200, 180, 185},
    {40, 30, 15, 290, 20, 200},
    {50, 45, 45, 290, 30, 215},
};
constexpr int kFadeFrames = 30;  // 8.5 alpha a frame: opaque after 30 frames
constexpr int kSlide = 2;        // pixels a frame while sliding in
} // namespace

PanelStrip PanelStripAt(int strip, int k) {
    PanelStrip p{};
    if (strip < 0 || strip >= kPanelStrips) return p;
    const StripDef& s = kStrips[strip];
    int t = k - s.start;
    p.srcY = s.srcY;
    p.srcH = s.srcH;
    p.width = s.width;
    p.y = s.y;
    p.visible = t > 0;
    int into = std::min(t, kFadeFrames);
    p.alpha = std::clamp(static_cast<int>(8.5 * into), 0, 255);
    p.x = s.x - kSlide * (kFadeFrames - std::max(into, 0));
    return p;
}

PanelBox PanelBoxAt(int k) {
    if (k < 20) return {k / 2 + 5, 14 * k};
    return {15, 280};
}

PanelBox PanelFrameAt(int k) {
    return {std::min(k / 2, 10), std::min(15 * k, 300)};
}

} // namespace layout
