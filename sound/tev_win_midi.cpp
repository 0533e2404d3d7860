#include "sound/tev_win_midi.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/audio/audio.h"
#include "platform/midi/midi.h"
#include "sound/debug_output.h"

namespace {

// ---- parsing ---------------------------------------------------------------

uint32_t Be32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

struct Reader {
    const uint8_t* data;
    size_t pos;
    size_t end;
    bool ok = true;

    uint8_t Byte() {
        if (pos >= end) {
            ok = false;
            return 0;
        }
        return data[pos++];
    }
    // A variable-length quantity; one of more than four bytes counts as 0.
    uint32_t Vlq() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b = Byte();
            if (!ok) return 0;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return v;
        }
        while (ok && (Byte() & 0x80)) {
        }
        return 0;
    }
};

// One track chunk at `pos`; events appended with absolute tick times, the
// last one the end marker. Payload bytes go to the song's byte store.
bool ParseTrack(const uint8_t* data, size_t size, size_t pos, std::vector<TevMidiEvent>* events,
                std::vector<uint8_t>* bytes, size_t* next) {
    if (size < 8 || pos > size - 8) return false;
    const uint32_t length = Be32(data + pos + 4);
    *next = pos + 8 + static_cast<size_t>(length);
    Reader r{data, pos + 8, std::min<size_t>(size, pos + 8 + static_cast<size_t>(length))};
    uint32_t tick = 0;
    uint8_t running = 0;
    // Sized by the bytes actually there, not by what the header claims.
    events->reserve(events->size() + (r.end - r.pos) / 3 + 1);
    while (r.pos < r.end) {
        tick += r.Vlq();
        TevMidiEvent e;
        e.time = tick;
        uint8_t status = r.Byte();
        if (!r.ok) return false;
        if (status < 0xF0) {
            uint8_t first;
            if (status < 0x80) {
                first = status;   // running status: this is the first data byte
                status = running;
            } else {
                first = r.Byte();
                running = status;
            }
            e.type = status & 0xF0;
            e.channel = status & 0x0F;
            e.data1 = first;
            if (e.type != 0xC0 && e.type != 0xD0) e.data2 = r.Byte();
            if (!r.ok) return false;
            events->push_back(e);
        } else if (status == 0xFF) {
            e.type = 0xFF;
            e.metaType = r.Byte();
            // Lengths are variable-length quantities, so long texts parse.
            uint32_t len = r.Vlq();
            if (!r.ok || len > r.end - r.pos) return false;
            const uint8_t* p = data + r.pos;
            r.pos += len;
            e.length = len;
            switch (e.metaType) {
            case 0x00: continue;   // sequence number: not kept
            case 0x2F: break;
            case 0x51:
                if (len <= 3)
                    for (uint32_t i = 0; i < len; ++i) e.data = (e.data << 8) | p[i];
                break;
            case 0x58:
                if (len >= 2) e.data = p[0] | (p[1] << 8);
                break;
            default:
                e.data = static_cast<uint32_t>(bytes->size());
                bytes->insert(bytes->end(), p, p + len);
                bytes->push_back(0);
                break;
            }
            events->push_back(e);
        } else if (status == 0xF0 || status == 0xF7) {
            uint32_t len = r.Vlq();
            if (!r.ok || len > r.end - r.pos) return false;
            e.type = status;
            e.length = len;
            e.data = static_cast<uint32_t>(bytes->size());
            bytes->push_back(status);
            bytes->insert(bytes->end(), data + r.pos, data + r.pos + len);
            (*bytes)[e.data + len] = 0xF7;
            r.pos += len;
            events->push_back(e);
        } else {
            return false;   // system common / real-time bytes do not belong in a file
        }
    }
    // The closing end-of-track event becomes the end marker; a track cut off
    // without one keeps its last real event and gets a marker after it.
    if (!events->empty() && events->back().type == 0xFF && events->back().metaType == 0x2F) {
        events->back().type = kMidiEndMarker;
    } else {
        TevMidiEvent end;
        end.time = tick;
        end.type = kMidiEndMarker;
        events->push_back(end);
    }
    return true;
}

void Pack(std::vector<TevMidiEvent>& events) {
    for (TevMidiEvent& e : events) {
        switch (e.type) {
        case 0x80:
        case 0x90:
        case 0xA0:
        case 0xB0:
        case 0xE0:
            e.data = e.type | e.channel | (static_cast<uint32_t>(e.data1) << 8) | (static_cast<uint32_t>(e.data2) << 16);
            break;
        case 0xC0:
        case 0xD0: e.data = e.type | e.channel | (static_cast<uint32_t>(e.data1) << 8); break;
        default: break;
        }
    }
}

void SetRate(TevMidiTempo& t, uint32_t tempo) {
    t.tempo = tempo;
    t.bpm = 60000000.0 / tempo;
    t.msPerTick = 60000.0 / (t.division * t.bpm);
}

// Ticks to milliseconds. Time-code divisions (top bit set) run at a fixed
// rate: frames per second times ticks per frame, whatever the tempo events say.
void ConvertTimes(std::vector<TevMidiEvent>& events, TevMidiTempo& t) {
    const bool timeCode = (t.division & 0x8000) != 0;
    t.tempo = 500000;
    t.bpm = 120.0;
    if (timeCode) {
        int fps = 256 - (t.division >> 8);
        int perFrame = t.division & 0xFF;
        t.msPerTick = 1000.0 / (fps * perFrame);
    } else {
        t.msPerTick = 500.0 / t.division;
    }
    double ms = 0.0;
    uint32_t prevTick = 0;
    for (TevMidiEvent& e : events) {
        if (e.type == kMidiEndMarker) break;
        ms += static_cast<double>(e.time - prevTick) * t.msPerTick;
        prevTick = e.time;
        e.time = static_cast<uint32_t>(std::min(ms, 4294967294.0));
        if (!timeCode && e.type == 0xFF && e.metaType == 0x51 && e.data != 0) SetRate(t, e.data);
    }
}

} // namespace

bool CTevWinMidi::ParseSong(const uint8_t* data, size_t size, TevMidiSong* song) {
    song->events.clear();
    song->bytes.clear();
    if (!data || size < 14) return false;
    if (Be32(data + 4) != 6) return false;
    TevMidiTempo& t = song->tempo;
    t = TevMidiTempo{};
    t.format = static_cast<uint8_t>(Be16(data + 8));
    t.tracks = static_cast<uint8_t>(Be16(data + 10));
    t.division = Be16(data + 12);
    if (t.format > 1 || t.tracks > 33) return false;
    if ((t.division & 0x7FFF) == 0 || ((t.division & 0x8000) && (t.division & 0xFF) == 0)) return false;

    size_t next = 0;
    if (t.format == 0) {
        if (!ParseTrack(data, size, 14, &song->events, &song->bytes, &next)) return false;
    } else {
        std::vector<std::vector<TevMidiEvent>> tracks(t.tracks);
        size_t pos = 14;
        for (auto& track : tracks) {
            if (!ParseTrack(data, size, pos, &track, &song->bytes, &next)) return false;
            pos = next;
        }
        // Merge: the earliest next event of all tracks, ties to the lower track.
        size_t total = 0;
        uint32_t endTick = 0;
        for (auto& track : tracks) {
            total += track.size();
            endTick = std::max(endTick, track.back().time);
        }
        song->events.reserve(total + 1);
        std::vector<size_t> at(tracks.size(), 0);
        for (;;) {
            int best = -1;
            for (size_t k = 0; k < tracks.size(); ++k) {
                const TevMidiEvent& e = tracks[k][at[k]];
                if (e.type == kMidiEndMarker) continue;
                if (best < 0 || e.time < tracks[best][at[best]].time) best = static_cast<int>(k);
            }
            if (best < 0) break;
            song->events.push_back(tracks[best][at[best]++]);
        }
        TevMidiEvent end;
        end.time = endTick;
        end.type = kMidiEndMarker;
        song->events.push_back(end);
        t.tracks = 1;
    }
    Pack(song->events);
    ConvertTimes(song->events, t);
    return true;
}

// ---- the player ------------------------------------------------------------

CTevWinMidi::CTevWinMidi() = default;

CTevWinMidi::CTevWinMidi(std::unique_ptr<platform::midi::ISynth> synth, std::unique_ptr<platform::midi::ITimer> timer)
    : synth_(std::move(synth)), timer_(std::move(timer)) {}

CTevWinMidi::~CTevWinMidi() {
    if (timer_) timer_->Kill();
}

const TevMidiSong* CTevWinMidi::Song(int song) const {
    return song >= 0 && song < kSongs ? songs_[song].get() : nullptr;
}

int CTevWinMidi::Open(void* window) {
    if (synth_) return 1;
    std::string error;
    platform::audio::Mixer& mixer = platform::audio::SharedMixer();
    synth_ = platform::midi::OpenSynth(mixer, &error);
    if (!synth_) {
        tev_sound::DebugOutput("midiOutOpen()に失敗しました\n");
        return 0;
    }
    // With a real device the tick runs on a thread of its own; with the null
    // output it runs on the audio clock that the frame loop advances.
    if (platform::audio::CurrentOutput().kind == platform::audio::OutputKind::Device)
        timer_ = platform::midi::CreateThreadTimer();
    else
        timer_ = platform::midi::CreateAudioClockTimer(mixer);
    if (window) window_ = window;
    return 1;
}

void CTevWinMidi::FreeSong(int song) {
    // The tick reads the playing song's events: stop it before they go.
    if (song == currentSong_ && playing_) Stop();
    songs_[song].reset();
}

int CTevWinMidi::Load(int song, const char* path) {
    if (!synth_) Open(window_);
    if (song < 0 || song >= kSongs) return 0;
    char cwd[256] = "";
    if (!getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
    FreeSong(song);
    if (!path) path = "";

    std::vector<uint8_t> image;
    bool read = false;
    if (std::FILE* f = std::fopen(path, "rb")) {
        if (std::fseek(f, 0, SEEK_END) == 0) {
            long size = std::ftell(f);
            if (size >= 0 && static_cast<unsigned long long>(size) < 0x100000000ull && std::fseek(f, 0, SEEK_SET) == 0) {
                image.resize(static_cast<size_t>(size) + 1);
                read = std::fread(image.data(), 1, static_cast<size_t>(size), f) == static_cast<size_t>(size);
                image.pop_back();
            }
        }
        std::fclose(f);
    }
    if (!read) {
        tev_sound::DebugOutput("MIDIファイル[%s\\%s]の読み込みに失敗しました\n", cwd, path);
        return 0;
    }
    auto parsed = std::make_unique<TevMidiSong>();
    if (!ParseSong(image.data(), image.size(), parsed.get())) {
        tev_sound::DebugOutput("MIDIファイル[%s\\%s]の変換に失敗しました\n", cwd, path);
        return 0;
    }
    songs_[song] = std::move(parsed);
    return 1;
}

int CTevWinMidi::Unload(int song) {
    if (song < 0 || song >= kSongs) return 0;
    FreeSong(song);
    return 1;
}

int CTevWinMidi::Play(int song, bool loop) {
    Stop();
    if (song < 0 || song >= kSongs || !songs_[song] || !timer_) return 0;
    uint32_t lo = 0, hi = 0;
    if (timer_->GetDevCaps(&lo, &hi)) timerPeriod_ = std::clamp(kDesiredPeriod, lo, hi);
    if (timerPeriod_ == 0) return 0;

    const TevMidiSong& s = *songs_[song];
    tempo_ = s.tempo;
    for (const TevMidiEvent& e : s.events) {
        if (e.type != 0xF0 && e.type != 0xF7) continue;
        char line[64] = "MIDI:SysEx:";
        size_t n = std::strlen(line);
        const uint32_t shown = std::min<uint32_t>(e.length + 1, 9);
        for (uint32_t i = 0; i < shown; ++i)
            n += std::snprintf(line + n, sizeof line - n, i + 1 < shown ? "%02x," : "%02x", s.bytes[e.data + i]);
        tev_sound::DebugOutput("%s\n", line);
    }

    playingSong_ = &s;
    nextEvent_ = 0;
    loop_ = loop;
    const uint32_t now = timer_->NowMs();
    startTime_ = now;
    prevTick_ = now;
    running_ = true;
    playing_ = true;
    currentSong_ = song;
    if (!timer_->Start(timerPeriod_, &CTevWinMidi::TickProc, this)) {
        playing_ = false;
        running_ = false;
        return 0;
    }
    return 1;
}

void CTevWinMidi::SilenceAll() {
    if (!synth_) return;
    for (uint32_t ch = 0; ch < 16; ++ch) {
        synth_->ShortMsg(0x78B0 + ch);   // all sound off
        synth_->ShortMsg(0x7BB0 + ch);   // all notes off
    }
}

int CTevWinMidi::Stop() {
    if (!playing_) return 0;
    if (timer_) timer_->Kill();
    SilenceAll();
    if (synth_) synth_->Reset();
    nextEvent_ = 0;
    running_ = false;
    playing_ = false;
    return 1;
}

int CTevWinMidi::Pause() {
    SilenceAll();
    running_ = false;
    return 1;
}

int CTevWinMidi::Resume() {
    if (playing_ && !running_) {
        running_ = true;
        return 1;
    }
    return 0;
}

uint32_t CTevWinMidi::GetPosition() { return timer_ ? timer_->NowMs() - startTime_ : 0; }

int CTevWinMidi::Close() {
    Stop();
    int result = 1;
    if (synth_) {
        synth_->Reset();
        synth_.reset();
    } else {
        result = 0;
    }
    timer_.reset();
    for (auto& s : songs_) s.reset();
    window_ = nullptr;
    return result;
}

void CTevWinMidi::TickProc(void* self) { static_cast<CTevWinMidi*>(self)->Tick(); }

void CTevWinMidi::Send(const TevMidiEvent& e) {
    if (e.type == 0xF0 || e.type == 0xF7) {
        synth_->LongMsg(playingSong_->bytes.data() + e.data, e.length + 1);
    } else if (e.type == 0xFF) {
        if (e.metaType == 0x51 && e.data != 0 && !(tempo_.division & 0x8000)) SetRate(tempo_, e.data);
    } else if (e.data != 0) {
        synth_->ShortMsg(e.data);
    }
}

void CTevWinMidi::Tick() {
    const TevMidiSong* song = playingSong_;
    if (!song || !synth_) return;
    const uint32_t now = timer_->NowMs();
    uint32_t i = nextEvent_;
    const TevMidiEvent* e = &song->events[i];
    if (e->type == kMidiEndMarker) {
        if (loop_) {
            startTime_ = now;
            nextEvent_ = 0;
        } else {
            running_ = false;
        }
        return;
    }
    if (!running_) {
        // Song time stands still while paused.
        if (prevTick_ < now) startTime_ += now - prevTick_;
        prevTick_ = now;
        return;
    }
    while (e->type != kMidiEndMarker && now - startTime_ > e->time) {
        Send(*e);
        e = &song->events[++i];
    }
    nextEvent_ = i;
    prevTick_ = now;
}
