// The name filter: the three kinds of rows, spaces, case and the sixth character.
#include "dorvanex/core/play/NameFilter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(NameFilter, ListHasTheThreeKindsInAlphabeticalOrder) {
    int kinds[4] = {};
    for (uint32_t i = 0; i < NAME_FILTER_ROWS; ++i) {
        const NameFilterRow& row = NAME_FILTER[i];
        ASSERT_LE(row.kind, 3u);
        ++kinds[row.kind];
        const size_t n = std::strlen(row.word);
        EXPECT_TRUE(n == 3 || n == 4) << row.word;
        for (size_t c = 0; c < n; ++c) {
            EXPECT_TRUE(row.word[c] >= 'A' && row.word[c] <= 'Z') << row.word;
        }
        if (i > 0) {
            EXPECT_LT(std::strcmp(NAME_FILTER[i - 1].word, row.word), 0) << row.word;
        }
    }
    EXPECT_EQ(kinds[1], 5);
    EXPECT_EQ(kinds[2], 82);
    EXPECT_EQ(kinds[3], 1);
}

TEST(NameFilter, MatchesByKindAfterRemovingSpaces) {
    struct Case {
        int line;
        const char* name;
        int32_t allowed;
    };
    const Case cases[] = {
        {__LINE__, "GUEST", 1},   {__LINE__, "", 1},
        {__LINE__, "SEX", 0},     {__LINE__, "S E X", 0}, // spaces never protect a word
        {__LINE__, " SEX  ", 0},  {__LINE__, "sex", 1},   // exact case
        {__LINE__, "SEXX", 1},                            // kind 2 wants the whole name
        {__LINE__, "XFUCKX", 0},  {__LINE__, "FU CK", 0}, // kind 1 anywhere
        {__LINE__, "WANKER", 0},  {__LINE__, "XWANK", 1}, // kind 3 at the start only
        {__LINE__, "ABCUNT", 0},                          // a word ending in the sixth
        {__LINE__, "AB SHIT", 1},                         // seventh byte is not the name
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isNameAllowed(c.name), c.allowed) << "line " << c.line << " " << c.name;
    }
    // Six bytes with no terminator after them.
    const char six[6] = {'Z', 'Z', 'T', 'W', 'A', 'T'};
    EXPECT_EQ(isNameAllowed(six), 0);
}

TEST(NameFilter, RemoveBlanksDropsOnlySpaces) {
    char out[16] = {};
    removeBlanks(" A B\tC ", out);
    EXPECT_EQ(std::string(out), "AB\tC");
}

} // namespace
