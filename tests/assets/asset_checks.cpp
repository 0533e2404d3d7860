#include "tests/assets/asset_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#if TEV_HAVE_CBMP
#include "draw/tev_bmp.h"
#endif
#if TEV_HAVE_SOUND_READERS
#include "sound/tev_wave_file.h"
#endif

namespace asset_checks {

std::string DistPath(const std::string& relative) { return std::string(TEV_DIST_DIR) + "/" + relative; }

tevtools::Image LoadPicture(const std::string& relative, int width, int height) {
    const std::string path = DistPath(relative);
    std::vector<uint8_t> bytes = tevtools::ReadBytes(path);
    tevtools::Image image;
    std::string error;
    EXPECT_FALSE(bytes.empty()) << path << " missing";
    if (bytes.empty()) return image;
    EXPECT_TRUE(tevtools::DecodeBmp24(bytes, image, error)) << path << ": " << error;
    EXPECT_EQ(image.width, width) << path;
    EXPECT_EQ(image.height, height) << path;
    // Bottom-up, 24 bits, uncompressed, pixel data at 54: what the host reads.
    if (bytes.size() >= 54) {
        EXPECT_GT(static_cast<int32_t>(bytes[22] | bytes[23] << 8 | bytes[24] << 16 | bytes[25] << 24), 0) << path;
        EXPECT_EQ(bytes[10] | bytes[11] << 8, 54) << path;
    }
#if TEV_HAVE_CBMP
    CBmp bmp;
    EXPECT_EQ(bmp.LoadBmp(0, path.c_str(), true), 0) << path;
    EXPECT_EQ(bmp.Width(), width) << path;
    EXPECT_EQ(bmp.Height(), height) << path;
    EXPECT_EQ(bmp.FileSize(), bytes.size()) << path;
    if (!image.pixels.empty()) {
        EXPECT_EQ(bmp.GetPixel(0, 0), image.At(0, 0)) << path;
        EXPECT_EQ(bmp.GetPixel(width - 1, height - 1), image.At(width - 1, height - 1)) << path;
    }
#endif
    return image;
}

void ExpectRegionsDrawn(const tevtools::Image& image, uint32_t key, const std::vector<Region>& regions) {
    for (const Region& r : regions) {
        SCOPED_TRACE(r.what);
        EXPECT_GE(r.x, 0);
        EXPECT_GE(r.y, 0);
        EXPECT_LE(r.x + r.w, image.width);
        EXPECT_LE(r.y + r.h, image.height);
        int drawn = 0;
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                if (image.Inside(x, y) && (image.At(x, y) & 0xFFFFFF) != (key & 0xFFFFFF)) ++drawn;
        // A handful of stray pixels would not make a sprite.
        EXPECT_GT(drawn, r.w * r.h / 50) << r.what << " is (nearly) empty";
    }
}

double PeakDbfs(const tevtools::PcmSound& sound) {
    int peak = 0;
    for (int16_t s : sound.samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak == 0 ? -200.0 : 20.0 * std::log10(peak / 32768.0);
}

void CheckWithSoundReader(const std::string& relative, const tevtools::PcmSound& sound) {
#if TEV_HAVE_SOUND_READERS
    const std::string path = DistPath(relative);
    CTWaveFile reader;
    EXPECT_TRUE(reader.Open(path.c_str())) << path;
    if (WAVEFORMATEX* f = reader.GetFormat()) {
        EXPECT_EQ(f->wFormatTag, kWaveFormatPcm);
        EXPECT_EQ(f->wBitsPerSample, 16);
        EXPECT_EQ(f->nChannels, sound.channels);
        EXPECT_EQ(static_cast<int>(f->nSamplesPerSec), sound.rate);
    } else {
        ADD_FAILURE() << path << ": no format";
    }
    EXPECT_EQ(reader.GetSize(), sound.samples.size() * 2) << path;
    std::vector<uint8_t> data(sound.samples.size() * 2 + 64);
    uint32_t size = static_cast<uint32_t>(data.size());
    EXPECT_TRUE(reader.Read(-2, data.data(), &size));
    EXPECT_EQ(size, sound.samples.size() * 2) << path;
    reader.Close();
#else
    (void)relative;
    (void)sound;
#endif
}

tevtools::PcmSound CheckWave(const std::string& relative) {
    const std::string path = DistPath(relative);
    tevtools::PcmSound sound;
    std::string error;
    std::vector<uint8_t> bytes = tevtools::ReadBytes(path);
    EXPECT_FALSE(bytes.empty()) << path << " missing";
    EXPECT_TRUE(tevtools::DecodeWav(bytes, sound, error)) << path << ": " << error;
    if (sound.samples.empty()) {
        ADD_FAILURE() << path << " holds no samples";
        return sound;
    }
    EXPECT_LE(PeakDbfs(sound), -1.0) << path;
    EXPECT_GT(PeakDbfs(sound), -20.0) << path << " is too quiet to hear";
    CheckWithSoundReader(relative, sound);
    return sound;
}

tevtools::PcmSound CheckEffect(const std::string& relative) {
    const std::string path = DistPath(relative);
    tevtools::PcmSound sound = CheckWave(relative);
    if (sound.samples.empty()) return sound;
    // No click: the first and last frames are (near) zero.
    const int ch = sound.channels;
    for (int c = 0; c < ch; ++c) {
        EXPECT_LE(std::abs(sound.samples[c]), 16) << path;
        EXPECT_LE(std::abs(sound.samples[sound.samples.size() - ch + c]), 16) << path;
    }
    return sound;
}

}  // namespace asset_checks
