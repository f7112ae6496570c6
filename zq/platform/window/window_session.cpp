// The ways a desktop session ends a program from outside: a termination signal (SIGTERM from
// the session or a supervisor, SIGINT from a terminal) and the loss of the display
// connection (the X server ends under the program). A first signal becomes the window's
// close request, so the program shuts down as when its window is closed; a second one ends
// the process at once. A lost X connection ends the program with a message of its own.
#include "zq/platform/window/window_sdl2_internal.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

namespace zqp {

namespace {

std::atomic<int> g_signals{0};
std::atomic<int> g_signalsTaken{0};

extern "C" void onQuitSignal(const int sig) {
    if (g_signals.fetch_add(1) > 0) {
        // The second request: the program did not end on the first, so end it now.
        std::signal(sig, SIG_DFL);
        std::raise(sig);
    }
}

void writeError(const char* text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = write(STDERR_FILENO, text, left);
        if (n <= 0) {
            return;
        }
        text += n;
        left -= static_cast<size_t>(n);
    }
}

// Xlib calls this when the connection breaks and ends the process if it returns. Ending
// through exit runs the framework's exit hooks, which stop its threads; the instance lock
// goes with the process.
extern "C" int onDisplayLost(void*) {
    writeError("The connection to the display was lost; the program ends.\n");
    std::exit(DISPLAY_LOST_STATUS);
}

void watchX11() {
    // SDL loads Xlib itself; take the handler setter from the loaded library only.
    void* const x11 = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (x11 == nullptr) {
        return;
    }
    using IoErrorHandler = int (*)(void*);
    using SetIoErrorHandler = IoErrorHandler (*)(IoErrorHandler);
    const auto set = reinterpret_cast<SetIoErrorHandler>(dlsym(x11, "XSetIOErrorHandler"));
    if (set != nullptr) {
        set(&onDisplayLost);
    }
    dlclose(x11);
}

} // namespace

void prepareSessionWatch() {
    // SDL's own handlers would turn every signal into a quit event and never end the process.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

void startSessionWatch() {
    static std::atomic<bool> installed{false};
    if (installed.exchange(true)) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = &onQuitSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    const char* const driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && std::strcmp(driver, "x11") == 0) {
        watchX11();
    }
}

bool takeQuitSignal() {
    int taken = g_signalsTaken.load();
    if (taken >= g_signals.load()) {
        return false;
    }
    // Taken once per signal; only the pumping thread takes them.
    g_signalsTaken.store(taken + 1);
    return true;
}

} // namespace zqp
