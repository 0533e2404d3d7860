// The launcher's own files in the runnable tree: names, sizes, the sprite
// regions its screens draw from, and sounds that parse and behave.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "tests/assets/asset_checks.h"
#include "tools/toolkit/source_text.h"
#include "tools/toolkit/synth.h"

#if TEV_HAVE_SOUND_READERS
#include "sound/tev_win_midi.h"
#endif
#if TEV_HAVE_ICON_READER
#include "platform/icon_file.h"
#endif

using namespace asset_checks;

namespace {

const std::vector<Region> kFrameRegions = {
    {"game list decoration", 0, 0, 190, 170},
    {"credits heading (top of the decoration)", 0, 0, 190, 32},
    {"game list bottom bar", 0, 220, 320, 20},
    {"information panel frame", 0, 240, 300, 60},
    {"key-help box", 400, 448, 112, 62},
    {"slow mark", 480, 0, 32, 32},
    {"splash particle", 384, 324, 128, 128},
    {"logo left word", 192, 0, 112, 40},
    {"logo V", 192, 48, 48, 96},
    {"logo right word", 304, 0, 80, 40},
    {"settings item re-scan", 0, 400, 182, 22},
    {"settings item keys", 0, 422, 180, 26},
    {"settings item staff", 0, 454, 68, 22},
    {"settings item back", 0, 477, 55, 20},
    {"ring label play", 312, 48, 72, 24},
    {"ring label option", 312, 72, 72, 24},
    {"ring label exit", 312, 96, 72, 24},
    {"settings heading", 192, 144, 190, 32},
};

TEST(LauncherPictures, FrameSheetHoldsEveryRegionTheScreensDrawFrom) {
    tevtools::Image frame = LoadPicture("frame.bmp", 512, 512);
    ASSERT_EQ(frame.width, 512);
    // The launcher keys the sheet on its top-left pixel.
    const uint32_t key = frame.At(0, 0);
    ExpectRegionsDrawn(frame, key, kFrameRegions);

    // The V is tinted red to orange by the title screen: it must be drawn in
    // white and greys (a dark outline aside), or the tint turns muddy.
    int white = 0, coloured = 0;
    for (int y = 48; y < 144; ++y)
        for (int x = 192; x < 240; ++x) {
            uint32_t c = frame.At(x, y);
            if (c == key) continue;
            int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
            if ((r != g || g != b) && std::max({r, g, b}) > 0x40) ++coloured;
            if (r >= 0xF0) ++white;
        }
    EXPECT_EQ(coloured, 0);
    EXPECT_GT(white, 48 * 96 / 4);

    // The particle takes its colour from its tint and is drawn additively:
    // grey only, bright in the middle, dark towards its edge.
    uint32_t centre = frame.At(384 + 64, 324 + 64);
    EXPECT_GE(centre & 0xFF, 0xF0u);
    for (int y = 324; y < 452; ++y)
        for (int x = 384; x < 512; ++x) {
            uint32_t c = frame.At(x, y);
            if (c == key) continue;
            ASSERT_TRUE(((c >> 16) & 0xFF) == (c & 0xFF) && ((c >> 8) & 0xFF) == (c & 0xFF)) << x << "," << y;
        }
    EXPECT_EQ(frame.At(384, 324), key);
    EXPECT_EQ(frame.At(511, 451), key);
}

TEST(LauncherPictures, FullScreenPicturesHaveTheScreenSize) {
    tevtools::Image noImage = LoadPicture("noimage.bmp", 320, 240);
    tevtools::Image loading = LoadPicture("nowloading.bmp", 320, 240);
    // Shown without a colour key, so any content will do, but not a blank page.
    ExpectRegionsDrawn(noImage, noImage.pixels.empty() ? 0 : noImage.At(0, 0), {{"no-image text", 0, 60, 320, 120}});
    ExpectRegionsDrawn(loading, loading.pixels.empty() ? 0 : loading.At(0, 0), {{"loading text", 0, 60, 320, 120}});
}

TEST(LauncherPictures, WindowIconHasSmallAndLargeImages) {
    std::vector<uint8_t> bytes = tevtools::ReadBytes(DistPath("pv.ico"));
    ASSERT_GE(bytes.size(), 6u + 16u);
    EXPECT_EQ(bytes[0] | bytes[1] << 8, 0);
    EXPECT_EQ(bytes[2] | bytes[3] << 8, 1);
    const int count = bytes[4] | bytes[5] << 8;
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        const uint8_t* e = bytes.data() + 6 + 16 * i;
        uint32_t length = e[8] | e[9] << 8 | e[10] << 16 | uint32_t(e[11]) << 24;
        uint32_t offset = e[12] | e[13] << 8 | e[14] << 16 | uint32_t(e[15]) << 24;
        EXPECT_LE(uint64_t(offset) + length, bytes.size());
        sizes.push_back(e[0]);
    }
    EXPECT_NE(std::find(sizes.begin(), sizes.end(), 16), sizes.end());
    EXPECT_NE(std::find(sizes.begin(), sizes.end(), 32), sizes.end());
#if TEV_HAVE_ICON_READER
    platform::IconImage icon;
    std::string error;
    ASSERT_TRUE(platform::DecodeIcon(bytes.data(), bytes.size(), icon, error)) << error;
    EXPECT_EQ(icon.width, 48);
    EXPECT_EQ(icon.height, 48);
    EXPECT_EQ(icon.argb[0] >> 24, 0u) << "corner should be transparent";
    EXPECT_EQ(icon.argb[24 * 48 + 24] >> 24, 0xFFu) << "middle should be opaque";
#endif
}

TEST(LauncherSounds, EffectsParseAndStayBelowFullScale) {
    for (const char* name : {"ok.wav", "ng.wav", "cur.wav", "decide.wav", "cancel.wav"}) {
        SCOPED_TRACE(name);
        tevtools::PcmSound s = CheckEffect(name);
        // Effects stay short: they answer a key press.
        EXPECT_LT(s.samples.size() / s.channels, static_cast<size_t>(s.rate)) << name;
    }
}

TEST(LauncherSounds, MusicLoopsWithoutASeam) {
    tevtools::PcmSound bgm;
    std::string error;
    ASSERT_TRUE(tevtools::DecodeWav(tevtools::ReadBytes(DistPath("bgm.wav")), bgm, error)) << error;
    ASSERT_EQ(bgm.channels, 2);
    const size_t frames = bgm.samples.size() / 2;
    EXPECT_GT(frames, static_cast<size_t>(bgm.rate) * 8);
    EXPECT_LE(PeakDbfs(bgm), -1.0);
    // The step from the last frame back to the first is no bigger than the
    // music's ordinary steps: a cut would stand out as a jump.
    for (int c = 0; c < 2; ++c) {
        std::vector<int> steps;
        for (size_t i = 1; i < frames; ++i)
            steps.push_back(std::abs(bgm.samples[2 * i + c] - bgm.samples[2 * (i - 1) + c]));
        std::sort(steps.begin(), steps.end());
        const int typical = steps[steps.size() * 99 / 100];
        const int wrap = std::abs(bgm.samples[c] - bgm.samples[2 * (frames - 1) + c]);
        EXPECT_LE(wrap, typical) << "channel " << c;
    }
    // No DC offset: it would thump when the music starts and stops.
    for (int c = 0; c < 2; ++c) {
        double sum = 0;
        for (size_t i = 0; i < frames; ++i) sum += bgm.samples[2 * i + c];
        EXPECT_LT(std::fabs(sum / frames), 0.002 * 32768) << "channel " << c;
    }
    CheckWithSoundReader("bgm.wav", bgm);
}

TEST(LauncherSounds, MusicSourceMakesAPlayableMidiFile) {
    const std::string src = std::string(TEV_SOURCE_DIR) + "/launcher/assets/bgm.wav.song";
    tevtools::Song song = tevtools::ParseSong(tevtools::ReadWholeFile(src), src);
    std::vector<uint8_t> bytes = tevtools::EncodeMidi(tevtools::SongToMidi(song), song.loopTicks);
    tevtools::MidiFile midi;
    std::string error;
    ASSERT_TRUE(tevtools::DecodeMidi(bytes, midi, error)) << error;
    EXPECT_EQ(midi.format, 1);
    ASSERT_EQ(midi.tracks.size(), song.tracks.size() + 1);
    for (const auto& t : midi.tracks) EXPECT_EQ(t.events.back().tick, song.loopTicks);
#if TEV_HAVE_SOUND_READERS
    TevMidiSong parsed;
    ASSERT_TRUE(CTevWinMidi::ParseSong(bytes.data(), bytes.size(), &parsed));
    EXPECT_NEAR(parsed.tempo.bpm, song.tempo, 0.01);
#endif
}

TEST(LauncherData, TitleLinesAreCountedCp932LinesThatFit) {
    std::vector<uint8_t> bytes = tevtools::ReadBytes(DistPath("title.dat"));
    ASSERT_FALSE(bytes.empty());
    std::string text(bytes.begin(), bytes.end());
    ASSERT_EQ(text.back(), '\n');
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    ASSERT_GE(lines.size(), 2u);
    const int count = std::atoi(lines[0].c_str());
    EXPECT_EQ(count, static_cast<int>(lines.size()) - 1);
    EXPECT_GE(count, 3);
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        SCOPED_TRACE(i);
        EXPECT_FALSE(l.empty());
        EXPECT_EQ(l.find('\r'), std::string::npos);
        EXPECT_LE(l.size(), 63u);
        // Shown centred as "~%s~" at 6 pixels a byte: it must fit the screen.
        EXPECT_LE(l.size() * 6 + 12, 320u);
        iconv_t cd = iconv_open("UTF-8", "CP932");
        ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
        std::string out(l.size() * 3 + 4, '\0');
        char* in = const_cast<char*>(l.data());
        char* dst = out.data();
        size_t inLeft = l.size(), outLeft = out.size();
        EXPECT_NE(iconv(cd, &in, &inLeft, &dst, &outLeft), static_cast<size_t>(-1)) << "not CP932";
        iconv_close(cd);
        // Japanese text: at least one double-byte character.
        bool wide = false;
        for (unsigned char c : l) wide = wide || c >= 0x81;
        EXPECT_TRUE(wide);
    }
}

}  // namespace
