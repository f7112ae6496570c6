// Motion rules shared by the particle kinds' sources. Internal to the particle engine.
#pragma once

#include "zq/u/pm/ParticlePools.h"
#include "zq/u/pm/ZquPmEmit.h"

namespace ZquPm {

// Root, life and phase lengths of a newborn particle.
void birthCommon(ParticleCommon& p, const EmitContext& cx);
// The velocity change of one step by motion mode: drag and acceleration, homing (3) or
// wandering (4); pos is the particle's position (a line's head).
void steerStep(uint32_t mode, const ZqVector3& pos, ZqVector3& vel, const ZqVector3& acc,
               float drag, Steering& st, uint16_t age);
// The steering a newborn particle of motion mode 3 or 4 keeps.
void birthSteering(Steering& st, const EmitContext& cx, const ZqVector3& dir);
// The start direction part of motion modes 0..6; outwardRandom takes a random direction for
// a point-shaped emitter in mode 1.
ZqVector3 directionPart(const EmitContext& cx, const ZqVector3& d, const ZqVector3& p,
                        const ZqVector3& b, bool outwardRandom, Steering* st);
// An angle in degrees brought into [0, 360]; a non-finite angle is left alone.
float wrapDegrees(float a);

} // namespace ZquPm
