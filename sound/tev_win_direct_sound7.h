// The host's sound module: 256 numbered channels, each a WAV sound in a
// mixer buffer (the whole sound, or a ten-second ring that is refilled while
// it streams) or a MIDI song in the MIDI player.
#pragma once
#include <cstdint>
#include <memory>

#include "plugin_api/tev_sound.h"

namespace platform::audio {
class IClient;
class IBuffer;
}
class CTevWinMidi;

struct SoundChannel {
    std::unique_ptr<CTIAudioFile> reader;
    bool streaming = false;
    bool looping = false;
    bool isMidi = false;
    bool refillNow = false;
    int32_t state = 0;            // 0 stopped, 1 paused, 2 playing
    uint32_t bufferBytes = 0;
    uint32_t lastWriteCursor = 0;
    uint32_t writeOffset = 0;
    uint32_t carry = 0;
    uint32_t bytesQueued = 0;
    uint32_t dataBytes = 0;
    uint32_t durationMs = 0;
    uint32_t startTime = 0;
    uint32_t pausedCursor = 0;
    uint32_t pausedMs = 0;
    uint32_t playPriority = 0;
    uint32_t avgBytesPerSec = 0;  // of the reader's format, kept for the position arithmetic
    std::unique_ptr<platform::audio::IBuffer> buffer;
};

class CTevWinDirectSound7 : public ITevSound {
public:
    static constexpr int kChannels = 256;
    static constexpr int kStreamSeconds = 10;
    static constexpr uint32_t kSeekLockBytes = 264600;
    // Audio frames the null output advances per frame (1/60 s at 44100 Hz).
    static constexpr int kNullFramesPerFrame = 735;

    CTevWinDirectSound7();
    ~CTevWinDirectSound7() override;

    bool Initialize(ITevApp* app) override;
    bool Finalize() override;
    bool InitializeAfterUser() override { return true; }
    bool BeginFrame() override;
    bool EndFrame() override;
    bool Idle() override { return true; }

    bool Play(int channel, bool loop) override;
    bool Stop(int channel) override;
    bool StopAll() override;
    bool LoadEx(int channel, const char* path, bool streaming, int reserved) override;
    bool Load(int channel, const char* path, bool streaming) override;
    bool Release(int channel) override;
    bool ReleaseAll() override;
    bool Pause(int channel) override;
    bool PauseAll() override;
    bool Resume(int channel) override;
    bool ResumeAll() override;
    bool SetVolume(int channel, int percent) override;
    bool SetPan(int channel, int pan) override;
    int GetVolume(int channel) override;
    int GetPan(int channel) override;
    bool UpdateStreams() override;
    int GetPosition(int channel) override;
    bool SetPosition(int channel, int milliseconds) override;
    const char* GetFileName(int channel) override;
    bool RegisterReader(const char* extension, CTIAudioFile* prototype) override;
    int SetBasePath(const char* folder) override;
    uint32_t GetFrequency(int channel) override;
    int SetFrequency(int channel, uint32_t hz) override;

    // For tests and the host: the channel record and the MIDI player.
    const SoundChannel& Channel(int channel) const { return m_channels[channel]; }
    CTevWinMidi* Midi() { return m_midi.get(); }
    const char* BasePath() const { return m_basePath; }

private:
    CTevWinMidi& MidiPlayer();
    bool LoadSound(int channel, const char* path);
    void EmptyChannel(SoundChannel& c);
    void StartBuffer(SoundChannel& c);
    void FillFromStart(SoundChannel& c);
    void StreamRefill(SoundChannel& c);
    void StreamSeek(SoundChannel& c, int ms);

    std::unique_ptr<platform::audio::IClient> m_device;
    WAVEFORMATEX m_primaryFormat{};
    bool m_startedThisFrame[kChannels] = {};
    bool m_initialized = false;
    SoundChannel m_channels[kChannels];
    std::unique_ptr<CTevWinMidi> m_midi;
    char m_basePath[260] = {};
    uint32_t m_refillClock = 0;   // one refill a second, shared by all streaming channels
    bool m_refillClockSet = false;
};

// The process-wide compressed-WAV switch: when set before Initialize, "wav"
// files are read by CTRiffFile (16-bit PCM from any format) instead of
// CTWaveFile. Off at start.
extern bool g_tevCompressedWav;
