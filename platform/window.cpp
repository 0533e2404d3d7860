#include "platform/window.h"

#include <memory>

#include "platform/backend.h"
#include "platform/window_null.h"

namespace platform {

std::unique_ptr<IWindow> CreateSdlWindow();

IWindow& Window() {
    static std::unique_ptr<IWindow> window =
        SelectedBackends() == BackendKind::Real ? CreateSdlWindow() : std::make_unique<NullWindow>();
    return *window;
}

} // namespace platform
