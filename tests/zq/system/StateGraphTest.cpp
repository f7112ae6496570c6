#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"

#include "tests/support/FakeClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Averages {
    float cost = 0.0f;
    float step = 0.0f;
};

Averages drawGraph() {
    Averages a;
    ZqSystem::drawStateGraph(0.0f, 0.0f, 400.0f, 100.0f, &a.cost, &a.step, nullptr, nullptr,
                             nullptr);
    return a;
}

// Needs a ring that is still all zeros: ctest runs it in a process of its own. Outside the
// main loop the frame step is what is set here.
TEST(ZqSystemStateGraph, EarlyAveragesIncludeEmptySlotsAndAreAtLeastOne) {
    ZqSystem::m_fTimeTick = 5.0f;
    for (int call = 1; call <= 25; ++call) {
        // The 20 slots before this call: call - 1 of them hold a step of 5, the rest are 0.
        const float expected = 5.0f * static_cast<float>(std::min(call - 1, 20)) * 0.05f;
        EXPECT_FLOAT_EQ(drawGraph().step, std::max(expected, 1.0f)) << "call " << call;
    }
    ZqSystem::m_fTimeTick = 1.0f;
}

// A draw task that feeds the graph every frame and records what the frame's figures were.
class GraphRoot : public ZqTask {
public:
    struct Sample {
        float system, main, draw, step;
        Averages out;
    };
    std::vector<Sample> samples;
    uint32_t frames = 0;

    uint32_t main1(float) override {
        // Task times that differ from frame to frame.
        zqtest::FakeClock::advance(frames % 7);
        addDrawTask(0, 0.0f);
        if (++frames == 450) {
            ZqSystem::quit();
        }
        return 0;
    }
    void draw(float) override {
        Sample s{static_cast<float>(ZqSystem::getSystemTime()),
                 static_cast<float>(ZqSystem::getMainTaskTime()),
                 static_cast<float>(ZqSystem::getDrawTaskTime()),
                 ZqSystem::getTimeTickFloat(),
                 {}};
        s.out = drawGraph();
        samples.push_back(s);
    }
};

TEST(ZqSystemStateGraph, AveragesFollowTheTwentyFramesBeforeEachCallAcrossTheRing) {
    const zqtest::FakeClock clock(5000, 1);
    GraphRoot root;
    const std::string name = "zq graph test " + std::to_string(getpid());
    const std::u16string mutexName(name.begin(), name.end());
    ASSERT_EQ(ZqSystem::go(nullptr, ZqSystem::DEFAULT_STYLE, nullptr, 320, 240, u"zq graph", false,
                           &root, mutexName.c_str()),
              0);
    const auto& s = root.samples;
    ASSERT_GE(s.size(), 440u) << "the ring wraps twice";
    for (size_t j = 20; j < s.size(); ++j) {
        float cost = 0.0f;
        float step = 0.0f;
        for (size_t i = 1; i <= 20; ++i) {
            cost += s[j - i].system + s[j - i].main + s[j - i].draw;
            step += s[j - i].step;
        }
        EXPECT_FLOAT_EQ(s[j].out.cost, std::max(cost * 0.05f, 1.0f)) << "call " << j;
        EXPECT_FLOAT_EQ(s[j].out.step, std::max(step * 0.05f, 1.0f)) << "call " << j;
    }
}

TEST(ZqSystemStateGraph, MemoryFigures) {
    uint64_t total = 0, available = 0, before = 0, after = 0;
    ZqSystem::drawStateGraph(0.0f, 0.0f, 400.0f, 100.0f, nullptr, nullptr, &total, &available,
                             &before);
    EXPECT_EQ(total, static_cast<uint64_t>(sysconf(_SC_PHYS_PAGES)) *
                         static_cast<uint64_t>(sysconf(_SC_PAGESIZE)));
    EXPECT_GT(available, 0u);
    EXPECT_LE(available, total);
    EXPECT_GT(before, 0u);
    // Private bytes follow memory the process writes to.
    std::vector<char> block(64u << 20, 1);
    ZqSystem::drawStateGraph(0.0f, 0.0f, 400.0f, 100.0f, nullptr, nullptr, nullptr, nullptr,
                             &after);
    EXPECT_GE(after, before + (48u << 20));
    EXPECT_EQ(block[12345], 1);
    // Every output may be left out; the graph is still drawn.
    ZqSystem::drawStateGraph(0.0f, 0.0f, 400.0f, 100.0f, nullptr, nullptr, nullptr, nullptr,
                             nullptr);
}

} // namespace
