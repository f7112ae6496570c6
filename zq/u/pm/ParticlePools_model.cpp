// Model particles: birth, per-step update and the world matrix.
#include "zq/u/pm/ParticleMotion_internal.h"
#include "zq/u/pm/ParticlePool_internal.h"

#include <bit>
#include <cmath>
#include <cstring>

using namespace ZquPm;

template class ParticlePool<ModelParticle>;

namespace {

constexpr float DEG = 0.017453292f;

uint32_t trianglesOf(const uint32_t shape, const uint16_t segments) {
    switch (shape) {
    case 0:
        return 2;
    case 1:
        return 4;
    case 2:
        return 2u * segments;
    default:
        return segments;
    }
}

void clampAlpha(ThreeKey& a, const int change) {
    if (change < 0 && a.value < 0.0f) {
        a.value = 0.0f;
    } else if (change > 0 && a.value > 255.0f) {
        a.value = 255.0f;
    }
}

} // namespace

namespace {

// ModelParticle::buildWorld, inline for the step.
// Scale and rotation are made again only when a scale or an angle changed (bit for bit); most
// model particles keep both for most of their life. The frame matrix is set at birth and never
// changes, so the upper three rows of the world (scaleRot's times the frame matrix) are made
// again only then too.
inline void buildWorldOf(ModelParticle& p) {
    const float sx = p.scale[0].value;
    const float sy = p.shape == 0 ? 1.0f : p.scale[1].value;
    const float sz = p.shape == 0 ? p.scale[1].value : p.scale[2].value;
    // Compared in registers, value by value: a key stored and read back in other widths
    // would wait on the stores.
    const ZqVector3& a = p.angles;
    const uint32_t key[6] = {std::bit_cast<uint32_t>(sx),  std::bit_cast<uint32_t>(sy),
                             std::bit_cast<uint32_t>(sz),  std::bit_cast<uint32_t>(a.x),
                             std::bit_cast<uint32_t>(a.y), std::bit_cast<uint32_t>(a.z)};
    uint32_t changed = p.shapeValid ? 0u : 1u;
    for (int i = 0; i < 6; ++i) {
        changed |= key[i] ^ p.shapeKey[i];
    }
    if (changed != 0) {
        p.scaleRot = scaleRotation(sx, sy, sz, a.x, a.y, a.z);
        for (int i = 0; i < 6; ++i) {
            p.shapeKey[i] = key[i];
        }
        p.shapeValid = true;
        p.world.mul(p.scaleRot, p.frameMatrix);
    }
    // world = scaleRot with the translation row set to the position, times the frame matrix.
    // The translation row is multiplied here, summed in the order ZqMatrix::mul sums, rather
    // than stored into a copy and loaded back.
    const float t[4] = {p.position.x, p.position.y, p.position.z, p.scaleRot.m[3][3]};
    const ZqMatrix& f = p.frameMatrix;
    for (int j = 0; j < 4; ++j) {
        p.world.m[3][j] = t[0] * f.m[0][j] + t[1] * f.m[1][j] + t[2] * f.m[2][j] + t[3] * f.m[3][j];
    }
}

} // namespace

void ModelParticle::buildWorld() {
    buildWorldOf(*this);
}

void ModelParticleManager::onFree(const uint16_t index) {
    const uint32_t t = at(index).triangles;
    m_triangles = m_triangles >= t ? m_triangles - t : 0;
}

void ModelParticleManager::emit(const uint16_t index, const EmitContext& cx) {
    ModelParticle& p = at(index);
    const EMITDATA& r = cx.rec;
    birthCommon(p, ownRoot(index), cx);
    p.shape = r.modelShape;
    p.segments = static_cast<uint16_t>(r.modelSegments);
    p.shapeParam = r.modelParam;
    p.shapeFlag = r.modelFlag;
    p.triangles = trianglesOf(p.shape, p.segments);
    m_triangles += p.triangles;

    p.colour.birth(r, cx.ep.tint);
    p.alpha.birth(r.alpha, variationFactor(r.alphaVariation), 1.0f, true, p.phase[PHASE_ALPHA_IN],
                  p.phase[PHASE_ALPHA_OUT]);
    p.scale[0].birth(r.psize, variationFactor(r.sizeVariation), cx.f, false, p.phase[PHASE_SIZE_IN],
                     p.phase[PHASE_SIZE_OUT]);
    p.scale[2] = p.scale[0];
    p.scale[1].birth(r.size2, variationFactor(r.size2Variation), cx.f, false,
                     p.phase[PHASE_SIZE2_IN], p.phase[PHASE_SIZE2_OUT]);
    // Start rotation: whole degrees per axis, random ones reduced to multiples of the step.
    float angle[3];
    float vel[3];
    for (int a = 0; a < 3; ++a) {
        const int32_t step = truncI32(r.modelAngle[a]);
        if (r.modelRandomAngle[a] != 0) {
            int32_t deg = static_cast<int32_t>(static_cast<uint32_t>(randNext()) % 360u);
            if (r.modelAngle[a] >= 1.0f && step >= 1) {
                deg = deg / step * step;
            }
            angle[a] = static_cast<float>(deg);
        } else {
            angle[a] = static_cast<float>(step);
        }
    }
    for (int a = 0; a < 3; ++a) {
        const float v = r.modelAngVel[a];
        vel[a] = r.modelRandomAngVel[a] == 0 ? v : (std::fabs(v) < 0.01f ? 0.0f : randSpread(v));
    }
    p.angles.set(angle[0] * DEG, angle[1] * DEG, angle[2] * DEG);
    p.angVel.set(vel[0] * DEG, vel[1] * DEG, vel[2] * DEG);
    p.angAcc.set(r.modelAngAcc[0] * p.angVel.x, r.modelAngAcc[1] * p.angVel.y,
                 r.modelAngAcc[2] * p.angVel.z);
    p.frame.birth(r);

    // The spawn point stays in the emitter's frame; the frame matrix carries the effect.
    const ZqVector3 pos = spawnPoint(r);
    const ZqVector3 centre = r.position * cx.f;
    p.frameMatrix = r.local != 0 ? ZqMatrix(1.0f) : cx.ep.transform;
    const ZqVector3 d = r.direction + axisSpread(r);
    ZqVector3 part;
    switch (r.motion) {
    case 0:
        part = d;
        break;
    case 5:
    case 6:
        part = r.direction;
        break;
    default:
        part = directionPart(cx, d, pos, centre, false, nullptr);
        break;
    }
    p.position = pos;
    p.velocity = startVelocity(cx, part);
    p.acceleration = r.accelFrame;
    if (std::fabs(r.accelPlain.y) > 0.001f) {
        ZqMatrix inv = cx.ep.transform;
        inv.setTrans(0.0f, 0.0f, 0.0f);
        inv.inverse();
        p.acceleration += ZqVector3(r.accelPlain).rot(inv);
    }
    p.drag = r.drag;
    p.buildWorld();
}

void ModelParticleManager::update() {
    ColourMemo memo;
    const auto step = [this, &memo](const uint16_t i) {
        ModelParticle& p = at(i);
        ++p.age;
        if (p.age >= p.life) {
            free(i);
            return;
        }
        p.position += p.velocity;
        if (p.drag != 0.0f) {
            // max(0, 1 - drag), NaN giving 0 (1 - drag is never -0).
            const float k = 1.0f - p.drag;
            p.velocity *= k > 0.0f ? k : 0.0f;
        }
        p.velocity += p.acceleration;
        p.angles += p.angVel;
        p.angVel += p.angAcc;
        p.scale[0].step(p.age, p.life, p.phase[PHASE_SIZE_IN], p.phase[PHASE_SIZE_OUT]);
        p.scale[2].step(p.age, p.life, p.phase[PHASE_SIZE_IN], p.phase[PHASE_SIZE_OUT]);
        p.scale[1].step(p.age, p.life, p.phase[PHASE_SIZE2_IN], p.phase[PHASE_SIZE2_OUT]);
        buildWorldOf(p);
        p.colour.setCurrent(memo.packedAt(p.colour, p.age, p.life, p.phase[PHASE_COLOUR_MIDDLE]));
        clampAlpha(p.alpha,
                   p.alpha.step(p.age, p.life, p.phase[PHASE_ALPHA_IN], p.phase[PHASE_ALPHA_OUT]));
        p.frame.step(p.age);
    };
    // The walk in draw-list order, over the lists that hold particles only (12 groups of 101
    // lists, nearly all empty).
    for (uint32_t l = nextList(0); l < listCount(); l = nextList(l + 1)) {
        for (uint16_t i = listHead(l); i != 0;) {
            const uint16_t next = drawNext(i);
            prefetchRecord(at(drawNext(next)));
            step(i);
            i = next;
        }
    }
}
