#include "platform/window_fit.h"

#include <algorithm>

namespace platform {

int ClampWindowScale(int requested, int logicalW, int logicalH, const FitRect& usable, int frameW, int frameH) {
    if (logicalW <= 0 || logicalH <= 0) return std::max(1, requested);
    const int roomW = usable.w - std::max(0, frameW);
    const int roomH = usable.h - std::max(0, frameH);
    // A desktop that reports nothing usable limits nothing.
    if (usable.w <= 0 || usable.h <= 0) return std::max(1, requested);
    const int fits = std::max(1, std::min(roomW / logicalW, roomH / logicalH));
    int scale = requested;
    if (scale <= 0) scale = std::max(1, std::min(usable.w * 3 / 4 / logicalW, usable.h * 3 / 4 / logicalH));
    return std::clamp(scale, 1, fits);
}

void ClampClientSize(int* clientW, int* clientH, const FitRect& usable, int frameW, int frameH) {
    if (usable.w <= 0 || usable.h <= 0) return;
    *clientW = std::clamp(*clientW, 1, std::max(1, usable.w - std::max(0, frameW)));
    *clientH = std::clamp(*clientH, 1, std::max(1, usable.h - std::max(0, frameH)));
}

void PlaceWindow(int clientW, int clientH, const FitRect& usable, int frameLeft, int frameTop, int frameW,
                 int frameH, int* x, int* y) {
    const int outerW = clientW + std::max(0, frameW);
    const int outerH = clientH + std::max(0, frameH);
    int ox = usable.x + (usable.w - outerW) / 2;
    int oy = usable.y + (usable.h - outerH) / 2;
    // Too big to centre: the title bar and the left edge stay reachable.
    ox = std::max(usable.x, ox);
    oy = std::max(usable.y, oy);
    *x = ox + std::max(0, frameLeft);
    *y = oy + std::max(0, frameTop);
}

FitRect LetterboxRect(int areaW, int areaH, int logicalW, int logicalH, bool* whole) {
    FitRect r;
    if (whole) *whole = true;
    if (areaW <= 0 || areaH <= 0 || logicalW <= 0 || logicalH <= 0) return r;
    const int scale = std::min(areaW / logicalW, areaH / logicalH);
    if (scale >= 1) {
        r.w = logicalW * scale;
        r.h = logicalH * scale;
    } else {
        if (whole) *whole = false;
        // The narrower side decides; the other follows the picture's shape.
        if (static_cast<long long>(areaW) * logicalH <= static_cast<long long>(areaH) * logicalW) {
            r.w = areaW;
            r.h = std::max(1, static_cast<int>(static_cast<long long>(areaW) * logicalH / logicalW));
        } else {
            r.h = areaH;
            r.w = std::max(1, static_cast<int>(static_cast<long long>(areaH) * logicalW / logicalH));
        }
    }
    r.x = (areaW - r.w) / 2;
    r.y = (areaH - r.h) / 2;
    return r;
}

} // namespace platform
