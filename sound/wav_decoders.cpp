#include "sound/wav_decoders.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "plugin_api/tev_sound.h"

namespace tev_sound {

namespace {

constexpr uint16_t kTagMsAdpcm = 0x0002;
constexpr uint16_t kTagFloat = kTagIeeeFloat;
constexpr uint16_t kTagALaw = 0x0006;
constexpr uint16_t kTagMuLaw = 0x0007;
constexpr uint16_t kTagImaAdpcm = 0x0011;

int16_t Clamp16(int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }
int16_t Le16(const uint8_t* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }

// ---- IMA ADPCM ----

const int kImaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kImaIndex[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

struct ImaState {
    int predictor = 0;
    int index = 0;
    int16_t Decode(int nibble) {
        const int step = kImaSteps[index];
        int diff = step >> 3;
        if (nibble & 1) diff += step >> 2;
        if (nibble & 2) diff += step >> 1;
        if (nibble & 4) diff += step;
        predictor = (nibble & 8) ? predictor - diff : predictor + diff;
        predictor = Clamp16(predictor);
        index = std::clamp(index + kImaIndex[nibble & 7], 0, 88);
        return static_cast<int16_t>(predictor);
    }
};

class ImaAdpcm final : public WavDecoder {
public:
    ImaAdpcm(uint32_t channels, uint32_t blockAlign, uint32_t samplesPerBlock) {
        channels_ = channels;
        sourceBlock_ = blockAlign;
        samplesPerBlock_ = samplesPerBlock;
        outputBlock_ = samplesPerBlock * channels * 2;
    }
    uint32_t samplesPerBlock_;

protected:
    uint32_t SamplesIn(uint32_t bytes) const override {
        if (bytes < 4 * channels_) return 0;
        // After the headers, groups of 4 bytes (8 samples) per channel.
        uint32_t groups = (bytes - 4 * channels_) / (4 * channels_);
        return std::min(samplesPerBlock_, 1 + groups * 8);
    }
    void DecodeBlock(const uint8_t* block, uint32_t bytes, int16_t* out) const override {
        const uint32_t samples = SamplesIn(bytes);
        const uint32_t ch = channels_;
        ImaState state[8];
        for (uint32_t c = 0; c < ch; ++c) {
            state[c].predictor = Le16(block + 4 * c);
            state[c].index = std::min<int>(block[4 * c + 2], 88);
            out[c] = static_cast<int16_t>(state[c].predictor);
        }
        const uint8_t* data = block + 4 * ch;
        for (uint32_t s = 1; s < samples; s += 8) {
            for (uint32_t c = 0; c < ch; ++c) {
                const uint8_t* g = data + 4 * c;
                for (uint32_t k = 0; k < 8 && s + k < samples; ++k) {
                    int nibble = (g[k / 2] >> ((k & 1) * 4)) & 0x0F;
                    out[(s + k) * ch + c] = state[c].Decode(nibble);
                }
            }
            data += 4 * ch;
        }
    }
};

// ---- Microsoft ADPCM ----

const int kMsAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
const int16_t kMsDefaultCoefs[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

class MsAdpcm final : public WavDecoder {
public:
    MsAdpcm(uint32_t channels, uint32_t blockAlign, uint32_t samplesPerBlock, std::vector<int16_t> coefs) {
        channels_ = channels;
        sourceBlock_ = blockAlign;
        samplesPerBlock_ = samplesPerBlock;
        outputBlock_ = samplesPerBlock * channels * 2;
        coefs_ = std::move(coefs);
    }

protected:
    uint32_t SamplesIn(uint32_t bytes) const override {
        if (bytes < 7 * channels_) return 0;
        return std::min(samplesPerBlock_, 2 + (bytes - 7 * channels_) * 2 / channels_);
    }
    void DecodeBlock(const uint8_t* block, uint32_t bytes, int16_t* out) const override {
        const uint32_t samples = SamplesIn(bytes);
        const uint32_t ch = channels_;
        const uint32_t pairs = static_cast<uint32_t>(coefs_.size() / 2);
        int c1[2], c2[2], delta[2], s1[2], s2[2];
        for (uint32_t c = 0; c < ch; ++c) {
            uint32_t pred = block[c];
            if (pred >= pairs) pred = 0;   // a corrupt predictor index: the plain one
            c1[c] = coefs_[2 * pred];
            c2[c] = coefs_[2 * pred + 1];
            delta[c] = Le16(block + ch + 2 * c);
            s1[c] = Le16(block + 3 * ch + 2 * c);
            s2[c] = Le16(block + 5 * ch + 2 * c);
            out[c] = static_cast<int16_t>(s2[c]);
            if (samples > 1) out[ch + c] = static_cast<int16_t>(s1[c]);
        }
        const uint8_t* data = block + 7 * ch;
        uint32_t n = 0;   // nibble counter over the interleaved samples
        for (uint32_t s = 2; s < samples; ++s) {
            for (uint32_t c = 0; c < ch; ++c, ++n) {
                int nibble = (n & 1) ? (data[n / 2] & 0x0F) : (data[n / 2] >> 4);
                int signedNibble = nibble >= 8 ? nibble - 16 : nibble;
                // 64-bit sum: two extreme history samples and coefficients reach 2^31.
                // The reference codec shifts: the division rounds toward minus infinity.
                int pred = static_cast<int>((int64_t{s1[c]} * c1[c] + int64_t{s2[c]} * c2[c]) >> 8) +
                           signedNibble * delta[c];
                pred = Clamp16(pred);
                s2[c] = s1[c];
                s1[c] = pred;
                // A damaged header's step would grow past int; capped where the usual decoders cap it.
                delta[c] = std::clamp(kMsAdapt[nibble] * delta[c] / 256, 16, INT_MAX / 768);
                out[s * ch + c] = static_cast<int16_t>(pred);
            }
        }
    }

private:
    uint32_t samplesPerBlock_;
    std::vector<int16_t> coefs_;
};

// ---- G.711 ----

int16_t MuLawToLinear(uint8_t u) {
    u = static_cast<uint8_t>(~u);
    int t = ((u & 0x0F) << 3) + 0x84;
    t <<= (u & 0x70) >> 4;
    return static_cast<int16_t>((u & 0x80) ? (0x84 - t) : (t - 0x84));
}

int16_t ALawToLinear(uint8_t a) {
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    int seg = (a & 0x70) >> 4;
    switch (seg) {
    case 0: t += 8; break;
    case 1: t += 0x108; break;
    default: t += 0x108; t <<= seg - 1; break;
    }
    return static_cast<int16_t>((a & 0x80) ? t : -t);
}

class G711 final : public WavDecoder {
public:
    G711(uint32_t channels, bool muLaw) : muLaw_(muLaw) {
        channels_ = channels;
        sourceBlock_ = channels;
        outputBlock_ = channels * 2;
    }

protected:
    uint32_t SamplesIn(uint32_t bytes) const override { return bytes / channels_; }
    void DecodeBlock(const uint8_t* block, uint32_t bytes, int16_t* out) const override {
        for (uint32_t i = 0; i < bytes; ++i) out[i] = muLaw_ ? MuLawToLinear(block[i]) : ALawToLinear(block[i]);
    }

private:
    bool muLaw_;
};

// ---- IEEE float (32 or 64 bits), full scale +-1.0 ----

int16_t FloatToPcm16(double v) {
    if (std::isnan(v)) return 0;
    const double s = v * 32768.0;
    if (s >= 32767.0) return 32767;
    if (s <= -32768.0) return -32768;
    return static_cast<int16_t>(std::lround(s));
}

class FloatPcm final : public WavDecoder {
public:
    FloatPcm(uint32_t channels, uint32_t bytesPerSample) : bytesPerSample_(bytesPerSample) {
        channels_ = channels;
        sourceBlock_ = channels * bytesPerSample;
        outputBlock_ = channels * 2;
    }

protected:
    uint32_t SamplesIn(uint32_t bytes) const override { return bytes / sourceBlock_; }
    void DecodeBlock(const uint8_t* block, uint32_t bytes, int16_t* out) const override {
        const uint32_t n = bytes / sourceBlock_ * channels_;
        for (uint32_t i = 0; i < n; ++i, block += bytesPerSample_) {
            if (bytesPerSample_ == 4) {
                uint32_t bits = uint32_t(block[0]) | uint32_t(block[1]) << 8 | uint32_t(block[2]) << 16 |
                                uint32_t(block[3]) << 24;
                float f;
                std::memcpy(&f, &bits, 4);
                out[i] = FloatToPcm16(f);
            } else {
                uint64_t bits = 0;
                for (int k = 7; k >= 0; --k) bits = bits << 8 | block[k];
                double d;
                std::memcpy(&d, &bits, 8);
                out[i] = FloatToPcm16(d);
            }
        }
    }

private:
    uint32_t bytesPerSample_;
};

} // namespace

uint16_t EffectiveFormatTag(const WAVEFORMATEX& f, const uint8_t* extra, uint32_t extraBytes) {
    if (f.wFormatTag != kTagExtensible) return f.wFormatTag;
    // Valid bits (2), channel mask (4), then the sub-format GUID: the tag
    // in its first field, the rest the fixed base of such GUIDs.
    static const uint8_t kBase[12] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38};
    static const uint8_t kBaseEnd[2] = {0x9B, 0x71};
    if (!extra || extraBytes < 22) return 0;
    const uint8_t* guid = extra + 6;
    if (std::memcmp(guid + 2, kBase, 12) != 0 || std::memcmp(guid + 14, kBaseEnd, 2) != 0) return 0;
    return static_cast<uint16_t>(guid[0] | (guid[1] << 8));
}

uint32_t WavDecoder::OutputSize(uint32_t sourceBytes) const {
    uint64_t full = sourceBytes / sourceBlock_;
    uint64_t out = full * outputBlock_ + static_cast<uint64_t>(SamplesIn(sourceBytes % sourceBlock_)) * channels_ * 2;
    return static_cast<uint32_t>(std::min<uint64_t>(out, 0xFFFFFFFFu));
}

uint32_t WavDecoder::SourceFor(uint32_t room, uint32_t remaining) const {
    uint32_t fullAvailable = remaining / sourceBlock_;
    uint32_t blocks = std::min(fullAvailable, room / outputBlock_);
    uint32_t bytes = blocks * sourceBlock_;
    uint32_t tail = remaining % sourceBlock_;
    if (blocks == fullAvailable && tail) {
        uint32_t tailOut = SamplesIn(tail) * channels_ * 2;
        if (tailOut && room - blocks * outputBlock_ >= tailOut) bytes += tail;
    }
    return bytes;
}

uint32_t WavDecoder::Decode(const uint8_t* source, uint32_t sourceBytes, int16_t* out) const {
    uint32_t written = 0;
    while (sourceBytes > 0) {
        uint32_t n = std::min(sourceBytes, sourceBlock_);
        uint32_t samples = SamplesIn(n);
        if (samples == 0) break;
        DecodeBlock(source, n, out);
        out += samples * channels_;
        written += samples * channels_ * 2;
        source += n;
        sourceBytes -= n;
    }
    return written;
}

std::unique_ptr<WavDecoder> MakeWavDecoder(const WAVEFORMATEX& f, const uint8_t* extra, uint32_t extraBytes) {
    const uint32_t ch = f.nChannels;
    if (ch < 1 || ch > 8 || f.nSamplesPerSec == 0) return nullptr;
    const uint16_t tag = EffectiveFormatTag(f, extra, extraBytes);
    // Behind an extensible header the extra bytes are its own, not a codec's.
    if (f.wFormatTag == kTagExtensible && tag != kTagFloat && tag != kTagMuLaw && tag != kTagALaw)
        return nullptr;
    switch (tag) {
    case kTagFloat: {
        const uint32_t bytes = f.wBitsPerSample / 8;
        if ((f.wBitsPerSample != 32 && f.wBitsPerSample != 64) || f.nBlockAlign != ch * bytes) return nullptr;
        return std::make_unique<FloatPcm>(ch, bytes);
    }
    case kTagMuLaw:
    case kTagALaw:
        if (f.wBitsPerSample != 8) return nullptr;
        return std::make_unique<G711>(ch, tag == kTagMuLaw);
    case kTagImaAdpcm: {
        if (f.wBitsPerSample != 4 || ch > 2 || f.nBlockAlign < 4 * ch + 4 * ch || f.nBlockAlign % (4 * ch)) return nullptr;
        uint32_t most = (f.nBlockAlign / ch - 4) * 2 + 1;
        uint32_t spb = most;
        if (extraBytes >= 2) {
            uint32_t given = static_cast<uint16_t>(extra[0] | (extra[1] << 8));
            if (given >= 1 && given <= most) spb = given;
        }
        return std::make_unique<ImaAdpcm>(ch, f.nBlockAlign, spb);
    }
    case kTagMsAdpcm: {
        if (f.wBitsPerSample != 4 || ch > 2 || f.nBlockAlign < 7 * ch + 1) return nullptr;
        uint32_t most = 2 + (f.nBlockAlign - 7 * ch) * 2 / ch;
        uint32_t spb = most;
        std::vector<int16_t> coefs(&kMsDefaultCoefs[0][0], &kMsDefaultCoefs[0][0] + 14);
        if (extraBytes >= 4) {
            uint32_t given = static_cast<uint16_t>(extra[0] | (extra[1] << 8));
            if (given >= 2 && given <= most) spb = given;
            uint32_t count = static_cast<uint16_t>(extra[2] | (extra[3] << 8));
            if (count >= 1 && count <= 256 && extraBytes >= 4 + 4 * count) {
                coefs.resize(2 * count);
                for (uint32_t i = 0; i < 2 * count; ++i) coefs[i] = Le16(extra + 4 + 2 * i);
            }
        }
        return std::make_unique<MsAdpcm>(ch, f.nBlockAlign, spb, std::move(coefs));
    }
    default:
        return nullptr;
    }
}

// ---- encoders for sample files ----

std::vector<uint8_t> EncodeImaAdpcm(const int16_t* pcm, uint32_t frames, uint32_t ch, uint32_t blockAlign) {
    const uint32_t spb = (blockAlign / ch - 4) * 2 + 1;
    std::vector<uint8_t> out;
    ImaState state[2];
    for (uint32_t start = 0; start < frames; start += spb) {
        std::vector<uint8_t> block(blockAlign, 0);
        for (uint32_t c = 0; c < ch; ++c) {
            int16_t first = pcm[start * ch + c];
            state[c].predictor = first;
            block[4 * c] = static_cast<uint8_t>(first);
            block[4 * c + 1] = static_cast<uint8_t>(first >> 8);
            block[4 * c + 2] = static_cast<uint8_t>(state[c].index);
        }
        uint8_t* data = block.data() + 4 * ch;
        for (uint32_t s = 1; s < spb; s += 8) {
            for (uint32_t c = 0; c < ch; ++c) {
                uint8_t* g = data + 4 * c;
                for (uint32_t k = 0; k < 8 && s + k < spb; ++k) {
                    uint32_t frame = std::min(start + s + k, frames - 1);
                    int diff = pcm[frame * ch + c] - state[c].predictor;
                    int step = kImaSteps[state[c].index];
                    int nibble = 0;
                    if (diff < 0) {
                        nibble = 8;
                        diff = -diff;
                    }
                    if (diff >= step) { nibble |= 4; diff -= step; }
                    if (diff >= step / 2) { nibble |= 2; diff -= step / 2; }
                    if (diff >= step / 4) nibble |= 1;
                    state[c].Decode(nibble);
                    g[k / 2] |= static_cast<uint8_t>(nibble << ((k & 1) * 4));
                }
            }
            data += 4 * ch;
        }
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

uint8_t EncodeMuLaw(int16_t sample) {
    static const int segEnd[8] = {0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF, 0x1FFF};
    int pcm = sample >> 2;
    int mask = 0xFF;
    if (pcm < 0) {
        pcm = -pcm;
        mask = 0x7F;
    }
    pcm = std::min(pcm, 8159) + (0x84 >> 2);
    int seg = 0;
    while (seg < 8 && pcm > segEnd[seg]) ++seg;
    if (seg >= 8) return static_cast<uint8_t>(0x7F ^ mask);
    return static_cast<uint8_t>(((seg << 4) | ((pcm >> (seg + 1)) & 0x0F)) ^ mask);
}

uint8_t EncodeALaw(int16_t sample) {
    static const int segEnd[8] = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
    int pcm = sample >> 3;
    int mask = 0xD5;
    if (pcm < 0) {
        mask = 0x55;
        pcm = -pcm - 1;
    }
    int seg = 0;
    while (seg < 8 && pcm > segEnd[seg]) ++seg;
    if (seg >= 8) return static_cast<uint8_t>(0x7F ^ mask);
    int aval = (seg << 4) | (seg < 2 ? (pcm >> 1) & 0x0F : (pcm >> seg) & 0x0F);
    return static_cast<uint8_t>(aval ^ mask);
}

} // namespace tev_sound
