#include "games/kit/kit_rand.h"
#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace {
// Plain static of trivial type: initialised from the library image on every
// load, and nothing that would keep the library resident.
TevRand15 g_rand;
}

int TevRand() { return g_rand.Next(); }

TevRand15& TevLibraryRand() { return g_rand; }

void TevSrand(unsigned int seed) { g_rand.Seed(seed); }

int64_t TevClockTime() {
    const char* fixed = std::getenv("TEV_FIXED_CLOCK");
    if (fixed != nullptr && *fixed != '\0') {
        char* end = nullptr;
        errno = 0;
        long long value = std::strtoll(fixed, &end, 10);
        // Anything but a whole number falls back to the real clock.
        if (errno == 0 && end != fixed && *end == '\0')
            return static_cast<int64_t>(value);
    }
    return static_cast<int64_t>(std::time(nullptr));
}

void TevSrandFromClock() { TevSrand(static_cast<unsigned int>(TevClockTime())); }
