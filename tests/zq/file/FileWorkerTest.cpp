#include "zq/file/ZqFile.h"
#include "zq/file/ZqFile_test.h"
#include "zq/memory/ZqMemAlloc.h"

#include "tests/support/FileTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ZqFileWorker : public ::testing::Test {
protected:
    void SetUp() override { ZqFile::sysInit(); }
    void TearDown() override { ZqFile::sysQuit(); }

    ScratchFolder m_scratch;
};

// A loaded buffer compared with the expected bytes, then freed.
void expectBuffer(void* const buffer, const uint32_t size, const std::vector<uint8_t>& expected) {
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(size, expected.size());
    EXPECT_TRUE(size == expected.size() &&
                std::equal(expected.begin(), expected.end(), static_cast<uint8_t*>(buffer)));
    ZqMemAlloc::deallocate(buffer);
}

std::u16string wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

// Polls until the load finishes; the frame loop of the game, without frames.
void* pollLoad(const uint32_t id, uint32_t* const size) {
    void* buffer = nullptr;
    while (!ZqFile::isLoadFinished(id, &buffer, size)) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return buffer;
}

} // namespace

TEST_F(ZqFileWorker, WholeFileLoadsApplyTheMinimumButNotTheLimit) {
    const std::vector<uint8_t> big = patternBytes(3u << 20, 3);
    writeBytes(m_scratch.root() / "big.bin", big);
    writeBytes(m_scratch.root() / "empty.bin", {});
    writeBytes(m_scratch.root() / "small.bin", patternBytes(10, 4));

    uint32_t size = 0x200000;
    void* const loaded = ZqFile::load(u"big.bin", 0, &size);
    expectBuffer(loaded, size, big);

    size = 0;
    void* const empty = ZqFile::load(u"empty.bin", 0, &size);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(size, 0u);
    ZqMemAlloc::deallocate(empty);

    size = 77;
    EXPECT_EQ(ZqFile::load(u"small.bin", 11, &size), nullptr);
    EXPECT_EQ(size, 77u);
    EXPECT_EQ(ZqFile::load(u"missing.bin", &size), nullptr);
    EXPECT_EQ(ZqFile::load(nullptr, &size), nullptr);
    void* const noSize = ZqFile::load(u"SMALL.BIN");
    EXPECT_NE(noSize, nullptr);
    ZqMemAlloc::deallocate(noSize);
}

TEST_F(ZqFileWorker, SavesWriteOneByteToFourMebibytes) {
    const std::vector<uint8_t> data = patternBytes(ZqFile::MAX_FILE_SIZE + 1, 5);
    EXPECT_FALSE(ZqFile::save(u"zero.bin", data.data(), 0));
    EXPECT_FALSE(ZqFile::save(u"over.bin", data.data(), ZqFile::MAX_FILE_SIZE + 1));
    EXPECT_FALSE(ZqFile::save(u"null.bin", nullptr, 10));
    EXPECT_FALSE(fs::exists(m_scratch.root() / "zero.bin"));
    EXPECT_FALSE(fs::exists(m_scratch.root() / "over.bin"));
    EXPECT_FALSE(ZqFile::save(u"no\\such\\folder\\x.bin", data.data(), 10));

    EXPECT_TRUE(ZqFile::save(u"e:\\max.bin", data.data(), ZqFile::MAX_FILE_SIZE));
    EXPECT_EQ(readBytes(m_scratch.root() / "drive_e/max.bin"),
              std::vector<uint8_t>(data.begin(), data.begin() + ZqFile::MAX_FILE_SIZE));
    // A save replaces the whole file.
    EXPECT_TRUE(ZqFile::save(u"E:/MAX.bin", data.data(), 3));
    EXPECT_EQ(readBytes(m_scratch.root() / "drive_e/max.bin").size(), 3u);
}

TEST_F(ZqFileWorker, ResultsAreClaimedOnceAndOnlyByTheirKind) {
    writeBytes(m_scratch.root() / "a.bin", patternBytes(8, 6));
    const std::vector<uint8_t> data = patternBytes(16, 7);
    const uint32_t saveId = ZqFile::saveStart(u"b.bin", data.data(), 16);
    const uint32_t loadId = ZqFile::loadStart(u"a.bin", 0, 0);
    EXPECT_EQ(loadId, saveId + 1);

    uint32_t size = 0;
    void* const loaded = pollLoad(loadId, &size);
    expectBuffer(loaded, size, patternBytes(8, 6));
    void* again = nullptr;
    EXPECT_FALSE(ZqFile::isLoadFinished(loadId, &again, &size));

    // The save finished before the load; a load claim leaves it for the save claim.
    void* wrongKind = nullptr;
    EXPECT_FALSE(ZqFile::isLoadFinished(saveId, &wrongKind));
    EXPECT_FALSE(ZqFile::isSaveFinished(saveId, nullptr));
    const void* saved = nullptr;
    EXPECT_TRUE(ZqFile::isSaveFinished(saveId, &saved));
    EXPECT_EQ(saved, data.data());
    EXPECT_FALSE(ZqFile::isSaveFinished(saveId, &saved));

    // A failed save hands back null.
    const uint32_t failedId = ZqFile::saveStart(u"b.bin", data.data(), 0);
    while (!ZqFile::isSaveFinished(failedId, &saved)) {
        std::this_thread::yield();
    }
    EXPECT_EQ(saved, nullptr);
}

TEST_F(ZqFileWorker, RequestsAreServedInOrder) {
    std::vector<std::vector<uint8_t>> contents;
    std::vector<uint32_t> ids;
    // Each file is saved and then loaded back by the request queued right after its save.
    for (uint32_t i = 0; i < 40; ++i) {
        contents.push_back(patternBytes(100 + i * 37, i));
    }
    for (uint32_t i = 0; i < 40; ++i) {
        const std::u16string name = wide("f" + std::to_string(i) + ".bin");
        ids.push_back(ZqFile::saveStart(name.c_str(), contents[i].data(),
                                        static_cast<uint32_t>(contents[i].size())));
        ids.push_back(ZqFile::loadStart(name.c_str(), 0, 0));
    }
    for (uint32_t i = 0; i < 40; ++i) {
        uint32_t size = 0;
        void* const loaded = pollLoad(ids[2 * i + 1], &size);
        expectBuffer(loaded, size, contents[i]);
        const void* saved = nullptr;
        EXPECT_TRUE(ZqFile::isSaveFinished(ids[2 * i], &saved));
        EXPECT_EQ(saved, contents[i].data());
    }
}

TEST_F(ZqFileWorker, SynchronousCallsWaitForASlowRequest) {
    // A save into a pipe keeps the worker busy until a reader opens it, here for longer than
    // the 2,100 polls (over 2 s) after which a waiting call used to give up. The save behind
    // it must wait for it, however long that takes: it returns after the reader has opened.
    const fs::path pipe = m_scratch.root() / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::vector<uint8_t> data = patternBytes(1000, 8);
    const uint32_t slowId = ZqFile::saveStart(u"pipe", data.data(), 1000);
    std::atomic<size_t> drained{0};
    std::atomic<bool> opening{false};
    std::thread reader([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(3000));
        opening = true;
        const int fd = ::open(pipe.c_str(), O_RDONLY);
        char buffer[256];
        ssize_t n = 0;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
            drained += static_cast<size_t>(n);
        }
        ::close(fd);
    });
    EXPECT_TRUE(ZqFile::save(u"after.bin", data.data(), 1000));
    EXPECT_TRUE(opening.load());
    reader.join();
    EXPECT_EQ(drained.load(), 1000u);
    EXPECT_EQ(readBytes(m_scratch.root() / "after.bin"), data);
    const void* saved = nullptr;
    EXPECT_TRUE(ZqFile::isSaveFinished(slowId, &saved));
    EXPECT_EQ(saved, data.data());
}

TEST_F(ZqFileWorker, QuitServesEveryQueuedRequestAndCallsAfterItFailAtOnce) {
    std::vector<std::vector<uint8_t>> contents;
    for (uint32_t i = 0; i < 50; ++i) {
        contents.push_back(patternBytes(5000, 100 + i));
    }
    for (uint32_t i = 0; i < 50; ++i) {
        const std::u16string name = wide("q" + std::to_string(i) + ".bin");
        ZqFile::saveStart(name.c_str(), contents[i].data(), 5000);
        // Loads nobody claims: their buffers go with the worker.
        ZqFile::loadStart(name.c_str(), 0, 0);
    }
    ZqFile::sysQuit();
    for (uint32_t i = 0; i < 50; ++i) {
        EXPECT_EQ(readBytes(m_scratch.root() / ("q" + std::to_string(i) + ".bin")), contents[i]);
    }
    // No worker is left to wait for: the calls after quit fail at their first look (a wait for
    // a request that nobody serves would hang until the suite's time limit).
    EXPECT_EQ(ZqFile::load(u"q0.bin"), nullptr);
    EXPECT_FALSE(ZqFile::save(u"late.bin", contents[0].data(), 10));
    EXPECT_FALSE(fs::exists(m_scratch.root() / "late.bin"));
}

TEST_F(ZqFileWorker, ManyThreadsShareTheWorker) {
    constexpr uint32_t THREADS = 4;
    constexpr uint32_t ROUNDS = 40;
    for (uint32_t i = 0; i < 20; ++i) {
        writeBytes(m_scratch.root() / ("shared" + std::to_string(i)), patternBytes(3000 + i, i));
    }
    std::atomic<uint32_t> failures{0};
    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < THREADS; ++t) {
        threads.emplace_back([t, &failures] {
            // Every Io serves one thread; the default Io is the worker's alone.
            ZqFile::Io io;
            for (uint32_t r = 0; r < ROUNDS; ++r) {
                const std::vector<uint8_t> data = patternBytes(500 + r, t * 1000 + r);
                const std::u16string name = wide("t" + std::to_string(t) + "_" + std::to_string(r));
                if (!io.save(name.c_str(), data.data(), static_cast<uint32_t>(data.size()))) {
                    ++failures;
                    continue;
                }
                uint32_t size = 0;
                void* const buffer = io.load(name.c_str(), 0, &size);
                if (buffer == nullptr || size != data.size() ||
                    !std::equal(data.begin(), data.end(), static_cast<uint8_t*>(buffer))) {
                    ++failures;
                }
                ZqMemAlloc::deallocate(buffer);
            }
        });
    }
    // Meanwhile the main thread starts loads and polls them, as a frame loop does.
    std::vector<uint32_t> pending;
    for (uint32_t i = 0; i < 200; ++i) {
        const std::u16string name = wide("shared" + std::to_string(i % 20));
        pending.push_back(ZqFile::loadStart(name.c_str(), 0, 0));
    }
    for (uint32_t i = 0; i < pending.size(); ++i) {
        uint32_t size = 0;
        void* const loaded = pollLoad(pending[i], &size);
        expectBuffer(loaded, size, patternBytes(3000 + i % 20, i % 20));
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(failures.load(), 0u);
}

TEST_F(ZqFileWorker, StaticCallsUseTheCurrentIo) {
    ASSERT_NE(ZqFile::getDefaultFileIo(), nullptr);
    writeBytes(m_scratch.root() / "x.bin", patternBytes(4, 9));
    // An Io with a file open of its own refuses to open another: the static load fails
    // through it and works again once the default Io is current.
    ZqFile::Io busy;
    ASSERT_TRUE(busy.ropen(u"x.bin"));
    ZqFile::setFileIo(&busy);
    EXPECT_EQ(ZqFile::load(u"x.bin"), nullptr);
    ZqFile::setFileIo(nullptr);
    uint32_t size = 0;
    void* const loaded = ZqFile::load(u"x.bin", &size);
    expectBuffer(loaded, size, patternBytes(4, 9));
}

TEST_F(ZqFileWorker, QuitIsNotHeldOffByThreadsThatKeepLoading) {
    // Threads that load in a loop until their loads fail: each has at most one request queued
    // when the quit begins, so only those may still be served after it.
    constexpr uint32_t THREADS = 4;
    constexpr uint32_t MAX_LOADS = 4000;
    writeBytes(m_scratch.root() / "busy.bin", patternBytes(64, 1));
    std::atomic<uint32_t> served{0};
    std::atomic<uint32_t> running{0};
    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < THREADS; ++t) {
        threads.emplace_back([&] {
            ++running;
            for (uint32_t i = 0; i < MAX_LOADS; ++i) {
                void* const buffer = ZqFile::load(u"busy.bin");
                if (buffer == nullptr) {
                    return;
                }
                ZqMemAlloc::deallocate(buffer);
                ++served;
            }
        });
    }
    while (running.load() < THREADS || served.load() < 100) {
        std::this_thread::yield();
    }
    ZqFile::sysQuit();
    for (std::thread& t : threads) {
        t.join();
    }
    // Each thread waits on one request at a time, so at most one each was queued when the quit
    // began, and the worker took nothing it accepted later.
    const zqfile::test::QuitCounts counts = zqfile::test::lastQuitCounts();
    EXPECT_LE(counts.queuedAtQuit, THREADS);
    EXPECT_LE(counts.takenAfterQuit, counts.queuedAtQuit);
    EXPECT_LT(served.load(), THREADS * MAX_LOADS);
}

TEST_F(ZqFileWorker, StaticLoadsDuringRestartsNeverReachADestroyedIo) {
    // The default Io is replaced on every restart while another thread keeps loading through
    // the current one; the sanitizer build sees any request that still names the old Io.
    writeBytes(m_scratch.root() / "r.bin", patternBytes(16, 2));
    std::atomic<bool> stop{false};
    std::atomic<uint32_t> wrong{0};
    std::thread loader([&] {
        while (!stop.load()) {
            uint32_t size = 0;
            void* const buffer = ZqFile::load(u"r.bin", &size);
            if (buffer != nullptr && size != 16) {
                ++wrong;
            }
            ZqMemAlloc::deallocate(buffer);
        }
    });
    for (int i = 0; i < 300; ++i) {
        ZqFile::sysQuit();
        ZqFile::sysInit();
    }
    stop.store(true);
    loader.join();
    EXPECT_EQ(wrong.load(), 0u);
}

TEST_F(ZqFileWorker, DeadWorkerFinishesStrandedAndLaterRequestsAsFailed) {
    writeBytes(m_scratch.root() / "a.bin", patternBytes(8, 3));
    // The first request is served, the second ends the worker, the rest were queued behind it.
    zqfile::test::throwFromWorker(144, 1);
    const uint32_t served = ZqFile::loadStart(u"a.bin", 0, 0);
    const uint32_t fatal = ZqFile::loadStart(u"a.bin", 0, 0);
    std::vector<uint32_t> queued;
    for (int i = 0; i < 20; ++i) {
        queued.push_back(ZqFile::loadStart(u"a.bin", 0, 0));
    }
    uint32_t size = 0;
    void* const loaded = pollLoad(served, &size);
    expectBuffer(loaded, size, patternBytes(8, 3));
    for (const uint32_t id : {fatal, queued.front(), queued.back()}) {
        size = 7;
        EXPECT_EQ(pollLoad(id, &size), nullptr);
    }
    for (size_t i = 1; i + 1 < queued.size(); ++i) {
        EXPECT_EQ(pollLoad(queued[i], &size), nullptr);
    }
    EXPECT_FALSE(ZqFile::isWorkerAlive());
    // Later requests finish at once, both the polled and the waiting kinds.
    const std::vector<uint8_t> data = patternBytes(4, 4);
    const uint32_t late = ZqFile::saveStart(u"late.bin", data.data(), 4);
    const void* saved = data.data();
    EXPECT_TRUE(ZqFile::isSaveFinished(late, &saved));
    EXPECT_EQ(saved, nullptr);
    EXPECT_EQ(ZqFile::load(u"a.bin"), nullptr);
    EXPECT_FALSE(fs::exists(m_scratch.root() / "late.bin"));
    uint32_t code = 0;
    try {
        ZqFile::sysQuit();
    } catch (const unsigned c) {
        code = c;
    }
    EXPECT_EQ(code, 144u);
    ZqFile::sysInit();
    EXPECT_TRUE(ZqFile::isWorkerAlive());
}
