// EventId: the ten events, named once, with what the play state, the ranking and the data set
// need to know of each. An event's chapter is its number after FIRST_EVENT_CHAPTER.
#pragma once

#include "dorvanex/core/flow/ChapterId.h"

#include <cstdint>

enum class EventId : uint32_t {
    SPRINT_100M = 0,
    HURDLES_110M = 1,
    LONG_JUMP = 2,
    JAVELIN = 3,
    BOXING = 4,
    SHOOTING = 5,
    POLE_VAULT = 6,
    WEIGHTLIFTING = 7,
    TABLE_TENNIS = 8,
    FENCING = 9,
};

struct EventRow {
    EventId id;
    ChapterId chapter;
    // Times rank low first; the other results high first.
    bool lowerIsBetter;
    // Two athletes against each other; a duel result can be a loss.
    bool duel;
    // The value a result is rated against for the difficulty.
    float referenceValue;
    // The event's background music, a file under sound/bgm.
    const char* bgmTrack;
};

inline constexpr EventRow EVENT_ROWS[] = {
    {EventId::SPRINT_100M, ChapterId::EVENT_100M, true, false, 10.83f, "SP100MBGM.adpcm.sound"},
    {EventId::HURDLES_110M, ChapterId::EVENT_110M_HURDLES, true, false, 16.10f,
     "SPhurdleBGM.adpcm.sound"},
    {EventId::LONG_JUMP, ChapterId::EVENT_LONG_JUMP, false, false, 8.20f,
     "SPLongJumpBGM.adpcm.sound"},
    {EventId::JAVELIN, ChapterId::EVENT_JAVELIN, false, false, 82.56f, "SPJavelinBGM.adpcm.sound"},
    {EventId::BOXING, ChapterId::EVENT_BOXING, true, true, 30.0f, "SPBoxingBGM.adpcm.sound"},
    {EventId::SHOOTING, ChapterId::EVENT_SHOOTING, false, false, 39.0f,
     "SPShootingBGM.adpcm.sound"},
    {EventId::POLE_VAULT, ChapterId::EVENT_POLE_VAULT, false, false, 19.52f,
     "SPvaultBGM.adpcm.sound"},
    {EventId::WEIGHTLIFTING, ChapterId::EVENT_WEIGHTLIFTING, false, false, 210.0f,
     "SPLiftingBGM.adpcm.sound"},
    {EventId::TABLE_TENNIS, ChapterId::EVENT_TABLE_TENNIS, true, true, 30.0f,
     "SPPingpongBGM.adpcm.sound"},
    {EventId::FENCING, ChapterId::EVENT_FENCING, true, true, 30.0f, "SPFencingBGM.adpcm.sound"},
};

inline constexpr uint32_t EVENT_COUNT = sizeof(EVENT_ROWS) / sizeof(EVENT_ROWS[0]);

constexpr uint32_t eventNumber(const EventId id) {
    return static_cast<uint32_t>(id);
}

// The row of an event number; null when there is no such event.
constexpr const EventRow* findEvent(const uint32_t event) {
    return event < EVENT_COUNT ? &EVENT_ROWS[event] : nullptr;
}

// The rows are in event order and each sits at its own chapter.
constexpr bool eventRowsInOrder() {
    for (uint32_t e = 0; e < EVENT_COUNT; ++e) {
        if (eventNumber(EVENT_ROWS[e].id) != e ||
            chapterNumber(EVENT_ROWS[e].chapter) != FIRST_EVENT_CHAPTER + static_cast<int32_t>(e)) {
            return false;
        }
    }
    return true;
}
static_assert(eventRowsInOrder());
static_assert(FIRST_EVENT_CHAPTER + static_cast<int32_t>(EVENT_COUNT) - 1 == LAST_EVENT_CHAPTER);
