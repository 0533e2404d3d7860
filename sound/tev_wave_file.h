// RIFF WAVE readers for the sound service. CTWaveFile hands out the data
// chunk's bytes as they are; CTRiffFile delivers 16-bit PCM, decoding IMA
// ADPCM, Microsoft ADPCM, mu-law and A-law. The chunk search stands in for
// the multimedia-I/O functions: chunks are found by id in any order, each
// padded to an even size.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "plugin_api/tev_base.h"
#include "plugin_api/tev_sound.h"

namespace tev_sound {
class WavDecoder;
}

class CTWaveFile : public CTIAudioFile, public CTevBase {
public:
    CTWaveFile();
    ~CTWaveFile() override;

    bool Open(const char* path) override;
    bool Read(int position, void* buffer, uint32_t* size) override;
    bool Close() override;
    CTIAudioFile* Clone() override;
    const char* GetFileName() override;
    WAVEFORMATEX* GetFormat() override;
    uint32_t GetSize() override;
    uint32_t GetLength() override;

protected:
    struct Chunk {
        uint64_t offset = 0;     // first data byte
        uint32_t size = 0;       // data bytes (cut to what the file holds)
    };

    bool OpenFile();
    bool ReadHeader();
    bool RewindToData();
    bool SeekMs(int ms);
    bool ReadRaw(void* buffer, uint32_t bytes, uint32_t* got);
    // Bytes a millisecond position skips, whole blocks.
    uint32_t MsToBytes(int ms) const;

    std::string m_fileName;
    std::FILE* m_file = nullptr;
    uint64_t m_fileSize = 0;
    Chunk m_riff;                // the RIFF chunk's contents after "WAVE"
    Chunk m_data;
    uint32_t m_remaining = 0;    // data bytes not yet read
    uint64_t m_readPos = 0;      // file offset of the next data byte
    WAVEFORMATEX* m_format = nullptr;   // 18 bytes + cbSize extra bytes
};

class CTRiffFile : public CTWaveFile {
public:
    CTRiffFile();
    ~CTRiffFile() override;

    bool Open(const char* path) override;
    bool Read(int position, void* buffer, uint32_t* size) override;
    bool Close() override;
    CTIAudioFile* Clone() override;
    WAVEFORMATEX* GetFormat() override;
    uint32_t GetSize() override;
    uint32_t GetLength() override;

private:
    WAVEFORMATEX* m_output = nullptr;   // == m_format for PCM files
    std::unique_ptr<tev_sound::WavDecoder> m_decoder;
};
