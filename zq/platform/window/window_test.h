// Test hook of the window layer's timers, for the framework's fixed-step frames
// (zq/system/ZqSystem_test.h): every timer is due once in each turn of the message pump, and
// the idle wait between turns does not wait. For tests only; the game never calls it.
#pragma once

namespace zqp::window::test {

// On: a timer is due once per turn (a turn ends with waitIdle), whatever the counter says.
// Off (the default): timers follow the counter.
void setTimersEveryTurn(bool on);

} // namespace zqp::window::test
