// The enciphered container through ZqFile::Io: round trips with the container writer at every
// length around the block and piece boundaries, the Io's own saves, reads and seeks anywhere,
// line reading, an enciphered archive, and truncated, foreign or wrong-key files refused.
#include "zq/crypto/ZqBlockCipher.h"
#include "zq/file/ZqArcFile.h"
#include "zq/file/ZqFile.h"
#include "zq/memory/ZqMemAlloc.h"

#include "ZqArcWriter.h"
#include "ZqCipherFileWriter.h"
#include "tests/support/FileTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t KEY[32] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                         17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};

struct Kind {
    ZqBlockCipher::TYPE type;
    ZqBlockCipher::MODE mode;
    uint32_t keyLength;
};

const Kind KINDS[] = {
    {ZqBlockCipher::TYPE_AES, ZqBlockCipher::MODE_ECB, 16},
    {ZqBlockCipher::TYPE_AES, ZqBlockCipher::MODE_CBC, 32},
    {ZqBlockCipher::TYPE_BLOWFISH, ZqBlockCipher::MODE_ECB, 7},
    {ZqBlockCipher::TYPE_BLOWFISH, ZqBlockCipher::MODE_CBC, 16},
    {ZqBlockCipher::TYPE_CAMELLIA, ZqBlockCipher::MODE_ECB, 24},
    {ZqBlockCipher::TYPE_CAMELLIA, ZqBlockCipher::MODE_CBC, 16},
};

std::string describe(const Kind& k) {
    return "type " + std::to_string(k.type) + " mode " + std::to_string(k.mode);
}

uint32_t headerOf(const Kind& k) {
    return k.mode == ZqBlockCipher::MODE_CBC ? 32 : 16;
}

Bytes encipher(const Kind& k, const Bytes& plain) {
    ZqCipherFileWriter writer(k.type, k.mode);
    EXPECT_TRUE(writer.setKey(KEY, k.keyLength));
    Bytes image;
    EXPECT_TRUE(writer.build(plain.data(), plain.size(), image));
    return image;
}

std::unique_ptr<ZqFile::Io> makeIo(const Kind& k) {
    auto io = std::make_unique<ZqFile::Io>(k.type, k.mode);
    EXPECT_TRUE(io->setKey(KEY, k.keyLength));
    return io;
}

// The whole content through ropen and read; empty with ok false when the open fails.
Bytes readAll(ZqFile::Io& io, const char16_t* name, bool& ok) {
    uint32_t size = 0;
    ok = io.ropen(name, 0, &size);
    if (!ok) {
        return {};
    }
    Bytes out(size + 1);
    const uint32_t got = io.read(out.data(), size + 1);
    ok = got == size && io.tell() == size;
    out.resize(size);
    io.close();
    return out;
}

class ZqCipherFile : public ::testing::Test {
protected:
    void SetUp() override { ZqFile::sysInit(); }
    void TearDown() override { ZqFile::sysQuit(); }
    ScratchFolder m_scratch;
};

} // namespace

TEST_F(ZqCipherFile, RoundTripsAroundBlockAndPieceBoundaries) {
    const uint32_t lengths[] = {0,     1,     15,    16,    17,    31,    32,     33,    65519,
                                65535, 65536, 65537, 65551, 65552, 65553, 131072, 131089};
    for (const Kind& k : KINDS) {
        for (const uint32_t length : lengths) {
            const Bytes plain = patternBytes(length, length + k.type);
            const Bytes image = encipher(k, plain);
            ASSERT_EQ(image.size(), headerOf(k) + (length + 15ull) / 16 * 16)
                << describe(k) << " length " << length;
            writeBytes(m_scratch.root() / "c.bin", image);
            const auto io = makeIo(k);
            bool ok = false;
            EXPECT_EQ(readAll(*io, u"c.bin", ok), plain) << describe(k) << " length " << length;
            EXPECT_TRUE(ok) << describe(k) << " length " << length;
        }
        // Whole-file loads on the worker see the plain content too.
        const Bytes plain = patternBytes(70001, 9);
        writeBytes(m_scratch.root() / "w.bin", encipher(k, plain));
        const auto io = makeIo(k);
        uint32_t size = 0;
        void* const buffer = io->load(u"w.bin", 70001, &size);
        ASSERT_NE(buffer, nullptr) << describe(k);
        EXPECT_EQ(Bytes(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + size),
                  plain);
        ZqMemAlloc::deallocate(buffer);
        EXPECT_EQ(io->load(u"w.bin", 70002, &size), nullptr) << "the minimum applies to L";
    }
}

TEST_F(ZqCipherFile, SavesMatchTheWriterAndMoveTheGenerator) {
    for (const Kind& k : KINDS) {
        for (const uint32_t length : {1u, 16u, 17u, 65536u, 65537u + 64}) {
            const Bytes plain = patternBytes(length, 3);
            // A new Io and a new writer start from the same generator state, and both carry
            // it on to the next container.
            const auto io = makeIo(k);
            ZqCipherFileWriter writer(k.type, k.mode);
            ASSERT_TRUE(writer.setKey(KEY, k.keyLength));
            Bytes first;
            Bytes second;
            ASSERT_TRUE(writer.build(plain.data(), plain.size(), first));
            ASSERT_TRUE(writer.build(plain.data(), plain.size(), second));
            ASSERT_TRUE(io->save(u"s1.bin", plain.data(), length)) << describe(k);
            ASSERT_TRUE(io->save(u"s2.bin", plain.data(), length)) << describe(k);
            EXPECT_EQ(readBytes(m_scratch.root() / "s1.bin"), first) << describe(k) << length;
            EXPECT_EQ(readBytes(m_scratch.root() / "s2.bin"), second) << describe(k) << length;
            EXPECT_NE(first, second);
            bool ok = false;
            EXPECT_EQ(readAll(*io, u"s2.bin", ok), plain);
        }
        // Saves of 0 bytes are refused, as in plain mode.
        const auto io = makeIo(k);
        const uint8_t byte = 0;
        EXPECT_FALSE(io->save(u"empty.bin", &byte, 0));
    }
    // The generator's modulus: below 2 is refused and replaced by 2.
    ZqFile::Io io(ZqBlockCipher::TYPE_AES, ZqBlockCipher::MODE_ECB);
    EXPECT_FALSE(io.setRandSeed(1, 5));
    EXPECT_FALSE(io.setRandSeed(0, 5));
    EXPECT_TRUE(io.setRandSeed(2, 5));
    EXPECT_TRUE(io.setRandSeed(0xFFFFFFFFu, 77));
    // A plain Io has no cipher to take a key.
    ZqFile::Io plainIo;
    EXPECT_FALSE(plainIo.setKey(KEY, 16));
}

TEST_F(ZqCipherFile, FillerBytesAndHeaderSizes) {
    // L = 16 in ECB is 32 bytes, L = 17 is 48; the filler of the last block is generator
    // bytes from its end backwards, which a chosen generator makes visible.
    const Kind ecb{ZqBlockCipher::TYPE_AES, ZqBlockCipher::MODE_ECB, 16};
    EXPECT_EQ(encipher(ecb, Bytes(16, 1)).size(), 32u);
    const Bytes image = encipher(ecb, Bytes(17, 1));
    ASSERT_EQ(image.size(), 48u);
    // With modulus 2 and state 0 every generator byte is 0: the last plain block is one
    // content byte and fifteen zeros.
    ZqCipherFileWriter writer(ecb.type, ecb.mode);
    ASSERT_TRUE(writer.setKey(KEY, 16));
    writer.setRandSeed(2, 0);
    Bytes zeros;
    ASSERT_TRUE(writer.build(Bytes(17, 1).data(), 17, zeros));
    ZqFile::Io io(ecb.type, ecb.mode);
    ASSERT_TRUE(io.setKey(KEY, 16));
    ASSERT_TRUE(io.setRandSeed(2, 0));
    ASSERT_TRUE(io.save(u"z.bin", Bytes(17, 1).data(), 17));
    EXPECT_EQ(readBytes(m_scratch.root() / "z.bin"), zeros);
    Bytes lastBlock(16, 0);
    lastBlock[0] = 1;
    // Enciphering that block alone gives the file's last 16 bytes.
    ZqCipherFileWriter probe(ecb.type, ecb.mode);
    ASSERT_TRUE(probe.setKey(KEY, 16));
    probe.setRandSeed(2, 0);
    Bytes single;
    ASSERT_TRUE(probe.build(lastBlock.data(), 16, single));
    EXPECT_TRUE(std::equal(single.end() - 16, single.end(), zeros.end() - 16));

    // An empty content is the header alone and opens with size 0.
    for (const Kind& k : KINDS) {
        const Bytes empty = encipher(k, {});
        ASSERT_EQ(empty.size(), headerOf(k));
        writeBytes(m_scratch.root() / "e.bin", empty);
        const auto eio = makeIo(k);
        uint32_t size = 77;
        ASSERT_TRUE(eio->ropen(u"e.bin", 0, &size)) << describe(k);
        EXPECT_EQ(size, 0u);
        uint8_t b = 0;
        EXPECT_EQ(eio->read(&b, 1), 0u);
        EXPECT_EQ(eio->tell(), 0u);
    }
}

TEST_F(ZqCipherFile, SeeksAndReadsAnywhere) {
    const uint32_t length = 2 * 65536 + 1000 + 7;
    const Bytes plain = patternBytes(length, 21);
    std::mt19937 rng(5);
    for (const Kind& k : KINDS) {
        writeBytes(m_scratch.root() / "r.bin", encipher(k, plain));
        const auto io = makeIo(k);
        ASSERT_TRUE(io->ropen(u"r.bin"));
        EXPECT_EQ(io->tell(), 0u);
        uint32_t pos = 0;
        for (int step = 0; step < 400; ++step) {
            const int origin = static_cast<int>(rng() % 3);
            const int64_t target = rng() % (length + 40);
            const int64_t offset = origin == 0   ? target
                                   : origin == 1 ? target - pos
                                                 : target - length;
            ASSERT_TRUE(io->seek(offset, origin)) << describe(k) << " step " << step;
            pos = static_cast<uint32_t>(target);
            ASSERT_EQ(io->tell(), pos);
            // Short reads inside a block, reads across blocks and across pieces.
            const uint32_t want = step % 4 == 0 ? 1 + rng() % 100000 : rng() % 40;
            Bytes got(want);
            const uint32_t n = io->read(got.data(), want);
            const uint32_t expected = pos >= length ? 0 : std::min(want, length - pos);
            ASSERT_EQ(n, expected) << describe(k) << " at " << pos << " want " << want;
            ASSERT_TRUE(std::equal(got.begin(), got.begin() + n, plain.begin() + pos))
                << describe(k) << " at " << pos << " want " << want;
            pos += n;
            ASSERT_EQ(io->tell(), pos);
        }
        // Into the header: refused, the position stays; an unknown origin is refused too.
        const uint32_t before = io->tell();
        EXPECT_FALSE(io->seek(-1, 0));
        EXPECT_FALSE(io->seek(-static_cast<int64_t>(before) - 1, 1));
        EXPECT_FALSE(io->seek(-static_cast<int64_t>(length) - 1, 2));
        EXPECT_FALSE(io->seek(0, 3));
        EXPECT_FALSE(io->seek(int64_t{1} << 40, 0));
        EXPECT_EQ(io->tell(), before);
        // At L and beyond, reads give 0.
        uint8_t b = 0;
        ASSERT_TRUE(io->seek(0, 2));
        EXPECT_EQ(io->read(&b, 1), 0u);
        ASSERT_TRUE(io->seek(length + 100, 0));
        EXPECT_EQ(io->read(&b, 1), 0u);
        // One byte at a time gives what one read gives.
        ASSERT_TRUE(io->seek(65536 - 40, 0));
        Bytes single;
        for (int i = 0; i < 100; ++i) {
            ASSERT_EQ(io->read(&b, 1), 1u);
            single.push_back(b);
        }
        EXPECT_TRUE(std::equal(single.begin(), single.end(), plain.begin() + 65536 - 40));
        io->close();
    }
}

TEST_F(ZqCipherFile, LinesAndArchivesReadThroughTheCipher) {
    // UTF-16 text with a byte-order mark, as the line reader expects it.
    const std::u16string text = u"first\r\nsecond\nthird";
    Bytes bytes = {0xFF, 0xFE};
    for (const char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    for (const Kind& k : KINDS) {
        writeBytes(m_scratch.root() / "t.bin", encipher(k, bytes));
        const auto io = makeIo(k);
        ASSERT_TRUE(io->ropen(u"t.bin"));
        char16_t line[64];
        ASSERT_NE(io->fgets(line, 64), nullptr) << describe(k);
        EXPECT_EQ(std::u16string(line), u"first\r\n");
        ASSERT_NE(io->fgets(line, 64), nullptr);
        EXPECT_EQ(std::u16string(line), u"second\n");
        ASSERT_NE(io->fgets(line, 64), nullptr);
        EXPECT_EQ(std::u16string(line), u"third");
        EXPECT_EQ(io->fgets(line, 64), nullptr);
        io->close();
    }

    // An archive enciphered whole, opened by an archive reader over the cipher Io.
    std::vector<ZqArcEntry> entries = {{u"a.txt", patternBytes(100, 1), 0},
                                       {u"DIR\\b.bin", patternBytes(70000, 2), 0}};
    Bytes archive;
    ASSERT_TRUE(ZqArcWriter::build(entries, ZqArcWriter::DEFAULT_VERSION, archive));
    const Kind k = KINDS[1];
    writeBytes(m_scratch.root() / "x.arc", encipher(k, archive));
    const auto io = makeIo(k);
    ZqArcFile arc(io.get());
    ASSERT_TRUE(arc.ropen(u"x.arc"));
    uint32_t size = 0;
    void* const data = arc.load(u"DIR\\b.bin", 0, &size);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(Bytes(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size),
              entries[1].data);
    ZqMemAlloc::deallocate(data);
}

TEST_F(ZqCipherFile, RefusesTruncatedForeignAndWrongKeyFiles) {
    const Bytes plain = patternBytes(1000, 4);
    for (const Kind& k : KINDS) {
        const Bytes image = encipher(k, plain);
        const auto io = makeIo(k);
        bool ok = true;
        // Cut by a block, by a byte, to less than the header; grown by a block.
        const struct {
            const char* what;
            Bytes bytes;
        } bad[] = {
            {"a block short", Bytes(image.begin(), image.end() - 16)},
            {"a byte short", Bytes(image.begin(), image.end() - 1)},
            {"header cut", Bytes(image.begin(), image.begin() + headerOf(k) - 1)},
            {"a block more",
             [&] {
                 Bytes b = image;
                 b.insert(b.end(), 16, 0);
                 return b;
             }()},
            {"plain text", patternBytes(1024, 5)},
            {"empty", {}},
        };
        for (const auto& b : bad) {
            writeBytes(m_scratch.root() / "bad.bin", b.bytes);
            EXPECT_TRUE(readAll(*io, u"bad.bin", ok).empty());
            EXPECT_FALSE(ok) << describe(k) << ": " << b.what;
        }
        EXPECT_FALSE(io->ropen(u"missing.bin"));

        // The right file through a wrong key, or through another cipher or mode.
        writeBytes(m_scratch.root() / "good.bin", image);
        ZqFile::Io wrongKey(k.type, k.mode);
        const uint8_t other[32] = {9};
        ASSERT_TRUE(wrongKey.setKey(other, k.keyLength));
        readAll(wrongKey, u"good.bin", ok);
        EXPECT_FALSE(ok) << describe(k) << ": wrong key";
        for (const Kind& o : KINDS) {
            if (o.type == k.type && o.mode == k.mode) {
                continue;
            }
            const auto oio = makeIo(o);
            readAll(*oio, u"good.bin", ok);
            EXPECT_FALSE(ok) << describe(k) << " read as " << describe(o);
        }
        // The load limit applies to L: below L refuses, at L opens.
        uint32_t limit = 999;
        EXPECT_FALSE(io->ropen(u"good.bin", 0, &limit));
        limit = 1000;
        EXPECT_TRUE(io->ropen(u"good.bin", 0, &limit));
        EXPECT_FALSE(io->ropen(u"good.bin")) << "already open";
        io->close();
    }
}

TEST(ZqCipherFileIo, ConstructorRefusesUnknownTypesAndModes) {
    const struct {
        uint32_t type;
        uint32_t mode;
    } bad[] = {{3, 1}, {0, 0}, {1, 3}, {0xFFFFFFFF, 2}};
    for (const auto& b : bad) {
        try {
            ZqFile::Io io(static_cast<ZqBlockCipher::TYPE>(b.type),
                          static_cast<ZqBlockCipher::MODE>(b.mode));
            ADD_FAILURE() << b.type << ' ' << b.mode << " was accepted";
        } catch (const unsigned code) {
            EXPECT_EQ(code, 192u);
        }
    }
}
