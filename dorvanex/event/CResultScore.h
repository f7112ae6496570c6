// Result displays: CResultScore formats an event's result by the event's kind (a time or
// distance with two decimals, or a whole number; a dash text when there is none) from the
// glyphs of layout 42 and draws the event's unit behind it; CScoreAdvanced is the same with
// its own widths, six unit frames that its subclasses make, and a flag that leaves the unit
// frames alone (whole numbers only). Texts are formatted bounded: a value too long for the
// text shows its first characters. Main thread only.
#pragma once

#include "dorvanex/event/CScoreBase.h"

class CResultScore : public CScoreBase {
public:
    // Digit count and unit index from the event table; an event outside 0..9 is ignored.
    void setEvent(uint32_t event);
    // setEvent, then the glyphs and the unit frame from layout 42 (null: the resource
    // manager's). False, drawing nothing, when the layout or one of its cells 12, 57, 58 is
    // missing.
    bool createFromLayout(uint32_t event, CDldFile* layout = nullptr);
    // The event's format; a text below 0.0001 (or not finite) is the event's dash text.
    // Leaves the text alone until the score has an event. alternate is not used: the point
    // is always the plain one.
    void setValue(float value, bool alternate = false) override;
    void setScale(float sx, float sy) override;
    void draw() override;
    void release() override;

    uint32_t getEvent() const { return m_event; }
    uint32_t getUnit() const { return m_unit; }
    // Width of the text as the unit frame's offset (unscaled pixels).
    float getWidth() const { return m_width; }

protected:
    void forEachExtraFrame(void (*apply)(CDldFrame&, const void*), const void* arg) override;

private:
    CDldFrame* m_pUnit = nullptr;
    float m_width = 0.0f;
    uint32_t m_unit = hud::NR_UNITS;
    uint32_t m_event = hud::NO_EVENT;
    float m_unitScaleX = 1.0f;
    float m_unitScaleY = 1.0f;
};

class CScoreAdvanced : public CScoreBase {
public:
    void setEvent(uint32_t event);
    // Digit count from the value: "%.2f" or "%d" of it (dash texts below 0.0001 or when not
    // finite); with the leave-alone flag always "%d" of the integer part.
    void setValue(float value, bool alternate) override;
    void draw() override;
    void release() override;
    // Makes the unit frames; the subclasses of the results and the attract loop do.
    virtual void createUnitFrames() {}

    void setLeaveUnits(bool leave) { m_leaveUnits = leave; }
    uint32_t getEvent() const { return m_event; }
    uint32_t getUnit() const { return m_unit; }
    float getWidth() const { return m_width; }

protected:
    void forEachExtraFrame(void (*apply)(CDldFrame&, const void*), const void* arg) override;

    CDldFrame* m_units[hud::NR_UNITS] = {};
    uint32_t m_event = hud::NO_EVENT;
    uint32_t m_unit = hud::NR_UNITS;
    float m_width = 0.0f;
    bool m_leaveUnits = false;
};
