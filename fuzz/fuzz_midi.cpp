// The Standard MIDI File parser: chunks, running status, meta and system
// exclusive events, merging and time conversion.
#include <cstdint>

#include "sound/tev_win_midi.h"

namespace {

// Meta events whose data field is a value rather than a place in the store.
bool MetaHoldsValue(uint8_t metaType) { return metaType == 0x00 || metaType == 0x2F || metaType == 0x51 || metaType == 0x58; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TevMidiSong song;
    if (CTevWinMidi::ParseSong(data, size, &song)) {
        // A playable song ends with the end marker, the times of its events
        // never go back, and every message the player sends from the byte
        // store lies inside it (system exclusive: status, data and 0xF7).
        if (song.events.empty() || song.events.back().type != kMidiEndMarker) __builtin_trap();
        for (size_t i = 1; i + 1 < song.events.size(); ++i)
            if (song.events[i].time < song.events[i - 1].time) __builtin_trap();
        for (const TevMidiEvent& e : song.events) {
            if ((e.type == 0xF0 || e.type == 0xF7) && uint64_t(e.data) + e.length + 1 > song.bytes.size())
                __builtin_trap();
            if (e.type == 0xFF && !MetaHoldsValue(e.metaType) && uint64_t(e.data) + e.length > song.bytes.size())
                __builtin_trap();
        }
    }
    return 0;
}
