#include "platform/audio/wav_writer.h"
#include "platform/run_options.h"

#include <cerrno>
#include <cstring>

namespace platform::audio {

namespace {

void Put32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// The RIFF sizes are 32-bit: a recording stops growing just below 4 GB.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

} // namespace

WavWriter::~WavWriter() { Close(); }

bool WavWriter::Open(const std::string& path, int rate, int channels, std::string* error) {
    Close();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        if (error) *error = path + ": " + std::strerror(errno);
        return false;
    }
    path_ = path;
    rate_ = rate;
    channels_ = channels;
    frames_ = 0;
    sincePatch_ = 0;
    uint8_t h[44];
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put16(h + 20, 1);
    Put16(h + 22, static_cast<uint16_t>(channels));
    Put32(h + 24, static_cast<uint32_t>(rate));
    Put32(h + 28, static_cast<uint32_t>(rate * channels * 2));
    Put16(h + 32, static_cast<uint16_t>(channels * 2));
    Put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, 0);
    if (std::fwrite(h, 1, sizeof h, file_) != sizeof h) {
        if (error) *error = path + ": cannot write";
        std::fclose(file_);
        file_ = nullptr;
        return false;
    }
    return true;
}

void WavWriter::Write(const int16_t* samples, size_t frames) {
    if (!file_ || frames == 0) return;
    const uint64_t frameBytes = static_cast<uint64_t>(channels_) * 2;
    if ((frames_ + frames) * frameBytes > kMaxDataBytes) {
        uint64_t room = kMaxDataBytes / frameBytes;
        frames = room > frames_ ? static_cast<size_t>(room - frames_) : 0;
        if (frames == 0) return;
    }
    // Little-endian on every machine this runs on; written as is.
    size_t n = std::fwrite(samples, static_cast<size_t>(frameBytes), frames, file_);
    if (n < frames) NoteFailure(std::strerror(errno));
    frames_ += n;
    sincePatch_ += n;
    if (sincePatch_ >= static_cast<uint64_t>(rate_)) PatchHeader();
}

void WavWriter::PatchHeader() {
    if (!file_) return;
    sincePatch_ = 0;
    const uint32_t data = static_cast<uint32_t>(frames_ * channels_ * 2);
    uint8_t v[4];
    long here = std::ftell(file_);
    Put32(v, 36 + data);
    std::fseek(file_, 4, SEEK_SET);
    std::fwrite(v, 1, 4, file_);
    Put32(v, data);
    std::fseek(file_, 40, SEEK_SET);
    std::fwrite(v, 1, 4, file_);
    std::fseek(file_, here, SEEK_SET);
    if (std::fflush(file_) != 0 || std::ferror(file_)) NoteFailure(std::strerror(errno));
}

void WavWriter::NoteFailure(const char* why) {
    // A full disk or a lost file: the recording is incomplete, and the
    // run must say so rather than end as if it were whole.
    platform::NoteRunFailure("cannot write the audio recording " + path_ + ": " + why);
}

void WavWriter::Close() {
    if (!file_) return;
    PatchHeader();
    if (std::fclose(file_) != 0) NoteFailure(std::strerror(errno));
    file_ = nullptr;
}

} // namespace platform::audio
