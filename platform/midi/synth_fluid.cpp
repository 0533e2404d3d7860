// The General MIDI synthesizer: FluidSynth with one soundfont, mixed into the
// audio mixer as a source. FluidSynth's own lock makes the event calls safe
// from the player's timer while the mixer renders on the audio thread.
#include <fluidsynth.h>

#include <cstdlib>
#include <vector>

#include "platform/midi/midi.h"

namespace platform::midi {

std::string SoundFontPath() {
    const char* env = std::getenv("TEV_SOUNDFONT");
    return env && *env ? env : kDefaultSoundFont;
}

namespace {

// Once every voice has been silent this long, the reverb tail has died away
// and rendering can be skipped until the next note.
constexpr int kIdleFramesBeforeSkip = 2 * audio::kOutputRate;

class FluidSynth final : public ISynth, public audio::ISource {
public:
    FluidSynth(audio::Mixer& mixer, fluid_settings_t* settings, fluid_synth_t* synth)
        : mixer_(mixer), settings_(settings), synth_(synth) {
        mixer_.AddSource(this);
    }
    ~FluidSynth() override {
        mixer_.RemoveSource(this);
        delete_fluid_synth(synth_);
        delete_fluid_settings(settings_);
    }

    void ShortMsg(uint32_t message) override {
        const int status = message & 0xFF;
        const int chan = status & 0x0F;
        const int d1 = (message >> 8) & 0x7F;
        const int d2 = (message >> 16) & 0x7F;
        switch (status & 0xF0) {
        case 0x80: fluid_synth_noteoff(synth_, chan, d1); break;
        case 0x90:
            if (d2 == 0)
                fluid_synth_noteoff(synth_, chan, d1);
            else
                fluid_synth_noteon(synth_, chan, d1, d2);
            break;
        case 0xA0: fluid_synth_key_pressure(synth_, chan, d1, d2); break;
        case 0xB0: fluid_synth_cc(synth_, chan, d1, d2); break;
        case 0xC0: fluid_synth_program_change(synth_, chan, d1); break;
        case 0xD0: fluid_synth_channel_pressure(synth_, chan, d1); break;
        case 0xE0: fluid_synth_pitch_bend(synth_, chan, d1 | (d2 << 7)); break;
        default:
            if (status == 0xFF) fluid_synth_system_reset(synth_);
            break;   // other system messages mean nothing to a synthesizer
        }
    }

    void LongMsg(const uint8_t* bytes, uint32_t length) override {
        if (!bytes || length < 2) return;
        // FluidSynth takes the message without its framing bytes.
        const char* body = reinterpret_cast<const char*>(bytes + 1);
        int n = static_cast<int>(length) - 1;
        if (bytes[length - 1] == 0xF7) --n;
        if (n <= 0) return;
        fluid_synth_sysex(synth_, body, n, nullptr, nullptr, nullptr, 0);
    }

    void Reset() override {
        for (int chan = 0; chan < 16; ++chan) {
            fluid_synth_all_sounds_off(synth_, chan);
            fluid_synth_cc(synth_, chan, 64, 0);    // sustain pedal up
            fluid_synth_cc(synth_, chan, 121, 0);   // reset all controllers
            fluid_synth_pitch_bend(synth_, chan, 8192);
        }
    }

    void Mix(float* stereo, int frames) override {
        if (fluid_synth_get_active_voice_count(synth_) > 0)
            idleFrames_ = 0;
        else if (idleFrames_ >= kIdleFramesBeforeSkip)
            return;
        else
            idleFrames_ += frames;
        temp_.resize(static_cast<size_t>(frames) * 2);
        fluid_synth_write_float(synth_, frames, temp_.data(), 0, 2, temp_.data(), 1, 2);
        for (size_t i = 0; i < temp_.size(); ++i) stereo[i] += temp_[i];
    }

private:
    audio::Mixer& mixer_;
    fluid_settings_t* settings_;
    fluid_synth_t* synth_;
    std::vector<float> temp_;
    int idleFrames_ = kIdleFramesBeforeSkip;
};

void QuietLog(int, const char*, void*) {}

} // namespace

std::unique_ptr<ISynth> OpenSynth(audio::Mixer& mixer, std::string* error) {
    const char* wanted = std::getenv("TEV_MIDI_SYNTH");
    if (wanted != nullptr && std::string(wanted) == "null") {
        if (error) *error = "TEV_MIDI_SYNTH=null: the silent synthesizer";
        return OpenNullSynth();
    }
    // FluidSynth's warnings and notices would clutter the terminal; errors stay.
    fluid_set_log_function(FLUID_WARN, QuietLog, nullptr);
    fluid_set_log_function(FLUID_INFO, QuietLog, nullptr);
    fluid_set_log_function(FLUID_DBG, QuietLog, nullptr);

    fluid_settings_t* settings = new_fluid_settings();
    if (!settings) {
        if (error) *error = "FluidSynth settings could not be created";
        return nullptr;
    }
    fluid_settings_setnum(settings, "synth.sample-rate", static_cast<double>(mixer.Rate()));
    fluid_settings_setnum(settings, "synth.gain", 0.4);
    fluid_settings_setint(settings, "synth.polyphony", 128);
    fluid_settings_setint(settings, "synth.reverb.active", 1);
    fluid_settings_setint(settings, "synth.chorus.active", 0);
    fluid_settings_setint(settings, "synth.threadsafe-api", 1);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (!synth) {
        delete_fluid_settings(settings);
        if (error) *error = "FluidSynth synthesizer could not be created";
        return nullptr;
    }
    const std::string path = SoundFontPath();
    if (fluid_synth_sfload(synth, path.c_str(), 1) == FLUID_FAILED) {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        if (error) *error = "soundfont " + path + " could not be loaded: the silent synthesizer";
        return OpenNullSynth();
    }
    return std::make_unique<FluidSynth>(mixer, settings, synth);
}

} // namespace platform::midi
