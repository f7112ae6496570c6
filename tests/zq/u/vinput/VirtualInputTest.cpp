#include "zq/input/ZqInput.h"
#include "zq/system/ZqSystem.h"
#include "zq/u/vinput/ZquVirtualInput.h"

#include "tests/support/FrameScript.h"
#include "tests/support/InputTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using zqtest::FrameScript;
using VI = ZquVirtualInput;

constexpr uint32_t BUTTON = ZqInput::OBJECT_TYPE_BUTTON;
constexpr uint32_t AXIS = ZqInput::OBJECT_TYPE_AXIS;
constexpr uint32_t POV = ZqInput::OBJECT_TYPE_POV;
constexpr uint32_t EXT = ZqInput::DEVICE_NR_EXTENSION;

void pushExt(const uint32_t type, const uint8_t nr, const int16_t value) {
    ZqInput::pushExtensionInputData(0, static_cast<ZqInput::OBJECT_TYPE>(type), nr, value);
}

// Runs the body in the first frame of a run, with every virtual input released afterwards.
void inFrame(const char* tag, const std::function<void()>& body) {
    FrameScript s;
    s.then("body", [&] {
        body();
        return true;
    });
    ASSERT_EQ(s.run(tag), "");
}

TEST(ZquVirtualInput, CreateKeepsToTheLimitsAndThePool) {
    inFrame("create", [] {
        EXPECT_EQ(VI::create(0, 1, 0, 0), nullptr);
        EXPECT_EQ(VI::create(189, 1, 0, 0), nullptr);
        EXPECT_EQ(VI::create(1, 16, 0, 0), nullptr);
        EXPECT_EQ(VI::create(1, 0, 8, 0), nullptr);
        EXPECT_EQ(VI::create(1, 0, 0, 4), nullptr);
        std::vector<VI*> made;
        for (int i = 0; i < 4; ++i) {
            made.push_back(VI::create(188, 15, 7, 3));
            ASSERT_NE(made.back(), nullptr);
        }
        EXPECT_EQ(VI::create(1, 1, 0, 0), nullptr) << "a pool of four";
        EXPECT_EQ(made[0]->getMaxAssignments(), 188u);
        EXPECT_EQ(made[0]->getNrAxes(), 7u);
        EXPECT_EQ(made[3]->release(), 0u);
        EXPECT_EQ(made[3]->release(), 0u) << "a second release changes nothing";
        EXPECT_EQ(VI::getNrInstances(), 3u);
        VI* const again = VI::create(2, 1, 0, 0);
        EXPECT_EQ(again, made[3]) << "the released element is handed out next";
        // Left in use: the shut-down releases them.
    });
}

TEST(ZquVirtualInput, AssignRefusesBadRecordsAndChangesNothing) {
    inFrame("assign", [] {
        VI* const v = VI::create(3, 2, 1, 1);
        ASSERT_NE(v, nullptr);
        struct Case {
            VI::AssignmentData d;
            bool ok;
        };
        const uint32_t BY = VI::INVALID;
        const std::vector<Case> cases = {
            {{0, 0, BUTTON, 5, BUTTON, 1, 77}, true},       // same types: option ignored
            {{8, 0, BUTTON, 0, BUTTON, 0, 0}, false},       // no slot 8
            {{0, 0x10000, BUTTON, 0, BUTTON, 0, 0}, false}, // a slot with a VID/PID
            {{BY, 0, BUTTON, 0, BUTTON, 0, 0}, false},      // by VID/PID without one
            {{0, 0, 3, 0, BUTTON, 0, 0}, false},            // no such physical type
            {{0, 0, BUTTON, 0, 3, 0, 0}, false},            // no such virtual type
            {{0, 0, BUTTON, 0, BUTTON, 2, 0}, false},       // virtual button 2 of 2
            {{0, 0, BUTTON, 0, AXIS, 1, 0}, false},         // virtual axis 1 of 1
            {{0, 0, BUTTON, 0, POV, 1, 0}, false},          // virtual POV 1 of 1
            {{0, 0, BUTTON, 0, AXIS, 0, 2}, false},         // button -> axis: 0 or 1
            {{0, 0, AXIS, 0, BUTTON, 0, -1}, false},        // axis -> button: 0 or 1
            {{0, 0, BUTTON, 0, POV, 0, 4}, false},          // button -> POV: four directions
            {{0, 0, AXIS, 0, POV, 0, 4}, false},
            {{0, 0, POV, 0, BUTTON, 0, 4}, false},
            {{0, 0, POV, 0, AXIS, 0, 4}, false},
            {{BY, 0x30000, POV, 0, AXIS, 0, 3}, true},
            {{2, 0, AXIS, 0, AXIS, 0, -5}, true},
            {{0, 0, BUTTON, 0, BUTTON, 0, 0}, false}, // all three in use
        };
        uint32_t expected = 0;
        for (size_t i = 0; i < cases.size(); ++i) {
            const uint32_t index = v->assign(&cases[i].d);
            EXPECT_EQ(index, cases[i].ok ? expected : VI::INVALID) << "case " << i;
            expected += cases[i].ok;
        }
        EXPECT_EQ(v->assign(nullptr), VI::INVALID);
        EXPECT_EQ(v->getNrAssignments(), 3u);

        VI::AssignmentData d{};
        ASSERT_TRUE(v->getAssignment(1, &d));
        EXPECT_EQ(d.deviceNr, VI::INVALID);
        EXPECT_EQ(d.vidPid, 0x30000u);
        EXPECT_EQ(d.option, 3);
        EXPECT_TRUE(v->getAssignment(2, nullptr));
        EXPECT_EQ(v->getAssignedDevice(1), ZqInput::getDevice(EXT)) << "bound by VID/PID";
        EXPECT_EQ(v->getAssignedDevice(0), ZqInput::getDevice(0)) << "bound by slot";
        EXPECT_TRUE(v->removeAssignment(1));
        EXPECT_FALSE(v->removeAssignment(1));
        EXPECT_FALSE(v->getAssignment(1, &d));
        EXPECT_FALSE(v->removeAssignment(3));
        EXPECT_FALSE(v->setAssignmentEnable(1, false));
        EXPECT_EQ(v->assignButtonByDeviceNr(1, 0, 0), 1u) << "the freed index is reused";
        v->release();
    });
}

// Buttons and axes of the extension device, whose records are exact frame by frame.
TEST(ZquVirtualInput, ButtonsAxesAndPovsFromButtonsAndAxes) {
    FrameScript s;
    VI* v = nullptr;
    s.then("layout",
           [&] {
               v = VI::create(20, 4, 2, 2);
               if (v == nullptr) {
                   ADD_FAILURE() << "create";
                   return false;
               }
               v->assignButtonByDeviceNr(EXT, 3, 0);
               v->assignByDeviceNr(EXT, AXIS, 0, BUTTON, 1, 0); // pressed while negative
               v->assignByDeviceNr(EXT, AXIS, 0, BUTTON, 2, 1); // pressed while positive
               const uint32_t off = v->assignButtonByDeviceNr(EXT, 4, 3);
               v->setAssignmentEnable(off, false);
               v->assignByDeviceNr(EXT, BUTTON, 5, AXIS, 0, 1); // +32767
               v->assignAxisByDeviceNr(EXT, 1, 0);              // plus axis 1
               v->assignByDeviceNr(EXT, BUTTON, 6, AXIS, 1, 0); // -32767
               v->assignByDeviceNr(EXT, BUTTON, 7, AXIS, 1, 1); // +32767
               v->assignByDeviceNr(EXT, BUTTON, 8, POV, 0, 0);  // up
               v->assignByDeviceNr(EXT, BUTTON, 9, POV, 0, 1);  // right
               v->assignByDeviceNr(EXT, BUTTON, 10, POV, 0, 2); // down
               v->assignByDeviceNr(EXT, AXIS, 2, POV, 1, 1);    // - left, + right
               pushExt(BUTTON, 3, 1);
               pushExt(AXIS, 0, -20000);
               pushExt(BUTTON, 4, 1);
               pushExt(BUTTON, 5, 1);
               pushExt(AXIS, 1, 20000);
               pushExt(BUTTON, 6, 1);
               pushExt(BUTTON, 7, 1);
               pushExt(BUTTON, 8, 1);
               pushExt(BUTTON, 9, 1);
               pushExt(AXIS, 2, -5);
               return true;
           })
        .then("first frame",
              [&] {
                  EXPECT_EQ(v->getButton(0), 1);
                  EXPECT_EQ(v->getButtonOn(0), 1);
                  EXPECT_EQ(v->getButtonRepeat(0), 1);
                  EXPECT_EQ(v->getButton(1), 1) << "axis below 0";
                  EXPECT_EQ(v->getButtonOn(1), 1);
                  EXPECT_EQ(v->getButton(2), 0) << "axis not above 0";
                  EXPECT_EQ(v->getButton(3), 0) << "disabled";
                  EXPECT_EQ(v->getAxis(0), 32767) << "32767 + 20000 clamps";
                  EXPECT_EQ(v->getAxis(1), 0) << "-32767 + 32767";
                  EXPECT_EQ(v->getPov(0), 4500) << "up and right";
                  EXPECT_EQ(v->getPov(1), 27000) << "axis below 0 points left";
                  EXPECT_EQ(v->getButton(4), 0) << "no such virtual button";
                  EXPECT_EQ(v->getAxis(2), 0);
                  EXPECT_EQ(v->getPov(2), -1);
                  pushExt(BUTTON, 3, 0);
                  pushExt(AXIS, 0, 0);
                  pushExt(BUTTON, 10, 1);
                  pushExt(BUTTON, 9, 0);
                  return true;
              })
        .then("second frame", [&] {
            EXPECT_EQ(v->getButton(0), 0);
            EXPECT_EQ(v->getButtonOff(0), 1);
            EXPECT_EQ(v->getButtonOn(0), 0);
            EXPECT_EQ(v->getButtonOff(1), 1) << "the axis left the negative side";
            EXPECT_EQ(v->getPov(0), -1) << "up and down cancel";
            return true;
        });
    EXPECT_EQ(s.run("read"), "");
}

// A hat switch read as buttons, an axis and a POV; diagonals press two sectors.
TEST(ZquVirtualInput, HatSectorsOverlapOnDiagonals) {
    FrameScript s;
    zqtest::VirtualStick stick;
    VI* v = nullptr;
    s.then("attach", [&] { return stick.attach("Hat Stick", 0x7777, 0x8888); })
        .then("layout",
              [&] {
                  if (ZqInput::getDevice(3) == nullptr) {
                      return false;
                  }
                  v = VI::create(10, 4, 2, 1);
                  for (int dir = 0; dir < 4; ++dir) {
                      v->assignByDeviceNr(3, POV, 0, BUTTON, static_cast<uint32_t>(dir), dir);
                  }
                  v->assignByDeviceNr(3, POV, 0, AXIS, 0, 1); // left -, right +
                  v->assignByDeviceNr(3, POV, 0, AXIS, 1, 0); // down -, up +
                  v->assignPovByDeviceNr(3, 0, 0);
                  stick.hat(0, SDL_HAT_LEFTUP);
                  return true;
              })
        .then("up-left",
              [&] {
                  if (ZqInput::getDevice(3)->getPov(0) != 31500) {
                      return false;
                  }
                  EXPECT_EQ(v->getButton(0), 1) << "up";
                  EXPECT_EQ(v->getButton(1), 0);
                  EXPECT_EQ(v->getButton(2), 0);
                  EXPECT_EQ(v->getButton(3), 1) << "left";
                  EXPECT_EQ(v->getButtonOn(3), 1);
                  EXPECT_EQ(v->getAxis(0), -32767);
                  EXPECT_EQ(v->getAxis(1), 32767);
                  EXPECT_EQ(v->getPov(0), 31500);
                  stick.hat(0, SDL_HAT_CENTERED);
                  return true;
              })
        .then("centred",
              [&] {
                  if (ZqInput::getDevice(3)->getPov(0) != -1) {
                      return false;
                  }
                  EXPECT_EQ(v->getButtonOff(0), 1);
                  EXPECT_EQ(v->getButtonOff(3), 1);
                  EXPECT_EQ(v->getButton(3), 0);
                  EXPECT_EQ(v->getAxis(0), 0);
                  EXPECT_EQ(v->getPov(0), -1);
                  stick.hat(0, SDL_HAT_DOWN);
                  return true;
              })
        .then("down", [&] {
            if (ZqInput::getDevice(3)->getPov(0) != 18000) {
                return false;
            }
            EXPECT_EQ(v->getButton(2), 1);
            EXPECT_EQ(v->getButtonOn(2), 1);
            EXPECT_EQ(v->getButton(3), 0);
            EXPECT_EQ(v->getAxis(0), 0);
            EXPECT_EQ(v->getAxis(1), -32767);
            EXPECT_EQ(v->getPov(0), 18000);
            stick.detach();
            return true;
        });
    EXPECT_EQ(s.run("hat", 1500), "");
}

// Two virtual inputs assigned by one VID/PID share out two controllers of it; a single one
// reads them all.
TEST(ZquVirtualInput, VidPidAssignmentsShareOutControllers) {
    FrameScript s;
    zqtest::VirtualStick one;
    zqtest::VirtualStick two;
    constexpr uint32_t VP = 0x2222AAAA;
    VI* p1 = nullptr;
    VI* p2 = nullptr;
    s.then("single virtual input before the controllers",
           [&] {
               p1 = VI::create(4, 2, 0, 0);
               EXPECT_EQ(p1->getAssignedDevice(p1->assignButton(VP, 0, 0)), nullptr);
               return one.attach("Twin", 0xAAAA, 0x2222) && two.attach("Twin", 0xAAAA, 0x2222);
           })
        .then("bound once the devices changed",
              [&] {
                  const uint32_t index = 0;
                  if (p1->getAssignedDevice(index) == nullptr || ZqInput::getDevice(4) == nullptr) {
                      return false;
                  }
                  EXPECT_EQ(p1->getAssignedDevice(index), ZqInput::getDevice(3));
                  two.button(0, true);
                  return true;
              })
        .then("one assignment reads both controllers",
              [&] { return p1->getButton(0) == 0x80 && p1->getButtonOn(0) != 0; })
        .then("two players",
              [&] {
                  p1->removeAssignment(0);
                  p2 = VI::create(4, 2, 0, 0);
                  const uint32_t a1 = p1->assignButton(VP, 0, 0);
                  const uint32_t a2 = p2->assignButton(VP, 0, 0);
                  EXPECT_EQ(p1->getAssignedDevice(a1), ZqInput::getDevice(3));
                  EXPECT_EQ(p2->getAssignedDevice(a2), ZqInput::getDevice(4));
                  EXPECT_EQ(VI::m_vpDeviceUsed[3], p1);
                  EXPECT_EQ(VI::m_vpDeviceUsed[4], p2);
                  // A second assignment of the first player stays on its controller.
                  EXPECT_EQ(p1->getAssignedDevice(p1->assignButton(VP, 1, 1)),
                            ZqInput::getDevice(3));
                  one.button(1, true);
                  return true;
              })
        .then("each reads its own",
              [&] {
                  if (p2->getButton(0) == 0 || p1->getButton(1) == 0) {
                      return false;
                  }
                  EXPECT_EQ(p1->getButton(0), 0) << "the second controller is the other's";
                  return true;
              })
        .then("unplugging frees the claim",
              [&] {
                  one.detach();
                  two.detach();
                  return true;
              })
        .then("claims cleared", [&] {
            if (ZqInput::getDevice(3) != nullptr || ZqInput::getDevice(4) != nullptr ||
                VI::m_vpDeviceUsed[3] != nullptr) {
                return false;
            }
            EXPECT_EQ(VI::m_vpDeviceUsed[4], nullptr);
            EXPECT_EQ(p1->getButton(1), 0);
            return true;
        });
    EXPECT_EQ(s.run("share", 2000), "");
}

} // namespace
