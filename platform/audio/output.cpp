// The process-wide output: the shared mixer played through one SDL device,
// or a null output that renders only when the frame loop asks (headless
// runs, or no device could be opened), plus the --record-audio writer.
#include <SDL.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/audio/wav_writer.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/run_options.h"

namespace platform::audio {

namespace {

struct Output {
    std::mutex mutex;            // start / stop / null advance
    Mixer mixer;
    OutputInfo info;
    std::atomic<bool> deviceClock{false};   // read by ClockMs on any thread
    SDL_AudioDeviceID device = 0;
    WavWriter recorder;          // written by whichever thread renders
    std::vector<int16_t> scratch;

    ~Output() { Stop(); }

    void Stop() {
        if (device) {
            SDL_CloseAudioDevice(device);   // waits for a running callback
            device = 0;
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
        recorder.Close();
        info = OutputInfo{};
        deviceClock = false;
    }
};

Output& TheOutput() {
    static Output output;
    return output;
}

void SDLCALL DeviceCallback(void* userdata, Uint8* stream, int len) {
    Output& o = *static_cast<Output*>(userdata);
    int frames = len / 4;
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    o.mixer.Render(out, frames);
    if (o.recorder.IsOpen()) o.recorder.Write(out, static_cast<size_t>(frames));
}

bool OpenDevice(Output& o) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        o.info.note = std::string("SDL audio unavailable: ") + SDL_GetError();
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceBufferFrames;
    want.callback = DeviceCallback;
    want.userdata = &o;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts if the hardware wants something else,
    // so the mixer always renders 44100 Hz stereo 16-bit.
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (dev == 0) {
        o.info.note = std::string("no audio device: ") + SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    o.device = dev;
    o.info.deviceFrames = have.samples;
    return true;
}

} // namespace

Mixer& SharedMixer() { return TheOutput().mixer; }

const OutputInfo& StartOutput() {
    Output& o = TheOutput();
    std::lock_guard<std::mutex> lock(o.mutex);
    if (o.info.kind != OutputKind::None) return o.info;
    o.info = OutputInfo{};
    bool device = false;
    if (SelectedBackends() == BackendKind::Real) device = OpenDevice(o);
    o.info.kind = device ? OutputKind::Device : OutputKind::Null;

    const std::string& path = Options().recordAudio;
    if (!path.empty()) {
        if (device) SDL_LockAudioDevice(o.device);
        std::string error;
        if (o.recorder.Open(path, kOutputRate, 2, &error))
            o.info.recordPath = path;
        else {
            o.info.recordError = error;
            NoteRunFailure("cannot write the audio recording " + error);
        }
        if (device) SDL_UnlockAudioDevice(o.device);
    }
    o.deviceClock = device;
    if (device) SDL_PauseAudioDevice(o.device, 0);
    return o.info;
}

const OutputInfo& CurrentOutput() { return TheOutput().info; }

void StopOutput() {
    Output& o = TheOutput();
    std::lock_guard<std::mutex> lock(o.mutex);
    o.Stop();
}

void AdvanceNull(int frames, int16_t* out) {
    Output& o = TheOutput();
    std::lock_guard<std::mutex> lock(o.mutex);
    if (frames <= 0 || o.info.kind == OutputKind::Device) return;
    o.scratch.resize(static_cast<size_t>(frames) * 2);
    o.mixer.Render(o.scratch.data(), frames);
    if (o.recorder.IsOpen()) o.recorder.Write(o.scratch.data(), static_cast<size_t>(frames));
    if (out) std::copy(o.scratch.begin(), o.scratch.end(), out);
}

uint32_t ClockMs() {
    Output& o = TheOutput();
    if (o.deviceClock) return static_cast<uint32_t>(ClockNow() / (kClockFrequency / 1000));
    return o.mixer.TimeMs();
}

} // namespace platform::audio
