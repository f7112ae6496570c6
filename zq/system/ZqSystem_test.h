// Test hooks of the main loop: fixed-step frames, so that a run's outcome depends on its
// frames alone and not on the machine, the load or the sanitizers. For tests only; the game
// never calls them, and the product runs on the real clock.
//
// In fixed-step mode every turn of the message pump runs exactly one frame (the window
// layer's frame timer is due once per turn and the frame gate does not wait), and the
// millisecond clock (ZqSystem::getTime, getFrameTime) advances by exactly the step at each
// frame's start: frame n (from 0) starts at (n + 1) x step on every thread. File requests in
// flight are waited for in real time before each frame; when one is still pending after the
// bound the run stops without that frame and lastFailure() names it.
#pragma once

#include <cstdint>
#include <string>

namespace zqsystem::test {

constexpr uint32_t DEFAULT_STEP_MS = 16;
constexpr uint32_t DEFAULT_LOAD_WAIT_MS = 20000;

// stepMs 0 turns fixed-step frames off. Set before ZqSystem::go; stays until changed.
void setFixedStep(uint32_t stepMs, uint32_t loadWaitMs = DEFAULT_LOAD_WAIT_MS);
uint32_t getFixedStep();

// Called at the start of every frame (either mode) with the frame's number, once the clock
// has advanced and the time-tick callback has set the frame time, before the devices and
// tasks; null removes it. Unlike the time-tick callback it is not cleared by go().
using FrameHook = void (*)(uint32_t frame, void* arg);
void setFrameHook(FrameHook hook, void* arg);

// Why the last fixed-step run stopped early (UTF-8), empty when it did not.
std::string lastFailure();

} // namespace zqsystem::test
