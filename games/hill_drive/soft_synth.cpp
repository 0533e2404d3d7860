#include "games/hill_drive/soft_synth.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <system_error>

namespace hill_drive {

void SquareWave(SynthVoice& v) {
    for (int i = 0; i < 256; ++i) v.wave[i] = static_cast<int8_t>(i < 128 ? 127 : -128);
}

void SawWave(SynthVoice& v) {
    for (int i = 0; i < 256; ++i) v.wave[i] = static_cast<int8_t>(i - 128);
}

void TriangleWave(SynthVoice& v) {
    for (int i = 0; i < 256; ++i) v.wave[i] = static_cast<int8_t>(i < 128 ? 2 * i - 128 : 383 - 2 * i);
}

// ---- stream buffer -----------------------------------------------------------

StreamRing::StreamRing(uint32_t bytes, Listener* listener) : m_data(bytes, 0), m_listener(listener) {}

bool StreamRing::Lock(uint32_t offset, uint32_t bytes, uint8_t** p1, uint32_t* n1, uint8_t** p2, uint32_t* n2) {
    const uint32_t size = Size();
    if (!p1 || !n1 || offset >= size || bytes > size) return false;
    const uint32_t first = std::min(bytes, size - offset);
    *p1 = m_data.data() + offset;
    *n1 = first;
    if (p2) *p2 = bytes > first ? m_data.data() : nullptr;
    if (n2) *n2 = bytes - first;
    return bytes == first || (p2 && n2);
}

void StreamRing::Unlock() {}

void StreamRing::Play() {
    if (m_playing.exchange(true)) return;
    if (m_listener) m_listener->OnPlay();
}

void StreamRing::Stop() {
    if (!m_playing.exchange(false)) return;
    if (m_listener) m_listener->OnStop();
    Wake();
}

void StreamRing::SetCurrentPosition(uint32_t offset) {
    if (offset < Size()) m_cursor = offset;
}

void StreamRing::Consume(uint32_t bytes) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_cursor = static_cast<uint32_t>((static_cast<uint64_t>(m_cursor.load()) + bytes) % Size());
        ++m_wakes;
    }
    m_moved.notify_all();
}

void StreamRing::Peek(uint32_t offset, uint8_t* out, uint32_t n) const {
    const uint32_t size = Size();
    offset %= size;
    while (n > 0) {
        const uint32_t part = std::min(n, size - offset);
        std::memcpy(out, m_data.data() + offset, part);
        out += part;
        n -= part;
        offset = 0;
    }
}

void StreamRing::WaitMoved(uint32_t from, int milliseconds) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const uint64_t wakes = m_wakes;
    m_moved.wait_for(lock, std::chrono::milliseconds(milliseconds),
                     [&] { return m_cursor.load() != from || m_wakes != wakes; });
}

void StreamRing::Wake() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_wakes;
    }
    m_moved.notify_all();
}

// ---- synthesizer -------------------------------------------------------------

SoftSynth::~SoftSynth() { Stop(); }

int16_t SoftSynth::Init(StreamDevice* device, int sampleRate) {
    if (!device || sampleRate < 4000 || sampleRate > 192000) return -100;
    rate = sampleRate;
    segmentFrames = rate / 50;
    segmentBytes = 4 * segmentFrames;
    bufferBytes = kSegments * segmentBytes;
    m_buffer = device->CreateStreamBuffer(2, rate, static_cast<uint32_t>(bufferBytes));
    if (!m_buffer) return -1;
    try {
        m_sums.assign(static_cast<size_t>(bufferBytes) / 2, 0);   // 2 x bufferBytes bytes
    } catch (const std::bad_alloc&) {
        m_buffer.reset();
        return -101;
    }
    pitchTable[0] = 0;
    for (int i = 1; i < kPitchEntries; ++i) {
        if (i >= 32512) {
            pitchTable[i] = 0;
            continue;
        }
        const double inc = std::pow(2.0, (i - 17664) / 3072.0) * (256.0 / rate) * 440.0 * 65536.0;
        pitchTable[i] = static_cast<uint32_t>(inc);
    }
    for (SynthVoice& v : voices) {
        v.flags = 0;
        v.volume = 1024;
        v.pitch = 15360;
        v.pan = 0;
        v.step = 0;
        v.phase = 0;
        SquareWave(v);
    }
    running = 0;
    voicesOn = 1;
    return 0;
}

int16_t SoftSynth::Start() {
    if (running || !m_buffer) return 0;
    running = 1;
    lastSegment = -1;
    m_buffer->SetCurrentPosition(0);
    try {
        m_thread = std::thread([this] { SegmentLoop(); });
    } catch (const std::system_error&) {
        running = 0;
        return -1;
    }
    m_buffer->Play();
    return 0;
}

void SoftSynth::Stop() {
    if (running) {
        if (m_buffer) m_buffer->Stop();
        running = 0;
        if (m_buffer) m_buffer->Wake();
        m_filled.notify_all();
    }
    // The thread polls `running` at least every 3 ms, so the join is short
    // and never leaves it holding the buffer.
    if (m_thread.joinable()) m_thread.join();
    std::vector<int32_t>().swap(m_sums);
    m_buffer.reset();
}

void SoftSynth::SegmentLoop() {
    while (running) {
        const uint32_t play = m_buffer->GetCurrentPosition();
        const int playing = static_cast<int>(play / static_cast<uint32_t>(segmentBytes));
        const int next = (lastSegment + 1) % kSegments;
        if (next == playing)
            m_buffer->WaitMoved(play, 3);
        else
            FillSegment(next);
    }
}

void SoftSynth::RenderVoices(int32_t* sums, int frames) {
    for (SynthVoice& v : voices) {
        if (!(v.flags.load(std::memory_order_relaxed) & 1)) continue;
        int volume = v.volume.load(std::memory_order_relaxed);
        if (volume < 1) {
            v.volume = 0;
            continue;
        }
        volume = std::min(volume, 1024);
        v.volume = static_cast<int16_t>(volume);
        const int pan = std::clamp<int>(v.pan.load(std::memory_order_relaxed), -1024, 1024);
        v.pan = static_cast<int16_t>(pan);
        const int32_t left = volume - pan;
        const int32_t right = volume + pan;
        const int16_t pitch = v.pitch.load(std::memory_order_relaxed);
        if (!(v.flags.load(std::memory_order_relaxed) & 2)) {
            const uint32_t step = pitchTable[pitch & 0x7FFF];
            v.step = static_cast<int32_t>(step);
            if (step == 0) continue;
            uint32_t phase = static_cast<uint32_t>(v.phase);
            for (int i = 0; i < frames; ++i) {
                const int32_t s = v.wave[(phase >> 16) & 255];
                sums[2 * i] += s * left;
                sums[2 * i + 1] += s * right;
                phase += step;
            }
            v.phase = static_cast<int32_t>(phase & 0xFFFFFF);
        } else {
            const uint32_t hold = static_cast<uint16_t>(pitch);
            uint32_t counter = static_cast<uint32_t>(v.step);
            uint32_t state = static_cast<uint32_t>(v.phase);
            for (int i = 0; i < frames; ++i) {
                if (++counter > hold) {
                    state = state * 3579u + 13579u;
                    counter = 0;
                }
                const int32_t s = static_cast<int8_t>((state >> 1) & 0xFF);
                sums[2 * i] += s * left;
                sums[2 * i + 1] += s * right;
            }
            v.phase = static_cast<int32_t>(state);
            v.step = static_cast<int32_t>(counter);
        }
    }
}

void SoftSynth::FillSegment(int s) {
    if (!m_buffer || m_sums.empty() || s < 0 || s >= kSegments) return;
    int32_t* sums = m_sums.data();
    std::fill(sums, sums + 2 * segmentFrames, 0);
    if (voicesOn) RenderVoices(sums, segmentFrames);
    uint8_t* p1 = nullptr;
    uint8_t* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (!m_buffer->Lock(static_cast<uint32_t>(s * segmentBytes), static_cast<uint32_t>(segmentBytes), &p1, &n1,
                        &p2, &n2))
        return;
    const int32_t* in = sums;
    for (int part = 0; part < 2; ++part) {
        int16_t* out = reinterpret_cast<int16_t*>(part == 0 ? p1 : p2);
        const uint32_t samples = (part == 0 ? n1 : n2) / 2;
        for (uint32_t i = 0; out && i < samples; ++i) out[i] = static_cast<int16_t>(std::clamp(*in++ >> 4, -32768, 32767));
    }
    m_buffer->Unlock();
    {
        std::lock_guard<std::mutex> lock(m_fillMutex);
        lastSegment = s;
    }
    m_filled.notify_all();
}

bool SoftSynth::CaughtUp() const {
    const uint32_t play = m_buffer->GetCurrentPosition();
    return (lastSegment + 1) % kSegments == static_cast<int>(play / static_cast<uint32_t>(segmentBytes));
}

uint32_t SoftSynth::ReadyBytes(int milliseconds) {
    if (!m_buffer) return 0;
    if (running && milliseconds > 0) {
        std::unique_lock<std::mutex> lock(m_fillMutex);
        m_filled.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return !running || CaughtUp(); });
    }
    const int last = lastSegment;
    if (last < 0) return 0;
    const uint32_t end = static_cast<uint32_t>(((last + 1) % kSegments) * segmentBytes);
    const uint32_t size = m_buffer->Size();
    // The newest segment ends where the cursor's segment begins once the
    // thread has caught up: then the whole ring lies ahead.
    const uint32_t ahead = (end + size - m_buffer->GetCurrentPosition()) % size;
    return ahead == 0 ? size : ahead;
}

// ---- feeding a player ----------------------------------------------------------

uint32_t StreamFeeder::Deliver(uint8_t* at, uint32_t n, uint32_t estimate) {
    StreamRing* ring = m_synth.Buffer();
    if (!ring || !at) return 0;
    constexpr uint32_t kProbe = 64;     // bytes compared: 16 stereo frames
    constexpr uint32_t kSearch = 1024;  // how far the estimate may be off
    estimate -= estimate % 4;
    uint32_t moved = estimate;
    if (n >= kProbe && m_delivered >= kProbe) {
        const uint32_t cursor = ring->GetCurrentPosition();
        uint8_t probe[kProbe];
        for (uint32_t d = 0; d <= kSearch; d += 4) {
            bool found = false;
            for (int sign = 0; sign < 2 && !found; ++sign) {
                if (sign && d == 0) continue;
                if (!sign && d > estimate) continue;
                const uint32_t j = sign ? estimate + d : estimate - d;
                if (j + kProbe > m_delivered) continue;
                ring->Peek(cursor + j, probe, kProbe);
                if (std::memcmp(probe, at, kProbe) == 0) {
                    moved = j;
                    found = true;
                }
            }
            if (found) break;
        }
    }
    ring->Consume(moved);
    m_ready = m_synth.ReadyBytes(50);
    const uint32_t count = std::min(m_ready, n);
    ring->Peek(ring->GetCurrentPosition(), at, count);
    m_delivered = count;
    m_full = count == n;
    return count;
}

uint32_t StreamFeeder::Continue(uint8_t* at, uint32_t n) {
    StreamRing* ring = m_synth.Buffer();
    if (!ring || !at || !m_full) return 0;
    const uint32_t count = std::min(m_ready - m_delivered, n);
    ring->Peek(ring->GetCurrentPosition() + m_delivered, at, count);
    m_delivered += count;
    m_full = count == n;
    return count;
}

}  // namespace hill_drive
