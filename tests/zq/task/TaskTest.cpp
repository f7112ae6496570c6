#include "zq/system/ZqError.h"
#include "zq/task/ZqTask.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <deque>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> g_log;

// A task that logs what the scheduler calls, and can be told how to answer.
class LogTask : public ZqTask {
public:
    explicit LogTask(std::string name) : m_name(std::move(name)) {}
    uint32_t init() override {
        g_log.push_back("init " + m_name);
        return m_refuse ? RESULT_REMOVE : 0;
    }
    void quit() override { g_log.push_back("quit " + m_name); }
    uint32_t main0(float) override {
        g_log.push_back("main0 " + m_name);
        return 0;
    }
    uint32_t main1(float step) override {
        g_log.push_back("main1 " + m_name);
        m_lastStep = step;
        if (m_onMain1) {
            m_onMain1();
        }
        return m_removeOnMain1 ? RESULT_REMOVE : 0;
    }
    void draw(float) override {
        g_log.push_back("draw " + m_name);
        if (m_onDraw) {
            m_onDraw();
        }
    }

    std::string m_name;
    bool m_refuse = false;
    bool m_removeOnMain1 = false;
    float m_lastStep = 0.0f;
    std::function<void()> m_onMain1;
    std::function<void()> m_onDraw;
};

// Starts the scheduler with a silent root and stops it after each test.
class TaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        ZqTask::sysInit(&m_root);
        g_log.clear();
    }
    void TearDown() override { ZqTask::sysQuit(); }

    std::vector<std::string> only(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& s : g_log) {
            if (s.rfind(prefix, 0) == 0) {
                out.push_back(s);
            }
        }
        return out;
    }

    // Tasks outlive the scheduler's stop in TearDown.
    LogTask& make(const std::string& name) { return m_tasks.emplace_back(name); }

    class Root : public ZqTask {
    } m_root;
    std::deque<LogTask> m_tasks;
};

using Strings = std::vector<std::string>;

TEST_F(TaskTest, UpdateOrderByPriorityNewestFirstTwoPasses) {
    LogTask &t1 = make("T1"), &t2 = make("T2"), &t3 = make("T3"), &p1 = make("P1");
    ASSERT_TRUE(ZqTask::addTask(&t1, 2));
    ASSERT_TRUE(ZqTask::addTask(&t2, 2));
    ASSERT_TRUE(ZqTask::addTask(&t3, 2));
    ASSERT_TRUE(ZqTask::addTask(&p1, 1));
    g_log.clear();
    ZqTask::sysMain(16.0f);
    EXPECT_EQ(g_log, (Strings{"main0 P1", "main0 T3", "main0 T2", "main0 T1", "main1 P1",
                              "main1 T3", "main1 T2", "main1 T1"}));
    EXPECT_EQ(t1.m_lastStep, 16.0f);
}

TEST_F(TaskTest, RefusedChildLeavesParentAsBefore) {
    LogTask &parent = make("P"), &older = make("C1"), &refused = make("C2");
    ASSERT_TRUE(ZqTask::addTask(&parent, 0));
    ASSERT_TRUE(parent.addChildTask(&older, 3));
    refused.m_refuse = true;
    g_log.clear();
    EXPECT_FALSE(parent.addChildTask(&refused, 3));
    EXPECT_EQ(g_log, (Strings{"init C2", "quit C2"}));
    EXPECT_EQ(parent.getNrChildren(), 1u);
    EXPECT_EQ(parent.getChildFirst(), &older);
    EXPECT_EQ(older.getSiblingPrev(), nullptr);
    EXPECT_EQ(refused.getState(), ZqTask::STATE_IDLE);
    g_log.clear();
    ZqTask::sysMain(1.0f);
    EXPECT_EQ(only("main1"), (Strings{"main1 P", "main1 C1"}));
}

TEST_F(TaskTest, RemovingParentRemovesSubtreeNewestFirstDescendantsBeforeParents) {
    LogTask &parent = make("P"), &a = make("A"), &b = make("B"), &a1 = make("A1"), &a2 = make("A2");
    ASSERT_TRUE(ZqTask::addTask(&parent, 0));
    ASSERT_TRUE(parent.addChildTask(&a, 1));
    ASSERT_TRUE(parent.addChildTask(&b, 1));
    ASSERT_TRUE(a.addChildTask(&a1, 2));
    ASSERT_TRUE(a.addChildTask(&a2, 2));
    parent.m_removeOnMain1 = true;
    g_log.clear();
    ZqTask::sysMain(1.0f);
    EXPECT_EQ(only("quit"), (Strings{"quit B", "quit A2", "quit A1", "quit A", "quit P"}));
    // The children were removed in the parent's main1, so none of them got a main1 call.
    EXPECT_EQ(only("main1"), (Strings{"main1 P"}));
    for (const LogTask* t : {&parent, &a, &b, &a1, &a2}) {
        EXPECT_EQ(t->getState(), ZqTask::STATE_IDLE) << t->m_name;
    }
    g_log.clear();
    ZqTask::sysMain(1.0f);
    EXPECT_TRUE(g_log.empty());
}

TEST_F(TaskTest, TaskRemovedDuringPassIsSkippedAndWalkGoesOn) {
    LogTask &t1 = make("T1"), &t2 = make("T2"), &t3 = make("T3");
    ASSERT_TRUE(ZqTask::addTask(&t3, 4));
    ASSERT_TRUE(ZqTask::addTask(&t2, 4));
    ASSERT_TRUE(ZqTask::addTask(&t1, 4)); // list order: T1, T2, T3
    t1.m_onMain1 = [&] { ZqTask::removeTask(&t2); };
    g_log.clear();
    ZqTask::sysMain(1.0f);
    EXPECT_EQ(only("main1"), (Strings{"main1 T1", "main1 T3"}));
    EXPECT_EQ(only("quit"), (Strings{"quit T2"}));
}

TEST_F(TaskTest, ChildDetachUpdatesSiblingLinks) {
    LogTask &parent = make("P"), &c1 = make("C1"), &c2 = make("C2"), &c3 = make("C3");
    ASSERT_TRUE(ZqTask::addTask(&parent, 0));
    ASSERT_TRUE(parent.addChildTask(&c1, 0));
    ASSERT_TRUE(parent.addChildTask(&c2, 0));
    ASSERT_TRUE(parent.addChildTask(&c3, 0)); // children newest first: C3, C2, C1
    ZqTask::removeTask(&c2);
    EXPECT_EQ(parent.getNrChildren(), 2u);
    EXPECT_EQ(c3.getSiblingNext(), &c1);
    EXPECT_EQ(c1.getSiblingPrev(), &c3);
    ZqTask::removeTask(&c3);
    EXPECT_EQ(parent.getChildFirst(), &c1);
    EXPECT_EQ(c1.getSiblingPrev(), nullptr);
    EXPECT_EQ(parent.getNrChildren(), 1u);
}

TEST_F(TaskTest, DrawOrderByPriorityThenDepthNewestFirstOnTies) {
    LogTask &deep = make("deep"), &shallow = make("shallow"), &tieOld = make("tieOld"),
            &tieNew = make("tieNew"), &p4 = make("p4"), &nan = make("nan"), &never = make("never");
    for (LogTask* t : {&deep, &shallow, &tieOld, &tieNew, &p4, &nan, &never}) {
        ASSERT_TRUE(ZqTask::addTask(t, 0));
    }
    deep.addDrawTask(5, 2.0f);
    nan.addDrawTask(5, std::nanf(""));
    shallow.addDrawTask(5, 1.0f);
    tieOld.addDrawTask(6, 3.0f);
    tieNew.addDrawTask(6, 3.0f);
    p4.addDrawTask(4, 100.0f);
    g_log.clear();
    ZqTask::sysDraw(1.0f);
    EXPECT_EQ(g_log, (Strings{"draw p4", "draw shallow", "draw deep", "draw nan", "draw tieNew",
                              "draw tieOld"}));
    g_log.clear();
    ZqTask::sysDraw(1.0f);
    EXPECT_TRUE(g_log.empty()) << "registrations last one drawing";
}

TEST_F(TaskTest, DrawOrderMatchesInsertBeforeFirstNotSmallerModel) {
    // Random depths with ties, runs of ascending values and NaNs, and tasks removed between
    // registrations, checked against the plain rule: each task goes in front of the first one
    // whose depth is >= its own.
    std::mt19937 rng(7);
    for (int round = 0; round < 90; ++round) {
        const int n = 1 + static_cast<int>(rng() % (round % 3 == 0 ? 400 : 60));
        const bool removals = round % 2 == 1;
        const bool nans = round % 5 < 3; // lists with and without a NaN are ordered apart
        std::vector<float> depths;
        for (int i = 0; i < n; ++i) {
            const unsigned kind = rng() % 10;
            if (kind == 0 && nans) {
                depths.push_back(std::nanf(""));
            } else if (kind < 4 && !depths.empty() && !std::isnan(depths.back())) {
                depths.push_back(depths.back() + 1.0f);
            } else {
                depths.push_back(static_cast<float>(rng() % 8));
            }
        }
        std::vector<LogTask*> tasks;
        for (int i = 0; i < n; ++i) {
            LogTask& t = make(std::to_string(round) + "/" + std::to_string(i));
            ASSERT_TRUE(ZqTask::addTask(&t, 0));
            tasks.push_back(&t);
        }
        std::vector<int> model;
        for (int i = 0; i < n; ++i) {
            auto it = model.begin();
            while (it != model.end() && !(depths[*it] >= depths[i])) {
                ++it;
            }
            model.insert(it, i);
            tasks[i]->addDrawTask(9, depths[i]);
            if (removals && rng() % 4 == 0) {
                const auto gone = model.begin() + static_cast<long>(rng() % model.size());
                ZqTask::removeTask(tasks[*gone]);
                model.erase(gone);
            }
        }
        Strings expected;
        for (const int i : model) {
            expected.push_back("draw " + std::to_string(round) + "/" + std::to_string(i));
        }
        g_log.clear();
        ZqTask::sysDraw(1.0f);
        ASSERT_EQ(only("draw"), expected) << "round " << round;
    }
}

TEST_F(TaskTest, DrawingsThatRemoveOrRegisterTasks) {
    // A drawing removes a task later in its list and registers others: the removed one is not
    // drawn, and the new registrations are drawn after the list, in their own order.
    for (const float odd : {2.0f, std::nanf("")}) {
        LogTask &a = make("a"), &b = make("b"), &c = make("c"), &d = make("d"), &e = make("e");
        for (LogTask* t : {&a, &b, &c, &d, &e}) {
            ASSERT_TRUE(ZqTask::addTask(t, 0));
        }
        a.m_onDraw = [&] {
            ZqTask::removeTask(&c);
            e.addDrawTask(4, 9.0f);
            d.addDrawTask(4, 0.5f);
            a.addDrawTask(4, 0.0f); // still registered while drawn: ignored
        };
        a.addDrawTask(4, 1.0f);
        b.addDrawTask(4, odd);
        c.addDrawTask(4, 3.0f);
        g_log.clear();
        ZqTask::sysDraw(1.0f);
        EXPECT_EQ(only("draw"), (Strings{"draw a", "draw b", "draw d", "draw e"}));
        a.m_onDraw = nullptr;
        for (LogTask* t : {&a, &b, &d, &e}) {
            t->addDrawTask(4, 0.0f); // every registration was cleared by its drawing
        }
        g_log.clear();
        ZqTask::sysDraw(1.0f);
        EXPECT_EQ(only("draw").size(), 4u);
        for (LogTask* t : {&a, &b, &d, &e}) {
            ZqTask::removeTask(t);
        }
    }
}

TEST_F(TaskTest, RemovedOrDiscardedRegistrationsAreNotDrawn) {
    LogTask &a = make("a"), &b = make("b"), &c = make("c");
    for (LogTask* t : {&a, &b, &c}) {
        ASSERT_TRUE(ZqTask::addTask(t, 0));
    }
    a.addDrawTask(1, 0.0f);
    b.addDrawTask(1, 1.0f);
    c.addDrawTask(1, 2.0f);
    b.addDrawTask(1, -5.0f); // a second registration before the drawing is ignored
    ZqTask::removeTask(&b);
    g_log.clear();
    ZqTask::sysDraw(1.0f);
    EXPECT_EQ(only("draw"), (Strings{"draw a", "draw c"}));

    a.addDrawTask(1, 0.0f);
    ZqTask::sysDrawDiscard();
    g_log.clear();
    ZqTask::sysDraw(1.0f);
    EXPECT_TRUE(g_log.empty());
    a.addDrawTask(2, 0.0f); // registering again works after a discard
    ZqTask::sysDraw(1.0f);
    EXPECT_EQ(g_log, (Strings{"draw a"}));
}

TEST_F(TaskTest, TaskAddedDuringMain0ReachedOnlyInLaterList) {
    LogTask &first = make("first"), &late = make("late"), &early = make("early");
    ASSERT_TRUE(ZqTask::addTask(&first, 3));
    first.m_onMain1 = nullptr;
    struct Adder : ZqTask {
        LogTask* late;
        LogTask* early;
        uint32_t main0(float) override {
            if (late->getState() == STATE_IDLE) {
                ZqTask::addTask(late, 5);
                ZqTask::addTask(early, 1);
            }
            return 0;
        }
    } adder;
    adder.late = &late;
    adder.early = &early;
    ASSERT_TRUE(ZqTask::addTask(&adder, 3));
    g_log.clear();
    ZqTask::sysMain(1.0f);
    EXPECT_EQ(only("main0"), (Strings{"main0 first", "main0 late"}));
    EXPECT_EQ(only("main1"), (Strings{"main1 early", "main1 first", "main1 late"}));
    ZqTask::removeTask(&adder);
}

TEST_F(TaskTest, StopRemovesTopLevelTasksWithDescendants) {
    LogTask &a = make("a"), &child = make("child");
    ASSERT_TRUE(ZqTask::addTask(&a, 7));
    ASSERT_TRUE(a.addChildTask(&child, 0));
    g_log.clear();
    ZqTask::sysQuit();
    EXPECT_EQ(only("quit"), (Strings{"quit child", "quit a"}));
    ZqTask::sysInit(&m_root); // TearDown stops again
}

TEST_F(TaskTest, DrawRegistrationFromAnotherThreadIsNeverLost) {
    struct CountTask : ZqTask {
        std::atomic<uint32_t> draws{0};
        void draw(float) override { ++draws; }
    };
    static CountTask tasks[64];
    std::atomic<bool> stop{false};
    std::thread other([&] {
        uint32_t n = 0;
        while (!stop.load()) {
            for (CountTask& t : tasks) {
                t.addDrawTask(7, static_cast<float>(n++ % 13));
            }
        }
    });
    for (int frame = 0; frame < 3000; ++frame) {
        ZqTask::sysDraw(1.0f);
    }
    stop.store(true);
    other.join();
    ZqTask::sysDraw(1.0f);
    // Every task takes a new registration and is drawn once: none was left marked as
    // registered in a list the drawing had already emptied.
    for (CountTask& t : tasks) {
        t.draws.store(0);
        t.addDrawTask(3, 0.0f);
    }
    ZqTask::sysDraw(1.0f);
    for (const CountTask& t : tasks) {
        EXPECT_EQ(t.draws.load(), 1u);
    }
}

TEST(TaskStart, RefusingRootThrows48) {
    LogTask root("root");
    root.m_refuse = true;
    try {
        ZqTask::sysInit(&root);
        FAIL() << "no throw";
    } catch (const unsigned code) {
        EXPECT_EQ(code, ZqError::ROOT_TASK);
    }
    ZqTask::sysQuit();
}

} // namespace
