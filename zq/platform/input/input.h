// The input-device service: the keyboard, the mouse and game controllers, read as plain
// state snapshots (buttons, axes, hat switches) by a polling thread, and the cursor.
// Keyboard buttons are numbered by the framework's key codes (ZqKey, zq/input/ZqKey.h: the PC
// set-1 scan codes, with extended keys at 0x80 + code), mouse and controller objects by a
// fixed layout.
// Devices are opened and closed on the thread that pumps the window's messages; snapshots
// may be read from any thread. Not for text entry (no key translation, no repeat).
#pragma once

#include "zq/platform/window/window.h"

#include <cstdint>
#include <string>

namespace zqp {

struct InputDevice;

enum class InputKind : uint8_t { Keyboard, Mouse, Controller };

// A device's state at one reading. Keyboard: buttons[key code]. Mouse: axes 0-2 are the X,
// Y and wheel movement since the previous reading (the wheel in 120 per notch), buttons
// 0-7 left, right, middle, X1, X2. Controller: axes 0-7 in -32767..32767, povs 0-3 in
// hundredths of a degree clockwise from up (POV_CENTRED when released), buttons 0-31.
// A button that went down and up again between two readings reads as down once.
struct InputState {
    static constexpr uint32_t NR_BUTTONS = 256;
    static constexpr uint32_t NR_AXES = 8;
    static constexpr uint32_t NR_POVS = 4;
    static constexpr uint32_t POV_CENTRED = 0xFFFFFFFFu;
    static constexpr uint8_t BUTTON_DOWN = 0x80;

    uint8_t buttons[NR_BUTTONS] = {};
    int32_t axes[NR_AXES] = {};
    uint32_t povs[NR_POVS] = {POV_CENTRED, POV_CENTRED, POV_CENTRED, POV_CENTRED};
};

enum class InputResult : uint8_t {
    Ok,
    // The device may not be read now (the mouse while the window has no focus).
    NotAcquired,
    // The device is gone; it stays lost until closed.
    Lost,
};

// What a device says of itself. Controllers that the library knows as game pads use the
// pad layout: buttons 0 A, 1 B, 2 X, 3 Y, 4 left shoulder, 5 right shoulder, 6 back,
// 7 start, 8 left stick, 9 right stick, 10 guide, 11 misc, 12-15 paddles, 16 touch pad;
// axes 0/1 left stick X/Y, 2 left trigger, 3/4 right stick X/Y, 5 right trigger; POV 0 the
// direction pad. Other controllers give their buttons, axes and hats in the driver's order.
struct InputDeviceInfo {
    InputKind kind = InputKind::Keyboard;
    // Product id in the high 16 bits, vendor id in the low; 0 when unknown.
    uint32_t vidPid = 0;
    std::u16string productName;
    // Identity of the port or node the controller is attached at, lower case; the same
    // controller plugged in the same place gives the same path again.
    std::u16string path;
    // Axes whose readings are movements rather than positions (bit n: axis n).
    uint32_t relativeAxes = 0;
};

// Starts the service for a window (focus and cursor queries refer to it; null: none).
// False when the controller subsystem cannot start. Main thread.
bool inputStart(WindowHandle window);
// Closes every device still open and stops the service. Main thread.
void inputStop();

// Opens the keyboard or the mouse; null on failure. Main thread.
InputDevice* inputOpenKeyboard();
InputDevice* inputOpenMouse();
// Calls fn with the path of every controller attached now. False when they cannot be
// listed. Main thread.
using InputPathCallback = void (*)(const char16_t* path, void* arg);
bool inputEnumControllers(InputPathCallback fn, void* arg);
// Opens the attached controller with that path that is not open yet; null when none.
InputDevice* inputOpenController(const char16_t* path);
// Takes the path of the next controller that arrived since the last call and is not open;
// false when there is none. Main thread.
bool inputTakeArrival(std::u16string& path);
// Closes a device; null is ignored. Main thread.
void inputClose(InputDevice* device);

bool inputGetInfo(const InputDevice* device, InputDeviceInfo& out);
// Reads the state as it is now and forgets the presses seen up to now. Any thread.
InputResult inputRead(InputDevice* device, InputState& out);

// Called on the thread that pumps the window's messages for every key that goes down or up
// (no repeats), by key code, whether or not the keyboard is open; null removes it. The
// simulated I/O board takes its keys this way. Any thread.
using InputKeyListener = void (*)(uint8_t code, bool down);
void inputSetKeyListener(InputKeyListener listener);

// The window given to inputStart has the keyboard focus.
bool inputIsForeground();
// The cursor in screen coordinates; false when it cannot be read or placed.
bool inputGetCursorPos(int32_t& x, int32_t& y);
bool inputSetCursorPos(int32_t x, int32_t y);
// Screen coordinates to the window's client area and back; false without a window.
bool inputScreenToClient(int32_t& x, int32_t& y);
bool inputClientToScreen(int32_t& x, int32_t& y);

// The framework's key code of a scan code of the USB keyboard usage table (the numbering
// of SDL scan codes); 0 when it has none. Exposed for the tests of the key table.
uint8_t inputKeyCodeFromUsage(uint32_t usage);

} // namespace zqp
