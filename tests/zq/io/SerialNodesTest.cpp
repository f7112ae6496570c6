// The LED controller and the ticket dispenser against the simulated nodes on the board's
// serial channels, inside the framework's frame.
#include "zq/io/ZqDakt.h"
#include "zq/io/ZqLedController.h"
#include "zq/io/ZqMarlox4.h"
#include "zq/io/ZqTicketDispenser.h"
#include "zq/platform/hid/hid_test.h"
#include "zq/system/ZqSystem.h"

#include "tests/support/FrameScript.h"

#include <gtest/gtest.h>

namespace {

namespace sim = zqp::hid::test;
using Led = ZqLedController;
using Tickets = ZqTicketDispenser;

sim::LedNode led(const uint32_t node) {
    sim::LedNode n;
    EXPECT_TRUE(sim::ledNode(node, n));
    return n;
}

sim::TicketNode ticket() {
    sim::TicketNode n;
    EXPECT_TRUE(sim::ticketNode(0, n));
    return n;
}

TEST(LedController, BootsTakesUpdatesInTurnAndRecovers) {
    zqtest::FrameScript s;
    uint32_t frames = 0;
    s.then("boot",
           [&] {
               // Nothing is drawn: the frames only carry the controllers' work.
               ZqSystem::setRenderEnable(false);
               sim::reset();
               sim::setManualClock(true);
               sim::attachLedNodes(2);
               ZqMarlox4::init();
               EXPECT_FALSE(Led::init(0, 3, 0));
               EXPECT_FALSE(Led::init(15, 3, 0));
               EXPECT_FALSE(Led::init(2, 6, 0));
               EXPECT_FALSE(Led::init(2, 3, 4));
               EXPECT_TRUE(Led::init(2, 3, 0));
               EXPECT_FALSE(Led::init(2, 3, 0)) << "refused while booting";
               EXPECT_EQ(Led::getState(), Led::STATE_BOOTING);
               EXPECT_EQ(Led::setOutputStart(0, 1u), Led::RESULT_REFUSED);
               return true;
           })
        .then("booted", [&] { return Led::getState() == Led::STATE_READY; })
        .then("send while busy",
              [&] {
                  EXPECT_EQ(Led::getNrNodes(), 2u);
                  ZqDaktVersion v;
                  EXPECT_TRUE(Led::getVersion(1, &v));
                  EXPECT_TRUE(v.check(Led::VERSION_TYPE, Led::VERSION_PRODUCT_CODE));
                  EXPECT_FALSE(Led::getVersion(2, &v));
                  EXPECT_EQ(Led::setOutputStart(0, 0x000001u), Led::RESULT_SENT);
                  EXPECT_EQ(Led::setOutputStart(1, 0x5u), Led::RESULT_PENDING);
                  EXPECT_EQ(Led::setOutputStart(1, 0x7u), Led::RESULT_PENDING);
                  uint8_t levels[24] = {};
                  levels[0] = 255;
                  levels[23] = 100;
                  EXPECT_EQ(Led::setOutputStart(0, levels), Led::RESULT_PENDING);
                  EXPECT_EQ(Led::setOutputStart(2, 1u), Led::RESULT_REFUSED);
                  return true;
              })
        .then("all sent",
              [&] {
                  return Led::getState() == Led::STATE_READY && led(0).nrLevelCommands == 1 &&
                         led(1).nrMaskCommands == 1;
              })
        .then("checked",
              [&] {
                  EXPECT_EQ(led(0).mask, 0x000001u);
                  EXPECT_EQ(led(0).levels[0], 128) << "255 is sent as 128";
                  EXPECT_EQ(led(0).levels[23], 100 * 129 >> 8);
                  EXPECT_EQ(led(1).mask, 0x7u) << "only the last value while busy";
                  // Lost and garbled answers are retried.
                  sim::dropAnswers(0, 2);
                  sim::garbleAnswers(0, 2);
                  EXPECT_EQ(Led::setOutputOnStart(1, 0x800000u), Led::RESULT_SENT);
                  return true;
              })
        .then("recovered",
              [&] { return Led::getState() == Led::STATE_READY && led(1).mask == 0x800007u; })
        .then("give up",
              [&] {
                  EXPECT_GE(led(1).nrMaskCommands, 5u);
                  sim::dropAnswers(0, 1000);
                  EXPECT_EQ(Led::setOutputOffStart(1, 0x1u), Led::RESULT_SENT);
                  return true;
              })
        .then("failed", [&] { return Led::getState() == Led::STATE_ERROR; })
        .then("stays failed",
              [&] {
                  EXPECT_EQ(Led::getState(), Led::STATE_ERROR);
                  return ++frames > 30;
              })
        .then("next call",
              [&] {
                  sim::dropAnswers(0, 0);
                  EXPECT_EQ(Led::setOutputStart(0, 0x40u), Led::RESULT_SENT);
                  return true;
              })
        .then("back", [&] {
            if (Led::getState() != Led::STATE_READY) {
                return false;
            }
            EXPECT_EQ(led(0).mask, 0x40u);
            Led::quit();
            EXPECT_EQ(Led::getState(), Led::STATE_STOPPED);
            EXPECT_TRUE(ZqMarlox4::quit());
            return true;
        });
    const std::string failed = s.run("led", 6000);
    ZqSystem::setRenderEnable(true);
    EXPECT_EQ(failed, "");
}

TEST(LedController, NoChainEndsTheBootWithoutNodes) {
    zqtest::FrameScript s;
    s.then("boot", [&] {
         // Nothing is drawn: the frames only carry the controllers' work.
         ZqSystem::setRenderEnable(false);
         sim::reset();
         sim::setManualClock(true);
         ZqMarlox4::init();
         EXPECT_TRUE(Led::init(1, 3, 0));
         return true;
     }).then("ended", [&] {
        if (Led::getState() == Led::STATE_BOOTING) {
            return false;
        }
        EXPECT_EQ(Led::getState(), Led::STATE_STOPPED);
        EXPECT_EQ(Led::getNrNodes(), 0u);
        EXPECT_TRUE(ZqMarlox4::quit());
        return true;
    });
    const std::string failed = s.run("led-none", 6000);
    ZqSystem::setRenderEnable(true);
    EXPECT_EQ(failed, "");
}

// Tickets are paid to the target exactly, across a stall, fault clearing and lost answers;
// the node's own counters are the judge.
TEST(TicketDispenser, PaysToTheTargetExactly) {
    zqtest::FrameScript s;
    const auto tick = [] { sim::advance(10); };
    s.then("boot",
           [&] {
               // Nothing is drawn: the frames only carry the controllers' work.
               ZqSystem::setRenderEnable(false);
               sim::reset();
               sim::setManualClock(true);
               sim::attachTicketNodes(1);
               ZqMarlox4::init();
               EXPECT_TRUE(Tickets::init(1, 3, 0));
               return true;
           })
        .then("booted", [&] { return Tickets::getState() == Tickets::STATE_READY; })
        .then("dispense",
              [&] {
                  ZqDaktVersion v;
                  EXPECT_TRUE(Tickets::getVersion(0, &v));
                  EXPECT_TRUE(v.check(Tickets::VERSION_TYPE, Tickets::VERSION_PRODUCT_CODE));
                  EXPECT_EQ(Tickets::dispenseStart(0, 257, 0), Tickets::RESULT_REFUSED);
                  EXPECT_EQ(Tickets::dispenseStart(1, 1, 0), Tickets::RESULT_REFUSED);
                  EXPECT_EQ(Tickets::dispenseStart(0, 5, 3), Tickets::RESULT_SENT);
                  EXPECT_EQ(Tickets::countStart(0, 2, 1), Tickets::RESULT_PENDING);
                  sim::dropAnswers(1, 2);
                  sim::garbleAnswers(1, 1);
                  return true;
              })
        .then("paid",
              [&] {
                  tick();
                  uint16_t t1 = 0, t2 = 0, r1 = 0, r2 = 0;
                  Tickets::getDispenserCount(0, &t1, &t2, &r1, &r2);
                  uint16_t c1 = 0, c2 = 0;
                  Tickets::getCounterCount(0, nullptr, nullptr, &c1, &c2);
                  return t1 == 5 && t2 == 3 && r1 == 5 && r2 == 3 && c1 == 2 && c2 == 1;
              })
        .then("jam",
              [&] {
                  EXPECT_EQ(ticket().paid[0], 5);
                  EXPECT_EQ(ticket().paid[1], 3);
                  EXPECT_EQ(ticket().counted[0], 2);
                  sim::stallDispenser(0, 0, true);
                  Tickets::dispenseStart(0, 4, 1);
                  return true;
              })
        .then("faulty",
              [&] {
                  tick();
                  bool good1 = true, good2 = false;
                  Tickets::getDispenserState(0, &good1, &good2);
                  return !good1 && good2;
              })
        .then("cleared",
              [&] {
                  EXPECT_EQ(ticket().paid[1], 4);
                  sim::stallDispenser(0, 0, false);
                  EXPECT_TRUE(Tickets::clearDispenserError(0, true, true));
                  EXPECT_FALSE(Tickets::clearDispenserError(1, true, true));
                  return true;
              })
        .then("paid again",
              [&] {
                  tick();
                  uint16_t r1 = 0;
                  Tickets::getDispenserCount(0, nullptr, nullptr, &r1, nullptr);
                  return r1 == 9;
              })
        .then("never more", [&] {
            tick();
            EXPECT_EQ(ticket().paid[0], 9);
            EXPECT_EQ(ticket().paid[1], 4);
            // A target raised past the outstanding limit is cut.
            sim::stallDispenser(0, 1, true);
            for (int i = 0; i < 120; ++i) {
                Tickets::dispenseStart(0, 0, 256);
            }
            uint16_t t2 = 0, r2 = 0;
            Tickets::getDispenserCount(0, nullptr, &t2, nullptr, &r2);
            EXPECT_EQ(static_cast<uint16_t>(t2 - r2), Tickets::MAX_OUTSTANDING);
            Tickets::quit();
            EXPECT_TRUE(ZqMarlox4::quit());
            return true;
        });
    const std::string failed = s.run("tickets", 6000);
    ZqSystem::setRenderEnable(true);
    EXPECT_EQ(failed, "");
}

} // namespace
