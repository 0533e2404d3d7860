#include <memory>

#include "platform/backend.h"
#include "platform/input/input_device.h"
#include "platform/input/input_sdl.h"

namespace platform {

IInputDevice& InputDevice() {
    static std::unique_ptr<IInputDevice> device =
        SelectedBackends() == BackendKind::Real ? std::unique_ptr<IInputDevice>(std::make_unique<sdl::SdlInputDevice>())
                                                : std::make_unique<NullInputDevice>();
    return *device;
}

} // namespace platform
