// The sound module on the null output, frame by frame as the host runs it:
// the per-frame play mark, loading by extension, volume, positions, pause
// and resume, the streaming ring and its end, MIDI channels and recording.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/audio/audio.h"
#include "platform/backend.h"
#include "platform/midi/midi.h"
#include "platform/run_options.h"
#include "plugin_api/tev_app.h"
#include "sound/tev_wave_file.h"
#include "sound/wav_decoders.h"
#include "sound/tev_win_direct_sound7.h"
#include "sound/tev_win_midi.h"
#include "tests/sound/sound_test_util.h"
#include "tests/support/standin_services.h"

using namespace sound_test;
namespace audio = platform::audio;

namespace {

// Headless, as the tests of the whole host run.
const bool g_nullBackends = [] {
    platform::SelectBackends(platform::BackendKind::Null);
    return true;
}();

// The application the module asks for its window.
struct FakeApp : tevtest::StandinApp {
    tevtest::ServiceLog log;
    FakeApp() : tevtest::StandinApp(log) {}
    int Messages() const { return log.Count("app.ShowMessage"); }
};

constexpr int kRate = 44100;

int16_t Value(uint32_t frame) { return static_cast<int16_t>(frame % 30011 + 1); }

std::string RampWav(const std::string& name, uint32_t seconds, uint32_t rate = kRate) {
    std::vector<int16_t> s(seconds * rate);
    for (uint32_t i = 0; i < s.size(); ++i) s[i] = Value(i);
    return WriteFile(name, PcmWav16(1, rate, s));
}

class SoundModule : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sound.Initialize(&app));
        ASSERT_EQ(audio::CurrentOutput().kind, audio::OutputKind::Null);
    }
    void TearDown() override { sound.Finalize(); }

    // n frames of the host's loop: BeginFrame, the game's UpdateStreams,
    // then 1/60 s of output (what EndFrame renders), captured.
    std::vector<int16_t> Frames(int n, bool updateStreams = false) {
        std::vector<int16_t> out;
        std::vector<int16_t> frame(2 * CTevWinDirectSound7::kNullFramesPerFrame);
        for (int i = 0; i < n; ++i) {
            sound.BeginFrame();
            if (updateStreams) sound.UpdateStreams();
            audio::AdvanceNull(CTevWinDirectSound7::kNullFramesPerFrame, frame.data());
            out.insert(out.end(), frame.begin(), frame.end());
        }
        return out;
    }
    // The left samples of a capture compared with Value(first + k).
    static void ExpectRamp(const std::vector<int16_t>& out, uint32_t first, size_t from = 0, size_t count = SIZE_MAX) {
        size_t frames = std::min(out.size() / 2 - from, count);
        for (size_t k = 0; k < frames; ++k)
            ASSERT_EQ(out[2 * (from + k)], Value(static_cast<uint32_t>(first + k))) << "frame " << from + k;
    }

    FakeApp app;
    CTevWinDirectSound7 sound;
};

} // namespace

TEST_F(SoundModule, InitializeOnceAndOnlyWithAWindow) {
    ASSERT_TRUE(sound.Load(0, RampWav("ramp1.wav", 1).c_str(), false));
    EXPECT_FALSE(sound.Initialize(&app));   // already initialized: refused, and nothing lost
    sound.BeginFrame();
    EXPECT_TRUE(sound.Play(0, false));
    EXPECT_EQ(Frames(1)[2 * 100], Value(100));
    EXPECT_TRUE(sound.Load(1, RampWav("ramp1.wav", 1).c_str(), false));
    CTevWinDirectSound7 other;
    FakeApp noWindow;
    noWindow.windowHandle = nullptr;
    EXPECT_FALSE(other.Initialize(&noWindow));
    EXPECT_EQ(noWindow.Messages(), 1);
    EXPECT_FALSE(other.Initialize(nullptr));
    EXPECT_TRUE(sound.BeginFrame());
    EXPECT_FALSE(sound.EndFrame());
    EXPECT_TRUE(sound.Idle());
    EXPECT_TRUE(sound.InitializeAfterUser());
}

TEST_F(SoundModule, EndFrameAdvancesTheNullOutputByExactlyOneFrameOfAudio) {
    uint64_t before = audio::SharedMixer().FramesRendered();
    for (int i = 0; i < 60; ++i) sound.EndFrame();
    EXPECT_EQ(audio::SharedMixer().FramesRendered() - before, 44100u);
}

TEST_F(SoundModule, PlayStartsOncePerFrameFromTheBeginning) {
    ASSERT_TRUE(sound.Load(3, RampWav("ramp2.wav", 2).c_str(), false));
    EXPECT_FALSE(sound.Play(-1, false));
    EXPECT_FALSE(sound.Play(256, false));
    sound.BeginFrame();
    EXPECT_TRUE(sound.Play(3, false));
    std::vector<int16_t> frame(2 * 735);
    audio::AdvanceNull(735, frame.data());
    ExpectRamp(frame, 0);
    EXPECT_FALSE(sound.Play(3, false));   // same frame: refused, not restarted
    audio::AdvanceNull(735, frame.data());
    ExpectRamp(frame, 735);
    sound.BeginFrame();
    EXPECT_TRUE(sound.Play(3, false));    // next frame: from the beginning again
    audio::AdvanceNull(735, frame.data());
    ExpectRamp(frame, 0);
    EXPECT_EQ(sound.Channel(3).state, 2);
    EXPECT_TRUE(sound.UpdateStreams());   // clears the marks too
    EXPECT_TRUE(sound.Play(3, false));
}

TEST_F(SoundModule, LoadChoosesMidiOrAReaderByExtension) {
    EXPECT_TRUE(sound.Load(1, "/nonexistent/music.mid", false));   // MIDI: true even when missing
    EXPECT_TRUE(sound.Channel(1).isMidi);
    EXPECT_TRUE(sound.Load(2, "/nonexistent/MUSIC.MID", false));
    EXPECT_FALSE(sound.Load(3, "/nonexistent/music.Mid", false));  // looked up as "Mid": no reader
    EXPECT_FALSE(sound.Channel(3).isMidi);
    EXPECT_FALSE(sound.Load(256, "x.wav", false));
    EXPECT_FALSE(sound.Load(4, nullptr, false));

    std::vector<int16_t> s(100, 5);
    auto upper = WriteFile("UPPER.WAV", PcmWav16(1, 8000, s));
    EXPECT_TRUE(sound.Load(4, upper.c_str(), false));               // "WAV" finds the "wav" reader
    EXPECT_STREQ(sound.GetFileName(4), upper.c_str());
    EXPECT_STREQ(sound.GetFileName(5), "");

    // No '.' among the last nine characters: those nine are the extension.
    auto odd = WriteFile("sound_abcdefghij", PcmWav16(1, 8000, s));
    EXPECT_FALSE(sound.Load(5, odd.c_str(), false));
    CTWaveFile prototype;
    EXPECT_TRUE(sound.RegisterReader("abcdefghij", &prototype) && sound.RegisterReader("_abcdefgh", &prototype));
    EXPECT_FALSE(sound.Load(5, odd.c_str(), false));
    EXPECT_TRUE(sound.RegisterReader("bcdefghij", &prototype));
    EXPECT_TRUE(sound.Load(5, odd.c_str(), false));

    // Compressed data is not playable as it is (the "wav" reader hands it over unchanged).
    auto fmt = FmtBody(0x11, 1, 8000, 4, 256, 4055);
    Put16(fmt, 2);
    Put16(fmt, 505);
    auto adpcm = WriteFile("adpcm.wav", Riff({Chunk("fmt ", fmt), Chunk("data", std::vector<uint8_t>(512, 0))}));
    EXPECT_FALSE(sound.Load(6, adpcm.c_str(), false));
    EXPECT_FALSE(sound.Load(6, WriteFile("garbage.wav", {1, 2, 3}).c_str(), false));

    // A wave sound replaced by a song on the same channel is released.
    EXPECT_TRUE(sound.Load(4, "/nonexistent/x.mid", false));
    EXPECT_FALSE(sound.Channel(4).buffer);
    EXPECT_TRUE(sound.Release(4));
    EXPECT_FALSE(sound.Release(7));
    EXPECT_EQ(sound.SetBasePath("some/folder"), 0);
    EXPECT_STREQ(sound.BasePath(), "some/folder");
}

TEST_F(SoundModule, VolumePanAndFrequency) {
    auto path = WriteFile("const.wav", PcmWav16(1, kRate, std::vector<int16_t>(kRate, 10000)));
    ASSERT_TRUE(sound.Load(0, path.c_str(), false));
    EXPECT_EQ(sound.GetVolume(0), 100);
    EXPECT_TRUE(sound.SetVolume(0, 40));
    EXPECT_EQ(sound.GetVolume(0), 40);
    EXPECT_TRUE(sound.SetVolume(0, 150));
    EXPECT_EQ(sound.GetVolume(0), 100);
    EXPECT_TRUE(sound.SetVolume(0, -5));
    EXPECT_EQ(sound.GetVolume(0), 0);
    EXPECT_EQ(sound.GetVolume(9), 100);   // empty channel

    sound.SetVolume(0, 70);               // -30 dB
    sound.SetPan(0, 20000);               // clamped to hard right
    EXPECT_EQ(sound.GetPan(0), 10000);
    sound.Play(0, true);
    auto out = Frames(1);
    EXPECT_EQ(out[0], 0);
    EXPECT_NEAR(out[1], 10000 * 0.0316228, 1);

    EXPECT_EQ(sound.GetFrequency(0), 44100u);
    EXPECT_EQ(sound.SetFrequency(0, 22050), 0);
    EXPECT_EQ(sound.GetFrequency(0), 22050u);
    EXPECT_NE(sound.SetFrequency(0, 50), 0);
    EXPECT_NE(sound.SetFrequency(9, 22050), 0);   // nothing there
    EXPECT_EQ(sound.GetFrequency(9), 0u);
}

TEST_F(SoundModule, StaticPositionsPauseAndResume) {
    ASSERT_TRUE(sound.Load(2, RampWav("ramp3.wav", 3).c_str(), false));
    EXPECT_TRUE(sound.SetPosition(2, 1999));   // whole seconds: the one-second point
    EXPECT_EQ(sound.GetPosition(2), 1000);
    sound.BeginFrame();
    sound.Play(2, false);                      // Play starts from the beginning anyway
    auto out = Frames(60);
    ExpectRamp(out, 0);
    EXPECT_TRUE(sound.Pause(2));
    EXPECT_NEAR(sound.GetPosition(2), 1000, 1);
    EXPECT_TRUE(sound.Stop(2));                // a paused channel is left alone
    EXPECT_EQ(sound.Channel(2).state, 1);
    EXPECT_FALSE(sound.Pause(2));
    out = Frames(30);
    EXPECT_EQ(out[0], 0);
    EXPECT_NEAR(sound.GetPosition(2), 1000, 1);
    EXPECT_TRUE(sound.Resume(2));
    out = Frames(30);
    ExpectRamp(out, 44100);                    // on from the very frame it paused at
    EXPECT_TRUE(sound.Stop(2));
    EXPECT_EQ(sound.Channel(2).state, 0);
    EXPECT_FALSE(sound.Resume(2));             // stopped, not paused
    EXPECT_FALSE(sound.SetPosition(9, 0));
}

TEST_F(SoundModule, StreamingRingRefillsAndEndsAtItsDuration) {
    ASSERT_TRUE(sound.Load(7, RampWav("ramp25.wav", 25).c_str(), true));
    EXPECT_EQ(sound.Channel(7).bufferBytes, 10u * 88200);
    EXPECT_EQ(sound.Channel(7).dataBytes, 25u * 88200);
    EXPECT_EQ(sound.Channel(7).durationMs, 25000u);
    sound.BeginFrame();
    ASSERT_TRUE(sound.Play(7, false));
    auto out = Frames(25 * 60, true);
    ExpectRamp(out, 0);   // 25 seconds through a 10-second ring, every sample in place
    EXPECT_EQ(sound.Channel(7).bytesQueued, 25u * 88200);
    out = Frames(10, true);
    EXPECT_EQ(sound.Channel(7).state, 0);   // stopped by itself at its duration
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
}

TEST_F(SoundModule, LoopingStreamStartsAgainWithoutAGap) {
    ASSERT_TRUE(sound.Load(8, RampWav("ramp12.wav", 12).c_str(), true));
    sound.BeginFrame();
    ASSERT_TRUE(sound.Play(8, true));
    auto out = Frames(30 * 60, true);
    const size_t period = 12 * kRate;
    for (size_t k = 0; k < out.size() / 2; ++k)
        ASSERT_EQ(out[2 * k], Value(static_cast<uint32_t>(k % period))) << "frame " << k;
    EXPECT_EQ(sound.Channel(8).state, 2);
}

TEST_F(SoundModule, LoopingStreamShorterThanItsRingRepeatsWithin) {
    ASSERT_TRUE(sound.Load(12, RampWav("ramp3s.wav", 3).c_str(), true));
    sound.BeginFrame();
    ASSERT_TRUE(sound.Play(12, true));
    auto out = Frames(15 * 60, true);
    const size_t period = 3 * kRate;
    for (size_t k = 0; k < out.size() / 2; ++k)
        ASSERT_EQ(out[2 * k], Value(static_cast<uint32_t>(k % period))) << "frame " << k;
}

TEST_F(SoundModule, StreamingPauseResumeAndSeek) {
    ASSERT_TRUE(sound.Load(9, RampWav("ramp20.wav", 20).c_str(), true));
    sound.BeginFrame();
    sound.Play(9, false);
    auto out = Frames(120, true);
    ExpectRamp(out, 0);
    ASSERT_TRUE(sound.Pause(9));
    EXPECT_EQ(sound.GetPosition(9), 2000);
    out = Frames(20, true);
    EXPECT_EQ(out[0], 0);
    ASSERT_TRUE(sound.Resume(9));
    EXPECT_EQ(sound.GetPosition(9), 2000);
    out = Frames(13 * 60, true);   // on past the ring's length
    ExpectRamp(out, 2 * kRate);

    ASSERT_TRUE(sound.SetPosition(9, 3000));
    EXPECT_EQ(sound.GetPosition(9), 3000);
    EXPECT_FALSE(sound.SetPosition(1, 0));
    // Pausing right after the seek and resuming: the sound goes on from 3 s.
    ASSERT_TRUE(sound.Pause(9));
    ASSERT_TRUE(sound.Resume(9));
    out = Frames(60, true);
    ExpectRamp(out, 3 * kRate);
}

TEST_F(SoundModule, AStreamNeverRefilledRepeatsItsRing) {
    ASSERT_TRUE(sound.Load(10, RampWav("ramp11.wav", 11).c_str(), true));
    sound.BeginFrame();
    sound.Play(10, false);
    auto out = Frames(11 * 60);   // no UpdateStreams at all
    ExpectRamp(out, 0, 0, 10 * kRate);
    ExpectRamp(out, 0, 10 * kRate, kRate);
    EXPECT_EQ(sound.Channel(10).state, 2);
}

TEST_F(SoundModule, MidiChannelsDriveThePlayer) {
    auto song = WriteFile("module.mid", MidiFile(0, 96, {Track({{0, {0x90, 60, 100}}, {960, {0x80, 60, 0}}})}));
    ASSERT_TRUE(sound.Load(11, song.c_str(), false));
    ASSERT_TRUE(sound.Midi());
    // Without a soundfont the silent synthesizer keeps the player running.
    ASSERT_TRUE(sound.Midi()->IsOpen());
    const bool audible = std::filesystem::exists(platform::midi::SoundFontPath()) &&
                         std::getenv("TEV_MIDI_SYNTH") == nullptr;
    EXPECT_EQ(sound.GetVolume(11), 100);
    EXPECT_EQ(sound.GetPan(11), 0);
    EXPECT_EQ(sound.GetFrequency(11), 0u);
    EXPECT_FALSE(sound.SetPosition(11, 0));
    sound.BeginFrame();
    ASSERT_TRUE(sound.Play(11, true));
    EXPECT_TRUE(sound.Midi()->IsPlaying());
    auto out = Frames(30);
    EXPECT_NEAR(sound.GetPosition(11), 500, 20);
    int peak = 0;
    for (int16_t s : out) peak = std::max(peak, std::abs(static_cast<int>(s)));
    if (audible) {
        EXPECT_GT(peak, 100);   // the synthesizer plays into the same output
    }
    EXPECT_TRUE(sound.Pause(11));
    EXPECT_EQ(sound.Channel(11).state, 1);
    EXPECT_FALSE(sound.Midi()->IsRunning());
    EXPECT_TRUE(sound.Resume(11));
    EXPECT_TRUE(sound.Midi()->IsRunning());
    EXPECT_TRUE(sound.StopAll());
    EXPECT_FALSE(sound.Midi()->IsPlaying());
    EXPECT_TRUE(sound.ReleaseAll());
    EXPECT_EQ(sound.Midi()->Song(11), nullptr);
}

TEST_F(SoundModule, RecordAudioWritesTheMixedOutput) {
    sound.Finalize();
    const std::string path = ScratchDir() + "/run.wav";
    platform::Options().recordAudio = path;
    ASSERT_TRUE(sound.Initialize(&app));
    platform::Options().recordAudio.clear();
    EXPECT_EQ(audio::CurrentOutput().recordPath, path);
    ASSERT_TRUE(sound.Load(0, RampWav("ramp1.wav", 1).c_str(), false));
    sound.BeginFrame();
    sound.Play(0, false);
    for (int i = 0; i < 10; ++i) sound.EndFrame();
    sound.Finalize();

    CTWaveFile r;
    ASSERT_TRUE(r.Open(path.c_str()));
    EXPECT_EQ(r.GetFormat()->nSamplesPerSec, 44100u);
    EXPECT_EQ(r.GetFormat()->nChannels, 2);
    EXPECT_EQ(r.GetSize(), 10u * 735 * 4);
    std::vector<int16_t> pcm(10 * 735 * 2);
    uint32_t size = static_cast<uint32_t>(pcm.size() * 2);
    ASSERT_TRUE(r.Read(-2, pcm.data(), &size));
    r.Close();
    for (size_t k = 0; k < 10 * 735; ++k) ASSERT_EQ(pcm[2 * k], Value(static_cast<uint32_t>(k))) << k;
    ASSERT_TRUE(sound.Initialize(&app));   // for TearDown
}

TEST_F(SoundModule, CompressedWavSwitchPlaysAdpcmAsPcm) {
    const uint32_t frames = 4 * 505;
    std::vector<int16_t> pcm(frames);
    for (uint32_t i = 0; i < frames; ++i) pcm[i] = static_cast<int16_t>(6000 * std::sin(i * 0.03));
    auto data = tev_sound::EncodeImaAdpcm(pcm.data(), frames, 1, 256);
    auto fmt = FmtBody(0x11, 1, kRate, 4, 256, 22311);
    Put16(fmt, 2);
    Put16(fmt, 505);
    auto path = WriteFile("switch_adpcm.wav", Riff({Chunk("fmt ", fmt), Chunk("data", data)}));
    EXPECT_FALSE(sound.Load(0, path.c_str(), false));   // as it is: not playable

    sound.Finalize();
    g_tevCompressedWav = true;
    ASSERT_TRUE(sound.Initialize(&app));
    g_tevCompressedWav = false;
    ASSERT_TRUE(sound.Load(0, path.c_str(), false));
    EXPECT_EQ(sound.Channel(0).dataBytes, frames * 2);
    sound.BeginFrame();
    sound.Play(0, false);
    auto out = Frames(3);
    double sq = 0;
    for (uint32_t k = 0; k < frames; ++k) sq += double(out[2 * k] - pcm[k]) * (out[2 * k] - pcm[k]);
    EXPECT_LT(std::sqrt(sq / frames), 400.0);
    for (size_t k = frames; k < out.size() / 2; ++k) ASSERT_EQ(out[2 * k], 0);

    sound.Finalize();   // back to the plain reader for the tests after this one
    ASSERT_TRUE(sound.Initialize(&app));
    EXPECT_FALSE(sound.Load(0, path.c_str(), false));
}
