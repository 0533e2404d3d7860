// WAV shapes that common converters write and the readers once decoded
// wrongly: Microsoft ADPCM with negative predictions, IEEE float (plain and
// behind WAVE_FORMAT_EXTENSIBLE) and extensible PCM. Expected samples come
// from the bytes written here or from sox's own decoder, never from the
// reader under test.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "platform/audio/audio.h"
#include "platform/backend.h"
#include "plugin_api/tev_app.h"
#include "plugin_api/tev_base.h"
#include "sound/tev_wave_file.h"
#include "sound/tev_win_direct_sound7.h"
#include "tests/sound/sound_test_util.h"

using namespace sound_test;
namespace audio = platform::audio;

namespace {

std::vector<int16_t> ReadPcm(CTIAudioFile& r) {
    std::vector<int16_t> out(r.GetSize() / 2 + 64);
    uint32_t size = static_cast<uint32_t>(out.size() * 2);
    EXPECT_TRUE(r.Read(-2, out.data(), &size));
    out.resize(size / 2);
    return out;
}

const int16_t kMsCoefs[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

std::vector<uint8_t> MsAdpcmFmt(uint16_t channels, uint16_t blockAlign, uint16_t samplesPerBlock) {
    auto f = FmtBody(2, channels, 8000, 4, blockAlign, 8000 * blockAlign / samplesPerBlock);
    Put16(f, 32);
    Put16(f, samplesPerBlock);
    Put16(f, 7);
    for (const auto& c : kMsCoefs) {
        Put16(f, static_cast<uint16_t>(c[0]));
        Put16(f, static_cast<uint16_t>(c[1]));
    }
    return f;
}

// Extensible header: valid bits, channel mask, sub-format GUID for `tag`.
std::vector<uint8_t> ExtensibleFmt(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t subTag) {
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    auto f = FmtBody(0xFFFE, channels, rate, bits, align, rate * align);
    Put16(f, 22);
    Put16(f, bits);
    Put32(f, channels == 2 ? 3 : 4);
    Put16(f, subTag);
    const uint8_t base[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    f.insert(f.end(), base, base + 14);
    return f;
}

std::vector<uint8_t> Floats(const std::vector<float>& v) {
    std::vector<uint8_t> b;
    for (float x : v) {
        uint32_t bits;
        std::memcpy(&bits, &x, 4);
        Put32(b, bits);
    }
    return b;
}

// Full scale is 32768; beyond it clips; NaN is silence.
const std::vector<float> kFloats = {0.0f, 0.5f, -0.25f, 1.0f, -1.0f, 1.5f, -3.0f, 0.0001f, -0.00002f, NAN, 0.999f};
const std::vector<int16_t> kFloatsAs16 = {0, 16384, -8192, 32767, -32768, 32767, -32768, 3, -1, 0, 32735};

bool HaveSox() { return std::system("sox --version > /dev/null 2>&1") == 0; }

} // namespace

TEST(MsAdpcm, NegativePredictionsRoundTowardMinusInfinity) {
    // One mono block by hand: predictor pair 3 (192, 64), step 16, history
    // -100 (newest) and -7, then four zero nibbles. Each prediction is
    // (s1*192 + s2*64) >> 8: -19648 >> 8 = -77 (not -76), -21184 -> -83,
    // -20864 -> -82, -21056 -> -83.
    std::vector<uint8_t> block{3};
    Put16(block, 16);
    Put16(block, static_cast<uint16_t>(-100));
    Put16(block, static_cast<uint16_t>(-7));
    block.insert(block.end(), {0x00, 0x00});
    auto path = WriteFile("ms_by_hand.wav", Riff({Chunk("fmt ", MsAdpcmFmt(1, 9, 6)), Chunk("data", block)}));
    CTRiffFile r;
    ASSERT_TRUE(r.Open(path.c_str()));
    EXPECT_EQ(ReadPcm(r), (std::vector<int16_t>{-7, -100, -77, -83, -82, -83}));
    r.Close();
}

TEST(MsAdpcm, MatchesSoxsDecoderSampleForSample) {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    // Noise and a low sine, mostly negative, mono and stereo.
    std::mt19937 rng(29);
    for (uint16_t channels : {1, 2}) {
        std::vector<int16_t> pcm(8000 * channels);
        for (size_t i = 0; i < pcm.size(); ++i)
            pcm[i] = static_cast<int16_t>(-9000 + 8000 * std::sin(i * 0.01) + int(rng() % 4001) - 2000);
        const std::string tag = std::to_string(channels);
        const std::string src = WriteFile("ms_src" + tag + ".wav", Riff({Chunk("fmt ", PcmFmt(channels, 8000, 16)),
                                                                        Chunk("data", Samples16(pcm))}));
        const std::string adpcm = ScratchDir() + "/ms_adpcm" + tag + ".wav";
        const std::string ref = ScratchDir() + "/ms_ref" + tag + ".raw";
        ASSERT_EQ(std::system(("sox -q '" + src + "' -e ms-adpcm '" + adpcm + "'").c_str()), 0);
        ASSERT_EQ(std::system(("sox -q '" + adpcm + "' -t raw -e signed-integer -b 16 -L '" + ref + "'").c_str()), 0);
        std::vector<int16_t> expected;
        if (std::FILE* f = std::fopen(ref.c_str(), "rb")) {
            uint8_t b[2];
            while (std::fread(b, 1, 2, f) == 2) expected.push_back(static_cast<int16_t>(b[0] | (b[1] << 8)));
            std::fclose(f);
        }
        ASSERT_GE(expected.size(), pcm.size());

        CTRiffFile r;
        ASSERT_TRUE(r.Open(adpcm.c_str()));
        ASSERT_EQ(r.GetFormat()->wFormatTag, 1);
        std::vector<int16_t> got = ReadPcm(r);
        r.Close();
        ASSERT_GE(got.size(), pcm.size());
        size_t differ = 0, first = 0;
        for (size_t i = 0; i < pcm.size(); ++i)
            if (got[i] != expected[i] && differ++ == 0) first = i;
        EXPECT_EQ(differ, 0u) << channels << " channel(s), first at sample " << first << ": " << got[first] << " vs "
                              << expected[first];
    }
}

TEST(FloatWav, ConvertingReaderDeliversSixteenBitPcm) {
    // Plain tag 3 at 32 and 64 bits, and 32-bit float behind an extensible
    // header, stereo: all give the same 16-bit samples.
    std::vector<uint8_t> doubles;
    for (float x : kFloats) {
        double d = x;
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        Put32(doubles, static_cast<uint32_t>(bits));
        Put32(doubles, static_cast<uint32_t>(bits >> 32));
    }
    std::vector<float> stereo = kFloats;
    stereo.push_back(0.25f);   // an even count of samples
    std::vector<int16_t> stereo16 = kFloatsAs16;
    stereo16.push_back(8192);
    struct Case {
        const char* name;
        std::vector<uint8_t> fmt, data;
        std::vector<int16_t> want;
        uint16_t channels;
    } cases[] = {
        {"f32.wav", FmtBody(3, 1, 48000, 32, 4, 192000), Floats(kFloats), kFloatsAs16, 1},
        {"f64.wav", FmtBody(3, 1, 48000, 64, 8, 384000), doubles, kFloatsAs16, 1},
        {"fext.wav", ExtensibleFmt(2, 48000, 32, 3), Floats(stereo), stereo16, 2},
    };
    for (const Case& c : cases) {
        auto path = WriteFile(c.name, Riff({Chunk("fmt ", c.fmt), Chunk("fact", {0, 0, 0, 0}), Chunk("data", c.data)}));
        CTRiffFile r;
        ASSERT_TRUE(r.Open(path.c_str())) << c.name;
        const WAVEFORMATEX* out = r.GetFormat();
        EXPECT_EQ(out->wFormatTag, 1) << c.name;
        EXPECT_EQ(out->wBitsPerSample, 16) << c.name;
        EXPECT_EQ(out->nChannels, c.channels) << c.name;
        EXPECT_EQ(out->nAvgBytesPerSec, 48000u * 2 * c.channels) << c.name;
        EXPECT_EQ(r.GetSize(), c.want.size() * 2) << c.name;
        EXPECT_EQ(ReadPcm(r), c.want) << c.name;
        r.Close();

        CTWaveFile raw;   // the plain reader keeps the file's own format
        ASSERT_TRUE(raw.Open(path.c_str()));
        EXPECT_EQ(raw.GetFormat()->wFormatTag, c.fmt[0] | (c.fmt[1] << 8));
        EXPECT_EQ(raw.GetSize(), c.data.size());
        raw.Close();
    }
}

TEST(FloatWav, ExtensiblePcmStaysPcmAndUnknownSubFormatsAreRefused) {
    const std::vector<int16_t> samples = {1, -2, 300, -400, 32767, -32768};
    auto path =
        WriteFile("pext.wav", Riff({Chunk("fmt ", ExtensibleFmt(2, 22050, 16, 1)), Chunk("data", Samples16(samples))}));
    CTRiffFile r;
    ASSERT_TRUE(r.Open(path.c_str()));
    EXPECT_EQ(r.GetFormat()->wFormatTag, 1);
    EXPECT_EQ(r.GetFormat()->nBlockAlign, 4);
    EXPECT_EQ(ReadPcm(r), samples);
    ASSERT_TRUE(r.Open(path.c_str()));   // opened again without a Close
    EXPECT_EQ(ReadPcm(r), samples);
    r.Close();

    auto odd = ExtensibleFmt(2, 22050, 16, 1);
    odd[odd.size() - 1] ^= 0xFF;   // not the standard GUID base
    path = WriteFile("xext.wav", Riff({Chunk("fmt ", odd), Chunk("data", Samples16(samples))}));
    EXPECT_FALSE(r.Open(path.c_str()));
    r.Close();
}

// ---- The same files through the sound module, on the null output ----

namespace {

const bool g_nullBackends = [] {
    platform::SelectBackends(platform::BackendKind::Null);
    return true;
}();

class FakeApp : public ITevApp {
public:
    void ShowMessage(const char*, ...) override {}
    void SetWindowTitle(const char*) override {}
    int WaitNextFrame() override { return 0; }
    bool SetFrameRate(double) override { return true; }
    double GetFrameRate() override { return 60.0; }
    bool AddListener(TevListener*) override { return true; }
    bool RemoveListener(TevListener*) override { return true; }
    void* GetWindowHandle() override { return this; }
};

// One frame of output after starting `channel`: the left samples.
std::vector<int16_t> PlayOneFrame(CTevWinDirectSound7& sound, int channel) {
    sound.BeginFrame();
    EXPECT_TRUE(sound.Play(channel, false));
    std::vector<int16_t> frame(2 * CTevWinDirectSound7::kNullFramesPerFrame);
    audio::AdvanceNull(CTevWinDirectSound7::kNullFramesPerFrame, frame.data());
    std::vector<int16_t> left;
    for (size_t i = 0; i < frame.size(); i += 2) left.push_back(frame[i]);
    return left;
}

} // namespace

TEST(FloatWav, SoundModulePlaysExtensibleFilesByTheirSubFormat) {
    ASSERT_TRUE(g_nullBackends);
    FakeApp app;
    CTevWinDirectSound7 sound;
    ASSERT_TRUE(sound.Initialize(&app));

    // 44100 Hz mono: one source frame per output frame, no resampling.
    auto fext =
        WriteFile("m_fext.wav", Riff({Chunk("fmt ", ExtensibleFmt(1, 44100, 32, 3)), Chunk("data", Floats(kFloats))}));
    ASSERT_TRUE(sound.Load(0, fext.c_str(), false));
    std::vector<int16_t> left = PlayOneFrame(sound, 0);
    for (size_t i = 0; i < kFloats.size(); ++i) EXPECT_EQ(left[i], kFloatsAs16[i]) << i;
    for (size_t i = kFloats.size(); i < left.size(); ++i) ASSERT_EQ(left[i], 0) << i;
    sound.Stop(0);

    const std::vector<int16_t> samples = {5, -6, 7000, -8000, 12345};
    auto pext = WriteFile("m_pext.wav",
                          Riff({Chunk("fmt ", ExtensibleFmt(1, 44100, 16, 1)), Chunk("data", Samples16(samples))}));
    ASSERT_TRUE(sound.Load(1, pext.c_str(), false));
    left = PlayOneFrame(sound, 1);
    EXPECT_EQ(std::vector<int16_t>(left.begin(), left.begin() + 6),
              (std::vector<int16_t>{5, -6, 7000, -8000, 12345, 0}));
    sound.Stop(1);

    // What the mixer cannot play is refused with a line in the run's log:
    // an unknown sub-format, 64-bit float.
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(ScratchDir());
    CTevDebugOut log;
    ASSERT_EQ(log.Init(), 0);
    auto odd = ExtensibleFmt(1, 44100, 32, 3);
    odd[odd.size() - 2] ^= 0xFF;
    auto xext = WriteFile("m_xext.wav", Riff({Chunk("fmt ", odd), Chunk("data", Floats(kFloats))}));
    EXPECT_FALSE(sound.Load(2, xext.c_str(), false));
    auto f64 = WriteFile("m_f64.wav", Riff({Chunk("fmt ", FmtBody(3, 1, 44100, 64, 8, 352800)),
                                           Chunk("data", std::vector<uint8_t>(80, 0))}));
    EXPECT_FALSE(sound.Load(3, f64.c_str(), false));
    std::string report;
    if (std::FILE* f = std::fopen("report.html", "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) report.append(buf, n);
        std::fclose(f);
    }
    std::filesystem::current_path(cwd);
    EXPECT_NE(report.find("m_xext.wav: format 0xFFFE, 32 bits, 1 channels cannot be played"), std::string::npos)
        << report;
    EXPECT_NE(report.find("m_f64.wav: format 0x0003, 64 bits"), std::string::npos);
    sound.Finalize();
}
