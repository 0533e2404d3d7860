// The 15-bit generator every game's formulas assume (results 0 ... 32767),
// with its state owned by the library that links it: a plug-in gets a fresh
// state (1) with every load, the launcher has its own. The C library's rand
// is neither 15-bit nor per library, and a plug-in's own global `rand` would
// still bind to the C library's, hence the kit's own names.
#pragma once
#include <cstdint>

constexpr int TEV_RAND_MAX = 32767;

// x = x * 214013 + 2531011; result (x >> 16) & 0x7FFF.
class TevRand15 {
public:
    explicit TevRand15(uint32_t seed = 1) : m_state(seed) {}
    void Seed(uint32_t seed) { m_state = seed; }
    int Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFF);
    }
    uint32_t State() const { return m_state; }

private:
    uint32_t m_state;
};

// The library's own instance (state 1 when the library is loaded).
int TevRand();
// That instance itself, for code that takes a generator.
TevRand15& TevLibraryRand();
void TevSrand(unsigned int seed);

// The wall clock as games see it, in seconds like time(NULL). With the run
// option --fixed-clock T the host sets TEV_FIXED_CLOCK=T and this returns T,
// so a replayed run sees the same seeds.
int64_t TevClockTime();
// TevSrand(TevClockTime()): what the games' "srand(time(NULL))" means.
void TevSrandFromClock();
