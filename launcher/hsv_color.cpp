#include "launcher/hsv_color.h"

namespace {
double Clamp(double v, double lo, double hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}
} // namespace

uint32_t HsvColor(double alpha, double hue, double saturation, double value) {
    double g = hue;
    // Guard against NaN and absurd magnitudes: a loop of whole steps would
    // never end there.
    if (!(g == g) || g > 1e9 || g < -1e9) g = 0.0;
    while (g > 6.0) g -= 6.0;
    while (g < 0.0) g += 6.0;
    // Reduced while above 1, so a whole hue of 1 or more keeps f = 1.
    double f = g;
    while (f > 1.0) f -= 1.0;

    double s = Clamp(saturation, 0.0, 1.0);
    double v = Clamp(value, 0.0, 255.0);
    double a = Clamp(alpha, 0.0, 255.0);
    if (!(s == s)) s = 0.0;
    if (!(v == v)) v = 0.0;
    if (!(a == a)) a = 0.0;

    double fr, fg, fb;
    if (g < 1.0)      { fr = 1.0;     fg = f;       fb = 0.0; }
    else if (g < 2.0) { fr = 1.0 - f; fg = 1.0;     fb = 0.0; }
    else if (g < 3.0) { fr = 0.0;     fg = 1.0;     fb = f; }
    else if (g < 4.0) { fr = 0.0;     fg = 1.0 - f; fb = 1.0; }
    else if (g < 5.0) { fr = f;       fg = 0.0;     fb = 1.0; }
    else if (g < 6.0) { fr = 1.0;     fg = 0.0;     fb = 1.0 - f; }
    else              { fr = 0.0;     fg = 0.0;     fb = 0.0; }

    auto channel = [&](double factor) {
        return static_cast<uint32_t>(static_cast<int>(v * (s * factor + 1.0 - s))) & 0xFFu;
    };
    uint32_t ai = static_cast<uint32_t>(static_cast<int>(a)) & 0xFFu;
    return ai << 24 | channel(fr) << 16 | channel(fg) << 8 | channel(fb);
}
