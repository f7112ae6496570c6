// CStandInChapter: stand-in until the front-end screens, the operator chapters and the event
// directors land. One class for every chapter number that has a class: it loads nothing but
// the resident bank (chapter 0), shows its number, and goes on to the successors the chapter
// table gives it: one when player 1's first button goes on, the other after
// STAND_IN_DURATION_MS of frame time. The
// boot (41) and self-check (42) stand-ins enable TEST as the real ones do; 41 starts the LED
// controller and 42 shows the pending operator error. The start-up stand-in (0) loads the resident
// bank and then sets up the background.
// Stand-in: shows its number, goes on after 3 s or a button; replaced by #46 to #63.
#pragma once

#include "dorvanex/core/flow/CSequence.h"
#include "dorvanex/core/flow/ChapterId.h"

#include <cstdint>

class CStandInChapter : public CSequence {
public:
    static constexpr float STAND_IN_DURATION_MS = 3000.0f;

    CStandInChapter(int32_t number, int32_t next, int32_t nextOnButton)
        : m_number(number), m_next(next), m_nextOnButton(nextOnButton) {}

    bool create() override;
    bool load() override;
    bool isLoadFinished() override;
    bool start() override;
    bool update(float timeTick) override;
    void render(float timeTick) override;

    int32_t getNumber() const { return m_number; }
    // The number this stand-in goes on to.
    int32_t successor(bool button) const { return button ? m_nextOnButton : m_next; }

private:
    int32_t m_number;
    int32_t m_next;
    int32_t m_nextOnButton;
    float m_time = 0.0f;
};
