// The score displays' texts: the formats of CScoreBase, CResultScore and CScoreAdvanced by
// event (one row per case, with the dash texts and the drawn widths), the glyph numbers of
// every character, and the bounds of the text: long texts, NaN, huge values and digit counts
// past 10 never reach past the 10 characters a score keeps.
#include "dorvanex/event/CResultScore.h"
#include "dorvanex/event/CScoreBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

// A base score with the default glyph table and a digit count, without a texture.
class PlainScore : public CScoreBase {
public:
    explicit PlainScore(const uint32_t digits) {
        makeDefaultGlyphTable(false, m_glyphs);
        setDigitCount(digits);
    }
};

// Glyph widths of layout 42's strip, as createFromLayout builds them.
template <class Score> class LayoutWidths : public Score {
public:
    LayoutWidths() {
        for (uint32_t g = 0; g < hud::NR_GLYPHS; ++g) {
            const bool narrow = g >= 10 && g <= 12;
            this->m_glyphs[g] = {static_cast<uint16_t>(24 * g), 0,
                                 static_cast<uint16_t>(narrow ? 18 : 24), 36};
        }
    }
};

// An advanced score over the default glyph table.
class DefaultAdvanced : public CScoreAdvanced {
public:
    DefaultAdvanced() { makeDefaultGlyphTable(false, m_glyphs); }
};

TEST(ScoreBase, FormatsTwoDecimalsWithALeadingZeroAndDashesBelowTheSmallestValue) {
    struct Row {
        int line;
        uint32_t digits;
        float value;
        bool alternate;
        const char* text;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Row rows[] = {
        {__LINE__, 5, 0.0f, false, "--.--"},
        {__LINE__, 5, 0.0f, true, "00.00"},
        {__LINE__, 5, 5.2f, false, "05.20"},
        {__LINE__, 5, 10.83f, false, "10.83"},
        {__LINE__, 5, 0.00009f, false, "--.--"},
        {__LINE__, 5, 0.0001f, false, "00.00"},
        {__LINE__, 3, 5.2f, false, "05."},
        {__LINE__, 6, 123.456f, false, "123.46"},
        // Not finite: the dash text, also with the alternate flag ("nan" would draw 0s).
        {__LINE__, 5, nan, false, "--.--"},
        {__LINE__, 5, nan, true, "--.--"},
        {__LINE__, 5, inf, false, "--.--"},
        {__LINE__, 5, -inf, true, "--.--"},
        // Longer than the text: its first characters (1e12 is 999,999,995,904 as a float).
        {__LINE__, 10, 1.0e12f, false, "9999999959"},
        {__LINE__, 15, 1.0e12f, false, "9999999959"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        PlainScore s(r.digits);
        s.setValue(r.value, r.alternate);
        EXPECT_STREQ(s.getText(), r.text);
        EXPECT_LE(s.getDigitCount(), hud::MAX_DIGITS);
    }
}

TEST(ScoreBase, EveryCharacterDrawsItsGlyphAndRepeatsDrawAtEachPlace) {
    PlainScore s(10);
    struct Row {
        char c;
        uint32_t plain, alternate;
    };
    const Row rows[] = {{'0', 0, 0},   {'5', 5, 5},    {'9', 9, 9},   {'.', 10, 12},
                        {'"', 10, 12}, {'\'', 11, 11}, {'-', 13, 13}, {' ', 14, 14},
                        {'x', 0, 0},   {'A', 0, 0},    {',', 0, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.c);
        s.setValue(1.0f, false);
        EXPECT_EQ(s.glyphOf(r.c), r.plain);
        s.setValue(1.0f, true);
        EXPECT_EQ(s.glyphOf(r.c), r.alternate);
    }
    s.setValue(1.0f, false);
    s.setText("11.11");
    uint32_t glyphs[hud::MAX_DIGITS] = {};
    ASSERT_EQ(s.getDrawnGlyphs(glyphs), 5u);
    EXPECT_EQ(glyphs[0], 1u);
    EXPECT_EQ(glyphs[1], 1u);
    EXPECT_EQ(glyphs[2], 10u);
    EXPECT_EQ(glyphs[3], 1u);
    EXPECT_EQ(glyphs[4], 1u);
}

TEST(ScoreBase, TextsAreCutAtTenCharactersAndAlwaysTerminated) {
    PlainScore s(10);
    const std::string forty(40, '7');
    s.setText(forty.c_str());
    EXPECT_EQ(std::string(s.getText()), std::string(10, '7'));
    s.setText("12");
    EXPECT_STREQ(s.getText(), "12") << "the rest of an earlier text is cleared";
    s.setText(nullptr);
    EXPECT_STREQ(s.getText(), "");
    PlainScore wide(15);
    EXPECT_EQ(wide.getDigitCount(), 10u);
    wide.setText(forty.c_str());
    uint32_t glyphs[hud::MAX_DIGITS] = {};
    EXPECT_EQ(wide.getDrawnGlyphs(glyphs), 10u);
}

TEST(ResultScore, FormatsByEventWithDashTextsAndUnitOffsets) {
    struct Row {
        int line;
        uint32_t event;
        float value;
        const char* text;
        float width; // offset of the unit frame on layout 42's strip (24, point 18)
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Row rows[] = {
        {__LINE__, 0, 9.58f, " 9.58", 4 * 24 + 18},
        {__LINE__, 0, 10.5f, "10.50", 4 * 24 + 18},
        {__LINE__, 1, 13.2f, "13.20", 4 * 24 + 18},
        {__LINE__, 0, 0.0f, "--.--", 4 * 24 + 18},
        {__LINE__, 2, 8.12f, "8.12", 3 * 24 + 18},
        {__LINE__, 2, 0.00005f, "-.--", 3 * 24 + 18},
        {__LINE__, 3, 82.56f, " 82.56", 5 * 24 + 18},
        {__LINE__, 3, 0.0f, " --.--", 5 * 24 + 18},
        {__LINE__, 4, 7.0f, " 7", 2 * 24},
        {__LINE__, 4, 12.0f, "12", 2 * 24},
        {__LINE__, 4, 0.0f, "--", 2 * 24},
        {__LINE__, 5, 25.0f, "25", 2 * 24},
        {__LINE__, 6, 5.5f, " 5.50", 4 * 24 + 18},
        {__LINE__, 7, 210.0f, "210", 3 * 24},
        {__LINE__, 7, 95.0f, " 95", 3 * 24},
        {__LINE__, 7, 0.0f, "---", 3 * 24},
        {__LINE__, 8, 11.0f, "11", 2 * 24},
        {__LINE__, 9, 3.0f, " 3", 2 * 24},
        {__LINE__, 9, nan, "--", 2 * 24},
        {__LINE__, 0, nan, "--.--", 4 * 24 + 18},
        // Past the text: its first characters, never more than the digit count.
        {__LINE__, 3, 1.0e12f, "999999", 5 * 24 + 18},
        {__LINE__, 7, 1.0e12f, "999", 3 * 24},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        LayoutWidths<CResultScore> s;
        s.setEvent(r.event);
        s.setValue(r.value);
        EXPECT_STREQ(s.getText(), r.text);
        EXPECT_FLOAT_EQ(s.getWidth(), r.width);
    }
}

TEST(ResultScore, PerEventDigitsAndUnitsAndNoTextBeforeAnEvent) {
    const uint32_t digits[10] = {5, 5, 4, 6, 2, 2, 5, 3, 2, 2};
    const uint32_t units[10] = {2, 2, 3, 3, 2, 5, 1, 0, 2, 2};
    for (uint32_t e = 0; e < 10; ++e) {
        CResultScore s;
        s.setEvent(e);
        EXPECT_EQ(s.getDigitCount(), digits[e]) << e;
        EXPECT_EQ(s.getUnit(), units[e]) << e;
    }
    CResultScore none;
    none.setValue(9.58f);
    EXPECT_STREQ(none.getText(), "");
    none.setEvent(10);
    EXPECT_EQ(none.getEvent(), 10u) << "an event past the table is ignored";
}

TEST(ScoreAdvanced, DigitCountFollowsTheValueWithItsWidth) {
    struct Row {
        int line;
        uint32_t event;
        float value;
        bool leave;
        const char* text;
        float width; // default glyph table: digits 18, point 6, minus 18
    };
    const Row rows[] = {
        {__LINE__, 2, 0.0f, false, "--.--", 6 + 4 * 18},
        {__LINE__, 2, 8.12f, false, "8.12", 3 * 18 + 6},
        {__LINE__, 0, 10.5f, false, "10.50", 4 * 18 + 6},
        {__LINE__, 3, 102.3f, false, "102.30", 5 * 18 + 6},
        {__LINE__, 4, 7.0f, false, "7", 18},
        {__LINE__, 7, 0.0f, false, "--", 2 * 18},
        {__LINE__, 7, 210.0f, false, "210", 3 * 18},
        {__LINE__, 0, 12.75f, true, "12", 2 * 18},
        {__LINE__, 3, 1.0e12f, false, "9999999959", 14 * 18 + 6},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        DefaultAdvanced s;
        s.setEvent(r.event);
        s.setLeaveUnits(r.leave);
        s.setValue(r.value, false);
        EXPECT_STREQ(s.getText(), r.text);
        EXPECT_FLOAT_EQ(s.getWidth(), r.width);
        EXPECT_LE(s.getDigitCount(), hud::MAX_DIGITS);
    }
}

} // namespace
