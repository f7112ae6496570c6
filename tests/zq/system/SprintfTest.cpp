#include "zq/system/ZqSprintf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Formatted {
    std::u16string text;
    int result;
};

// Formats into a buffer of `size` followed by guard characters that must stay untouched.
template <typename... Args>
Formatted fmt(const size_t size, const char16_t* const format, Args... args) {
    std::vector<char16_t> buffer(size + 8, u'#');
    const int result = zqSprintf(buffer.data(), size, format, args...);
    for (size_t i = size; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], u'#') << "written past the buffer at " << i;
    }
    EXPECT_EQ(std::char_traits<char16_t>::find(buffer.data(), size, 0) != nullptr, true)
        << "no terminator inside the buffer";
    return {std::u16string(buffer.data()), result};
}

struct Row {
    const char16_t* expected;
    int result;
    Formatted actual;
    int line;
};

void check(const std::vector<Row>& rows) {
    for (const Row& r : rows) {
        EXPECT_EQ(r.actual.text, r.expected) << "line " << r.line;
        EXPECT_EQ(r.actual.result, r.result) << "line " << r.line;
    }
}

#define ROW(expected, result, ...)                                                                 \
    Row {                                                                                          \
        expected, result, fmt(__VA_ARGS__), __LINE__                                               \
    }

TEST(ZqSprintf, StringsAreWideByDefaultAndNarrowWithHOrCapitalS) {
    const char16_t* const nullWide = nullptr;
    const char* const nullNarrow = nullptr;
    check({
        ROW(u"abc", 3, 64, u"%s", u"abc"),
        ROW(u"abc", 3, 64, u"%ls", u"abc"),
        ROW(u"abc", 3, 64, u"%ws", u"abc"),
        ROW(u"abc", 3, 64, u"%lS", u"abc"),
        ROW(u"abc", 3, 64, u"%hs", "abc"),
        ROW(u"abc", 3, 64, u"%S", "abc"),
        ROW(u"abc", 3, 64, u"%hS", "abc"),
        ROW(u"x=h\u00E9\U0001F600.", 7, 64, u"x=%hs.", "h\xC3\xA9\xF0\x9F\x98\x80"),
        ROW(u"[  abc]", 7, 64, u"[%5s]", u"abc"),
        ROW(u"[abc  ]", 7, 64, u"[%-5s]", u"abc"),
        ROW(u"[00abc]", 7, 64, u"[%05s]", u"abc"),
        ROW(u"[ab]", 4, 64, u"[%.2s]", u"abc"),
        ROW(u"[ ab]", 5, 64, u"[%*.*s]", 3, 2, u"abc"),
        ROW(u"[abc ]", 6, 64, u"[%*s]", -4, u"abc"),
        ROW(u"[abc]", 5, 64, u"[%.*s]", -1, u"abc"),
        // Width counts UTF-16 units of the output, not bytes of a narrow argument.
        ROW(u"[ \u00E9]", 4, 64, u"[%2hs]", "\xC3\xA9"),
        ROW(u"(null)", 6, 64, u"%s", nullWide),
        ROW(u"(null)", 6, 64, u"%hs", nullNarrow),
        ROW(u"(nu", 3, 64, u"%.3s", nullWide),
        ROW(u"100%", 4, 64, u"%d%%", 100),
    });
}

TEST(ZqSprintf, NarrowStringsDecodeIllFormedUtf8AsReplacementCharacters) {
    check({
        ROW(u"a\uFFFD", 2, 64, u"%hs", "a\xE2\x82"),
        ROW(u"\uFFFD\uFFFD", 2, 64, u"%hs", "\xC0\x80"),
        ROW(u"\uFFFD\uFFFD\uFFFD", 3, 64, u"%hs", "\xED\xA0\x80"),
        ROW(u"\uFFFDA", 2, 64, u"%hs",
            "\xE2\x82"
            "A"),
        // A precision that cuts a character in two leaves that character out.
        ROW(u"abc", 3, 64, u"%.4hs", "abc\xC3\xA9"),
        ROW(u"abc\u00E9", 4, 64, u"%.5hs", "abc\xC3\xA9"),
    });
}

TEST(ZqSprintf, PrecisionBoundsTheReadOfAnUnterminatedString) {
    // Exactly sized heap blocks: reading one element further is caught by the sanitizer.
    const auto narrow = std::make_unique<char[]>(3);
    narrow[0] = 'x';
    narrow[1] = 'y';
    narrow[2] = 'z';
    const auto wide = std::make_unique<char16_t[]>(2);
    wide[0] = u'p';
    wide[1] = u'q';
    check({
        ROW(u"xyz", 3, 64, u"%.3hs", narrow.get()),
        ROW(u"pq", 2, 64, u"%.2s", wide.get()),
    });
}

TEST(ZqSprintf, Characters) {
    check({
        ROW(u"\u00E9", 1, 64, u"%c", static_cast<int>(u'\u00E9')),
        ROW(u"\u00E9", 1, 64, u"%lc", static_cast<int>(u'\u00E9')),
        ROW(u"A", 1, 64, u"%hc", 'A'),
        ROW(u"B", 1, 64, u"%C", 'B'),
        ROW(u"[  x]", 5, 64, u"[%3c]", static_cast<int>(u'x')),
        ROW(u"[x  ]", 5, 64, u"[%-3c]", static_cast<int>(u'x')),
    });
}

TEST(ZqSprintf, Integers) {
    check({
        ROW(u"-42", 3, 64, u"%d", -42),
        ROW(u"+5", 2, 64, u"%+d", 5),
        ROW(u" 5", 2, 64, u"% d", 5),
        ROW(u"-0042", 5, 64, u"%05d", -42),
        ROW(u"[42   ]", 7, 64, u"[%-5d]", 42),
        ROW(u"007", 3, 64, u"%.3d", 7),
        ROW(u"", 0, 64, u"%.0d", 0),
        ROW(u"     007", 8, 64, u"%08.3d", 7),
        ROW(u"4294967295", 10, 64, u"%u", 4294967295u),
        ROW(u"ff FF 0xff 0X1F 0", 17, 64, u"%x %X %#x %#X %#x", 255, 255, 255, 31, 0),
        ROW(u"10 010 0", 8, 64, u"%o %#o %#o", 8, 8, 0),
        ROW(u"4464 44 1", 9, 64, u"%hd %hhd %hu", 70000, 300, 65537),
        ROW(u"-9223372036854775808", 20, 64, u"%lld", INT64_MIN),
        ROW(u"18446744073709551615", 20, 64, u"%I64u", UINT64_MAX),
        ROW(u"-5 -6 7", 7, 64, u"%I64d %I32d %Iu", int64_t{-5}, int32_t{-6}, size_t{7}),
        ROW(u"-1 3 -2", 7, 64, u"%ld %zu %td", -1L, size_t{3}, ptrdiff_t{-2}),
        ROW(u"-7", 2, 64, u"%jd", intmax_t{-7}),
        ROW(u"0000000000001234", 16, 64, u"%p", reinterpret_cast<void*>(0x1234)),
    });
}

TEST(ZqSprintf, FloatingPoint) {
    check({
        ROW(u"3.141590", 8, 64, u"%f", 3.14159),
        ROW(u"1.50", 4, 64, u"%.2f", 1.5),
        ROW(u"  -1.500", 8, 64, u"%8.3f", -1.5),
        ROW(u"-001.500", 8, 64, u"%08.3f", -1.5),
        ROW(u"+2.0", 4, 64, u"%+.1f", 2.0),
        ROW(u"1.234568e+04", 12, 64, u"%e", 12345.678),
        ROW(u"0.0001 1E-10", 12, 64, u"%g %G", 0.0001, 1e-10),
        ROW(u"0x1.0000000000000p+0", 20, 64, u"%a", 1.0),
        ROW(u"-0x001.8p+1", 11, 64, u"%011.1a", -3.0),
        ROW(u"  inf", 5, 64, u"%05f", HUGE_VAL),
        ROW(u"2.5", 3, 64, u"%.1Lf", 2.5L),
    });
}

TEST(ZqSprintf, HugePrecisionIsPaddedWithZerosWithoutLimit) {
    const Formatted f = fmt(4000, u"%.3000f", 0.5);
    ASSERT_EQ(f.result, 3002);
    EXPECT_EQ(f.text.substr(0, 4), u"0.50");
    EXPECT_EQ(f.text.find_first_not_of(u'0', 3), std::u16string::npos);
    const Formatted e = fmt(4000, u"%.2000e", 1.0);
    ASSERT_EQ(e.result, 2006);
    EXPECT_EQ(e.text.substr(e.text.size() - 6), u"00e+00");
    // A width past the buffer is cut like any other text.
    EXPECT_EQ(fmt(8, u"%1000000000d", 1).result, -1);
}

TEST(ZqSprintf, TextThatDoesNotFitIsCutAndReportedAsMinusOne) {
    check({
        ROW(u"012", -1, 4, u"%s", u"0123456789"),
        ROW(u"0123456789", 10, 11, u"%s", u"0123456789"),
        ROW(u"012345678", -1, 10, u"%s", u"0123456789"),
        ROW(u"", -1, 1, u"x"),
        ROW(u"", 0, 1, u""),
        ROW(u"   ", -1, 4, u"%10d", 5),
        ROW(u"ab", -1, 3, u"a%hsc", "b\xC3\xA9"),
    });
}

TEST(ZqSprintf, InvalidArgumentsAndFormats) {
    char16_t buffer[8] = {u'#', u'#', 0};
    EXPECT_EQ(zqSprintf(nullptr, 8, u"x"), -1);
    EXPECT_EQ(zqSprintf(buffer, 0, u"x"), -1);
    EXPECT_EQ(buffer[0], u'#') << "size 0 writes nothing";
    EXPECT_EQ(zqSprintf(buffer, 8, nullptr), -1);
    EXPECT_EQ(buffer[0], u'#') << "a null format writes nothing";
    int count = 0;
    check({
        ROW(u"", -1, 64, u"ab%n", &count),
        ROW(u"", -1, 64, u"ab%"),
        ROW(u"", -1, 64, u"ab%y", 1),
        ROW(u"", -1, 64, u"%99999999999d", 1),
    });
    EXPECT_EQ(count, 0);
}

} // namespace
