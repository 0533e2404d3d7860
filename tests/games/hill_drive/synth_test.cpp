// The synthesizer rendered: the pitch table, a tone's frequency and level,
// the noise voice's spread, the loudest mix the game makes, the thread's
// stop, and the hand-over to a player that rewrites its ring from a moving
// write point (seamless, whatever the estimate of the move).
#include "games/hill_drive/soft_synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "games/hill_drive/hill_drive_rules.h"

using namespace hill_drive;

namespace {

constexpr int kRate = 44100;

struct MemoryDevice : StreamDevice {
    std::unique_ptr<StreamRing> CreateStreamBuffer(int, int, uint32_t bytes) override {
        return std::make_unique<StreamRing>(bytes);
    }
};

std::unique_ptr<SoftSynth> MakeSynth(MemoryDevice& device) {
    auto synth = std::make_unique<SoftSynth>();
    EXPECT_EQ(synth->Init(&device, kRate), 0);
    return synth;
}

// One second of the voices as the segment fill converts it (left channel).
std::vector<int> RenderSecond(SoftSynth& s) {
    std::vector<int32_t> sums(2 * kRate, 0);
    s.RenderVoices(sums.data(), kRate);
    std::vector<int> left(kRate);
    for (int i = 0; i < kRate; ++i) left[i] = std::clamp(sums[2 * i] >> 4, -32768, 32767);
    return left;
}

// Power at one frequency (Goertzel), per sample.
double Power(const std::vector<int>& x, double hz) {
    const double w = 2 * M_PI * hz / kRate, c = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (int v : x) {
        const double s0 = v + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return (s1 * s1 + s2 * s2 - c * s1 * s2) / x.size();
}

}  // namespace

TEST(HillDriveSynth, PitchTableAndSetUp) {
    MemoryDevice device;
    EXPECT_EQ(SoftSynth().Init(nullptr, kRate), -100);
    EXPECT_EQ(SoftSynth().Init(&device, 3999), -100);
    EXPECT_EQ(SoftSynth().Init(&device, 192001), -100);
    auto s = MakeSynth(device);
    EXPECT_EQ(s->pitchTable[0], 0u);
    for (int i = 32512; i < kPitchEntries; ++i) ASSERT_EQ(s->pitchTable[i], 0u) << i;
    EXPECT_GT(s->pitchTable[32511], s->pitchTable[32510]);
    EXPECT_NEAR(s->pitchTable[17664] * double(kRate) / 256 / 65536, 440.0, 0.01);
    EXPECT_NEAR(s->pitchTable[17664 + 3072] / double(s->pitchTable[17664]), 2.0, 1e-5) << "an octave";
}

TEST(HillDriveSynth, ToneAtItsPitchAndLevel) {
    MemoryDevice device;
    auto s = MakeSynth(device);
    SetUpVoices(s->voices);
    s->voices[0].flags = 1;   // sawtooth, 440 Hz, full volume
    s->voices[0].pitch = 17664;
    const std::vector<int> x = RenderSecond(*s);
    EXPECT_EQ(*std::max_element(x.begin(), x.end()), 127 * 64);
    EXPECT_EQ(*std::min_element(x.begin(), x.end()), -128 * 64);
    const double at = Power(x, 440), below = Power(x, 415), above = Power(x, 466);
    EXPECT_GT(at, 100 * below);
    EXPECT_GT(at, 100 * above);
    EXPECT_GT(Power(x, 880), 10 * Power(x, 660)) << "a sawtooth's harmonics";
    // Pan moves the level between the sides; a voice that is off is silent.
    s->voices[0].pan = 1024;
    std::vector<int32_t> sums(200, 0);
    s->RenderVoices(sums.data(), 100);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(sums[2 * i], 0);
    s->voices[0].flags = 0;
    std::fill(sums.begin(), sums.end(), 0);
    s->RenderVoices(sums.data(), 100);
    EXPECT_TRUE(std::all_of(sums.begin(), sums.end(), [](int v) { return v == 0; }));
}

TEST(HillDriveSynth, NoiseIsBroadbandAndTheCrashDoesNotClip) {
    MemoryDevice device;
    auto s = MakeSynth(device);
    s->voices[0].flags = 3;
    s->voices[0].pitch = 0;   // a new value every sample
    const std::vector<int> x = RenderSecond(*s);
    // Energy by band over the first 4096 samples: spread over the whole
    // range, no line carrying much of it.
    constexpr int kN = 4096;
    std::vector<double> bins(kN / 2, 0);
    double total = 0;
    for (int k = 1; k < kN / 2; ++k) {
        double re = 0, im = 0;
        for (int n = 0; n < kN; ++n) {
            re += x[n] * std::cos(2 * M_PI * k * n / kN);
            im -= x[n] * std::sin(2 * M_PI * k * n / kN);
        }
        bins[k] = re * re + im * im;
        total += bins[k];
    }
    for (int band = 0; band < 4; ++band) {
        double e = 0;
        for (int k = std::max(1, band * kN / 8); k < (band + 1) * kN / 8; ++k) e += bins[k];
        EXPECT_GT(e / total, 0.05) << "band " << band;
    }
    EXPECT_LT(*std::max_element(bins.begin(), bins.end()) / total, 0.1);
    // The loudest moment of the game: the crash (two noises and a tone at
    // full volume) stays below -1 dBFS.
    SetUpVoices(s->voices);
    s->voices[0].flags = 3, s->voices[0].pitch = 32, s->voices[0].volume = 1024;
    s->voices[1].flags = 1, s->voices[1].pitch = 4096, s->voices[1].volume = 1024;
    s->voices[3].flags = 3, s->voices[3].pitch = 64, s->voices[3].volume = 1024;
    const std::vector<int> crash = RenderSecond(*s);
    int peak = 0;
    for (int v : crash) peak = std::max(peak, std::abs(v));
    EXPECT_GT(peak, 8192);
    EXPECT_LT(peak, 29205) << "-1 dBFS";
}

TEST(HillDriveSynth, ThreadFillsAheadAndStopsWithinTwentyMilliseconds) {
    MemoryDevice device;
    auto s = MakeSynth(device);
    SetUpVoices(s->voices);
    s->voices[0].flags = 1;
    s->voices[0].volume = 768;
    ASSERT_EQ(s->Start(), 0);
    StreamRing* ring = s->Buffer();
    ASSERT_TRUE(ring->Playing());
    // Nothing is written into the segment being played: the first fill waits
    // until the cursor has left segment 0.
    EXPECT_EQ(s->ReadyBytes(30), 0u);
    ring->Consume(static_cast<uint32_t>(s->segmentBytes));
    EXPECT_EQ(s->ReadyBytes(200), static_cast<uint32_t>(4 * s->segmentBytes)) << "segment 0 filled: the whole ring lies ahead";
    EXPECT_EQ(s->lastSegment.load(), 0);
    ring->Consume(static_cast<uint32_t>(2 * s->segmentBytes));
    EXPECT_EQ(s->ReadyBytes(200), static_cast<uint32_t>(4 * s->segmentBytes));
    EXPECT_EQ(s->lastSegment.load(), 2);

    const auto t0 = std::chrono::steady_clock::now();
    s->Stop();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(ms, 20.0);
    EXPECT_EQ(s->running.load(), 0);
    EXPECT_EQ(s->Buffer(), nullptr);
    s.reset();   // a second Stop from the destructor is harmless
}

TEST(HillDriveSynth, PlayerGetsOneSeamlessStream) {
    // The player: a 1.5 s ring whose write point moves 735 frames a frame
    // (a 60 Hz frame); each frame it hands its bytes from the write point to
    // the feeder and keeps what comes back, silence after. The estimate of
    // the move is off by up to 44 frames, as a millisecond clock makes it.
    MemoryDevice device;
    auto s = MakeSynth(device);
    SetUpVoices(s->voices);
    s->voices[0].flags = 1;
    s->voices[0].volume = 768;
    s->voices[0].pitch = 9216;
    s->voices[1].flags = 1;
    s->voices[1].volume = 512;
    s->voices[1].pitch = 12000;
    ASSERT_EQ(s->Start(), 0);
    StreamFeeder feeder(*s);
    const uint32_t ring = 44100 * 4 * 3 / 2, step = 735 * 4;
    std::vector<uint8_t> player(ring, 0), region(ring / 2), heard;
    uint32_t write = 0;
    for (int frame = 0; frame < 120; ++frame) {
        // What the write point passed is final: it is what is heard.
        if (frame > 0) {
            for (uint32_t i = 0; i < step; ++i) heard.push_back(player[(write - step + i + ring) % ring]);
        }
        for (uint32_t i = 0; i < region.size(); ++i) region[i] = player[(write + i) % ring];
        const uint32_t estimate = (frame == 0 ? 0 : (frame % 3 == 1 ? 16 : 17) * 441 / 10 * 4);
        const uint32_t got = feeder.Deliver(region.data(), static_cast<uint32_t>(region.size()), estimate);
        std::fill(region.begin() + got, region.end(), 0);
        for (uint32_t i = 0; i < region.size(); ++i) player[(write + i) % ring] = region[i];
        write = (write + step) % ring;
    }
    s->Stop();

    // The same voices rendered straight through, one segment after another.
    MemoryDevice device2;
    auto ref = MakeSynth(device2);
    SetUpVoices(ref->voices);
    for (int v = 0; v < 2; ++v) {
        ref->voices[v].flags = s->voices[v].flags.load();
        ref->voices[v].volume = s->voices[v].volume.load();
        ref->voices[v].pitch = s->voices[v].pitch.load();
    }
    std::vector<int32_t> sums(2 * 44100, 0);
    ref->RenderVoices(sums.data(), 44100);
    const auto first = std::find_if(heard.begin(), heard.end(), [](uint8_t b) { return b != 0; });
    ASSERT_NE(first, heard.end());
    const size_t start = static_cast<size_t>(first - heard.begin()) & ~size_t(3);
    ASSERT_GT(heard.size(), start + 44100 * 4);
    for (int i = 0; i < 44100; ++i) {
        int16_t left;
        std::memcpy(&left, &heard[start + 4 * i], 2);
        ASSERT_EQ(left, std::clamp(sums[2 * i] >> 4, -32768, 32767)) << "frame " << i;
    }
}
