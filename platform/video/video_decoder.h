// Movie files decoded with FFmpeg: video frames as 0xAARRGGBB pictures with
// their presentation times, sound as 44100 Hz stereo 16-bit samples.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::video {

constexpr int64_t kNsPerSecond = 1000000000;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;
    int64_t timeNs = 0;  // when it is shown
};

// Receives decoded sound as it comes out of the file.
using AudioSink = std::function<void(const int16_t* stereo, int frames)>;

class Decoder {
public:
    virtual ~Decoder() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual int64_t DurationNs() const = 0;   // 0 when the file does not say
    virtual bool HasAudio() const = 0;

    // Decodes forward until the picture on screen at `timeNs` is known (the
    // last one whose time is <= timeNs). Sound decoded on the way goes to the
    // sink. False once the stream has no picture left after timeNs.
    virtual bool AdvanceTo(int64_t timeNs, const AudioSink& sink) = 0;
    virtual const Picture* Current() const = 0;  // null before the first picture
    // Restarts decoding at timeNs (the picture shown there becomes current at
    // the next AdvanceTo).
    virtual bool Seek(int64_t timeNs) = 0;
};

// Null with a reason when the file cannot be opened or has no video stream.
std::unique_ptr<Decoder> OpenDecoder(const std::string& path, std::string& error);

// True when the decoder libraries answer (they are linked in, so always).
bool DecoderAvailable();

} // namespace platform::video
