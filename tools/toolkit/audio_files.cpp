#include "tools/toolkit/audio_files.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tevtools {

namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void PutBE16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back((v >> 8) & 0xFF);
    b.push_back(v & 0xFF);
}
void PutBE32(std::vector<uint8_t>& b, uint32_t v) {
    PutBE16(b, v >> 16);
    PutBE16(b, v & 0xFFFF);
}
void PutVarLen(std::vector<uint8_t>& b, uint32_t v) {
    uint8_t tmp[5];
    int n = 0;
    tmp[n++] = v & 0x7F;
    while (v >>= 7) tmp[n++] = 0x80 | (v & 0x7F);
    while (n) b.push_back(tmp[--n]);
}
uint32_t Get16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (Get16(p + 2) << 16); }
uint32_t GetBE32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

int DataBytes(uint8_t status) {
    switch (status & 0xF0) {
        case 0xC0:
        case 0xD0: return 1;
        default: return 2;
    }
}

}  // namespace

std::vector<uint8_t> EncodeWav(const PcmSound& s) {
    std::vector<uint8_t> b;
    uint32_t dataBytes = static_cast<uint32_t>(s.samples.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    Put32(b, 36 + dataBytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(b, 16);
    Put16(b, 1);  // PCM
    Put16(b, static_cast<uint32_t>(s.channels));
    Put32(b, static_cast<uint32_t>(s.rate));
    Put32(b, static_cast<uint32_t>(s.rate * s.channels * 2));
    Put16(b, static_cast<uint32_t>(s.channels * 2));
    Put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put32(b, dataBytes);
    for (int16_t v : s.samples) Put16(b, static_cast<uint16_t>(v));
    return b;
}

bool DecodeWav(const std::vector<uint8_t>& bytes, PcmSound& out, std::string& error) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        error = "not a RIFF WAVE file";
        return false;
    }
    uint64_t riffEnd = std::min<uint64_t>(8 + uint64_t(Get32(bytes.data() + 4)), bytes.size());
    bool haveFormat = false;
    size_t pos = 12;
    while (pos + 8 <= riffEnd) {
        const uint8_t* c = bytes.data() + pos;
        uint32_t size = Get32(c + 4);
        if (size > riffEnd - pos - 8) {
            error = "chunk runs past the end of the file";
            return false;
        }
        if (std::memcmp(c, "fmt ", 4) == 0) {
            if (size < 16) {
                error = "format chunk shorter than 16 bytes";
                return false;
            }
            uint32_t tag = Get16(c + 8), bits = Get16(c + 22);
            out.channels = static_cast<int>(Get16(c + 10));
            out.rate = static_cast<int>(Get32(c + 12));
            uint32_t align = Get16(c + 20), avg = Get32(c + 16);
            if (tag != 1 || bits != 16 || out.channels < 1 || out.channels > 8 || out.rate < 1000 || out.rate > 192000 ||
                align != uint32_t(out.channels) * 2 || avg != align * uint32_t(out.rate)) {
                error = "not consistent 16-bit PCM";
                return false;
            }
            haveFormat = true;
        } else if (std::memcmp(c, "data", 4) == 0) {
            if (!haveFormat) {
                error = "data chunk before the format chunk";
                return false;
            }
            if (size % (2 * out.channels) != 0) {
                error = "data chunk is not whole sample frames";
                return false;
            }
            out.samples.resize(size / 2);
            for (size_t i = 0; i < out.samples.size(); ++i) out.samples[i] = static_cast<int16_t>(Get16(c + 8 + 2 * i));
            return true;
        }
        pos += 8 + size + (size & 1);
    }
    error = haveFormat ? "no data chunk" : "no format chunk";
    return false;
}

std::vector<uint8_t> EncodeMidi(const MidiFile& file, uint32_t endTick) {
    std::vector<uint8_t> b = {'M', 'T', 'h', 'd'};
    PutBE32(b, 6);
    PutBE16(b, static_cast<uint32_t>(file.format));
    PutBE16(b, static_cast<uint32_t>(file.tracks.size()));
    PutBE16(b, static_cast<uint32_t>(file.division));
    for (const MidiTrack& t : file.tracks) {
        std::vector<MidiEvent> events = t.events;
        // Note-offs before note-ons at the same tick, so a repeated note is not cut.
        auto rank = [](const MidiEvent& e) {
            if (e.bytes.empty()) return 3;
            uint8_t s = e.bytes[0];
            if (s == 0xFF) return 0;
            if ((s & 0xF0) == 0x80 || ((s & 0xF0) == 0x90 && e.bytes.size() > 2 && e.bytes[2] == 0)) return 2;
            if ((s & 0xF0) == 0x90) return 3;
            return 1;  // controllers and programs before the notes they shape
        };
        std::stable_sort(events.begin(), events.end(), [&](const MidiEvent& a, const MidiEvent& c) {
            return a.tick != c.tick ? a.tick < c.tick : rank(a) < rank(c);
        });
        std::vector<uint8_t> body;
        uint32_t now = 0;
        for (const MidiEvent& e : events) {
            PutVarLen(body, e.tick - now);
            now = e.tick;
            if (!e.bytes.empty() && e.bytes[0] == 0xFF) {
                body.push_back(0xFF);
                body.push_back(e.bytes.size() > 1 ? e.bytes[1] : 0);
                PutVarLen(body, static_cast<uint32_t>(e.bytes.size() > 2 ? e.bytes.size() - 2 : 0));
                if (e.bytes.size() > 2) body.insert(body.end(), e.bytes.begin() + 2, e.bytes.end());
            } else {
                body.insert(body.end(), e.bytes.begin(), e.bytes.end());
            }
        }
        PutVarLen(body, std::max(endTick, now) - now);
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        b.insert(b.end(), {'M', 'T', 'r', 'k'});
        PutBE32(b, static_cast<uint32_t>(body.size()));
        b.insert(b.end(), body.begin(), body.end());
    }
    return b;
}

bool DecodeMidi(const std::vector<uint8_t>& bytes, MidiFile& out, std::string& error) {
    if (bytes.size() < 14 || std::memcmp(bytes.data(), "MThd", 4) != 0 || GetBE32(bytes.data() + 4) < 6) {
        error = "not a Standard MIDI File";
        return false;
    }
    const uint8_t* h = bytes.data() + 8;
    out.format = (h[0] << 8) | h[1];
    int count = (h[2] << 8) | h[3];
    out.division = (h[4] << 8) | h[5];
    if (out.format > 2 || out.division == 0 || (out.division & 0x8000)) {
        error = "unsupported header";
        return false;
    }
    size_t pos = 8 + GetBE32(bytes.data() + 4);
    out.tracks.clear();
    for (int ti = 0; ti < count; ++ti) {
        if (pos + 8 > bytes.size() || std::memcmp(bytes.data() + pos, "MTrk", 4) != 0) {
            error = "track " + std::to_string(ti) + " missing";
            return false;
        }
        uint32_t len = GetBE32(bytes.data() + pos + 4);
        if (len > bytes.size() - pos - 8) {
            error = "track runs past the end of the file";
            return false;
        }
        const uint8_t* p = bytes.data() + pos + 8;
        const uint8_t* end = p + len;
        MidiTrack track;
        uint32_t tick = 0;
        uint8_t running = 0;
        bool ended = false;
        auto varlen = [&](uint32_t& v) {
            v = 0;
            for (int i = 0; i < 4; ++i) {
                if (p >= end) return false;
                uint8_t c = *p++;
                v = (v << 7) | (c & 0x7F);
                if (!(c & 0x80)) return true;
            }
            return false;
        };
        while (p < end && !ended) {
            uint32_t delta = 0;
            if (!varlen(delta)) {
                error = "bad delta time";
                return false;
            }
            tick += delta;
            if (p >= end) {
                error = "event cut short";
                return false;
            }
            MidiEvent e;
            e.tick = tick;
            uint8_t s = *p;
            if (s == 0xFF) {
                if (end - p < 2) {
                    error = "meta event cut short";
                    return false;
                }
                uint8_t type = p[1];
                p += 2;
                uint32_t n = 0;
                if (!varlen(n) || n > uint32_t(end - p)) {
                    error = "meta event cut short";
                    return false;
                }
                e.bytes = {0xFF, type};
                e.bytes.insert(e.bytes.end(), p, p + n);
                p += n;
                if (type == 0x2F) ended = true;
            } else if (s == 0xF0 || s == 0xF7) {
                ++p;
                uint32_t n = 0;
                if (!varlen(n) || n > uint32_t(end - p)) {
                    error = "sysex cut short";
                    return false;
                }
                e.bytes.assign(p - 1, p);
                p += n;
            } else {
                if (s & 0x80) {
                    running = s;
                    ++p;
                } else if (!running) {
                    error = "data byte without a status";
                    return false;
                }
                int n = DataBytes(running);
                if (end - p < n) {
                    error = "channel event cut short";
                    return false;
                }
                e.bytes.push_back(running);
                for (int i = 0; i < n; ++i) {
                    if (p[i] & 0x80) {
                        error = "status byte inside channel data";
                        return false;
                    }
                    e.bytes.push_back(p[i]);
                }
                p += n;
            }
            track.events.push_back(std::move(e));
        }
        if (!ended) {
            error = "track without end-of-track event";
            return false;
        }
        out.tracks.push_back(std::move(track));
        pos += 8 + len;
    }
    return true;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace tevtools
