// Compressed WAV data with damaged block headers decodes to clamped
// samples instead of overflowing.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sound/tev_wave_file.h"
#include "tests/sound/sound_test_util.h"

using namespace sound_test;

namespace {

// Mono Microsoft ADPCM, one 32-byte block, the seven standard coefficient pairs.
std::vector<uint8_t> MsAdpcmFile(const std::vector<uint8_t>& block) {
    const uint16_t align = static_cast<uint16_t>(block.size());
    const uint16_t perBlock = static_cast<uint16_t>((align - 7) * 2 + 2);
    auto fmt = FmtBody(2, 1, 22050, 4, align, 22050 * align / perBlock);
    Put16(fmt, 32);
    Put16(fmt, perBlock);
    Put16(fmt, 7);
    const int16_t coef[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    for (const auto& c : coef) {
        Put16(fmt, static_cast<uint16_t>(c[0]));
        Put16(fmt, static_cast<uint16_t>(c[1]));
    }
    return Riff({Chunk("fmt ", fmt), Chunk("data", block)});
}

std::vector<int16_t> DecodeAll(const std::string& path) {
    CTRiffFile r;
    std::vector<int16_t> out;
    EXPECT_TRUE(r.Open(path.c_str()));
    if (!r.GetFormat()) return out;
    EXPECT_EQ(r.GetFormat()->wFormatTag, 1);
    out.resize(4096);
    uint32_t size = uint32_t(out.size() * 2);
    EXPECT_TRUE(r.Read(-2, out.data(), &size));
    out.resize(size / 2);
    r.Close();
    return out;
}

} // namespace

TEST(MsAdpcmRegression, GrowingStepSizeSaturatesInsteadOfOverflowing) {
    // Largest step in the header and nibbles that triple it each sample.
    std::vector<uint8_t> block{1, 0xFF, 0x7F, 0x00, 0x10, 0x00, 0x20};
    for (int i = 0; i < 25; ++i) block.push_back(0x77);   // +7 every sample
    const auto samples = DecodeAll(WriteFile("msadpcm_big_delta.wav", MsAdpcmFile(block)));
    ASSERT_EQ(samples.size(), 52u);
    EXPECT_EQ(samples[0], 0x2000);
    EXPECT_EQ(samples[1], 0x1000);
    // Predictor 1 doubles the last sample and the steps only add: full scale from then on.
    for (size_t i = 2; i < samples.size(); ++i) EXPECT_EQ(samples[i], 32767) << i;

    // Alternating extremes: each step changes sign, the level swings but stays a sample.
    std::vector<uint8_t> swing{0, 0xFF, 0x7F, 0, 0, 0, 0};
    for (int i = 0; i < 25; ++i) swing.push_back(0x78);
    const auto swung = DecodeAll(WriteFile("msadpcm_swing.wav", MsAdpcmFile(swing)));
    ASSERT_EQ(swung.size(), 52u);
    EXPECT_EQ(swung[2], 32767);
    EXPECT_EQ(swung[3], -32768);
}

TEST(MsAdpcmRegression, ExtremeHistoryAndCoefficientsDoNotOverflowThePrediction) {
    // Two history samples of -32768 with a predictor pair of -32768, -32768:
    // the weighted sum is 2^31 before the division.
    const uint16_t align = 16;
    auto fmt = FmtBody(2, 1, 22050, 4, align, 22050);
    Put16(fmt, 8);
    Put16(fmt, (align - 7) * 2 + 2);
    Put16(fmt, 1);
    Put16(fmt, 0x8000);
    Put16(fmt, 0x8000);
    std::vector<uint8_t> block{0, 16, 0, 0x00, 0x80, 0x00, 0x80};
    for (int i = 0; i < 9; ++i) block.push_back(0);
    const auto samples = DecodeAll(WriteFile("msadpcm_history.wav", Riff({Chunk("fmt ", fmt), Chunk("data", block)})));
    ASSERT_EQ(samples.size(), 20u);
    // (-32768 * -32768 * 2) / 256 = 8388608, clamped.
    EXPECT_EQ(samples[2], 32767);
}
