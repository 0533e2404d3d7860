// The main window on SDL2: a streaming texture of the back buffer, scaled by
// the largest integer factor that fits the (resizable) window or the full
// screen with nearest-neighbour sampling and centred on black bars.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/icon_file.h"
#include "platform/pause_sign.h"
#include "platform/run_options.h"
#include "platform/sdl/sdl_event_hub.h"
#include "platform/text_codec.h"
#include "platform/window.h"
#include "platform/window_fit.h"

namespace platform {

namespace {

class SdlWindow final : public IWindow {
public:
    ~SdlWindow() override {
        if (m_texture) SDL_DestroyTexture(m_texture);
        if (m_overlay) SDL_DestroyTexture(m_overlay);
        if (m_renderer) SDL_DestroyRenderer(m_renderer);
        if (m_window) SDL_DestroyWindow(m_window);
        // SDL's video subsystem stays up until the process ends: shutting it
        // down unloads the X libraries it opened, and leak reports of their
        // process-lifetime caches would then point into unmapped memory.
    }

    bool Create(const char* title, int clientWidth, int clientHeight) override {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            std::fprintf(stderr, "launcher: no display: %s\n", SDL_GetError());
            return false;
        }
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
        SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");  // the application paces frames
        m_window = SDL_CreateWindow(Cp932ToUtf8(title).c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    clientWidth, clientHeight, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
        if (!m_window) {
            std::fprintf(stderr, "launcher: cannot create the window: %s\n", SDL_GetError());
            return false;
        }
        m_renderer = SDL_CreateRenderer(m_window, -1, 0);
        if (!m_renderer) {
            std::fprintf(stderr, "launcher: cannot create a renderer: %s\n", SDL_GetError());
            return false;
        }
        m_logicalW = clientWidth;
        m_logicalH = clientHeight;
        return true;
    }

    void Show() override {
        SDL_ShowWindow(m_window);
        SDL_RaiseWindow(m_window);
        m_shown = true;
    }

    void SetTitle(const char* title) override {
        if (m_window) SDL_SetWindowTitle(m_window, Cp932ToUtf8(title).c_str());
    }

    void SetLogicalSize(int w, int h) override {
        if (!m_window || w <= 0 || h <= 0) return;
        m_logicalW = w;
        m_logicalH = h;
        if (SDL_GetWindowFlags(m_window) & SDL_WINDOW_FULLSCREEN_DESKTOP) return;
        SDL_Rect usable{0, 0, 0, 0};
        int display = SDL_GetWindowDisplayIndex(m_window);
        if (SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &usable) != 0) usable = SDL_Rect{0, 0, 0, 0};
        // The frame is known once the window manager has decorated the
        // window; before that a modest title bar is assumed.
        int top = 0, left = 0, bottom = 0, right = 0;
        if (SDL_GetWindowBordersSize(m_window, &top, &left, &bottom, &right) != 0 || top + bottom == 0) {
            top = 30;
            left = right = bottom = 2;
        }
        const FitRect room{usable.x, usable.y, usable.w, usable.h};
        int clientW = 0, clientH = 0;
        if (m_preferredW > 0 && m_preferredH > 0) {
            clientW = m_preferredW;
            clientH = m_preferredH;
            ClampClientSize(&clientW, &clientH, room, left + right, top + bottom);
        } else {
            const int scale = ClampWindowScale(Options().scale, w, h, room, left + right, top + bottom);
            clientW = w * scale;
            clientH = h * scale;
        }
        SDL_SetWindowSize(m_window, clientW, clientH);
        if (usable.w > 0 && usable.h > 0) {
            int x = 0, y = 0;
            PlaceWindow(clientW, clientH, room, left, top, left + right, top + bottom, &x, &y);
            SDL_SetWindowPosition(m_window, x, y);
        } else {
            SDL_SetWindowPosition(m_window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        }
    }

    void SetPreferredClientSize(int w, int h) override {
        if (Options().scale > 0) return;  // an explicit --scale wins
        m_preferredW = w;
        m_preferredH = h;
    }

    bool GetWindowedClientSize(int* w, int* h) const override {
        if (!m_window) return false;
        if (IsFullScreen()) {
            if (m_preferredW <= 0 || m_preferredH <= 0) return false;
            *w = m_preferredW;
            *h = m_preferredH;
            return true;
        }
        SDL_GetWindowSize(m_window, w, h);
        return *w > 0 && *h > 0;
    }

    bool SetIconFromFile(const char* icoPath) override {
        IconImage image;
        std::string error;
        if (!LoadIconFile(icoPath, image, error)) return false;
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(image.argb.data(), image.width, image.height, 32,
                                                                  image.width * 4, SDL_PIXELFORMAT_ARGB8888);
        if (!surface) return false;
        SDL_SetWindowIcon(m_window, surface);
        SDL_FreeSurface(surface);
        return true;
    }

    void MessageBox(const char* caption, const char* text) override {
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, Cp932ToUtf8(caption).c_str(),
                                 Cp932ToUtf8(text).c_str(), m_window);
    }

    WindowEvents PumpEvents() override {
        WindowEvents result;
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            switch (event.type) {
            case SDL_QUIT:
                result.quitRequested = true;
                break;
            case SDL_WINDOWEVENT:
                switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    result.quitRequested = true;
                    break;
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                case SDL_WINDOWEVENT_RESTORED:
                    result.focusChanged = true;
                    result.active = true;
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                case SDL_WINDOWEVENT_MINIMIZED:
                    result.focusChanged = true;
                    result.active = false;
                    // No frames run while inactive: say so on the picture.
                    m_paused = true;
                    DrawPaused();
                    break;
                case SDL_WINDOWEVENT_EXPOSED:
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    if (m_paused) DrawPaused();
                    break;
                default:
                    break;
                }
                break;
            case SDL_KEYDOWN:
                // Alt+Enter toggles full screen at once; the game never sees it.
                if (event.key.keysym.sym == SDLK_RETURN && (event.key.keysym.mod & KMOD_ALT)) {
                    if (!event.key.repeat) SetFullScreen(!IsFullScreen());
                    continue;
                }
                break;
            default:
                break;
            }
            sdl::DispatchEvent(event);
        }
        return result;
    }

    void WaitEvent(int timeoutMs) override { SDL_WaitEventTimeout(nullptr, timeoutMs); }

    void Present(const uint32_t* pixels, int width, int height, int pitchPixels) override {
        if (!m_renderer || !pixels || width <= 0 || height <= 0) return;
        // Kept for the pause sign, which goes on this copy only.
        m_lastFrame.resize(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            std::memcpy(&m_lastFrame[static_cast<size_t>(y) * width], pixels + static_cast<long>(y) * pitchPixels,
                        static_cast<size_t>(width) * 4);
        m_paused = false;   // the first active frame takes the sign away
        Draw(pixels, width, height, pitchPixels);
    }

    // The last picture again with the pause sign over it.
    void DrawPaused() {
        if (m_lastFrame.empty() || m_presentedW <= 0 || m_presentedH <= 0) return;
        std::vector<uint32_t> signed_ = m_lastFrame;
        StampPauseSign(signed_.data(), m_presentedW, m_presentedH, m_presentedW);
        Draw(signed_.data(), m_presentedW, m_presentedH, m_presentedW);
    }

    void Draw(const uint32_t* pixels, int width, int height, int pitchPixels) {
        if (!m_texture || width != m_textureW || height != m_textureH) {
            if (m_texture) SDL_DestroyTexture(m_texture);
            m_texture = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
            m_textureW = width;
            m_textureH = height;
            if (!m_texture) return;
        }
        SDL_UpdateTexture(m_texture, nullptr, pixels, pitchPixels * 4);
        m_presentedW = width;
        m_presentedH = height;
        // The renderer's own output size: under a bare X server the window
        // size SDL reports can lag a full-screen switch.
        int ow = 0, oh = 0;
        if (SDL_GetRendererOutputSize(m_renderer, &ow, &oh) != 0) SDL_GetWindowSize(m_window, &ow, &oh);
        bool whole = true;
        const FitRect fit = LetterboxRect(ow, oh, width, height, &whole);
        // Nearest-neighbour at whole scales keeps the pixels sharp; only a
        // window smaller than the picture is filtered.
        SDL_SetTextureScaleMode(m_texture, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
        Viewport view;
        view.x = fit.x;
        view.y = fit.y;
        view.w = fit.w;
        view.h = fit.h;
        SDL_Rect dst{view.x, view.y, view.w, view.h};
        SDL_SetRenderDrawColor(m_renderer, 0, 0, 0, 255);
        SDL_RenderClear(m_renderer);
        SDL_RenderCopy(m_renderer, m_texture, nullptr, &dst);
        if (m_showOverlay && m_overlay) {
            // Logical pixels to output pixels, also at a fit below 1x.
            auto sx = [&](int v) { return static_cast<int>(static_cast<long long>(v) * view.w / width); };
            auto sy = [&](int v) { return static_cast<int>(static_cast<long long>(v) * view.h / height); };
            SDL_Rect src{m_overlayPlace.srcX, m_overlayPlace.srcY, m_overlayPlace.srcW, m_overlayPlace.srcH};
            SDL_Rect to{view.x + sx(m_overlayPlace.dstX), view.y + sy(m_overlayPlace.dstY),
                        sx(m_overlayPlace.dstX + m_overlayPlace.dstW) - sx(m_overlayPlace.dstX),
                        sy(m_overlayPlace.dstY + m_overlayPlace.dstH) - sy(m_overlayPlace.dstY)};
            SDL_RenderSetClipRect(m_renderer, &dst);
            SDL_RenderCopy(m_renderer, m_overlay, &src, &to);
            SDL_RenderSetClipRect(m_renderer, nullptr);
        }
        SDL_RenderPresent(m_renderer);
    }

    void SetFullScreen(bool on) override {
        if (m_window && on && !IsFullScreen()) {
            // The windowed size comes back when full screen ends (a window
            // not shown yet has no size of the player's).
            if (m_shown) SDL_GetWindowSize(m_window, &m_preferredW, &m_preferredH);
            // Without a window manager nothing moves or resizes the window
            // for full screen, and SDL then draws for the desktop's size into
            // the old window (a cropped, zoomed piece). Cover the display
            // first; leaving full screen puts the window back.
            SDL_Rect bounds;
            int display = SDL_GetWindowDisplayIndex(m_window);
            if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0) {
                SDL_SetWindowPosition(m_window, bounds.x, bounds.y);
                SDL_SetWindowSize(m_window, bounds.w, bounds.h);
            }
        }
        if (m_window) SDL_SetWindowFullscreen(m_window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
        if (!on) SetLogicalSize(m_logicalW, m_logicalH);
    }

    bool IsFullScreen() const override {
        return m_window && (SDL_GetWindowFlags(m_window) & SDL_WINDOW_FULLSCREEN_DESKTOP);
    }

    void ShowCursor(bool show) override { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

    Viewport GetViewport() const override {
        Viewport view;
        int lw = m_presentedW ? m_presentedW : m_logicalW;
        int lh = m_presentedH ? m_presentedH : m_logicalH;
        int ow = lw, oh = lh;
        if (m_window) SDL_GetWindowSize(m_window, &ow, &oh);
        const FitRect fit = LetterboxRect(ow, oh, lw, lh);
        view.x = fit.x;
        view.y = fit.y;
        view.w = fit.w;
        view.h = fit.h;
        view.logicalW = lw;
        view.logicalH = lh;
        return view;
    }

    void* NativeHandle() override { return m_window; }

    void SetVideoOverlay(const VideoOverlay* overlay) override {
        m_showOverlay = overlay && overlay->pixels && m_renderer;
        if (!m_showOverlay) return;
        if (!m_overlay || overlay->width != m_overlayW || overlay->height != m_overlayH) {
            if (m_overlay) SDL_DestroyTexture(m_overlay);
            m_overlay = SDL_CreateTexture(m_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                          overlay->width, overlay->height);
            m_overlayW = overlay->width;
            m_overlayH = overlay->height;
            if (!m_overlay) {
                m_showOverlay = false;
                return;
            }
            SDL_SetTextureBlendMode(m_overlay, SDL_BLENDMODE_NONE);
        }
        SDL_UpdateTexture(m_overlay, nullptr, overlay->pixels, overlay->width * 4);
        m_overlayPlace = *overlay;
        m_overlayPlace.pixels = nullptr;
    }

private:
    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    SDL_Texture* m_texture = nullptr;
    int m_textureW = 0, m_textureH = 0;
    int m_presentedW = 0, m_presentedH = 0;
    SDL_Texture* m_overlay = nullptr;
    int m_overlayW = 0, m_overlayH = 0;
    bool m_showOverlay = false;
    VideoOverlay m_overlayPlace;
    int m_logicalW = 320, m_logicalH = 240;
    int m_preferredW = 0, m_preferredH = 0;   // the player's size, 0: the automatic scale
    bool m_shown = false;
    std::vector<uint32_t> m_lastFrame;   // width m_presentedW, tightly packed
    bool m_paused = false;
};

} // namespace

std::unique_ptr<IWindow> CreateSdlWindow() { return std::make_unique<SdlWindow>(); }

} // namespace platform
