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

} // namespace platform
