#include "zq/u/pm/ParticleMotion_internal.h"

#include <cmath>

namespace ZquPm {

void birthCommon(ParticleCommon& p, ZqMatrix& ownRoot, const EmitContext& cx) {
    if (cx.ep.keepBirthRoot) {
        ownRoot = *cx.ep.root;
        p.root = &ownRoot;
    } else {
        p.root = cx.ep.root;
    }
    // The blend mode the batches and model entries draw with.
    p.blend = cx.rec.blend;
    p.age = 0;
    p.life = cx.life;
    for (int i = 0; i < PHASE_COUNT; ++i) {
        p.phase[i] = cx.phase[i];
    }
}

void homingTurn(const ZqVector3& pos, ZqVector3& vel, const Steering& st) {
    const ZqVector3 target = st.liveTarget != nullptr ? *st.liveTarget : st.target;
    const ZqVector3 to = ZqVector3().normalize(target - pos);
    const ZqVector3 v = ZqVector3().normalize(vel);
    vel = (to * st.weight + v * (1.0f - st.weight)) * st.speed;
}

void wanderTurn(Steering& st) {
    if (st.toggle == 0) {
        st.current.cross(st.current, st.axis);
        if ((randNext() & 1) != 0) {
            st.current.negate();
        }
        st.toggle = 1;
    } else {
        st.current = st.initial;
        st.toggle = 0;
    }
}

void birthSteering(Steering& st, const EmitContext& cx, const ZqVector3& dir) {
    st.speed = cx.rec.steerSpeed;
    st.interval = static_cast<uint16_t>(cx.rec.steerInterval);
    st.intervalKey = multipleKey(st.interval);
    st.weight = static_cast<float>(cx.rec.steerWeight) * 0.01f;
    st.axis = cx.rec.turnAxis;
    st.current = dir;
    st.initial = dir;
    st.liveTarget = cx.ep.liveTarget;
    st.target = cx.ep.liveTarget != nullptr ? *cx.ep.liveTarget : cx.ep.target;
}

ZqVector3 directionPart(const EmitContext& cx, const ZqVector3& d, const ZqVector3& p,
                        const ZqVector3& b, const bool outwardRandom, Steering* const st) {
    const EMITDATA& r = cx.rec;
    switch (r.motion) {
    case 0:
        return isMoving(cx.ep) ? ZqVector3(d).rotTrans(cx.ep.transform) : d;
    case 1: {
        const ZqVector3 dir =
            outwardRandom && r.shape == 0 ? randUnitVector() : ZqVector3().normalize(p - b);
        return dir * ZqVector3(r.spreadH, r.spreadV, r.spreadH);
    }
    case 2:
        if (st != nullptr) {
            st->target = cx.ep.target;
        }
        return ZqVector3().normalize(cx.ep.target - p) * r.spreadH;
    case 3:
        if (st != nullptr) {
            birthSteering(*st, cx, d);
        }
        return d;
    case 4: {
        const ZqVector3 n = ZqVector3().normalize(d);
        if (st != nullptr) {
            birthSteering(*st, cx, n);
        }
        return n;
    }
    case 5:
    case 6:
        return cx.ep.velocity;
    default:
        return d;
    }
}

float wrapDegreesSlow(float a) {
    if (!std::isfinite(a)) {
        return a;
    }
    // The remainder in one go: repeated subtraction would never end on a huge angle. An exact
    // multiple of a turn above 360 stays at 360, as stepping down by whole turns leaves it.
    if (a > 360.0f) {
        a = std::fmod(a, 360.0f);
        if (a == 0.0f) {
            a = 360.0f;
        }
    } else if (a < 0.0f) {
        a = std::fmod(a, 360.0f);
        if (a < 0.0f) {
            a += 360.0f;
        }
    }
    return a;
}

} // namespace ZquPm
