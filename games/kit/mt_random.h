// The kit's copy of the host's MT19937 generator, with the reference draws.
// It lives in the kit's namespace so that a program linking both the host's
// generator and the kit (the launcher) never sees two classes of one name.
#pragma once
#include <cstdint>

namespace tevkit {

class MTRandom {
public:
    explicit MTRandom(uint32_t seed = 5489u) { Seed(seed); }
    virtual ~MTRandom() = default;
    // init_genrand
    virtual void Seed(uint32_t seed);
    // genrand_int32
    virtual uint32_t Next();

    uint32_t NextInt31() { return Next() >> 1; }
    double NextReal1() { return Next() * (1.0 / 4294967295.0); }            // [0, 1]
    double NextReal2() { return Next() * (1.0 / 4294967296.0); }            // [0, 1)
    double NextReal3() { return (Next() + 0.5) * (1.0 / 4294967296.0); }    // (0, 1)
    double NextRes53() {
        uint32_t a = Next() >> 5, b = Next() >> 6;
        return (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
    }
    // 0 ... n - 1 (0 for n <= 0).
    int NextBelow(int n) { return n <= 0 ? 0 : static_cast<int>(NextReal2() * n); }

private:
    static constexpr int kSize = 624;
    uint32_t m_state[kSize];
    int32_t m_index = kSize;
};

} // namespace tevkit

using tevkit::MTRandom;
