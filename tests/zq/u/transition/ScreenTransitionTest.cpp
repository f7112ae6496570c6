// The screen-transition player on its own: scripts made by the script writer run frame by
// frame through the two per-frame hooks, without a device, a font or input (only auto items
// act). The framework runs with keyboard, mouse, font and pictures are in
// ScreenTransitionFrameworkTest.cpp.
#include "tools/transition/ZquScreenTransitionWriter.h"
#include "zq/task/ZqTask.h"
#include "zq/u/transition/ZquScreenTransition.h"
#include "zq/u/transition/ZquScreenTransition_test.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace zqstw;
using ST = ZquScreenTransition;

std::vector<uint8_t> image(const Script& script) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(writeScript(script, out, error)) << error;
    return out;
}

// A child task that the test ends by hand: its state byte stays running until end().
class ChildTask : public ZqTask {
public:
    uint32_t init() override {
        ++starts;
        startValue = reinterpret_cast<uintptr_t>(getValue());
        return 0;
    }
    void end(const uintptr_t value) {
        setValue(reinterpret_cast<void*>(value));
        ZqTask::removeTask(this);
    }
    int starts = 0;
    uintptr_t startValue = 0;
};

int g_prints = 0;

class ScreenTransitionTest : public testing::Test {
protected:
    void SetUp() override {
        ST::sysInit();
        g_prints = 0;
        zqu::test::setPrintRecorder(
            [](const char16_t*, int32_t, int32_t, uint32_t) { ++g_prints; });
    }
    void TearDown() override {
        zqu::test::setPrintRecorder(nullptr);
        ST::sysQuit();
    }

    ST* make(const std::vector<uint8_t>& img) {
        return ST::create(img.data(), static_cast<uint32_t>(img.size()), nullptr, &m_parent,
                          m_table, 3);
    }
    // One frame: interpret or wait, then draw and take input.
    static void frame() {
        ST::sysMain();
        ST::sysDraw();
    }

    ZqTask m_parent;
    ChildTask m_children[2];
    ZqTask* m_table[3] = {&m_children[0], nullptr, &m_children[1]};
};

} // namespace

TEST_F(ScreenTransitionTest, CreateRefusesWhatItCannotPlay) {
    const std::vector<uint8_t> good = image({{text(u"a")}});
    std::vector<uint8_t> tooMany = good;
    tooMany[0] = 1; // high word 1: 65,536 screens and more
    std::vector<uint8_t> short1 = good;
    short1.resize(9); // the offset table needs 4 + 4 x 2 bytes
    const unsigned freeBefore = ST::getNrFree();
    EXPECT_EQ(ST::create(nullptr, 0, nullptr, &m_parent, m_table, 3), nullptr);
    EXPECT_EQ(ST::create(good.data(), 12, nullptr, nullptr, m_table, 3), nullptr);
    EXPECT_EQ(ST::create(good.data(), 12, nullptr, &m_parent, nullptr, 3), nullptr);
    EXPECT_EQ(make(tooMany), nullptr);
    EXPECT_EQ(make(short1), nullptr);
    EXPECT_EQ(ST::getNrFree(), freeBefore);

    std::vector<ST*> players;
    for (uint32_t i = 0; i < ST::POOL_SIZE; ++i) {
        players.push_back(make(good));
        ASSERT_NE(players.back(), nullptr);
    }
    EXPECT_EQ(make(good), nullptr) << "the pool holds 32";
    for (ST* p : players) {
        EXPECT_EQ(p->release(), 0u);
    }
    EXPECT_EQ(ST::getNrFree(), ST::POOL_SIZE);
}

TEST_F(ScreenTransitionTest, InterpretingCollectsItemsDefaultAndScreenCount) {
    // Item numbers follow the texts that carry a pending item; colour, locate and plain text
    // are no items; a jump or task command without a following text is none either.
    const std::vector<uint8_t> img = image({
        {locate(10, 20), colour(0xFF00FF00u), text(u"title"), locateNextLine(), jumpItem(1),
         text(u"one"), taskItem(0, 1, 2, {1, -1}), text(u"two"), text(u"plain"), jumpItem(0),
         defaultItem(1), cancelItem(0)},
        {jumpItem(0)},
    });
    ST* const p = make(img);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->getNrScreenTransitions(), 2);
    EXPECT_EQ(p->getState(), ST::STATE_INTERPRET);
    frame();
    EXPECT_EQ(p->getState(), ST::STATE_SELECT);
    EXPECT_EQ(p->getNrSelects(), 2);
    EXPECT_EQ(p->getSelectNr(), 1);
    EXPECT_EQ(p->getTaskNr(), -1);
    EXPECT_EQ(g_prints, 0) << "nothing is drawn without a font";
    // Without input nothing else happens, frame after frame.
    for (int i = 0; i < 10; ++i) {
        frame();
    }
    EXPECT_EQ(p->getState(), ST::STATE_SELECT);
    EXPECT_EQ(p->getScreenTransitionNr(), 0);
    p->release();
}

TEST_F(ScreenTransitionTest, ScreensHoldAtMost64Items) {
    Screen big;
    for (int i = 0; i < 70; ++i) {
        big.push_back(jumpItem(0));
        big.push_back(text(u"x"));
    }
    const std::vector<uint8_t> img = image({big});
    ST* const p = make(img);
    ASSERT_NE(p, nullptr);
    frame();
    EXPECT_EQ(p->getNrSelects(), 64);
    p->release();
}

TEST_F(ScreenTransitionTest, AutoItemsJumpInTheirFirstSelectFrame) {
    const struct {
        int line;
        Script script;
        std::vector<int> screens; // screen after each frame; -1 once ended
    } cases[] = {
        // Screen 0 jumps to 2 at once; 2 jumps to 1, which waits.
        {__LINE__,
         {{jumpItem(2), text(u"a"), autoItem(0)},
          {jumpItem(0), text(u"b")},
          {jumpItem(1), text(u"c"), jumpItem(-1), text(u"d"), autoItem(0)}},
         {2, 1, 1}},
        // The auto item may be the second; a negative target ends the player.
        {__LINE__, {{jumpItem(0), text(u"a"), jumpItem(-1), text(u"b"), autoItem(1)}}, {-1}},
        // A target past the last screen ends it too.
        {__LINE__, {{jumpItem(5), text(u"a"), autoItem(0)}}, {-1}},
        // An auto item number the screen does not have takes nothing.
        {__LINE__, {{jumpItem(-1), text(u"a"), autoItem(3)}}, {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const std::vector<uint8_t> img = image(c.script);
        ST* const p = make(img);
        ASSERT_NE(p, nullptr);
        for (const int expected : c.screens) {
            frame();
            if (expected < 0) {
                EXPECT_EQ(p->getState(), ST::STATE_END);
            } else {
                EXPECT_NE(p->getState(), ST::STATE_END);
                EXPECT_EQ(p->getScreenTransitionNr(), expected);
            }
        }
        p->release();
    }
}

TEST_F(ScreenTransitionTest, TaskItemsWaitForTheChildAndJumpByItsResult) {
    const struct {
        int line;
        std::vector<int16_t> results;
        uintptr_t value;
        int screen; // -1: ended
    } cases[] = {
        {__LINE__, {4, -1}, 7, -1}, // the index is clamped to the last result
        {__LINE__, {4, -1}, 0, 4},
        {__LINE__, {1, 2, 3}, 1, 2},
        {__LINE__, {3}, ~uintptr_t{0}, 3}, // a huge value is still an index
        // No result screens: the menu that started the task opens again.
        {__LINE__, {}, 0, 0},
        {__LINE__, {}, 9, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const std::vector<uint8_t> img = image({
            {jumpItem(-1), text(u"quit"), taskItem(2, 5, 321, c.results), text(u"run"),
             autoItem(1)},
            {text(u"1")},
            {text(u"2")},
            {text(u"3")},
            {text(u"4")},
        });
        ChildTask& child = m_children[1];
        child.starts = 0;
        ST* const p = make(img);
        ASSERT_NE(p, nullptr);
        frame();
        EXPECT_EQ(p->getState(), ST::STATE_TASK);
        EXPECT_EQ(p->getTaskNr(), 2);
        EXPECT_EQ(child.starts, 1);
        EXPECT_EQ(child.startValue, 321u);
        EXPECT_EQ(child.getPriority(), 5);
        EXPECT_EQ(child.getParent(), &m_parent);
        frame();
        frame();
        EXPECT_EQ(p->getState(), ST::STATE_TASK) << "the child still runs";
        child.end(c.value);
        ST::sysMain();
        if (c.screen < 0) {
            EXPECT_EQ(p->getState(), ST::STATE_END);
        } else {
            EXPECT_EQ(p->getState(), ST::STATE_INTERPRET);
            EXPECT_EQ(p->getScreenTransitionNr(), c.screen);
        }
        EXPECT_EQ(p->getTaskNr(), -1);
        p->release();
    }
}

TEST_F(ScreenTransitionTest, TaskNumbersOutsideTheTableStartNothing) {
    for (const uint16_t task : {uint16_t{1}, uint16_t{3}, uint16_t{65535}}) {
        SCOPED_TRACE(task);
        const std::vector<uint8_t> img =
            image({{taskItem(task, 0, 0, {-1}), text(u"t"), autoItem(0)}});
        ST* const p = make(img);
        ASSERT_NE(p, nullptr);
        frame();
        frame();
        EXPECT_EQ(p->getState(), ST::STATE_SELECT);
        p->release();
    }
}

TEST_F(ScreenTransitionTest, DamagedImagesPlayOnlyWhatLiesInside) {
    // Screen 0: a jump item, its text, then an auto item whose operand is cut off by the
    // screen's end; screen 1's offsets point past the image.
    std::vector<uint8_t> img = image({{jumpItem(1), text(u"ab"), autoItem(0)}, {text(u"x")}});
    // Offset entry 1 (end of screen 0) two bytes earlier: the auto item loses its operand.
    img[10] = static_cast<uint8_t>(img[10] - 2);
    ST* p = make(img);
    ASSERT_NE(p, nullptr);
    frame();
    EXPECT_EQ(p->getNrSelects(), 1);
    frame();
    EXPECT_EQ(p->getState(), ST::STATE_SELECT) << "the cut auto item does not act";
    p->release();

    // Unknown opcodes, a text without its terminator and offsets outside the image stop the
    // walk where they are; nothing is read past the image (the sanitizer checks).
    const uint8_t raw[] = {
        0, 0, 3,   0,              // three screens (u32: high word, then low word)
        0, 0, 20,  0,              // screen 0: 20 .. 26
        0, 0, 26,  0,              // screen 1: 26 .. 33
        0, 0, 33,  0,              // screen 2: 33 .. 200, past the image's end
        0, 0, 200, 0, 8, 0, 1,  0, // jump item to 1
        5, 0,                      // opcode 5: unknown
        8, 0, 2,   0, 3, 0, 65,    // jump item, then a text cut off mid-character
        3, 0, 66,  0,              // a text without terminator up to the end
    };
    const std::vector<uint8_t> damaged(raw, raw + sizeof raw);
    p = make(damaged);
    ASSERT_NE(p, nullptr);
    frame();
    EXPECT_EQ(p->getNrSelects(), 0);
    EXPECT_EQ(p->getState(), ST::STATE_SELECT);
    p->release();
}
