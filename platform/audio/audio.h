// Sound output: one mixer whose sound buffers behave like the secondary
// buffers of a DirectSound device (ring memory locked and unlocked by the
// caller, play and write cursors, volume in hundredths of a decibel, pan,
// playback frequency), mixed into one 44100 Hz stereo 16-bit stream.
//
// Several independent clients can share the mixer (the host's sound module,
// a game with a sound device of its own); each owns the buffers it creates.
// Extra sources (the MIDI synthesizer) add their own samples to the mix.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace platform::audio {

constexpr int kOutputRate = 44100;
// Device buffer of the real output, in frames (11.6 ms): short enough that a
// sound starts within about one frame of the game's, long enough not to
// underrun on a busy two-core machine.
constexpr int kDeviceBufferFrames = 512;

// Results of buffer operations, with the values DirectSound used, so that a
// plug-in that passes them on sees the familiar codes.
constexpr int kOk = 0;
constexpr int kInvalidParam = static_cast<int>(0x80070057u);
constexpr int kBadFormat = static_cast<int>(0x88780064u);
constexpr int kInvalidCall = static_cast<int>(0x88780032u);
constexpr int kOutOfMemory = static_cast<int>(0x8007000Eu);

constexpr int32_t kVolumeMin = -10000;     // hundredths of a decibel: silent
constexpr int32_t kVolumeMax = 0;          // full
constexpr int32_t kPanLeft = -10000;       // right channel silent
constexpr int32_t kPanRight = 10000;       // left channel silent
constexpr uint32_t kFrequencyMin = 100;
constexpr uint32_t kFrequencyMax = 200000;
constexpr uint32_t kFrequencyOriginal = 0; // SetFrequency(0): the format's own rate

constexpr uint16_t kTagPcm = 1;            // integer PCM, 8-bit unsigned, 16/24/32-bit signed
constexpr uint16_t kTagFloat = 3;          // 32-bit float
constexpr uint16_t kTagExtensible = 0xFFFE;// taken as integer PCM of the given width

struct Format {
    uint16_t tag = kTagPcm;
    uint16_t channels = 2;
    uint32_t rate = kOutputRate;
    uint16_t blockAlign = 4;
    uint16_t bits = 16;
};

// True when the mixer can play the format.
bool IsPlayable(const Format& format);

// Amplitude factor of a volume in hundredths of a decibel (-10000 -> 0).
float VolumeToGain(int32_t hundredthsDb);
// Left and right factors of a pan value (DirectSound's law: the far side is
// attenuated by |pan| hundredths of a decibel, the near side stays full).
void PanToGains(int32_t pan, float* left, float* right);

class IBuffer {
public:
    virtual ~IBuffer() = default;
    virtual uint32_t Size() const = 0;
    virtual Format GetFormat() const = 0;

    // The ring region of `bytes` from `offset`: the first part up to the end,
    // the second from offset 0 (null/0 when it does not wrap). The memory
    // holds the buffer's current bytes; Unlock writes back what was filled
    // (n1 and n2 at most what Lock handed out). One lock at a time.
    virtual int Lock(uint32_t offset, uint32_t bytes, void** p1, uint32_t* n1, void** p2, uint32_t* n2) = 0;
    virtual int Unlock(void* p1, uint32_t n1, void* p2, uint32_t n2) = 0;

    virtual int Play(bool looping) = 0;    // from the current position
    virtual int Stop() = 0;                // keeps the position
    virtual bool IsPlaying() const = 0;
    virtual bool IsLooping() const = 0;
    // Play cursor: the byte being heard; write cursor: the first byte that
    // may still be changed (ahead of the play cursor by what is already mixed).
    virtual int GetCurrentPosition(uint32_t* play, uint32_t* write) const = 0;
    virtual int SetCurrentPosition(uint32_t offset) = 0;

    virtual int SetVolume(int32_t hundredthsDb) = 0;
    virtual int32_t GetVolume() const = 0;
    virtual int SetPan(int32_t pan) = 0;
    virtual int32_t GetPan() const = 0;
    virtual int SetFrequency(uint32_t hz) = 0;
    virtual uint32_t GetFrequency() const = 0;
};

class IClient {
public:
    // Destroying a client silences its buffers that still exist.
    virtual ~IClient() = default;
    // result (optional) receives kOk or the failure code.
    virtual std::unique_ptr<IBuffer> CreateBuffer(const Format& format, uint32_t bytes, int* result = nullptr) = 0;
};

// Something that adds its own samples to the mix (interleaved stereo floats,
// full scale 1.0). Called on the thread that renders.
class ISource {
public:
    virtual ~ISource() = default;
    virtual void Mix(float* stereo, int frames) = 0;
};

// The master bus's peak limiter. Material that stays within full scale
// passes bit for bit; a frame that would pass it is brought to just under
// full scale and the gain recovers smoothly over the next tens of
// milliseconds, so several loud sounds together duck briefly instead of
// clipping.
class PeakLimiter {
public:
    static constexpr float kTarget = 0.98f;   // where an over lands (-0.18 dBFS)
    explicit PeakLimiter(int rate = kOutputRate);
    // Interleaved stereo, full scale 1.0, in place.
    void Process(float* stereo, int frames);
    float Gain() const { return 1.0f - reduction_; }

private:
    float reduction_ = 0.0f;   // 1 - gain
    float decay_ = 0.0f;
};

class Mixer {
public:
    explicit Mixer(int rate = kOutputRate);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    std::unique_ptr<IClient> OpenClient();

    // After RemoveSource returns the source is not called again.
    void AddSource(ISource* source);
    void RemoveSource(ISource* source);

    // fn runs inside Render each time periodMs of output have been rendered
    // since AddTicker (a timer on the audio clock, for runs whose output is
    // not a real device). After RemoveTicker returns it is not called again.
    int AddTicker(uint32_t periodMs, void (*fn)(void*), void* context);
    void RemoveTicker(int id);

    // Mixes `frames` stereo frames of 16-bit output.
    void Render(int16_t* out, int frames);

    int Rate() const;
    uint64_t FramesRendered() const;
    uint32_t TimeMs() const;   // rendered frames as milliseconds (wraps like a 32-bit tick count)
    int PlayingBuffers() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// ---- The process-wide output -------------------------------------------

enum class OutputKind { None, Device, Null };

struct OutputInfo {
    OutputKind kind = OutputKind::None;
    int deviceFrames = 0;        // device buffer actually granted
    std::string note;            // why the output is null (empty for --headless)
    std::string recordPath;      // --record-audio target, empty when not recording
    std::string recordError;     // the recording could not be opened
};

// The one mixer every client of the process shares.
Mixer& SharedMixer();

// Opens the output once (later calls return the same): the SDL device, or
// the null output when the null backends are selected or no device opens.
// Starts --record-audio when that option is given.
const OutputInfo& StartOutput();
const OutputInfo& CurrentOutput();
// Closes the device and finishes the recording; StartOutput may open again.
void StopOutput();

// Null output: renders `frames` of the shared mixer (recorded when
// recording; copied to out when given). Does nothing for a device output.
void AdvanceNull(int frames, int16_t* out = nullptr);

// Milliseconds for timing sound: the audio clock of the null output, the
// steady clock with a device (32-bit, wraps).
uint32_t ClockMs();

} // namespace platform::audio
