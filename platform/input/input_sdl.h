// The SDL2 input backend. It never polls SDL's queue: the window backend
// drains it each frame and offers every event to HandleEvent (registered with
// the SDL event hub while any part is open), which turns it into InputEvents.
#pragma once
#include <SDL.h>

#include "platform/input/input_device.h"
#include "platform/input/pad_slots.h"

namespace platform::sdl {

class SdlInputDevice final : public IInputDevice {
public:
    SdlInputDevice() = default;
    ~SdlInputDevice() override;
    SdlInputDevice(const SdlInputDevice&) = delete;
    SdlInputDevice& operator=(const SdlInputDevice&) = delete;

    bool OpenKeyboard() override;
    int OpenPads() override;
    bool OpenMouse() override;
    void CloseKeyboard() override;
    void ClosePads() override;
    void CloseMouse() override;
    void WarpMouse(int lx, int ly) override;

    void HandleEvent(const SDL_Event& event);
    // The pad slot of an SDL joystick instance, or -1.
    int SlotOfInstance(SDL_JoystickID id) const { return m_slots.SlotOf(id); }

private:
    struct PadHandle {
        SDL_Joystick* joystick = nullptr;            // raw joystick, or
        SDL_GameController* controller = nullptr;    // one SDL knows the layout of
        bool triggerDown[2] = {};
    };

    void UpdateHandler();
    // Opens the device at an SDL device index and gives it a slot; -1 when it
    // cannot be opened or every slot is taken.
    int AttachDevice(int deviceIndex);
    void DetachInstance(SDL_JoystickID id);
    void PushControllerState(int slot);
    void PushJoystickState(int slot);
    void HandleControllerButton(int slot, int button, bool down);
    void HandleControllerAxis(int slot, int axis, int value);

    bool m_keyboard = false;
    bool m_pads = false;
    bool m_mouse = false;
    bool m_handlerAdded = false;
    PadSlots m_slots;
    PadHandle m_handles[kInputPads];
};

// SDL's -32768..32767 as -1000..1000, both ends exact.
int ScaleAxis(int sdlValue);
// SDL_HAT_* bits as kPadDir bits.
int HatToDirections(int sdlHat);
// A game controller button as a device button 0..11, or -1 (D-pad and the
// rest); *direction gets the kPadDir bit of a D-pad button, else 0.
int ControllerButtonToDevice(int sdlButton, int* direction);

} // namespace platform::sdl
