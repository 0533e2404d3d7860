// The main window and its event pump (what the window procedure and the
// message loop were). Text arguments are CP932; the backend converts.
#pragma once
#include <cstdint>
#include <functional>

namespace platform {

struct WindowEvents {
    bool quitRequested = false;   // close box
    bool focusChanged = false;
    bool active = false;          // valid when focusChanged
};

class IWindow {
public:
    virtual ~IWindow() = default;

    // Creates the (hidden) window with the given client size, centred.
    virtual bool Create(const char* title, int clientWidth, int clientHeight) = 0;
    virtual void Show() = 0;
    virtual void SetTitle(const char* title) = 0;
    // The window's client area becomes logicalW x logicalH times the scale:
    // --scale N, else the largest integer multiple that fits in about three
    // quarters of the desktop. Recentred.
    virtual void SetLogicalSize(int logicalW, int logicalH) = 0;
    // A client size chosen by the player (remembered from the last run):
    // SetLogicalSize then sizes the window to it, cut to the desktop's
    // usable area, instead of the automatic scale. Not used under --scale N.
    virtual void SetPreferredClientSize(int /*w*/, int /*h*/) {}
    // The window's last client size while windowed (while full screen: the
    // size before it). False when there is no real window.
    virtual bool GetWindowedClientSize(int* /*w*/, int* /*h*/) const { return false; }
    virtual bool SetIconFromFile(const char* icoPath) = 0;   // ICO with BMP or PNG images
    virtual void MessageBox(const char* caption, const char* text) = 0;

    // Drains every pending event. Window events come back here; input events
    // are handed to the input sink (see SetInputEventSink).
    virtual WindowEvents PumpEvents() = 0;
    // Blocks until some event arrives (used while inactive), or timeoutMs.
    virtual void WaitEvent(int timeoutMs) = 0;

    // Presents a frame of 0xAARRGGBB pixels. In a window (of any size) and
    // full screen: the largest integer factor that fits, nearest-neighbour,
    // centred on black bars; a smooth fit only when smaller than 1x.
    virtual void Present(const uint32_t* pixels, int width, int height, int pitchPixels) = 0;
    // Full screen: the desktop's full-screen mode with the picture scaled by
    // the largest integer factor that fits and centred.
    virtual void SetFullScreen(bool on) = 0;
    virtual bool IsFullScreen() const = 0;
    virtual void ShowCursor(bool show) = 0;

    // Client-area size in window pixels and the placement of the logical
    // screen inside it, for mapping mouse positions to logical pixels.
    struct Viewport { int x = 0, y = 0, w = 320, h = 240; int logicalW = 320, logicalH = 240; };
    virtual Viewport GetViewport() const = 0;

    // A picture shown on top of every presented frame until cleared (null):
    // the source rectangle of `pixels` scaled into the destination rectangle,
    // both in pixels of the logical screen. The pixels are copied.
    struct VideoOverlay {
        const uint32_t* pixels = nullptr;
        int width = 0, height = 0;
        int srcX = 0, srcY = 0, srcW = 0, srcH = 0;
        int dstX = 0, dstY = 0, dstW = 0, dstH = 0;
    };
    virtual void SetVideoOverlay(const VideoOverlay* overlay) = 0;

    // Opaque handle that plug-ins may be given (never null once created).
    virtual void* NativeHandle() = 0;
};

// The window backend chosen by SelectBackends (SDL2 or null).
IWindow& Window();

} // namespace platform
