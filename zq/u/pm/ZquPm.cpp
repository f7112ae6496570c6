#include "zq/u/pm/ZquPm.h"

#include "zq/file/ZqByteReader.h"
#include "zq/u/pm/ZquPmFormat.h"

#include <cmath>
#include <limits>

namespace ZquPm {

namespace {

RandState g_rand;

} // namespace

int32_t randNext() {
    // The multiplier is 1664523 (not the textbook 1664525): sequences follow it.
    g_rand.state = g_rand.state * 1664523u + 1013904223u + g_rand.counter;
    g_rand.counter += 1;
    g_rand.h = g_rand.h * 214013u + 2531011u;
    g_rand.state += (g_rand.h >> 16) & 0x7FFFu;
    return static_cast<int32_t>(g_rand.state);
}

uint32_t randMod(const uint32_t n) {
    const uint32_t s = static_cast<uint32_t>(randNext());
    return n != 0 ? s % n : 0;
}

int32_t randSigned(const int32_t n) {
    if (n <= 0) {
        return 0;
    }
    return randNext() % n;
}

float randFraction(const uint32_t n) {
    return static_cast<float>(randMod(n)) * 0.0001f;
}

float randSignedFraction(const int32_t n) {
    return static_cast<float>(randSigned(n)) * 0.0001f;
}

ZqVector3 randUnitVector() {
    const float a = static_cast<float>(randSigned(10000)) * 0.0001f;
    const float t = static_cast<float>(randSigned(31415)) * 0.0001f;
    const float s = std::sqrt(1.0f - a * a);
    return ZqVector3(std::sin(t) * s, a, std::cos(t) * s);
}

RandState randState() {
    return g_rand;
}

void setRandState(const RandState& s) {
    g_rand = s;
}

float variationFactor(const uint32_t p) {
    // The single-precision 0.01 times p in double: n = 100p - 1 for every p from 1 on.
    const int32_t n = truncI32(static_cast<double>(p) * static_cast<double>(0.01f) * 10000.0);
    if (n < 1) {
        return 1.0f;
    }
    return 1.0f + static_cast<float>(randSigned(n)) * 0.0001f;
}

EMITDATA EMITDATA::defaults() {
    EMITDATA d;
    d.head = 30;
    d.interval = 1;
    d.particleLife = 60;
    d.scalePct = 100;
    d.frameFirst = 0xFFFFFFFFu;
    d.frameLast = 0xFFFFFFFFu;
    d.texture = 0xFFFFFFFFu;
    d.steerSpeed = 1.0f;
    d.steerWeight = 10;
    d.steerInterval = 1;
    d.turnAxis = ZqVector3(0.0f, 1.0f, 0.0f);
    d.modelParam = 1.0f;
    d.modelSegments = 6;
    d.modelReserved[0] = d.modelReserved[1] = d.modelReserved[2] = 180.0f;
    return d;
}

namespace {

float finite(const ZqByteReader& r, const uint32_t at) {
    float v = 0.0f;
    r.f32(at, v);
    return std::isfinite(v) ? v : 0.0f;
}

ZqVector3 vec3(const ZqByteReader& r, const uint32_t at) {
    return ZqVector3(finite(r, at), finite(r, at + 4), finite(r, at + 8));
}

Rgb rgb(const ZqByteReader& r, const uint32_t at) {
    Rgb c;
    r.u8(at, c.r);
    r.u8(at + 1, c.g);
    r.u8(at + 2, c.b);
    return c;
}

uint32_t u32(const ZqByteReader& r, const uint32_t at) {
    uint32_t v = 0;
    r.u32(at, v);
    return v;
}

uint8_t u8(const ZqByteReader& r, const uint32_t at) {
    uint8_t v = 0;
    r.u8(at, v);
    return v;
}

} // namespace

bool EMITDATA::read(const uint8_t* const p, const uint64_t size) {
    using namespace zqpm;
    if (p == nullptr || size < EMIT_SIZE) {
        return false;
    }
    const ZqByteReader r(p, EMIT_SIZE);
    head = u32(r, EMIT_HEAD);
    kind = u32(r, EMIT_KIND);
    shape = u32(r, EMIT_SHAPE);
    count = u32(r, EMIT_COUNT);
    delay = u32(r, EMIT_DELAY);
    life = u32(r, EMIT_LIFE);
    interval = u32(r, EMIT_INTERVAL);
    position = vec3(r, EMIT_POSITION);
    position2 = vec3(r, EMIT_POSITION2);
    rotation = vec3(r, EMIT_ROTATION);
    this->size = vec3(r, EMIT_SIZE_XYZ);
    velocity = vec3(r, EMIT_VELOCITY);
    acceleration = vec3(r, EMIT_ACCELERATION);
    angularVelocity = vec3(r, EMIT_ANGULAR_VELOCITY);
    sizeChange = vec3(r, EMIT_SIZE_CHANGE);
    for (uint32_t i = 0; i < 16; ++i) {
        transform.m[i / 4][i % 4] = finite(r, EMIT_TRANSFORM + 4 * i);
    }
    motion2Weight = finite(r, EMIT_MOTION2_WEIGHT);
    effectVelocityPct = static_cast<int32_t>(u32(r, EMIT_EFFECT_VELOCITY));
    tintPct = u32(r, EMIT_TINT);
    scalePct = u32(r, EMIT_SCALE);
    particleLife = u32(r, EMIT_PARTICLE_LIFE);
    lifeVariation = u32(r, EMIT_LIFE_VARIATION);
    for (uint32_t i = 0; i < 7; ++i) {
        phases[i] = u32(r, EMIT_PHASES + 4 * i);
    }
    randomColour = u8(r, EMIT_RANDOM_COLOUR);
    colourStart2 = rgb(r, EMIT_COLOUR_START2);
    colourStart = rgb(r, EMIT_COLOUR_START);
    colourMiddle = rgb(r, EMIT_COLOUR_MIDDLE);
    colourEnd = rgb(r, EMIT_COLOUR_END);
    colourTail = rgb(r, EMIT_COLOUR_TAIL);
    blend = u32(r, EMIT_BLEND);
    alphaVariation = u32(r, EMIT_ALPHA_VARIATION);
    sizeVariation = u32(r, EMIT_SIZE_VARIATION);
    size2Variation = u32(r, EMIT_SIZE2_VARIATION);
    for (uint32_t i = 0; i < 3; ++i) {
        alpha[i] = finite(r, EMIT_ALPHA + 4 * i);
        psize[i] = finite(r, EMIT_PSIZE + 4 * i);
        size2[i] = finite(r, EMIT_SIZE2 + 4 * i);
        modelAngle[i] = finite(r, EMIT_MODEL_ANGLE + 4 * i);
        modelReserved[i] = finite(r, EMIT_MODEL_RESERVED + 4 * i);
        modelAngVel[i] = finite(r, EMIT_MODEL_ANG_VEL + 4 * i);
        modelAngAcc[i] = finite(r, EMIT_MODEL_ANG_ACC + 4 * i);
        modelRandomAngle[i] = u8(r, EMIT_MODEL_RANDOM_ANGLE + i);
        modelRandomAngVel[i] = u8(r, EMIT_MODEL_RANDOM_ANG_VEL + i);
    }
    frameMode = u32(r, EMIT_FRAME_MODE);
    frameFirst = u32(r, EMIT_FRAME_FIRST);
    frameLast = u32(r, EMIT_FRAME_LAST);
    frameSteps = u32(r, EMIT_FRAME_STEPS);
    texture = u32(r, EMIT_TEXTURE);
    motion = u32(r, EMIT_MOTION);
    local = u8(r, EMIT_LOCAL);
    direction = vec3(r, EMIT_DIRECTION);
    accelFrame = vec3(r, EMIT_ACCEL_FRAME);
    accelPlain = vec3(r, EMIT_ACCEL_PLAIN);
    spreadH = finite(r, EMIT_SPREAD_H);
    spreadV = finite(r, EMIT_SPREAD_V);
    drag = finite(r, EMIT_DRAG);
    randomAngVel = u8(r, EMIT_RANDOM_ANG_VEL);
    randomAngle = u8(r, EMIT_RANDOM_ANGLE);
    randomAngAcc = u8(r, EMIT_RANDOM_ANG_ACC);
    angVel = finite(r, EMIT_ANG_VEL);
    angle = u32(r, EMIT_ANGLE);
    angleStep = u32(r, EMIT_ANGLE_STEP);
    angAcc = finite(r, EMIT_ANG_ACC);
    lineOrient = u32(r, EMIT_LINE_ORIENT);
    lineOwnTail = u8(r, EMIT_LINE_OWN_TAIL);
    lineFadeTail = u8(r, EMIT_LINE_FADE_TAIL);
    lineTailLeads = u8(r, EMIT_LINE_TAIL_LEADS);
    modelShape = u32(r, EMIT_MODEL_SHAPE);
    modelParam = finite(r, EMIT_MODEL_PARAM);
    modelSegments = u32(r, EMIT_MODEL_SEGMENTS);
    modelFlag = u8(r, EMIT_MODEL_FLAG);
    steerSpeed = finite(r, EMIT_STEER_SPEED);
    steerWeight = u32(r, EMIT_STEER_WEIGHT);
    steerInterval = u32(r, EMIT_STEER_INTERVAL);
    turnAxis = vec3(r, EMIT_TURN_AXIS);
    return true;
}

} // namespace ZquPm
