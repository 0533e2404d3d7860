// Writes 16-bit PCM to a RIFF WAVE file (the --record-audio recording). The
// sizes in the header are brought up to date about once a second of audio,
// so a run that is killed still leaves a playable file.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform::audio {

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates (truncates) the file. False with a reason in error.
    bool Open(const std::string& path, int rate, int channels, std::string* error = nullptr);
    void Write(const int16_t* samples, size_t frames);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    uint64_t FramesWritten() const { return frames_; }

private:
    void PatchHeader();
    void NoteFailure(const char* why);

    std::FILE* file_ = nullptr;
    int rate_ = 0;
    int channels_ = 0;
    uint64_t frames_ = 0;
    uint64_t sincePatch_ = 0;
    std::string path_;
};

} // namespace platform::audio
