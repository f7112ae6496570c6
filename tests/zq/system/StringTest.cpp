#include "zq/system/ZqString.h"
#include "zq/system/ZqSystem.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

TEST(ZqChar2Utf8, LengthWithoutTerminatorAndMinusOne) {
    ZqStringMb out = "junk";
    // Exactly sized: converting must not look past the three units.
    const auto text = std::make_unique<char16_t[]>(3);
    text[0] = u'a';
    text[1] = u'\u00E9';
    text[2] = u'\u20AC';
    EXPECT_EQ(zqChar2Utf8(text.get(), 3, out), 6);
    EXPECT_EQ(out, "a\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(out.size(), 6u);
    EXPECT_EQ(zqChar2Utf8(u"a\u00E9\u20AC", -1, out), 7) << "-1 counts the terminator";
    EXPECT_EQ(out, "a\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(zqChar2Utf8(u"abc", 4, out), 4) << "a terminator inside the length";
    EXPECT_EQ(out, "abc");
    EXPECT_EQ(zqChar2Utf8(u"", -1, out), 1);
    EXPECT_EQ(out, "");
}

TEST(ZqChar2Utf8, SurrogatesAndAnEmbeddedZero) {
    struct Case {
        std::u16string in;
        int result;
        std::string out;
    };
    const Case cases[] = {
        {u"\U0001F600", 4, "\xF0\x9F\x98\x80"},
        {u"\xD800"
         u"a",
         4,
         "\xEF\xBF\xBD"
         "a"},
        {u"a\xDC00", 4, "a\xEF\xBF\xBD"},
        {u"\xDC00\xD800", 6, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        // Converted in full, but the output stops at the 0.
        {u"ab\0cd"s, 5, "ab"},
    };
    for (const Case& c : cases) {
        ZqStringMb out = "junk";
        EXPECT_EQ(zqChar2Utf8(c.in.data(), static_cast<int>(c.in.size()), out), c.result);
        EXPECT_EQ(out, c.out);
    }
    // A high surrogate that ends the given length is not paired with what follows it.
    const auto pair = std::make_unique<char16_t[]>(1);
    pair[0] = 0xD83D;
    ZqStringMb out;
    EXPECT_EQ(zqChar2Utf8(pair.get(), 1, out), 3);
    EXPECT_EQ(out, "\xEF\xBF\xBD");
}

TEST(ZqUtf82Char, DecodesAndReplacesIllFormedInput) {
    struct Case {
        std::string in;
        int result;
        std::u16string out;
    };
    const Case cases[] = {
        {"abc", 3, u"abc"},
        {"h\xC3\xA9", 2, u"h\u00E9"},
        {"\xF0\x9F\x98\x80", 2, u"\U0001F600"},
        {"\xEF\xBB\xBF"
         "x",
         2, u"\uFEFFx"},
        // One replacement per maximal ill-formed subpart.
        {"\xC0\x80", 2, u"\uFFFD\uFFFD"},
        {"\xE2\x82"
         "A",
         2, u"\uFFFDA"},
        {"\xE2\x82", 1, u"\uFFFD"},
        {"\xF0\x9F\x98", 1, u"\uFFFD"},
        {"\xED\xA0\x80", 3, u"\uFFFD\uFFFD\uFFFD"},
        {"\xF4\x90\x80\x80", 4, u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\x80\xBF", 2, u"\uFFFD\uFFFD"},
        {"\xFF"
         "a",
         2, u"\uFFFDa"},
        {"ab\0cd"s, 5, u"ab"},
    };
    for (const Case& c : cases) {
        // Exactly sized and unterminated: nothing past the length may be read.
        const auto bytes = std::make_unique<char[]>(c.in.size());
        std::copy(c.in.begin(), c.in.end(), bytes.get());
        ZqString out = u"junk";
        EXPECT_EQ(zqUtf82Char(bytes.get(), static_cast<int>(c.in.size()), out), c.result) << c.in;
        EXPECT_EQ(out, c.out) << c.in;
    }
    ZqString out;
    EXPECT_EQ(zqUtf82Char("abc", -1, out), 4);
    EXPECT_EQ(out, u"abc");
}

// Random UTF-16 with unpaired surrogates: UTF-8 and back gives the text with each unpaired
// surrogate replaced, whatever the mix.
TEST(ZqConversions, RoundTripReplacesOnlyUnpairedSurrogates) {
    std::mt19937 random(7);
    for (int n = 0; n < 3000; ++n) {
        std::u16string text;
        const int length = static_cast<int>(random() % 40) + 1;
        for (int i = 0; i < length; ++i) {
            switch (random() % 5) {
            case 0:
                text.push_back(static_cast<char16_t>(1 + random() % 0x7F));
                break;
            case 1:
                text.push_back(static_cast<char16_t>(0x80 + random() % (0xD800 - 0x80)));
                break;
            case 2:
                text.push_back(static_cast<char16_t>(0xE000 + random() % 0x2000));
                break;
            case 3:
                text.push_back(static_cast<char16_t>(0xD800 + random() % 0x800));
                break;
            default:
                text.push_back(static_cast<char16_t>(0xD800 + random() % 0x400));
                text.push_back(static_cast<char16_t>(0xDC00 + random() % 0x400));
                break;
            }
        }
        std::u16string expected;
        for (size_t i = 0; i < text.size(); ++i) {
            const char16_t c = text[i];
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] < 0xE000) {
                expected += text.substr(i, 2);
                ++i;
            } else {
                expected.push_back(c >= 0xD800 && c < 0xE000 ? u'\uFFFD' : c);
            }
        }
        ZqStringMb narrow;
        ZqString back;
        ASSERT_GT(zqChar2Utf8(text.data(), static_cast<int>(text.size()), narrow), 0);
        ASSERT_EQ(zqUtf82Char(narrow.data(), static_cast<int>(narrow.size()), back),
                  static_cast<int>(expected.size()));
        ASSERT_EQ(back, expected);
    }
}

TEST(ZqConversions, NothingToConvertGivesZeroAndAnEmptyOutput) {
    ZqStringMb narrow = "junk";
    ZqString wide = u"junk";
    EXPECT_EQ(zqChar2Utf8(u"abc", 0, narrow), 0);
    EXPECT_EQ(narrow, "");
    narrow = "junk";
    EXPECT_EQ(zqChar2Utf8(u"abc", -2, narrow), 0);
    EXPECT_EQ(narrow, "");
    narrow = "junk";
    EXPECT_EQ(zqChar2Utf8(nullptr, -1, narrow), 0);
    EXPECT_EQ(narrow, "");
    EXPECT_EQ(zqUtf82Char("abc", 0, wide), 0);
    EXPECT_EQ(wide, u"");
    wide = u"junk";
    EXPECT_EQ(zqUtf82Char(nullptr, 3, wide), 0);
    EXPECT_EQ(wide, u"");
}

TEST(ZqChar2Utf8Body, WritesIntoTheCallersBufferOnlyWhenItFits) {
    char buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    EXPECT_EQ(zqChar2Utf8Body(u"a\u00E9", -1, buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer, 5), std::string("a\xC3\xA9\0#", 5));
    EXPECT_EQ(zqChar2Utf8Body(u"\u20AC\u20AC", 2, buffer, 6), 6) << "an exact fit";
    std::fill(std::begin(buffer), std::end(buffer), '#');
    EXPECT_EQ(zqChar2Utf8Body(u"\u20AC\u20AC", 2, buffer, 5), 0);
    EXPECT_EQ(zqChar2Utf8Body(u"abc", 3, buffer, 0), 0);
    EXPECT_EQ(zqChar2Utf8Body(u"abc", 0, buffer, 8), 0);
    EXPECT_EQ(zqChar2Utf8Body(u"abc", 3, nullptr, 8), 0);
    EXPECT_EQ(std::string(buffer, 8), "########") << "failures leave the buffer alone";
}

TEST(ZqStrtrim, RemovesBlanksAtBothEnds) {
    struct Case {
        const char16_t* in;
        size_t size;
        int result;
        const char16_t* out;
    };
    const Case cases[] = {
        {u"  a b \r\n", 16, 0, u"a b"},
        {u" \t\r\n ", 16, 0, u""},
        {u"", 16, 0, u""},
        {u"\va\f", 16, 0, u"\va\f"},
        {u"abc", 4, 0, u"abc"},
        // The trimmed length must be below the size: the destination is left empty.
        {u" abc ", 3, 34, u""},
        {u"abc", 3, 34, u""},
    };
    for (const Case& c : cases) {
        std::vector<char16_t> dst(c.size + 1, u'#');
        errno = 0;
        EXPECT_EQ(zqStrtrim(dst.data(), c.size, c.in), c.result);
        EXPECT_EQ(std::u16string(dst.data()), c.out);
        EXPECT_EQ(dst[c.size], u'#');
        if (c.result != 0) {
            EXPECT_EQ(ZqSystem::getError(), c.result) << "the error number is set too";
        }
    }
}

TEST(ZqStrtrim, InvalidArgumentsAndTrimmingInPlace) {
    char16_t dst[8] = u"xyz";
    EXPECT_EQ(zqStrtrim(nullptr, 8, u"a"), 22);
    EXPECT_EQ(zqStrtrim(dst, 0, u"a"), 22);
    EXPECT_EQ(dst[0], u'x') << "size 0 writes nothing";
    EXPECT_EQ(zqStrtrim(dst, 8, nullptr), 22);
    EXPECT_EQ(dst[0], 0);
    char16_t text[16] = u"   in place  ";
    EXPECT_EQ(zqStrtrim(text, 16, text), 0);
    EXPECT_EQ(std::u16string(text), u"in place");
}

} // namespace
