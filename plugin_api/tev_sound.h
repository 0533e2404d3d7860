// The sound service as plug-ins see it: 256 numbered channels holding WAV
// sounds (or any format a registered reader understands) and MIDI songs.
// Slot order is binary interface: plug-ins call these by position.
#pragma once
#include <cstdint>
#include "plugin_api/tev_module.h"

// The wave format record of RIFF files, byte for byte (18 bytes, packed).
#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag;       // 1 PCM, 2 MS ADPCM, 6 A-law, 7 mu-law, 0x11 IMA ADPCM, ...
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;           // extra format bytes that follow this record
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is the 18-byte file record");

constexpr uint16_t kWaveFormatPcm = 1;

// A sound-file reader. The host keeps one prototype per file extension and
// opens clones of it; a plug-in may register a reader of its own (the
// interface needs nothing from the host). Readers are closed before they
// are deleted.
class CTIAudioFile {
public:
    virtual ~CTIAudioFile() {}
    // Opens the file and positions at the start of its sound data; a null
    // path reuses the name held. After a failure the caller still Closes.
    virtual bool Open(const char* path) = 0;
    // position -2: from the start of the data; -1: where the previous read
    // stopped; >= 0: that many milliseconds into the data. *size: room in,
    // bytes delivered out.
    virtual bool Read(int position, void* buffer, uint32_t* size) = 0;
    virtual bool Close() = 0;
    // A new, unopened reader of the same class, owned by the caller.
    virtual CTIAudioFile* Clone() = 0;
    virtual const char* GetFileName() = 0;
    // The format of the bytes Read delivers.
    virtual WAVEFORMATEX* GetFormat() = 0;
    // Bytes of sound data not yet read (in the delivered format).
    virtual uint32_t GetSize() = 0;
    virtual uint32_t GetLength() = 0;
};

class ITevSound : public ITevModule {
public:
    ~ITevSound() override;

    // Starts the channel from its beginning; at most once per frame per
    // channel (a second call in the same frame returns false).
    virtual bool Play(int channel, bool loop) = 0;
    virtual bool Stop(int channel) = 0;
    virtual bool StopAll() = 0;
    // A path ending in "mid" or "MID" is a MIDI song; anything else is looked
    // up in the reader registry by its extension. reserved is ignored.
    virtual bool LoadEx(int channel, const char* path, bool streaming, int reserved) = 0;
    virtual bool Load(int channel, const char* path, bool streaming) = 0;
    virtual bool Release(int channel) = 0;
    virtual bool ReleaseAll() = 0;
    virtual bool Pause(int channel) = 0;
    virtual bool PauseAll() = 0;
    virtual bool Resume(int channel) = 0;
    virtual bool ResumeAll() = 0;
    virtual bool SetVolume(int channel, int percent) = 0;   // 0 ... 100
    virtual bool SetPan(int channel, int pan) = 0;          // -10000 ... 10000
    virtual int GetVolume(int channel) = 0;
    virtual int GetPan(int channel) = 0;
    // Call once a frame while a streaming channel plays: refills its ring.
    virtual bool UpdateStreams() = 0;
    virtual int GetPosition(int channel) = 0;               // milliseconds
    virtual bool SetPosition(int channel, int milliseconds) = 0;
    virtual const char* GetFileName(int channel) = 0;
    // Stores a clone of prototype for the extension; the caller keeps its own.
    virtual bool RegisterReader(const char* extension, CTIAudioFile* prototype) = 0;
    virtual int SetBasePath(const char* folder) = 0;
    virtual uint32_t GetFrequency(int channel) = 0;         // Hz
    // 100 ... 200000 Hz (0: the sound's own rate); 0 on success.
    virtual int SetFrequency(int channel, uint32_t hz) = 0;
};
