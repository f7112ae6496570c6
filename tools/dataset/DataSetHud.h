// The data set's score and panel art: the digit texture (row 163), the result layout 42 with
// its glyph and unit strips and the shared portrait sheet and rank strip, the event panel
// layout 50, the record board layout 58 and the offline banner layout 60, with their
// textures. All text is drawn with the data set's font (DataSetText.h). The builder asks
// here first for these rows; tests use the constants to know what the art holds.
#pragma once

#include <cstdint>
#include <vector>

namespace zqds {

// Font scales and ink colours of the digit strips.
constexpr uint32_t DIGIT_TEXTURE_SCALE = 3; // row 163, 18 x 32 cells
constexpr uint32_t RESULT_GLYPH_SCALE = 4;  // layout 42, 24 x 36 cells
constexpr uint32_t BOARD_GLYPH_SCALE = 3;   // layout 58, 20 x 30 cells
constexpr uint32_t LABEL_SCALE = 2;         // units, plates, "BEST", the banner
constexpr uint32_t WHITE_RGB = 0xFFFFFF;
constexpr uint32_t AMBER_RGB = 0xFFB000;
constexpr uint32_t LABEL_RGB = 0xFFFFFF;
constexpr uint32_t BEST_LABEL_RGB = 0xFFE040;

// The unit labels of layout 42's unit strip by unit index.
constexpr const char* UNIT_LABELS[6] = {"KG", "M", "SEC", "M", "", "HITS"};
// The intro titles of layout 50 by event.
constexpr const char* EVENT_TITLES[10] = {
    "100M",          "110M HURDLES", "LONG JUMP",      "JAVELIN",      "BOXING",
    "CLAY SHOOTING", "POLE VAULT",   "WEIGHT LIFTING", "TABLE TENNIS", "FENCING"};

// Whether the builder takes this row from here, and its bytes (a layout image or a PNG).
bool isHudRow(uint32_t row);
std::vector<uint8_t> makeHudMember(uint32_t row);

} // namespace zqds
