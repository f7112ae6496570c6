// The text rows of the operator menu's all-factory-settings page: {text, x, y, size, colour
// (ARGB), argument, 0, kind, 0}; kind 3 formats the argument into the text.
#pragma once

#include <cstdint>

struct TestTextRow {
    const char16_t* text;
    int32_t x;
    int32_t y;
    int32_t size;
    uint32_t colour;
    const char16_t* argument;
    int32_t reserved0;
    int32_t kind;
    int32_t reserved1;
};

inline constexpr uint32_t TEXT_WHITE = 0xFFFFFFFFu;
inline constexpr uint32_t TEXT_RED = 0xFFFF0000u;
inline constexpr int32_t TEXT_KIND_PLAIN = 0;
inline constexpr int32_t TEXT_KIND_FORMAT = 3;

inline constexpr TestTextRow ALL_FACTORY_SETTING_ROWS[9] = {
    {u"NOT CLEARED:", 432, 334, 18, TEXT_WHITE, u"", 0, TEXT_KIND_PLAIN, 0},
    {u"BOOKKEEPING DATA", 450, 370, 18, TEXT_WHITE, u"", 0, TEXT_KIND_PLAIN, 0},
    {u"RANKING DATA", 450, 388, 18, TEXT_WHITE, u"", 0, TEXT_KIND_PLAIN, 0},
    {u"CLOCK", 450, 406, 18, TEXT_WHITE, u"", 0, TEXT_KIND_PLAIN, 0},
    {u"%s", 390, 586, 18, TEXT_WHITE, u"P1 RED/BLUE BUTTON = YES/NO", 0, TEXT_KIND_FORMAT, 0},
    {u"%s", 336, 586, 22, TEXT_RED, u"", 0, TEXT_KIND_FORMAT, 0},
    {u"%s", 457, 550, 22, TEXT_RED, u"", 0, TEXT_KIND_FORMAT, 0},
    {u"%s", 404, 604, 18, TEXT_WHITE, u"P1 GREEN BUTTON = DECIDE", 0, TEXT_KIND_FORMAT, 0},
    {u"%s", 413, 622, 18, TEXT_WHITE, u"", 0, TEXT_KIND_FORMAT, 0},
};
