// The MIDI player: parsing and merging, tempo conversion, load failures, and
// playback timing on the audio clock (exact and repeatable) with a recording
// synthesizer; plus the real synthesizer and the thread timer.
#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "platform/audio/audio.h"
#include "platform/midi/midi.h"
#include "sound/debug_output.h"
#include "sound/tev_win_midi.h"
#include "tests/sound/sound_test_util.h"

using namespace sound_test;

namespace {

struct Sent {
    uint32_t atMs;
    uint32_t message;   // short message, or 0xF0 for a long one
};

class RecordingSynth : public platform::midi::ISynth {
public:
    RecordingSynth(platform::audio::Mixer& m, std::vector<Sent>* log) : mixer_(m), log_(log) {}
    void ShortMsg(uint32_t message) override { log_->push_back({mixer_.TimeMs(), message}); }
    void LongMsg(const uint8_t* bytes, uint32_t length) override {
        ASSERT_GE(length, 2u);
        EXPECT_EQ(bytes[length - 1], 0xF7);
        log_->push_back({mixer_.TimeMs(), 0xF0});
    }
    void Reset() override { log_->push_back({mixer_.TimeMs(), 0xFF}); }

private:
    platform::audio::Mixer& mixer_;
    std::vector<Sent>* log_;
};

struct Player {
    platform::audio::Mixer mixer;
    std::vector<Sent> sent;
    CTevWinMidi midi{std::make_unique<RecordingSynth>(mixer, &sent), platform::midi::CreateAudioClockTimer(mixer)};

    void Advance(uint32_t ms) {
        std::vector<int16_t> out(2 * 441);
        for (uint32_t i = 0; i < ms / 10; ++i) mixer.Render(out.data(), 441);
    }
    std::vector<Sent> Notes() const {
        std::vector<Sent> n;
        for (const Sent& s : sent)
            if ((s.message & 0xF0) == 0x90 || (s.message & 0xF0) == 0x80) n.push_back(s);
        return n;
    }
};

std::vector<std::string> g_debug;
void Capture(const char* text, void*) { g_debug.push_back(text); }

struct DebugCapture {
    DebugCapture() {
        g_debug.clear();
        tev_sound::SetDebugSink(Capture, nullptr);
    }
    ~DebugCapture() { tev_sound::SetDebugSink(nullptr, nullptr); }
};

std::vector<uint8_t> NoteOn(int key, int vel = 100, int ch = 0) {
    return {static_cast<uint8_t>(0x90 | ch), static_cast<uint8_t>(key), static_cast<uint8_t>(vel)};
}
std::vector<uint8_t> NoteOff(int key, int ch = 0) {
    return {static_cast<uint8_t>(0x80 | ch), static_cast<uint8_t>(key), 0};
}

} // namespace

TEST(MidiParse, MergesTracksInTimeOrderLowerTrackFirstOnTies) {
    auto file = MidiFile(1, 480,
                         {Track({{0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}}, {480, NoteOn(60)}}),
                          Track({{480, NoteOn(64, 90, 1)}, {0, {0x41, 80}} /* running status */, {240, {0xC1, 5}}})});
    TevMidiSong song;
    ASSERT_TRUE(CTevWinMidi::ParseSong(file.data(), file.size(), &song));
    EXPECT_EQ(song.tempo.tracks, 1);
    EXPECT_EQ(song.tempo.division, 480);
    const auto& e = song.events;
    ASSERT_EQ(e.size(), 6u);   // tempo, two notes at tick 480 (track 0 first), running-status note, program, end
    EXPECT_EQ(e[0].type, 0xFF);
    EXPECT_EQ(e[0].data, 500000u);
    EXPECT_EQ(e[1].data, 0x643C90u);   // track 0's note at the shared time comes first
    EXPECT_EQ(e[2].data, 0x5A4091u);
    EXPECT_EQ(e[3].data, 0x504191u);   // running status of track 1
    EXPECT_EQ(e[4].data, 0x05C1u);     // program change: one data byte
    EXPECT_EQ(e[5].type, kMidiEndMarker);
    EXPECT_EQ(e[1].time, 500u);        // 480 ticks at 120 bpm
    EXPECT_EQ(e[4].time, 750u);
}

TEST(MidiParse, TempoChangeHalvesTheSpacingFromTheNextEventOn) {
    // Division 480; quarter notes; tempo 250 000 us at tick 480.
    auto file = MidiFile(0, 480,
                         {Track({{0, NoteOn(60)},
                                 {480, {0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90}},
                                 {0, NoteOn(62)},
                                 {480, NoteOn(64)},
                                 {480, NoteOn(65)}})});
    TevMidiSong song;
    ASSERT_TRUE(CTevWinMidi::ParseSong(file.data(), file.size(), &song));
    const auto& e = song.events;
    ASSERT_EQ(e.size(), 6u);
    EXPECT_EQ(e[0].time, 0u);
    EXPECT_EQ(e[1].time, 500u);   // the tempo event itself still at the old rate
    EXPECT_EQ(e[2].time, 500u);
    EXPECT_EQ(e[3].time, 750u);
    EXPECT_EQ(e[4].time, 1000u);
    EXPECT_DOUBLE_EQ(song.tempo.bpm, 240.0);
}

TEST(MidiParse, KeepsSysExAndLongMetaTexts) {
    std::vector<uint8_t> text(200, 'a');
    std::vector<uint8_t> meta{0xFF, 0x01};
    PutVlq(meta, 200);   // two-byte length
    meta.insert(meta.end(), text.begin(), text.end());
    auto file = MidiFile(0, 96,
                         {Track({{0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
                                 {0, meta},
                                 {0, {0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08}},
                                 {10, NoteOn(60)}})});
    TevMidiSong song;
    ASSERT_TRUE(CTevWinMidi::ParseSong(file.data(), file.size(), &song));
    ASSERT_EQ(song.events.size(), 5u);
    const TevMidiEvent& sx = song.events[0];
    EXPECT_EQ(sx.type, 0xF0);
    EXPECT_EQ(sx.length, 5u);
    EXPECT_EQ(song.bytes[sx.data], 0xF0);
    EXPECT_EQ(song.bytes[sx.data + 5], 0xF7);
    const TevMidiEvent& t = song.events[1];
    EXPECT_EQ(t.length, 200u);
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(&song.bytes[t.data])), 200u);
    EXPECT_EQ(song.events[2].data, 0x0203u);
    EXPECT_EQ(song.events[3].data, 0x643C90u);
}

TEST(MidiLoad, BadFilesFailWithTheConversionMessage) {
    DebugCapture capture;
    Player p;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"hdr7.mid", MidiFile(0, 96, {Track({{0, NoteOn(60)}})}, 7)},
        {"fmt2.mid", MidiFile(2, 96, {Track({{0, NoteOn(60)}})})},
        {"tracks34.mid", MidiFile(1, 96, {Track({{0, NoteOn(60)}})}, 6, 34)},
        {"unknown_status.mid", MidiFile(0, 96, {Track({{0, {0xF3, 0x01}}, {0, NoteOn(60)}})})},
        {"truncated_event.mid", MidiFile(0, 96, {Track({{0, {0x90, 0x3C}}}, false)})},
        {"division0.mid", MidiFile(0, 0, {Track({{0, NoteOn(60)}})})},
        {"missing_track.mid", MidiFile(1, 96, {Track({{0, NoteOn(60)}})}, 6, 2)},
    };
    for (const auto& c : cases) {
        g_debug.clear();
        auto path = WriteFile(c.name, c.bytes);
        EXPECT_EQ(p.midi.Load(3, path.c_str()), 0) << c.name;
        ASSERT_EQ(g_debug.size(), 1u) << c.name;
        EXPECT_NE(g_debug[0].find("の変換に失敗しました"), std::string::npos) << c.name;
        EXPECT_NE(g_debug[0].find(path), std::string::npos) << c.name;
        EXPECT_EQ(p.midi.Song(3), nullptr);
    }
    g_debug.clear();
    EXPECT_EQ(p.midi.Load(3, "/nonexistent/song.mid"), 0);
    ASSERT_EQ(g_debug.size(), 1u);
    EXPECT_NE(g_debug[0].find("の読み込みに失敗しました"), std::string::npos);
    EXPECT_EQ(p.midi.Load(256, "/nonexistent/song.mid"), 0);
}

TEST(MidiParse, SurvivesRandomDamage) {
    auto base = MidiFile(1, 96,
                         {Track({{0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}}, {0, {0xF0, 0x03, 0x41, 0x10, 0xF7}}}),
                          Track({{0, NoteOn(60)}, {10, {0x3E, 90}}, {10, {0xE0, 0, 64}}, {96, NoteOff(60)}})});
    std::mt19937 rng(99);
    int parsed = 0;
    for (int round = 0; round < 2000; ++round) {
        auto bytes = base;
        int damage = 1 + static_cast<int>(rng() % 6);
        for (int k = 0; k < damage; ++k) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
        if (rng() % 4 == 0) bytes.resize(rng() % bytes.size());
        TevMidiSong song;
        if (CTevWinMidi::ParseSong(bytes.data(), bytes.size(), &song)) {
            ++parsed;
            ASSERT_FALSE(song.events.empty());
            EXPECT_EQ(song.events.back().type, kMidiEndMarker);
            for (const TevMidiEvent& e : song.events) {
                if (e.type == 0xF0 || e.type == 0xF7 || (e.type == 0xFF && e.metaType != 0x51 && e.metaType != 0x58 &&
                                                         e.metaType != 0x2F)) {
                    ASSERT_LE(static_cast<size_t>(e.data) + e.length, song.bytes.size());
                }
            }
        }
    }
    EXPECT_GT(parsed, 0);
}

TEST(MidiPlay, SendsEventsOnTimeAndLoopsOnTheTickAfterTheEnd) {
    Player p;
    // 120 bpm, division 100: 5 ms per tick. Notes at 0, 100 and 300 ms.
    auto path = WriteFile("timing.mid", MidiFile(0, 100, {Track({{0, NoteOn(60)}, {20, NoteOff(60)}, {40, NoteOn(62)}})}));
    ASSERT_EQ(p.midi.Load(1, path.c_str()), 1);
    ASSERT_EQ(p.midi.Play(1, true), 1);
    EXPECT_TRUE(p.midi.IsPlaying());
    p.Advance(700);
    auto notes = p.Notes();
    ASSERT_GE(notes.size(), 6u);
    // An event is sent on the first 5 ms tick at which more than its time
    // has passed: 0 -> 5 ms, 100 -> 105 ms, 300 -> 305 ms.
    EXPECT_EQ(notes[0].atMs, 5u);
    EXPECT_EQ(notes[0].message, 0x643C90u);
    EXPECT_EQ(notes[1].atMs, 105u);
    EXPECT_EQ(notes[2].atMs, 305u);
    // The end marker is met on the next tick (310 ms): the song restarts
    // there, and its first event goes on the tick after (315 ms).
    EXPECT_EQ(notes[3].atMs, 315u);
    EXPECT_EQ(notes[3].message, 0x643C90u);
    EXPECT_EQ(notes[4].atMs, 415u);
    EXPECT_EQ(notes[5].atMs, 615u);
    EXPECT_EQ(p.midi.Stop(), 1);
    EXPECT_EQ(p.midi.Stop(), 0);   // nothing playing any more
    size_t after = p.sent.size();
    p.Advance(100);
    EXPECT_EQ(p.sent.size(), after);   // the timer is gone
}

TEST(MidiPlay, PauseSilencesAtOnceAndResumeKeepsSongTime) {
    Player p;
    auto path = WriteFile("pause.mid", MidiFile(0, 100, {Track({{0, NoteOn(60)}, {100, NoteOn(62)}})}));
    ASSERT_EQ(p.midi.Load(0, path.c_str()), 1);
    ASSERT_EQ(p.midi.Play(0, false), 1);
    p.Advance(200);
    ASSERT_EQ(p.Notes().size(), 1u);
    p.sent.clear();
    EXPECT_EQ(p.midi.Pause(), 1);
    // All Sound Off and All Notes Off on every channel, right away.
    ASSERT_EQ(p.sent.size(), 32u);
    EXPECT_EQ(p.sent[0].message, 0x78B0u);
    EXPECT_EQ(p.sent[1].message, 0x7BB0u);
    EXPECT_EQ(p.sent[31].message, 0x7BBFu);
    EXPECT_FALSE(p.midi.IsRunning());
    uint32_t paused = p.midi.GetPosition();
    p.Advance(1000);
    EXPECT_TRUE(p.Notes().empty());
    EXPECT_NEAR(static_cast<int>(p.midi.GetPosition()), static_cast<int>(paused), 5);   // song time stood still
    EXPECT_EQ(p.midi.Resume(), 1);
    EXPECT_EQ(p.midi.Resume(), 0);
    p.Advance(400);
    auto notes = p.Notes();
    ASSERT_EQ(notes.size(), 1u);   // the held note is not sounded again; the next one comes on time
    EXPECT_EQ(notes[0].message, 0x643E90u);
    EXPECT_NEAR(static_cast<int>(notes[0].atMs), 1500 + 5, 10);
}

TEST(MidiPlay, EndWithoutLoopAndPlayOfAnUnloadedSong) {
    Player p;
    auto path = WriteFile("short.mid", MidiFile(0, 100, {Track({{0, NoteOn(60)}})}));
    ASSERT_EQ(p.midi.Load(2, path.c_str()), 1);
    ASSERT_EQ(p.midi.Play(2, false), 1);
    p.Advance(100);
    EXPECT_FALSE(p.midi.IsRunning());   // the end cleared running
    EXPECT_TRUE(p.midi.IsPlaying());
    uint32_t pos = p.midi.GetPosition();
    p.Advance(100);
    EXPECT_GE(p.midi.GetPosition(), pos + 90);   // keeps growing after the end
    EXPECT_EQ(p.midi.Resume(), 1);
    p.Advance(20);
    EXPECT_FALSE(p.midi.IsRunning());   // the end marker is met again
    EXPECT_EQ(p.Notes().size(), 1u);

    EXPECT_EQ(p.midi.Play(9, false), 0);   // never loaded: stops the current song, fails
    EXPECT_FALSE(p.midi.IsPlaying());
}

TEST(MidiPlay, ReloadingOrUnloadingThePlayingSongStopsItFirst) {
    Player p;
    auto path = WriteFile("busy.mid", MidiFile(0, 100, {Track({{0, NoteOn(60)}, {1000, NoteOff(60)}})}));
    ASSERT_EQ(p.midi.Load(4, path.c_str()), 1);
    ASSERT_EQ(p.midi.Play(4, true), 1);
    p.Advance(50);
    ASSERT_EQ(p.midi.Load(4, path.c_str()), 1);   // the tick must not read the freed events
    EXPECT_FALSE(p.midi.IsPlaying());
    p.Advance(50);
    ASSERT_EQ(p.midi.Play(4, true), 1);
    p.Advance(50);
    EXPECT_EQ(p.midi.Unload(4), 1);
    EXPECT_FALSE(p.midi.IsPlaying());
    p.Advance(50);
    EXPECT_EQ(p.midi.Song(4), nullptr);
    EXPECT_EQ(p.midi.Close(), 1);
}

TEST(MidiPlay, SysExIsAnnouncedAndSentAsALongMessage) {
    DebugCapture capture;
    Player p;
    auto path = WriteFile("sysex.mid", MidiFile(0, 96, {Track({{0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}})}));
    ASSERT_EQ(p.midi.Load(0, path.c_str()), 1);
    ASSERT_EQ(p.midi.Play(0, false), 1);
    ASSERT_EQ(g_debug.size(), 1u);
    EXPECT_EQ(g_debug[0], "MIDI:SysEx:f0,7e,7f,09,01,f7\n");
    p.Advance(20);
    ASSERT_FALSE(p.sent.empty());
    EXPECT_EQ(p.sent[0].message, 0xF0u);
}

TEST(MidiSynth, TheSoundFontSynthesizerSoundsANote) {
    platform::audio::Mixer mixer;
    std::string error;
    // Needs the soundfont itself: without it the silent synthesizer stands in
    // (tested below).
    if (!std::filesystem::exists(platform::midi::SoundFontPath())) GTEST_SKIP() << "no soundfont";
    auto synth = platform::midi::OpenSynth(mixer, &error);
    ASSERT_TRUE(synth) << error;
    EXPECT_TRUE(synth->Audible());
    std::vector<int16_t> out(2 * 4410);
    mixer.Render(out.data(), 4410);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 0; }));
    synth->ShortMsg(0x7F4590);   // A4, full velocity
    mixer.Render(out.data(), 4410);
    int peak = 0;
    for (int16_t s : out) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_GT(peak, 500);
    const int notePeak = peak;
    synth->Reset();
    for (int i = 0; i < 10; ++i) mixer.Render(out.data(), 4410);
    peak = 0;
    for (int16_t s : out) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_LT(peak, notePeak / 4);   // a reset silences it (only the reverb tail may linger)

}

TEST(MidiSynth, WithoutASoundFontTheSilentSynthesizerStandsIn) {
    platform::audio::Mixer mixer;
    std::string error;
    setenv("TEV_SOUNDFONT", "/nonexistent/none.sf2", 1);
    auto synth = platform::midi::OpenSynth(mixer, &error);
    unsetenv("TEV_SOUNDFONT");
    ASSERT_TRUE(synth);
    EXPECT_FALSE(synth->Audible());
    EXPECT_NE(error.find("none.sf2"), std::string::npos);
    setenv("TEV_MIDI_SYNTH", "null", 1);
    auto asked = platform::midi::OpenSynth(mixer, &error);
    unsetenv("TEV_MIDI_SYNTH");
    ASSERT_TRUE(asked);
    EXPECT_FALSE(asked->Audible());
    // Every message is taken, nothing is heard.
    synth->ShortMsg(0x7F4590);
    synth->LongMsg(nullptr, 0);
    const uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    synth->LongMsg(sysex, sizeof sysex);
    std::vector<int16_t> out(2 * 4410, 1);
    mixer.Render(out.data(), 4410);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 0; }));
    synth->Reset();
}

TEST(MidiTimer, TheThreadTimerTicksUntilKilled) {
    auto timer = platform::midi::CreateThreadTimer();
    std::atomic<int> ticks{0};
    ASSERT_TRUE(timer->Start(5, [](void* p) { ++*static_cast<std::atomic<int>*>(p); }, &ticks));
    // However loaded the machine, a few ticks come within a minute.
    for (int i = 0; i < 6000 && ticks < 3; ++i) usleep(10000);
    EXPECT_GE(ticks.load(), 3);
    timer->Kill();
    int after = ticks;
    usleep(50000);
    EXPECT_EQ(ticks.load(), after);
}
