// Look-ups the displays of this folder share: a layout or texture of the resource manager
// (the per-scene copy when bank 1 holds one, else the resident one), a cell read only after
// checking it against the layout's table, and the screen position a cell callback's matrix
// gives. Main thread only.
#pragma once

#include <cstdint>

class CDldFile;
class ZqGlTexture;
class ZqMatrix;
struct CDldCell;

// Null when neither bank holds the row (or there is no resource manager).
CDldFile* findHudLayout(uint32_t row);
ZqGlTexture* findHudTexture(uint32_t row);
// False (out untouched) when the layout is null or has no such cell.
bool readHudCell(const CDldFile* file, uint32_t cell, CDldCell& out);
// The texture a cell names; null for a cell without one or a slot the layout lacks.
ZqGlTexture* getHudCellTexture(const CDldFile& file, const CDldCell& cell);

// The translation and x scale a placement's matrix carries (row vectors).
struct HudPlace {
    float x = 0.0f;
    float y = 0.0f;
    float scaleX = 1.0f;
};
HudPlace getHudPlace(const ZqMatrix& matrix);
