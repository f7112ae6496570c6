// The board inside the framework's frame: the watchdog sent every 100 ms of frame time, and
// cabinet switches reaching a virtual input's buttons.
#include "zq/io/ZqMarlox4.h"
#include "zq/platform/hid/hid_test.h"
#include "zq/system/ZqSystem.h"
#include "zq/u/vinput/ZquVirtualInput.h"

#include "tests/support/FrameScript.h"

#include <gtest/gtest.h>

namespace {

namespace sim = zqp::hid::test;

TEST(BoardFrame, WatchdogAndSwitchesThroughTheFrame) {
    zqtest::FrameScript s;
    ZquVirtualInput* vi = nullptr;
    s.then("open",
           [&] {
               // Nothing is drawn: the frames only carry the controllers' work.
               ZqSystem::setRenderEnable(false);
               sim::reset();
               sim::setManualClock(true);
               ZqMarlox4::init();
               ZqMarlox4::setWatchDogTimer(3);
               vi = ZquVirtualInput::create(4, 2, 0, 0);
               EXPECT_NE(vi, nullptr);
               if (vi != nullptr) {
                   // Player 1's first button is input 5 of the board.
                   vi->assignButtonByDeviceNr(2, 5, 1);
               }
               return true;
           })
        .then("watchdog",
              [&] {
                  const sim::Seen seen = sim::seen();
                  return seen.nrWatchDogs >= 2 && seen.watchDogSec == 3;
              })
        .then("press",
              [&] {
                  sim::setSwitches(0, 0x20, true);
                  return true;
              })
        .then("pressed", [&] { return vi != nullptr && vi->getButton(1) == 1; })
        .then("release",
              [&] {
                  sim::setSwitches(0, 0x20, false);
                  return true;
              })
        .then("released", [&] { return vi != nullptr && vi->getButton(1) == 0; })
        .then("close", [&] {
            if (vi != nullptr) {
                vi->release();
            }
            // Watchdog commands keep coming: ready or busy, never failed.
            EXPECT_LE(ZqMarlox4::getState(), ZqMarlox4::STATE_BUSY);
            EXPECT_TRUE(ZqMarlox4::quit());
            return true;
        });
    const std::string failed = s.run("board");
    ZqSystem::setRenderEnable(true);
    EXPECT_EQ(failed, "");
}

} // namespace
