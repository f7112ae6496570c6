// The resource manager over archives written into a scratch folder, with a fake clock: one
// request for an index asked twice, kinds that make nothing or only in bank 0, the sound
// list parse and its bounds, and a missing archive, a missing member and an archive that never
// finishes opening each ending the bank with operator error row 10 pending.
#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/core/flow/OperatorErrors.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FileTestSupport.h"
#include "tools/arc/ZqArcWriter.h"
#include "zq/file/ZqByteWriter.h"
#include "zq/file/ZqFile.h"
#include "zq/file/ZqFile_test.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using Pair = CResourceManager::Pair;

// A sound list of the names, each record with head words 1..4.
std::vector<uint8_t> soundList(const std::vector<std::string>& names) {
    ZqByteWriter w;
    w.u32(0);
    w.u32(static_cast<uint32_t>(names.size()));
    for (const std::string& n : names) {
        for (uint32_t i = 1; i <= 4; ++i) {
            w.u32(i);
        }
        w.u32(static_cast<uint32_t>(n.size()));
        w.bytes(n.data(), n.size());
        w.u8(0);
        while (w.tell() % 4 != 0) {
            w.u8(0);
        }
    }
    return w.take();
}

// Archive `archive` with every row's member (placeholder bytes, or the given ones), leaving
// out the rows in `skip`.
void writeArchive(const uint32_t archive, const std::map<uint32_t, std::vector<uint8_t>>& data = {},
                  const std::vector<uint32_t>& skip = {}) {
    std::vector<ZqArcEntry> entries;
    const uint32_t first = getArchiveFirstRow(archive);
    for (uint32_t row = first; row < first + getArchiveRowCount(archive); ++row) {
        if (std::find(skip.begin(), skip.end(), row) != skip.end()) {
            continue;
        }
        ZqArcEntry e;
        e.name = getResourceEntry(row).name;
        const auto it = data.find(row);
        e.data = it != data.end() ? it->second : std::vector<uint8_t>{'Z', 'Q', 0, 1};
        entries.push_back(e);
    }
    std::filesystem::create_directories("Arc");
    std::string error;
    ASSERT_TRUE(ZqArcWriter::write(
        std::string("Arc/") +
            std::string(getArchiveName(archive),
                        getArchiveName(archive) +
                            std::char_traits<char16_t>::length(getArchiveName(archive))),
        entries, 1, &error))
        << error;
}

class CResourceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZqFile::sysInit();
        clearOperatorError();
    }
    void TearDown() override {
        zqfile::test::holdWorker(false);
        m_manager.reset();
        ZqFile::sysQuit();
    }
    // Steps the bank until complete; the frames taken, or -1 when the file worker has not
    // finished within 60 s (a bound on its real work, generous for a busy machine).
    int run(const uint32_t bank) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (int i = 0; std::chrono::steady_clock::now() < until; ++i) {
            if (m_manager->loadStep(bank)) {
                return i;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return -1;
    }

    ScratchFolder m_scratch;
    zqtest::FakeClock m_clock{1000};
    std::unique_ptr<CResourceManager> m_manager = std::make_unique<CResourceManager>();
};

} // namespace

TEST_F(CResourceManagerTest, IndexAskedTwiceIsQueuedOnceAndKindsMakeWhatTheyShould) {
    writeArchive(74, {{1319, soundList({"SPPravelLogo", "SPCommonTitle"})}});
    writeArchive(20);
    writeArchive(14);
    // Twice in one list, then again in a second list: one request.
    const Pair first[] = {{1319, 11}, {1319, 11}, {164, 6}, {147, 12}, {0, 0}};
    m_manager->requestList(first, CResourceManager::BANK_CHAPTER);
    EXPECT_TRUE(m_manager->isLoaded(1319, 11, CResourceManager::BANK_RESIDENT))
        << "pending counts for every bank";
    const Pair again[] = {{1319, 11}, {0, 0}};
    m_manager->requestList(again, CResourceManager::BANK_CHAPTER);
    EXPECT_EQ(m_manager->getState(1), CResourceManager::STATE_LOADING);
    ASSERT_GE(run(1), 0);
    // Kinds 11 and 12 into bank 1 are read and make nothing; kind 6 makes nothing anywhere.
    EXPECT_TRUE(m_manager->getSoundList().empty());
    EXPECT_EQ(m_manager->getFont(0), nullptr);
    EXPECT_FALSE(m_manager->isLoaded(1319, 11, 1));
    EXPECT_TRUE(m_manager->loadStep(1)) << "a complete bank answers at once";
    EXPECT_EQ(getOperatorErrorRow(), -1);
    // Into bank 0 the sound list is parsed; asked again after completion it loads again.
    m_manager->requestList(again, CResourceManager::BANK_RESIDENT);
    ASSERT_GE(run(0), 0);
    const CResourceManager::SoundList& list = m_manager->getSoundList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.at(u"SPCommonTitle").words[3], 4u);
    m_manager->releaseBank(0);
    EXPECT_TRUE(m_manager->getSoundList().empty());
}

TEST_F(CResourceManagerTest, MissingArchiveAndMissingMemberEndTheBankWithRow10) {
    writeArchive(20, {}, {165});
    const Pair pairs[] = {{164, 6}, {165, 6}, {1320, 6}, {0, 0}};
    m_manager->requestList(pairs, CResourceManager::BANK_CHAPTER);
    ASSERT_GE(run(1), 0);
    uint16_t sub = 0;
    EXPECT_EQ(getOperatorErrorRow(&sub), CResourceManager::ERROR_ROW_FILE_BROKEN);
    const std::vector<int32_t>& failed = m_manager->getFailed(1);
    ASSERT_EQ(failed.size(), 2u);
    EXPECT_EQ(sub, static_cast<uint16_t>(failed.front()));
    EXPECT_NE(std::find(failed.begin(), failed.end(), 165), failed.end());
    EXPECT_NE(std::find(failed.begin(), failed.end(), 1320), failed.end());
}

TEST_F(CResourceManagerTest, ArchiveThatNeverOpensIsGivenUpAfter30Seconds) {
    writeArchive(20);
    writeArchive(74);
    // The worker holds the first open: the bank waits, then completes without it.
    zqfile::test::holdWorker(true);
    const Pair pairs[] = {{164, 6}, {1320, 6}, {0, 0}};
    m_manager->requestList(pairs, CResourceManager::BANK_CHAPTER);
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(m_manager->loadStep(1));
    }
    m_clock.advance(CResourceManager::GIVE_UP_MS - 1);
    EXPECT_FALSE(m_manager->loadStep(1)) << "not yet";
    EXPECT_EQ(getOperatorErrorRow(), -1);
    m_clock.advance(1);
    EXPECT_TRUE(m_manager->loadStep(1));
    EXPECT_EQ(m_manager->getState(1), CResourceManager::STATE_COMPLETE);
    uint16_t sub = 0;
    EXPECT_EQ(getOperatorErrorRow(&sub), CResourceManager::ERROR_ROW_FILE_BROKEN);
    EXPECT_EQ(sub, 164);
    EXPECT_EQ(m_manager->getFailed(1), (std::vector<int32_t>{164, 1320}));
    EXPECT_FALSE(m_manager->isLoaded(164, 6, 1)) << "nothing is left pending";

    // The worker finishes the given-up opens later; the manager keeps what it writes into
    // until then, and the next bank loads normally.
    zqfile::test::holdWorker(false);
    clearOperatorError();
    const Pair again[] = {{164, 6}, {0, 0}};
    m_manager->requestList(again, CResourceManager::BANK_RESIDENT);
    ASSERT_GE(run(0), 0);
    EXPECT_TRUE(m_manager->getFailed(0).empty());
    EXPECT_EQ(getOperatorErrorRow(), -1);
}

TEST(CResourceManagerSoundList, EveryRecordIsCheckedAgainstTheSize) {
    const std::vector<uint8_t> good = soundList({"a", "bcdef", "gh"});
    CResourceManager::SoundList out;
    EXPECT_EQ(CResourceManager::parseSoundList(good.data(), good.size(), out), 3u);
    // Cut anywhere inside the last record's head, name or terminator: the first two are kept.
    for (size_t cut = 8 + 24 + 28 + 20 + 2; cut >= 8 + 24 + 28; --cut) {
        const std::vector<uint8_t> part(good.begin(), good.begin() + static_cast<long>(cut));
        out.clear();
        EXPECT_EQ(CResourceManager::parseSoundList(part.data(), part.size(), out), 2u) << cut;
    }
    // A name length far past the file ends the parse there.
    std::vector<uint8_t> bad = good;
    bad[8 + 16] = 0xFF;
    bad[8 + 19] = 0xFF;
    out.clear();
    EXPECT_EQ(CResourceManager::parseSoundList(bad.data(), bad.size(), out), 0u);
    EXPECT_EQ(CResourceManager::parseSoundList(nullptr, 0, out), 0u);
}
