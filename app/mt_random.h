// The MT19937 generator (32-bit), used by the pack reader and the launcher.
#pragma once
#include <cstdint>

class MTRandom {
public:
    explicit MTRandom(uint32_t seed = 5489u) { Seed(seed); }
    virtual ~MTRandom() = default;
    virtual void Seed(uint32_t s);
    virtual uint32_t Next();

private:
    uint32_t m_state[624];
    int32_t m_index = 624;
};
