// The MIDI player's periodic timers.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/midi/midi.h"

namespace platform::midi {

namespace {

uint32_t SteadyMs() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

class ThreadTimer final : public ITimer {
public:
    ~ThreadTimer() override { Kill(); }

    bool GetDevCaps(uint32_t* minPeriod, uint32_t* maxPeriod) override {
        if (minPeriod) *minPeriod = 1;
        if (maxPeriod) *maxPeriod = 1000000;
        return true;
    }
    uint32_t NowMs() override { return SteadyMs(); }

    bool Start(uint32_t periodMs, void (*fn)(void*), void* context) override {
        if (periodMs == 0 || !fn) return false;
        Kill();
        stop_ = false;
        thread_ = std::thread([this, periodMs, fn, context] { Run(periodMs, fn, context); });
        return true;
    }

    void Kill() override {
        if (!thread_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();   // killed from its own tick: it ends after this tick
        else
            thread_.join();
    }

private:
    void Run(uint32_t periodMs, void (*fn)(void*), void* context) {
        using clock = std::chrono::steady_clock;
        const auto period = std::chrono::milliseconds(periodMs);
        auto next = clock::now() + period;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (wake_.wait_until(lock, next, [this] { return stop_; })) return;
            lock.unlock();
            fn(context);
            lock.lock();
            next += period;
            // After a long stall (suspended machine) tick on from now rather
            // than catching up with a burst.
            auto now = clock::now();
            if (now > next + 10 * period) next = now + period;
        }
    }

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
};

class AudioClockTimer final : public ITimer {
public:
    explicit AudioClockTimer(audio::Mixer& mixer) : mixer_(mixer) {}
    ~AudioClockTimer() override { Kill(); }

    bool GetDevCaps(uint32_t* minPeriod, uint32_t* maxPeriod) override {
        if (minPeriod) *minPeriod = 1;
        if (maxPeriod) *maxPeriod = 1000000;
        return true;
    }
    uint32_t NowMs() override { return mixer_.TimeMs(); }

    bool Start(uint32_t periodMs, void (*fn)(void*), void* context) override {
        Kill();
        id_ = mixer_.AddTicker(periodMs, fn, context);
        return id_ != 0;
    }
    void Kill() override {
        if (id_) mixer_.RemoveTicker(id_);
        id_ = 0;
    }

private:
    audio::Mixer& mixer_;
    int id_ = 0;
};

} // namespace

std::unique_ptr<ITimer> CreateThreadTimer() { return std::make_unique<ThreadTimer>(); }
std::unique_ptr<ITimer> CreateAudioClockTimer(audio::Mixer& mixer) { return std::make_unique<AudioClockTimer>(mixer); }

} // namespace platform::midi
