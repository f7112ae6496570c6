// The numbers the score displays, the record board, the offline banner and the event panel
// take from the layouts: layout rows of the manifest, the layers and cells they address, and
// the per-event table of digit counts and unit frames. Plain constants; no code.
#pragma once

#include <cstdint>

namespace hud {

constexpr uint32_t NR_EVENTS = 10;
// The event number of a score that has none yet.
constexpr uint32_t NO_EVENT = 10;

// Per event: digits of a result score, digits of an advanced score, the unit frame's index in
// the unit strip (0 kg, 1 and 3 metres, 2 seconds, 5 hits; 4 unused), and whether the value
// is shown with two decimals (else as a whole number).
struct EventFormat {
    uint32_t resultDigits;
    uint32_t advancedDigits;
    uint32_t unit;
    bool decimal;
};
constexpr EventFormat EVENT_FORMATS[NR_EVENTS] = {
    {5, 5, 2, true},  // 100 m
    {5, 5, 2, true},  // 110 m hurdles
    {4, 5, 3, true},  // long jump
    {6, 6, 3, true},  // javelin
    {2, 2, 2, false}, // boxing
    {2, 2, 5, false}, // clay shooting
    {5, 5, 1, true},  // pole vault
    {3, 3, 0, false}, // weight lifting
    {2, 3, 2, false}, // table tennis
    {2, 2, 2, false}, // fencing
};
// What a result score shows below 0.0001, by event.
constexpr const char* RESULT_DASHES[NR_EVENTS] = {"--.--", "--.--", "-.--", " --.--", "--",
                                                  "--",    "--.--", "---",  "--",     "--"};

// Glyph numbers of the digit strips.
constexpr uint32_t NR_GLYPHS = 15;
constexpr uint32_t GLYPH_POINT = 10;
constexpr uint32_t GLYPH_APOSTROPHE = 11;
constexpr uint32_t GLYPH_ALT_POINT = 12;
constexpr uint32_t GLYPH_MINUS = 13;
constexpr uint32_t GLYPH_BLANK = 14;
// A text holds at most this many characters (and its terminator).
constexpr uint32_t MAX_DIGITS = 10;
constexpr uint32_t TEXT_SIZE = MAX_DIGITS + 1;
constexpr uint32_t SCORE_PRIORITY = 20;
// The default glyph table's rows in the digit texture.
constexpr uint16_t FIRST_ROW_Y = 0;
constexpr uint16_t SECOND_ROW_Y = 32;
constexpr uint16_t DEFAULT_GLYPH_H = 32;

// The texture of the default glyph table (the event panel's best record).
constexpr uint32_t DIGIT_TEXTURE_ROW = 163;

// Layout 42: the result scores.
constexpr uint32_t RESULT_LAYOUT_ROW = 42;
constexpr uint32_t RESULT_CELL_SIZE = 12;
constexpr uint32_t RESULT_CELL_STRIP = 57;
constexpr uint32_t RESULT_CELL_UNITS = 58;
constexpr uint16_t RESULT_NARROW_W = 18; // glyphs 10 to 12
constexpr uint16_t UNIT_W = 56;
constexpr uint16_t UNIT_H = 28;
constexpr uint32_t NR_UNITS = 6;

// Layout 58: the record board.
constexpr uint32_t BOARD_LAYOUT_ROW = 58;
constexpr uint32_t BOARD_CELL_FACE_SIZE = 0;
constexpr uint32_t BOARD_CELL_GLYPH_SIZE = 4;
constexpr uint32_t BOARD_CELL_BADGE_H = 8;
constexpr uint32_t BOARD_CELL_FACES = 12;
constexpr uint32_t BOARD_CELL_STRIP = 14;
constexpr uint32_t BOARD_CELL_BADGES = 15;
constexpr uint32_t BOARD_DEPTH = 19;
constexpr uint32_t BOARD_LAYERS_PER_BOARD = 3;
constexpr uint32_t FACE_COLUMNS = 3;

// Layout 60: the offline banner.
constexpr uint32_t OFFLINE_LAYOUT_ROW = 60;
constexpr uint32_t OFFLINE_LAYER_IN = 1;
constexpr uint32_t OFFLINE_LAYER_LOOP = 2;
constexpr uint32_t OFFLINE_LAYER_OUT = 3;
constexpr uint32_t OFFLINE_PRIORITY = 37;

} // namespace hud
