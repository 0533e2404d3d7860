#include "app/mt_random.h"

void MTRandom::Seed(uint32_t s) {
    m_state[0] = s;
    for (uint32_t i = 1; i < 624; ++i) m_state[i] = 1812433253u * (m_state[i - 1] ^ (m_state[i - 1] >> 30)) + i;
    m_index = 624;
}

uint32_t MTRandom::Next() {
    constexpr uint32_t kMatrix = 0x9908B0DFu, kUpper = 0x80000000u, kLower = 0x7FFFFFFFu;
    if (m_index >= 624) {
        for (int k = 0; k < 624; ++k) {
            uint32_t y = (m_state[k] & kUpper) | (m_state[(k + 1) % 624] & kLower);
            m_state[k] = m_state[(k + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? kMatrix : 0u);
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
