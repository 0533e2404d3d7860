// The mixer: every buffer of every client, plus the extra sources, summed in
// floats and clipped to 16 bits. One recursive lock guards the whole state;
// Render holds it for one device buffer (well under a millisecond), so the
// frame loop's buffer calls never wait long.
#include "platform/audio/audio.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::audio {

bool IsPlayable(const Format& f) {
    if (f.channels < 1 || f.channels > 8) return false;
    if (f.rate < kFrequencyMin || f.rate > kFrequencyMax) return false;
    switch (f.tag) {
    case kTagPcm:
    case kTagExtensible:
        if (f.bits != 8 && f.bits != 16 && f.bits != 24 && f.bits != 32) return false;
        break;
    case kTagFloat:
        if (f.bits != 32) return false;
        break;
    default:
        return false;
    }
    return f.blockAlign == f.channels * (f.bits / 8);
}

float VolumeToGain(int32_t hundredthsDb) {
    if (hundredthsDb <= kVolumeMin) return 0.0f;
    if (hundredthsDb >= 0) return 1.0f;
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

void PanToGains(int32_t pan, float* left, float* right) {
    *left = pan > 0 ? VolumeToGain(-pan) : 1.0f;
    *right = pan < 0 ? VolumeToGain(pan) : 1.0f;
}

namespace {

enum class SampleKind { U8, S16, S24, S32, F32 };

template <SampleKind K>
inline float Sample(const uint8_t* p) {
    if constexpr (K == SampleKind::U8) {
        return (static_cast<int>(p[0]) - 128) * (1.0f / 128.0f);
    } else if constexpr (K == SampleKind::S16) {
        int16_t v;   // little-endian data on a little-endian host
        std::memcpy(&v, p, 2);
        if constexpr (std::endian::native == std::endian::big) v = static_cast<int16_t>(__builtin_bswap16(static_cast<uint16_t>(v)));
        return v * (1.0f / 32768.0f);
    } else if constexpr (K == SampleKind::S24) {
        int32_t v = static_cast<int32_t>((static_cast<uint32_t>(p[0]) << 8) | (static_cast<uint32_t>(p[1]) << 16) |
                                         (static_cast<uint32_t>(p[2]) << 24));
        return (v >> 8) * (1.0f / 8388608.0f);
    } else if constexpr (K == SampleKind::S32) {
        int32_t v;
        std::memcpy(&v, p, 4);
        return v * (1.0f / 2147483648.0f);
    } else {
        float v;
        std::memcpy(&v, p, 4);
        return std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
    }
}

template <SampleKind K>
constexpr uint32_t SampleBytes() {
    return K == SampleKind::U8 ? 1 : K == SampleKind::S16 ? 2 : K == SampleKind::S24 ? 3 : 4;
}

// Weighted sum of taps frames (a multiple of four) of float frames from q on
// (Channels 1 or 2 floats each), left and right. Four partial sums let the
// compiler keep the four lanes in one vector.
template <int Channels>
inline void Dot(const float* w, const float* q, int taps, float& l, float& r) {
    float l0 = 0, l1 = 0, l2 = 0, l3 = 0, r0 = 0, r1 = 0, r2 = 0, r3 = 0;
    for (int t = 0; t < taps; t += 4, w += 4, q += 4 * Channels) {
        l0 += w[0] * q[0];
        l1 += w[1] * q[Channels];
        l2 += w[2] * q[2 * Channels];
        l3 += w[3] * q[3 * Channels];
        if constexpr (Channels == 2) {
            r0 += w[0] * q[1];
            r1 += w[1] * q[3];
            r2 += w[2] * q[5];
            r3 += w[3] * q[7];
        }
    }
    l = (l0 + l1) + (l2 + l3);
    r = Channels == 2 ? (r0 + r1) + (r2 + r3) : l;
}

// Band-limited resampling for sounds played at another rate than the
// output's: a Kaiser-windowed sinc, cut off at the lower of the two Nyquist
// frequencies. Linear interpolation left images of our 22050 Hz effects only
// 25 to 40 dB down and folded a raised sound's highs back down; this keeps
// both some 60 dB down or more. The kernel is precomputed per sub-sample
// phase (a polyphase bank), so the audio thread only multiplies and adds.
constexpr int kSincZeros = 16;      // zero crossings each side at full cut-off
constexpr int kSincMaxTaps = 64;    // a far-raised sound gets a shorter window
constexpr int kSincPhaseBits = 9;   // 512 phases: timing error under 1/1024 frame

struct SincBank {
    static constexpr int kPhases = 1 << kSincPhaseBits;
    uint32_t key = 0;      // the quantised pitch ratio it was built for
    int taps = 0;          // source frames per output frame
    int first = 0;         // offset of the first tap from the frame being played
    std::vector<float> rows;   // (kPhases + 1) rows of taps weights, each summing to one

    // scale: cut-off relative to the source's Nyquist frequency.
    SincBank(uint32_t k, double scale) : key(k) {
        const double kPi = 3.14159265358979323846, beta = 7.0;
        const int reach = std::min(static_cast<int>(std::ceil(kSincZeros / scale)), kSincMaxTaps / 2);
        taps = (2 * reach + 3) & ~3;   // whole groups of four; the extra tap weighs nothing
        first = 1 - reach;
        auto bessel0 = [](double x) {
            double sum = 1, term = 1;
            for (int i = 1; i < 30; ++i) {
                term *= (x / (2 * i)) * (x / (2 * i));
                sum += term;
            }
            return sum;
        };
        const double norm = bessel0(beta);
        rows.resize(static_cast<size_t>(kPhases + 1) * taps);
        for (int p = 0; p <= kPhases; ++p) {
            float* row = &rows[static_cast<size_t>(p) * taps];
            double sum = 0;
            for (int t = 0; t < taps; ++t) {
                const double x = first + t - static_cast<double>(p) / kPhases;   // in source frames
                const double r = x / reach, arg = x * scale;
                const double sinc = arg == 0 ? 1.0 : std::sin(kPi * arg) / (kPi * arg);
                const double w = std::fabs(r) >= 1 ? 0.0 : sinc * bessel0(beta * std::sqrt(1 - r * r)) / norm;
                row[t] = static_cast<float>(w);
                sum += w;
            }
            // Each row sums to one, so a steady level stays exact.
            for (int t = 0; t < taps; ++t) row[t] = static_cast<float>(row[t] / sum);
        }
    }
};

// Pitch ratios above one are rounded up to 1/64 so a sliding pitch reuses a
// few banks; everything at or below the output's rate shares one.
uint32_t SincKey(uint64_t step) {
    if (step <= (1ull << 32)) return 64;
    return static_cast<uint32_t>(std::min<uint64_t>((step * 64 + (1ull << 32) - 1) >> 32, 1u << 20));
}

} // namespace

struct Voice {
    Format format;
    std::vector<uint8_t> data;
    // The first two channels as floats (one when mono), kept from the first
    // time the voice runs at another rate than the output's: resampling
    // reads many frames per output frame and these read fastest.
    std::vector<float> pcm;
    uint32_t frames = 0;
    bool playing = false;
    bool looping = false;
    uint64_t pos = 0;          // 32.32 frames
    uint32_t frequency = 0;
    uint64_t step = 0;         // 32.32 source frames per output frame
    int32_t volume = 0;
    int32_t pan = 0;
    float gainL = 1.0f, gainR = 1.0f;
    bool attached = true;      // false once its client is gone

    // The region handed out by Lock.
    bool locked = false;
    uint32_t lockOffset = 0, lockN1 = 0, lockN2 = 0;
    std::vector<uint8_t> scratch;
};

struct Ticker {
    int id;
    uint32_t periodMs;
    void (*fn)(void*);
    void* context;
    uint64_t startFrame;
    uint64_t count;
    uint64_t nextFrame;
};

struct Core {
    int rate;
    mutable std::recursive_mutex mutex;
    std::vector<Voice*> voices;
    std::vector<ISource*> sources;
    std::vector<Ticker> tickers;
    int nextTickerId = 1;
    uint64_t framesRendered = 0;
    std::vector<float> accum;
    PeakLimiter limiter;
    std::vector<std::unique_ptr<SincBank>> banks;   // most recently used last

    const SincBank& BankFor(uint64_t step) {
        const uint32_t key = SincKey(step);
        for (size_t i = 0; i < banks.size(); ++i)
            if (banks[i]->key == key) {
                if (i + 1 != banks.size()) std::rotate(banks.begin() + i, banks.begin() + i + 1, banks.end());
                return *banks.back();
            }
        if (banks.size() >= 16) banks.erase(banks.begin());
        banks.push_back(std::make_unique<SincBank>(key, 0.95 * 64.0 / key));
        return *banks.back();
    }

    explicit Core(int r) : rate(r > 0 ? r : kOutputRate), limiter(rate) {}

    void UpdateGains(Voice& v) {
        float l, r;
        PanToGains(v.pan, &l, &r);
        float g = VolumeToGain(v.volume);
        v.gainL = g * l;
        v.gainR = g * r;
    }
    void UpdateStep(Voice& v) { v.step = (static_cast<uint64_t>(v.frequency) << 32) / static_cast<uint64_t>(rate); }
    void Detach(Voice* v) {
        voices.erase(std::remove(voices.begin(), voices.end(), v), voices.end());
        v->attached = false;
        v->playing = false;
    }
    uint64_t TickFrame(const Ticker& t) const {
        // ceil(count * period * rate / 1000) frames after the start.
        uint64_t num = t.count * t.periodMs * static_cast<uint64_t>(rate);
        return t.startFrame + (num + 999) / 1000;
    }

    // Moves pos one output frame on; false once a one-shot sound has ended.
    static bool Advance(Voice& v, uint64_t& pos, uint64_t end) {
        pos += v.step;
        if (pos < end) return true;
        if (!v.looping) {
            v.playing = false;
            pos = 0;
            return false;
        }
        pos %= end;
        return true;
    }

    template <SampleKind K, bool Mono>
    void MixVoiceT(Voice& v, float* acc, int n) {
        const uint8_t* d = v.data.data();
        const uint32_t frames = v.frames;
        const uint32_t align = v.format.blockAlign;
        const uint32_t second = Mono ? 0 : static_cast<uint32_t>(v.format.bits / 8);
        const uint64_t end = static_cast<uint64_t>(frames) << 32;
        const float gl = v.gainL, gr = v.gainR;
        uint64_t pos = v.pos;
        for (int i = 0; i < n; ++i) {
            uint32_t idx = static_cast<uint32_t>(pos >> 32);
            uint32_t nxt = idx + 1;
            if (nxt >= frames) nxt = v.looping ? 0 : idx;
            const float frac = static_cast<uint32_t>(pos) * (1.0f / 4294967296.0f);
            const uint8_t* a = d + static_cast<size_t>(idx) * align;
            const uint8_t* b = d + static_cast<size_t>(nxt) * align;
            float l0 = Sample<K>(a), l1 = Sample<K>(b);
            float l = l0 + (l1 - l0) * frac;
            float r = l;
            if constexpr (!Mono) {
                float r0 = Sample<K>(a + second), r1 = Sample<K>(b + second);
                r = r0 + (r1 - r0) * frac;
            }
            acc[2 * i] += l * gl;
            acc[2 * i + 1] += r * gr;
            if (!Advance(v, pos, end)) break;
        }
        v.pos = pos;
    }

    void SkipVoice(Voice& v, int n) {
        const uint64_t end = static_cast<uint64_t>(v.frames) << 32;
        unsigned __int128 p = static_cast<unsigned __int128>(v.step) * static_cast<unsigned>(n) + v.pos;
        if (p >= end) {
            if (!v.looping) {
                v.playing = false;
                v.pos = 0;
                return;
            }
            p %= end;
        }
        v.pos = static_cast<uint64_t>(p);
    }

    template <SampleKind K>
    static void ToFloatT(Voice& v, uint32_t first, uint32_t count) {
        const size_t ch = v.format.channels == 1 ? 1 : 2;
        const uint8_t* p = v.data.data() + static_cast<size_t>(first) * v.format.blockAlign;
        float* out = v.pcm.data() + first * ch;
        for (uint32_t f = 0; f < count; ++f, p += v.format.blockAlign, out += ch) {
            out[0] = Sample<K>(p);
            if (ch == 2) out[1] = Sample<K>(p + SampleBytes<K>());
        }
    }
    static void ToFloat(Voice& v, uint32_t first, uint32_t count) {
        if (v.format.tag == kTagFloat) return ToFloatT<SampleKind::F32>(v, first, count);
        switch (v.format.bits) {
        case 8: return ToFloatT<SampleKind::U8>(v, first, count);
        case 16: return ToFloatT<SampleKind::S16>(v, first, count);
        case 24: return ToFloatT<SampleKind::S24>(v, first, count);
        default: return ToFloatT<SampleKind::S32>(v, first, count);
        }
    }
    // Called whenever the frequency changes: the float copy is made the
    // first time the voice leaves the output's rate (on the caller's thread).
    // silent: the data is a new buffer's silence, which is 0.0 in every format.
    void KeepPcm(Voice& v, bool silent = false) const {
        const size_t want = static_cast<size_t>(v.frames) * (v.format.channels == 1 ? 1 : 2);
        if (v.frequency == static_cast<uint32_t>(rate) || v.pcm.size() == want) return;
        v.pcm.assign(want, 0.0f);
        if (!silent) ToFloat(v, 0, v.frames);
    }
    // After bytes at byteOffset changed.
    static void RefreshPcm(Voice& v, uint32_t byteOffset, uint32_t bytes) {
        if (v.pcm.empty() || bytes == 0) return;
        const uint32_t align = v.format.blockAlign;
        const uint32_t a = byteOffset / align;
        const uint32_t b = std::min<uint32_t>(v.frames, static_cast<uint32_t>((uint64_t{byteOffset} + bytes + align - 1) / align));
        if (b > a) ToFloat(v, a, b - a);
    }

    // A sound at another rate than the output's. Frames before the start and
    // after the end of a one-shot sound are silence; a looping one wraps.
    template <bool Mono>
    void ResampleVoiceT(Voice& v, float* acc, int n) {
        KeepPcm(v);
        constexpr int kCh = Mono ? 1 : 2;
        const float* s = v.pcm.data();
        const long frames = static_cast<long>(v.frames);
        const uint64_t end = static_cast<uint64_t>(frames) << 32;
        const float gl = v.gainL, gr = v.gainR;
        // The cut-off lies just under the lower Nyquist frequency (the
        // sound's, or the output's when raised in pitch), so that what sits
        // right at the sound's top edge is not mirrored just above it.
        const SincBank& bank = BankFor(v.step);
        const int taps = bank.taps;
        uint64_t pos = v.pos;
        for (int i = 0; i < n; ++i) {
            const long idx = static_cast<long>(pos >> 32);
            const uint64_t phase = ((pos & 0xFFFFFFFFu) + (1ull << (31 - kSincPhaseBits))) >> (32 - kSincPhaseBits);
            const float* w = &bank.rows[phase * taps];
            const long j0 = idx + bank.first;
            float l = 0.0f, r = 0.0f;
            if (j0 >= 0 && j0 + taps <= frames) {
                Dot<kCh>(w, s + j0 * kCh, taps, l, r);
            } else {
                // Near the ends: silence outside a one-shot sound, a looping one wraps.
                for (int t = 0; t < taps; ++t) {
                    long j = j0 + t;
                    if (j < 0 || j >= frames) {
                        if (!v.looping) continue;
                        j = ((j % frames) + frames) % frames;
                    }
                    l += w[t] * s[j * kCh];
                    r += w[t] * s[j * kCh + kCh - 1];
                }
            }
            acc[2 * i] += l * gl;
            acc[2 * i + 1] += r * gr;
            if (!Advance(v, pos, end)) break;
        }
        v.pos = pos;
    }

    template <SampleKind K>
    void MixVoiceK(Voice& v, float* acc, int n) {
        // At the output's own rate every sample is taken as it is.
        const bool same = v.step == (1ull << 32);
        if (v.format.channels == 1) {
            if (same) MixVoiceT<K, true>(v, acc, n);
            else ResampleVoiceT<true>(v, acc, n);
        } else {
            if (same) MixVoiceT<K, false>(v, acc, n);
            else ResampleVoiceT<false>(v, acc, n);
        }
    }

    void MixVoice(Voice& v, float* acc, int n) {
        if (v.frames == 0) {
            v.playing = false;
            return;
        }
        if (v.gainL == 0.0f && v.gainR == 0.0f) {
            SkipVoice(v, n);
            return;
        }
        if (v.format.tag == kTagFloat) {
            MixVoiceK<SampleKind::F32>(v, acc, n);
            return;
        }
        switch (v.format.bits) {
        case 8: MixVoiceK<SampleKind::U8>(v, acc, n); break;
        case 16: MixVoiceK<SampleKind::S16>(v, acc, n); break;
        case 24: MixVoiceK<SampleKind::S24>(v, acc, n); break;
        default: MixVoiceK<SampleKind::S32>(v, acc, n); break;
        }
    }

    void MixChunk(float* acc, int n) {
        for (Voice* v : voices)
            if (v->playing) MixVoice(*v, acc, n);
        for (ISource* s : sources) s->Mix(acc, n);
    }
};

// ---- buffers and clients -------------------------------------------------

class ClientImpl;

class BufferImpl final : public IBuffer {
public:
    BufferImpl(std::shared_ptr<Core> core, ClientImpl* owner, const Format& format, uint32_t bytes)
        : core_(std::move(core)), owner_(owner) {
        v_.format = format;
        v_.frames = bytes / format.blockAlign;
        v_.data.assign(bytes, format.bits == 8 && format.tag != kTagFloat ? 0x80 : 0x00);
        v_.frequency = format.rate;
        core_->UpdateStep(v_);
        core_->KeepPcm(v_, true);
        core_->UpdateGains(v_);
        core_->voices.push_back(&v_);
    }
    ~BufferImpl() override;

    uint32_t Size() const override { return static_cast<uint32_t>(v_.data.size()); }
    Format GetFormat() const override { return v_.format; }

    int Lock(uint32_t offset, uint32_t bytes, void** p1, uint32_t* n1, void** p2, uint32_t* n2) override {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        const uint32_t size = Size();
        if (!p1 || !n1 || v_.locked || offset >= size || bytes > size) return kInvalidParam;
        uint32_t first = std::min(bytes, size - offset);
        uint32_t second = bytes - first;
        if (second && (!p2 || !n2)) return kInvalidParam;
        v_.scratch.resize(std::max<uint32_t>(bytes, 1));
        std::memcpy(v_.scratch.data(), v_.data.data() + offset, first);
        if (second) std::memcpy(v_.scratch.data() + first, v_.data.data(), second);
        v_.locked = true;
        v_.lockOffset = offset;
        v_.lockN1 = first;
        v_.lockN2 = second;
        *p1 = v_.scratch.data();
        *n1 = first;
        if (p2) *p2 = second ? v_.scratch.data() + first : nullptr;
        if (n2) *n2 = second;
        return kOk;
    }

    int Unlock(void* p1, uint32_t n1, void* p2, uint32_t n2) override {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        if (!v_.locked || p1 != v_.scratch.data() || n1 > v_.lockN1) return kInvalidParam;
        if (n2 && (p2 != v_.scratch.data() + v_.lockN1 || n2 > v_.lockN2)) return kInvalidParam;
        // The frames from the play cursor to the write cursor count as given
        // to the device already, as a hardware buffer's are: a stream
        // rewritten from its write cursor round the whole ring must not
        // silence what is about to be heard.
        const uint32_t align = v_.format.blockAlign, size = Size();
        const uint32_t keepAt = v_.frames ? static_cast<uint32_t>(v_.pos >> 32) % v_.frames * align : 0;
        std::vector<uint8_t> kept(static_cast<size_t>(GivenFrames()) * align);
        for (size_t i = 0; i < kept.size(); ++i) kept[i] = v_.data[(keepAt + i) % size];
        std::memcpy(v_.data.data() + v_.lockOffset, v_.scratch.data(), n1);
        if (n2) std::memcpy(v_.data.data(), v_.scratch.data() + v_.lockN1, n2);
        for (size_t i = 0; i < kept.size(); ++i) v_.data[(keepAt + i) % size] = kept[i];
        Core::RefreshPcm(v_, v_.lockOffset, n1);
        Core::RefreshPcm(v_, 0, n2);
        v_.locked = false;
        // A static sound is filled once with the whole file: give that back.
        if (v_.scratch.capacity() > (256u << 10)) std::vector<uint8_t>().swap(v_.scratch);
        return kOk;
    }

    int Play(bool looping) override {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        if (!v_.attached) return kInvalidCall;
        v_.looping = looping;
        v_.playing = true;
        return kOk;
    }
    int Stop() override {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        v_.playing = false;
        return kOk;
    }
    bool IsPlaying() const override {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        return v_.playing;
    }
    bool IsLooping() const override {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        return v_.looping;
    }

    int GetCurrentPosition(uint32_t* play, uint32_t* write) const override {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        const uint32_t frames = std::max<uint32_t>(v_.frames, 1);
        uint32_t idx = std::min<uint32_t>(static_cast<uint32_t>(v_.pos >> 32), frames - 1);
        const uint32_t ahead = GivenFrames();
        if (play) *play = idx * v_.format.blockAlign;
        if (write) *write = ((idx + ahead) % frames) * v_.format.blockAlign;
        return kOk;
    }
    int SetCurrentPosition(uint32_t offset) override {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        if (offset >= Size()) return kInvalidParam;
        v_.pos = static_cast<uint64_t>(offset / v_.format.blockAlign) << 32;
        return kOk;
    }

    int SetVolume(int32_t db) override {
        if (db < kVolumeMin || db > kVolumeMax) return kInvalidParam;
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        v_.volume = db;
        core_->UpdateGains(v_);
        return kOk;
    }
    int32_t GetVolume() const override {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        return v_.volume;
    }
    int SetPan(int32_t pan) override {
        if (pan < kPanLeft || pan > kPanRight) return kInvalidParam;
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        v_.pan = pan;
        core_->UpdateGains(v_);
        return kOk;
    }
    int32_t GetPan() const override {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        return v_.pan;
    }
    int SetFrequency(uint32_t hz) override {
        if (hz == kFrequencyOriginal) hz = v_.format.rate;
        if (hz < kFrequencyMin || hz > kFrequencyMax) return kInvalidParam;
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        v_.frequency = hz;
        core_->UpdateStep(v_);
        core_->KeepPcm(v_);
        return kOk;
    }
    uint32_t GetFrequency() const override {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        return v_.frequency;
    }

    // Under the core lock.
    void Orphan() {
        owner_ = nullptr;
        if (v_.attached) core_->Detach(&v_);
    }

private:
    // While playing: the frames past the play cursor the device has already
    // been given (the write cursor's lead). Under the core lock.
    uint32_t GivenFrames() const {
        if (!v_.playing || v_.frames == 0) return 0;
        uint64_t lead = (static_cast<uint64_t>(kDeviceBufferFrames) * v_.frequency + core_->rate - 1) / core_->rate + 1;
        // Resampling reads this far past the frame being heard.
        if (v_.frequency != static_cast<uint32_t>(core_->rate)) lead += kSincMaxTaps / 2;
        return static_cast<uint32_t>(std::min<uint64_t>(lead, v_.frames - 1));
    }

    std::shared_ptr<Core> core_;
    ClientImpl* owner_;
    Voice v_;
};

class ClientImpl final : public IClient {
public:
    explicit ClientImpl(std::shared_ptr<Core> core) : core_(std::move(core)) {}
    ~ClientImpl() override {
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        for (BufferImpl* b : buffers_) b->Orphan();
        buffers_.clear();
    }
    std::unique_ptr<IBuffer> CreateBuffer(const Format& format, uint32_t bytes, int* result) override {
        int dummy;
        int& r = result ? *result : dummy;
        if (!IsPlayable(format)) {
            r = kBadFormat;
            return nullptr;
        }
        if (bytes < format.blockAlign || bytes < 4 || bytes > 0x0FFFFFFFu) {
            r = kInvalidParam;
            return nullptr;
        }
        std::lock_guard<std::recursive_mutex> lock(core_->mutex);
        std::unique_ptr<BufferImpl> b;
        try {
            b = std::make_unique<BufferImpl>(core_, this, format, bytes);
        } catch (const std::bad_alloc&) {
            r = kOutOfMemory;
            return nullptr;
        }
        buffers_.push_back(b.get());
        r = kOk;
        return b;
    }
    // Under the core lock.
    void Forget(BufferImpl* b) { buffers_.erase(std::remove(buffers_.begin(), buffers_.end(), b), buffers_.end()); }

private:
    std::shared_ptr<Core> core_;
    std::vector<BufferImpl*> buffers_;
};

BufferImpl::~BufferImpl() {
    std::lock_guard<std::recursive_mutex> lock(core_->mutex);
    if (owner_) owner_->Forget(this);
    if (v_.attached) core_->Detach(&v_);
}

// ---- the mixer -------------------------------------------------------------

struct Mixer::Impl {
    std::shared_ptr<Core> core;
};

Mixer::Mixer(int rate) : impl_(std::make_unique<Impl>()) {
    impl_->core = std::make_shared<Core>(rate);
}

Mixer::~Mixer() = default;

std::unique_ptr<IClient> Mixer::OpenClient() { return std::make_unique<ClientImpl>(impl_->core); }

void Mixer::AddSource(ISource* source) {
    Core& c = *impl_->core;
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    if (source && std::find(c.sources.begin(), c.sources.end(), source) == c.sources.end()) c.sources.push_back(source);
}

void Mixer::RemoveSource(ISource* source) {
    Core& c = *impl_->core;
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    c.sources.erase(std::remove(c.sources.begin(), c.sources.end(), source), c.sources.end());
}

int Mixer::AddTicker(uint32_t periodMs, void (*fn)(void*), void* context) {
    if (periodMs == 0 || !fn) return 0;
    Core& c = *impl_->core;
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    Ticker t{c.nextTickerId++, periodMs, fn, context, c.framesRendered, 1, 0};
    t.nextFrame = c.TickFrame(t);
    c.tickers.push_back(t);
    return t.id;
}

void Mixer::RemoveTicker(int id) {
    Core& c = *impl_->core;
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    c.tickers.erase(std::remove_if(c.tickers.begin(), c.tickers.end(), [id](const Ticker& t) { return t.id == id; }),
                    c.tickers.end());
}

void Mixer::Render(int16_t* out, int frames) {
    if (frames <= 0) return;
    Core& c = *impl_->core;
    std::lock_guard<std::recursive_mutex> lock(c.mutex);
    c.accum.assign(static_cast<size_t>(frames) * 2, 0.0f);
    int done = 0;
    while (done < frames) {
        // Tickers due now run before the frames that follow them.
        for (size_t i = 0; i < c.tickers.size(); ++i) {
            if (c.tickers[i].nextFrame <= c.framesRendered) {
                Ticker t = c.tickers[i];
                c.tickers[i].count++;
                c.tickers[i].nextFrame = c.TickFrame(c.tickers[i]);
                t.fn(t.context);
            }
        }
        uint64_t n = static_cast<uint64_t>(frames - done);
        for (const Ticker& t : c.tickers)
            if (t.nextFrame > c.framesRendered) n = std::min<uint64_t>(n, t.nextFrame - c.framesRendered);
        c.MixChunk(c.accum.data() + 2 * done, static_cast<int>(n));
        c.framesRendered += n;
        done += static_cast<int>(n);
    }
    c.limiter.Process(c.accum.data(), frames);
    for (int i = 0; i < frames * 2; ++i) {
        float s = c.accum[i] * 32768.0f;
        s = std::clamp(s, -32768.0f, 32767.0f);
        out[i] = static_cast<int16_t>(std::lrintf(s));
    }
}

// ---- the master-bus limiter ------------------------------------------------

PeakLimiter::PeakLimiter(int rate) {
    // About 60 ms to recover: long enough that the gain does not follow the
    // waveform (which would distort), short enough not to pump audibly.
    decay_ = std::exp(-1.0f / (0.060f * static_cast<float>(rate > 0 ? rate : kOutputRate)));
}

void PeakLimiter::Process(float* stereo, int frames) {
    for (int i = 0; i < frames; ++i) {
        float& l = stereo[2 * i];
        float& r = stereo[2 * i + 1];
        if (!std::isfinite(l)) l = 0.0f;
        if (!std::isfinite(r)) r = 0.0f;
        float peak = std::max(std::fabs(l), std::fabs(r));
        // Instant attack: a frame that would pass full scale is brought just
        // under it; both sides get the same gain so the image holds.
        if (peak * (1.0f - reduction_) > 1.0f) reduction_ = 1.0f - kTarget / peak;
        if (reduction_ != 0.0f) {
            l *= 1.0f - reduction_;
            r *= 1.0f - reduction_;
            // The reduction (not the gain) decays, so it keeps shrinking in
            // float; once it is below half a 16-bit step at full scale it is
            // dropped and what follows passes bit for bit.
            reduction_ *= decay_;
            if (reduction_ < 1.0e-5f) reduction_ = 0.0f;
        }
    }
}

int Mixer::Rate() const { return impl_->core->rate; }

uint64_t Mixer::FramesRendered() const {
    std::lock_guard<std::recursive_mutex> lock(impl_->core->mutex);
    return impl_->core->framesRendered;
}

uint32_t Mixer::TimeMs() const {
    return static_cast<uint32_t>(FramesRendered() * 1000 / static_cast<uint64_t>(impl_->core->rate));
}

int Mixer::PlayingBuffers() const {
    std::lock_guard<std::recursive_mutex> lock(impl_->core->mutex);
    int n = 0;
    for (const Voice* v : impl_->core->voices) n += v->playing ? 1 : 0;
    return n;
}

} // namespace platform::audio
