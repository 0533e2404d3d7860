// Sound figures: the mixer's CPU cost per second of output (32 playing
// channels of mixed formats, with and without a MIDI song on the
// synthesizer), and the latency from Play to the first non-silent sample.
// Prints figures; asserts nothing.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/midi/midi.h"
#include "sound/tev_win_midi.h"

namespace audio = platform::audio;

namespace {

double ThreadCpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

audio::Format Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    audio::Format f;
    f.channels = channels;
    f.rate = rate;
    f.bits = bits;
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    return f;
}

std::unique_ptr<audio::IBuffer> Tone(audio::IClient& client, const audio::Format& f, double hz, double seconds) {
    uint32_t frames = static_cast<uint32_t>(f.rate * seconds);
    auto b = client.CreateBuffer(f, frames * f.blockAlign);
    void *p1, *p2;
    uint32_t n1, n2;
    b->Lock(0, b->Size(), &p1, &n1, &p2, &n2);
    uint8_t* d = static_cast<uint8_t*>(p1);
    for (uint32_t i = 0; i < frames; ++i) {
        double v = std::sin(2 * M_PI * hz * i / f.rate) * 0.05;
        for (int c = 0; c < f.channels; ++c) {
            uint8_t* s = d + i * f.blockAlign + c * (f.bits / 8);
            if (f.bits == 8) {
                s[0] = static_cast<uint8_t>(128 + v * 127);
            } else {
                int16_t x = static_cast<int16_t>(v * 32767);
                s[0] = static_cast<uint8_t>(x);
                s[1] = static_cast<uint8_t>(x >> 8);
            }
        }
    }
    b->Unlock(p1, n1, p2, n2);
    return b;
}

std::vector<std::unique_ptr<audio::IBuffer>> ThirtyTwoChannels(audio::IClient& client) {
    std::vector<std::unique_ptr<audio::IBuffer>> v;
    const audio::Format formats[] = {Pcm(2, 44100, 16), Pcm(1, 22050, 16), Pcm(1, 11025, 8), Pcm(2, 22050, 8)};
    for (int i = 0; i < 32; ++i) {
        auto b = Tone(client, formats[i % 4], 220.0 + 17 * i, 1.3 + 0.1 * i);
        if (i % 3 == 0) b->SetFrequency(b->GetFrequency() * 3 / 2);   // pitched: resampled
        b->SetPan((i % 5 - 2) * 1000);
        b->SetVolume(-(i % 4) * 300);
        b->Play(true);
        v.push_back(std::move(b));
    }
    return v;
}

void PutBe32(std::vector<uint8_t>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<uint8_t>(x >> s));
}
void PutVlq(std::vector<uint8_t>& v, uint32_t x) {
    uint8_t tmp[5];
    int n = 0;
    tmp[n++] = x & 0x7F;
    while (x >>= 7) tmp[n++] = static_cast<uint8_t>(0x80 | (x & 0x7F));
    while (n) v.push_back(tmp[--n]);
}

// A busy 40-second song: chords, an arpeggio, a bass line and drums, about
// 16 to 24 voices sounding at once.
std::string WriteSong() {
    const uint32_t div = 96, sixteenth = div / 4;
    std::vector<std::vector<uint8_t>> tracks(4);
    auto ev = [](std::vector<uint8_t>& t, uint32_t delta, std::initializer_list<uint8_t> b) {
        PutVlq(t, delta);
        t.insert(t.end(), b);
    };
    const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    ev(tracks[0], 0, {0xC0, 48});   // strings
    ev(tracks[1], 0, {0xC1, 0});    // piano
    ev(tracks[2], 0, {0xC2, 33});   // bass
    for (int bar = 0; bar < 20; ++bar) {
        const int* c = chords[bar % 4];
        ev(tracks[0], 0, {0x90, uint8_t(c[0]), 80});
        ev(tracks[0], 0, {0x90, uint8_t(c[1]), 80});
        ev(tracks[0], 0, {0x90, uint8_t(c[2]), 80});
        ev(tracks[0], 4 * div, {0x80, uint8_t(c[0]), 0});
        ev(tracks[0], 0, {0x80, uint8_t(c[1]), 0});
        ev(tracks[0], 0, {0x80, uint8_t(c[2]), 0});
        for (int s = 0; s < 16; ++s) {
            uint8_t key = static_cast<uint8_t>(c[s % 3] + 12 * (1 + s / 8));
            ev(tracks[1], 0, {0x91, key, 90});
            ev(tracks[1], sixteenth, {0x81, key, 0});
            uint8_t drum = s % 4 == 0 ? 36 : (s % 4 == 2 ? 38 : 42);
            ev(tracks[3], 0, {0x99, drum, 100});
            ev(tracks[3], sixteenth, {0x89, drum, 0});
        }
        for (int q = 0; q < 4; ++q) {
            uint8_t key = static_cast<uint8_t>(c[0] - 24);
            ev(tracks[2], 0, {0x92, key, 100});
            ev(tracks[2], div, {0x82, key, 0});
        }
    }
    std::vector<uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 4, 0, uint8_t(div)};
    for (auto& t : tracks) {
        t.insert(t.end(), {0x00, 0xFF, 0x2F, 0x00});
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        PutBe32(file, static_cast<uint32_t>(t.size()));
        file.insert(file.end(), t.begin(), t.end());
    }
    std::string path = "/tmp/bench_sound_song.mid";
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    }
    return path;
}

// Renders `seconds` of output in device-sized blocks; CPU seconds spent.
double RenderCost(audio::Mixer& mixer, int seconds) {
    std::vector<int16_t> out(2 * audio::kDeviceBufferFrames);
    const int blocks = seconds * audio::kOutputRate / audio::kDeviceBufferFrames;
    double t0 = ThreadCpuSeconds();
    for (int i = 0; i < blocks; ++i) mixer.Render(out.data(), audio::kDeviceBufferFrames);
    return ThreadCpuSeconds() - t0;
}

void Report(const char* what, double cpu, int seconds) {
    double msPerSecond = cpu * 1000.0 / seconds;
    std::printf("%-44s %8.2f ms CPU per second of output  (%.2f %% of a core)\n", what, msPerSecond, msPerSecond / 10.0);
    std::printf("RESULT\tmixer cost: %s\t%.2f %% of a core\t<= 2 %%\n", what, msPerSecond / 10.0);
}

void CostFigures() {
    const int seconds = 20;
    std::printf("Mixer cost (%d s of 44100 Hz stereo rendered in %d-frame blocks)\n", seconds, audio::kDeviceBufferFrames);
    {
        audio::Mixer mixer;
        auto client = mixer.OpenClient();
        auto channels = ThirtyTwoChannels(*client);
        Report("32 playing channels", RenderCost(mixer, seconds), seconds);
    }
    const std::string song = WriteSong();
    for (int withChannels = 0; withChannels < 2; ++withChannels) {
        audio::Mixer mixer;
        auto client = mixer.OpenClient();
        std::vector<std::unique_ptr<audio::IBuffer>> channels;
        if (withChannels) channels = ThirtyTwoChannels(*client);
        std::string error;
        auto synth = platform::midi::OpenSynth(mixer, &error);
        if (!synth) {
            std::printf("MIDI figures skipped: %s\n", error.c_str());
            return;
        }
        CTevWinMidi midi(std::move(synth), platform::midi::CreateAudioClockTimer(mixer));
        if (!midi.Load(0, song.c_str()) || !midi.Play(0, true)) {
            std::printf("MIDI figures skipped: the song did not load\n");
            return;
        }
        Report(withChannels ? "32 playing channels + MIDI song" : "MIDI song alone", RenderCost(mixer, seconds), seconds);
        midi.Close();
    }
    {
        audio::Mixer mixer;
        Report("idle (nothing playing)", RenderCost(mixer, seconds), seconds);
    }
}

// Finds the first non-silent sample of each render: added last, it sees the
// finished mix.
class Probe : public audio::ISource {
public:
    std::atomic<bool> armed{false};
    std::atomic<int64_t> heardAt{0};   // clock value at the rendered sample
    void Mix(float* stereo, int frames) override {
        if (!armed) return;
        for (int i = 0; i < frames; ++i) {
            if (stereo[2 * i] != 0.0f || stereo[2 * i + 1] != 0.0f) {
                heardAt = platform::ClockNow() + static_cast<int64_t>(i) * platform::kClockFrequency / audio::kOutputRate;
                armed = false;
                return;
            }
        }
    }
};

void LatencyFigures() {
    platform::SelectBackends(platform::BackendKind::Real);
    const audio::OutputInfo* out = &audio::StartOutput();
    if (out->kind != audio::OutputKind::Device) {
        // No sound card here: SDL's dummy driver keeps a device's timing.
        audio::StopOutput();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        out = &audio::StartOutput();
    }
    if (out->kind != audio::OutputKind::Device) {
        std::printf("Latency skipped: no audio device (%s)\n", out->note.c_str());
        return;
    }
    const char* driver = getenv("SDL_AUDIODRIVER");
    std::printf("\nLatency from Play to the first non-silent sample (SDL driver %s, device buffer %d frames = %.1f ms)\n",
                driver ? driver : "default", out->deviceFrames, out->deviceFrames * 1000.0 / audio::kOutputRate);
    const int deviceFrames = out->deviceFrames;
    audio::Mixer& mixer = audio::SharedMixer();
    auto client = mixer.OpenClient();
    auto click = Tone(*client, Pcm(1, 44100, 16), 1000, 0.05);
    Probe probe;
    mixer.AddSource(&probe);
    std::mt19937 rng(7);
    std::vector<double> ms;
    for (int i = 0; i < 40; ++i) {
        platform::SleepFor((5 + rng() % 20) * platform::kClockFrequency / 1000);   // land anywhere in a block
        click->Stop();
        click->SetCurrentPosition(2);   // sample 1: the sine's sample 0 is silent
        probe.heardAt = 0;
        probe.armed = true;
        int64_t played = platform::ClockNow();
        click->Play(false);
        for (int w = 0; w < 2000 && probe.armed; ++w) platform::SleepFor(platform::kClockFrequency / 2000);
        if (probe.armed) continue;
        ms.push_back((probe.heardAt - played) * 1000.0 / platform::kClockFrequency);
    }
    mixer.RemoveSource(&probe);
    click.reset();
    client.reset();
    audio::StopOutput();
    if (ms.empty()) {
        std::printf("  no sample came back\n");
        return;
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    const double buffer = deviceFrames * 1000.0 / audio::kOutputRate;
    std::printf("  until rendered: min %.1f  median %.1f  max %.1f ms (%zu plays)\n", ms.front(), ms[ms.size() / 2],
                ms.back(), ms.size());
    std::printf("  plus the device buffer it then waits behind: about %.1f ms median at the speaker\n",
                ms[ms.size() / 2] + buffer);
    std::printf("RESULT\tsound latency Play -> first rendered sample (median / max)\t%.1f / %.1f ms\t\n", ms[ms.size() / 2],
                ms.back());
    std::printf("RESULT\tsound latency at the speaker incl. device buffer (median)\t%.1f ms\t\n", ms[ms.size() / 2] + buffer);
}

} // namespace

int main() {
    CostFigures();
    LatencyFigures();
    return 0;
}
