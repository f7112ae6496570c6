#include "zq/file/ZqFile.h"
#include "zq/platform/os/utf.h"

#include "tests/support/FileTestSupport.h"

#include <gtest/gtest.h>

namespace {

// UTF-16 little-endian bytes of a text, with a byte-order mark when asked.
std::vector<uint8_t> utf16Bytes(const std::u16string& text, const bool mark = false) {
    std::vector<uint8_t> bytes;
    if (mark) {
        bytes = {0xFF, 0xFE};
    }
    for (const char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

std::vector<std::u16string> allLines(ZqFile::Io& io, const uint32_t size) {
    std::vector<std::u16string> lines;
    std::vector<char16_t> buffer(size);
    while (io.fgets(buffer.data(), size) != nullptr) {
        lines.emplace_back(buffer.data());
        if (lines.size() > 100) {
            break;
        }
    }
    return lines;
}

} // namespace

TEST(ZqFileIo, OpenChecksMinimumAndLimit) {
    ScratchFolder scratch;
    writeBytes(scratch.root() / "five", patternBytes(5, 1));
    const struct {
        uint32_t minSize;
        bool withSize;
        uint32_t limit;
        bool opens;
    } cases[] = {
        {0, false, 0, true},       {5, false, 0, true},        {6, false, 0, false},
        {0, true, 0, true},        {0, true, 5, true},         {0, true, 4, false},
        {0, true, 0x400000, true}, {0, true, 0x400001, false},
    };
    for (const auto& c : cases) {
        ZqFile::Io io;
        uint32_t size = c.limit;
        EXPECT_EQ(io.ropen(u"five", c.minSize, c.withSize ? &size : nullptr), c.opens)
            << c.minSize << " " << c.limit;
        if (c.opens && c.withSize) {
            EXPECT_EQ(size, 5u);
        }
    }
    ZqFile::Io io;
    EXPECT_FALSE(io.ropen(u"missing"));
    EXPECT_FALSE(io.ropen(nullptr));
    ASSERT_TRUE(io.ropen(u"FIVE"));
    EXPECT_FALSE(io.ropen(u"five"));
    EXPECT_TRUE(io.close());
    EXPECT_TRUE(io.close());
}

TEST(ZqFileIo, ReadSeekAndTell) {
    ScratchFolder scratch;
    const std::vector<uint8_t> bytes = patternBytes(1000, 2);
    writeBytes(scratch.root() / "data", bytes);
    ZqFile::Io io;
    EXPECT_EQ(io.tell(), 0xFFFFFFFFu);
    EXPECT_EQ(io.read(nullptr, 0), 0xFFFFFFFFu);
    ASSERT_TRUE(io.ropen(u"data"));
    EXPECT_EQ(io.tell(), 0u);
    std::vector<uint8_t> got(1200);
    EXPECT_EQ(io.read(got.data(), 300), 300u);
    EXPECT_EQ(io.tell(), 300u);
    EXPECT_TRUE(io.seek(-100, 2));
    EXPECT_EQ(io.read(got.data(), 1200), 100u);
    EXPECT_TRUE(std::equal(got.begin(), got.begin() + 100, bytes.end() - 100));
    EXPECT_EQ(io.read(got.data(), 10), 0u);
    EXPECT_TRUE(io.seek(10, 0));
    EXPECT_TRUE(io.seek(5, 1));
    EXPECT_EQ(io.tell(), 15u);
    EXPECT_FALSE(io.seek(-1, 0));
    EXPECT_FALSE(io.seek(0, 3));
    EXPECT_EQ(io.tell(), 15u);
}

TEST(ZqFileIo, LinesKeepTheirEndsAndPairsStayTogether) {
    ScratchFolder scratch;
    const struct {
        std::u16string text;
        bool mark;
        std::vector<std::u16string> lines;
    } cases[] = {
        {u"a\r\nb\n", false, {u"a\r\n", u"b\n"}},
        {u"a\n\nb", false, {u"a\n", u"\n", u"b"}},
        {u"a\n\rb", false, {u"a\n\r", u"b"}},
        {u"a\r\n\r\nb", false, {u"a\r\n", u"\r\n", u"b"}},
        {u"a\r\n\rb", false, {u"a\r\n", u"\r", u"b"}},
        {u"x\ny", true, {u"x\n", u"y"}},
        {u"\uFEFFx", false, {u"x"}},
        {std::u16string(u"ab\0cd", 5), false, {u"ab"}},
    };
    for (const auto& c : cases) {
        writeBytes(scratch.root() / "t.txt", utf16Bytes(c.text, c.mark));
        ZqFile::Io io;
        ASSERT_TRUE(io.ropen(u"t.txt"));
        EXPECT_EQ(allLines(io, 64), c.lines) << zqp::utf16ToUtf8(c.text);
    }
}

TEST(ZqFileIo, LinesLongerThanTheBufferComeInPieces) {
    ScratchFolder scratch;
    writeBytes(scratch.root() / "t.txt", utf16Bytes(u"abcdefg\nhi\n"));
    ZqFile::Io io;
    ASSERT_TRUE(io.ropen(u"t.txt"));
    EXPECT_EQ(allLines(io, 4), (std::vector<std::u16string>{u"abc", u"def", u"g\n", u"hi\n"}));

    // A mark is skipped only at the very start; later it is a character of the line.
    writeBytes(scratch.root() / "m.txt", utf16Bytes(u"a\n\uFEFFb", true));
    ZqFile::Io marked;
    ASSERT_TRUE(marked.ropen(u"m.txt"));
    EXPECT_EQ(allLines(marked, 8), (std::vector<std::u16string>{u"a\n", u"\uFEFFb"}));
}

TEST(ZqFileIo, LineReadingRefusesTinyBuffersAndEndsOnAHalfCharacter) {
    ScratchFolder scratch;
    std::vector<uint8_t> bytes = utf16Bytes(u"ab\n");
    bytes.push_back(0x41);
    writeBytes(scratch.root() / "odd.txt", bytes);
    ZqFile::Io io;
    ASSERT_TRUE(io.ropen(u"odd.txt"));
    char16_t buffer[8] = {};
    EXPECT_EQ(io.fgets(buffer, 1), nullptr);
    EXPECT_EQ(io.fgets(buffer, 0), nullptr);
    EXPECT_EQ(io.fgets(nullptr, 8), nullptr);
    EXPECT_EQ(allLines(io, 8), (std::vector<std::u16string>{u"ab\n"}));
}
