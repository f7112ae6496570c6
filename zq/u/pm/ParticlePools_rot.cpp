// Rotating particles: birth and per-step update.
#include "zq/u/pm/ParticleMotion_internal.h"
#include "zq/u/pm/ParticlePool_internal.h"

using namespace ZquPm;

template class ParticlePool<RotParticle>;

namespace ZquPm {

// Start angle, angular velocity and acceleration of a rotating particle (degrees).
void birthRotation(const EMITDATA& r, float& angle, float& vel, float& acc) {
    if (r.randomAngle != 0 && r.angleStep != 0) {
        const uint32_t a = static_cast<uint32_t>(randNext()) % 360u;
        angle = static_cast<float>(a / r.angleStep * r.angleStep);
    } else {
        angle = static_cast<float>(r.angle);
    }
    vel = r.randomAngVel != 0 ? randSpread(r.angVel) : r.angVel;
    acc = r.randomAngAcc != 0 ? randSpread(r.angAcc) : r.angAcc;
}

} // namespace ZquPm

void RotParticleManager::emit(const uint16_t index, const EmitContext& cx) {
    RotParticle& p = at(index);
    const EMITDATA& r = cx.rec;
    birthCommon(p, ownRoot(index), cx);
    p.colour.birth(r, cx.ep.tint);
    p.alpha.birth(r.alpha, variationFactor(r.alphaVariation), 1.0f, true, p.phase[PHASE_ALPHA_IN],
                  p.phase[PHASE_ALPHA_OUT]);
    p.size.birth(r.psize, variationFactor(r.sizeVariation), cx.f, false, p.phase[PHASE_SIZE_IN],
                 p.phase[PHASE_SIZE_OUT]);
    p.size2.birth(r.size2, variationFactor(r.size2Variation), cx.f, false, p.phase[PHASE_SIZE2_IN],
                  p.phase[PHASE_SIZE2_OUT]);
    birthRotation(r, p.angle, p.angVel, p.angAcc);
    p.frame.birth(r);

    ZqVector3 pos;
    ZqVector3 centre;
    placeSpawn(cx, pos, centre);
    const ZqVector3 u = randUnitVector();
    const float f = randFraction(10000);
    const ZqVector3 d =
        r.direction + ZqVector3(r.spreadH * u.x, r.spreadV * u.y, r.spreadH * u.z) * f;
    p.motion = r.motion;
    p.position = pos;
    Steering& st = m_steer[index];
    st = Steering();
    p.velocity = startVelocity(cx, directionPart(cx, d, pos, centre, true, &st));
    p.acceleration = startAcceleration(cx);
    p.drag = r.drag;
}

void RotParticleManager::update() {
    ColourMemo memo;
    walk([this, &memo](const uint16_t i) {
        RotParticle& p = at(i);
        ++p.age;
        if (p.age >= p.life) {
            free(i);
            return;
        }
        // Worked on in locals and stored once (see the line particles' step).
        const ZqVector3 pos = p.position + p.velocity;
        ZqVector3 v = p.velocity;
        steerStep(p.motion, pos, v, p.acceleration, p.drag, m_steer[i], p.age);
        p.position = pos;
        p.velocity = v;
        p.angVel += p.angAcc;
        p.angle = wrapDegrees(p.angle + p.angVel);
        p.colour.setCurrent(memo.packedAt(p.colour, p.age, p.life, p.phase[PHASE_COLOUR_MIDDLE]));
        p.alpha.step(p.age, p.life, p.phase[PHASE_ALPHA_IN], p.phase[PHASE_ALPHA_OUT]);
        p.size.step(p.age, p.life, p.phase[PHASE_SIZE_IN], p.phase[PHASE_SIZE_OUT]);
        p.size2.step(p.age, p.life, p.phase[PHASE_SIZE2_IN], p.phase[PHASE_SIZE2_OUT]);
        p.frame.step(p.age);
    });
}
