#include "platform/input/input_sdl.h"

#include "platform/input/sdl_keymap.h"
#include "platform/sdl/sdl_event_hub.h"

namespace platform::sdl {

namespace {

constexpr Uint32 kPadSubsystems = SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER;
// A trigger counts as a button past half its travel.
constexpr int kTriggerThreshold = 16384;
constexpr int kDeviceButtons = 12;

void OnSdlEvent(const SDL_Event& event, void* context) { static_cast<SdlInputDevice*>(context)->HandleEvent(event); }

// SDL numbers mouse buttons left 1, middle 2, right 3, X1 4, X2 5; the
// service numbers them left 0, right 1, middle 2, then the rest in order.
int MouseButtonIndex(int sdlButton) {
    switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return sdlButton >= 4 && sdlButton <= 8 ? sdlButton - 1 : -1;
    }
}

} // namespace

int ScaleAxis(int v) {
    if (v >= 0) return v >= 32767 ? kInputAxisMax : v * kInputAxisMax / 32767;
    return v <= -32768 ? -kInputAxisMax : v * kInputAxisMax / 32768;
}

int HatToDirections(int hat) {
    int bits = 0;
    if (hat & SDL_HAT_UP) bits |= kPadDirUp;
    if (hat & SDL_HAT_DOWN) bits |= kPadDirDown;
    if (hat & SDL_HAT_LEFT) bits |= kPadDirLeft;
    if (hat & SDL_HAT_RIGHT) bits |= kPadDirRight;
    return bits;
}

int ControllerButtonToDevice(int button, int* direction) {
    int dir = 0, device = -1;
    switch (button) {
    // Face buttons south, east, west, north, as on most pads' own numbering,
    // so the first two device buttons are the two main face buttons.
    case SDL_CONTROLLER_BUTTON_A: device = 0; break;
    case SDL_CONTROLLER_BUTTON_B: device = 1; break;
    case SDL_CONTROLLER_BUTTON_X: device = 2; break;
    case SDL_CONTROLLER_BUTTON_Y: device = 3; break;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: device = 4; break;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: device = 5; break;
    case SDL_CONTROLLER_BUTTON_BACK: device = 6; break;
    case SDL_CONTROLLER_BUTTON_START: device = 7; break;
    case SDL_CONTROLLER_BUTTON_LEFTSTICK: device = 8; break;
    case SDL_CONTROLLER_BUTTON_RIGHTSTICK: device = 9; break;
    // 10 and 11 are the triggers (axes in SDL).
    case SDL_CONTROLLER_BUTTON_DPAD_UP: dir = kPadDirUp; break;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: dir = kPadDirDown; break;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: dir = kPadDirLeft; break;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: dir = kPadDirRight; break;
    default: break;
    }
    if (direction) *direction = dir;
    return device;
}

SdlInputDevice::~SdlInputDevice() {
    CloseKeyboard();
    ClosePads();
    CloseMouse();
}

void SdlInputDevice::UpdateHandler() {
    const bool want = m_keyboard || m_pads || m_mouse;
    if (want && !m_handlerAdded) AddEventHandler(OnSdlEvent, this);
    if (!want && m_handlerAdded) RemoveEventHandler(OnSdlEvent, this);
    m_handlerAdded = want;
}

bool SdlInputDevice::OpenKeyboard() {
    m_keyboard = true;
    UpdateHandler();
    return true;
}

bool SdlInputDevice::OpenMouse() {
    m_mouse = true;
    UpdateHandler();
    return true;
}

void SdlInputDevice::CloseKeyboard() {
    m_keyboard = false;
    UpdateHandler();
}

void SdlInputDevice::CloseMouse() {
    m_mouse = false;
    UpdateHandler();
}

int SdlInputDevice::OpenPads() {
    if (m_pads) return m_slots.Count();
    // Pads are read whichever window has the focus, as before.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(kPadSubsystems) != 0) return -1;
    SDL_JoystickEventState(SDL_ENABLE);
    SDL_GameControllerEventState(SDL_ENABLE);
    m_pads = true;
    UpdateHandler();
    // Pads attached now; each also arrives later as a device-added event,
    // which Attach recognises by its instance id.
    const int n = SDL_NumJoysticks();
    for (int i = 0; i < n && m_slots.Count() < kInputPads; ++i) AttachDevice(i);
    return m_slots.Count();
}

void SdlInputDevice::ClosePads() {
    if (!m_pads) return;
    for (int s = 0; s < kInputPads; ++s) {
        PadHandle& h = m_handles[s];
        if (h.controller) SDL_GameControllerClose(h.controller);
        else if (h.joystick) SDL_JoystickClose(h.joystick);
        if (h.joystick || h.controller) Inject(InputEvent::PadDetachEvent(s));
        h = PadHandle{};
    }
    m_slots = PadSlots{};
    SDL_QuitSubSystem(kPadSubsystems);
    m_pads = false;
    UpdateHandler();
}

int SdlInputDevice::AttachDevice(int deviceIndex) {
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (id < 0) return -1;
    if (int known = m_slots.SlotOf(id); known >= 0) return known;
    PadHandle handle;
    if (SDL_IsGameController(deviceIndex)) {
        handle.controller = SDL_GameControllerOpen(deviceIndex);
        if (handle.controller) handle.joystick = SDL_GameControllerGetJoystick(handle.controller);
    }
    if (!handle.controller) handle.joystick = SDL_JoystickOpen(deviceIndex);
    if (!handle.joystick) return -1;
    const int slot = m_slots.Attach(SDL_JoystickInstanceID(handle.joystick));
    if (slot < 0) {
        if (handle.controller) SDL_GameControllerClose(handle.controller);
        else SDL_JoystickClose(handle.joystick);
        return -1;
    }
    m_handles[slot] = handle;
    Inject(InputEvent::PadAttachEvent(slot));
    // A stick already pushed or a button already held counts from the start.
    if (handle.controller) PushControllerState(slot);
    else PushJoystickState(slot);
    return slot;
}

void SdlInputDevice::DetachInstance(SDL_JoystickID id) {
    const int slot = m_slots.Detach(id);
    if (slot < 0) return;
    PadHandle& h = m_handles[slot];
    if (h.controller) SDL_GameControllerClose(h.controller);
    else if (h.joystick) SDL_JoystickClose(h.joystick);
    h = PadHandle{};
    Inject(InputEvent::PadDetachEvent(slot));
}

void SdlInputDevice::PushControllerState(int slot) {
    SDL_GameController* c = m_handles[slot].controller;
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b)
        if (SDL_GameControllerGetButton(c, static_cast<SDL_GameControllerButton>(b)))
            HandleControllerButton(slot, b, true);
    for (int a = 0; a < SDL_CONTROLLER_AXIS_MAX; ++a)
        HandleControllerAxis(slot, a, SDL_GameControllerGetAxis(c, static_cast<SDL_GameControllerAxis>(a)));
}

void SdlInputDevice::PushJoystickState(int slot) {
    SDL_Joystick* j = m_handles[slot].joystick;
    const int axes = SDL_JoystickNumAxes(j);
    for (int a = 0; a < 2 && a < axes; ++a) Inject(InputEvent::PadAxisEvent(slot, a, ScaleAxis(SDL_JoystickGetAxis(j, a))));
    const int buttons = SDL_JoystickNumButtons(j);
    for (int b = 0; b < kDeviceButtons && b < buttons; ++b)
        if (SDL_JoystickGetButton(j, b)) Inject(InputEvent::PadButtonEvent(slot, b, true));
    if (SDL_JoystickNumHats(j) > 0) Inject(InputEvent::PadHatEvent(slot, HatToDirections(SDL_JoystickGetHat(j, 0))));
}

void SdlInputDevice::HandleControllerButton(int slot, int button, bool down) {
    int dir = 0;
    const int device = ControllerButtonToDevice(button, &dir);
    if (device >= 0) Inject(InputEvent::PadButtonEvent(slot, device, down));
    else if (dir) Inject(InputEvent::PadDirectionEvent(slot, dir, down));
}

void SdlInputDevice::HandleControllerAxis(int slot, int axis, int value) {
    switch (axis) {
    case SDL_CONTROLLER_AXIS_LEFTX: Inject(InputEvent::PadAxisEvent(slot, 0, ScaleAxis(value))); break;
    case SDL_CONTROLLER_AXIS_LEFTY: Inject(InputEvent::PadAxisEvent(slot, 1, ScaleAxis(value))); break;
    case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT: {
        const int t = axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT ? 0 : 1;
        const bool down = value >= kTriggerThreshold;
        if (down != m_handles[slot].triggerDown[t]) {
            m_handles[slot].triggerDown[t] = down;
            Inject(InputEvent::PadButtonEvent(slot, 10 + t, down));
        }
        break;
    }
    default: break;
    }
}

void SdlInputDevice::HandleEvent(const SDL_Event& e) {
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        if (!m_keyboard || e.key.repeat) return;
        const int code = DikFromScancode(e.key.keysym.scancode);
        if (code > 0) Inject(InputEvent::KeyEvent(code, e.type == SDL_KEYDOWN));
        return;
    }
    case SDL_WINDOWEVENT:
        // Keys released while another window has the focus never report up.
        if (m_keyboard && e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) Inject({InputEvent::Kind::ReleaseKeys});
        return;
    case SDL_MOUSEMOTION:
        if (m_mouse) Inject(InputEvent::MouseMoveEvent(e.motion.x, e.motion.y));
        return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        if (!m_mouse) return;
        const int b = MouseButtonIndex(e.button.button);
        if (b >= 0) Inject(InputEvent::MouseButtonEvent(b, e.type == SDL_MOUSEBUTTONDOWN));
        Inject(InputEvent::MouseMoveEvent(e.button.x, e.button.y));
        return;
    }
    case SDL_MOUSEWHEEL: {
        if (!m_mouse) return;
        int y = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
        if (y) Inject(InputEvent::MouseWheelEvent(y));
        return;
    }
    default: break;
    }

    if (!m_pads) return;
    switch (e.type) {
    case SDL_JOYDEVICEADDED:
        AttachDevice(e.jdevice.which);
        return;
    case SDL_JOYDEVICEREMOVED:
        DetachInstance(e.jdevice.which);
        return;
    case SDL_JOYAXISMOTION: {
        const int s = m_slots.SlotOf(e.jaxis.which);
        if (s < 0 || m_handles[s].controller || e.jaxis.axis > 1) return;
        Inject(InputEvent::PadAxisEvent(s, e.jaxis.axis, ScaleAxis(e.jaxis.value)));
        return;
    }
    case SDL_JOYHATMOTION: {
        const int s = m_slots.SlotOf(e.jhat.which);
        if (s < 0 || m_handles[s].controller || e.jhat.hat != 0) return;
        Inject(InputEvent::PadHatEvent(s, HatToDirections(e.jhat.value)));
        return;
    }
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP: {
        const int s = m_slots.SlotOf(e.jbutton.which);
        if (s < 0 || m_handles[s].controller || e.jbutton.button >= kDeviceButtons) return;
        Inject(InputEvent::PadButtonEvent(s, e.jbutton.button, e.type == SDL_JOYBUTTONDOWN));
        return;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        const int s = m_slots.SlotOf(e.cbutton.which);
        if (s < 0 || !m_handles[s].controller) return;
        HandleControllerButton(s, e.cbutton.button, e.type == SDL_CONTROLLERBUTTONDOWN);
        return;
    }
    case SDL_CONTROLLERAXISMOTION: {
        const int s = m_slots.SlotOf(e.caxis.which);
        if (s < 0 || !m_handles[s].controller) return;
        HandleControllerAxis(s, e.caxis.axis, e.caxis.value);
        return;
    }
    default: return;
    }
}

void SdlInputDevice::WarpMouse(int lx, int ly) {
    int wx = 0, wy = 0;
    LogicalToWindow(Window().GetViewport(), lx, ly, &wx, &wy);
    if (m_mouse) {
        if (auto* window = static_cast<SDL_Window*>(Window().NativeHandle())) SDL_WarpMouseInWindow(window, wx, wy);
    }
    m_state.SetMousePosition(wx, wy);
}

} // namespace platform::sdl
