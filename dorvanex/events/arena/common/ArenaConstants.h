// The arena events' world constants (fencing, boxing, weight lifting, clay shooting, table
// tennis) and the ranking screens' update limit. Positions in centimetres, angles in radians,
// times in milliseconds. Compile-time values; the derived ones are written after their
// sources and computed from them.
#pragma once

#include "zq/math/ZqVector3.h"

#include <cstdint>

// Fencing.
inline constexpr ZqVector3 FENCER_FACING(1.0f, 0.0f, 0.0f);
inline constexpr ZqVector3 FENCING_CAMERA_TARGET(0.0f, 300.0f, -400.0f);
inline constexpr ZqVector3 FENCER_POSITION_LEFT(-210.0f, 150.0f, -400.0f);
inline constexpr ZqVector3 FENCER_POSITION_RIGHT(210.0f, 150.0f, -400.0f);
inline constexpr ZqVector3 FENCING_CAMERA_EYE(0.0f, 300.0f, 164.33f);
inline constexpr ZqVector3 FENCING_AMBIENT_EFFECT_POSITION(0.0f, 330.0f, -2000.0f);
inline constexpr float FENCING_STEP_LENGTH = 100.0f * 0.55f;
inline constexpr float FENCING_STEP_X = 55.0f;
inline constexpr float FENCING_STEP_Y = 55.0f;
inline constexpr float FENCING_STEP_Z = 55.0f;
inline constexpr float FENCING_MIN_DISTANCE = 100.0f * 1.6f;

// A motion-frame effect of a fencer: when the motion reaches the frame, the effect plays at
// the bone, moved along x by the offset and turned by the rotation.
struct FencingHitEffect {
    int32_t motion;
    int32_t frame;
    int32_t effect;
    const char16_t* bone;
    ZqVector3 rotation;
    int32_t xOffset;
    int32_t condition;
};
inline constexpr float HALF_PI = 1.5707964f;
inline constexpr FencingHitEffect FENCING_HIT_EFFECTS[4] = {
    {53, 6, 21, u"RightHand", ZqVector3(0.0f, HALF_PI, 0.0f), 25, 0},
    {54, 1, 24, u"RightHand", ZqVector3(0.0f, -HALF_PI, 0.0f), 78, 0},
    {58, 2, 22, u"Hips", ZqVector3(0.0f, HALF_PI, 0.0f), 0, 0},
    {57, 10, 23, u"RightHand", ZqVector3(0.0f, 0.0f, 0.0f), 50, 0},
};

struct FencingStep {
    float kind11;
    float kind12;
    float kind8;
};
inline constexpr FencingStep FENCING_STEP_ROW{FENCING_STEP_X, FENCING_STEP_Y, FENCING_STEP_Z};
inline constexpr FencingStep FENCING_STEP_TABLE[10] = {
    FENCING_STEP_ROW, FENCING_STEP_ROW, FENCING_STEP_ROW, FENCING_STEP_ROW, FENCING_STEP_ROW,
    FENCING_STEP_ROW, FENCING_STEP_ROW, FENCING_STEP_ROW, FENCING_STEP_ROW, FENCING_STEP_ROW,
};
inline constexpr ZqVector3 FENCING_LINE_CENTRE(0.0f, 20.0f, -1100.0f);
inline constexpr ZqVector3 FENCING_LINE_ENDS[2] = {
    ZqVector3(FENCING_LINE_CENTRE.x - 5.0f * 100.0f, FENCING_LINE_CENTRE.y, FENCING_LINE_CENTRE.z),
    ZqVector3(FENCING_LINE_CENTRE.x + 5.0f * 100.0f, FENCING_LINE_CENTRE.y, FENCING_LINE_CENTRE.z),
};

// Boxing.
inline constexpr ZqVector3 BOXER_POSITIONS[2] = {ZqVector3(-190.0f, 100.0f, 177.0f),
                                                 ZqVector3(190.0f, 100.0f, -177.0f)};

// Weight lifting.
inline constexpr ZqVector3 LIFTING_CAMERA_POSITION(0.0f, 205.0f, -400.0f);
inline constexpr ZqVector3 LIFTING_APPROACH_POSITION(550.0f, 115.0f, -50.0f);
inline constexpr ZqVector3 LIFTING_PLATFORM_POSITION(0.0f, 115.0f, 0.0f);
inline constexpr ZqVector3 LIFTING_WAIT_POSITION(-600.0f, 115.0f, -150.0f);
inline constexpr ZqVector3 LIFTING_WAIT_FACING(-1.0f, 0.0f, 0.0f);
inline constexpr float LIFTING_GAUGE_THRESHOLD = 0.5f + 0.3869801163673401f;

// Clay shooting. The clay code's time scale at start is 2.
inline constexpr int32_t CLAY_TIME_SCALE = 2;
inline constexpr int32_t CLAY_BASE_TIMES[24] = {
    1000, 1500, 1800, 2300, 2550, 2700, 4000, 4333, 4666, 5000, 5333, 5666,
    6000, 6333, 6666, 7000, 7250, 7500, 7750, 8000, 8250, 8500, 8750, 9000,
};
struct ClayTimeTable {
    int32_t entries[25];
};
inline constexpr ClayTimeTable CLAY_TIME_TABLE = [] {
    ClayTimeTable table{};
    for (int i = 0; i < 24; ++i) {
        table.entries[i + 1] = CLAY_BASE_TIMES[i] * CLAY_TIME_SCALE;
    }
    return table;
}();
inline constexpr float CLAY_SCENE_TURN = 0.0034906585f;
inline constexpr ZqVector3 CLAY_AREA_SINGLE[8] = {
    ZqVector3(-2210.0f, 614.0f, -1040.0f), ZqVector3(-2210.0f, 260.0f, -1040.0f),
    ZqVector3(-1660.0f, 614.0f, -1040.0f), ZqVector3(-1660.0f, 260.0f, -1040.0f),
    ZqVector3(-2210.0f, 614.0f, 1040.0f),  ZqVector3(-2210.0f, 260.0f, 1040.0f),
    ZqVector3(-1660.0f, 614.0f, 1040.0f),  ZqVector3(-1660.0f, 260.0f, 1040.0f),
};
inline constexpr ZqVector3 CLAY_AREA_BATTLE[8] = {
    ZqVector3(-2210.0f, 614.0f, -1540.0f), ZqVector3(-2210.0f, 260.0f, -1540.0f),
    ZqVector3(-1660.0f, 614.0f, -1540.0f), ZqVector3(-1660.0f, 260.0f, -1540.0f),
    ZqVector3(-2210.0f, 614.0f, 1540.0f),  ZqVector3(-2210.0f, 260.0f, 1540.0f),
    ZqVector3(-1660.0f, 614.0f, 1540.0f),  ZqVector3(-1660.0f, 260.0f, 1540.0f),
};
inline constexpr ZqVector3 SHOOTER_POSITION(-3010.0f, 4.0f, 0.0f);
inline constexpr ZqVector3 SHOOT_CAMERA_EYE(-3410.0f, 150.0f, 0.0f);
inline constexpr ZqVector3 SHOOT_CAMERA_EYE_LOW(-3410.0f, 108.0f, 0.0f);
inline constexpr ZqVector3 SHOOT_CAMERA_TARGET(SHOOT_CAMERA_EYE.x + 100.0f,
                                               SHOOT_CAMERA_EYE.y + 22.5f, SHOOT_CAMERA_EYE.z);
inline constexpr ZqVector3 SHOOT_CAMERA_TARGET_LOW(SHOOT_CAMERA_EYE_LOW.x + 100.0f,
                                                   SHOOT_CAMERA_EYE_LOW.y + 22.5f,
                                                   SHOOT_CAMERA_EYE_LOW.z);
inline constexpr ZqVector3 SHOOT_CAMERA_UP(0.0f, 1.0f, 0.0f);

// Table tennis: the table top's corners at height 80.
inline constexpr ZqVector3 TABLE_CORNERS[4] = {
    ZqVector3(205.0f, 80.0f, 110.0f), ZqVector3(205.0f, 80.0f, -110.0f),
    ZqVector3(-205.0f, 80.0f, -110.0f), ZqVector3(-205.0f, 80.0f, 110.0f)};

// The limit the ranking screens' update compares against.
inline constexpr float RANKING_UPDATE_LIMIT = 11500.0f / 60.0f;
