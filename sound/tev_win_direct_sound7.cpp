#include "sound/tev_win_direct_sound7.h"

#include <cerrno>
#include <cstring>

#include <algorithm>
#include <cstring>

#include "platform/audio/audio.h"
#include "platform/midi/midi.h"
#include "plugin_api/tev_app.h"
#include "sound/audio_reader_registry.h"
#include "sound/tev_wave_file.h"
#include "sound/tev_win_midi.h"
#include "sound/wav_decoders.h"

namespace audio = platform::audio;

bool g_tevCompressedWav = false;

ITevSound::~ITevSound() = default;

namespace {

constexpr int kLevelError = 2;

bool ValidChannel(int channel) { return channel >= 0 && channel < CTevWinDirectSound7::kChannels; }

// An extensible header becomes the plain format its sub-format names (PCM
// or IEEE float); the mixer would otherwise take any width as integers.
// An unknown sub-format keeps the extensible tag, which is then refused.
audio::Format ToMixerFormat(const WAVEFORMATEX& f) {
    audio::Format m;
    m.tag = f.wFormatTag;
    if (f.wFormatTag == tev_sound::kTagExtensible) {
        const uint16_t sub =
            tev_sound::EffectiveFormatTag(f, reinterpret_cast<const uint8_t*>(&f) + sizeof(WAVEFORMATEX), f.cbSize);
        if (sub == audio::kTagPcm || sub == audio::kTagFloat) m.tag = sub;
    }
    m.channels = f.nChannels;
    m.rate = f.nSamplesPerSec;
    m.blockAlign = f.nBlockAlign;
    m.bits = f.wBitsPerSample;
    return m;
}

// The extension: what follows the last '.' among the last nine characters,
// or those nine characters when none of them is a '.'.
const char* ExtensionOf(const char* path) {
    size_t len = std::strlen(path);
    size_t lowest = len > 9 ? len - 9 : 0;
    for (size_t i = len; i > lowest; --i)
        if (path[i - 1] == '.') return path + i;
    return path + lowest;
}

bool IsMidiPath(const char* path) {
    size_t len = std::strlen(path);
    if (len < 3) return false;
    const char* tail = path + len - 3;
    return std::strcmp(tail, "mid") == 0 || std::strcmp(tail, "MID") == 0;
}

// Clears the part of a locked region that no data reached, so a ring never
// replays stale sound where the data has run out.
void Silence(void* p, uint32_t from, uint32_t to, uint16_t bits) {
    if (p && to > from) std::memset(static_cast<uint8_t*>(p) + from, bits == 8 ? 0x80 : 0x00, to - from);
}

} // namespace

CTevWinDirectSound7::CTevWinDirectSound7() = default;

CTevWinDirectSound7::~CTevWinDirectSound7() {
    for (SoundChannel& c : m_channels) EmptyChannel(c);
    m_midi.reset();
}

CTevWinMidi& CTevWinDirectSound7::MidiPlayer() {
    if (!m_midi) m_midi = std::make_unique<CTevWinMidi>();
    return *m_midi;
}

bool CTevWinDirectSound7::Initialize(ITevApp* app) {
    // A second call must not drop the device the channels' buffers live on.
    if (!app || m_initialized) return false;
    m_device.reset();
    void* window = app->GetWindowHandle();
    if (!window) {
        Log(kLevelError, "CTevWinDirectSound7::Initialize() CannotGetHWND-Error.");
        app->ShowMessage("CTevWinDirectSound7::Initialize()\nCannotGetHWND-Error.");
        return false;
    }

    const audio::OutputInfo& out = audio::StartOutput();
    if (out.kind == audio::OutputKind::Device) {
        Info("CTevWinDirectSound7::Initialize()|: audio output 44100 Hz stereo 16-bit, %d-frame device buffer",
             out.deviceFrames);
    } else if (out.note.empty()) {
        Info("CTevWinDirectSound7::Initialize()|: null audio output, 735 frames per frame");
    } else {
        // No sound card is no reason to refuse to run: play on, silent.
        Log(kLevelError, "CTevWinDirectSound7::Initialize()|: %s; running without sound", out.note.c_str());
    }
    if (!out.recordPath.empty())
        Info("CTevWinDirectSound7::Initialize()|: recording the mixed output to %s", out.recordPath.c_str());
    if (!out.recordError.empty())
        Log(kLevelError, "CTevWinDirectSound7::Initialize()|: cannot record the output: %s", out.recordError.c_str());
    m_device = audio::SharedMixer().OpenClient();

    m_primaryFormat.wFormatTag = kWaveFormatPcm;
    m_primaryFormat.nChannels = 2;
    m_primaryFormat.nSamplesPerSec = 44100;
    m_primaryFormat.wBitsPerSample = 16;
    m_primaryFormat.nBlockAlign = 4;
    m_primaryFormat.nAvgBytesPerSec = 44100 * 4;
    m_primaryFormat.cbSize = 0;
    m_initialized = true;

    if (!MidiPlayer().Open(window)) {
        // Without a synthesizer the music is silent; the game still runs.
        Log(kLevelError, "CTevWinDirectSound7::Initialize()|: no MIDI output (soundfont %s); music is silent",
            platform::midi::SoundFontPath().c_str());
    }

    if (g_tevCompressedWav) {
        CTRiffFile prototype;
        CTevWinSoundAudioClassFactory::Instance().Register("wav", &prototype);
    } else {
        CTWaveFile prototype;
        CTevWinSoundAudioClassFactory::Instance().Register("wav", &prototype);
    }
    std::memset(m_startedThisFrame, 0, sizeof m_startedThisFrame);
    return true;
}

void CTevWinDirectSound7::EmptyChannel(SoundChannel& c) {
    if (c.reader) {
        c.reader->Close();
        c.reader.reset();
    }
    c.buffer.reset();
}

bool CTevWinDirectSound7::Finalize() {
    if (m_midi) m_midi->Close();
    for (SoundChannel& c : m_channels)
        if (!c.isMidi && c.buffer) EmptyChannel(c);
    m_device.reset();
    if (m_initialized) audio::StopOutput();
    m_initialized = false;
    return true;
}

bool CTevWinDirectSound7::BeginFrame() {
    std::memset(m_startedThisFrame, 0, sizeof m_startedThisFrame);
    return true;
}

bool CTevWinDirectSound7::EndFrame() {
    // The null output has no device pulling samples: one frame of the frame
    // loop is exactly 1/60 s of audio.
    if (m_initialized && audio::CurrentOutput().kind == audio::OutputKind::Null)
        audio::AdvanceNull(kNullFramesPerFrame);
    return false;
}

// ---- play, stop ------------------------------------------------------------

void CTevWinDirectSound7::FillFromStart(SoundChannel& c) {
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (c.buffer->Lock(0, c.bufferBytes, &p1, &n1, &p2, &n2) != audio::kOk) return;
    uint32_t got = n1;
    if (!c.reader->Read(-2, p1, &got)) got = 0;
    c.bytesQueued = got;
    // A looping stream shorter than its ring repeats within it; left at one
    // pass, the first loop would play the rest of the ring as silence.
    uint32_t total = got;
    while (c.streaming && c.looping && got > 0 && total < n1) {
        got = n1 - total;
        if (!c.reader->Read(-2, static_cast<uint8_t*>(p1) + total, &got)) got = 0;
        if (got > 0) c.bytesQueued = got;
        total += got;
    }
    Silence(p1, total, n1, c.buffer->GetFormat().bits);
    c.buffer->Unlock(p1, n1, p2, n2);
}

void CTevWinDirectSound7::StartBuffer(SoundChannel& c) {
    c.state = 2;
    c.carry = 0;
    c.writeOffset = 0;
    c.lastWriteCursor = 0;
    c.playPriority = 0;
    if (!c.buffer) return;
    if (c.streaming) {
        c.buffer->Play(true);
        c.startTime = audio::ClockMs();
    } else {
        c.buffer->Play(c.looping);
    }
}

bool CTevWinDirectSound7::Play(int channel, bool loop) {
    if (!ValidChannel(channel) || m_startedThisFrame[channel]) return false;
    m_startedThisFrame[channel] = true;
    SoundChannel& c = m_channels[channel];
    c.looping = loop;
    if (c.isMidi) {
        c.state = 2;
        MidiPlayer().Play(channel, loop);
        return true;
    }
    if (c.buffer) {
        c.buffer->SetCurrentPosition(0);
        if (c.streaming && c.reader) FillFromStart(c);
    }
    StartBuffer(c);
    return true;
}

bool CTevWinDirectSound7::Stop(int channel) {
    SoundChannel& c = m_channels[channel];
    if (c.state == 2 && (c.buffer || c.isMidi)) {
        c.state = 0;
        if (c.isMidi)
            MidiPlayer().Stop();
        else
            c.buffer->Stop();
    }
    return true;
}

bool CTevWinDirectSound7::StopAll() {
    for (int i = 0; i < kChannels; ++i) Stop(i);
    return true;
}

// ---- load, release -----------------------------------------------------------

bool CTevWinDirectSound7::LoadEx(int channel, const char* path, bool streaming, int) {
    return Load(channel, path, streaming);
}

bool CTevWinDirectSound7::Load(int channel, const char* path, bool streaming) {
    if (!ValidChannel(channel) || !path) return false;
    SoundChannel& c = m_channels[channel];
    if (IsMidiPath(path)) {
        // A wave sound on the channel would stay behind, unreachable: drop it.
        if (!c.isMidi && c.buffer) EmptyChannel(c);
        c.state = 0;
        // The player's own failure text goes to the debugger only; the log
        // gets the file name too.
        if (MidiPlayer().Load(channel, path) == 0)
            Log(kLevelError, "CTevWinDirectSound7::Load|: %s: the MIDI file cannot be read or converted", path);
        c.isMidi = true;
        return true;
    }
    if (c.isMidi) {
        // Likewise a song that no channel could stop any more.
        if (m_midi) m_midi->Unload(channel);
        c.state = 0;
    }
    c.isMidi = false;
    c.streaming = streaming;
    return LoadSound(channel, path);
}

bool CTevWinDirectSound7::LoadSound(int channel, const char* path) {
    if (!m_device) return false;
    SoundChannel& c = m_channels[channel];
    c.pausedCursor = 0;
    if (c.reader || c.buffer) EmptyChannel(c);
    c.state = 0;

    // Every refusal names the file and why, as a texture that fails to load does.
    auto refuse = [this, path](const char* why) {
        Log(kLevelError, "CTevWinDirectSound7::Load|: %s: %s", path, why);
        return false;
    };
    std::unique_ptr<CTIAudioFile> reader(CTevWinSoundAudioClassFactory::Instance().Find(ExtensionOf(path)));
    if (!reader) return refuse("no reader for this kind of file");
    errno = 0;
    if (!reader->Open(path)) {
        const int cause = errno;
        reader->Close();
        if (cause == ENOENT || cause == EACCES || cause == EISDIR)
            return refuse(std::strerror(cause));
        return refuse("cannot be opened or is not a valid sound file");
    }
    const WAVEFORMATEX* format = reader->GetFormat();
    if (!format || format->nAvgBytesPerSec == 0) {
        reader->Close();
        return refuse("no usable format");
    }
    const uint32_t avg = format->nAvgBytesPerSec;
    uint64_t bytes = c.streaming ? static_cast<uint64_t>(avg) * kStreamSeconds : reader->GetSize();
    if (c.streaming && format->nBlockAlign > 1) bytes -= bytes % format->nBlockAlign;
    if (bytes == 0 || bytes > 0xFFFFFFFFu) {
        reader->Close();
        return refuse(bytes == 0 ? "no sound data" : "too large");
    }
    const audio::Format mixerFormat = ToMixerFormat(*format);
    if (!audio::IsPlayable(mixerFormat) || mixerFormat.tag == tev_sound::kTagExtensible) {
        Log(kLevelError, "CTevWinDirectSound7::Load|: %s: format 0x%04X, %u bits, %u channels cannot be played", path,
            unsigned(format->wFormatTag), unsigned(format->wBitsPerSample), unsigned(format->nChannels));
        reader->Close();
        return false;
    }
    int result = audio::kOk;
    std::unique_ptr<audio::IBuffer> buffer =
        m_device->CreateBuffer(mixerFormat, static_cast<uint32_t>(bytes), &result);
    if (!buffer) {
        reader->Close();
        return refuse("no sound buffer could be made for it");
    }
    c.state = 0;
    c.bufferBytes = static_cast<uint32_t>(bytes);
    c.dataBytes = reader->GetSize();
    c.durationMs = static_cast<uint32_t>(static_cast<uint64_t>(c.dataBytes) * 1000 / avg);
    c.avgBytesPerSec = avg;
    c.reader = std::move(reader);
    c.buffer = std::move(buffer);
    FillFromStart(c);
    return true;
}

bool CTevWinDirectSound7::Release(int channel) {
    SoundChannel& c = m_channels[channel];
    if (c.isMidi) {
        MidiPlayer().Unload(channel);
        return true;
    }
    if (!c.buffer) return false;
    EmptyChannel(c);
    c.state = 0;
    return true;
}

bool CTevWinDirectSound7::ReleaseAll() {
    for (int i = 0; i < kChannels; ++i) Release(i);
    return true;
}

// ---- pause, resume -------------------------------------------------------------

bool CTevWinDirectSound7::Pause(int channel) {
    SoundChannel& c = m_channels[channel];
    if (c.state != 2 || !(c.buffer || c.isMidi)) return false;
    if (c.isMidi) {
        MidiPlayer().Pause();
        c.state = 1;
        return true;
    }
    uint32_t play = 0;
    c.buffer->GetCurrentPosition(&play, nullptr);
    c.pausedCursor = play;
    c.pausedMs = static_cast<uint32_t>(GetPosition(channel));
    c.buffer->Stop();
    c.state = 1;
    return true;
}

bool CTevWinDirectSound7::PauseAll() {
    for (int i = 0; i < kChannels; ++i) Pause(i);
    return true;
}

bool CTevWinDirectSound7::Resume(int channel) {
    SoundChannel& c = m_channels[channel];
    if (c.state != 1 || !(c.buffer || c.isMidi)) return false;
    c.state = 2;
    if (c.isMidi) {
        MidiPlayer().Resume();
        return true;
    }
    if (c.streaming) {
        StreamSeek(c, static_cast<int>(c.pausedMs));
        c.startTime = audio::ClockMs() - c.pausedMs;
    } else {
        c.buffer->SetCurrentPosition(c.pausedCursor);
    }
    c.buffer->Play(c.looping || c.streaming);
    c.pausedCursor = 0;
    return true;
}

bool CTevWinDirectSound7::ResumeAll() {
    for (int i = 0; i < kChannels; ++i) Resume(i);
    return true;
}

// ---- volume, pan, frequency --------------------------------------------------

bool CTevWinDirectSound7::SetVolume(int channel, int percent) {
    SoundChannel& c = m_channels[channel];
    percent = std::clamp(percent, 0, 100);
    if (c.buffer && !c.isMidi) c.buffer->SetVolume((percent - 100) * 100);
    return true;
}

bool CTevWinDirectSound7::SetPan(int channel, int pan) {
    SoundChannel& c = m_channels[channel];
    pan = std::clamp(pan, -10000, 10000);
    if (c.buffer && !c.isMidi) c.buffer->SetPan(pan);
    return true;
}

int CTevWinDirectSound7::GetVolume(int channel) {
    const SoundChannel& c = m_channels[channel];
    if (c.isMidi || !c.buffer) return 100;
    return 100 + c.buffer->GetVolume() / 100;
}

int CTevWinDirectSound7::GetPan(int channel) {
    const SoundChannel& c = m_channels[channel];
    if (c.isMidi || !c.buffer) return 0;
    return c.buffer->GetPan();
}

uint32_t CTevWinDirectSound7::GetFrequency(int channel) {
    const SoundChannel& c = m_channels[channel];
    if (c.isMidi || !c.buffer) return 0;
    return c.buffer->GetFrequency();
}

int CTevWinDirectSound7::SetFrequency(int channel, uint32_t hz) {
    SoundChannel& c = m_channels[channel];
    if (c.isMidi || !c.buffer) return audio::kInvalidCall;
    return c.buffer->SetFrequency(hz);
}

// ---- streaming -------------------------------------------------------------------

bool CTevWinDirectSound7::UpdateStreams() {
    std::memset(m_startedThisFrame, 0, sizeof m_startedThisFrame);
    for (SoundChannel& c : m_channels)
        if (c.state == 2 && c.streaming && (c.buffer || c.isMidi)) StreamRefill(c);
    return true;
}

void CTevWinDirectSound7::StreamRefill(SoundChannel& c) {
    if (c.isMidi || !c.buffer || !c.reader) return;
    const uint32_t now = audio::ClockMs();
    if (!c.looping && now - c.startTime >= c.durationMs) {
        c.state = 0;
        c.buffer->Stop();
        return;
    }
    if (m_refillClockSet && static_cast<uint64_t>(now) < static_cast<uint64_t>(m_refillClock) + 1000 && !c.refillNow)
        return;
    c.refillNow = false;
    uint32_t play = 0, write = 0;
    c.buffer->GetCurrentPosition(&play, &write);
    m_refillClock = audio::ClockMs();
    m_refillClockSet = true;

    const uint32_t size = c.bufferBytes;
    uint32_t amount = static_cast<uint32_t>((static_cast<uint64_t>(size) + write - c.lastWriteCursor) % size);
    // Never past the play cursor, even when it sits exactly on writeOffset
    // (a refill right after Play): the bytes from there on are still to come.
    if (c.writeOffset <= play && play < c.writeOffset + amount) amount = play - c.writeOffset;
    c.lastWriteCursor = write;

    amount += c.carry;
    c.carry = 0;
    if (static_cast<uint64_t>(c.writeOffset) + amount > size) {
        c.carry = c.writeOffset + amount - size;
        amount = size - c.writeOffset;
    }

    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (c.buffer->Lock(c.writeOffset, amount, &p1, &n1, &p2, &n2) != audio::kOk) return;
    uint32_t got = 0;
    bool rewound = false;
    if (c.bytesQueued < c.dataBytes) {
        got = n1;
        if (!c.reader->Read(-1, p1, &got)) got = 0;
    } else if (c.looping) {
        got = n1;
        if (!c.reader->Read(-2, p1, &got)) got = 0;
        c.bytesQueued = got;
        rewound = true;
    }
    Silence(p1, got, n1, c.buffer->GetFormat().bits);
    c.buffer->Unlock(p1, n1, p2, n2);
    if (got < amount) c.carry += amount - got;
    c.writeOffset = static_cast<uint32_t>((static_cast<uint64_t>(c.writeOffset) + got) % size);
    if (!rewound) c.bytesQueued += got;
}

void CTevWinDirectSound7::StreamSeek(SoundChannel& c, int ms) {
    if (!c.buffer || !c.reader) return;
    if (ms < 0) ms = 0;
    const uint32_t bytes = static_cast<uint32_t>(ms / 1000) * c.avgBytesPerSec;
    uint32_t play = 0, write = 0;
    c.buffer->GetCurrentPosition(&play, &write);
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (c.buffer->Lock(write, std::min(kSeekLockBytes, c.bufferBytes), &p1, &n1, &p2, &n2) != audio::kOk) return;
    uint32_t got1 = n1, got2 = n2;
    if (!c.reader->Read(ms, p1, &got1)) got1 = 0;
    if (p2 && n2) {
        if (!c.reader->Read(-1, p2, &got2)) got2 = 0;
    } else {
        got2 = 0;
    }
    const uint16_t bits = c.buffer->GetFormat().bits;
    Silence(p1, got1, n1, bits);
    Silence(p2, got2, n2, bits);
    c.buffer->Unlock(p1, n1, p2, n2);
    c.lastWriteCursor = write;
    c.writeOffset = static_cast<uint32_t>((static_cast<uint64_t>(write) + got1 + got2) % c.bufferBytes);
    c.bytesQueued = bytes + got1 + got2;
    c.carry = 0;
    c.refillNow = true;
}

// ---- positions, names ------------------------------------------------------------

int CTevWinDirectSound7::GetPosition(int channel) {
    SoundChannel& c = m_channels[channel];
    if (c.isMidi) return static_cast<int>(MidiPlayer().GetPosition());
    if (!c.buffer) return 0;
    if (c.state == 1) return static_cast<int>(c.pausedMs);
    if (c.streaming) return static_cast<int>(audio::ClockMs() - c.startTime);
    uint32_t play = 0;
    c.buffer->GetCurrentPosition(&play, nullptr);
    return static_cast<int>(play / (c.avgBytesPerSec * 0.001));
}

bool CTevWinDirectSound7::SetPosition(int channel, int milliseconds) {
    SoundChannel& c = m_channels[channel];
    if (c.isMidi || !c.buffer) return false;
    if (milliseconds < 0) milliseconds = 0;   // negative positions mean "rewind"/"continue" to a reader
    const uint32_t bytes = static_cast<uint32_t>(milliseconds / 1000) * c.avgBytesPerSec;
    if (c.streaming) {
        StreamSeek(c, milliseconds);
        c.pausedMs = static_cast<uint32_t>(milliseconds);
        c.startTime = audio::ClockMs() - static_cast<uint32_t>(milliseconds);
    } else {
        c.buffer->SetCurrentPosition(bytes);
    }
    return true;
}

const char* CTevWinDirectSound7::GetFileName(int channel) {
    const SoundChannel& c = m_channels[channel];
    return c.reader ? c.reader->GetFileName() : "";
}

bool CTevWinDirectSound7::RegisterReader(const char* extension, CTIAudioFile* prototype) {
    return CTevWinSoundAudioClassFactory::Instance().Register(extension, prototype);
}

int CTevWinDirectSound7::SetBasePath(const char* folder) {
    if (!folder) folder = "";
    std::strncpy(m_basePath, folder, sizeof m_basePath - 1);
    m_basePath[sizeof m_basePath - 1] = '\0';
    return 0;
}
