// Effect and song synthesis, WAV and MIDI files.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tools/toolkit/audio_files.h"
#include "tools/toolkit/source_text.h"
#include "tools/toolkit/synth.h"

#if TEV_HAVE_SOUND_READERS
#include "sound/tev_win_midi.h"
#endif

using namespace tevtools;

namespace {

double Peak(const PcmSound& s) {
    int p = 0;
    for (int16_t v : s.samples) p = std::max(p, std::abs(static_cast<int>(v)));
    return p / 32767.0;
}

TEST(EffectSynth, NormalisesToItsLevelAndStartsAndEndsSilent) {
    for (const char* wave : {"square", "saw", "triangle", "sine", "noise"}) {
        SCOPED_TRACE(wave);
        std::string src = std::string("level -6\ntone wave=") + wave +
                          " freq=440 attack=0 hold=0.05 decay=0.05 punch=1\n";
        PcmSound s = RenderEffect(src, "t.sfx");
        EXPECT_NEAR(Peak(s), std::pow(10.0, -6 / 20.0), 0.001);
        EXPECT_EQ(s.samples.front(), 0);
        EXPECT_EQ(s.samples.back(), 0);
        // A fade, not a cliff: the first few samples stay small even with no attack.
        for (int i = 0; i < 8; ++i) EXPECT_LT(std::abs(s.samples[i]), 8000) << i;
    }
}

TEST(EffectSynth, LengthTimingAndDeterminism) {
    const char* src = "rate 22050\nlevel -3\ntone at=0.1 freq=1000 attack=0.01 hold=0.1 decay=0.09\n";
    PcmSound a = RenderEffect(src, "t.sfx"), b = RenderEffect(src, "t.sfx");
    EXPECT_EQ(a.samples, b.samples);  // builds are reproducible, noise included
    EXPECT_EQ(a.rate, 22050);
    EXPECT_NEAR(a.samples.size() / 22050.0, 0.31, 0.002);
    // Nothing sounds before the tone's start.
    for (int i = 0; i < 2000; ++i) ASSERT_LT(std::abs(a.samples[i]), 40) << i;
    PcmSound longer = RenderEffect("length 1\ntone freq=500 hold=0.01 decay=0.01\n", "t.sfx");
    EXPECT_NEAR(longer.samples.size() / 44100.0, 1.01, 0.002);
}

TEST(EffectSynth, PitchSlideMovesTheFrequency) {
    auto crossings = [](const PcmSound& s, size_t from, size_t to) {
        int n = 0;
        for (size_t i = from + 1; i < to; ++i) n += (s.samples[i - 1] < 0) != (s.samples[i] < 0);
        return n;
    };
    PcmSound up = RenderEffect("tone wave=sine freq=200 slide=2 attack=0 hold=1 decay=0.01\n", "t.sfx");
    int early = crossings(up, 1000, 5410), late = crossings(up, 39100, 43510);
    // Two octaves a second: the windows' middles lie 0.864 s apart.
    EXPECT_NEAR(static_cast<double>(late) / early, std::pow(2.0, 2 * 0.864), 0.2);
    PcmSound flat = RenderEffect("tone wave=sine freq=200 attack=0 hold=1 decay=0.01\n", "t.sfx");
    EXPECT_NEAR(crossings(flat, 1000, 5410), crossings(flat, 39100, 43510), 1);
}

// Amplitude of one frequency over a steady stretch (a Hann-windowed DFT bin).
double Level(const PcmSound& s, size_t from, size_t n, double hz) {
    double re = 0, im = 0;
    for (size_t i = 0; i < n; ++i) {
        double w = 0.5 - 0.5 * std::cos(2 * M_PI * i / n), v = s.samples[from + i] / 32767.0;
        re += w * v * std::cos(2 * M_PI * hz * i / s.rate);
        im += w * v * std::sin(2 * M_PI * hz * i / s.rate);
    }
    return 4 * std::hypot(re, im) / n;
}

TEST(EffectSynth, HighNotesFoldNothingBackBelowNyquist) {
    // A 2500 Hz note's 13th and 12th harmonics lie above 22050 Hz; sampled
    // naively they come back at 44100 - 32500 and 44100 - 30000 Hz, between
    // the real harmonics.
    for (const char* wave : {"saw", "square duty=0.3", "triangle"}) {
        SCOPED_TRACE(wave);
        PcmSound s = RenderEffect(std::string("tone wave=") + wave + " freq=2500 attack=0.01 hold=0.4 decay=0.1\n", "t.sfx");
        const double fundamental = Level(s, 4000, 8192, 2500);
        EXPECT_GT(fundamental, 0.2);
        for (double fold : {11600.0, 14100.0}) EXPECT_LT(Level(s, 4000, 8192, fold), fundamental * 1e-3) << fold;
    }
}

TEST(EffectSynth, RefusesSourcesThatBreakTheRules) {
    EXPECT_THROW(RenderEffect("level -0.5\ntone freq=440\n", "t"), SourceError);  // above -1 dBFS
    EXPECT_THROW(RenderEffect("level -3\n", "t"), SourceError);
    EXPECT_THROW(RenderEffect("tone freq=440 volume=0\n", "t"), SourceError);  // silent
    EXPECT_THROW(RenderEffect("tone freq=440 wave=organ\n", "t"), SourceError);
    EXPECT_THROW(RenderEffect("tone freq=440 pitch=3\n", "t"), SourceError);
    EXPECT_THROW(RenderEffect("tone freq=-4\n", "t"), SourceError);
    EXPECT_THROW(RenderEffect("tone freq=440 decay=500\n", "t"), SourceError);
    EXPECT_THROW(RenderEffect("beep\n", "t"), SourceError);
}

TEST(WavFiles, RoundTripAndDamagedFiles) {
    PcmSound s;
    s.rate = 22050;
    s.channels = 2;
    s.samples = {0, 1, -1, 32767, -32768, 5};
    std::vector<uint8_t> bytes = EncodeWav(s);
    EXPECT_EQ(bytes.size(), 44u + 12u);
    PcmSound back;
    std::string error;
    ASSERT_TRUE(DecodeWav(bytes, back, error)) << error;
    EXPECT_EQ(back.samples, s.samples);
    EXPECT_EQ(back.channels, 2);
    EXPECT_EQ(back.rate, 22050);
    for (size_t cut = 0; cut < bytes.size(); cut += 3) {
        std::vector<uint8_t> part(bytes.begin(), bytes.begin() + cut);
        EXPECT_FALSE(DecodeWav(part, back, error)) << cut;
    }
    std::vector<uint8_t> odd = bytes;
    odd[40] = 3;  // data size not whole frames
    EXPECT_FALSE(DecodeWav(odd, back, error));
}

const char* kSong =
    "tempo 120\nbeats 4\nlevel -3\n"
    "track lead program=80 channel=0 echo=0.3\n"
    "  o4 l8 c d e f [g a]2   # eight eighths\n"
    "track bass channel=1 wave=triangle release=0.3\n"
    "  o2 c2 c4&c8 r8\n"
    "track drums channel=9\n"
    "  k4 s4 k8 k8 s8 h16 h16\n";

TEST(SongNotes, NoteDataBecomesTicksAndKeys) {
    Song song = ParseSong(kSong, "t.song");
    EXPECT_EQ(song.loopTicks, 4u * kSongDivision);
    ASSERT_EQ(song.tracks.size(), 3u);
    const auto& lead = song.tracks[0].notes;
    ASSERT_EQ(lead.size(), 8u);
    EXPECT_EQ(lead[0].key, 60);
    EXPECT_EQ(lead[1].tick, 240u);
    EXPECT_EQ(lead[3].key, 65);
    EXPECT_EQ(lead[6].key, 67);  // the repeat plays g a twice
    EXPECT_EQ(lead[7].key, 69);
    EXPECT_EQ(lead[0].length, 240u * 7 / 8);  // default gate 7/8
    const auto& bass = song.tracks[1].notes;
    ASSERT_EQ(bass.size(), 2u);  // the tie joins c4 and c8
    EXPECT_EQ(bass[0].length, 960u * 7 / 8);
    EXPECT_EQ(bass[1].tick, 960u);
    EXPECT_EQ(bass[1].length, 480u + 240u * 7 / 8);
    EXPECT_EQ(song.tracks[2].notes[1].key, 38);
}

TEST(SongNotes, MistakesAreReported) {
    EXPECT_THROW(ParseSong("beats 4\ntrack a\n o4 c1 c4\n", "t"), SourceError);  // 5 beats in a 4-beat loop
    EXPECT_THROW(ParseSong("beats 4\ntrack a\n o4 c2\n", "t"), SourceError);     // too short
    EXPECT_THROW(ParseSong("beats 4\ntrack a\n o4 c3 c1\n", "t"), SourceError);  // a length that is no note
    EXPECT_THROW(ParseSong("beats 4\ntrack a\n [c4\n", "t"), SourceError);
    EXPECT_THROW(ParseSong("beats 4\ntrack a\n o9 b1+\n", "t"), SourceError);
    EXPECT_THROW(ParseSong("beats 4\ntrack d channel=9\n c1\n", "t"), SourceError);
    EXPECT_THROW(ParseSong("beats 4\n c1\n", "t"), SourceError);
    EXPECT_THROW(ParseSong("track a\n c1\n", "t"), SourceError);  // no loop length
    EXPECT_THROW(ParseSong("beats 4\ntrack a\n [[[[[[[[c64]64]64]64]64]64]64]64\n", "t"), SourceError);
}

TEST(SongMidi, FormatOneFileWhoseTracksAllEndAtTheLoop) {
    Song song = ParseSong(kSong, "t.song");
    std::vector<uint8_t> bytes = EncodeMidi(SongToMidi(song), song.loopTicks);
    MidiFile midi;
    std::string error;
    ASSERT_TRUE(DecodeMidi(bytes, midi, error)) << error;
    EXPECT_EQ(midi.format, 1);
    EXPECT_EQ(midi.division, kSongDivision);
    ASSERT_EQ(midi.tracks.size(), 4u);
    for (const MidiTrack& t : midi.tracks) {
        EXPECT_EQ(t.events.back().tick, song.loopTicks);
        // Every note that starts also stops, inside the loop.
        int open = 0;
        for (const MidiEvent& e : t.events) {
            if ((e.bytes[0] & 0xF0) == 0x90 && e.bytes[2] > 0) ++open;
            if ((e.bytes[0] & 0xF0) == 0x80) --open;
            EXPECT_LE(e.tick, song.loopTicks);
        }
        EXPECT_EQ(open, 0);
    }
    // Tempo 120 = 500000 microseconds a quarter note.
    bool tempo = false;
    for (const MidiEvent& e : midi.tracks[0].events)
        if (e.bytes.size() == 5 && e.bytes[0] == 0xFF && e.bytes[1] == 0x51)
            tempo = (e.bytes[2] << 16 | e.bytes[3] << 8 | e.bytes[4]) == 500000;
    EXPECT_TRUE(tempo);
    // A repeated note: its note-off comes before the next note-on at the same tick.
    Song again = ParseSong("beats 1\ntrack a q8\n o4 c8 c8\n", "t");
    MidiFile m2;
    ASSERT_TRUE(DecodeMidi(EncodeMidi(SongToMidi(again), again.loopTicks), m2, error)) << error;
    std::vector<uint8_t> kinds;
    for (const MidiEvent& e : m2.tracks[1].events)
        if ((e.bytes[0] & 0xE0) == 0x80) kinds.push_back(e.bytes[0] & 0xF0);
    EXPECT_EQ(kinds, (std::vector<uint8_t>{0x90, 0x80, 0x90, 0x80}));
#if TEV_HAVE_SOUND_READERS
    TevMidiSong parsed;
    ASSERT_TRUE(CTevWinMidi::ParseSong(bytes.data(), bytes.size(), &parsed));
    EXPECT_EQ(parsed.tempo.format, 1);
    // The player merges the tracks; every note of every track is in it.
    size_t notes = 0, expected = 0;
    for (const TevMidiEvent& e : parsed.events) notes += e.type == 0x90 && e.data2 > 0;
    for (const SongTrack& t : song.tracks) expected += t.notes.size();
    EXPECT_EQ(notes, expected);
#endif
}

TEST(MidiReader, RunningStatusAndDamagedFiles) {
    // One track: note on, then a second note by running status, then the end.
    std::vector<uint8_t> f = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 11,
                              0, 0x90, 60, 100, 10, 62, 100, 0, 0xFF, 0x2F, 0};
    MidiFile m;
    std::string error;
    ASSERT_TRUE(DecodeMidi(f, m, error)) << error;
    ASSERT_EQ(m.tracks[0].events.size(), 3u);
    EXPECT_EQ(m.tracks[0].events[1].tick, 10u);
    EXPECT_EQ(m.tracks[0].events[1].bytes, (std::vector<uint8_t>{0x90, 62, 100}));
    for (size_t cut = 0; cut < f.size(); ++cut) {
        std::vector<uint8_t> part(f.begin(), f.begin() + cut);
        EXPECT_FALSE(DecodeMidi(part, m, error)) << cut;
    }
    std::mt19937 rng(7);
    for (int round = 0; round < 500; ++round) {
        std::vector<uint8_t> junk = f;
        junk[14 + rng() % (junk.size() - 14)] = static_cast<uint8_t>(rng());
        DecodeMidi(junk, m, error);  // must not read outside the buffer
    }
}

TEST(SongRender, LoopWrapsTailsToTheStart) {
    // A long release on the last note rings on into the start of the loop.
    Song song = ParseSong("tempo 120\nbeats 2\ntrack a wave=sine release=0.4\n r4 r8 o5 a8\n", "t");
    PcmSound s = RenderSong(song);
    ASSERT_EQ(s.channels, 2);
    EXPECT_EQ(s.samples.size() / 2, 44100u);  // two beats at 120 = one second
    int earlyPeak = 0;
    for (size_t i = 0; i < 2 * 4410; ++i) earlyPeak = std::max(earlyPeak, std::abs(static_cast<int>(s.samples[i])));
    EXPECT_GT(earlyPeak, 1000);
    EXPECT_NEAR(Peak(s), std::pow(10.0, -3 / 20.0), 0.001);
    // Continuous across the seam: the wrap step is like any other step.
    int maxStep = 0;
    for (size_t i = 2; i < s.samples.size(); i += 2) maxStep = std::max(maxStep, std::abs(s.samples[i] - s.samples[i - 2]));
    EXPECT_LE(std::abs(s.samples[0] - s.samples[s.samples.size() - 2]), maxStep);
    EXPECT_THROW(RenderSong(ParseSong("beats 1\ntrack a\n r4\n", "t")), SourceError);  // silent
}

TEST(SongRender, NarrowPulsesLeaveNoDcOffset) {
    PcmSound s = RenderSong(ParseSong("tempo 120\nbeats 4\ntrack a duty=0.125 sustain=1\n o4 c1\n", "t"));
    double sum = 0;
    for (int16_t v : s.samples) sum += v;
    EXPECT_LT(std::fabs(sum / s.samples.size()), 0.002 * 32768);
}

}  // namespace
