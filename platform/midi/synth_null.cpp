// The silent synthesizer: takes every message and sounds nothing, so the MIDI
// player keeps its timing, positions and states where no soundfont (or no
// FluidSynth) is available, and in runs that ask for it (TEV_MIDI_SYNTH=null).
#include "platform/midi/midi.h"

namespace platform::midi {

namespace {

class NullSynth final : public ISynth {
public:
    void ShortMsg(uint32_t) override {}
    void LongMsg(const uint8_t*, uint32_t) override {}
    void Reset() override {}
    bool Audible() const override { return false; }
};

} // namespace

std::unique_ptr<ISynth> OpenNullSynth() { return std::make_unique<NullSynth>(); }

} // namespace platform::midi
