// Builders for the sound tests: WAV files chunk by chunk, MIDI files track
// by track, and a scratch folder per test program.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace sound_test {

inline void Put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}
inline void PutBe32(std::vector<uint8_t>& v, uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<uint8_t>(x >> s));
}
inline void PutBe16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x >> 8));
    v.push_back(static_cast<uint8_t>(x));
}

// A chunk with its id, size and pad byte.
inline std::vector<uint8_t> Chunk(const char* id, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> c(id, id + 4);
    Put32(c, static_cast<uint32_t>(body.size()));
    c.insert(c.end(), body.begin(), body.end());
    if (body.size() & 1) c.push_back(0);
    return c;
}

inline std::vector<uint8_t> FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign,
                                    uint32_t avg) {
    std::vector<uint8_t> f;
    Put16(f, tag);
    Put16(f, channels);
    Put32(f, rate);
    Put32(f, avg);
    Put16(f, blockAlign);
    Put16(f, bits);
    return f;
}

inline std::vector<uint8_t> PcmFmt(uint16_t channels, uint32_t rate, uint16_t bits) {
    uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    return FmtBody(1, channels, rate, bits, align, rate * align);
}

inline std::vector<uint8_t> Riff(const std::vector<std::vector<uint8_t>>& chunks) {
    std::vector<uint8_t> body{'W', 'A', 'V', 'E'};
    for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
    std::vector<uint8_t> file{'R', 'I', 'F', 'F'};
    Put32(file, static_cast<uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

inline std::vector<uint8_t> Samples16(const std::vector<int16_t>& s) {
    std::vector<uint8_t> b;
    for (int16_t x : s) Put16(b, static_cast<uint16_t>(x));
    return b;
}

inline std::vector<uint8_t> PcmWav16(uint16_t channels, uint32_t rate, const std::vector<int16_t>& samples) {
    return Riff({Chunk("fmt ", PcmFmt(channels, rate, 16)), Chunk("data", Samples16(samples))});
}

inline std::string ScratchDir() {
    static std::string dir = [] {
        char tmpl[] = "/tmp/tev_sound_test_XXXXXX";
        const char* d = mkdtemp(tmpl);
        return std::string(d ? d : "/tmp");
    }();
    return dir;
}

inline std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = ScratchDir() + "/" + name;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

// MIDI: a track from (delta, event bytes) pairs, end of track appended.
struct MidiEv {
    uint32_t delta;
    std::vector<uint8_t> bytes;
};

inline void PutVlq(std::vector<uint8_t>& v, uint32_t x) {
    uint8_t tmp[5];
    int n = 0;
    tmp[n++] = x & 0x7F;
    while (x >>= 7) tmp[n++] = static_cast<uint8_t>(0x80 | (x & 0x7F));
    while (n) v.push_back(tmp[--n]);
}

inline std::vector<uint8_t> Track(const std::vector<MidiEv>& events, bool endOfTrack = true) {
    std::vector<uint8_t> body;
    for (const auto& e : events) {
        PutVlq(body, e.delta);
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
    }
    if (endOfTrack) body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> t{'M', 'T', 'r', 'k'};
    PutBe32(t, static_cast<uint32_t>(body.size()));
    t.insert(t.end(), body.begin(), body.end());
    return t;
}

inline std::vector<uint8_t> MidiFile(uint16_t format, uint16_t division, const std::vector<std::vector<uint8_t>>& tracks,
                                     uint32_t headerLength = 6, int trackCount = -1) {
    std::vector<uint8_t> f{'M', 'T', 'h', 'd'};
    PutBe32(f, headerLength);
    PutBe16(f, format);
    PutBe16(f, trackCount >= 0 ? static_cast<uint32_t>(trackCount) : static_cast<uint32_t>(tracks.size()));
    PutBe16(f, division);
    for (uint32_t i = 6; i < headerLength; ++i) f.push_back(0);
    for (const auto& t : tracks) f.insert(f.end(), t.begin(), t.end());
    return f;
}

} // namespace sound_test
