// CScoreBase: a short text (digits, point, apostrophe, minus, blank) drawn from a strip of
// glyph images, one layout frame per glyph number, placed glyph after glyph at draw time (so a
// glyph that appears twice is drawn at each place). CRankScore is a record-board row whose
// glyphs come from layout 58. Texts hold at most 10 characters; the digit count is capped
// there too, so nothing is read past the text. Main thread only; draws through the layout
// player's queues (dorvanex/dld).
#pragma once

#include "dorvanex/event/EventHudTables.h"

#include <cstdint>

class CDldElementList;
class CDldFile;
class CDldFrame;
class ZqGlTexture;

// One glyph's rectangle in texture pixels.
struct CScoreCell {
    uint16_t x = 0, y = 0, width = 0, height = 0;
};

class CScoreBase {
public:
    CScoreBase() = default;
    virtual ~CScoreBase();
    CScoreBase(const CScoreBase&) = delete;
    CScoreBase& operator=(const CScoreBase&) = delete;

    // The 15 glyph frames over the texture: the given table of 15 cells, or the default one
    // (on the texture's row at y = 32 with secondRow). False, drawing nothing, when the
    // texture is null. The digit count is capped at 10.
    virtual bool create(ZqGlTexture* texture, uint32_t digitCount, const CScoreCell* glyphTable,
                        bool secondRow);
    virtual void release();
    // At most 10 characters are kept; a longer text is cut there.
    virtual void setText(const char* text);
    // Two decimals with a leading zero below 10 (5.2 shows 05.20); without alternate, a value
    // below 0.0001 (or not finite) shows "--.--". Alternate also picks the alternate point.
    virtual void setValue(float value, bool alternate);
    virtual void draw();

    void setPosition(float x, float y);
    void setVisible(bool visible) { m_visible = visible; }
    virtual void setScale(float sx, float sy);
    void setPivot(float x, float y);
    void setAlpha(float alpha);
    void setBlend(uint32_t mode);
    void setPriority(uint32_t priority) { m_priority = priority; }

    const char* getText() const { return m_text; }
    uint32_t getDigitCount() const { return m_digitCount; }
    const CScoreCell& getGlyphCell(uint32_t glyph) const;
    bool isCreated() const { return m_pList != nullptr; }
    // The glyph number a character draws.
    uint32_t glyphOf(char c) const;
    // The glyphs draw would show now, in order, and how many (at most 10).
    uint32_t getDrawnGlyphs(uint32_t (&out)[hud::MAX_DIGITS]) const;

    static void makeDefaultGlyphTable(bool secondRow, CScoreCell (&out)[hud::NR_GLYPHS]);

protected:
    // A new list of `elements` frames; the glyph frames over the texture. False on failure
    // (everything undone).
    bool buildFrames(ZqGlTexture* texture, uint32_t elements);
    void setDigitCount(uint32_t count);
    // The glyphs from a layout's strip: glyph g is the cell {strip x + g x cell width, strip y,
    // cell width (narrowWidth for glyphs 10 to 12 when given), cell height} of the strip
    // cell's texture, the cell size from sizeCell; frames in a new list of `elements`. The
    // layout (null: the row from the resource manager) is handed back. False, drawing
    // nothing, when the layout, a cell or the texture is missing.
    bool buildFromLayoutStrip(CDldFile*& layout, uint32_t row, uint32_t sizeCell,
                              uint32_t stripCell, uint16_t narrowWidth, uint32_t elements);
    // Glyph widths the formats use for their drawn widths.
    float digitWidth() const { return m_glyphs[0].width; }
    float pointWidth() const {
        return m_glyphs[m_altPoint ? hud::GLYPH_ALT_POINT : hud::GLYPH_POINT].width;
    }
    float minusWidth() const { return m_glyphs[hud::GLYPH_MINUS].width; }
    // Every frame the list holds past the glyphs, for the frame setters.
    virtual void forEachExtraFrame(void (*apply)(CDldFrame&, const void*), const void* arg);

    CDldElementList* m_pList = nullptr;
    CDldFrame* m_frames[hud::NR_GLYPHS] = {};
    CScoreCell m_glyphs[hud::NR_GLYPHS] = {};
    char m_text[hud::TEXT_SIZE] = {};
    uint32_t m_digitCount = 0;
    float m_x = 0.0f;
    float m_y = 0.0f;
    float m_scaleX = 1.0f;
    float m_scaleY = 1.0f;
    bool m_visible = true;
    bool m_secondRow = false;
    bool m_altPoint = true;
    uint32_t m_priority = hud::SCORE_PRIORITY;
    // Of scores built from a layout strip: its origin and cell size (0 until built).
    int32_t m_glyphX = 0;
    int32_t m_glyphY = 0;
    int32_t m_cellW = 0;
    int32_t m_cellH = 0;

private:
    void applyToFrames(void (*apply)(CDldFrame&, const void*), const void* arg);
};

// A record-board row.
class CRankScore : public CScoreBase {
public:
    // Glyphs from layout 58 (null: the board's copy from the resource manager): the strip at
    // cell 14 in steps of cell 4's size. False, drawing nothing, when the layout or a cell is
    // missing.
    bool createFromLayout(uint32_t digitCount, CDldFile* layout = nullptr);
};

// "%.2f" (or the given format) into at most `size` - 1 characters, always terminated; the
// part that does not fit is cut.
void formatScoreText(char* out, uint32_t size, const char* format, double value);
void formatScoreInt(char* out, uint32_t size, const char* format, int64_t value);
// The digits of a value's integer part (at least 1); values past int64 count as 19.
uint32_t countIntegerDigits(double value);
