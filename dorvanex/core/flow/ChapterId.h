// ChapterId: the chapter numbers the chapter manager switches between, named once. Numbers
// missing here (1, 12, 13, 27 to 29, 33, 35 and 43 or more) have no chapter. The table that
// builds each chapter and names the chapter that follows it lives in core/app (ChapterTable).
#pragma once

#include <cstdint>

enum class ChapterId : int32_t {
    STARTUP = 0,
    WARNING = 2,
    TITLE = 3,
    DEMO_LOOP = 4,
    SELECT_MODE = 5,
    SELECT_CHARACTER = 6,
    SELECT_GAME = 7,
    SELECT_NAME = 8,
    CONTINUE = 9,
    UPLOAD_RESULT = 10,
    TOTAL_RESULT = 11,
    GAME_OVER = 14,
    THANKS = 15,
    STAFF_ROLL = 16,
    // The ten event directors: chapter = FIRST_EVENT + event number (core/play/EventId.h).
    EVENT_100M = 17,
    EVENT_110M_HURDLES = 18,
    EVENT_LONG_JUMP = 19,
    EVENT_JAVELIN = 20,
    EVENT_BOXING = 21,
    EVENT_SHOOTING = 22,
    EVENT_POLE_VAULT = 23,
    EVENT_WEIGHTLIFTING = 24,
    EVENT_TABLE_TENNIS = 25,
    EVENT_FENCING = 26,
    TEST_MENU = 30,
    TEST_CHARACTER = 31,
    TEST_SCENE = 32,
    TEST_EFFECT = 34,
    TEST_CAMERA = 36,
    TEST_GAMES = 37,
    TEST_INTERNET_RANKING = 38,
    TEST_SCENE_2 = 39,
    OPERATOR_MENU = 40,
    BOOT = 41,
    SELF_CHECK = 42,
};

constexpr int32_t chapterNumber(const ChapterId id) {
    return static_cast<int32_t>(id);
}

// The highest chapter number; numbers above it have no chapter.
constexpr int32_t LAST_CHAPTER = chapterNumber(ChapterId::SELF_CHECK);
constexpr int32_t FIRST_EVENT_CHAPTER = chapterNumber(ChapterId::EVENT_100M);
constexpr int32_t LAST_EVENT_CHAPTER = chapterNumber(ChapterId::EVENT_FENCING);
