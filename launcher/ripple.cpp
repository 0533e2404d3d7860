#include "launcher/ripple.h"
#include <cmath>

namespace ripple {

double Displacement(int t, double r) {
    if (r > t || r < t - 45 || r > 160) return 0.0;
    return std::sin(6.2832 * (t / 45.0 - r / 10.0)) * 10.0 * (160.0 - r) * 0.00625;
}

void Displace(int t, int x, int y, int& outX, int& outY) {
    int dx = x - kCenterX;
    int dy = y - kCenterY;
    double j = Displacement(t, std::sqrt(static_cast<double>(dx * dx + dy * dy)));
    double sx = dx > 0 ? 1.0 : (dx < 0 ? -1.0 : 0.0);
    double sy = dy > 0 ? 1.0 : (dy < 0 ? -1.0 : 0.0);
    outX = x + static_cast<int>(j * sx);
    outY = y + static_cast<int>(j * sy);
}

} // namespace ripple
