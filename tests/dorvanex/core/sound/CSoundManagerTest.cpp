// The game's sound manager against the real sound layer rendering offline through the null
// sink: the request slots' rules for music and effects, and the shuffle bag.
#include "dorvanex/core/sound/CSoundManager.h"
#include "dorvanex/core/sound/CShuffleBag.h"

#include "tests/support/FakeClock.h"
#include "tools/sound/ZqSdWriter.h"
#include "zq/file/ZqFile.h"
#include "zq/platform/audio/audio.h"
#include "zq/sd/ZqSdSound.h"
#include "zq/sd/ZqSdSound_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uint32_t RATE = 2000;

std::vector<uint8_t> constantFile(const int16_t value, const double seconds) {
    zqsdw::Pcm p;
    p.sampleRate = RATE;
    p.samples.assign(static_cast<size_t>(seconds * RATE), value);
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(zqsdw::writeSound(p, zqsdw::Options{}, out, error)) << error;
    return out;
}

// Waits for the sound threads' work; the bound only keeps a stuck thread from hanging the run
// (a busy machine may hold the threads up for seconds).
template <class F> bool waitFor(F done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

using Slot = CSoundManager::Slot;

class SoundManager : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("zqsndmgr-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        ZqFile::sysInit();
        zqp::audioSetSink(zqp::AudioSink::NULL_SINK);
        zqp::audioSetNullSinkRate(RATE);
        ZqSdSound::sysInit();
        // {priority, play-count code, key, volume in percent}
        m_list[u"loop.sound"] = {{5, 1, 0, 100}};
        m_list[u"once.sound"] = {{5, 0, 0, 100}};
        m_list[u"a.sound"] = {{5, 1, 7, 50}};
        m_list[u"b.sound"] = {{5, 1, 7, 100}};
        m_list[u"high.sound"] = {{9, 1, 0, 100}};
        m_list[u"low1.sound"] = {{1, 1, 0, 100}};
        m_list[u"low2.sound"] = {{1, 1, 0, 100}};
        m_list[u"new.sound"] = {{5, 0, 0, 100}};
        m_list[u"missing.sound"] = {{5, 0, 0, 100}};
        CSoundManager::setSoundList(&m_list);
        m_manager = CSoundManager::getInstance();
        ASSERT_TRUE(m_manager->init());
        const std::string d = m_dir.string() + "/";
        ASSERT_TRUE(ZqSdSound::setBgmDirectory(std::u16string(d.begin(), d.end()).c_str()));
        for (const char16_t* name :
             {u"a.sound", u"b.sound", u"high.sound", u"low1.sound", u"low2.sound", u"new.sound"}) {
            ASSERT_EQ(
                ZqSdSound::loadSe(name, m_tone.data(), static_cast<uint32_t>(m_tone.size()), 0, 1),
                1u);
        }
    }
    void TearDown() override {
        CSoundManager::deleteInstance();
        CSoundManager::setSoundList(nullptr);
        ZqSdSound::sysQuit();
        zqp::audioSetNullSinkRate(0);
        zqp::audioSetSink(zqp::AudioSink::SDL);
        ZqFile::sysQuit();
        fs::remove_all(m_dir);
    }

    void writeTrack(const char* name, const std::vector<uint8_t>& file) {
        std::ofstream(m_dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));
    }
    // Left channel of a few rendered frames, the last one.
    static float level() {
        float out[8] = {};
        EXPECT_TRUE(zqp::audioRender(ZqSdSound::m_pXAudio, out, 4));
        return out[6];
    }
    static void frames(const int n) {
        for (int i = 0; i < n; ++i) {
            ZqSdSound::sysMain();
        }
    }
    static ZqSdSound::Se* handle(const char16_t* name) { return ZqSdSound::getSeHandle(name, 0); }

    fs::path m_dir;
    CResourceManager::SoundList m_list;
    CSoundManager* m_manager = nullptr;
    // Each effect alone renders at 0.125 (times its volume).
    const std::vector<uint8_t> m_tone = constantFile(4096, 1.0);
};

TEST_F(SoundManager, LoopingMusicRequestedAgainKeepsPlayingOnceOnlyRestartsAfterItsFade) {
    zqtest::FakeClock clock(1000);
    writeTrack("loop.sound", constantFile(8192, 20.0));
    writeTrack("once.sound", constantFile(4096, 20.0));
    const uint32_t starts = zqsd::test::bgmState().starts;

    m_manager->playBgm(u"loop.sound");
    EXPECT_EQ(CSoundManager::getSlot(0).state, CSoundManager::STATE_REQUESTED);
    m_manager->update();
    ASSERT_TRUE(waitFor([] { return ZqSdSound::isPlayingBgm(); }));
    m_manager->update();
    EXPECT_EQ(CSoundManager::getSlot(0).state, CSoundManager::STATE_PLAYING);
    EXPECT_EQ(CSoundManager::getSlot(0).playCount, ZqSdSound::LOOP_ENDLESS);
    m_manager->playBgm(u"loop.sound");
    m_manager->update();
    EXPECT_EQ(CSoundManager::getSlot(0).state, CSoundManager::STATE_PLAYING);
    EXPECT_TRUE(ZqSdSound::isPlayingBgm());
    EXPECT_TRUE(waitFor([starts] { return zqsd::test::bgmState().starts == starts + 1; }));

    // Another track: the first fades out over 500 ms, and only then the new one starts.
    m_manager->playBgm(u"once.sound");
    // The fade's start time is read when the thread carries the command out, not when it
    // leaves the queue.
    ASSERT_TRUE(waitFor([] { return zqsd::test::bgmState().fadingOut; }));
    for (int i = 0; i < 3; ++i) {
        level();
        m_manager->update();
    }
    EXPECT_EQ(CSoundManager::getSlot(0).state, CSoundManager::STATE_REQUESTED);
    EXPECT_EQ(zqsd::test::bgmState().starts, starts + 1);
    zqtest::FakeClock::advance(501);
    ASSERT_TRUE(waitFor([] {
        level();
        return !ZqSdSound::isPlayingBgm();
    }));
    m_manager->update();
    EXPECT_TRUE(waitFor([starts] { return zqsd::test::bgmState().starts == starts + 2; }));
    EXPECT_EQ(CSoundManager::getSlot(0).playCount, 1u);

    // The same once-only track asked again restarts too (after its own fade).
    m_manager->update();
    m_manager->playBgm(u"once.sound");
    EXPECT_EQ(CSoundManager::getSlot(0).state, CSoundManager::STATE_REQUESTED);
}

TEST_F(SoundManager, EffectsWithOneKeyReplaceEachOtherWithAShortFade) {
    m_manager->playCommonSe(u"a.sound");
    EXPECT_EQ(CSoundManager::getActiveCount(), 2u);
    EXPECT_EQ(level(), 0.0f) << "starts at the slot update";
    m_manager->update();
    // The list's volume in percent.
    EXPECT_NEAR(level(), 0.0625f, 1e-4f);
    EXPECT_TRUE(m_manager->isPlayingSe(u"a.sound"));

    m_manager->playCommonSe(u"b.sound");
    const Slot& s = CSoundManager::getSlot(1);
    EXPECT_EQ(std::u16string(s.name), u"b.sound");
    EXPECT_EQ(CSoundManager::getActiveCount(), 2u) << "the key's slot is reused";
    m_manager->update();
    EXPECT_NEAR(level(), 0.1875f, 1e-4f);
    frames(25);
    EXPECT_NEAR(level(), 0.125f + 0.03125f, 1e-3f) << "half way through the fade";
    frames(26);
    EXPECT_NEAR(level(), 0.125f, 1e-4f);
    EXPECT_FALSE(m_manager->isPlayingSe(u"a.sound"));
}

TEST_F(SoundManager, FullTableEvictsTheLowestPriorityAndTheLowestSlotOnATie) {
    for (uint32_t i = 1; i < CSoundManager::NR_SLOTS; ++i) {
        m_manager->playCommonSe(i == 5 ? u"low1.sound" : i == 9 ? u"low2.sound" : u"high.sound");
    }
    m_manager->update();
    // One voice each: high, low1 and low2 sound.
    EXPECT_NEAR(level(), 0.375f, 1e-4f);
    ASSERT_EQ(CSoundManager::getActiveCount(), CSoundManager::NR_SLOTS);
    m_manager->playCommonSe(u"new.sound");
    EXPECT_EQ(CSoundManager::getActiveCount(), CSoundManager::NR_SLOTS);
    EXPECT_EQ(std::u16string(CSoundManager::getSlot(5).name), u"new.sound");
    EXPECT_EQ(std::u16string(CSoundManager::getSlot(9).name), u"low2.sound");
    EXPECT_NEAR(level(), 0.25f, 1e-4f) << "low1 is cut at once";
    m_manager->update();
    EXPECT_NEAR(level(), 0.375f, 1e-4f) << "new starts";

    // Every slot is stopped and freed by the next update; the count falls back to 1.
    m_manager->stopSeAll(0.0f);
    m_manager->update();
    EXPECT_EQ(CSoundManager::getActiveCount(), 1u);
    EXPECT_EQ(level(), 0.0f);
}

TEST_F(SoundManager, StopsFadeOnlyAboveOneMillisecond) {
    for (const float fade : {0.0f, 1.0f, 100.0f}) {
        SCOPED_TRACE(fade);
        m_manager->playCommonSe(u"high.sound");
        m_manager->update();
        ASSERT_NEAR(level(), 0.125f, 1e-4f);
        m_manager->stopSe(u"high.sound", fade);
        EXPECT_EQ(CSoundManager::getSlot(1).state, CSoundManager::STATE_STOPPING);
        m_manager->update();
        EXPECT_EQ(CSoundManager::getSlot(1).state, CSoundManager::STATE_FREE);
        EXPECT_EQ(CSoundManager::getActiveCount(), 1u);
        EXPECT_NEAR(level(), fade > 1.0f ? 0.125f : 0.0f, 1e-3f);
        frames(101);
        EXPECT_EQ(level(), 0.0f);
    }
}

TEST_F(SoundManager, UnknownNamesAreDroppedAndCodesGiveThePlayCount) {
    // Not loaded (listed or not): nothing is taken.
    m_manager->playCommonSe(u"missing.sound");
    m_manager->playCommonSe(u"unlisted.sound");
    m_manager->playSe(u"a.sound"); // group 1 holds nothing
    EXPECT_EQ(CSoundManager::getActiveCount(), 1u);
    EXPECT_EQ(CSoundManager::getSlot(1).state, CSoundManager::STATE_FREE);

    struct Case {
        uint32_t code;
        uint32_t count;
    };
    // The keyed sound comes back to one slot; a code between 3 and 10 leaves its count.
    const Case cases[] = {{0, 1}, {1, 256}, {2, 257}, {13, 3}, {5, 3}, {11, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        playSeInGroup(u"a.sound", 0, c.code);
        EXPECT_EQ(CSoundManager::getSlot(1).playCount, c.count);
        EXPECT_EQ(CSoundManager::getActiveCount(), 2u);
    }
}

TEST(ShuffleBag, GivesEachIdOnceThenMinusOne) {
    const int32_t ids[] = {4, 8, 15, 16, 23};
    CShuffleBag bag(ids, 5);
    std::vector<int32_t> drawn;
    for (int i = 0; i < 5; ++i) {
        drawn.push_back(bag.draw());
    }
    std::sort(drawn.begin(), drawn.end());
    EXPECT_EQ(drawn, (std::vector<int32_t>{4, 8, 15, 16, 23}));
    EXPECT_EQ(bag.draw(), -1) << "no refill";
    ASSERT_TRUE(bag.fill());
    bag.remove(15);
    bag.remove(99);
    EXPECT_EQ(bag.getCount(), 4u);
    bag.clear();
    EXPECT_EQ(bag.draw(), -1);
    CShuffleBag empty(nullptr, 3);
    EXPECT_EQ(empty.draw(), -1);
}

} // namespace
