#include "platform/window_null.h"

#include "platform/icon_file.h"

namespace platform {

void NullWindow::SetLogicalSize(int w, int h) {
    m_view = Viewport{0, 0, w, h, w, h};
}

bool NullWindow::SetIconFromFile(const char* icoPath) {
    // The file is still read so that a broken icon is reported the same way.
    IconImage image;
    std::string error;
    return LoadIconFile(icoPath, image, error);
}

void NullWindow::SetVideoOverlay(const VideoOverlay* overlay) {
    m_hasOverlay = overlay && overlay->pixels;
    if (!m_hasOverlay) return;
    m_overlay = *overlay;
    m_overlayPixels.assign(overlay->pixels, overlay->pixels + static_cast<size_t>(overlay->width) * overlay->height);
    m_overlay.pixels = m_overlayPixels.data();
}

} // namespace platform
