// The mixer: every buffer of every client, plus the extra sources, summed in
// floats and clipped to 16 bits. One recursive lock guards the whole state;
// Render holds it for one device buffer (well under a millisecond), so the
// frame loop's buffer calls never wait long.
#include "platform/audio/audio.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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
        return static_cast<int16_t>(p[0] | (p[1] << 8)) * (1.0f / 32768.0f);
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

// Band-limited resampling for sounds played at another rate than the
// output's: a Kaiser-windowed sinc, cut off at the lower of the two Nyquist
// frequencies. Linear interpolation left images of our 22050 Hz effects only
// 25 to 40 dB down and folded a raised sound's highs back down; this keeps
// both some 60 dB down or more.
class SincTable {
public:
    static constexpr int kZeros = 16;       // zero crossings each side
    static constexpr int kPerZero = 512;    // table points between crossings

    SincTable() : h_(kZeros * kPerZero + 2, 0.0f) {
        const double beta = 7.0, kPi = 3.14159265358979323846;
        auto bessel0 = [](double x) {
            double sum = 1, term = 1;
            for (int k = 1; k < 30; ++k) {
                term *= (x / (2 * k)) * (x / (2 * k));
                sum += term;
            }
            return sum;
        };
        for (int i = 0; i <= kZeros * kPerZero; ++i) {
            double x = static_cast<double>(i) / kPerZero, r = x / kZeros;
            double sinc = i == 0 ? 1.0 : std::sin(kPi * x) / (kPi * x);
            h_[i] = static_cast<float>(sinc * bessel0(beta * std::sqrt(std::max(0.0, 1 - r * r))) / bessel0(beta));
        }
    }
    // x in zero crossings; zero from kZeros on.
    float At(float x) const {
        x = std::fabs(x) * kPerZero;
        if (x >= kZeros * kPerZero) return 0.0f;
        int i = static_cast<int>(x);
        return h_[i] + (h_[i + 1] - h_[i]) * (x - static_cast<float>(i));
    }

private:
    std::vector<float> h_;
};

const SincTable& Sinc() {
    static const SincTable table;
    return table;
}

} // namespace

struct Voice {
    Format format;
    std::vector<uint8_t> data;
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
            pos += v.step;
            if (pos >= end) {
                if (!v.looping) {
                    v.playing = false;
                    pos = 0;
                    break;
                }
                pos %= end;
            }
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

    // A sound at another rate than the output's. Frames before the start and
    // after the end of a one-shot sound are silence; a looping one wraps.
    template <SampleKind K, bool Mono>
    void ResampleVoiceT(Voice& v, float* acc, int n) {
        const uint8_t* d = v.data.data();
        const long frames = static_cast<long>(v.frames);
        const uint32_t align = v.format.blockAlign;
        const uint32_t second = Mono ? 0 : static_cast<uint32_t>(v.format.bits / 8);
        const uint64_t end = static_cast<uint64_t>(frames) << 32;
        const float gl = v.gainL, gr = v.gainR;
        // The cut-off lies just under the lower Nyquist frequency (the
        // sound's, or the output's when raised in pitch), so that what sits
        // right at the sound's top edge is not mirrored just above it.
        const double ratio = static_cast<double>(v.step) / 4294967296.0;
        const float scale = static_cast<float>((ratio > 1.0 ? 1.0 / ratio : 1.0) * 0.95);
        const long reach = static_cast<long>(std::ceil(SincTable::kZeros / scale));
        const SincTable& table = Sinc();
        uint64_t pos = v.pos;
        for (int i = 0; i < n; ++i) {
            const long idx = static_cast<long>(pos >> 32);
            const float frac = static_cast<uint32_t>(pos) * (1.0f / 4294967296.0f);
            float l = 0.0f, r = 0.0f, sum = 0.0f;
            for (long k = 1 - reach; k <= reach; ++k) {
                const float w = table.At((static_cast<float>(k) - frac) * scale);
                sum += w;
                long j = idx + k;
                if (j < 0 || j >= frames) {
                    if (!v.looping) continue;
                    j = ((j % frames) + frames) % frames;
                }
                const uint8_t* p = d + static_cast<size_t>(j) * align;
                l += w * Sample<K>(p);
                if constexpr (!Mono) r += w * Sample<K>(p + second);
            }
            // The weights' sum is one in theory; dividing by it keeps a
            // steady level exact whatever the table's rounding.
            const float norm = sum != 0.0f ? 1.0f / sum : 0.0f;
            l *= norm;
            r = Mono ? l : r * norm;
            acc[2 * i] += l * gl;
            acc[2 * i + 1] += r * gr;
            pos += v.step;
            if (pos >= end) {
                if (!v.looping) {
                    v.playing = false;
                    pos = 0;
                    break;
                }
                pos %= end;
            }
        }
        v.pos = pos;
    }

    template <SampleKind K>
    void MixVoiceK(Voice& v, float* acc, int n) {
        // At the output's own rate every sample is taken as it is.
        const bool same = v.step == (1ull << 32);
        if (v.format.channels == 1) {
            if (same) MixVoiceT<K, true>(v, acc, n);
            else ResampleVoiceT<K, true>(v, acc, n);
        } else {
            if (same) MixVoiceT<K, false>(v, acc, n);
            else ResampleVoiceT<K, false>(v, acc, n);
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
        std::memcpy(v_.data.data() + v_.lockOffset, v_.scratch.data(), n1);
        if (n2) std::memcpy(v_.data.data(), v_.scratch.data() + v_.lockN1, n2);
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
        uint32_t ahead = 0;
        if (v_.playing) {
            // What the device has already been given, in source frames.
            uint64_t lead = (static_cast<uint64_t>(kDeviceBufferFrames) * v_.frequency + core_->rate - 1) / core_->rate + 1;
            // Resampling reads this far past the frame being heard.
            if (v_.frequency != static_cast<uint32_t>(core_->rate))
                lead += static_cast<uint64_t>(SincTable::kZeros) * std::max<uint32_t>(1, v_.frequency / core_->rate + 1);
            ahead = static_cast<uint32_t>(std::min<uint64_t>(lead, frames - 1));
        }
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
