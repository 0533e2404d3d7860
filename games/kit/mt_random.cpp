#include "games/kit/mt_random.h"

namespace tevkit {

void MTRandom::Seed(uint32_t seed) {
    m_state[0] = seed;
    for (int i = 1; i < kSize; ++i)
        m_state[i] = 1812433253u * (m_state[i - 1] ^ (m_state[i - 1] >> 30)) + static_cast<uint32_t>(i);
    m_index = kSize;
}

uint32_t MTRandom::Next() {
    constexpr int kShift = 397;
    constexpr uint32_t kMatrix = 0x9908B0DFu, kUpper = 0x80000000u, kLower = 0x7FFFFFFFu;
    if (m_index >= kSize) {
        for (int i = 0; i < kSize; ++i) {
            uint32_t y = (m_state[i] & kUpper) | (m_state[(i + 1) % kSize] & kLower);
            m_state[i] = m_state[(i + kShift) % kSize] ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
        }
        m_index = 0;
    }
    uint32_t y = m_state[m_index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

} // namespace tevkit
