// The movie module: one movie at a time, decoded in step with the frame loop
// and shown on top of the presented frame, its sound mixed with the rest.
#pragma once
#include <cstdint>
#include <memory>

#include "plugin_api/tev_movie.h"

class CTevWinApp;
class MovieSound;
namespace platform::video {
class Decoder;
}

class CTevDxMovie : public ITevMovie {
public:
    CTevDxMovie();
    ~CTevDxMovie() override;

    bool Initialize(ITevApp* app) override;
    bool Finalize() override;
    bool InitializeAfterUser() override;
    bool BeginFrame() override;
    bool EndFrame() override;

    int Load(const char* path, long* width, long* height) override;
    int Play(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth, int sourceHeight) override;
    int Stop() override;
    int Pause() override;
    int Resume() override;
    int Seek(int64_t position) override;
    int GetState() override;
    int SetBasePath(const char* folder) override;

    // Position of the movie clock in nanoseconds (for tests and logs).
    int64_t PositionNs() const;

private:
    enum State { kEmpty = 0, kLoaded = 1, kPlaying = 2, kPaused = 3 };
    void Release();
    void ShowCurrentPicture();
    void StartClock();
    void StopClock();

    ITevApp* m_app = nullptr;
    int m_state = kEmpty;
    char m_basePath[260] = {};
    bool m_ready = false;  // decoder libraries answered

    std::unique_ptr<platform::video::Decoder> m_decoder;
    std::unique_ptr<MovieSound> m_sound;
    int m_dst[4] = {};
    int m_src[4] = {};
    // Movie clock: position when the clock last started, and the audio clock
    // reading at that moment (ms, 32-bit wrapping like a tick count).
    int64_t m_positionAtStartNs = 0;
    uint32_t m_clockStartMs = 0;
    bool m_clockRunning = false;
    bool m_visible = false;
};
