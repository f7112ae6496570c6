#include "tools/dataset/CameraPaths.h"

#include "dorvanex/scene/CResourceManifest.h"
#include "tools/anim/ZqAnimWriter.h"

#include <cmath>
#include <string>

namespace zqds {

namespace {

struct Vec {
    float x, y, z;
};

Vec operator+(const Vec a, const Vec b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec operator-(const Vec a, const Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec operator*(const Vec a, const float s) {
    return {a.x * s, a.y * s, a.z * s};
}
Vec cross(const Vec a, const Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec normalize(const Vec a) {
    const float l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return l > 0.0f ? a * (1.0f / l) : a;
}
Vec lerp(const Vec a, const Vec b, const float t) {
    return a + (b - a) * t;
}

constexpr float NEAR = 10.0f;
constexpr float FAR = 100000.0f;
constexpr float ASPECT = 4.0f / 3.0f;
constexpr int16_t FRAMES_DEFAULT = 180; // 3 s at 60 frames a second
constexpr int16_t FRAMES_INTRO = 240;
constexpr uint16_t KEY_STEP = 10;

// Where each event's stage lies (archive of camera paths -> centre of its stage, cm).
struct Stage {
    uint32_t archive;
    Vec centre;
};
constexpr Stage STAGES[] = {
    {30, {-850.0f, 100.0f, 3870.0f}},   // 100 m: the middle of the course
    {65, {-850.0f, 100.0f, 3870.0f}},   // 110 m hurdles: the same straight
    {66, {2000.0f, 250.0f, -1500.0f}},  // pole vault: the bar
    {67, {1500.0f, 50.0f, -3000.0f}},   // long jump: the pit
    {68, {0.0f, 120.0f, 0.0f}},         // fencing: the piste
    {69, {0.0f, 130.0f, 0.0f}},         // boxing: the ring
    {70, {0.0f, 90.0f, 0.0f}},          // table tennis: the table
    {71, {-2000.0f, 150.0f, -2500.0f}}, // javelin: the runway's end
    {72, {0.0f, 110.0f, 0.0f}},         // weight lifting: the platform
    {73, {0.0f, 150.0f, 0.0f}},         // clay shooting: the stand
};

// The course of the 100 m.
constexpr Vec START_LINE{-5850.0f, 100.0f, 3870.0f};
constexpr float FINISH_X = 4150.0f;
constexpr float LANE_FIRST_Z = 3710.0f;
constexpr float LANE_LAST_Z = 4030.0f;
// The side shots stand beside the lanes here.
constexpr float SIDE_Z = 5200.0f;

// The rows of the 100 m by their position in archive 30.
enum : uint32_t {
    ROW_INIT = 0,
    ROW_VIEWER = 1,
    ROW_READY = 2,
    ROW_AIM_FIRST = 3,
    ROW_AIM_LAST = 5,
    ROW_RESULT = 6,
};

// A path of eye and target positions over time t in 0..1.
struct Shot {
    int16_t frames = FRAMES_DEFAULT;
    uint8_t loop = 0;
    float fov = 40.0f;
    Vec (*eye)(float t, const Vec& centre, float seed) = nullptr;
    Vec (*target)(float t, const Vec& centre, float seed) = nullptr;
    Vec centre{0.0f, 0.0f, 0.0f};
    float seed = 0.0f;
};

// The camera's placement (rows side, up, back) as a quaternion in the framework's
// row-vector convention.
void lookQuat(const Vec eye, const Vec target, float q[4]) {
    const Vec back = normalize(eye - target);
    const Vec side = normalize(cross(Vec{0.0f, 1.0f, 0.0f}, back));
    const Vec up = cross(back, side);
    const float m[3][3] = {{side.x, side.y, side.z}, {up.x, up.y, up.z}, {back.x, back.y, back.z}};
    const float trace = m[0][0] + m[1][1] + m[2][2];
    if (trace > 0.0f) {
        const float s = 0.5f / std::sqrt(trace + 1.0f);
        q[3] = 0.25f / s;
        q[0] = (m[1][2] - m[2][1]) * s;
        q[1] = (m[2][0] - m[0][2]) * s;
        q[2] = (m[0][1] - m[1][0]) * s;
    } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
        const float s = 2.0f * std::sqrt(1.0f + m[0][0] - m[1][1] - m[2][2]);
        q[3] = (m[1][2] - m[2][1]) / s;
        q[0] = 0.25f * s;
        q[1] = (m[1][0] + m[0][1]) / s;
        q[2] = (m[2][0] + m[0][2]) / s;
    } else if (m[1][1] > m[2][2]) {
        const float s = 2.0f * std::sqrt(1.0f + m[1][1] - m[0][0] - m[2][2]);
        q[3] = (m[2][0] - m[0][2]) / s;
        q[0] = (m[1][0] + m[0][1]) / s;
        q[1] = 0.25f * s;
        q[2] = (m[2][1] + m[1][2]) / s;
    } else {
        const float s = 2.0f * std::sqrt(1.0f + m[2][2] - m[0][0] - m[1][1]);
        q[3] = (m[0][1] - m[1][0]) / s;
        q[0] = (m[2][0] + m[0][2]) / s;
        q[1] = (m[2][1] + m[1][2]) / s;
        q[2] = 0.25f * s;
    }
}

std::vector<uint8_t> write(const Shot& shot) {
    zq_anim_writer::CameraAnimation a;
    a.frameCount = shot.frames;
    a.loopMode = shot.loop;
    a.fps = 60;
    const auto last = static_cast<uint16_t>(shot.frames - 1);
    for (uint16_t f = 0;; f = static_cast<uint16_t>(f + KEY_STEP)) {
        const uint16_t frame = f < last ? f : last;
        const float t = static_cast<float>(frame) / static_cast<float>(last);
        const Vec eye = shot.eye(t, shot.centre, shot.seed);
        const Vec target = shot.target(t, shot.centre, shot.seed);
        float q[4];
        lookQuat(eye, target, q);
        a.tracks[0].frames.push_back(frame);
        a.tracks[0].values.insert(a.tracks[0].values.end(), {q[0], q[1], q[2], q[3]});
        a.tracks[1].frames.push_back(frame);
        a.tracks[1].values.insert(a.tracks[1].values.end(), {eye.x, eye.y, eye.z, 1.0f});
        if (frame == last) {
            break;
        }
    }
    const float single[4] = {shot.fov, NEAR, FAR, ASPECT};
    for (int k = 2; k < 6; ++k) {
        a.tracks[k].frames = {0};
        a.tracks[k].values = {single[k - 2]};
    }
    return zq_anim_writer::write(a);
}

// ---- the 100 m ------------------------------------------------------------------------
// From high above the stands down to the start line, looking at it throughout.
Vec initEye(const float t, const Vec&, float) {
    return lerp(START_LINE + Vec{1500.0f, 2900.0f, 6000.0f},
                START_LINE + Vec{300.0f, 150.0f, 1500.0f}, t);
}
Vec initTarget(float, const Vec&, float) {
    return START_LINE;
}
// Along the four runners at the blocks, at eye height.
Vec viewerEye(float, const Vec&, float) {
    return Vec{START_LINE.x + 700.0f, 160.0f, 3300.0f};
}
Vec viewerTarget(const float t, const Vec&, float) {
    return Vec{START_LINE.x, 100.0f, LANE_FIRST_Z + (LANE_LAST_Z - LANE_FIRST_Z) * t};
}
// A low, slow push-in on the blocks from in front.
Vec readyEye(const float t, const Vec&, float) {
    return lerp(START_LINE + Vec{800.0f, -40.0f, 300.0f}, START_LINE + Vec{350.0f, -50.0f, 150.0f},
                t);
}
Vec readyTarget(float, const Vec&, float) {
    return START_LINE + Vec{0.0f, -60.0f, 0.0f};
}
// Side shots beside the lanes, looking across them a little downward and turned a little.
Vec sideEye(const float t, const Vec&, const float seed) {
    return Vec{START_LINE.x + 1500.0f + 2500.0f * seed + 1000.0f * t, 180.0f, SIDE_Z};
}
Vec sideTarget(const float t, const Vec& centre, const float seed) {
    const Vec eye = sideEye(t, centre, seed);
    return Vec{eye.x + 250.0f, 100.0f, 3870.0f};
}
// The finish line: the result view.
Vec resultEye(const float t, const Vec&, float) {
    return Vec{FINISH_X + 600.0f - 200.0f * t, 300.0f, 3870.0f + 1400.0f};
}
Vec resultTarget(float, const Vec&, float) {
    return Vec{FINISH_X, 100.0f, 3870.0f};
}

// ---- every other row: a sweep around the stage -------------------------------------------
Vec sweepEye(const float t, const Vec& centre, const float seed) {
    const float radius = 900.0f + 60.0f * seed;
    const float a = (seed - 4.0f) * 0.1f + (t - 0.5f) * 0.9f;
    return centre + Vec{radius * std::sin(a), 200.0f + 30.0f * seed, radius * std::cos(a)};
}
Vec sweepTarget(float, const Vec& centre, float) {
    return centre;
}

bool contains(const std::u16string& s, const char16_t* part) {
    return s.find(part) != std::u16string::npos;
}

} // namespace

std::vector<uint8_t> makeCameraPath(const uint32_t row) {
    const CResourceEntry& entry = getResourceEntry(row);
    if (getResourceKindOfName(entry.name) != KIND_CAMERA_ANIMATION) {
        return {};
    }
    const uint32_t index = row - getArchiveFirstRow(entry.archive);
    Shot shot;
    shot.eye = sweepEye;
    shot.target = sweepTarget;
    for (const Stage& s : STAGES) {
        if (s.archive == entry.archive) {
            shot.centre = s.centre;
        }
    }
    shot.seed = static_cast<float>(index % 9);
    const std::u16string name(entry.name);
    if (contains(name, u"Intro")) {
        shot.frames = FRAMES_INTRO;
    }
    if (contains(name, u"demo_loop")) {
        shot.loop = 1;
    }
    if (entry.archive == 30) {
        switch (index) {
        case ROW_INIT:
            shot = Shot{120, 0, 45.0f, initEye, initTarget};
            break;
        case ROW_VIEWER:
            shot = Shot{240, 0, 40.0f, viewerEye, viewerTarget};
            break;
        case ROW_READY:
            shot = Shot{180, 0, 35.0f, readyEye, readyTarget};
            break;
        case ROW_RESULT:
            shot = Shot{180, 0, 40.0f, resultEye, resultTarget};
            break;
        default:
            if (index >= ROW_AIM_FIRST && index <= ROW_AIM_LAST) {
                shot = Shot{120,
                            0,
                            35.0f,
                            sideEye,
                            sideTarget,
                            {},
                            static_cast<float>(index - ROW_AIM_FIRST)};
            }
            break;
        }
    }
    return write(shot);
}

} // namespace zqds
