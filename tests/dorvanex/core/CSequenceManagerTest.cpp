// The chapter manager and the chapter life cycle, driven frame by frame through the task
// scheduler (no window), with probe chapters from a test factory.
#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/core/flow/CSequence.h"
#include "dorvanex/core/flow/OperatorErrors.h"
#include "dorvanex/scene/CResourceManager.h"
#include "tests/support/FakeClock.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// What the probes saw, by chapter number.
struct Seen {
    int creates = 0;
    int releases = 0;
    int updates = 0;
    int renders = 0;
    uint32_t phaseAtFirstUpdate = 0;
    int main1AtFirstUpdate = 0;
};
std::map<int32_t, Seen> gSeen;
std::vector<std::string> gOrder;
// Chapters whose create fails; the chapter a probe switches to from its update (-1 none).
std::map<int32_t, bool> gFailCreate;
int32_t gSwitchTo = -1;

class Probe : public CSequence {
public:
    explicit Probe(int32_t number) : m_number(number) {}
    bool create() override {
        ++gSeen[m_number].creates;
        gOrder.push_back("create " + std::to_string(m_number));
        return !gFailCreate[m_number];
    }
    bool load() override { return true; }
    bool start() override { return true; }
    uint32_t main1(float dt) override {
        ++m_main1;
        return CSequence::main1(dt);
    }
    bool update(float) override {
        Seen& seen = gSeen[m_number];
        if (seen.updates++ == 0) {
            seen.phaseAtFirstUpdate = getPhase();
            seen.main1AtFirstUpdate = m_main1;
        }
        if (gSwitchTo >= 0) {
            const int32_t next = gSwitchTo;
            gSwitchTo = -1;
            return CSequenceManager::getInstance()->changeSequence(next);
        }
        return false;
    }
    void render(float) override { ++gSeen[m_number].renders; }
    void release() override {
        ++gSeen[m_number].releases;
        gOrder.push_back("release " + std::to_string(m_number));
    }

private:
    int32_t m_number;
    int m_main1 = 0;
};

std::unique_ptr<CSequence> probeFactory(int32_t number) {
    if (number < 0 || number == 13 || number > 42) {
        return nullptr;
    }
    return std::make_unique<Probe>(number);
}

class ChapterManager : public testing::Test {
protected:
    void SetUp() override {
        gSeen.clear();
        gOrder.clear();
        gFailCreate.clear();
        gSwitchTo = -1;
        clearOperatorError();
        ZqTask::sysInit(&m_root);
        m_manager = CSequenceManager::getInstance();
        m_manager->setFactory(&probeFactory);
        m_manager->setParentTask(&m_root);
    }
    void TearDown() override {
        // As at the root's quit: the scheduler unlinks the chapter, then the manager goes.
        ZqTask::sysQuit();
        CSequenceManager::deleteInstance();
        CResourceManager::deleteInstance();
    }
    // One frame: updates, then the draw pass.
    void frame(const float dt = 16.0f) {
        ZqTask::sysMain(dt);
        ZqTask::sysDraw(dt);
    }
    void frames(const int n) {
        for (int i = 0; i < n; ++i) {
            frame();
        }
    }

    ZqTask m_root;
    CSequenceManager* m_manager = nullptr;
};

TEST_F(ChapterManager, PendingNumberWaitsForApplyAndSwitchKeepsThePrevious) {
    EXPECT_EQ(m_manager->getCurrentSequence(), -1);
    EXPECT_EQ(m_manager->getPreviousSequence(), -1);
    m_manager->setNextSequence(7);
    EXPECT_EQ(m_manager->getCurrentSequence(), -1);
    EXPECT_EQ(m_manager->getNextSequence(), 7);
    ASSERT_TRUE(m_manager->applyNextSequence());
    EXPECT_EQ(m_manager->getNextSequence(), -1);
    EXPECT_EQ(m_manager->getCurrentSequence(), 7);
    ASSERT_TRUE(m_manager->changeSequence(19));
    EXPECT_EQ(m_manager->getCurrentSequence(), 19);
    EXPECT_EQ(m_manager->getPreviousSequence(), 7);
    // The old chapter is released before the new one is created.
    const std::vector<std::string> order = {"create 7", "release 7", "create 19"};
    EXPECT_EQ(gOrder, order);
}

TEST_F(ChapterManager, PhasesTakeAFrameEachAndRenderRunsOnlyWhileRunning) {
    ASSERT_TRUE(m_manager->changeSequence(5));
    frames(3);
    EXPECT_EQ(gSeen[5].updates, 0);
    EXPECT_EQ(gSeen[5].renders, 0);
    frame();
    EXPECT_EQ(gSeen[5].updates, 1);
    EXPECT_EQ(gSeen[5].main1AtFirstUpdate, 4);
    EXPECT_EQ(gSeen[5].phaseAtFirstUpdate, CSequence::PHASE_RUN);
    EXPECT_EQ(gSeen[5].renders, 1);
    // A frame whose update switches chapter draws nothing of the old chapter.
    gSwitchTo = 6;
    frame();
    EXPECT_EQ(gSeen[5].renders, 1);
    EXPECT_EQ(m_manager->getCurrentSequence(), 6);
}

TEST_F(ChapterManager, NumbersWithoutAChapterKeepTheRunningOne) {
    ASSERT_TRUE(m_manager->changeSequence(30));
    frames(4);
    CSequence* const running = m_manager->getCurrentTask();
    for (const int32_t number : {13, 43, -1}) {
        SCOPED_TRACE(number);
        EXPECT_FALSE(m_manager->changeSequence(number));
        EXPECT_EQ(m_manager->getCurrentSequence(), 30);
        EXPECT_EQ(m_manager->getCurrentTask(), running);
    }
    const int updates = gSeen[30].updates;
    frame();
    EXPECT_EQ(gSeen[30].updates, updates + 1);
    EXPECT_EQ(gSeen[30].releases, 0);
    EXPECT_EQ(hasOperatorError(), 0);
}

TEST_F(ChapterManager, FailingCreateEndsInSelfCheckWithTheFileErrorPending) {
    ASSERT_TRUE(m_manager->changeSequence(3));
    gFailCreate[17] = true;
    EXPECT_FALSE(m_manager->changeSequence(17));
    EXPECT_EQ(m_manager->getCurrentSequence(), CSequenceManager::SELF_CHECK_CHAPTER);
    ASSERT_NE(m_manager->getCurrentTask(), nullptr);
    uint16_t subCode = 0;
    EXPECT_EQ(getOperatorErrorRow(&subCode), CSequenceManager::FILE_BROKEN_ERROR_ROW);
    EXPECT_EQ(subCode, 17);
    frames(4);
    EXPECT_EQ(gSeen[42].updates, 1);
}

TEST_F(ChapterManager, ALoadThatNeverEndsIsReplacedAfterSixtySeconds) {
    zqtest::FakeClock clock(5000);
    CResourceManager::getInstance()->setHoldChapterBank(true);
    ASSERT_TRUE(m_manager->changeSequence(19));
    frames(5);
    ASSERT_EQ(m_manager->getCurrentTask()->getPhase(), CSequence::PHASE_WAIT_RESOURCES);
    zqtest::FakeClock::advance(CSequence::LOAD_TIME_LIMIT_MS - 1);
    frame();
    EXPECT_EQ(m_manager->getCurrentSequence(), 19);
    zqtest::FakeClock::advance(1);
    frame();
    EXPECT_EQ(m_manager->getCurrentSequence(), CSequenceManager::SELF_CHECK_CHAPTER);
    EXPECT_EQ(m_manager->getPreviousSequence(), 19);
    EXPECT_EQ(gSeen[19].releases, 1);
    uint16_t subCode = 0;
    EXPECT_EQ(getOperatorErrorRow(&subCode), CSequenceManager::FILE_BROKEN_ERROR_ROW);
    EXPECT_EQ(subCode, 19);
}

TEST_F(ChapterManager, SelfCheckThatCannotRunIsFatal) {
    gFailCreate[20] = true;
    gFailCreate[42] = true;
    EXPECT_THROW(m_manager->changeSequence(20), unsigned);
    try {
        m_manager->changeSequence(42);
        FAIL();
    } catch (const unsigned code) {
        EXPECT_EQ(code, CSequenceManager::FATAL_NO_CHAPTER);
    }
}

} // namespace
