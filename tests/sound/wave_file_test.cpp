// The WAV readers on odd and broken files, the compressed-format decoders
// and the reader registry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "sound/audio_reader_registry.h"
#include "sound/tev_wave_file.h"
#include "sound/wav_decoders.h"
#include "tests/sound/sound_test_util.h"

using namespace sound_test;

namespace {

std::vector<int16_t> Ramp(int n, int step = 7) {
    std::vector<int16_t> s(n);
    for (int i = 0; i < n; ++i) s[i] = static_cast<int16_t>(i * step);
    return s;
}

std::vector<uint8_t> ReadAll(CTIAudioFile& r, int position, uint32_t room) {
    std::vector<uint8_t> out(room);
    uint32_t size = room;
    EXPECT_TRUE(r.Read(position, out.data(), &size));
    out.resize(size);
    return out;
}

} // namespace

TEST(WaveFile, FindsChunksInAnyOrderAndReadsTheData) {
    auto samples = Ramp(100);
    // LIST (odd size, so padded) before "fmt ", a "fact" chunk between.
    std::vector<uint8_t> list{'I', 'N', 'F', 'O', 'x'};
    auto path = WriteFile("list_first.wav", Riff({Chunk("LIST", list), Chunk("fmt ", PcmFmt(1, 22050, 16)),
                                                 Chunk("fact", {1, 0, 0, 0}), Chunk("data", Samples16(samples))}));
    CTWaveFile r;
    ASSERT_TRUE(r.Open(path.c_str()));
    EXPECT_STREQ(r.GetFileName(), path.c_str());
    ASSERT_TRUE(r.GetFormat());
    EXPECT_EQ(r.GetFormat()->wFormatTag, 1);
    EXPECT_EQ(r.GetFormat()->nSamplesPerSec, 22050u);
    EXPECT_EQ(r.GetFormat()->cbSize, 0);
    EXPECT_EQ(r.GetSize(), 200u);
    EXPECT_EQ(r.GetLength(), 200u * 1000 / 44100);

    auto first = ReadAll(r, -1, 50);
    const auto bytes = Samples16(samples);
    EXPECT_EQ(first, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 50));
    EXPECT_EQ(r.GetSize(), 150u);
    auto rest = ReadAll(r, -1, 1000);    // more room than remains
    EXPECT_EQ(rest.size(), 150u);
    EXPECT_EQ(ReadAll(r, -1, 10).size(), 0u);   // at the end: 0 bytes, still success
    auto again = ReadAll(r, -2, 4);             // from the start again, full count restored
    EXPECT_EQ(again, std::vector<uint8_t>({0, 0, 7, 0}));
    EXPECT_EQ(r.GetSize(), 196u);
    r.Close();
    EXPECT_FALSE(r.GetFormat());
}

TEST(WaveFile, EighteenByteFormatAndMillisecondReadsOnWholeFrames) {
    auto fmt = PcmFmt(2, 1000, 16);   // 4000 bytes a second
    fmt.push_back(0);
    fmt.push_back(0);
    std::vector<int16_t> samples(2 * 1000);
    for (int i = 0; i < 2000; ++i) samples[i] = static_cast<int16_t>(i);
    auto path = WriteFile("fmt18.wav", Riff({Chunk("fmt ", fmt), Chunk("data", Samples16(samples))}));
    CTWaveFile r;
    ASSERT_TRUE(r.Open(path.c_str()));
    EXPECT_EQ(r.GetFormat()->cbSize, 0);
    // 3 ms = 12 bytes = frame 3; 1 ms = 4 bytes; 0.25 frames would be 1 byte:
    // a position always lands on a whole frame.
    auto at3 = ReadAll(r, 3, 4);
    EXPECT_EQ(at3, Samples16({6, 7}));
    auto at250 = ReadAll(r, 250, 4);
    EXPECT_EQ(at250, Samples16({500, 501}));
    EXPECT_EQ(r.GetSize(), 4000u - 1000 - 4);
    EXPECT_EQ(ReadAll(r, 5000, 4).size(), 0u);   // beyond the end: nothing, no error
    r.Close();
}

TEST(WaveFile, RejectsBrokenFilesWithoutReadingPastThem) {
    auto good = PcmWav16(1, 8000, Ramp(10));
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> notRiff = good;
    notRiff[0] = 'X';
    std::vector<uint8_t> notWave = good;
    notWave[8] = 'X';
    std::vector<Case> cases = {
        {"not_riff.wav", notRiff},
        {"not_wave.wav", notWave},
        {"short_fmt.wav", Riff({Chunk("fmt ", {1, 0, 1, 0}), Chunk("data", {0, 0})})},
        {"no_data.wav", Riff({Chunk("fmt ", PcmFmt(1, 8000, 16))})},
        {"no_fmt.wav", Riff({Chunk("data", {0, 0})})},
        {"extra_beyond_chunk.wav",
         Riff({Chunk("fmt ", [] {
                   auto f = FmtBody(0x11, 1, 8000, 4, 256, 4000);
                   Put16(f, 40);   // claims 40 extra bytes, has none
                   return f;
               }()),
               Chunk("data", {0, 0})})},
        {"tiny.wav", {'R', 'I', 'F'}},
        {"empty.wav", {}},
    };
    for (const auto& c : cases) {
        auto path = WriteFile(c.name, c.bytes);
        CTWaveFile w;
        EXPECT_FALSE(w.Open(path.c_str())) << c.name;
        w.Close();
        CTRiffFile r;
        EXPECT_FALSE(r.Open(path.c_str())) << c.name;
        r.Close();
    }
    CTWaveFile missing;
    EXPECT_FALSE(missing.Open("/nonexistent/none.wav"));
    missing.Close();

    // A data chunk that claims more than the file holds is cut to the file.
    auto cut = good;
    cut.resize(cut.size() - 6);
    auto path = WriteFile("cut.wav", cut);
    CTWaveFile w;
    ASSERT_TRUE(w.Open(path.c_str()));
    EXPECT_EQ(w.GetSize(), 14u);
    EXPECT_EQ(ReadAll(w, -2, 100).size(), 14u);
    w.Close();
}

TEST(WaveFile, SurvivesRandomDamage) {
    auto base = Riff({Chunk("LIST", {'a', 'b'}), Chunk("fmt ", PcmFmt(2, 44100, 16)),
                      Chunk("data", Samples16(Ramp(64)))});
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        auto bytes = base;
        int damage = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < damage; ++k) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
        if (rng() % 4 == 0) bytes.resize(rng() % bytes.size());
        auto path = WriteFile("damaged.wav", bytes);
        CTRiffFile r;
        if (r.Open(path.c_str())) {
            std::vector<uint8_t> out(4096);
            uint32_t size = static_cast<uint32_t>(out.size());
            r.Read(-2, out.data(), &size);
            EXPECT_LE(size, out.size());
            size = 100;
            r.Read(7, out.data(), &size);
        }
        r.Close();
    }
}

TEST(WaveFile, ImaAdpcmIsReportedAsIsOrDecodedToPcm) {
    const uint32_t frames = 3000, blockAlign = 256;
    std::vector<int16_t> pcm(frames);
    for (uint32_t i = 0; i < frames; ++i) pcm[i] = static_cast<int16_t>(8000 * std::sin(i * 0.05));
    auto data = tev_sound::EncodeImaAdpcm(pcm.data(), frames, 1, blockAlign);
    const uint32_t spb = (blockAlign - 4) * 2 + 1;   // 505
    auto fmt = FmtBody(0x11, 1, 22050, 4, blockAlign, 11100);
    Put16(fmt, 2);
    Put16(fmt, spb);
    auto path = WriteFile("ima.wav", Riff({Chunk("fmt ", fmt), Chunk("fact", {0, 0, 0, 0}), Chunk("data", data)}));

    CTWaveFile raw;
    ASSERT_TRUE(raw.Open(path.c_str()));
    EXPECT_EQ(raw.GetFormat()->wFormatTag, 0x11);
    EXPECT_EQ(raw.GetFormat()->cbSize, 2);
    EXPECT_EQ(raw.GetSize(), data.size());
    raw.Close();

    CTRiffFile r;
    ASSERT_TRUE(r.Open(path.c_str()));
    const WAVEFORMATEX* out = r.GetFormat();
    EXPECT_EQ(out->wFormatTag, 1);
    EXPECT_EQ(out->wBitsPerSample, 16);
    EXPECT_EQ(out->nBlockAlign, 2);
    EXPECT_EQ(out->nAvgBytesPerSec, 44100u);
    const uint32_t blocks = static_cast<uint32_t>(data.size() / blockAlign);
    EXPECT_EQ(r.GetSize(), blocks * spb * 2);

    std::vector<int16_t> decoded(blocks * spb);
    uint32_t size = 3 * spb * 2 + 10;   // room for three blocks and a bit: three whole blocks come
    ASSERT_TRUE(r.Read(-2, decoded.data(), &size));
    EXPECT_EQ(size, 3 * spb * 2);
    uint32_t rest = static_cast<uint32_t>((decoded.size() - 3 * spb) * 2);
    ASSERT_TRUE(r.Read(-1, decoded.data() + 3 * spb, &rest));
    EXPECT_EQ(3 * spb * 2 + rest, blocks * spb * 2);
    double sq = 0;
    const uint32_t n = std::min<uint32_t>(frames, blocks * spb);
    for (uint32_t i = 0; i < n; ++i) sq += (decoded[i] - pcm[i]) * double(decoded[i] - pcm[i]);
    EXPECT_LT(std::sqrt(sq / n), 400.0);   // ADPCM is lossy, but follows the wave
    EXPECT_EQ(decoded[0], pcm[0]);   // block headers carry exact samples
    EXPECT_EQ(decoded[spb], pcm[spb]);
    r.Close();
}

TEST(WaveFile, MicrosoftAdpcmAndG711Decode) {
    // One hand-made MS ADPCM block: predictor 0 (256, 0), delta 16, sample1
    // 1000, sample2 900, then nibbles 0, +1, -1 (0xF) and 0.
    std::vector<uint8_t> block{0, 16, 0};
    Put16(block, 1000);
    Put16(block, 900);
    block.push_back(0x01);   // high nibble 0, low nibble 1
    block.push_back(0xF0);   // -1, 0
    auto fmt = FmtBody(0x02, 1, 8000, 4, static_cast<uint16_t>(block.size()), 4000);
    Put16(fmt, 4);
    Put16(fmt, 6);    // samples per block
    Put16(fmt, 0);    // no coefficient table: the standard seven
    auto path = WriteFile("msadpcm.wav", Riff({Chunk("fmt ", fmt), Chunk("data", block)}));
    CTRiffFile r;
    ASSERT_TRUE(r.Open(path.c_str()));
    EXPECT_EQ(r.GetSize(), 12u);
    int16_t out[6] = {};
    uint32_t size = sizeof out;
    ASSERT_TRUE(r.Read(-2, out, &size));
    ASSERT_EQ(size, 12u);
    EXPECT_EQ(out[0], 900);
    EXPECT_EQ(out[1], 1000);
    EXPECT_EQ(out[2], 1000);   // nibble 0, delta 16 -> 16 (floor)
    EXPECT_EQ(out[3], 1016);   // +1 x 16; delta becomes 230*16/256 -> 16
    EXPECT_EQ(out[4], 1000);   // -1 x 16; delta 230*16/256 -> 16
    EXPECT_EQ(out[5], 1000);
    r.Close();

    for (uint16_t tag : {uint16_t(6), uint16_t(7)}) {
        std::vector<int16_t> pcm{0, 100, -100, 1000, -1000, 12000, -12000, 32000};
        std::vector<uint8_t> bytes;
        for (int16_t s : pcm) bytes.push_back(tag == 7 ? tev_sound::EncodeMuLaw(s) : tev_sound::EncodeALaw(s));
        auto p = WriteFile("g711.wav", Riff({Chunk("fmt ", [&] {
                                                  auto f = FmtBody(tag, 1, 8000, 8, 1, 8000);
                                                  Put16(f, 0);
                                                  return f;
                                              }()),
                                              Chunk("data", bytes)}));
        CTRiffFile g;
        ASSERT_TRUE(g.Open(p.c_str())) << tag;
        EXPECT_EQ(g.GetSize(), 16u);
        int16_t dec[8];
        uint32_t n = sizeof dec;
        ASSERT_TRUE(g.Read(-2, dec, &n));
        ASSERT_EQ(n, 16u);
        for (int i = 0; i < 8; ++i) EXPECT_NEAR(dec[i], pcm[i], std::abs(pcm[i]) / 16 + 16) << tag << " " << i;
        g.Close();
    }
}

TEST(ReaderRegistry, MatchesExtensionsWithoutCaseAndHandsOutClones) {
    CTevWinSoundAudioClassFactory registry;
    CTWaveFile wave;
    CTRiffFile riff;
    EXPECT_TRUE(registry.Register("wav", &wave));
    CTIAudioFile* a = registry.Find("WAV");
    CTIAudioFile* b = registry.Find("Wav");
    ASSERT_TRUE(a && b);
    EXPECT_NE(a, b);
    EXPECT_NE(a, &wave);
    EXPECT_TRUE(dynamic_cast<CTWaveFile*>(a) && !dynamic_cast<CTRiffFile*>(a));
    delete a;
    delete b;

    EXPECT_TRUE(registry.Register("WAV", &riff));   // same extension: replaced
    CTIAudioFile* c = registry.Find("wav");
    EXPECT_TRUE(dynamic_cast<CTRiffFile*>(c));
    delete c;
    EXPECT_EQ(registry.Find("mid"), nullptr);
    EXPECT_EQ(registry.Find(nullptr), nullptr);

    for (int i = 1; i < CTevWinSoundAudioClassFactory::kEntries; ++i)
        EXPECT_TRUE(registry.Register(("x" + std::to_string(i)).c_str(), &wave));
    EXPECT_FALSE(registry.Register("one-too-many", &wave));
    EXPECT_TRUE(registry.Register("x7", &riff));    // an existing one can still be replaced
    CTIAudioFile* d = registry.Find("X49");
    EXPECT_TRUE(d);
    delete d;
}
