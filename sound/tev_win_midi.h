// The MIDI player: up to 256 Standard MIDI File songs (format 0 and 1), each
// parsed once at load into one time-sorted list of ready-to-send events with
// times in milliseconds; one song plays at a time, sent by a 5 ms periodic
// tick to the General MIDI synthesizer.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "plugin_api/tev_base.h"

namespace platform::midi {
class ISynth;
class ITimer;
}

struct TevMidiEvent {
    uint32_t time = 0;      // ticks while parsing, then milliseconds from the song start
    uint32_t data = 0;      // packed short message / tempo / time signature / offset into the song's bytes
    uint16_t type = 0;      // status without channel, 0xF0/0xF7 system exclusive, 0xFF meta, 0xFFFF end
    uint8_t metaType = 0;
    uint8_t channel = 0;
    uint32_t length = 0;    // system exclusive and meta: bytes of the message
    uint8_t data1 = 0;      // channel events: the data bytes, before packing
    uint8_t data2 = 0;
};

constexpr uint16_t kMidiEndMarker = 0xFFFF;

struct TevMidiTempo {
    uint32_t tempo = 500000;     // microseconds per quarter note
    uint16_t division = 480;     // ticks per quarter note
    uint8_t format = 0;
    uint8_t tracks = 0;
    double bpm = 120.0;
    double msPerTick = 500.0 / 480;
};

struct TevMidiSong {
    std::vector<TevMidiEvent> events;   // ends with the end marker
    std::vector<uint8_t> bytes;         // system-exclusive messages and meta texts
    TevMidiTempo tempo;
};

class CTevWinMidi : public CTevBase {
public:
    static constexpr int kSongs = 256;
    static constexpr uint32_t kDesiredPeriod = 5;

    CTevWinMidi();
    // With a synthesizer and timer of the caller's (already open).
    CTevWinMidi(std::unique_ptr<platform::midi::ISynth> synth, std::unique_ptr<platform::midi::ITimer> timer);
    ~CTevWinMidi() override;

    int Open(void* window);
    int Load(int song, const char* path);
    int Unload(int song);
    int Play(int song, bool loop);
    int Stop();
    int Pause();
    int Resume();
    uint32_t GetPosition();
    int Close();

    bool IsOpen() const { return synth_ != nullptr; }
    bool IsPlaying() const { return playing_; }
    bool IsRunning() const { return running_; }
    int CurrentSong() const { return currentSong_; }
    const TevMidiSong* Song(int song) const;

    // Parsing, merging, packing and time conversion of a whole file image.
    // False when the data is not a song this player can play.
    static bool ParseSong(const uint8_t* data, size_t size, TevMidiSong* song);

private:
    static void TickProc(void* self);
    void Tick();
    void Send(const TevMidiEvent& e);
    void SilenceAll();
    void FreeSong(int song);

    std::unique_ptr<platform::midi::ISynth> synth_;   // the output device
    std::unique_ptr<platform::midi::ITimer> timer_;
    TevMidiTempo tempo_;                               // current
    std::atomic<bool> playing_{false};
    std::atomic<bool> loop_{false};
    std::atomic<bool> running_{false};
    std::atomic<uint32_t> startTime_{0};
    std::atomic<uint32_t> nextEvent_{0};
    uint32_t prevTick_ = 0;                            // written only by the tick
    const TevMidiSong* playingSong_ = nullptr;         // what the tick reads
    std::unique_ptr<TevMidiSong> songs_[kSongs];
    uint32_t timerPeriod_ = 0;
    int currentSong_ = -1;
    void* window_ = nullptr;
};
