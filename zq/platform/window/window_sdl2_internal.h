// What the other platform services (gpu, input) need of the SDL2 window backend.
// Only zq/platform includes this.
#pragma once

#include "zq/platform/window/window.h"

#include <SDL.h>

namespace zqp {

SDL_Window* sdlWindow(WindowHandle window);

// Every SDL event the pump takes is shown to the listeners first (input reads keys,
// buttons and device arrival here).
using SdlEventListener = void (*)(const SDL_Event& event, void* arg);
void addSdlEventListener(SdlEventListener listener, void* arg);
void removeSdlEventListener(SdlEventListener listener, void* arg);

// The session watch (window_session.cpp): prepare before SDL's video starts, start after.
// Afterwards SIGTERM and SIGINT are counted, and a lost X display ends the process with
// DISPLAY_LOST_STATUS after a message on standard error.
constexpr int DISPLAY_LOST_STATUS = 1;
void prepareSessionWatch();
void startSessionWatch();
// True once for each termination signal received since the watch started.
bool takeQuitSignal();

} // namespace zqp
