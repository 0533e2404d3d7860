#include "sound/tev_wave_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "sound/wav_decoders.h"

namespace {

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

WAVEFORMATEX* AllocFormat(uint32_t extraBytes) {
    void* p = std::calloc(1, sizeof(WAVEFORMATEX) + extraBytes);
    return static_cast<WAVEFORMATEX*>(p);
}

} // namespace

// ---- CTWaveFile ------------------------------------------------------------

CTWaveFile::CTWaveFile() = default;

CTWaveFile::~CTWaveFile() {
    // Callers Close first; this only makes sure no handle outlives the object.
    if (m_file) std::fclose(m_file);
    std::free(m_format);
}

CTIAudioFile* CTWaveFile::Clone() { return new (std::nothrow) CTWaveFile(); }

const char* CTWaveFile::GetFileName() { return m_fileName.c_str(); }

WAVEFORMATEX* CTWaveFile::GetFormat() { return m_format; }

uint32_t CTWaveFile::GetSize() { return m_remaining; }

uint32_t CTWaveFile::GetLength() {
    if (!m_format || m_format->nAvgBytesPerSec == 0) return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(GetSize()) * 1000 / m_format->nAvgBytesPerSec);
}

bool CTWaveFile::Open(const char* path) {
    if (path) m_fileName = path;
    if (!OpenFile()) return false;
    if (!ReadHeader()) return false;
    return RewindToData();
}

bool CTWaveFile::OpenFile() {
    if (m_file) std::fclose(m_file);
    m_file = m_fileName.empty() ? nullptr : std::fopen(m_fileName.c_str(), "rb");
    if (!m_file) return false;
    if (std::fseek(m_file, 0, SEEK_END) != 0) return false;
    long size = std::ftell(m_file);
    if (size < 0) return false;
    m_fileSize = static_cast<uint64_t>(size);
    return std::fseek(m_file, 0, SEEK_SET) == 0;
}

namespace {

// Finds the chunk `id` among the chunks in [begin, end) of the file.
bool FindChunk(std::FILE* f, uint64_t begin, uint64_t end, const char* id, uint64_t fileSize, uint64_t* dataOffset,
               uint32_t* dataSize) {
    uint64_t pos = begin;
    while (pos + 8 <= end) {
        uint8_t h[8];
        if (std::fseek(f, static_cast<long>(pos), SEEK_SET) != 0 || std::fread(h, 1, 8, f) != 8) return false;
        uint32_t size = Le32(h + 4);
        if (std::memcmp(h, id, 4) == 0) {
            *dataOffset = pos + 8;
            uint64_t avail = fileSize > pos + 8 ? fileSize - (pos + 8) : 0;
            *dataSize = static_cast<uint32_t>(std::min<uint64_t>(size, avail));
            return true;
        }
        pos += 8 + static_cast<uint64_t>(size) + (size & 1);
    }
    return false;
}

} // namespace

bool CTWaveFile::ReadHeader() {
    std::free(m_format);
    m_format = nullptr;
    uint8_t h[12];
    if (std::fseek(m_file, 0, SEEK_SET) != 0 || std::fread(h, 1, 12, m_file) != 12) return false;
    if (std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0) return false;
    // A RIFF size of 0 or one beyond the file (written while streaming) means
    // "to the end of the file".
    uint32_t riffSize = Le32(h + 4);
    uint64_t end = 8 + static_cast<uint64_t>(riffSize);
    if (riffSize < 4 || end > m_fileSize) end = m_fileSize;
    m_riff.offset = 12;
    m_riff.size = static_cast<uint32_t>(end - 12);

    uint64_t fmtOffset;
    uint32_t fmtSize;
    if (!FindChunk(m_file, 12, end, "fmt ", m_fileSize, &fmtOffset, &fmtSize)) return false;
    if (fmtSize < 16) return false;
    uint8_t pcm[18] = {};
    if (std::fseek(m_file, static_cast<long>(fmtOffset), SEEK_SET) != 0 || std::fread(pcm, 1, 16, m_file) != 16)
        return false;
    const uint16_t tag = Le16(pcm);
    uint32_t extra = 0;
    if (tag != kWaveFormatPcm && fmtSize >= 18) {
        if (std::fread(pcm + 16, 1, 2, m_file) != 2) return false;
        extra = Le16(pcm + 16);
        if (extra > fmtSize - 18) return false;   // extra bytes beyond the chunk
    }
    m_format = AllocFormat(extra);
    if (!m_format) return false;
    std::memcpy(m_format, pcm, 16);
    m_format->cbSize = static_cast<uint16_t>(extra);
    if (extra && std::fread(reinterpret_cast<uint8_t*>(m_format) + sizeof(WAVEFORMATEX), 1, extra, m_file) != extra) {
        std::free(m_format);
        m_format = nullptr;
        return false;
    }
    return true;
}

bool CTWaveFile::RewindToData() {
    if (!m_file || !m_format) return false;
    uint64_t offset;
    uint32_t size;
    if (!FindChunk(m_file, m_riff.offset, m_riff.offset + m_riff.size, "data", m_fileSize, &offset, &size)) return false;
    // PCM data is whole frames; a ragged tail would shift every later frame
    // of a streamed ring by a byte.
    const uint16_t tag = tev_sound::EffectiveFormatTag(
        *m_format, reinterpret_cast<const uint8_t*>(m_format) + sizeof(WAVEFORMATEX), m_format->cbSize);
    if ((tag == kWaveFormatPcm || tag == tev_sound::kTagIeeeFloat) && m_format->nBlockAlign > 1)
        size -= size % m_format->nBlockAlign;
    m_data.offset = offset;
    m_data.size = size;
    m_remaining = size;
    m_readPos = offset;
    return true;
}

uint32_t CTWaveFile::MsToBytes(int ms) const {
    uint64_t bytes = static_cast<uint64_t>(ms) * m_format->nAvgBytesPerSec / 1000;
    // Whole blocks: a seek into the middle of a frame would swap channels or
    // bytes of every sample after it.
    if (m_format->nBlockAlign > 1) bytes -= bytes % m_format->nBlockAlign;
    return static_cast<uint32_t>(std::min<uint64_t>(bytes, 0xFFFFFFFFu));
}

bool CTWaveFile::SeekMs(int ms) {
    if (!RewindToData()) return false;
    uint32_t skip = std::min(MsToBytes(ms), m_remaining);
    m_readPos += skip;
    m_remaining -= skip;
    return true;
}

bool CTWaveFile::ReadRaw(void* buffer, uint32_t bytes, uint32_t* got) {
    *got = 0;
    if (bytes == 0) return true;
    if (!buffer || !m_file) return false;
    if (std::fseek(m_file, static_cast<long>(m_readPos), SEEK_SET) != 0) return false;
    size_t n = std::fread(buffer, 1, bytes, m_file);
    *got = static_cast<uint32_t>(n);
    m_readPos += n;
    m_remaining -= static_cast<uint32_t>(n);
    return n == bytes;
}

bool CTWaveFile::Read(int position, void* buffer, uint32_t* size) {
    if (!size || !m_file || !m_format) return false;
    if (position == -2) {
        if (!RewindToData()) return false;
    } else if (position >= 0) {
        if (!SeekMs(position)) return false;
    }
    uint32_t n = std::min(*size, m_remaining);
    uint32_t got = 0;
    bool ok = ReadRaw(buffer, n, &got);
    *size = got;
    return ok;
}

bool CTWaveFile::Close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
    std::free(m_format);
    m_format = nullptr;
    m_fileName.clear();
    m_remaining = 0;
    return true;
}

// ---- CTRiffFile ------------------------------------------------------------

CTRiffFile::CTRiffFile() = default;

CTRiffFile::~CTRiffFile() {
    if (m_output != m_format) std::free(m_output);
}

CTIAudioFile* CTRiffFile::Clone() { return new (std::nothrow) CTRiffFile(); }

WAVEFORMATEX* CTRiffFile::GetFormat() { return m_output; }

uint32_t CTRiffFile::GetSize() { return m_decoder ? m_decoder->OutputSize(m_remaining) : m_remaining; }

uint32_t CTRiffFile::GetLength() {
    if (!m_output || m_output->nAvgBytesPerSec == 0) return 0;
    return GetSize() / m_output->nAvgBytesPerSec;
}

bool CTRiffFile::Open(const char* path) {
    if (path) m_fileName = path;
    // Before the header is read again: the output block may be the format.
    if (m_output != m_format) std::free(m_output);
    m_output = nullptr;
    m_decoder.reset();
    if (!OpenFile() || !ReadHeader()) return false;
    const uint8_t* extra = reinterpret_cast<const uint8_t*>(m_format) + sizeof(WAVEFORMATEX);
    if (m_format->wFormatTag == kWaveFormatPcm) {
        m_output = m_format;
    } else if (tev_sound::EffectiveFormatTag(*m_format, extra, m_format->cbSize) == kWaveFormatPcm) {
        // Extensible PCM: the same samples under a plain header.
        m_output = AllocFormat(0);
        if (!m_output) return false;
        std::memcpy(m_output, m_format, 16);
        m_output->wFormatTag = kWaveFormatPcm;
        m_output->cbSize = 0;
    } else {
        m_decoder = tev_sound::MakeWavDecoder(*m_format, extra, m_format->cbSize);
        if (!m_decoder) return false;
        m_output = AllocFormat(0);
        if (!m_output) return false;
        m_output->wFormatTag = kWaveFormatPcm;
        m_output->nChannels = m_format->nChannels;
        m_output->nSamplesPerSec = m_format->nSamplesPerSec;
        m_output->wBitsPerSample = 16;
        m_output->nBlockAlign = static_cast<uint16_t>(2 * m_format->nChannels);
        m_output->nAvgBytesPerSec = m_output->nSamplesPerSec * m_output->nBlockAlign;
        m_output->cbSize = 0;
    }
    return RewindToData();
}

bool CTRiffFile::Read(int position, void* buffer, uint32_t* size) {
    if (!m_decoder) return CTWaveFile::Read(position, buffer, size);
    if (!size || !m_file) return false;
    if (position == -2) {
        if (!RewindToData()) return false;
    } else if (position >= 0) {
        if (!SeekMs(position)) return false;
    }
    const uint32_t m = m_decoder->SourceFor(*size, m_remaining);
    if (m == 0) {
        *size = 0;
        return true;
    }
    if (!buffer) return false;
    std::vector<uint8_t> source;
    try {
        source.resize(m);
    } catch (const std::bad_alloc&) {
        return false;
    }
    uint32_t got = 0;
    bool ok = ReadRaw(source.data(), m, &got);
    *size = m_decoder->Decode(source.data(), got, static_cast<int16_t*>(buffer));
    return ok;
}

bool CTRiffFile::Close() {
    if (m_output != m_format) std::free(m_output);
    m_output = nullptr;
    m_decoder.reset();
    return CTWaveFile::Close();
}
