// The screen-transition player inside the running framework: the graphics device calls its
// hooks each frame, the keyboard and mouse arrive as pushed SDL events through the input
// system, child tasks run in the real scheduler, and the menu is drawn with a font (checked
// through the print recorder and against a golden picture).
#include "tests/support/FrameScript.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/InputTestSupport.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "tools/transition/ZquScreenTransitionWriter.h"
#include "zq/gl/ZqGlFont.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/input/ZqInput.h"
#include "zq/input/ZqKey.h"
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"
#include "zq/u/transition/ZquScreenTransition.h"
#include "zq/u/transition/ZquScreenTransition_test.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

using ST = ZquScreenTransition;
using zqtest::FrameScript;

struct Print {
    std::u16string text;
    int32_t x;
    int32_t y;
    uint32_t color;
};
std::vector<Print> g_prints;
uint32_t g_counter = 0;

void record(const char16_t* const text, const int32_t x, const int32_t y, const uint32_t color) {
    g_prints.push_back({text, x, y, color});
}

// Installs the recorder and a frame counter the test sets; removes both at the end.
class Hooks {
public:
    Hooks() {
        g_prints.clear();
        g_counter = 0;
        zqu::test::setPrintRecorder(record);
        zqu::test::setFrameCounter([] { return g_counter; });
    }
    ~Hooks() {
        zqu::test::setPrintRecorder(nullptr);
        zqu::test::setFrameCounter(nullptr);
    }
};

std::vector<uint8_t> compile(const std::string& source) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(zqstw::compileScript(source, out, error)) << error;
    return out;
}

// Ends after a few frames of its own with the result the test chose.
class ChildTask : public ZqTask {
public:
    uint32_t init() override {
        startValue = reinterpret_cast<uintptr_t>(getValue());
        frames = 0;
        return 0;
    }
    uint32_t main1(float) override {
        if (++frames < 3) {
            return 0;
        }
        setValue(reinterpret_cast<void*>(result));
        return RESULT_REMOVE;
    }
    uintptr_t startValue = 0;
    uintptr_t result = 0;
    int frames = 0;
};

// A key pressed until `seen` holds, then released and waited for.
void tap(FrameScript& s, const std::string& name, const SDL_Scancode sc, const uint32_t key,
         std::function<bool()> seen) {
    s.then(name + " down",
           [sc] {
               zqtest::pushKey(sc, true);
               return true;
           })
        .then(name + " seen",
              [sc, seen] {
                  if (!seen()) {
                      return false;
                  }
                  zqtest::pushKey(sc, false);
                  return true;
              })
        .then(name + " up", [key] { return ZqInput::getKeyboardButton(key) == 0; });
}

size_t cursorsSince(const size_t from) {
    size_t n = 0;
    for (size_t i = from; i < g_prints.size(); ++i) {
        n += g_prints[i].text == u"*" ? 1 : 0;
    }
    return n;
}

} // namespace

TEST(ScreenTransitionFramework, KeyboardMouseAndChildTasksDriveTheMenu) {
    const Hooks hooks;
    // Screen 0: a title that is no item, two jumps and a task item that cancel also takes;
    // the task's result 0 opens screen 2, anything higher screen 1.
    const std::vector<uint8_t> menu = compile(R"(
screen
locate 40 20
colour FFFFFF00
text "Menu 100% %s %n"
locate 40 next
jump 1
text "One"
locate 40 next
jump 2
text "Two"
locate 40 next
task 0 3 5 2 1
text "Task"
cancel 2
screen
locate 60 100
jump 0
text "Back"
screen
text "Two"
)");
    // The same keys reach a player without a font: it jumps all the same.
    const std::vector<uint8_t> plain = compile(R"(
screen
jump 1
text "go"
jump -1
text "quit"
screen
)");
    ZqTask parent;
    ChildTask child;
    ZqTask* const table[1] = {&child};
    ZqGlFont* font = nullptr;
    ST* p = nullptr;
    ST* q = nullptr;
    size_t mark = 0;

    FrameScript s;
    s.then("start", [&] {
         // A loaded machine can stretch the frames of one tap past the key repeat time:
         // each tap here must stay one move (the next start-up sets the default again).
         ZqInput::setRepeatTime(3600000);
         EXPECT_TRUE(ZqTask::addTask(&parent, 0));
         font = ZqGlFont::create(0, 0, 16, u"Geneva");
         p = ST::create(menu.data(), static_cast<uint32_t>(menu.size()), font, &parent, table, 1);
         q = ST::create(plain.data(), static_cast<uint32_t>(plain.size()), nullptr, &parent, table,
                        1);
         // In front, as a player's click on the window would make it.
         EXPECT_TRUE(ZqSystem::activateWindow());
         zqtest::pushFocus(true);
         return true;
     }).then("menu open", [&] {
        if (p == nullptr || q == nullptr || font == nullptr || p->getState() != ST::STATE_SELECT) {
            return false;
        }
        EXPECT_EQ(p->getNrSelects(), 3);
        EXPECT_EQ(p->getSelectNr(), 0);
        // Script text is printed as it stands, "%" and all, at the located place;
        // the next lines go down by the font's line height.
        EXPECT_GE(g_prints.size(), 4u);
        if (g_prints.size() >= 4) {
            EXPECT_EQ(g_prints[0].text, u"Menu 100% %s %n");
            EXPECT_EQ(g_prints[0].color, 0xFFFFFF00u);
            EXPECT_EQ(g_prints[0].x, 40);
            EXPECT_EQ(g_prints[0].y, 20);
            EXPECT_EQ(g_prints[3].text, u"Task");
            EXPECT_EQ(g_prints[3].x, 40);
            EXPECT_EQ(g_prints[3].y, 20 + 3 * font->getHeight());
        }
        EXPECT_EQ(cursorsSince(0), 0u) << "the blink is off and nothing moved";
        mark = g_prints.size();
        return true;
    });
    // Up from the first item wraps to the last, down from the last to the first; the cursor
    // shows steadily in the frame of each move although the blink is off.
    tap(s, "up", SDL_SCANCODE_UP, ZqKey::UP, [&] { return p->getSelectNr() == 2; });
    s.then("cursor on the last item", [&] {
        EXPECT_EQ(cursorsSince(mark), 1u);
        for (size_t i = mark; i < g_prints.size(); ++i) {
            if (g_prints[i].text == u"*") {
                EXPECT_EQ(g_prints[i].x, 35);
                EXPECT_EQ(g_prints[i].y, 20 + 3 * font->getHeight());
                EXPECT_EQ(g_prints[i].color, 0xFFFFFFFFu);
            }
        }
        EXPECT_EQ(q->getSelectNr(), 1);
        mark = g_prints.size();
        return true;
    });
    tap(s, "down", SDL_SCANCODE_DOWN, ZqKey::DOWN, [&] { return p->getSelectNr() == 0; });
    s.then("cursor once more", [&] {
        EXPECT_EQ(cursorsSince(mark), 1u);
        EXPECT_EQ(q->getSelectNr(), 0);
        return true;
    });
    // Cancel takes the task item: the child runs with the item's priority and start value
    // under the parent, and its result picks the next screen.
    child.result = 1;
    tap(s, "escape", SDL_SCANCODE_ESCAPE, ZqKey::ESCAPE, [&] {
        if (p->getState() != ST::STATE_TASK) {
            return false;
        }
        EXPECT_EQ(p->getTaskNr(), 0);
        EXPECT_EQ(child.startValue, 5u);
        EXPECT_EQ(child.getPriority(), 3);
        EXPECT_EQ(child.getParent(), &parent);
        EXPECT_EQ(q->getState(), ST::STATE_SELECT) << "no cancel item: nothing taken";
        return true;
    });
    s.then("result screen",
           [&] {
               if (p->getState() != ST::STATE_SELECT) {
                   return false;
               }
               EXPECT_EQ(p->getScreenTransitionNr(), 1);
               EXPECT_EQ(p->getTaskNr(), -1);
               EXPECT_EQ(child.getState(), ZqTask::STATE_IDLE);
               zqtest::pushMouseButton(SDL_BUTTON_LEFT, true);
               return true;
           })
        // The mouse picks the item it is on (from 5 pixels left of it): back to screen 0.
        .then("mouse click",
              [&] {
                  ZqInput::m_mousePos.set(57, 110);
                  return p->getScreenTransitionNr() == 0;
              })
        .then("mouse up",
              [&] {
                  zqtest::pushMouseButton(SDL_BUTTON_LEFT, false);
                  EXPECT_EQ(q->getScreenTransitionNr(), 0) << "the click missed its items";
                  return true;
              })
        .wait(3);
    tap(s, "return", SDL_SCANCODE_RETURN, ZqKey::RETURN,
        [&] { return p->getScreenTransitionNr() == 1; });
    s.then("both jumped", [&] {
        EXPECT_EQ(q->getScreenTransitionNr(), 1);
        EXPECT_EQ(q->getNrSelects(), 0);
        return true;
    });
    // Down on a screen without items moves nothing (and divides by nothing).
    tap(s, "down on an empty screen", SDL_SCANCODE_DOWN, ZqKey::DOWN,
        [] { return ZqInput::getKeyboardButton(ZqKey::DOWN) != 0; });
    s.then("done", [&] {
        EXPECT_EQ(q->getSelectNr(), 0);
        EXPECT_EQ(q->getState(), ST::STATE_SELECT);
        EXPECT_EQ(p->release(), 0u);
        EXPECT_EQ(q->release(), 0u);
        font->release();
        ZqTask::removeTask(&parent);
        return true;
    });
    EXPECT_EQ(s.run("transition", 1500), "");
}

TEST(ScreenTransitionFramework, CursorBlinksAndTheMenuMatchesItsPicture) {
    const Hooks hooks;
    const std::vector<uint8_t> menu = compile(R"(
screen
colour FFFFE040
locate 24 16
text "Service menu"
colour FFFFFFFF
locate 40 48
jump 1
text "Input test"
locate 40 next
jump 1
text "Sound test"
colour FF60C0FF
locate 40 next
jump -1
text "Exit 100% %d"
default 1
screen
text "x"
)");
    ZqTask parent;
    ZqTask* const table[1] = {nullptr};
    ZqGlFont* font = nullptr;
    ST* p = nullptr;
    std::vector<bool> cursor;
    uint16_t selected = 0;
    zqtest::Image picture;

    zqtest::ScriptTask root;
    root.onFrame = [&](const uint32_t frame) {
        if (frame == 0) {
            font = ZqGlFont::create(0, 0, 16, u"Geneva");
            p = ST::create(menu.data(), static_cast<uint32_t>(menu.size()), font, &parent, table,
                           1);
        }
        g_counter = frame;
        return frame < 9 && p != nullptr;
    };
    root.onDraw = [&] {
        // The player drew before the tasks: this frame's prints are all in.
        size_t n = 0;
        for (const Print& pr : g_prints) {
            n += pr.text == u"*" ? 1 : 0;
        }
        cursor.push_back(n > 0);
        g_prints.clear();
        selected = p->getSelectNr();
        if (g_counter == 5) {
            picture = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
        }
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root, 320, 240), 0u);
    ASSERT_NE(p, nullptr);
    ASSERT_GE(cursor.size(), 9u);
    cursor.resize(9);
    // Bit 2 of the frame counter: off for 0-3, on for 4-7, off at 8.
    const std::vector<bool> expected = {false, false, false, false, true, true, true, true, false};
    EXPECT_EQ(cursor, expected);
    EXPECT_EQ(selected, 1);
    EXPECT_TRUE(zqtest::matchesGolden(picture, "u/transition_menu.png", 2, 8));
}
