// The main-window service: window classes, one or more top-level windows, a non-blocking
// message pump with posted messages, the quit message and periodic timers delivered as
// messages, cursor visibility, and monitor and window geometry. Message numbers and the
// procedure signature follow the shapes the framework's window procedures expect.
// Sizes given to and read from a window are client sizes: the window manager owns the
// decoration, so the frame metrics are 0.
#pragma once

#include <cstdint>
#include <string>

namespace zqp {

struct Window;
using WindowHandle = Window*;
using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;
using WindowProc = LResult (*)(WindowHandle, uint32_t message, WParam, LParam);

namespace msg {
constexpr uint32_t DESTROY = 0x0002;
constexpr uint32_t MOVE = 0x0003;
constexpr uint32_t CLOSE = 0x0010;
constexpr uint32_t QUIT = 0x0012;
constexpr uint32_t SETCURSOR = 0x0020;
constexpr uint32_t DISPLAYCHANGE = 0x007E;
constexpr uint32_t SYSCOMMAND = 0x0112;
constexpr uint32_t TIMER = 0x0113;
constexpr uint32_t MOVING = 0x0216;
constexpr uint32_t DEVICECHANGE = 0x0219;
constexpr uint32_t USER = 0x0400;
} // namespace msg

// Hit-test and system-command values carried by the messages above.
constexpr uint32_t HIT_CLIENT = 1;
constexpr uint32_t SYSCOMMAND_SCREENSAVE = 0xF140;
constexpr uint32_t SYSCOMMAND_MONITORPOWER = 0xF170;
constexpr uint32_t DEVICECHANGE_NODES_CHANGED = 0x0007;
// Answer of a procedure that denies a device-change query.
constexpr LResult DEVICECHANGE_DENY = 0x424D5144;

// Window styles understood when creating a window.
constexpr uint32_t STYLE_POPUP = 0x80000000u;
constexpr uint32_t STYLE_CAPTION = 0x00C00000u;
constexpr uint32_t STYLE_SYSMENU = 0x00080000u;
constexpr uint32_t STYLE_THICKFRAME = 0x00040000u;
constexpr uint32_t STYLE_MINIMIZEBOX = 0x00020000u;

struct Message {
    WindowHandle window = nullptr;
    uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// Window classes: a name bound to a procedure. False when the name is taken or empty.
bool registerWindowClass(const char16_t* name, WindowProc proc, void* icon);
bool unregisterWindowClass(const char16_t* name);

// Creates a hidden window of a registered class with the given client size; null on failure.
WindowHandle createWindow(const char16_t* className, const char16_t* title, uint32_t style,
                          int width, int height);
void destroyWindow(WindowHandle window);
// A window of this process with that class and title; null when there is none.
WindowHandle findWindow(const char16_t* className, const char16_t* title);
bool restoreAndRaise(WindowHandle window);

// Takes the next message without waiting: posted messages first, then the quit message,
// then a due timer. False when there is none.
bool peekMessage(Message& out);
// Hands a message to its window's procedure; 0 for a message without window.
LResult dispatchMessage(const Message& message);
bool postMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
void postQuitMessage(int exitCode);
// Calls the window's procedure at once.
LResult sendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
LResult defWindowProc(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);

// A timer delivers msg::TIMER with wParam = id every periodMs, measured on the counter of
// os.h; like any low-priority message it is generated only when nothing else is waiting.
bool setTimer(WindowHandle window, uint32_t id, uint32_t periodMs);
bool killTimer(WindowHandle window, uint32_t id);
// Gives up the processor while no message waits: until shortly before the next timer is due
// and for at most a millisecond, so that input and posted messages keep their latency.
void waitIdle();

bool getWindowRect(WindowHandle window, Rect& out);
bool getClientRect(WindowHandle window, Rect& out);
// Moves, sizes (client size) and shows the window.
bool setWindowPos(WindowHandle window, int x, int y, int width, int height);
void setWindowTitle(WindowHandle window, const char16_t* title);
int frameWidth(uint32_t style);
int captionHeight(uint32_t style);

// Calls fn for every monitor's rectangle; the number of monitors.
using MonitorCallback = void (*)(const Rect& bounds, void* arg);
int enumMonitors(MonitorCallback fn, void* arg);

void setCursorVisible(bool visible);

// Window state. Without a window manager (the offscreen and dummy drivers) this layer keeps
// the minimised and foreground states itself, so they answer as on a desktop.
// The bounds of the monitor that holds the window (the nearest one); false when unknown.
bool getMonitorRect(WindowHandle window, Rect& out);
// Moves the window's top-left corner, keeping its size.
bool moveWindow(WindowHandle window, int x, int y);
// Raises the window and gives it the input focus.
bool activateWindow(WindowHandle window);
bool isForegroundWindow(WindowHandle window);
bool minimizeWindow(WindowHandle window);
bool restoreWindow(WindowHandle window);
bool isWindowMinimized(WindowHandle window);
// The window's title; empty for a window that does not exist.
std::u16string getWindowTitle(WindowHandle window);

// A modal message box with one OK button and no owner window; any thread. Returns
// MESSAGEBOX_OK once it is closed. Without a display (SDL_VIDEODRIVER offscreen or dummy, or
// neither DISPLAY nor WAYLAND_DISPLAY set), or when no box can be shown, caption and text are
// written to standard error instead, with the same answer. A null caption reads "Error".
constexpr int MESSAGEBOX_OK = 1;
int messageBox(const char16_t* caption, const char16_t* text);

// Work that must run on the pumping thread (instance requests, input snapshots): each hook
// is called once per peekMessage.
using PumpHook = void (*)(void* arg);
void addPumpHook(PumpHook hook, void* arg);
void removePumpHook(PumpHook hook, void* arg);

} // namespace zqp
