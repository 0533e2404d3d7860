// Sound file formats: 16-bit PCM RIFF WAVE and Standard MIDI Files, with
// strict readers used by the tests and by the tools to check their output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tevtools {

struct PcmSound {
    int rate = 44100;
    int channels = 1;
    std::vector<int16_t> samples;  // interleaved
};

std::vector<uint8_t> EncodeWav(const PcmSound& sound);
// Reads RIFF WAVE with a PCM "fmt " chunk (found by searching, other chunks
// skipped) and a "data" chunk; 16-bit only. False with a reason otherwise.
bool DecodeWav(const std::vector<uint8_t>& bytes, PcmSound& out, std::string& error);

struct MidiEvent {
    uint32_t tick = 0;
    std::vector<uint8_t> bytes;  // status and data, or 0xFF type data for meta events
};

struct MidiTrack {
    std::vector<MidiEvent> events;  // any order; sorted stably by tick on encoding
};

struct MidiFile {
    int format = 1;
    int division = 480;  // ticks per quarter note
    std::vector<MidiTrack> tracks;
};

// Each track gets its end-of-track meta event at `endTick` (or after its last
// event when later), so every track of a loop ends at the same moment.
std::vector<uint8_t> EncodeMidi(const MidiFile& file, uint32_t endTick);
// Parses the header and every track (running status, meta and sysex events);
// false with a reason for anything malformed or cut short.
bool DecodeMidi(const std::vector<uint8_t>& bytes, MidiFile& out, std::string& error);

std::vector<uint8_t> ReadBytes(const std::string& path);  // empty when unreadable

}  // namespace tevtools
