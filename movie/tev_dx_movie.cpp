#include "movie/tev_dx_movie.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "movie/movie_sound.h"
#include "platform/audio/audio.h"
#include "platform/video/video_decoder.h"
#include "platform/window.h"

CTevDxMovie::CTevDxMovie() = default;

CTevDxMovie::~CTevDxMovie() {
    if (m_visible) platform::Window().SetVideoOverlay(nullptr);
}

bool CTevDxMovie::Initialize(ITevApp* app) {
    m_app = app;
    return true;
}

bool CTevDxMovie::InitializeAfterUser() {
    m_ready = platform::video::DecoderAvailable();
    if (!m_ready) {
        Log(1, "CTevDxMovie::SecondInitialize|:CoCreateInstance Failed.");
        return false;
    }
    Log(0, "CTevDxMovie::SecondInitialize|:Succeeded");
    return true;
}

bool CTevDxMovie::Finalize() {
    Log(0, "CTevDxMovie::Finalize|:Begin");
    if (m_state == kPlaying || m_state == kPaused) Stop();
    if (m_state == kLoaded) Release();
    Log(0, "CTevDxMovie::Finalize|:Succeeded");
    return true;
}

void CTevDxMovie::Release() {
    m_sound.reset();
    m_decoder.reset();
    m_state = kEmpty;
}

int64_t CTevDxMovie::PositionNs() const {
    if (!m_clockRunning) return m_positionAtStartNs;
    uint32_t elapsedMs = platform::audio::ClockMs() - m_clockStartMs;  // wraps like a tick count
    return m_positionAtStartNs + static_cast<int64_t>(elapsedMs) * 1000000;
}

void CTevDxMovie::StartClock() {
    m_clockStartMs = platform::audio::ClockMs();
    m_clockRunning = true;
    if (m_sound) m_sound->SetPlaying(true);
}

void CTevDxMovie::StopClock() {
    m_positionAtStartNs = PositionNs();
    m_clockRunning = false;
    if (m_sound) m_sound->SetPlaying(false);
}

int CTevDxMovie::Load(const char* path, long* width, long* height) {
    Log(0, "CTevDxMovie::Load|: Begin");
    // A second load replaces the first movie.
    if (m_state == kPlaying || m_state == kPaused) Stop();
    Release();

    std::string full = std::string(m_basePath) + (path ? path : "");
    std::string error;
    if (full.size() > 99) {
        error = "path longer than 99 characters";
    } else {
        // Host text is passed on as it stands, as if it were UTF-8.
        m_decoder = platform::video::OpenDecoder(full, error);
    }
    if (!m_decoder) {
        Log(1, "CTevDxMovie::Load|: RenderFile Failed");
        Log(1, "|: %s", error.c_str());
    } else {
        Log(0, "|: RenderFile Succeeded");
        if (m_decoder->HasAudio()) m_sound = std::make_unique<MovieSound>();
    }
    if (width) *width = m_decoder ? m_decoder->Width() : 0;
    if (height) *height = m_decoder ? m_decoder->Height() : 0;
    m_positionAtStartNs = 0;
    m_clockRunning = false;
    m_state = kLoaded;
    Log(0, "CTevDxMovie::Load|:Succeeded");
    return 0;
}

int CTevDxMovie::Play(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth, int sourceHeight) {
    if (m_state == kEmpty) return 0;
    Log(0, "CTevDxMovie::Play|:Begin");
    m_dst[0] = x, m_dst[1] = y, m_dst[2] = width, m_dst[3] = height;
    m_src[0] = sourceX, m_src[1] = sourceY, m_src[2] = sourceWidth, m_src[3] = sourceHeight;
    if (m_state != kPlaying) StartClock();
    m_state = kPlaying;
    m_visible = true;
    ShowCurrentPicture();
    Log(0, "CTevDxMovie::Play|:Succeeded");
    return 0;
}

int CTevDxMovie::Stop() {
    if (m_state == kEmpty) return 0;
    if (m_clockRunning) StopClock();
    m_state = kLoaded;
    m_visible = false;
    platform::Window().SetVideoOverlay(nullptr);
    return 0;
}

int CTevDxMovie::Pause() {
    if (m_state != kPlaying) return 0;
    StopClock();
    m_state = kPaused;
    return 0;
}

int CTevDxMovie::Resume() {
    if (m_state != kPaused) return 0;
    StartClock();
    m_state = kPlaying;
    return 0;
}

int CTevDxMovie::Seek(int64_t position) {
    if (m_state == kEmpty || !m_decoder) return 0;
    int64_t target = position < 0 ? 0 : position * 100;
    bool running = m_clockRunning;
    if (running) StopClock();
    if (m_sound) m_sound->Clear();
    m_decoder->Seek(target);
    m_positionAtStartNs = target;
    if (running) StartClock();
    if (m_visible) ShowCurrentPicture();
    return 0;
}

int CTevDxMovie::GetState() { return m_state; }

int CTevDxMovie::SetBasePath(const char* folder) {
    std::snprintf(m_basePath, sizeof m_basePath, "%s", folder ? folder : "");
    return 0;
}

void CTevDxMovie::ShowCurrentPicture() {
    if (!m_decoder) {
        if (m_state == kPlaying) Stop();  // nothing could be opened: over at once
        return;
    }
    MovieSound* sound = m_sound.get();
    bool more = m_decoder->AdvanceTo(PositionNs(), [sound](const int16_t* stereo, int frames) {
        if (sound) sound->Push(stereo, frames);
    });
    const platform::video::Picture* picture = m_decoder->Current();
    if (picture && m_visible) {
        platform::IWindow::VideoOverlay overlay;
        overlay.pixels = picture->argb.data();
        overlay.width = picture->width;
        overlay.height = picture->height;
        bool wholeSource = m_src[2] <= 0 || m_src[3] <= 0;
        overlay.srcX = wholeSource ? 0 : m_src[0];
        overlay.srcY = wholeSource ? 0 : m_src[1];
        overlay.srcW = wholeSource ? picture->width : m_src[2];
        overlay.srcH = wholeSource ? picture->height : m_src[3];
        overlay.dstX = m_dst[0];
        overlay.dstY = m_dst[1];
        overlay.dstW = m_dst[2];
        overlay.dstH = m_dst[3];
        platform::Window().SetVideoOverlay(&overlay);
    }
    // The end of the movie, or a picture that cannot be decoded, stops it.
    if (!more && m_state == kPlaying) Stop();
}

bool CTevDxMovie::BeginFrame() {
    if (m_state == kPlaying) ShowCurrentPicture();
    return true;
}

bool CTevDxMovie::EndFrame() { return true; }
