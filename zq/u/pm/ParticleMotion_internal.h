// Motion rules shared by the particle kinds' sources. Internal to the particle engine.
#pragma once

#include "zq/u/pm/ParticlePools_internal.h"
#include "zq/u/pm/ZquPmEmit_internal.h"

namespace ZquPm {

// Root, life and phase lengths of a newborn particle; ownRoot keeps the birth root when the
// effect asks for it.
void birthCommon(ParticleCommon& p, ZqMatrix& ownRoot, const EmitContext& cx);
// The turns of homing (mode 3: towards the target) and wandering (mode 4: about the axis,
// then back) particles, once every steering interval.
void homingTurn(const ZqVector3& pos, ZqVector3& vel, const Steering& st);
void wanderTurn(Steering& st);
// The velocity change of one step by motion mode: drag and acceleration, homing (3) or
// wandering (4); pos is the particle's position (a line's head). The plain modes inline.
inline void steerStep(const uint32_t mode, const ZqVector3& pos, ZqVector3& vel,
                      const ZqVector3& acc, const float drag, Steering& st, const uint16_t age) {
    if (mode == 3 || mode == 4) {
        const bool turn = isMultiple(age, st.intervalKey);
        if (mode == 3) {
            if (turn) {
                homingTurn(pos, vel, st);
            }
            if (st.liveTarget != nullptr) {
                st.target = *st.liveTarget;
            }
        } else {
            if (turn) {
                wanderTurn(st);
            }
            vel = st.current * st.speed;
        }
        return;
    }
    if (drag != 0.0f) {
        // max(0, 1 - drag), NaN giving 0 (1 - drag is never -0).
        const float k = 1.0f - drag;
        vel *= k > 0.0f ? k : 0.0f;
    }
    vel += acc;
}
// The steering a newborn particle of motion mode 3 or 4 keeps.
void birthSteering(Steering& st, const EmitContext& cx, const ZqVector3& dir);
// The start direction part of motion modes 0..6; outwardRandom takes a random direction for
// a point-shaped emitter in mode 1.
ZqVector3 directionPart(const EmitContext& cx, const ZqVector3& d, const ZqVector3& p,
                        const ZqVector3& b, bool outwardRandom, Steering* st);
// wrapDegrees for angles outside [0, 360].
float wrapDegreesSlow(float a);
// An angle in degrees brought into [0, 360]; a non-finite angle is left alone.
inline float wrapDegrees(const float a) {
    return a >= 0.0f && a <= 360.0f ? a : wrapDegreesSlow(a);
}

} // namespace ZquPm
