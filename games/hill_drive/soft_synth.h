// The hill-drive game's own sound: a small software synthesizer that mixes
// four tone/noise voices with integer arithmetic into 16-bit stereo and
// writes it, 20 ms at a time, into a looping four-segment stream buffer from
// a thread of its own. Host-free: the glue connects the buffer to the host's
// mixer, tests drain it themselves.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace hill_drive {

// One voice. The frame thread writes flags, volume, pitch and pan while the
// synth thread renders, so those are atomics (a change lands at whichever
// segment is rendered next); step and phase belong to the synth thread.
struct SynthVoice {
    std::atomic<int16_t> flags{0};     // bit 0 on, bit 1 noise
    std::atomic<int16_t> volume{1024}; // 0 ... 1024
    std::atomic<int16_t> pitch{15360}; // tone: pitch-table index; noise: samples per value
    std::atomic<int16_t> pan{0};       // -1024 ... 1024
    int32_t step = 0;                  // tone: increment; noise: hold counter
    int32_t phase = 0;                 // tone: 16.16 table position; noise: generator state
    int8_t wave[256] = {};             // one period
};
static_assert(sizeof(SynthVoice) == 272, "a voice is 272 bytes");

constexpr int kVoiceCount = 128;
constexpr int kPitchEntries = 32768;
constexpr int kSegments = 4;

// Fills a voice's wave table.
void SquareWave(SynthVoice& v);
void SawWave(SynthVoice& v);
void TriangleWave(SynthVoice& v);

// A looping PCM buffer with a play cursor and locks for writing, the shape
// of a sound card's secondary buffer. Whoever plays it out moves the cursor
// (Consume); the writer waits for it to move.
class StreamRing {
public:
    struct Listener {
        virtual ~Listener() = default;
        virtual void OnPlay() = 0;
        virtual void OnStop() = 0;
    };

    explicit StreamRing(uint32_t bytes, Listener* listener = nullptr);
    uint32_t Size() const { return static_cast<uint32_t>(m_data.size()); }

    // The region of `bytes` from offset: first part to the end, second part
    // from 0 when it wraps. False when the region is larger than the buffer
    // or the offset outside it.
    bool Lock(uint32_t offset, uint32_t bytes, uint8_t** p1, uint32_t* n1, uint8_t** p2, uint32_t* n2);
    void Unlock();
    void Play();   // looping
    void Stop();
    bool Playing() const { return m_playing.load(); }
    uint32_t GetCurrentPosition() const { return m_cursor.load(); }
    void SetCurrentPosition(uint32_t offset);

    // The player side: the cursor moves on by bytes (wrapping).
    void Consume(uint32_t bytes);
    // Copies n bytes from offset (wrapping) out of the buffer.
    void Peek(uint32_t offset, uint8_t* out, uint32_t n) const;
    // The writer side: waits until the cursor leaves `from`, Wake or the timeout.
    void WaitMoved(uint32_t from, int milliseconds);
    void Wake();

private:
    std::vector<uint8_t> m_data;
    Listener* m_listener;
    std::atomic<uint32_t> m_cursor{0};
    std::atomic<bool> m_playing{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_moved;
    uint64_t m_wakes = 0;
};

// Makes the stream buffer the synth writes into (the sound device).
class StreamDevice {
public:
    virtual ~StreamDevice() = default;
    // 16-bit PCM, `channels` at `rate`; null when it cannot.
    virtual std::unique_ptr<StreamRing> CreateStreamBuffer(int channels, int rate, uint32_t bytes) = 0;
};

class SoftSynth {
public:
    SoftSynth() = default;
    virtual ~SoftSynth();
    SoftSynth(const SoftSynth&) = delete;
    SoftSynth& operator=(const SoftSynth&) = delete;

    // -100: no device or rate outside 4 000 ... 192 000; -1: no buffer; 0 ok.
    int16_t Init(StreamDevice* device, int rate);
    // Starts the segment thread and the buffer; -1 if the thread cannot start.
    int16_t Start();
    // Stops the buffer, then the thread (joined: it ends within one poll),
    // and releases the buffer.
    void Stop();

    // Mixes every voice into n frames of left/right sums.
    void RenderVoices(int32_t* sums, int frames);
    // Renders segment s into the buffer (the thread's work, callable alone).
    void FillSegment(int s);
    // For the player: bytes ready from the cursor on (up to the end of the
    // newest segment), after waiting up to `milliseconds` for the thread to
    // fill every segment it may.
    uint32_t ReadyBytes(int milliseconds);

    SynthVoice voices[kVoiceCount];
    uint32_t pitchTable[kPitchEntries] = {};
    int rate = 0;
    int segmentFrames = 0;
    int segmentBytes = 0;
    int bufferBytes = 0;
    std::atomic<int> lastSegment{-1};
    int voicesOn = 0;
    std::atomic<int> running{0};
    StreamRing* Buffer() { return m_buffer.get(); }

private:
    void SegmentLoop();
    bool CaughtUp() const;

    std::unique_ptr<StreamRing> m_buffer;
    std::thread m_thread;
    std::vector<int32_t> m_sums;
    std::mutex m_fillMutex;
    std::condition_variable m_filled;
};

// Moves a synth's stream into a player that rewrites its own buffer from a
// write point each time (Deliver), keeping the stream seamless: the bytes the
// player holds at the new write point are found in what was handed over last
// time, and the cursor moves on by exactly that much.
class StreamFeeder {
public:
    explicit StreamFeeder(SoftSynth& synth) : m_synth(synth) {}
    // at: the player's current bytes at its write point (n of them) on entry,
    // the stream on return; estimate: how far the write point has moved since
    // the last delivery, in bytes. Returns the bytes delivered.
    uint32_t Deliver(uint8_t* at, uint32_t n, uint32_t estimate);
    // More of the same delivery (the player's region wrapped); 0 when the
    // previous part was not filled to its end.
    uint32_t Continue(uint8_t* at, uint32_t n);
    uint32_t Delivered() const { return m_delivered; }

private:
    SoftSynth& m_synth;
    uint32_t m_delivered = 0;
    uint32_t m_ready = 0;
    bool m_full = false;
};

}  // namespace hill_drive
