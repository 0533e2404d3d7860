#include "movie/movie_sound.h"

#include <algorithm>

namespace {
// More than this is never queued: a movie whose sound runs far ahead of its
// pictures drops the oldest sound instead of growing without end.
constexpr size_t kMaxQueuedFrames = 44100 * 4;
} // namespace

MovieSound::MovieSound() { platform::audio::SharedMixer().AddSource(this); }

MovieSound::~MovieSound() { platform::audio::SharedMixer().RemoveSource(this); }

void MovieSound::Push(const int16_t* stereo, int frames) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_samples.insert(m_samples.end(), stereo, stereo + static_cast<size_t>(frames) * 2);
    while (m_samples.size() > kMaxQueuedFrames * 2) m_samples.pop_front();
}

void MovieSound::SetPlaying(bool playing) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_playing = playing;
}

void MovieSound::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_samples.clear();
}

size_t MovieSound::QueuedFrames() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_samples.size() / 2;
}

void MovieSound::Mix(float* stereo, int frames) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_playing) return;
    size_t n = std::min(m_samples.size(), static_cast<size_t>(frames) * 2);
    for (size_t i = 0; i < n; ++i) stereo[i] += m_samples[i] / 32768.0f;
    m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<long>(n));
}
