// The mixer rendered into memory: sample conversion, the volume and pan
// laws, frequency as pitch, looping, ring locking, several clients, the
// audio-clock ticker and the recording writer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/audio/wav_writer.h"
#include "tests/sound/sound_test_util.h"

using namespace platform::audio;

namespace {

Format Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    Format f;
    f.tag = kTagPcm;
    f.channels = channels;
    f.rate = rate;
    f.bits = bits;
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    return f;
}

void Fill(IBuffer& b, const std::vector<uint8_t>& bytes, uint32_t offset = 0) {
    void *p1, *p2;
    uint32_t n1, n2;
    ASSERT_EQ(b.Lock(offset, static_cast<uint32_t>(bytes.size()), &p1, &n1, &p2, &n2), kOk);
    memcpy(p1, bytes.data(), n1);
    if (n2) memcpy(p2, bytes.data() + n1, n2);
    ASSERT_EQ(b.Unlock(p1, n1, p2, n2), kOk);
}

std::vector<int16_t> Render(Mixer& m, int frames) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
    m.Render(out.data(), frames);
    return out;
}

std::unique_ptr<IBuffer> Mono16(IClient& client, const std::vector<int16_t>& samples, uint32_t rate = 44100) {
    auto b = client.CreateBuffer(Pcm(1, rate, 16), static_cast<uint32_t>(samples.size() * 2));
    if (b) Fill(*b, sound_test::Samples16(samples));
    return b;
}

} // namespace

TEST(Mixer, SamplesPassThroughAtTheOutputRateAndConvertFromEightBits) {
    Mixer m;
    auto client = m.OpenClient();
    auto b16 = Mono16(*client, {1000, -2000, 32767, -32768});
    ASSERT_TRUE(b16);
    b16->Play(false);
    auto out = Render(m, 6);
    EXPECT_EQ(out[0], 1000);
    EXPECT_EQ(out[1], 1000);   // mono goes to both sides at full level
    EXPECT_EQ(out[2], -2000);
    EXPECT_EQ(out[4], 32767);
    EXPECT_EQ(out[6], -32768);
    EXPECT_EQ(out[8], 0);      // played once: silence after the end
    EXPECT_FALSE(b16->IsPlaying());

    auto b8 = client->CreateBuffer(Pcm(2, 44100, 8), 4);
    ASSERT_TRUE(b8);
    Fill(*b8, {0x80, 0xFF, 0x00, 0xC0});
    b8->Play(false);
    out = Render(m, 2);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 127 * 256);
    EXPECT_EQ(out[2], -32768);
    EXPECT_EQ(out[3], 64 * 256);
}

TEST(Mixer, VolumeAndPanFollowTheDecibelLaw) {
    Mixer m;
    auto client = m.OpenClient();
    auto b = Mono16(*client, std::vector<int16_t>(100, 20000));
    ASSERT_TRUE(b);

    b->SetVolume(-600);   // -6 dB
    b->Play(true);
    auto out = Render(m, 4);
    EXPECT_NEAR(out[0], 20000 * std::pow(10.0, -0.3), 2);
    EXPECT_EQ(out[0], out[1]);

    b->SetVolume(-10000);
    out = Render(m, 4);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0);

    b->SetVolume(0);
    b->SetPan(-10000);    // hard left: right side silent
    out = Render(m, 4);
    EXPECT_EQ(out[0], 20000);
    EXPECT_EQ(out[1], 0);

    b->SetPan(2000);      // left attenuated by 20 dB, right full
    out = Render(m, 4);
    EXPECT_NEAR(out[0], 2000, 1);
    EXPECT_EQ(out[1], 20000);
    EXPECT_EQ(b->GetPan(), 2000);

    EXPECT_EQ(b->SetVolume(1), kInvalidParam);
    EXPECT_EQ(b->SetVolume(-10001), kInvalidParam);
    EXPECT_EQ(b->SetPan(10001), kInvalidParam);
    EXPECT_EQ(b->GetVolume(), 0);
}

TEST(Mixer, FrequencyChangesPitchAndCursorSpeed) {
    Mixer m;
    auto client = m.OpenClient();
    std::vector<int16_t> ramp(1000);
    for (int i = 0; i < 1000; ++i) ramp[i] = static_cast<int16_t>(i * 10);
    auto b = Mono16(*client, ramp);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->GetFrequency(), 44100u);

    // Another rate is resampled through a band-limiting filter: a smooth ramp
    // comes through unchanged away from its silent start.
    ASSERT_EQ(b->SetFrequency(88200), kOk);   // an octave up: every second sample
    b->Play(false);
    auto out = Render(m, 100);
    for (int i = 20; i < 100; ++i) ASSERT_NEAR(out[2 * i], ramp[2 * i], 2) << i;
    uint32_t play, write;
    b->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 200u * 2);
    EXPECT_NE(write, play);   // playing: the write cursor is ahead

    ASSERT_EQ(b->SetFrequency(22050), kOk);   // an octave down: halfway values between samples
    b->SetCurrentPosition(200);
    out = Render(m, 4);
    EXPECT_NEAR(out[0], 1000, 2);
    EXPECT_NEAR(out[2], 1005, 2);
    EXPECT_NEAR(out[4], 1010, 2);
    EXPECT_NEAR(out[6], 1015, 2);

    EXPECT_EQ(b->SetFrequency(99), kInvalidParam);
    EXPECT_EQ(b->SetFrequency(200001), kInvalidParam);
    EXPECT_EQ(b->GetFrequency(), 22050u);
    EXPECT_EQ(b->SetFrequency(kFrequencyOriginal), kOk);
    EXPECT_EQ(b->GetFrequency(), 44100u);

    // A sound recorded at 22050 Hz plays at its own pitch: two output frames per sample.
    std::vector<int16_t> slow(64);
    for (int i = 0; i < 64; ++i) slow[i] = static_cast<int16_t>(i * 100);
    auto low = Mono16(*client, slow, 22050);
    b->Stop();
    low->Play(false);
    out = Render(m, 80);
    EXPECT_NEAR(out[0], 0, 3);   // starts from silence
    for (int i = 30; i < 80; ++i) ASSERT_NEAR(out[2 * i], i * 50, 2) << i;
}

// Amplitude of one frequency in the left channel (a single DFT bin).
double Level(const std::vector<int16_t>& stereo, double hz) {
    double re = 0, im = 0;
    const size_t n = stereo.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        double w = 0.5 - 0.5 * std::cos(2 * M_PI * i / n);  // Hann window
        re += w * stereo[2 * i] * std::cos(2 * M_PI * hz * i / kOutputRate);
        im += w * stereo[2 * i] * std::sin(2 * M_PI * hz * i / kOutputRate);
    }
    return 2 * std::hypot(re, im) / (n / 2.0) / 32768.0;
}

TEST(Mixer, ResamplingLeavesNoImagesAndFoldsNothingBack) {
    Mixer m;
    auto client = m.OpenClient();
    auto sine = [](double hz, double rate) {
        std::vector<int16_t> s(8192);
        for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(16000 * std::sin(2 * M_PI * hz * i / rate));
        return s;
    };
    // 8 kHz recorded at 22050 Hz, played at its own rate: the image a plain
    // interpolation leaves at 22050 - 8000 Hz must be far below the tone.
    auto low = Mono16(*client, sine(8000, 22050), 22050);
    low->SetCurrentPosition(2000);
    low->Play(true);
    auto out = Render(m, 4096);
    EXPECT_NEAR(Level(out, 8000), 16000 / 32768.0, 0.03);
    EXPECT_LT(Level(out, 14050), 16000 / 32768.0 * 0.003);   // below -50 dB
    low->Stop();
    // 15 kHz raised an octave lies above the output's Nyquist frequency: it
    // must not come back folded down to 44100 - 30000 Hz.
    auto high = Mono16(*client, sine(15000, 44100));
    ASSERT_EQ(high->SetFrequency(88200), kOk);
    high->Play(true);
    out = Render(m, 4096);
    EXPECT_LT(Level(out, 14100), 16000 / 32768.0 * 0.003);
    high->Stop();
    // What is written while a sound runs at another rate (a stream's ring) is
    // what is heard next, not what was there when the pitch was set.
    Fill(*high, sound_test::Samples16(std::vector<int16_t>(8192, 12000)));
    high->SetCurrentPosition(2000);
    high->Play(true);
    out = Render(m, 64);
    EXPECT_NEAR(out[100], 12000, 40);
}

TEST(Mixer, LoopingWrapsAndOneShotStops) {
    Mixer m;
    auto client = m.OpenClient();
    std::vector<int16_t> s(100);
    for (int i = 0; i < 100; ++i) s[i] = static_cast<int16_t>(i + 1);
    auto loop = Mono16(*client, s);
    loop->Play(true);
    auto out = Render(m, 250);
    for (int i = 0; i < 250; ++i) ASSERT_EQ(out[2 * i], s[i % 100]) << i;
    EXPECT_TRUE(loop->IsPlaying());
    uint32_t play;
    loop->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 50u * 2);

    loop->Stop();
    loop->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 50u * 2);   // Stop keeps the position
    uint32_t write;
    loop->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, write);     // stopped: nothing is ahead
    out = Render(m, 10);
    EXPECT_EQ(out[0], 0);
    loop->Play(false);          // resumes from 50 and ends at 100
    out = Render(m, 60);
    EXPECT_EQ(out[0], 51);
    EXPECT_EQ(out[2 * 49], 100);
    EXPECT_EQ(out[2 * 50], 0);
    EXPECT_FALSE(loop->IsPlaying());
    EXPECT_EQ(m.PlayingBuffers(), 0);
}

TEST(Mixer, WritesBetweenThePlayAndWriteCursorsAreNotHeard) {
    // A stream rewritten round its whole ring from the write cursor: what
    // lies between the cursors has gone to the device already.
    Mixer m;
    auto client = m.OpenClient();
    auto b = Mono16(*client, std::vector<int16_t>(4000, 1000));
    ASSERT_TRUE(b);
    b->Play(true);
    Render(m, 100);
    uint32_t play = 0, write = 0;
    ASSERT_EQ(b->GetCurrentPosition(&play, &write), kOk);
    ASSERT_GT(write, play);
    Fill(*b, sound_test::Samples16(std::vector<int16_t>(4000, -500)));
    auto out = Render(m, (write - play) / 2 + 4);
    EXPECT_EQ(out[0], 1000);
    EXPECT_EQ(out[2 * ((write - play) / 2 - 1)], 1000);   // the last frame given
    EXPECT_EQ(out[2 * ((write - play) / 2)], -500);       // the first one written
}

TEST(Mixer, LockHandsOutTheRingRegionAndChecksItsArguments) {
    Mixer m;
    auto client = m.OpenClient();
    auto b = client->CreateBuffer(Pcm(1, 44100, 16), 16);
    ASSERT_TRUE(b);
    Fill(*b, {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0});
    void *p1, *p2;
    uint32_t n1, n2;
    ASSERT_EQ(b->Lock(12, 8, &p1, &n1, &p2, &n2), kOk);
    EXPECT_EQ(n1, 4u);
    EXPECT_EQ(n2, 4u);
    EXPECT_EQ(static_cast<uint8_t*>(p1)[0], 7);   // the current bytes
    EXPECT_EQ(static_cast<uint8_t*>(p2)[0], 1);
    EXPECT_EQ(b->Lock(0, 4, &p1, &n1, &p2, &n2), kInvalidParam);   // one lock at a time
    static_cast<uint8_t*>(p1)[0] = 70;
    static_cast<uint8_t*>(p2)[0] = 10;
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), kOk);
    b->Play(false);
    auto out = Render(m, 8);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[2 * 6], 70);

    EXPECT_EQ(b->Lock(16, 1, &p1, &n1, &p2, &n2), kInvalidParam);
    EXPECT_EQ(b->Lock(0, 17, &p1, &n1, &p2, &n2), kInvalidParam);
    EXPECT_EQ(b->Unlock(p1, 1, nullptr, 0), kInvalidParam);   // nothing locked
    ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2), kOk);         // empty lock: empty region
    EXPECT_EQ(n1, 0u);
    EXPECT_EQ(b->Unlock(p1, 0, nullptr, 0), kOk);
    EXPECT_EQ(b->SetCurrentPosition(16), kInvalidParam);

    int result = 0;
    Format adpcm = Pcm(1, 44100, 4);
    adpcm.tag = 0x11;
    adpcm.blockAlign = 256;
    EXPECT_FALSE(client->CreateBuffer(adpcm, 1024, &result));
    EXPECT_EQ(result, kBadFormat);
    EXPECT_FALSE(client->CreateBuffer(Pcm(2, 44100, 16), 0, &result));
    EXPECT_EQ(result, kInvalidParam);
}

TEST(Mixer, ClientsShareTheOutputAndOwnTheirBuffers) {
    Mixer m;
    auto host = m.OpenClient();
    auto game = m.OpenClient();
    auto a = Mono16(*host, std::vector<int16_t>(64, 1000));
    auto b = Mono16(*game, std::vector<int16_t>(64, 300));
    a->Play(true);
    b->Play(true);
    auto out = Render(m, 4);
    EXPECT_EQ(out[0], 1300);

    game.reset();   // the game's device goes: its sounds fall silent, the host's play on
    out = Render(m, 4);
    EXPECT_EQ(out[0], 1000);
    EXPECT_EQ(b->Play(true), kInvalidCall);
    b.reset();      // releasing an orphaned buffer is still safe

    auto loud = Mono16(*host, std::vector<int16_t>(64, 32000));
    loud->Play(true);
    out = Render(m, 4);
    // The sum neither wraps nor clips: the master bus limits it just under full scale.
    EXPECT_EQ(out[0], static_cast<int16_t>(std::lrintf(32768 * PeakLimiter::kTarget)));
}

TEST(Mixer, TickersRunOnTheAudioClock) {
    Mixer m;
    struct Count {
        Mixer* m;
        std::vector<uint64_t> at;
    } c{&m, {}};
    int id = m.AddTicker(5, [](void* p) {
        auto* c = static_cast<Count*>(p);
        c->at.push_back(c->m->FramesRendered());
    }, &c);
    ASSERT_NE(id, 0);
    std::vector<int16_t> out(2 * 735);
    for (int i = 0; i < 60; ++i) m.Render(out.data(), 735);   // one second in frame-sized steps
    // The tick due at exactly 1 s runs before the next frames are mixed.
    ASSERT_EQ(c.at.size(), 199u);
    EXPECT_EQ(c.at[0], 221u);    // ceil(220.5)
    EXPECT_EQ(c.at[1], 441u);
    EXPECT_EQ(c.at[198], 43880u);
    EXPECT_EQ(m.TimeMs(), 1000u);
    m.Render(out.data(), 1);
    ASSERT_EQ(c.at.size(), 200u);
    EXPECT_EQ(c.at[199], 44100u);
    m.RemoveTicker(id);
    m.Render(out.data(), 735);
    EXPECT_EQ(c.at.size(), 200u);
}

TEST(Mixer, RecordingWriterProducesAReadableWav) {
    std::string path = sound_test::ScratchDir() + "/record.wav";
    {
        WavWriter w;
        ASSERT_TRUE(w.Open(path, 44100, 2));
        std::vector<int16_t> frames(2 * 100);
        for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<int16_t>(i);
        w.Write(frames.data(), 100);
        w.Write(frames.data(), 50);
        EXPECT_EQ(w.FramesWritten(), 150u);
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_TRUE(f);
    std::vector<uint8_t> bytes(1000);
    size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    ASSERT_EQ(n, 44u + 150 * 4);
    auto le32 = [&](size_t o) { return bytes[o] | bytes[o + 1] << 8 | bytes[o + 2] << 16 | bytes[o + 3] << 24; };
    EXPECT_EQ(le32(4), 36 + 600);
    EXPECT_EQ(le32(40), 600);
    EXPECT_EQ(le32(24), 44100);
    WavWriter bad;
    std::string error;
    EXPECT_FALSE(bad.Open("/nonexistent-dir/x.wav", 44100, 2, &error));
    EXPECT_FALSE(error.empty());
}
