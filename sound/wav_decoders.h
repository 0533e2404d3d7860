// Decoders from the compressed WAV formats to 16-bit PCM (what the Audio
// Compression Manager's codecs did): IMA ADPCM, Microsoft ADPCM, mu-law,
// A-law, and IEEE float. Each works on whole source blocks; the last block of a file may be
// short and is decoded as far as it goes.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

struct WAVEFORMATEX;

namespace tev_sound {

constexpr uint16_t kTagIeeeFloat = 0x0003;
constexpr uint16_t kTagExtensible = 0xFFFE;

class WavDecoder {
public:
    virtual ~WavDecoder() = default;
    // Source bytes of one block and the output bytes of a full block.
    uint32_t SourceBlock() const { return sourceBlock_; }
    uint32_t OutputBlock() const { return outputBlock_; }
    // Output bytes that `sourceBytes` of data decode to.
    uint32_t OutputSize(uint32_t sourceBytes) const;
    // Source bytes (whole blocks, or the short last block when it is all
    // that remains) whose output fits in `room`, of the `remaining` bytes.
    uint32_t SourceFor(uint32_t room, uint32_t remaining) const;
    // Decodes `sourceBytes` (as chosen by SourceFor) into out; returns the
    // output bytes written.
    uint32_t Decode(const uint8_t* source, uint32_t sourceBytes, int16_t* out) const;

protected:
    // Samples per channel in a block of `bytes` (short blocks too); 0 when
    // the block is too short to decode.
    virtual uint32_t SamplesIn(uint32_t bytes) const = 0;
    virtual void DecodeBlock(const uint8_t* block, uint32_t bytes, int16_t* out) const = 0;

    uint32_t sourceBlock_ = 1;
    uint32_t outputBlock_ = 2;
    uint32_t channels_ = 1;
};

// The format tag a header stands for: its own, or for an extensible header
// (0xFFFE) the tag its sub-format GUID carries; 0 when an extensible header
// names no standard sub-format.
uint16_t EffectiveFormatTag(const WAVEFORMATEX& format, const uint8_t* extra, uint32_t extraBytes);

// A decoder for the format, or null when it is not one of the four, nor
// IEEE float (32 or 64 bits, also behind an extensible header), or its
// header is unusable.
std::unique_ptr<WavDecoder> MakeWavDecoder(const WAVEFORMATEX& format, const uint8_t* extra, uint32_t extraBytes);

// Encoders used by tests and tools to produce sample files.
std::vector<uint8_t> EncodeImaAdpcm(const int16_t* pcm, uint32_t frames, uint32_t channels, uint32_t blockAlign);
uint8_t EncodeMuLaw(int16_t sample);
uint8_t EncodeALaw(int16_t sample);

} // namespace tev_sound
