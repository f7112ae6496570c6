// What an emission hands to the particle kinds: the emitter's record and effect, the start
// life and phase lengths, and the spawn and start-velocity rules they share. Internal to the
// particle engine.
#pragma once

#include "zq/u/pm/ZquPm.h"
#include "zq/u/pm/ZquPmParam.h"

namespace ZquPm {

struct EmitContext {
    const EMITDATA& rec;
    EmitParam& ep;
    // The effect scale's influence on this emitter: S x p + (1 - p).
    float f;
    uint16_t life;
    uint16_t phase[PHASE_COUNT];
};

// The effect scale influence of a record. Inline: every emitter works it out every step.
inline float scaleInfluence(const EMITDATA& rec, const EmitParam& ep) {
    const float p = static_cast<float>(rec.scalePct) * 0.01f;
    return ep.scale * p + (1.0f - p);
}
// The emitter transform: scaling by size x f / 2, rotations about Y, X, Z, translation
// position x f.
ZqMatrix emitterTransform(const EMITDATA& rec, float f);
// Scaling by (sx, sy, sz), then rotations about Y, X and Z (radians): the shape part of the
// emitter and model particle transforms.
ZqMatrix scaleRotation(float sx, float sy, float sz, float ax, float ay, float az);
// The scaling and rotation of an emitter transform and the scales and angles (x, y, z) it was
// made from, kept by a running emitter: most emitters neither turn nor grow.
struct TransformCache {
    float key[6] = {};
    bool valid = false;
    ZqMatrix scaleRot{1.0f};
};
// emitterTransform, its scaling and rotation taken from cache while they are unchanged.
ZqMatrix emitterTransform(const EMITDATA& rec, float f, TransformCache& cache);
// A point of the record's spawn shape (shapes 2..9 through the emitter transform).
ZqVector3 spawnPoint(const EMITDATA& rec);
// The spawn point P and emitter centre B of rotating and line particles, placed by the
// effect (nothing for a local record).
void placeSpawn(const EmitContext& cx, ZqVector3& p, ZqVector3& b);
// A moving effect carries its emitters with its transform.
inline bool isMoving(const EmitParam& ep) {
    return ep.motionType >= 2;
}
// direction part + effect velocity x percentage + second motion vector x weight.
ZqVector3 startVelocity(const EmitContext& cx, const ZqVector3& part);
// The record's acceleration in the effect's frame plus the plain one.
ZqVector3 startAcceleration(const EmitContext& cx);
// Per-axis signed spread, Z first, then Y, then X.
ZqVector3 axisSpread(const EMITDATA& rec);

} // namespace ZquPm
