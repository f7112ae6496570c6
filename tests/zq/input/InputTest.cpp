#include "zq/platform/input/input.h"
#include "zq/input/ZqInput.h"
#include "zq/input/ZqKey.h"
#include "zq/system/ZqSystem.h"

#include "tests/support/FrameScript.h"
#include "tests/support/InputTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using zqtest::expectPressHoldRelease;
using zqtest::Frame;
using zqtest::FrameScript;

TEST(ZqInput, KeyPressHoldRepeatAndReleaseFrameByFrame) {
    FrameScript s;
    std::vector<Frame> frames;
    auto record = [&frames] {
        frames.push_back({ZqSystem::getTimeTick(), ZqInput::getKeyboardButton(ZqKey::A),
                          ZqInput::getKeyboardButtonOn(ZqKey::A),
                          ZqInput::getKeyboardButtonOff(ZqKey::A),
                          ZqInput::getKeyboardButtonRepeat(ZqKey::A)});
    };
    uint32_t heldFrames = 0;
    uint32_t after = 0;
    s.then("press",
           [] {
               zqtest::pushKey(SDL_SCANCODE_A, true);
               return true;
           })
        .then("hold past the repeat time",
              [&] {
                  record();
                  heldFrames += frames.back().held != 0;
                  return heldFrames >= 60;
              })
        .then("release",
              [&] {
                  record();
                  zqtest::pushKey(SDL_SCANCODE_A, false);
                  return true;
              })
        .then("see the release", [&] {
            record();
            after += frames.back().held == 0;
            return after >= 5;
        });
    ASSERT_EQ(s.run("keys"), "");
    expectPressHoldRelease(frames, 0x80, ZqInput::DEFAULT_REPEAT_TIME);
}

TEST(ZqInput, TapBetweenTwoReadingsIsSeen) {
    FrameScript s;
    bool on = false;
    bool off = false;
    s.then("tap", [] {
         zqtest::pushKey(SDL_SCANCODE_RETURN, true);
         zqtest::pushKey(SDL_SCANCODE_RETURN, false);
         return true;
     }).then("see on and off", [&] {
        on = on || ZqInput::getKeyboardButtonOn(ZqKey::RETURN) == 0x80;
        off = off || ZqInput::getKeyboardButtonOff(ZqKey::RETURN) == 0x80;
        return on && off && ZqInput::getKeyboardButton(ZqKey::RETURN) == 0;
    });
    EXPECT_EQ(s.run("tap", 600), "");
}

// The extension device's records come straight from the caller, so its frames are exact.
TEST(ZqInput, ExtensionRecordsApplyInTheNextFrame) {
    FrameScript s;
    ZqInput* ext = nullptr;
    s.then("push",
           [&] {
               ext = ZqInput::getDevice(ZqInput::DEVICE_NR_EXTENSION);
               EXPECT_NE(ext, nullptr);
               EXPECT_EQ(ext->getVidPid(), ZqInput::VIDPID_EXTENSION);
               EXPECT_EQ(std::u16string(ext->getProductName()), u"Extension Device");
               EXPECT_EQ(ext->getNrButtons(), 25u);
               EXPECT_EQ(ext->getNrAxes(), 4u);
               EXPECT_EQ(ext->getNrPovs(), 0u);
               ZqInput::pushExtensionInputData(10, ZqInput::OBJECT_TYPE_BUTTON, 3, 1);
               ZqInput::pushExtensionInputData(11, ZqInput::OBJECT_TYPE_BUTTON, 3, 0);
               ZqInput::pushExtensionInputData(12, ZqInput::OBJECT_TYPE_BUTTON, 5, 1);
               ZqInput::pushExtensionInputData(13, ZqInput::OBJECT_TYPE_AXIS, 1, -20000);
               // Objects the device does not have are skipped.
               ZqInput::pushExtensionInputData(14, ZqInput::OBJECT_TYPE_BUTTON, 30, 1);
               ZqInput::pushExtensionInputData(15, ZqInput::OBJECT_TYPE_POV, 0, 9000);
               ZqInput::pushExtensionInputData(16, ZqInput::OBJECT_TYPE_AXIS, 4, 100);
               return true;
           })
        .then("applied",
              [&] {
                  EXPECT_EQ(ZqInput::getNrQueueBufs(), 7u);
                  const ZqInput::Buf* const b = ZqInput::getQueueBuf(3);
                  EXPECT_TRUE(b != nullptr && b->pDevice == ext && b->time == 13 &&
                              b->objectType == ZqInput::OBJECT_TYPE_AXIS && b->objectNr == 1 &&
                              b->value == -20000);
                  EXPECT_EQ(ZqInput::getQueueBuf(7), nullptr);
                  // Pressed and released within one frame: on and off, not held.
                  EXPECT_EQ(ext->getButtonOn(3), 1);
                  EXPECT_EQ(ext->getButtonOff(3), 1);
                  EXPECT_EQ(ext->getButton(3), 0);
                  EXPECT_EQ(ext->getButtonOn(5), 1);
                  EXPECT_EQ(ext->getButton(5), 1);
                  EXPECT_EQ(ext->getAxis(1), -20000);
                  EXPECT_EQ(ext->getAxisOn(1), -20000);
                  EXPECT_EQ(ext->getButton(30), 0);
                  EXPECT_EQ(ext->getPov(0), -1);
                  ZqInput::pushExtensionInputData(20, ZqInput::OBJECT_TYPE_BUTTON, 5, 0);
                  ZqInput::pushExtensionInputData(21, ZqInput::OBJECT_TYPE_AXIS, 1, 0);
                  return true;
              })
        .then("released",
              [&] {
                  EXPECT_EQ(ext->getButtonOn(3), 0) << "edges last one frame";
                  EXPECT_EQ(ext->getButtonOff(3), 0);
                  EXPECT_EQ(ext->getButtonOff(5), 1);
                  EXPECT_EQ(ext->getButton(5), 0);
                  EXPECT_EQ(ext->getAxisOff(1), -20000);
                  EXPECT_EQ(ext->getAxis(1), 0);
                  for (int i = 0; i < 1100; ++i) {
                      ZqInput::pushExtensionInputData(30, ZqInput::OBJECT_TYPE_BUTTON, 0, i & 1);
                  }
                  return true;
              })
        .then("a full queue drops the rest", [&] {
            EXPECT_EQ(ZqInput::getNrQueueBufs(), ZqInput::NR_QUEUE_BUF);
            EXPECT_EQ(ZqInput::getMaxQueueBuf(), ZqInput::NR_QUEUE_BUF);
            return true;
        });
    EXPECT_EQ(s.run("extension"), "");
}

// Every held button of a device advances the device's one button timer.
TEST(ZqInput, ExtensionPushesWhileInputStartsAndStopsAreDropped) {
    // The board's thread keeps pushing while input restarts; the sanitizer build sees any
    // record written into a queue that is being freed.
    std::atomic<bool> stop{false};
    std::atomic<uint32_t> taken{0};
    std::thread board([&] {
        while (!stop.load()) {
            if (ZqInput::pushExtensionInputData(1, ZqInput::OBJECT_TYPE_BUTTON, 0, 1)) {
                ++taken;
            }
        }
    });
    for (int i = 0; i < 200; ++i) {
        ZqInput::sysInit();
        ZqInput::sysQuit();
    }
    stop.store(true);
    board.join();
    EXPECT_FALSE(ZqInput::pushExtensionInputData(1, ZqInput::OBJECT_TYPE_BUTTON, 0, 1));
}

TEST(ZqInput, TwoHeldButtonsAdvanceTheSharedTimerTwicePerFrame) {
    FrameScript s;
    ZqInput* ext = nullptr;
    std::vector<Frame> b0;
    std::vector<Frame> b1;
    s.then("press two", [&] {
         ext = ZqInput::getDevice(ZqInput::DEVICE_NR_EXTENSION);
         ZqInput::pushExtensionInputData(0, ZqInput::OBJECT_TYPE_BUTTON, 0, 1);
         ZqInput::pushExtensionInputData(0, ZqInput::OBJECT_TYPE_BUTTON, 1, 1);
         return true;
     }).then("hold", [&] {
        const uint32_t tick = ZqSystem::getTimeTick();
        b0.push_back({tick, ext->getButton(0), ext->getButtonOn(0), 0, ext->getButtonRepeat(0)});
        b1.push_back({tick, ext->getButton(1), ext->getButtonOn(1), 0, ext->getButtonRepeat(1)});
        return b0.size() >= 40;
    });
    ASSERT_EQ(s.run("timer"), "");
    ASSERT_EQ(b0[0].on, 1);
    EXPECT_EQ(b0[0].repeat, 1);
    EXPECT_EQ(b1[0].repeat, 1);
    uint32_t timer = 0;
    uint32_t firstRepeat = 0;
    for (size_t i = 1; i < b0.size(); ++i) {
        int expected[2] = {0, 0};
        for (int& e : expected) {
            if (timer < ZqInput::DEFAULT_REPEAT_TIME) {
                timer += b0[i].tick;
            } else {
                e = 1;
            }
        }
        EXPECT_EQ(b0[i].repeat, expected[0]) << "frame " << i;
        EXPECT_EQ(b1[i].repeat, expected[1]) << "frame " << i;
        if (firstRepeat == 0 && b1[i].repeat != 0) {
            firstRepeat = static_cast<uint32_t>(i);
        }
    }
    ASSERT_NE(firstRepeat, 0u);
    uint32_t elapsed = 0;
    for (uint32_t i = 1; i < firstRepeat; ++i) {
        elapsed += b0[i].tick;
    }
    EXPECT_LT(elapsed, ZqInput::DEFAULT_REPEAT_TIME) << "two buttons reach the time sooner";
}

TEST(ZqInput, ControllerButtonsAxesAndHat) {
    FrameScript s;
    zqtest::VirtualStick stick;
    ZqInput* pad = nullptr;
    s.then("attach",
           [&] {
               EXPECT_TRUE(stick.attach("Zq Stick", 0x1234, 0x5678));
               return true;
           })
        .then("placed in the first controller slot",
              [&] {
                  pad = ZqInput::getDevice(3);
                  if (pad == nullptr) {
                      return false;
                  }
                  EXPECT_TRUE(ZqInput::isDeviceChanged());
                  EXPECT_EQ(pad->getVidPid(), 0x56781234u);
                  EXPECT_EQ(std::u16string(pad->getProductName()), u"Zq Stick");
                  const std::u16string path = pad->getHidPath();
                  EXPECT_NE(path.find(u"vid_1234&pid_5678"), std::u16string::npos);
                  EXPECT_NE(path.find(u"zq stick"), std::u16string::npos) << "lower case";
                  EXPECT_EQ(pad->getNrButtons(), 32u);
                  EXPECT_EQ(pad->getNrAxes(), 8u);
                  EXPECT_EQ(pad->getNrPovs(), 4u);
                  EXPECT_EQ(pad->getDeviceNr(), 3);
                  stick.button(2, true);
                  return true;
              })
        // Each step changes one object: the polling thread may read between two SDL events,
        // so an edge is checked in the first frame that shows the change it belongs to.
        .then("button seen",
              [&] {
                  if (pad->getButton(2) == 0) {
                      return false;
                  }
                  EXPECT_EQ(pad->getButtonOn(2), 0x80);
                  stick.axis(0, 10000);
                  stick.axis(1, 20000);
                  stick.hat(0, SDL_HAT_LEFTUP);
                  return true;
              })
        .then("axes and hat seen",
              [&] {
                  if (pad->getAxis(1) == 0 || pad->getPov(0) < 0) {
                      return false;
                  }
                  EXPECT_EQ(pad->getAxis(1), 20000);
                  EXPECT_EQ(pad->getAxis(0), 0) << "inside the default dead zone";
                  EXPECT_EQ(pad->getPov(0), 31500);
                  pad->setAxisThreshold(0, 100, -100);
                  pad->setAxisMulAdd(1, 6144, 100);
                  return true;
              })
        .then("dead zone narrowed, axis scaled",
              [&] { return pad->getAxis(0) == 10000 && pad->getAxis(1) == 30100; })
        .then("release button",
              [&] {
                  stick.button(2, false);
                  return true;
              })
        .then("button released",
              [&] {
                  if (pad->getButton(2) != 0) {
                      return false;
                  }
                  EXPECT_EQ(pad->getButtonOff(2), 0x80);
                  stick.hat(0, SDL_HAT_CENTERED);
                  return true;
              })
        .then("hat released", [&] {
            if (pad->getPov(0) != -1) {
                return false;
            }
            EXPECT_EQ(pad->getPovOff(0), 31500);
            stick.detach();
            return true;
        });
    EXPECT_EQ(s.run("stick", 1500), "");
}

TEST(ZqInput, GamePadUsesThePadLayout) {
    FrameScript s;
    zqtest::VirtualStick stick;
    ZqInput* pad = nullptr;
    s.then("attach",
           [&] {
               EXPECT_TRUE(stick.attach("Zq Pad", 0x0ABC, 0x0DEF, true));
               return true;
           })
        .then("press B, left trigger, direction pad up-left",
              [&] {
                  pad = ZqInput::getDevice(3);
                  if (pad == nullptr) {
                      return false;
                  }
                  stick.button(1, true);
                  stick.button(11, true);
                  stick.button(13, true);
                  stick.axis(4, 32767);
                  return true;
              })
        .then("seen", [&] {
            if (pad->getButton(1) == 0 || pad->getPov(0) != 31500 || pad->getAxis(2) == 0) {
                return false;
            }
            EXPECT_EQ(pad->getButton(11), 0) << "direction buttons are the POV";
            EXPECT_EQ(pad->getAxis(2), 32767);
            stick.detach();
            return true;
        });
    EXPECT_EQ(s.run("pad", 1500), "");
}

// A controller comes back to the slot it left when it returns to the same place, even though
// another new controller took a free slot meanwhile.
TEST(ZqInput, ControllerReturnsToItsSlotByPath) {
    FrameScript s;
    zqtest::VirtualStick a;
    zqtest::VirtualStick b;
    zqtest::VirtualStick c;
    std::vector<std::u16string> names;
    auto slotOf = [](const char16_t* const name) {
        for (uint32_t n = 3; n < 8; ++n) {
            const ZqInput* const d = ZqInput::getDevice(n);
            if (d != nullptr && std::u16string(d->getProductName()) == name) {
                return static_cast<int>(n);
            }
        }
        return -1;
    };
    s.then("attach a", [&] { return a.attach("Stick A", 0x1111, 0x2222); })
        .then("a in 3", [&] { return slotOf(u"Stick A") == 3; })
        .then("attach b", [&] { return b.attach("Stick B", 0x1111, 0x2222); })
        .then("b in 4",
              [&] {
                  if (slotOf(u"Stick B") != 4) {
                      return false;
                  }
                  EXPECT_EQ(ZqInput::getDevice(3)->getNextSameVidPid(), ZqInput::getDevice(4));
                  EXPECT_EQ(ZqInput::getDevice(4)->getNextSameVidPid(), nullptr);
                  a.detach();
                  return true;
              })
        .then("a gone",
              [&] {
                  if (ZqInput::getDevice(3) != nullptr) {
                      return false;
                  }
                  EXPECT_TRUE(ZqInput::isDeviceChanged());
                  return true;
              })
        .then("attach c", [&] { return c.attach("Stick C", 0x3333, 0x4444); })
        .then("c in 5, not in a's slot", [&] { return slotOf(u"Stick C") == 5; })
        .then("attach a again", [&] { return a.attach("Stick A", 0x1111, 0x2222); })
        .then("a back in 3", [&] { return slotOf(u"Stick A") == 3; })
        .then("detach all", [&] {
            a.detach();
            b.detach();
            c.detach();
            return true;
        });
    EXPECT_EQ(s.run("replug", 2000), "");
}

TEST(ZqInput, MenuShortcutsAnswerOnlyInFront) {
    FrameScript s;
    zqtest::VirtualStick stick;
    s.then("hold Return and Down in the background",
           [] {
               zqtest::pushKey(SDL_SCANCODE_RETURN, true);
               zqtest::pushKey(SDL_SCANCODE_DOWN, true);
               zqtest::pushKey(SDL_SCANCODE_RSHIFT, true);
               return true;
           })
        .then("held, but the shortcuts are silent",
              [] {
                  if (ZqInput::getKeyboardButton(ZqKey::RETURN) == 0 ||
                      ZqInput::getKeyboardButton(ZqKey::DOWN) == 0 ||
                      ZqInput::getKeyboardShiftButton() == 0) {
                      return false;
                  }
                  EXPECT_EQ(ZqInput::getSelect(), 0);
                  EXPECT_EQ(ZqInput::getDown(), 0);
                  EXPECT_EQ(ZqInput::getKeyboardControlButton(), 0);
                  zqtest::pushFocus(true);
                  return true;
              })
        .then("in front",
              [] {
                  if (ZqInput::getSelect() == 0) {
                      return false;
                  }
                  EXPECT_EQ(ZqInput::getSelect(), 0x80);
                  EXPECT_EQ(ZqInput::getDown(), -0x80) << "the key value negated";
                  EXPECT_EQ(ZqInput::getUp(), 0);
                  EXPECT_EQ(ZqInput::getCancel(), 0);
                  zqtest::pushKey(SDL_SCANCODE_RETURN, false);
                  zqtest::pushKey(SDL_SCANCODE_DOWN, false);
                  return true;
              })
        .then("keys up: a controller answers",
              [&] {
                  if (ZqInput::getSelect() != 0) {
                      return false;
                  }
                  EXPECT_TRUE(stick.attach("Menu Stick", 0x5555, 0x6666));
                  return true;
              })
        .then("stick in",
              [&] {
                  if (ZqInput::getDevice(3) == nullptr) {
                      return false;
                  }
                  stick.button(1, true);
                  stick.axis(1, -30000);
                  return true;
              })
        .then("cancel and up from the stick",
              [&] {
                  if (ZqInput::getCancel() == 0 || ZqInput::getUp() == 0) {
                      return false;
                  }
                  EXPECT_EQ(ZqInput::getUp(), -30000) << "the axis value";
                  zqtest::pushFocus(false);
                  return true;
              })
        .then("background again", [&] {
            if (ZqInput::getUp() != 0) {
                return false;
            }
            EXPECT_EQ(ZqInput::getCancel(), 0);
            stick.detach();
            return true;
        });
    EXPECT_EQ(s.run("menu", 1500), "");
}

TEST(ZqInput, MouseMovementIsCountedOncePerReading) {
    FrameScript s;
    int sumX = 0;
    int sumWheel = 0;
    int pushes = 0;
    uint8_t movingSeen = 0;
    s.then("focus",
           [] {
               zqtest::pushFocus(true);
               return true;
           })
        .wait(3)
        .then("move the same amount every frame",
              [&] {
                  sumX += ZqInput::getMouseX();
                  sumWheel += ZqInput::getMouseWheel();
                  if (pushes < 20) {
                      zqtest::pushMouseMotion(3, 0);
                      ++pushes;
                  }
                  if (pushes == 1) {
                      zqtest::pushMouseWheel(1);
                      zqtest::pushMouseButton(SDL_BUTTON_RIGHT, true);
                  }
                  return sumX == 60 && sumWheel == 120 && ZqInput::getMouseButton(1) != 0;
              })
        .then("move the window",
              [&] {
                  EXPECT_EQ(ZqInput::getMouseButton(0), 0);
                  ZqInput::winProcMove(0, 0);
                  return true;
              })
        .then("moving count falls by one a frame", [&] {
            movingSeen = ZqInput::m_windowMovingCt;
            return true;
        });
    EXPECT_EQ(s.run("mouse", 1500), "");
    EXPECT_EQ(movingSeen, 2);
}

// The named codes are the numbers the game's screens and cameras use.
TEST(ZqInputKeys, NamedCodesKeepTheGamesNumbers) {
    const std::pair<ZqKey::CODE, int> rows[] = {
        {ZqKey::RETURN, 28},  {ZqKey::UP, 200},    {ZqKey::DOWN, 208},
        {ZqKey::LEFT, 203},   {ZqKey::RIGHT, 205}, {ZqKey::V, 47},
        {ZqKey::O, 0x18},     {ZqKey::LMENU, 56},  {ZqKey::W, 17},
        {ZqKey::S, 31},       {ZqKey::A, 30},      {ZqKey::D, 32},
        {ZqKey::T, 20},       {ZqKey::ESCAPE, 1},  {ZqKey::NUMPADENTER, 0x9C},
        {ZqKey::RMENU, 0xB8},
    };
    for (const auto& [key, number] : rows) {
        EXPECT_EQ(static_cast<int>(key), number);
    }
}

// The key table maps each key to its own code; a few keys the game names are checked by code.
TEST(ZqInputKeys, TableGivesEachKeyItsOwnCode) {
    const std::map<SDL_Scancode, uint8_t> named = {
        {SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_RETURN, 0x1C},    {SDL_SCANCODE_KP_ENTER, 0x9C},
        {SDL_SCANCODE_UP, 0xC8},     {SDL_SCANCODE_DOWN, 0xD0},      {SDL_SCANCODE_LEFT, 0xCB},
        {SDL_SCANCODE_RIGHT, 0xCD},  {SDL_SCANCODE_V, 0x2F},         {SDL_SCANCODE_O, 0x18},
        {SDL_SCANCODE_LALT, 0x38},   {SDL_SCANCODE_RALT, 0xB8},      {SDL_SCANCODE_KP_8, 0x48},
        {SDL_SCANCODE_F12, 0x58},    {SDL_SCANCODE_DELETE, 0xD3},    {SDL_SCANCODE_SPACE, 0x39},
        {SDL_SCANCODE_RCTRL, 0x9D},  {SDL_SCANCODE_KP_DIVIDE, 0xB5}, {SDL_SCANCODE_PAUSE, 0xC5},
    };
    for (const auto& [sc, code] : named) {
        EXPECT_EQ(zqp::inputKeyCodeFromUsage(sc), code) << SDL_GetScancodeName(sc);
    }
    // Keys that share a code on purpose.
    const std::map<SDL_Scancode, SDL_Scancode> aliases = {
        {SDL_SCANCODE_NONUSHASH, SDL_SCANCODE_BACKSLASH},
        {SDL_SCANCODE_AUDIOMUTE, SDL_SCANCODE_MUTE},
        {SDL_SCANCODE_SYSREQ, SDL_SCANCODE_PRINTSCREEN},
    };
    std::map<uint8_t, SDL_Scancode> owner;
    int mapped = 0;
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
        const uint8_t code = zqp::inputKeyCodeFromUsage(static_cast<uint32_t>(sc));
        if (code == 0) {
            continue;
        }
        ++mapped;
        const auto alias = aliases.find(static_cast<SDL_Scancode>(sc));
        const SDL_Scancode self =
            alias != aliases.end() ? alias->second : static_cast<SDL_Scancode>(sc);
        const auto [it, fresh] = owner.emplace(code, self);
        EXPECT_TRUE(fresh || it->second == self)
            << SDL_GetScancodeName(static_cast<SDL_Scancode>(sc)) << " and "
            << SDL_GetScancodeName(it->second) << " share code " << int(code);
    }
    // Every key of a full-size keyboard has a code: letters, digits, F1-F12, the pad, the
    // editing block, modifiers.
    for (int sc = SDL_SCANCODE_A; sc <= SDL_SCANCODE_KP_PERIOD; ++sc) {
        EXPECT_NE(zqp::inputKeyCodeFromUsage(static_cast<uint32_t>(sc)), 0)
            << SDL_GetScancodeName(static_cast<SDL_Scancode>(sc));
    }
    for (int sc = SDL_SCANCODE_LCTRL; sc <= SDL_SCANCODE_RGUI; ++sc) {
        EXPECT_NE(zqp::inputKeyCodeFromUsage(static_cast<uint32_t>(sc)), 0);
    }
    EXPECT_EQ(zqp::inputKeyCodeFromUsage(100000), 0);
    EXPECT_GT(mapped, 120);
}

} // namespace
