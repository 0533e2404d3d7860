// Sound sources and the project's own synthesizer.
//
// Effect source (one WAV):
//   rate 44100                sample rate
//   level -2                  peak level in dBFS after normalising (at most -1)
//   length 0.5                optional total length in seconds
//   tone at=S wave=square|triangle|saw|sine|noise freq=HZ [duty=0.5]
//        [dutysweep=PER_S] [slide=OCTAVES_PER_S] [accel=OCTAVES_PER_S2]
//        [vib=SEMITONES] [vibrate=HZ] [arp=0,4,7] [arpstep=S]
//        [attack=S] [hold=S] [decay=S] [punch=0..1] [volume=0..1]
//        [lowpass=HZ] [seed=N]
//   Every tone is mixed in; short fades make the first and last samples zero.
//
// Song source (MIDI file and/or looping WAV):
//   tempo BPM                 beats 32 (loop length in quarter notes)
//   rate 44100                level -3
//   track NAME [program=0..127] [channel=0..15] [volume=0..127] [pan=0..127]
//        [wave=...] [duty=] [attack=] [decay=] [sustain=0..1] [release=]
//        [vib=SEMITONES] [gain=0..1] [echo=0..1]
//   followed by MML lines: o4 < > l8 v100 q7, notes c d e f g a b with + # -,
//   lengths and dots (c4.), & ties, r rests, [ ... ]N repeats, | bar lines.
//   Channel 9 is the drum channel: k kick, s snare, h closed hat, o open hat,
//   t tom, x crash.
#pragma once

#include <string>
#include <vector>

#include "tools/toolkit/audio_files.h"

namespace tevtools {

PcmSound RenderEffect(const std::string& source, const std::string& fileName);

struct SongNote {
    uint32_t tick = 0, length = 0;  // ticks of 480 per quarter note
    int key = 60, velocity = 100;
};

struct SongTrack {
    std::string name;
    int program = 0, channel = 0, volume = 100, pan = 64;
    std::string wave = "square";
    double duty = 0.5, attack = 0.005, decay = 0.2, sustain = 0.6, release = 0.05, vib = 0, gain = 0.5, echo = 0;
    std::vector<SongNote> notes;
};

struct Song {
    double tempo = 120;
    uint32_t loopTicks = 0;
    int rate = 44100;
    double level = -3;
    std::vector<SongTrack> tracks;
};

constexpr int kSongDivision = 480;

Song ParseSong(const std::string& source, const std::string& fileName);
MidiFile SongToMidi(const Song& song);
// Renders exactly one loop: notes that ring past the end wrap to the start, so
// playing the WAV in a loop has no seam.
PcmSound RenderSong(const Song& song);

}  // namespace tevtools
