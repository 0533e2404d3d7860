#include "games/kit/tev_game.h"

#include <cstdarg>
#include <cstdio>

namespace tev {

void Sink::TextF(int x, int y, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Text(x, y, text);
}

int DrawNumber(Sink& sink, const DigitFont& font, int x, int y, int64_t value, int minDigits) {
    // Magnitude as unsigned, so the lowest value still has digits.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    int digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<int>(magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (minDigits > 20) minDigits = 20;
    while (count < minDigits) digits[count++] = 0;
    for (int i = count - 1; i >= 0; --i) {
        const int d = digits[i];
        sink.Blit(font.texture, x, y, Rect{font.zero.x + d * font.zero.w, font.zero.y, font.zero.w, font.zero.h});
        x += font.advance;
    }
    return count;
}

}  // namespace tev
