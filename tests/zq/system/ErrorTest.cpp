#include "zq/system/ZqError.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

std::string narrow(const char16_t* s) {
    std::string out;
    for (; *s != 0; ++s) {
        out.push_back(*s < 0x80 ? static_cast<char>(*s) : '?');
    }
    return out;
}

TEST(ZqError, TableIsOrderedNamedAndFoundByCode) {
    const ZqError::Entry* const table = ZqError::getTable();
    const uint32_t n = ZqError::getTableSize();
    ASSERT_GT(n, 0u);
    for (uint32_t i = 0; i < n; ++i) {
        const ZqError::Entry& e = table[i];
        SCOPED_TRACE(e.code);
        if (i > 0) {
            EXPECT_LT(table[i - 1].code, e.code) << "codes rise and none repeats";
        }
        const std::string name = narrow(e.name);
        EXPECT_EQ(name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_"), std::string::npos);
        const std::string text = narrow(e.text);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.find('\n'), std::string::npos) << "one line";
        EXPECT_NE(text.back(), '.');
        EXPECT_EQ(ZqError::find(e.code), &e);
    }
}

TEST(ZqError, CodesKeepTheirNumbers) {
    // The program's entry and callers compare against these numbers.
    const struct {
        uint32_t code;
        const char* name;
    } rows[] = {
        {1, "INSTANCE"},         {3, "NO_SSE"},
        {16, "WINDOW"},          {80, "LOCK"},
        {144, "ARCHIVE_MEMORY"}, {1025, "DEVICE_SYSTEM"},
        {1034, "GRAPHICS_CARD"}, {1041, "GAME_DEPTH_STENCIL"},
        {1360, "DEFAULT_LIGHT"}, {3840, "UNKNOWN_EXCEPTION"},
        {4095, "OUT_OF_MEMORY"},
    };
    for (const auto& r : rows) {
        const ZqError::Entry* const e = ZqError::find(r.code);
        ASSERT_NE(e, nullptr) << r.code;
        EXPECT_EQ(narrow(e->name), r.name);
    }
    static_assert(ZqError::GRAPHICS_CARD == 0x40A);
    static_assert(ZqError::OUT_OF_MEMORY == 0xFFF);
}

TEST(ZqError, UnknownCodesHaveNoEntry) {
    for (const uint32_t code : {0u, 2u, 6u, 1023u, 1042u, 0x20000400u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ZqError::find(code), nullptr) << code;
    }
}

TEST(ZqError, LastErrorBelongsToEachThread) {
    ZqError::setLastError(0x20000402u);
    uint32_t seenByOther = 1;
    std::thread other([&] {
        seenByOther = ZqError::getLastError();
        ZqError::setLastError(0x20000405u);
    });
    other.join();
    EXPECT_EQ(seenByOther, 0u);
    EXPECT_EQ(ZqError::getLastError(), 0x20000402u);
    ZqError::setLastError(0);
}

} // namespace
