// The time-limit counter: its seconds, rolls and warnings frame by frame (the warning counted
// as requests the sound manager takes), and its two digits drawn from the generated layout 48
// and digit sheet on real GL, against golden pictures.
#include "dorvanex/core/play/CLimitTimer.h"

#include "dorvanex/core/sound/CSoundManager.h"
#include "dorvanex/dld/CDldElementList.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldLayer.h"
#include "dorvanex/dld/CDldTask.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "tests/support/GameRun.h"
#include "tests/support/GoldenImage.h"
#include "tools/dataset/DataSetBuilder.h"
#include "tools/sound/ZqSdWriter.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/platform/audio/audio.h"
#include "zq/sd/ZqSdSound.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char16_t WARNING[] = u"SPCommonLimitedTime.adpcm.sound";
constexpr float FRAME_MS = 1000.0f / 60.0f;

class LimitTimer : public ::testing::Test {
protected:
    void SetUp() override {
        zqp::audioSetSink(zqp::AudioSink::NULL_SINK);
        ZqSdSound::sysInit();
        std::vector<uint8_t> file;
        std::string error;
        ASSERT_TRUE(zqsdw::writeSound(zqsdw::makeTone(880.0, 0.05, 8000, 1), zqsdw::Options{}, file,
                                      error));
        ASSERT_EQ(ZqSdSound::loadSe(WARNING, file.data(), static_cast<uint32_t>(file.size()), 0, 1),
                  1u);
        CSoundManager::setSoundList(&m_list);
        CSoundManager::resetSeSlots();
    }
    void TearDown() override {
        CSoundManager::deleteInstance();
        CSoundManager::setSoundList(nullptr);
        ZqSdSound::sysQuit();
        zqp::audioSetSink(zqp::AudioSink::SDL);
    }
    // Warnings asked for since the last call (each takes a slot until the sound task runs).
    static int32_t warnings() {
        const int32_t n = static_cast<int32_t>(CSoundManager::getActiveCount()) - 1;
        CSoundManager::resetSeSlots();
        return n;
    }

    CResourceManager::SoundList m_list;
};

TEST_F(LimitTimer, WarnsAtStartWithTenSecondsOrLessAndAtEveryChangeBelowEleven) {
    struct Case {
        int32_t seconds;
        int32_t atStart;
        int32_t firstWarningAt; // seconds shown when the first counted warning comes
    };
    for (const Case c : {Case{9, 1, 8}, Case{10, 1, 9}, Case{11, 0, 10}, Case{15, 0, 10}}) {
        SCOPED_TRACE(c.seconds);
        CLimitTimer t;
        t.setTime(c.seconds);
        t.start();
        EXPECT_EQ(warnings(), c.atStart);
        EXPECT_TRUE(t.isVisible());
        // Run down frame by frame: one warning at each change from 10 down to 1, none above.
        std::vector<int32_t> warnedAt;
        int32_t frames = 0;
        while (!t.isTimeUp() && frames++ < 2000) {
            t.update(FRAME_MS);
            if (warnings() != 0) {
                warnedAt.push_back(t.getSeconds());
            }
        }
        ASSERT_TRUE(t.isTimeUp());
        ASSERT_FALSE(warnedAt.empty());
        EXPECT_EQ(warnedAt.front(), c.firstWarningAt);
        EXPECT_EQ(warnedAt.back(), 1);
        EXPECT_EQ(warnedAt.size(), static_cast<size_t>(c.firstWarningAt));
    }
}

TEST_F(LimitTimer, SecondsFollowTheRemainingTimeToTheEnd) {
    CLimitTimer t;
    t.setTime(20);
    EXPECT_FALSE(t.isVisible()) << "not before start";
    t.start();
    t.update(1.0f);
    struct Step {
        float dt;
        int32_t seconds;
        int32_t previous;
    };
    // Remaining after each step: 19,000 shows 20, just below 19; exactly 10,000 shows 11,
    // just below 10; 9,000 still 10, just below 9.
    const Step steps[] = {
        {999.0f, 20, 20}, {0.5f, 19, 20},   {8999.5f, 11, 19},
        {0.5f, 10, 11},   {999.5f, 10, 11}, {0.5f, 9, 10},
    };
    for (const Step& s : steps) {
        t.update(s.dt);
        SCOPED_TRACE(t.getRemaining());
        EXPECT_EQ(t.getSeconds(), s.seconds);
        EXPECT_EQ(t.getPreviousSeconds(), s.previous);
    }

    // 0.5 ms left: hidden but still counting; below 0.0001 ms: timed up, stopped at 0.
    t.update(t.getRemaining() - 0.5f);
    EXPECT_FALSE(t.isVisible());
    EXPECT_FALSE(t.isTimeUp());
    EXPECT_EQ(t.getSeconds(), 1);
    t.update(0.49995f);
    EXPECT_TRUE(t.isTimeUp());
    EXPECT_EQ(t.getSeconds(), 0);
    EXPECT_EQ(t.getPreviousSeconds(), 0);
    EXPECT_EQ(t.getRemaining(), 0.0f);
    t.update(1000.0f);
    EXPECT_EQ(t.getRemaining(), 0.0f) << "no more counting";

    // Paused, the time stands.
    t.setTime(5);
    t.start();
    t.setRunning(false);
    t.update(2000.0f);
    EXPECT_EQ(t.getRemaining(), 5000.0f);
}

// The generated countdown layout and digit sheet, as the data set stores them.
struct Countdown {
    std::vector<uint8_t> layout;
    std::vector<uint8_t> sheet;
};

Countdown loadCountdown() {
    Countdown out;
    const uint32_t archive = getResourceEntry(CLimitTimer::LAYOUT_INDEX).archive;
    std::vector<ZqArcEntry> entries;
    std::string error;
    EXPECT_TRUE(zqds::buildArchiveEntries(archive, zqds::Inputs{}, entries, error)) << error;
    const uint32_t first = getArchiveFirstRow(archive);
    out.layout = entries.at(CLimitTimer::LAYOUT_INDEX - first).data;
    out.sheet = entries.at(CLimitTimer::LAYOUT_INDEX + 1 - first).data;
    return out;
}

TEST_F(LimitTimer, TensChangesAndTheFirstUpdateRollBothLayers) {
    const Countdown data = loadCountdown();
    CDldFile* file = CDldFile::create(data.layout.data(), data.layout.size());
    CLimitTimer t;
    ASSERT_TRUE(t.create(file));
    // A layer the last update (re)started is playing at its first frames; a roll lasts far
    // less than a second, so by the next change both have ended.
    const auto started = [](const CDldLayer* layer) {
        return layer->getState() == CDldLayer::STATE_PLAYING && layer->getTimer().frame <= 1;
    };
    t.setTime(21);
    t.start();
    t.update(FRAME_MS);
    EXPECT_EQ(t.getSeconds(), 21);
    EXPECT_TRUE(started(t.getRollOutLayer())) << "first update, no change";
    EXPECT_TRUE(started(t.getRollInLayer()));
    std::vector<int32_t> both;
    std::vector<int32_t> inOnly;
    int32_t shown = t.getSeconds();
    while (!t.isTimeUp()) {
        t.update(FRAME_MS);
        if (t.getSeconds() != shown && !t.isTimeUp()) {
            shown = t.getSeconds();
            EXPECT_TRUE(started(t.getRollInLayer())) << shown;
            (started(t.getRollOutLayer()) ? both : inOnly).push_back(shown);
        }
    }
    EXPECT_EQ(both, (std::vector<int32_t>{19, 9}));
    EXPECT_EQ(inOnly.size(), 18u);
    t.release();
    dldRelease(file);
}

// Inside the framework's own run (its sound layer has no warning sound: the request drops).
TEST(LimitTimerPicture, DigitsFromTheGeneratedLayoutMatchTheirGoldens) {
    const Countdown data = loadCountdown();
    const CResourceManager::SoundList noSounds;
    CSoundManager::setSoundList(&noSounds);
    struct Case {
        int32_t seconds;
        const char* golden;
    };
    for (const Case c :
         {Case{15, "dorvanex/limit_timer_15.png"}, Case{9, "dorvanex/limit_timer_09.png"}}) {
        SCOPED_TRACE(c.seconds);
        EXPECT_TRUE(zqtest::GameRun::inFrame(
            [&] {
                ZqGlTexture* const sheet =
                    ZqGlTexture::create(u"limittimersheet", data.sheet.data(),
                                        static_cast<uint32_t>(data.sheet.size()), 1);
                ASSERT_NE(sheet, nullptr);
                CDldFile* file = CDldFile::create(data.layout.data(), data.layout.size());
                ASSERT_TRUE(file->getTables().isValid());
                file->addTexture(sheet);
                CLimitTimer t;
                ASSERT_TRUE(t.create(file));
                t.setTime(c.seconds);
                t.start();
                // Past the roll's last frame: the new digits rest, the old ones are gone.
                t.update(200.0f);
                CDldTask task;
                task.init();
                ZqGlSystem::clear(1 | 2 | 4, 0xFF000000u, 1.0f, 0);
                t.draw();
                task.draw(0.0f);
                const zqtest::Image shot = zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
                task.quit();
                EXPECT_TRUE(zqtest::matchesGolden(shot, c.golden, 2, 0));
                t.release();
                dldRelease(file);
                sheet->release();
            },
            192, 160));
    }
    CSoundManager::deleteInstance();
    CSoundManager::setSoundList(nullptr);
}

} // namespace
