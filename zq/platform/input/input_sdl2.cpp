// The input service on SDL2. The window's pump shows every SDL event to this layer on the
// main thread; the events update one snapshot per device under a lock, and readers on the
// polling thread copy the snapshot under the same lock. Presses are latched until read so
// that a tap between two readings is not lost.
#include "zq/platform/input/input.h"

#include "zq/platform/os/utf.h"
#include "zq/platform/window/window_sdl2_internal.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zqp {

struct InputDevice {
    InputDeviceInfo info;
    SDL_Joystick* joystick = nullptr;
    SDL_GameController* pad = nullptr;
    SDL_JoystickID instance = -1;
    bool lost = false;
    // The snapshot, guarded by the service's lock.
    uint8_t down[InputState::NR_BUTTONS] = {};
    uint8_t latched[InputState::NR_BUTTONS] = {};
    int32_t axes[InputState::NR_AXES] = {};
    uint32_t povs[InputState::NR_POVS] = {InputState::POV_CENTRED, InputState::POV_CENTRED,
                                          InputState::POV_CENTRED, InputState::POV_CENTRED};
    // Direction-pad buttons of a game pad (bit 0 up, 1 down, 2 left, 3 right).
    uint8_t dpad = 0;
};

namespace {

constexpr size_t MAX_PATH_LENGTH = 260;
constexpr int32_t WHEEL_NOTCH = 120;

struct Service {
    std::mutex mutex;
    bool started = false;
    WindowHandle window = nullptr;
    uint32_t windowId = 0;
    bool focused = false;
    std::vector<std::unique_ptr<InputDevice>> devices;
    std::deque<SDL_JoystickID> arrivals;
};

Service& service() {
    static Service s;
    return s;
}

std::atomic<InputKeyListener> g_keyListener{nullptr};

int32_t clampAxis(const int32_t v) {
    return std::clamp<int32_t>(v, -32767, 32767);
}

// Movement piles up while nobody reads it; it saturates rather than wraps.
int32_t addMovement(const int32_t sum, const int64_t delta) {
    return static_cast<int32_t>(std::clamp<int64_t>(
        static_cast<int64_t>(sum) + std::clamp<int64_t>(delta, INT32_MIN, INT32_MAX), INT32_MIN,
        INT32_MAX));
}

uint32_t hatAngle(const uint8_t hat) {
    switch (hat) {
    case SDL_HAT_UP:
        return 0;
    case SDL_HAT_RIGHTUP:
        return 4500;
    case SDL_HAT_RIGHT:
        return 9000;
    case SDL_HAT_RIGHTDOWN:
        return 13500;
    case SDL_HAT_DOWN:
        return 18000;
    case SDL_HAT_LEFTDOWN:
        return 22500;
    case SDL_HAT_LEFT:
        return 27000;
    case SDL_HAT_LEFTUP:
        return 31500;
    default:
        return InputState::POV_CENTRED;
    }
}

// The direction pad as a hat; opposite directions cancel.
uint32_t dpadAngle(const uint8_t bits) {
    uint8_t hat = SDL_HAT_CENTERED;
    if ((bits & 1) != 0 && (bits & 2) == 0) {
        hat |= SDL_HAT_UP;
    }
    if ((bits & 2) != 0 && (bits & 1) == 0) {
        hat |= SDL_HAT_DOWN;
    }
    if ((bits & 4) != 0 && (bits & 8) == 0) {
        hat |= SDL_HAT_LEFT;
    }
    if ((bits & 8) != 0 && (bits & 4) == 0) {
        hat |= SDL_HAT_RIGHT;
    }
    return hatAngle(hat);
}

// Pad button to button number, or -1 for the direction pad.
int padButton(const int button) {
    switch (button) {
    case SDL_CONTROLLER_BUTTON_A:
        return 0;
    case SDL_CONTROLLER_BUTTON_B:
        return 1;
    case SDL_CONTROLLER_BUTTON_X:
        return 2;
    case SDL_CONTROLLER_BUTTON_Y:
        return 3;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
        return 4;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
        return 5;
    case SDL_CONTROLLER_BUTTON_BACK:
        return 6;
    case SDL_CONTROLLER_BUTTON_START:
        return 7;
    case SDL_CONTROLLER_BUTTON_LEFTSTICK:
        return 8;
    case SDL_CONTROLLER_BUTTON_RIGHTSTICK:
        return 9;
    case SDL_CONTROLLER_BUTTON_GUIDE:
        return 10;
    case SDL_CONTROLLER_BUTTON_MISC1:
        return 11;
    case SDL_CONTROLLER_BUTTON_PADDLE1:
        return 12;
    case SDL_CONTROLLER_BUTTON_PADDLE2:
        return 13;
    case SDL_CONTROLLER_BUTTON_PADDLE3:
        return 14;
    case SDL_CONTROLLER_BUTTON_PADDLE4:
        return 15;
    case SDL_CONTROLLER_BUTTON_TOUCHPAD:
        return 16;
    default:
        return -1;
    }
}

uint8_t dpadBit(const int button) {
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return 1;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return 2;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return 4;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return 8;
    default:
        return 0;
    }
}

int padAxis(const int axis) {
    switch (axis) {
    case SDL_CONTROLLER_AXIS_LEFTX:
        return 0;
    case SDL_CONTROLLER_AXIS_LEFTY:
        return 1;
    case SDL_CONTROLLER_AXIS_TRIGGERLEFT:
        return 2;
    case SDL_CONTROLLER_AXIS_RIGHTX:
        return 3;
    case SDL_CONTROLLER_AXIS_RIGHTY:
        return 4;
    case SDL_CONTROLLER_AXIS_TRIGGERRIGHT:
        return 5;
    default:
        return -1;
    }
}

void setButton(InputDevice& d, const size_t n, const bool pressed) {
    if (n >= InputState::NR_BUTTONS) {
        return;
    }
    d.down[n] = pressed ? InputState::BUTTON_DOWN : 0;
    if (pressed) {
        d.latched[n] = InputState::BUTTON_DOWN;
    }
}

InputDevice* deviceOfKind(Service& s, const InputKind kind) {
    for (const auto& d : s.devices) {
        if (d->info.kind == kind) {
            return d.get();
        }
    }
    return nullptr;
}

InputDevice* deviceOfInstance(Service& s, const SDL_JoystickID id) {
    for (const auto& d : s.devices) {
        if (d->info.kind == InputKind::Controller && d->instance == id) {
            return d.get();
        }
    }
    return nullptr;
}

bool isOpen(Service& s, const SDL_JoystickID id) {
    return deviceOfInstance(s, id) != nullptr;
}

std::string lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// Where an event node sits on the machine: its parent in the device tree, which stays the
// same when the controller is plugged into the same port again (the node's own name carries
// a number that grows on every plug-in).
std::string physicalLocation(const char* devPath) {
    const std::string prefix = "/dev/input/";
    const std::string p = devPath;
    if (p.compare(0, prefix.size(), prefix) != 0 || p.find('/', prefix.size()) != p.npos) {
        return p;
    }
    const std::string sys = "/sys/class/input/" + p.substr(prefix.size()) + "/device/device/..";
    char* resolved = realpath(sys.c_str(), nullptr);
    if (resolved == nullptr) {
        return p;
    }
    std::string out = resolved;
    free(resolved);
    return out;
}

// The stable identity of the controller at an SDL device index.
std::u16string controllerPath(const int index) {
    char head[32];
    std::snprintf(head, sizeof head, "hid#vid_%04x&pid_%04x#",
                  static_cast<unsigned>(SDL_JoystickGetDeviceVendor(index)),
                  static_cast<unsigned>(SDL_JoystickGetDeviceProduct(index)));
    std::string ident;
    const char* const sdlPath = SDL_JoystickPathForIndex(index);
    if (sdlPath != nullptr && sdlPath[0] != 0) {
        ident = physicalLocation(sdlPath);
    } else {
        // Devices without a node (virtual ones): the driver's id and the product name.
        char guid[33] = {};
        SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
        const char* const name = SDL_JoystickNameForIndex(index);
        ident = std::string("sdl#") + guid + "#" + (name != nullptr ? name : "");
    }
    std::u16string path = utf8ToUtf16(lower(head + ident));
    if (path.size() > MAX_PATH_LENGTH) {
        path.resize(MAX_PATH_LENGTH);
    }
    return path;
}

// Reads the whole state of a freshly opened controller into its snapshot.
void readInitialState(InputDevice& d) {
    if (d.pad != nullptr) {
        for (int a = 0; a < SDL_CONTROLLER_AXIS_MAX; ++a) {
            const int n = padAxis(a);
            if (n >= 0) {
                d.axes[n] = clampAxis(
                    SDL_GameControllerGetAxis(d.pad, static_cast<SDL_GameControllerAxis>(a)));
            }
        }
        for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
            const bool pressed =
                SDL_GameControllerGetButton(d.pad, static_cast<SDL_GameControllerButton>(b)) != 0;
            const int n = padButton(b);
            if (n >= 0) {
                setButton(d, static_cast<size_t>(n), pressed);
            } else if (pressed) {
                d.dpad |= dpadBit(b);
            }
        }
        d.povs[0] = dpadAngle(d.dpad);
        return;
    }
    const int nrAxes = std::min<int>(SDL_JoystickNumAxes(d.joystick), InputState::NR_AXES);
    for (int a = 0; a < nrAxes; ++a) {
        d.axes[a] = clampAxis(SDL_JoystickGetAxis(d.joystick, a));
    }
    const int nrButtons = std::min(SDL_JoystickNumButtons(d.joystick), 32);
    for (int b = 0; b < nrButtons; ++b) {
        setButton(d, static_cast<size_t>(b), SDL_JoystickGetButton(d.joystick, b) != 0);
    }
    const int nrHats = std::min<int>(SDL_JoystickNumHats(d.joystick), InputState::NR_POVS);
    for (int h = 0; h < nrHats; ++h) {
        d.povs[h] = hatAngle(SDL_JoystickGetHat(d.joystick, h));
    }
}

void onEvent(const SDL_Event& e, void*) {
    Service& s = service();
    const std::lock_guard<std::mutex> hold(s.mutex);
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (e.key.repeat == 0) {
            InputDevice* const d = deviceOfKind(s, InputKind::Keyboard);
            const uint8_t code = inputKeyCodeFromUsage(e.key.keysym.scancode);
            if (d != nullptr && code != 0) {
                setButton(*d, code, e.type == SDL_KEYDOWN);
            }
            const InputKeyListener listener = g_keyListener.load();
            if (listener != nullptr && code != 0) {
                listener(code, e.type == SDL_KEYDOWN);
            }
        }
        break;
    case SDL_MOUSEMOTION:
        if (InputDevice* const d = deviceOfKind(s, InputKind::Mouse)) {
            d->axes[0] = addMovement(d->axes[0], e.motion.xrel);
            d->axes[1] = addMovement(d->axes[1], e.motion.yrel);
        }
        break;
    case SDL_MOUSEWHEEL:
        if (InputDevice* const d = deviceOfKind(s, InputKind::Mouse)) {
            const int64_t y = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED
                                  ? -static_cast<int64_t>(e.wheel.y)
                                  : static_cast<int64_t>(e.wheel.y);
            d->axes[2] = addMovement(d->axes[2], y * WHEEL_NOTCH);
        }
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (InputDevice* const d = deviceOfKind(s, InputKind::Mouse)) {
            // SDL numbers left 1, middle 2, right 3, X1 4, X2 5.
            static constexpr int ORDER[] = {-1, 0, 2, 1, 3, 4, 5, 6, 7};
            const int n = e.button.button < 9 ? ORDER[e.button.button] : -1;
            if (n >= 0) {
                setButton(*d, static_cast<size_t>(n), e.type == SDL_MOUSEBUTTONDOWN);
            }
        }
        break;
    case SDL_JOYAXISMOTION:
        if (InputDevice* const d = deviceOfInstance(s, e.jaxis.which);
            d != nullptr && d->pad == nullptr && e.jaxis.axis < InputState::NR_AXES) {
            d->axes[e.jaxis.axis] = clampAxis(e.jaxis.value);
        }
        break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        if (InputDevice* const d = deviceOfInstance(s, e.jbutton.which);
            d != nullptr && d->pad == nullptr && e.jbutton.button < 32) {
            setButton(*d, e.jbutton.button, e.jbutton.state == SDL_PRESSED);
        }
        break;
    case SDL_JOYHATMOTION:
        if (InputDevice* const d = deviceOfInstance(s, e.jhat.which);
            d != nullptr && d->pad == nullptr && e.jhat.hat < InputState::NR_POVS) {
            d->povs[e.jhat.hat] = hatAngle(e.jhat.value);
        }
        break;
    case SDL_CONTROLLERAXISMOTION:
        if (InputDevice* const d = deviceOfInstance(s, e.caxis.which);
            d != nullptr && d->pad != nullptr) {
            const int n = padAxis(e.caxis.axis);
            if (n >= 0) {
                d->axes[n] = clampAxis(e.caxis.value);
            }
        }
        break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        if (InputDevice* const d = deviceOfInstance(s, e.cbutton.which);
            d != nullptr && d->pad != nullptr) {
            const bool pressed = e.cbutton.state == SDL_PRESSED;
            const int n = padButton(e.cbutton.button);
            if (n >= 0) {
                setButton(*d, static_cast<size_t>(n), pressed);
            } else {
                const uint8_t bit = dpadBit(e.cbutton.button);
                d->dpad = pressed ? d->dpad | bit : d->dpad & ~bit;
                d->povs[0] = dpadAngle(d->dpad);
            }
        }
        break;
    case SDL_JOYDEVICEADDED:
        s.arrivals.push_back(SDL_JoystickGetDeviceInstanceID(e.jdevice.which));
        break;
    case SDL_JOYDEVICEREMOVED:
        if (InputDevice* const d = deviceOfInstance(s, e.jdevice.which)) {
            d->lost = true;
        }
        break;
    case SDL_WINDOWEVENT:
        if (e.window.windowID == s.windowId) {
            if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                s.focused = true;
            } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                s.focused = false;
                // Buttons held when the focus went stay held in SDL's view; let them go.
                if (InputDevice* const m = deviceOfKind(s, InputKind::Mouse)) {
                    std::fill(std::begin(m->down), std::end(m->down), 0);
                }
            }
        }
        break;
    default:
        break;
    }
}

InputDevice* addDevice(Service& s, std::unique_ptr<InputDevice> d) {
    s.devices.push_back(std::move(d));
    return s.devices.back().get();
}

void closeLocked(Service& s, InputDevice* const device) {
    const auto it = std::find_if(s.devices.begin(), s.devices.end(),
                                 [device](const auto& d) { return d.get() == device; });
    if (it == s.devices.end()) {
        return;
    }
    if (device->pad != nullptr) {
        SDL_GameControllerClose(device->pad);
    } else if (device->joystick != nullptr) {
        SDL_JoystickClose(device->joystick);
    }
    s.devices.erase(it);
}

} // namespace

bool inputStart(const WindowHandle window) {
    Service& s = service();
    if (s.started) {
        return true;
    }
    // Controllers are read whatever window has the focus, as a cabinet's are.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) != 0) {
        return false;
    }
    SDL_Window* const sdl = sdlWindow(window);
    {
        const std::lock_guard<std::mutex> hold(s.mutex);
        s.window = window;
        s.windowId = sdl != nullptr ? SDL_GetWindowID(sdl) : 0;
        s.focused = sdl != nullptr && SDL_GetKeyboardFocus() == sdl;
        s.arrivals.clear();
        s.started = true;
    }
    addSdlEventListener(&onEvent, nullptr);
    return true;
}

void inputStop() {
    Service& s = service();
    if (!s.started) {
        return;
    }
    removeSdlEventListener(&onEvent, nullptr);
    {
        const std::lock_guard<std::mutex> hold(s.mutex);
        while (!s.devices.empty()) {
            closeLocked(s, s.devices.back().get());
        }
        s.arrivals.clear();
        s.window = nullptr;
        s.windowId = 0;
        s.focused = false;
        s.started = false;
    }
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
}

InputDevice* inputOpenKeyboard() {
    Service& s = service();
    const std::lock_guard<std::mutex> hold(s.mutex);
    if (!s.started || deviceOfKind(s, InputKind::Keyboard) != nullptr) {
        return nullptr;
    }
    auto d = std::make_unique<InputDevice>();
    d->info.kind = InputKind::Keyboard;
    d->info.productName = u"Keyboard";
    return addDevice(s, std::move(d));
}

InputDevice* inputOpenMouse() {
    Service& s = service();
    const std::lock_guard<std::mutex> hold(s.mutex);
    if (!s.started || deviceOfKind(s, InputKind::Mouse) != nullptr) {
        return nullptr;
    }
    auto d = std::make_unique<InputDevice>();
    d->info.kind = InputKind::Mouse;
    d->info.productName = u"Mouse";
    d->info.relativeAxes = 0x7;
    return addDevice(s, std::move(d));
}

bool inputEnumControllers(const InputPathCallback fn, void* const arg) {
    const int n = SDL_NumJoysticks();
    if (!service().started || n < 0) {
        return false;
    }
    for (int i = 0; i < n; ++i) {
        fn(controllerPath(i).c_str(), arg);
    }
    return true;
}

InputDevice* inputOpenController(const char16_t* const path) {
    Service& s = service();
    if (!s.started || path == nullptr) {
        return nullptr;
    }
    const int n = SDL_NumJoysticks();
    for (int i = 0; i < n; ++i) {
        const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(i);
        {
            const std::lock_guard<std::mutex> hold(s.mutex);
            if (isOpen(s, id)) {
                continue;
            }
        }
        if (controllerPath(i) != path) {
            continue;
        }
        auto d = std::make_unique<InputDevice>();
        d->info.kind = InputKind::Controller;
        d->info.path = controllerPath(i);
        d->info.vidPid = (static_cast<uint32_t>(SDL_JoystickGetDeviceProduct(i)) << 16) |
                         SDL_JoystickGetDeviceVendor(i);
        if (SDL_IsGameController(i)) {
            d->pad = SDL_GameControllerOpen(i);
            d->joystick = d->pad != nullptr ? SDL_GameControllerGetJoystick(d->pad) : nullptr;
        } else {
            d->joystick = SDL_JoystickOpen(i);
        }
        if (d->joystick == nullptr) {
            if (d->pad != nullptr) {
                SDL_GameControllerClose(d->pad);
            }
            return nullptr;
        }
        d->instance = SDL_JoystickInstanceID(d->joystick);
        const char* const name =
            d->pad != nullptr ? SDL_GameControllerName(d->pad) : SDL_JoystickName(d->joystick);
        d->info.productName = utf8ToUtf16(name != nullptr ? name : "");
        readInitialState(*d);
        const std::lock_guard<std::mutex> hold(s.mutex);
        return addDevice(s, std::move(d));
    }
    return nullptr;
}

bool inputTakeArrival(std::u16string& path) {
    Service& s = service();
    if (!s.started) {
        return false;
    }
    for (;;) {
        SDL_JoystickID id = -1;
        {
            const std::lock_guard<std::mutex> hold(s.mutex);
            if (s.arrivals.empty()) {
                return false;
            }
            id = s.arrivals.front();
            s.arrivals.pop_front();
            if (isOpen(s, id)) {
                continue;
            }
        }
        // The controller may have gone again before its arrival was taken.
        const int n = SDL_NumJoysticks();
        for (int i = 0; i < n; ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == id) {
                path = controllerPath(i);
                return true;
            }
        }
    }
}

void inputClose(InputDevice* const device) {
    if (device == nullptr) {
        return;
    }
    Service& s = service();
    const std::lock_guard<std::mutex> hold(s.mutex);
    closeLocked(s, device);
}

bool inputGetInfo(const InputDevice* const device, InputDeviceInfo& out) {
    if (device == nullptr) {
        return false;
    }
    const std::lock_guard<std::mutex> hold(service().mutex);
    out = device->info;
    return true;
}

InputResult inputRead(InputDevice* const device, InputState& out) {
    Service& s = service();
    const std::lock_guard<std::mutex> hold(s.mutex);
    if (device->lost) {
        return InputResult::Lost;
    }
    if (device->info.kind == InputKind::Mouse && !s.focused) {
        // The mouse belongs to the window in front: movement made elsewhere is dropped.
        std::fill(std::begin(device->axes), std::end(device->axes), 0);
        std::fill(std::begin(device->latched), std::end(device->latched), 0);
        return InputResult::NotAcquired;
    }
    for (size_t i = 0; i < InputState::NR_BUTTONS; ++i) {
        out.buttons[i] = device->down[i] | device->latched[i];
        device->latched[i] = 0;
    }
    for (size_t i = 0; i < InputState::NR_AXES; ++i) {
        out.axes[i] = device->axes[i];
    }
    std::copy(std::begin(device->povs), std::end(device->povs), std::begin(out.povs));
    if (device->info.kind == InputKind::Mouse) {
        // Mouse readings are the movement since the previous one.
        std::fill(std::begin(device->axes), std::end(device->axes), 0);
    }
    return InputResult::Ok;
}

void inputSetKeyListener(const InputKeyListener listener) {
    g_keyListener.store(listener);
}

bool inputIsForeground() {
    Service& s = service();
    const std::lock_guard<std::mutex> hold(s.mutex);
    return s.started && s.windowId != 0 && s.focused;
}

bool inputGetCursorPos(int32_t& x, int32_t& y) {
    int gx = 0;
    int gy = 0;
    SDL_GetGlobalMouseState(&gx, &gy);
    x = gx;
    y = gy;
    return true;
}

bool inputSetCursorPos(const int32_t x, const int32_t y) {
    return SDL_WarpMouseGlobal(x, y) == 0;
}

bool inputScreenToClient(int32_t& x, int32_t& y) {
    SDL_Window* const w = sdlWindow(service().window);
    if (w == nullptr) {
        return false;
    }
    int wx = 0;
    int wy = 0;
    SDL_GetWindowPosition(w, &wx, &wy);
    x -= wx;
    y -= wy;
    return true;
}

bool inputClientToScreen(int32_t& x, int32_t& y) {
    SDL_Window* const w = sdlWindow(service().window);
    if (w == nullptr) {
        return false;
    }
    int wx = 0;
    int wy = 0;
    SDL_GetWindowPosition(w, &wx, &wy);
    x += wx;
    y += wy;
    return true;
}

} // namespace zqp
