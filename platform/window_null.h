// The window of headless runs: nothing is shown, every call succeeds.
#pragma once
#include <vector>

#include "platform/window.h"

namespace platform {

class NullWindow final : public IWindow {
public:
    bool Create(const char*, int w, int h) override { m_view.w = w; m_view.h = h; return true; }
    void Show() override {}
    void SetTitle(const char*) override {}
    void SetLogicalSize(int w, int h) override;
    bool SetIconFromFile(const char* icoPath) override;
    void MessageBox(const char*, const char*) override {}
    WindowEvents PumpEvents() override { return {}; }
    void WaitEvent(int) override {}
    void Present(const uint32_t*, int, int, int) override {}
    void SetFullScreen(bool on) override { m_fullScreen = on; }
    bool IsFullScreen() const override { return m_fullScreen; }
    void ShowCursor(bool) override {}
    Viewport GetViewport() const override { return m_view; }
    void* NativeHandle() override { return this; }
    void SetVideoOverlay(const VideoOverlay* overlay) override;

    // What a real window would show on top of the frame (for tests).
    bool HasOverlay() const { return m_hasOverlay; }
    const VideoOverlay& Overlay() const { return m_overlay; }

private:
    Viewport m_view;
    bool m_fullScreen = false;
    bool m_hasOverlay = false;
    VideoOverlay m_overlay;
    std::vector<uint32_t> m_overlayPixels;
};

} // namespace platform
