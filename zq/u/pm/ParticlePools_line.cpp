// Line particles: birth and per-step update.
#include "zq/u/pm/ParticleMotion_internal.h"
#include "zq/u/pm/ParticlePool_internal.h"

using namespace ZquPm;

template class ParticlePool<LineParticle>;

void LineParticleManager::emit(const uint16_t index, const EmitContext& cx) {
    LineParticle& p = at(index);
    const EMITDATA& r = cx.rec;
    birthCommon(p, ownRoot(index), cx);
    p.colour.birth(r, cx.ep.tint);
    p.ownTail = r.lineOwnTail;
    p.fadeTail = r.lineFadeTail;
    p.tailFixed = p.colour.start;
    if (r.lineOwnTail != 0) {
        p.tailFixed =
            r.tintPct != 0 ? tintColour(r.colourTail, cx.ep.tint, r.tintPct) : r.colourTail;
    }
    p.tailCurrent = p.tailFixed;
    p.alpha.birth(r.alpha, variationFactor(r.alphaVariation), 1.0f, true, p.phase[PHASE_ALPHA_IN],
                  p.phase[PHASE_ALPHA_OUT]);
    p.width.birth(r.psize, variationFactor(r.sizeVariation), cx.f, false, p.phase[PHASE_SIZE_IN],
                  p.phase[PHASE_SIZE_OUT]);
    p.frame.birth(r);

    ZqVector3 pos;
    ZqVector3 centre;
    placeSpawn(cx, pos, centre);
    p.head = pos;
    p.tail = pos;
    const ZqVector3 d = r.direction + axisSpread(r);
    p.motion = r.motion;
    Steering& st = m_steer[index];
    st = Steering();
    p.velocity = startVelocity(cx, directionPart(cx, d, pos, centre, true, &st));
    p.acceleration = startAcceleration(cx);
    p.drag = r.drag;

    p.orientation = r.lineOrient;
    p.tailLeads = r.lineTailLeads;
    float keys[3] = {r.size2[0], r.size2[1], r.size2[2]};
    ZqVector3 dir(0.0f, 1.0f, 0.0f);
    switch (r.lineOrient) {
    case 2:
        dir = r.position2 - pos;
        keys[1] = dir.length();
        break;
    case 3:
        dir = cx.ep.look - pos;
        keys[1] = dir.length();
        break;
    case 4:
        dir = cx.ep.fixedDirection;
        break;
    case 5:
        dir = cx.ep.motion2;
        break;
    default:
        break;
    }
    p.direction.normalize(dir);
    p.length.birth(keys, variationFactor(r.size2Variation), 1.0f, false, p.phase[PHASE_SIZE2_IN],
                   p.phase[PHASE_SIZE2_OUT]);
}

void LineParticleManager::update() {
    ColourMemo memo;
    walk([this, &memo](const uint16_t i) {
        LineParticle& p = at(i);
        ++p.age;
        if (p.age >= p.life) {
            free(i);
            return;
        }
        p.length.step(p.age, p.life, p.phase[PHASE_SIZE2_IN], p.phase[PHASE_SIZE2_OUT]);
        const uint32_t c = memo.packedAt(p.colour, p.age, p.life, p.phase[PHASE_COLOUR_MIDDLE]);
        p.colour.setCurrent(c);
        if (p.ownTail == 0) {
            ColourKeys::unpack(c, p.tailCurrent);
        }
        p.alpha.step(p.age, p.life, p.phase[PHASE_ALPHA_IN], p.phase[PHASE_ALPHA_OUT]);
        p.width.step(p.age, p.life, p.phase[PHASE_SIZE_IN], p.phase[PHASE_SIZE_OUT]);
        p.frame.step(p.age);

        // Worked on in locals and stored once: reading back a vector just stored field by
        // field stalls the step.
        ZqVector3 head = p.head;
        ZqVector3 tail = p.tail;
        ZqVector3 v = p.velocity;
        steerStep(p.motion, head, v, p.acceleration, p.drag, m_steer[i], p.age);
        const float l = p.length.value;
        const bool lead = p.tailLeads != 0;
        switch (p.orientation) {
        case 0: {
            const ZqVector3 n = ZqVector3().normalize(v);
            if (!lead) {
                head += v;
                tail = head - n * l;
            } else {
                tail += v;
                head = tail + n * l;
            }
            break;
        }
        case 1:
            if (!lead) {
                head += v;
                tail = head + ZqVector3().normalize(tail - head) * l;
            } else {
                const ZqVector3 oldTail = tail;
                tail = oldTail + v;
                head = tail + ZqVector3().normalize(head - oldTail + v) * l;
            }
            break;
        case 2:
        case 3:
            tail = head + p.direction * l;
            break;
        case 4:
        case 5:
            if (!lead) {
                head += v;
                tail = head + p.direction * l;
            } else {
                tail += v;
                head = tail + p.direction * l;
            }
            break;
        default:
            head += v;
            tail += v;
            break;
        }
        p.head = head;
        p.tail = tail;
        p.velocity = v;
    });
}
