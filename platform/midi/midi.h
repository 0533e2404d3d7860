// MIDI output and timing for the MIDI player: a General MIDI synthesizer that
// renders into an audio mixer (what the MIDI mapper's device was), and a
// periodic timer (what the multimedia timer was).
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio/audio.h"

namespace platform::midi {

// Debian's timgm6mb-soundfont: about 6 MB on disk and in memory, complete
// General MIDI set. TEV_SOUNDFONT in the environment names another one.
constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
std::string SoundFontPath();

class ISynth {
public:
    virtual ~ISynth() = default;
    // A packed short message: status | data1 << 8 | data2 << 16.
    virtual void ShortMsg(uint32_t message) = 0;
    // A system-exclusive message, F0 (or F7) through the closing F7.
    virtual void LongMsg(const uint8_t* bytes, uint32_t length) = 0;
    // As a MIDI device's reset: every note and sound off, controllers and
    // pitch bend back to rest on all 16 channels.
    virtual void Reset() = 0;
    // False for the silent synthesizer.
    virtual bool Audible() const { return true; }
};

// A FluidSynth synthesizer with the soundfont, added to the mixer as a
// source (removed again when destroyed). Where the soundfont cannot be
// loaded, or TEV_MIDI_SYNTH=null asks for it, the silent synthesizer instead
// (the song still runs, unheard) with the reason in *error. Null with a
// reason only when FluidSynth itself fails.
std::unique_ptr<ISynth> OpenSynth(audio::Mixer& mixer, std::string* error);
// The silent synthesizer on its own.
std::unique_ptr<ISynth> OpenNullSynth();

class ITimer {
public:
    virtual ~ITimer() = default;
    // The periods the timer can keep, in milliseconds.
    virtual bool GetDevCaps(uint32_t* minPeriod, uint32_t* maxPeriod) = 0;
    // The timer's clock, milliseconds (32-bit, wraps).
    virtual uint32_t NowMs() = 0;
    // Calls fn(context) every periodMs until Kill. One timer at a time.
    virtual bool Start(uint32_t periodMs, void (*fn)(void*), void* context) = 0;
    // After Kill returns fn is not running and will not run again.
    virtual void Kill() = 0;
};

// A thread of our own ticking on the steady clock.
std::unique_ptr<ITimer> CreateThreadTimer();
// Ticks on the mixer's audio clock, inside its Render: exact and repeatable
// when the output is the null device that the frame loop advances.
std::unique_ptr<ITimer> CreateAudioClockTimer(audio::Mixer& mixer);

} // namespace platform::midi
