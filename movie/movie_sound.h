// The movie's sound on its way to the mixer: the decoder fills it on the
// frame-loop thread, the mixer drains it on the audio thread.
#pragma once
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/audio/audio.h"

class MovieSound final : public platform::audio::ISource {
public:
    MovieSound();
    ~MovieSound() override;  // leaves the mixer first

    void Push(const int16_t* stereo, int frames);
    void SetPlaying(bool playing);
    void Clear();
    void Mix(float* stereo, int frames) override;
    size_t QueuedFrames() const;

private:
    mutable std::mutex m_mutex;
    std::deque<int16_t> m_samples;
    bool m_playing = false;
};
