#include "zq/platform/window/window_sdl2_internal.h"

#include "zq/platform/os/os.h"
#include "zq/platform/os/utf.h"
#include "zq/platform/window/window_test.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace zqp {

struct Window {
    SDL_Window* sdl = nullptr;
    std::u16string className;
    std::u16string title;
    WindowProc proc = nullptr;
    uint32_t style = 0;
    struct Timer {
        uint32_t id;
        uint32_t period;
        uint64_t due;
        // Fired in the current turn of the pump (timers every turn only).
        bool fired = false;
    };
    std::vector<Timer> timers;
    // Kept by this layer when no window manager does (see hasWindowManager).
    bool minimized = false;
    bool foreground = false;
};

namespace {

struct WindowClass {
    std::u16string name;
    WindowProc proc;
    void* icon;
};

struct State {
    std::vector<WindowClass> classes;
    std::vector<std::unique_ptr<Window>> windows;
    std::deque<Message> posted;
    bool quitPending = false;
    int quitCode = 0;
    std::vector<std::pair<PumpHook, void*>> hooks;
    std::vector<std::pair<SdlEventListener, void*>> listeners;
    bool videoStarted = false;
    // The test hook: timers fire once per turn of the pump.
    bool timersEveryTurn = false;
};

State& state() {
    static State s;
    return s;
}

uint64_t nowMs() {
    return static_cast<uint64_t>(perfCounter()) * 1000u / static_cast<uint64_t>(perfFrequency());
}

bool isLive(const WindowHandle window) {
    const auto& ws = state().windows;
    return window != nullptr &&
           std::any_of(ws.begin(), ws.end(), [window](const auto& w) { return w.get() == window; });
}

// The offscreen and dummy drivers have no window manager: nothing minimises a window or
// moves the focus, so this layer answers for it.
bool hasWindowManager() {
    const char* const driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::strcmp(driver, "offscreen") != 0 &&
           std::strcmp(driver, "dummy") != 0;
}

WindowHandle fromSdlId(const uint32_t id) {
    for (const auto& w : state().windows) {
        if (SDL_GetWindowID(w->sdl) == id) {
            return w.get();
        }
    }
    return nullptr;
}

// Turns the SDL events waiting now into messages for the windows.
void pumpSdl() {
    State& s = state();
    if (!s.videoStarted) {
        return;
    }
    // A termination signal asks the program to end as closing its window does.
    while (takeQuitSignal()) {
        if (!s.windows.empty()) {
            s.posted.push_back({s.windows.front().get(), msg::CLOSE, 0, 0});
        }
    }
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) {
        for (const auto& [fn, arg] : std::vector(s.listeners)) {
            fn(e, arg);
        }
        switch (e.type) {
        case SDL_QUIT:
            // A signal or the desktop asks the program to end: treat it as closing the window.
            if (!s.windows.empty()) {
                s.posted.push_back({s.windows.front().get(), msg::CLOSE, 0, 0});
            }
            break;
        case SDL_WINDOWEVENT: {
            const WindowHandle w = fromSdlId(e.window.windowID);
            if (w == nullptr) {
                break;
            }
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                s.posted.push_back({w, msg::CLOSE, 0, 0});
            } else if (e.window.event == SDL_WINDOWEVENT_MOVED) {
                const LParam pos = static_cast<LParam>((e.window.data1 & 0xFFFF) |
                                                       ((e.window.data2 & 0xFFFF) << 16));
                s.posted.push_back({w, msg::MOVE, 0, pos});
            }
            break;
        }
        case SDL_DISPLAYEVENT:
            for (const auto& w : s.windows) {
                s.posted.push_back({w.get(), msg::DISPLAYCHANGE, 0, 0});
            }
            break;
        case SDL_JOYDEVICEADDED:
        case SDL_JOYDEVICEREMOVED:
            for (const auto& w : s.windows) {
                s.posted.push_back({w.get(), msg::DEVICECHANGE, DEVICECHANGE_NODES_CHANGED, 0});
            }
            break;
        case SDL_MOUSEMOTION: {
            const WindowHandle w = fromSdlId(e.motion.windowID);
            if (w != nullptr) {
                s.posted.push_back({w, msg::SETCURSOR, 0, static_cast<LParam>(HIT_CLIENT)});
            }
            break;
        }
        default:
            break;
        }
    }
}

} // namespace

SDL_Window* sdlWindow(const WindowHandle window) {
    return isLive(window) ? window->sdl : nullptr;
}

void addSdlEventListener(const SdlEventListener listener, void* const arg) {
    state().listeners.emplace_back(listener, arg);
}

void removeSdlEventListener(const SdlEventListener listener, void* const arg) {
    auto& l = state().listeners;
    l.erase(std::remove(l.begin(), l.end(), std::make_pair(listener, arg)), l.end());
}

bool registerWindowClass(const char16_t* const name, const WindowProc proc, void* const icon) {
    if (name == nullptr || name[0] == 0 || proc == nullptr) {
        return false;
    }
    auto& classes = state().classes;
    if (std::any_of(classes.begin(), classes.end(),
                    [name](const WindowClass& c) { return c.name == name; })) {
        return false;
    }
    classes.push_back({name, proc, icon});
    return true;
}

bool unregisterWindowClass(const char16_t* const name) {
    auto& classes = state().classes;
    const auto it = std::find_if(classes.begin(), classes.end(),
                                 [name](const WindowClass& c) { return name && c.name == name; });
    if (it == classes.end()) {
        return false;
    }
    classes.erase(it);
    return true;
}

WindowHandle createWindow(const char16_t* const className, const char16_t* const title,
                          const uint32_t style, const int width, const int height) {
    State& s = state();
    const auto cls = std::find_if(s.classes.begin(), s.classes.end(), [className](const auto& c) {
        return className != nullptr && c.name == className;
    });
    if (cls == s.classes.end() || width <= 0 || height <= 0) {
        return nullptr;
    }
    if (!s.videoStarted) {
        // Closing the last window must not end the program behind the framework's back.
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
        prepareSessionWatch();
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            return nullptr;
        }
        startSessionWatch();
        // Video and the GL library stay loaded for the life of the process: unloading Mesa's
        // EGL and loading it again costs time on every run of the main loop, and its driver
        // leaves allocations behind when it is terminated.
        SDL_GL_LoadLibrary(nullptr);
        s.videoStarted = true;
    }
    auto w = std::make_unique<Window>();
    w->className = cls->name;
    w->title = title != nullptr ? title : u"";
    w->proc = cls->proc;
    w->style = style;
    const std::string utf8Title = utf16ToUtf8(w->title);
    uint32_t flags = SDL_WINDOW_HIDDEN;
    if (style & STYLE_POPUP) {
        flags |= SDL_WINDOW_BORDERLESS;
    }
    if (style & STYLE_THICKFRAME) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    // The graphics device draws with OpenGL into this window; without GL (a driver that has
    // none) the window still opens.
    w->sdl = SDL_CreateWindow(utf8Title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                              width, height, flags | SDL_WINDOW_OPENGL);
    if (w->sdl == nullptr) {
        w->sdl = SDL_CreateWindow(utf8Title.c_str(), SDL_WINDOWPOS_UNDEFINED,
                                  SDL_WINDOWPOS_UNDEFINED, width, height, flags);
    }
    if (w->sdl == nullptr) {
        return nullptr;
    }
    // A cabinet takes no typed text and must never blank its screen: no input method
    // composes keys, and the screen saver stays off while the window exists.
    SDL_StopTextInput();
    SDL_DisableScreenSaver();
    // Headless there is no window manager to give the new window the focus: it is in front.
    if (!hasWindowManager()) {
        for (const auto& other : s.windows) {
            other->foreground = false;
        }
        w->foreground = true;
    }
    s.windows.push_back(std::move(w));
    return s.windows.back().get();
}

void destroyWindow(const WindowHandle window) {
    State& s = state();
    const auto it = std::find_if(s.windows.begin(), s.windows.end(),
                                 [window](const auto& w) { return w.get() == window; });
    if (it == s.windows.end()) {
        return;
    }
    SDL_DestroyWindow((*it)->sdl);
    s.windows.erase(it);
    s.posted.erase(std::remove_if(s.posted.begin(), s.posted.end(),
                                  [window](const Message& m) { return m.window == window; }),
                   s.posted.end());
    if (s.windows.empty()) {
        // A quit message left over from this run must not end the next one.
        s.quitPending = false;
        s.posted.clear();
    }
}

WindowHandle findWindow(const char16_t* const className, const char16_t* const title) {
    for (const auto& w : state().windows) {
        if ((className == nullptr || w->className == className) &&
            (title == nullptr || w->title == title)) {
            return w.get();
        }
    }
    return nullptr;
}

bool restoreAndRaise(const WindowHandle window) {
    if (!isLive(window)) {
        return false;
    }
    SDL_RestoreWindow(window->sdl);
    SDL_ShowWindow(window->sdl);
    window->minimized = false;
    return activateWindow(window);
}

bool peekMessage(Message& out) {
    State& s = state();
    for (const auto& [hook, arg] : std::vector(s.hooks)) {
        hook(arg);
    }
    pumpSdl();
    if (!s.posted.empty()) {
        out = s.posted.front();
        s.posted.pop_front();
        return true;
    }
    if (s.quitPending) {
        s.quitPending = false;
        out = {nullptr, msg::QUIT, static_cast<WParam>(static_cast<intptr_t>(s.quitCode)), 0};
        return true;
    }
    const uint64_t now = nowMs();
    for (const auto& w : s.windows) {
        for (auto& t : w->timers) {
            if (s.timersEveryTurn) {
                if (!t.fired) {
                    t.fired = true;
                    out = {w.get(), msg::TIMER, t.id, 0};
                    return true;
                }
            } else if (now >= t.due) {
                t.due = now + t.period;
                out = {w.get(), msg::TIMER, t.id, 0};
                return true;
            }
        }
    }
    return false;
}

LResult dispatchMessage(const Message& message) {
    if (!isLive(message.window)) {
        return 0;
    }
    return message.window->proc(message.window, message.message, message.wParam, message.lParam);
}

bool postMessage(const WindowHandle window, const uint32_t message, const WParam wParam,
                 const LParam lParam) {
    if (window != nullptr && !isLive(window)) {
        return false;
    }
    state().posted.push_back({window, message, wParam, lParam});
    return true;
}

void postQuitMessage(const int exitCode) {
    state().quitPending = true;
    state().quitCode = exitCode;
}

LResult sendMessage(const WindowHandle window, const uint32_t message, const WParam wParam,
                    const LParam lParam) {
    return isLive(window) ? window->proc(window, message, wParam, lParam) : 0;
}

LResult defWindowProc(const WindowHandle window, const uint32_t message, const WParam wParam,
                      const LParam lParam) {
    if (message == msg::CLOSE) {
        // Closing a window that nobody handles destroys it (its procedure hears DESTROY).
        return sendMessage(window, msg::DESTROY, 0, 0);
    }
    return 0;
}

bool setTimer(const WindowHandle window, const uint32_t id, const uint32_t periodMs) {
    if (!isLive(window)) {
        return false;
    }
    const uint32_t period = std::max<uint32_t>(periodMs, 1);
    for (auto& t : window->timers) {
        if (t.id == id) {
            t.period = period;
            t.due = nowMs() + period;
            return true;
        }
    }
    window->timers.push_back({id, period, nowMs() + period});
    return true;
}

void waitIdle() {
    // Nothing but the timers and the pump's hooks makes work between frames: SDL's events and
    // raise requests wait in their queues until the pass before the next frame.
    constexpr uint32_t IDLE_WAIT_MAX_MS = 4;
    if (state().timersEveryTurn) {
        // The next turn begins: every timer is due again.
        for (const auto& w : state().windows) {
            for (auto& t : w->timers) {
                t.fired = false;
            }
        }
        return;
    }
    const int64_t frequency = perfFrequency();
    int64_t deadline = std::numeric_limits<int64_t>::max();
    for (const auto& w : state().windows) {
        for (const auto& t : w->timers) {
            // The first counter reading at which the timer is due (see peekMessage).
            const int64_t due = (static_cast<int64_t>(t.due) * frequency + 999) / 1000;
            deadline = std::min(deadline, due);
        }
    }
    sleepUntil(deadline, IDLE_WAIT_MAX_MS);
}

bool killTimer(const WindowHandle window, const uint32_t id) {
    if (!isLive(window)) {
        return false;
    }
    auto& ts = window->timers;
    const auto it =
        std::find_if(ts.begin(), ts.end(), [id](const Window::Timer& t) { return t.id == id; });
    if (it == ts.end()) {
        return false;
    }
    ts.erase(it);
    return true;
}

bool getWindowRect(const WindowHandle window, Rect& out) {
    if (!isLive(window)) {
        return false;
    }
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window->sdl, &x, &y);
    SDL_GetWindowSize(window->sdl, &w, &h);
    out = {x, y, x + w, y + h};
    return true;
}

bool getClientRect(const WindowHandle window, Rect& out) {
    if (!isLive(window)) {
        return false;
    }
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdl, &w, &h);
    out = {0, 0, w, h};
    return true;
}

bool setWindowPos(const WindowHandle window, const int x, const int y, const int width,
                  const int height) {
    if (!isLive(window) || width <= 0 || height <= 0) {
        return false;
    }
    SDL_SetWindowSize(window->sdl, width, height);
    SDL_SetWindowPosition(window->sdl, x, y);
    SDL_ShowWindow(window->sdl);
    return true;
}

void setWindowTitle(const WindowHandle window, const char16_t* const title) {
    if (isLive(window)) {
        window->title = title != nullptr ? title : u"";
        SDL_SetWindowTitle(window->sdl, utf16ToUtf8(window->title).c_str());
    }
}

int frameWidth(uint32_t) {
    return 0;
}

int captionHeight(uint32_t) {
    return 0;
}

int enumMonitors(const MonitorCallback fn, void* const arg) {
    const bool started = state().videoStarted || SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!started) {
        return 0;
    }
    const int n = std::max(SDL_GetNumVideoDisplays(), 0);
    for (int i = 0; i < n; ++i) {
        SDL_Rect r{};
        if (SDL_GetDisplayBounds(i, &r) == 0) {
            fn(Rect{r.x, r.y, r.x + r.w, r.y + r.h}, arg);
        }
    }
    if (!state().videoStarted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    return n;
}

void setCursorVisible(const bool visible) {
    if (state().videoStarted) {
        SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
    }
}

void addPumpHook(const PumpHook hook, void* const arg) {
    state().hooks.emplace_back(hook, arg);
}

void removePumpHook(const PumpHook hook, void* const arg) {
    auto& h = state().hooks;
    h.erase(std::remove(h.begin(), h.end(), std::make_pair(hook, arg)), h.end());
}

bool getMonitorRect(const WindowHandle window, Rect& out) {
    if (!isLive(window)) {
        return false;
    }
    const int index = SDL_GetWindowDisplayIndex(window->sdl);
    SDL_Rect r{};
    if (index < 0 || SDL_GetDisplayBounds(index, &r) != 0) {
        return false;
    }
    out = {r.x, r.y, r.x + r.w, r.y + r.h};
    return true;
}

bool moveWindow(const WindowHandle window, const int x, const int y) {
    if (!isLive(window)) {
        return false;
    }
    SDL_SetWindowPosition(window->sdl, x, y);
    return true;
}

bool activateWindow(const WindowHandle window) {
    if (!isLive(window)) {
        return false;
    }
    SDL_RaiseWindow(window->sdl);
    for (const auto& w : state().windows) {
        w->foreground = w.get() == window;
    }
    return true;
}

bool isForegroundWindow(const WindowHandle window) {
    if (!isLive(window)) {
        return false;
    }
    if (hasWindowManager()) {
        return (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_INPUT_FOCUS) != 0;
    }
    return window->foreground;
}

bool minimizeWindow(const WindowHandle window) {
    if (!isLive(window)) {
        return false;
    }
    SDL_MinimizeWindow(window->sdl);
    window->minimized = true;
    window->foreground = false;
    return true;
}

bool restoreWindow(const WindowHandle window) {
    if (!isLive(window)) {
        return false;
    }
    SDL_RestoreWindow(window->sdl);
    window->minimized = false;
    return true;
}

bool isWindowMinimized(const WindowHandle window) {
    if (!isLive(window)) {
        return false;
    }
    if (hasWindowManager()) {
        return (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_MINIMIZED) != 0;
    }
    return window->minimized;
}

std::u16string getWindowTitle(const WindowHandle window) {
    return isLive(window) ? window->title : std::u16string();
}

} // namespace zqp

void zqp::window::test::setTimersEveryTurn(const bool on) {
    zqp::state().timersEveryTurn = on;
}
