// The master bus never clips: loud sums are limited below full scale, while
// material that fits passes bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/audio/audio.h"
#include "tests/sound/sound_test_util.h"

using namespace platform::audio;

namespace {

std::unique_ptr<IBuffer> Mono16(IClient& client, const std::vector<int16_t>& samples) {
    Format f;
    f.channels = 1;
    f.blockAlign = 2;
    auto b = client.CreateBuffer(f, static_cast<uint32_t>(samples.size() * 2));
    if (!b) return b;
    auto bytes = sound_test::Samples16(samples);
    void *p1, *p2;
    uint32_t n1, n2;
    b->Lock(0, static_cast<uint32_t>(bytes.size()), &p1, &n1, &p2, &n2);
    memcpy(p1, bytes.data(), n1);
    b->Unlock(p1, n1, p2, n2);
    return b;
}

// A square-ish wave with a sine's edges, loud and with some detail.
std::vector<int16_t> Tone(int frames, double hz, double amp, double phase = 0) {
    std::vector<int16_t> s(frames);
    for (int i = 0; i < frames; ++i) {
        double x = std::sin(2 * M_PI * hz * i / kOutputRate + phase);
        s[i] = static_cast<int16_t>(std::lrint(x * amp));
    }
    return s;
}

} // namespace

TEST(Limiter, ALoudMixNeverPassesFullScaleAndRecovers) {
    Mixer m;
    auto client = m.OpenClient();
    // Three sounds near full scale at once: raw sums reach about 2.7x.
    auto a = Mono16(*client, Tone(22050, 220, 30000));
    auto b = Mono16(*client, Tone(22050, 330, 30000, 1.0));
    auto c = Mono16(*client, Tone(22050, 440, 28000, 2.0));
    ASSERT_TRUE(a && b && c);
    a->Play(false);
    b->Play(false);
    c->Play(false);
    std::vector<int16_t> out(22050 * 2);
    m.Render(out.data(), 22050);
    int atRail = 0;
    double peak = 0;
    for (int16_t s : out) {
        atRail += (s == 32767 || s == -32768) ? 1 : 0;
        peak = std::max(peak, std::fabs(static_cast<double>(s)));
    }
    EXPECT_EQ(atRail, 0) << "peak " << peak;
    EXPECT_LT(peak, 32767);
    EXPECT_GT(peak, 20000);  // still loud: limited, not muted

    // After the loud sounds end the gain is back at unity: quiet material
    // that follows passes exactly.
    std::vector<int16_t> quiet = Tone(8000, 500, 9000);
    auto q = Mono16(*client, quiet);
    std::vector<int16_t> gap(44100 * 2);
    m.Render(gap.data(), 44100);   // a second of silence to recover
    q->Play(false);
    std::vector<int16_t> after(8000 * 2);
    m.Render(after.data(), 8000);
    for (int i = 0; i < 8000; ++i) {
        ASSERT_EQ(after[2 * i], quiet[i]) << i;
        ASSERT_EQ(after[2 * i + 1], quiet[i]) << i;
    }
}

TEST(Limiter, MaterialWithinFullScaleIsBitIdentical) {
    PeakLimiter lim;
    std::vector<float> in(4096 * 2);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<float>(std::sin(i * 0.013) * (i % 7 == 0 ? 1.0 : 0.3)) * (i % 2 ? -1.0f : 1.0f);
    in[10] = -1.0f;   // the most negative sample is representable
    std::vector<float> out = in;
    lim.Process(out.data(), 4096);
    EXPECT_EQ(0, memcmp(in.data(), out.data(), in.size() * sizeof(float)));
    EXPECT_EQ(lim.Gain(), 1.0f);

    // One over: that frame lands just under full scale with its stereo image, the
    // frames before it are untouched, the gain recovers to exactly 1.
    std::vector<float> over = {0.5f, 0.25f, 2.0f, -1.0f, 0.5f, 0.5f};
    lim.Process(over.data(), 3);
    EXPECT_EQ(over[0], 0.5f);
    EXPECT_FLOAT_EQ(over[2], PeakLimiter::kTarget);
    EXPECT_FLOAT_EQ(over[3], -PeakLimiter::kTarget / 2);
    EXPECT_LT(over[4], 0.5f);
    std::vector<float> silence(44100 * 2, 0.0f);
    lim.Process(silence.data(), 44100);
    EXPECT_EQ(lim.Gain(), 1.0f);

    // Garbage from a source never reaches the output as noise.
    std::vector<float> bad = {NAN, INFINITY};
    lim.Process(bad.data(), 1);
    EXPECT_EQ(bad[0], 0.0f);
    EXPECT_EQ(bad[1], 0.0f);
}
