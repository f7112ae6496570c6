#include "zq/file/ZqArcFile.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/platform/os/lasterror.h"

#include "ZqArcWriter.h"
#include "tests/support/FileTestSupport.h"

#include <gtest/gtest.h>

#include <list>
#include <memory>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct Freed {
    void operator()(void* p) const { ZqMemAlloc::deallocate(p); }
};
using Buffer = std::unique_ptr<void, Freed>;

std::u16string wide(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

// The fixture's archive: sizes around the padding and the 4 MiB limit.
std::vector<ZqArcEntry> sampleEntries() {
    std::vector<ZqArcEntry> entries;
    const struct {
        const char16_t* name;
        size_t size;
        uint64_t time;
    } files[] = {
        {u"speff_common_win.eff", 5, 1},
        {u"SYSTEM\\SPUI100M_RES\\spui100m_res.dld", 8, 0x100000002ull},
        {u"100M\\speff_100M_ready.eff", 1001, 3},
        {u"empty", 0, 4},
        {u"max.bin", 0x400000, 5},
        {u"x", 17, 6},
    };
    uint32_t seed = 1;
    for (const auto& f : files) {
        entries.push_back({f.name, patternBytes(f.size, seed++), f.time});
    }
    return entries;
}

std::vector<uint8_t> build(const std::vector<ZqArcEntry>& entries) {
    std::vector<uint8_t> image;
    std::string error;
    EXPECT_TRUE(ZqArcWriter::build(entries, 7, image, &error)) << error;
    return image;
}

uint32_t le32(const std::vector<uint8_t>& v, const size_t at) {
    return v[at] | (v[at + 1] << 8) | (v[at + 2] << 16) | (static_cast<uint32_t>(v[at + 3]) << 24);
}

void putLe32(std::vector<uint8_t>& v, const size_t at, const uint32_t x) {
    for (int i = 0; i < 4; ++i) {
        v[at + i] = static_cast<uint8_t>(x >> (8 * i));
    }
}

// A one-file archive with a header changed by edit and sealed again, so that the checks
// after the header digest see the change.
std::vector<uint8_t> sealedWith(const std::vector<ZqArcEntry>& entries,
                                void (*edit)(std::vector<uint8_t>&)) {
    std::vector<uint8_t> image = build(entries);
    edit(image);
    EXPECT_TRUE(ZqArcWriter::sealHeader(image));
    return image;
}

// Opens an image in memory; the image is copied to a block of its exact size so that the
// sanitizer sees any read past its end.
struct MemoryArchive {
    explicit MemoryArchive(const std::vector<uint8_t>& bytes)
        : image(std::make_unique<uint8_t[]>(bytes.size())), size(bytes.size()) {
        std::copy(bytes.begin(), bytes.end(), image.get());
    }
    bool open() {
        zqp::setLastError(0);
        return arc.ropen(image.get(), static_cast<uint32_t>(size));
    }
    std::unique_ptr<uint8_t[]> image;
    size_t size;
    ZqArcFile arc;
};

uint32_t openError(const std::vector<uint8_t>& bytes) {
    MemoryArchive m(bytes);
    EXPECT_FALSE(m.open());
    EXPECT_EQ(m.arc.getNrFiles(), 0u);
    return zqp::getLastError();
}

} // namespace

// Both ways of opening: an image in memory, and a file through the worker.
class ZqArcFileBothModes : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { ZqFile::sysInit(); }
    void TearDown() override {
        m_arc.close();
        ZqFile::sysQuit();
    }
    bool open(const std::vector<uint8_t>& image) {
        zqp::setLastError(0);
        if (GetParam()) {
            // Every image stays alive to the end: an open archive points into its own.
            const std::vector<uint8_t>& kept = m_images.emplace_back(image);
            return m_arc.ropen(kept.data(), static_cast<uint32_t>(kept.size()));
        }
        writeBytes(m_scratch.root() / "Arc/test.arc", image);
        return m_arc.ropen(u"Arc\\test.arc");
    }

    ScratchFolder m_scratch;
    std::list<std::vector<uint8_t>> m_images;
    ZqArcFile m_arc;
};

TEST_P(ZqArcFileBothModes, EveryFileComesBackIdentical) {
    const std::vector<ZqArcEntry> entries = sampleEntries();
    ASSERT_TRUE(open(build(entries)));
    EXPECT_EQ(m_arc.getVersion(), 7u);
    ASSERT_EQ(m_arc.getNrFiles(), entries.size());
    for (uint32_t i = 0; i < entries.size(); ++i) {
        const ZqArcEntry& e = entries[i];
        EXPECT_EQ(std::u16string(m_arc.getFileName(i)), e.name);
        EXPECT_EQ(m_arc.getFileSize(i), e.data.size());
        EXPECT_EQ(m_arc.getFileDate(i), static_cast<int64_t>(e.time & 0xFFFFFFFFu));
        uint32_t index = 99;
        EXPECT_NE(m_arc.searchFileNr(e.name.c_str(), &index), 0u);
        EXPECT_EQ(index, i);

        uint32_t size = 0;
        const Buffer data(m_arc.load(e.name.c_str(), 0, &size));
        ASSERT_NE(data, nullptr) << std::hex << zqp::getLastError();
        ASSERT_EQ(size, e.data.size());
        EXPECT_TRUE(std::equal(e.data.begin(), e.data.end(), static_cast<uint8_t*>(data.get())));
        // The padding up to 8 bytes comes along, as the writer stored it.
        for (size_t k = e.data.size(); k < ZqArcFile::calcPadding(e.data.size()); ++k) {
            EXPECT_EQ(static_cast<uint8_t*>(data.get())[k], 0);
        }
    }
    const uint32_t n = m_arc.getNrFiles();
    EXPECT_EQ(m_arc.getFileName(n), nullptr);
    EXPECT_EQ(m_arc.getFileSize(n), 0u);
    EXPECT_EQ(m_arc.getFileDate(n), 0);
}

TEST_P(ZqArcFileBothModes, NamesMatchExactly) {
    ASSERT_TRUE(open(build(sampleEntries())));
    for (const char16_t* const name :
         {u"SPEFF_COMMON_WIN.EFF", u"SYSTEM/SPUI100M_RES/spui100m_res.dld", u"speff_common_win",
          u"", u"speff_common_win.eff "}) {
        EXPECT_EQ(m_arc.searchFileNr(name), 0u);
        zqp::setLastError(0);
        EXPECT_EQ(m_arc.load(name), nullptr);
        EXPECT_EQ(zqp::getLastError(), ZqArcFile::ERROR_NOT_FOUND);
    }
    zqp::setLastError(0);
    EXPECT_EQ(m_arc.load(nullptr), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqArcFile::ERROR_NULL);
}

TEST_P(ZqArcFileBothModes, SizeRulesOfALoad) {
    ASSERT_TRUE(open(build(sampleEntries())));
    const struct {
        uint32_t minSize;
        bool withSize;
        uint32_t limit;
        bool loads;
    } cases[] = {
        {0, false, 0, true},        {5, true, 0, true}, {6, true, 0, false},
        {0, true, 4, false},        {0, true, 5, true}, {0, true, 0x400000, true},
        {0, true, 0x400001, false},
    };
    for (const auto& c : cases) {
        uint32_t size = c.limit;
        zqp::setLastError(0);
        const Buffer data(
            m_arc.load(u"speff_common_win.eff", c.minSize, c.withSize ? &size : nullptr));
        EXPECT_EQ(data != nullptr, c.loads) << c.minSize << " " << c.limit;
        if (c.loads) {
            if (c.withSize) {
                EXPECT_EQ(size, 5u);
            }
        } else {
            EXPECT_EQ(zqp::getLastError(), ZqArcFile::ERROR_SIZE);
        }
    }
}

TEST_P(ZqArcFileBothModes, DamagedDataFailsOnlyItsOwnFile) {
    const std::vector<ZqArcEntry> entries = sampleEntries();
    const std::vector<uint8_t> image = build(entries);
    const uint32_t headerSize = le32(image, 4);
    // Offsets of file 2's first data byte, its padding, and its digest.
    uint64_t offset = headerSize;
    for (int i = 0; i < 2; ++i) {
        offset += ZqArcFile::calcPadding(entries[i].data.size()) + 32;
    }
    const uint64_t padded = ZqArcFile::calcPadding(entries[2].data.size());
    for (const uint64_t at : {offset, offset + 1000, offset + padded - 1, offset + padded + 31}) {
        std::vector<uint8_t> damaged = image;
        damaged[at] ^= 0x01;
        m_arc.close();
        ASSERT_TRUE(open(damaged));
        zqp::setLastError(0);
        EXPECT_EQ(m_arc.load(entries[2].name.c_str()), nullptr) << at;
        EXPECT_EQ(zqp::getLastError(), ZqArcFile::ERROR_DATA_DIGEST);
        for (const size_t other : {size_t{1}, size_t{3}, size_t{5}}) {
            const Buffer data(m_arc.load(entries[other].name.c_str()));
            EXPECT_NE(data, nullptr);
        }
    }
}

TEST_P(ZqArcFileBothModes, TruncatedArchivesAreRefusedAtEveryBoundary) {
    const std::vector<ZqArcEntry> entries = sampleEntries();
    const std::vector<uint8_t> image = build(entries);
    const uint32_t n = static_cast<uint32_t>(entries.size());
    const uint32_t headerSize = le32(image, 4);
    std::vector<std::pair<size_t, uint32_t>> cuts = {
        {1, ZqArcFile::ERROR_SIZE},
        {8, ZqArcFile::ERROR_SIZE},
        {103, ZqArcFile::ERROR_SIZE},
        {ZqArcFile::headerNameSizesPos(n, 0), ZqArcFile::ERROR_HEADER_SIZE},
        {ZqArcFile::headerDataSizesPos(n, 0), ZqArcFile::ERROR_HEADER_SIZE},
        {ZqArcFile::headerNamesPos(n), ZqArcFile::ERROR_HEADER_SIZE},
        {headerSize - 32, ZqArcFile::ERROR_HEADER_SIZE},
        {headerSize, ZqArcFile::ERROR_HEADER_SIZE},
    };
    uint64_t end = headerSize;
    for (const ZqArcEntry& e : entries) {
        cuts.emplace_back(end + 1, ZqArcFile::ERROR_DATA_SIZE);
        end += ZqArcFile::calcPadding(e.data.size()) + 32;
        cuts.emplace_back(end - 1, ZqArcFile::ERROR_DATA_SIZE);
    }
    for (const auto& [cut, code] : cuts) {
        if (cut >= ZqArcFile::MIN_ARCHIVE_SIZE || code == ZqArcFile::ERROR_SIZE) {
            m_arc.close();
            EXPECT_FALSE(open(std::vector<uint8_t>(image.begin(), image.begin() + cut))) << cut;
            EXPECT_EQ(zqp::getLastError(), code) << cut;
            EXPECT_EQ(m_arc.getNrFiles(), 0u);
        }
    }
    // Bytes after the last digest are ignored.
    std::vector<uint8_t> longer = image;
    longer.resize(image.size() + 5, 0xAA);
    EXPECT_TRUE(open(longer));
}

TEST_P(ZqArcFileBothModes, OpenAndCloseStates) {
    const std::vector<uint8_t> image = build(sampleEntries());
    EXPECT_EQ(m_arc.getVersion(), 0u);
    zqp::setLastError(0);
    EXPECT_EQ(m_arc.load(u"x"), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqArcFile::ERROR_NOT_OPEN);
    ASSERT_TRUE(open(image));
    EXPECT_FALSE(m_arc.setFileIo(nullptr));
    EXPECT_FALSE(open(image));
    EXPECT_EQ(zqp::getLastError(), ZqArcFile::ERROR_ALREADY_OPEN);
    EXPECT_EQ(m_arc.getNrFiles(), sampleEntries().size());
    m_arc.close();
    EXPECT_EQ(m_arc.getNrFiles(), 0u);
    EXPECT_EQ(m_arc.getFileName(0), nullptr);
    EXPECT_TRUE(m_arc.setFileIo(nullptr));
    EXPECT_TRUE(open(image));
}

INSTANTIATE_TEST_SUITE_P(Modes, ZqArcFileBothModes, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Memory" : "File";
                         });

TEST(ZqArcFileHeader, AnyChangedHeaderByteFailsTheDigest) {
    std::vector<ZqArcEntry> entries = sampleEntries();
    entries[4].data.resize(40); // keeps the copies below small
    const std::vector<uint8_t> image = build(entries);
    const uint32_t headerSize = le32(image, 4);
    for (uint32_t at = 0; at < headerSize; ++at) {
        if (at >= 4 && at < 8) {
            continue; // the header size itself: checked before the digest
        }
        std::vector<uint8_t> damaged = image;
        damaged[at] ^= 0x10;
        EXPECT_EQ(openError(damaged), ZqArcFile::ERROR_HEADER_DIGEST) << at;
    }
}

TEST(ZqArcFileHeader, SealedHeadersWithBrokenTablesAreRefused) {
    const std::vector<ZqArcEntry> one = {{u"a.bin", patternBytes(5, 1), 0}};
    const struct {
        const char* what;
        void (*edit)(std::vector<uint8_t>&);
        uint32_t code;
    } cases[] = {
        {"1001 files", [](std::vector<uint8_t>& v) { putLe32(v, 8, 1001); },
         ZqArcFile::ERROR_TOO_MANY_FILES},
        {"tables beyond the header", [](std::vector<uint8_t>& v) { putLe32(v, 8, 1000); },
         ZqArcFile::ERROR_HEADER_SIZE},
        {"tables reaching the digest", [](std::vector<uint8_t>& v) { putLe32(v, 8, 3); },
         ZqArcFile::ERROR_HEADER_SIZE},
        {"name size 522", [](std::vector<uint8_t>& v) { putLe32(v, 24, 522); },
         ZqArcFile::ERROR_NAME},
        {"name size 3", [](std::vector<uint8_t>& v) { putLe32(v, 24, 3); }, ZqArcFile::ERROR_NAME},
        {"odd name size", [](std::vector<uint8_t>& v) { putLe32(v, 24, 11); },
         ZqArcFile::ERROR_NAME},
        {"name into the digest", [](std::vector<uint8_t>& v) { putLe32(v, 24, 18); },
         ZqArcFile::ERROR_NAME},
        {"no terminator", [](std::vector<uint8_t>& v) { v[32 + 10] = 'b'; }, ZqArcFile::ERROR_NAME},
        {"data size 0x400001", [](std::vector<uint8_t>& v) { putLe32(v, 28, 0x400001); },
         ZqArcFile::ERROR_DATA_SIZE},
        {"data beyond the end", [](std::vector<uint8_t>& v) { putLe32(v, 28, 6 + 8); },
         ZqArcFile::ERROR_DATA_SIZE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(openError(sealedWith(one, c.edit)), c.code) << c.what;
    }

    // Header sizes below 72, at the archive size and beyond it are refused before anything
    // else is read.
    std::vector<uint8_t> image = build(one);
    for (const uint32_t h : {0u, 71u, static_cast<uint32_t>(image.size()), 0xFFFFFFFFu}) {
        std::vector<uint8_t> v = image;
        putLe32(v, 4, h);
        EXPECT_EQ(openError(v), ZqArcFile::ERROR_HEADER_SIZE) << h;
    }
    EXPECT_EQ(openError(std::vector<uint8_t>(image.begin(), image.begin() + 103)),
              ZqArcFile::ERROR_SIZE);
    ZqArcFile arc;
    zqp::setLastError(0);
    EXPECT_FALSE(arc.ropen(nullptr, 200));
    EXPECT_EQ(zqp::getLastError(), ZqArcFile::ERROR_NULL);
}

TEST(ZqArcFileHeader, AHeaderOfOddLengthCannotHideDataPastTheEnd) {
    // A header stretched by 3 bytes puts the data area off the 8-byte grid: the file's data,
    // padding and digest then end 3 bytes later than a walk in whole multiples of 8 from the
    // header's end would say. The archive below is exactly as long as that short walk.
    const std::vector<ZqArcEntry> one = {{u"a.bin", patternBytes(5, 1), 0}};
    const std::vector<uint8_t> image = build(one);
    const uint32_t h = le32(image, 4);
    std::vector<uint8_t> stretched(image.begin(), image.begin() + (h - 32));
    stretched.insert(stretched.end(), 3, 0);
    stretched.insert(stretched.end(), 32, 0);
    putLe32(stretched, 4, h + 3);
    ASSERT_TRUE(ZqArcWriter::sealHeader(stretched));
    stretched.insert(stretched.end(), image.begin() + h, image.end());
    stretched.resize(ZqArcFile::calcPadding(h + 3 + 5) + 32);
    EXPECT_EQ(openError(stretched), ZqArcFile::ERROR_DATA_SIZE);
    // With its full length it opens and the file loads.
    stretched.insert(stretched.end(), image.end() - 3, image.end());
    MemoryArchive m(stretched);
    ASSERT_TRUE(m.open());
    const Buffer data(m.arc.load(u"a.bin"));
    EXPECT_NE(data, nullptr);
}

TEST(ZqArcFileHeader, AThousandFilesOpenAndAreFound) {
    std::vector<ZqArcEntry> entries;
    for (uint32_t i = 0; i < ZqArcFile::MAX_FILES; ++i) {
        entries.push_back({wide("f" + std::to_string(i)), patternBytes(i % 13, i), i});
    }
    const std::vector<uint8_t> image = build(entries);
    MemoryArchive m(image);
    ASSERT_TRUE(m.open());
    EXPECT_EQ(m.arc.getNrFiles(), 1000u);
    // Every name leads to its own index and data offset.
    uint64_t offset = le32(image, ZqArcFile::headerSzHeaderPos);
    for (uint32_t i = 0; i < ZqArcFile::MAX_FILES; ++i) {
        uint32_t index = 0;
        ASSERT_EQ(m.arc.searchFileNr(wide("f" + std::to_string(i)).c_str(), &index), offset);
        EXPECT_EQ(index, i);
        offset += ZqArcFile::calcPadding(i % 13) + ZqArcFile::SZ_SHA;
    }
    EXPECT_EQ(m.arc.searchFileNr(u"f1000"), 0u);
    uint32_t size = 0;
    const Buffer data(m.arc.load(u"f998", 0, &size));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(size, 998u % 13);

    entries.push_back({u"one too many", {}, 0});
    std::vector<uint8_t> refused;
    EXPECT_FALSE(ZqArcWriter::build(entries, 1, refused));
}

TEST(ZqArcFileHeader, ASealedDuplicateNameFindsTheFirstFile) {
    // The writer refuses two equal names; a header changed and sealed again may still hold
    // them, and the first one in header order is found.
    const std::vector<uint8_t> image =
        sealedWith({{u"ab", patternBytes(3, 1), 0}, {u"ac", patternBytes(9, 2), 0}},
                   [](std::vector<uint8_t>& v) {
                       // The second name's second character, after the first name's six bytes.
                       v[ZqArcFile::headerNamesPos(2) + 6 + 2] = 'b';
                   });
    MemoryArchive m(image);
    ASSERT_TRUE(m.open());
    uint32_t index = 9;
    EXPECT_NE(m.arc.searchFileNr(u"ab", &index), 0u);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(m.arc.searchFileNr(u"ac"), 0u);
    EXPECT_EQ(std::u16string(m.arc.getFileName(1)), u"ab");
}

class ZqArcFileWorker : public ::testing::Test {
protected:
    void SetUp() override { ZqFile::sysInit(); }
    void TearDown() override { ZqFile::sysQuit(); }
    ScratchFolder m_scratch;
};

TEST_F(ZqArcFileWorker, StartedOpensAndLoadsReportTheirErrorsToTheClaimer) {
    const std::vector<ZqArcEntry> entries = sampleEntries();
    std::vector<uint8_t> image = build(entries);
    writeBytes(m_scratch.root() / "good.arc", image);
    image[20] ^= 1;
    writeBytes(m_scratch.root() / "bad.arc", image);

    ZqArcFile good;
    ZqArcFile bad;
    ZqArcFile missing;
    const uint32_t goodId = good.ropenStart(u"GOOD.arc");
    const uint32_t badId = bad.ropenStart(u"bad.arc");
    const uint32_t missingId = missing.ropenStart(u"none.arc");
    bool opened = false;
    while (!good.isRopenFinished(goodId, &opened)) {
        std::this_thread::yield();
    }
    EXPECT_TRUE(opened);
    while (!bad.isRopenFinished(badId, &opened)) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(opened);
    EXPECT_EQ(zqp::getLastError(), ZqArcFile::ERROR_HEADER_DIGEST);
    while (!missing.isRopenFinished(missingId, &opened)) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(opened);
    EXPECT_EQ(zqp::getLastError(), ZqArcFile::ERROR_NOT_FOUND);

    std::vector<uint32_t> ids;
    for (const ZqArcEntry& e : entries) {
        ids.push_back(good.loadStart(e.name.c_str(), 0, 0));
    }
    const uint32_t tooBig = good.loadStart(u"max.bin", 0, 0x3FFFFF);
    for (size_t i = 0; i < entries.size(); ++i) {
        void* buffer = nullptr;
        uint32_t size = 0;
        while (!good.isLoadFinished(ids[i], &buffer, &size)) {
            std::this_thread::yield();
        }
        const Buffer data(buffer);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(size, entries[i].data.size());
        EXPECT_TRUE(std::equal(entries[i].data.begin(), entries[i].data.end(),
                               static_cast<uint8_t*>(buffer)));
    }
    void* buffer = nullptr;
    uint32_t size = 0;
    while (!good.isLoadFinished(tooBig, &buffer, &size)) {
        std::this_thread::yield();
    }
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 0x3FFFFFu);
    EXPECT_EQ(zqp::getLastError(), ZqArcFile::ERROR_SIZE);
}

TEST_F(ZqArcFileWorker, AFileCutShortAfterOpeningGivesAShortRead) {
    const std::vector<ZqArcEntry> entries = sampleEntries();
    writeBytes(m_scratch.root() / "a.arc", build(entries));
    ZqArcFile arc;
    ASSERT_TRUE(arc.ropen(u"a.arc"));
    fs::resize_file(m_scratch.root() / "a.arc", fs::file_size(m_scratch.root() / "a.arc") - 40);
    zqp::setLastError(0);
    EXPECT_EQ(arc.load(u"x"), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqArcFile::ERROR_SHORT_READ);
    const Buffer first(arc.load(entries[0].name.c_str()));
    EXPECT_NE(first, nullptr);
}

TEST_F(ZqArcFileWorker, ReadersShareTheWorkerUnderLoad) {
    std::vector<ZqArcEntry> entries;
    for (uint32_t i = 0; i < 60; ++i) {
        entries.push_back({wide("d\\f" + std::to_string(i)), patternBytes(1000 + 97 * i, i), i});
    }
    writeBytes(m_scratch.root() / "load.arc", build(entries));
    // Threads with readers of their own load synchronously while the main thread polls.
    std::atomic<uint32_t> failures{0};
    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < 3; ++t) {
        threads.emplace_back([&entries, &failures, t] {
            ZqArcFile arc;
            if (!arc.ropen(u"load.arc")) {
                ++failures;
                return;
            }
            for (uint32_t r = 0; r < 60; ++r) {
                const ZqArcEntry& e = entries[(r * 7 + t) % entries.size()];
                uint32_t size = 0;
                const Buffer data(arc.load(e.name.c_str(), 0, &size));
                if (data == nullptr || size != e.data.size() ||
                    !std::equal(e.data.begin(), e.data.end(), static_cast<uint8_t*>(data.get()))) {
                    ++failures;
                }
            }
        });
    }
    ZqArcFile arc;
    ASSERT_TRUE(arc.ropen(u"load.arc"));
    std::vector<uint32_t> ids;
    for (const ZqArcEntry& e : entries) {
        ids.push_back(arc.loadStart(e.name.c_str(), 0, 0));
    }
    for (size_t i = 0; i < ids.size(); ++i) {
        void* buffer = nullptr;
        while (!arc.isLoadFinished(ids[i], &buffer)) {
            // Queries are allowed while loads are pending.
            EXPECT_EQ(arc.getNrFiles(), 60u);
            std::this_thread::yield();
        }
        const Buffer data(buffer);
        EXPECT_NE(data, nullptr);
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(failures.load(), 0u);
}
