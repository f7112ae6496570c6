#include "dorvanex/core/app/ChapterTable.h"

#include "dorvanex/core/flow/CSequence.h"
#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/screens/CStandInChapter.h"

namespace {

std::unique_ptr<CSequence> makeStandIn(const ChapterRow& row) {
    return std::make_unique<CStandInChapter>(chapterNumber(row.id), chapterNumber(row.next),
                                             chapterNumber(row.nextOnButton));
}

// A stand-in row whose successor does not depend on the button.
constexpr ChapterRow standIn(const ChapterId id, const char* const name, const ChapterId next) {
    return {id, name, makeStandIn, next, next};
}

using enum ChapterId;

constexpr ChapterRow CHAPTERS[] = {
    standIn(STARTUP, "startup", BOOT),
    standIn(WARNING, "warning", TITLE),
    // The title goes to the attract demo after its time, to mode select on a button.
    {TITLE, "title", makeStandIn, DEMO_LOOP, SELECT_MODE},
    standIn(DEMO_LOOP, "demo loop", TITLE),
    standIn(SELECT_MODE, "select mode", SELECT_CHARACTER),
    standIn(SELECT_CHARACTER, "select character", SELECT_GAME),
    standIn(SELECT_GAME, "select game", EVENT_100M),
    standIn(SELECT_NAME, "select name", WARNING),
    standIn(CONTINUE, "continue", GAME_OVER),
    standIn(UPLOAD_RESULT, "upload result", TOTAL_RESULT),
    standIn(TOTAL_RESULT, "total result", STAFF_ROLL),
    standIn(GAME_OVER, "game over", WARNING),
    standIn(THANKS, "thanks", WARNING),
    standIn(STAFF_ROLL, "staff roll", THANKS),
    standIn(EVENT_100M, "100 m", CONTINUE),
    standIn(EVENT_110M_HURDLES, "110 m hurdles", CONTINUE),
    standIn(EVENT_LONG_JUMP, "long jump", CONTINUE),
    standIn(EVENT_JAVELIN, "javelin", CONTINUE),
    standIn(EVENT_BOXING, "boxing", CONTINUE),
    standIn(EVENT_SHOOTING, "shooting", CONTINUE),
    standIn(EVENT_POLE_VAULT, "pole vault", CONTINUE),
    standIn(EVENT_WEIGHTLIFTING, "weightlifting", CONTINUE),
    standIn(EVENT_TABLE_TENNIS, "table tennis", CONTINUE),
    standIn(EVENT_FENCING, "fencing", CONTINUE),
    standIn(TEST_MENU, "test menu", WARNING),
    standIn(TEST_CHARACTER, "test character", WARNING),
    standIn(TEST_SCENE, "test scene", TEST_SCENE),
    standIn(TEST_EFFECT, "test effect", WARNING),
    standIn(TEST_CAMERA, "test camera", WARNING),
    standIn(TEST_GAMES, "test games", EVENT_100M),
    standIn(TEST_INTERNET_RANKING, "test internet ranking", WARNING),
    standIn(TEST_SCENE_2, "test scene 2", WARNING),
    standIn(OPERATOR_MENU, "operator menu", WARNING),
    standIn(BOOT, "boot", SELF_CHECK),
    standIn(SELF_CHECK, "self-check", WARNING),
};

} // namespace

std::span<const ChapterRow> chapterTable() {
    return CHAPTERS;
}

const ChapterRow* findChapter(const int32_t number) {
    for (const ChapterRow& row : CHAPTERS) {
        if (chapterNumber(row.id) == number) {
            return &row;
        }
    }
    return nullptr;
}

std::unique_ptr<CSequence> SequenceFactory(const int32_t number) {
    const ChapterRow* const row = findChapter(number);
    return row != nullptr ? row->make(*row) : nullptr;
}
