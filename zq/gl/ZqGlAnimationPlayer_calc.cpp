// The bone-matrix calculation shared by the player and the mixer, and the retarget tables.
#include "zq/gl/ZqGlAnimation.h"
#include "zq/gl/ZqGlAnimationPlayer.h"
#include "zq/gl/ZqGlModel.h"
#include "zq/math/ZqVector4.h"
#include "zq/memory/ZqRefAlloc.h"
#include "zq/platform/os/lasterror.h"
#include "zq/system/ZqError.h"

#include <cmath>
#include <cstring>
#include <new>
#include <string>

namespace {

// Per bone in a retarget table: the offset matrix, then the rest correction.
constexpr uint32_t RETARGET_BYTES = 2 * sizeof(ZqMatrix);

// Each bone's bind matrix relative to its parent's.
void localBinds(const ZqGlModel& model, const uint32_t count, std::vector<ZqMatrix>& out) {
    out.resize(count);
    for (uint32_t b = 0; b < count; ++b) {
        const int parent = model.getBoneParentNr(b);
        if (parent < 0) {
            out[b] = model.getBoneBindMatrix(b);
        } else {
            const ZqMatrix parentInverse = ZqMatrix().inverse(model.getBoneBindMatrix(parent));
            out[b].mul(model.getBoneBindMatrix(b), parentInverse);
        }
    }
}

// The matrix that carries the source's bone offset onto the target's: turns the source's
// direction into the target's and scales by the ratio of their lengths.
ZqMatrix offsetMatrix(const ZqMatrix& t, const ZqMatrix& s) {
    const ZqVector3 tt(t._41, t._42, t._43);
    const ZqVector3 st(s._41, s._42, s._43);
    const float lt = tt.length();
    const float ls = st.length();
    if (ls == 0.0f) {
        return ZqMatrix::UNIT;
    }
    const float r = lt / ls;
    // A target bone without offset has no direction to turn to: offsets shrink to nothing.
    if (lt == 0.0f) {
        return ZqMatrix(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                        0.0f, 0.0f, 0.0f, 1.0f);
    }
    const ZqVector3 dt = tt * (1.0f / lt);
    const ZqVector3 ds = st * (1.0f / ls);
    const float q = ds.dot(dt);
    ZqMatrix m;
    if (std::fabs(q) >= 0.9999f) {
        const float d = r * q;
        m.set(d, 0.0f, 0.0f, 0.0f, 0.0f, d, 0.0f, 0.0f, 0.0f, 0.0f, d, 0.0f, 0.0f, 0.0f, 0.0f,
              1.0f);
        return m;
    }
    ZqVector3 axis;
    axis.cross(ds, dt);
    m.setRotAxis(axis, std::acos(q));
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            m.m[i][j] *= r;
        }
    }
    return m;
}

ZqVector3 g_unusedScale(1.0f, 1.0f, 1.0f);

} // namespace

bool ZqGlAnimationPlayer::MatrixCalc::init(ZqGlAnimation* const animation) {
    if (animation == nullptr) {
        return false;
    }
    animation->addRef();
    if (m_pAnimation != nullptr) {
        m_pAnimation->release();
    }
    m_pAnimation = animation;
    m_flags = animation->isScalingExist() ? FLAG_SCALE_TRACKS : 0;
    m_nrBones = animation->getNrBones();
    try {
        m_vBones.assign(m_nrBones, Bone{});
        m_vOut.assign(m_nrBones, ZqMatrix::UNIT);
        m_vUnscaled.assign(m_nrBones, ZqMatrix::UNIT);
        m_vParents.resize(m_nrBones);
    } catch (const std::bad_alloc&) {
        throw ZqError::ANIMATION_MEMORY;
    }
    for (uint32_t b = 0; b < m_nrBones; ++b) {
        const int parent = animation->getBoneParentNr(b);
        // Parents come before their children; anything else is walked as a root.
        m_vParents[b] =
            static_cast<int8_t>(parent >= 0 && static_cast<uint32_t>(parent) < b ? parent : -1);
    }
    return true;
}

void ZqGlAnimationPlayer::MatrixCalc::quit() {
    releaseTable();
    if (m_pAnimation != nullptr) {
        m_pAnimation->release();
        m_pAnimation = nullptr;
    }
    m_vBones.clear();
    m_vBones.shrink_to_fit();
    m_vOut.clear();
    m_vOut.shrink_to_fit();
    m_vUnscaled.clear();
    m_vUnscaled.shrink_to_fit();
    m_vParents.clear();
    m_flags = 0;
    m_nrBones = 0;
}

void ZqGlAnimationPlayer::MatrixCalc::releaseTable() {
    if (m_pRetarget != nullptr) {
        m_pRetarget->release();
        m_pRetarget = nullptr;
    }
}

void ZqGlAnimationPlayer::MatrixCalc::initOutMatrices(const uint32_t count) {
    for (uint32_t b = 0; b < count && b < m_nrBones; ++b) {
        m_vOut[b] = ZqMatrix::UNIT;
    }
}

void ZqGlAnimationPlayer::MatrixCalc::setMatrix(const uint32_t bone, const ZqMatrix& m) {
    if (bone < m_nrBones) {
        m_vOut[bone] = m;
    }
}

void ZqGlAnimationPlayer::MatrixCalc::setBoneScale(const uint32_t bone, const float x,
                                                   const float y, const float z) {
    if (bone < m_nrBones) {
        m_vBones[bone].scale = ZqVector3(x, y, z);
    }
}

ZqVector3& ZqGlAnimationPlayer::MatrixCalc::getBoneScale(const uint32_t bone) {
    if (bone < m_nrBones) {
        return m_vBones[bone].scale;
    }
    g_unusedScale = ZqVector3(1.0f, 1.0f, 1.0f);
    return g_unusedScale;
}

void ZqGlAnimationPlayer::MatrixCalc::setRotateLimitation(const uint32_t bone, const float xFrom,
                                                          const float xTo, const float yFrom,
                                                          const float yTo, const float zFrom,
                                                          const float zTo) {
    if (bone < m_nrBones) {
        float* const l = m_vBones[bone].limits;
        l[0] = xFrom;
        l[1] = xTo;
        l[2] = yFrom;
        l[3] = yTo;
        l[4] = zFrom;
        l[5] = zTo;
    }
}

void ZqGlAnimationPlayer::MatrixCalc::calcOutMatrices(uint32_t count,
                                                      const RotTransScalePtrs* const ptrs) {
    if (count > m_nrBones) {
        count = m_nrBones;
    }
    for (uint32_t b = 0; b < count; ++b) {
        const float* const q = ptrs[b].rot;
        const float* const t = ptrs[b].trans;
        m_vOut[b].setFromQuat(q[0], q[1], q[2], q[3]).setTrans(t[0], t[1], t[2], t[3]);
    }
    if ((m_flags & FLAG_RETARGET) != 0 && m_pRetarget != nullptr) {
        const uint8_t* const table = static_cast<const uint8_t*>(m_pRetarget->getMemory());
        for (uint32_t b = 0; b < count; ++b) {
            ZqMatrix offset;
            ZqMatrix rest;
            std::memcpy(offset.m, table + b * RETARGET_BYTES, sizeof(ZqMatrix));
            std::memcpy(rest.m, table + b * RETARGET_BYTES + sizeof(ZqMatrix), sizeof(ZqMatrix));
            ZqMatrix& m = m_vOut[b];
            m.mul(rest, m);
            const float r[4] = {m._41, m._42, m._43, m._44};
            for (int j = 0; j < 4; ++j) {
                m.m[3][j] = r[0] * offset.m[0][j] + r[1] * offset.m[1][j] + r[2] * offset.m[2][j] +
                            r[3] * offset.m[3][j];
            }
        }
    }
    if ((m_flags & FLAG_LIMITATION) != 0) {
        for (uint32_t b = 0; b < count; ++b) {
            const float* const l = m_vBones[b].limits;
            m_vOut[b].setRotXYZLimitation(l[0], l[1], l[2], l[3], l[4], l[5]);
        }
    }
}

void ZqGlAnimationPlayer::MatrixCalc::hierOutMatrices(uint32_t count,
                                                      const RotTransScalePtrs* const ptrs) {
    if (count > m_nrBones) {
        count = m_nrBones;
    }
    const bool boneScale = (m_flags & FLAG_BONE_SCALE) != 0;
    const bool tracks = (m_flags & FLAG_SCALE_TRACKS) != 0;
    if (!boneScale && !tracks) {
        for (uint32_t b = 0; b < count; ++b) {
            const int parent = m_vParents[b];
            if (parent >= 0) {
                m_vOut[b].mul(m_vOut[b], m_vOut[parent]);
            }
        }
        return;
    }
    // A parent's scale moves its children (their offsets grow by its x scale) without
    // scaling them; a bone's own scale shapes only its own matrix.
    for (uint32_t b = 0; b < count; ++b) {
        const int parent = m_vParents[b];
        float sx = boneScale ? m_vBones[b].scale.x : 1.0f;
        float sy = boneScale ? m_vBones[b].scale.y : 1.0f;
        float sz = boneScale ? m_vBones[b].scale.z : 1.0f;
        if (tracks) {
            sx *= ptrs[b].scale[0];
            sy *= ptrs[b].scale[1];
            sz *= ptrs[b].scale[2];
        }
        ZqMatrix& m = m_vOut[b];
        if (parent >= 0) {
            const float ps = (boneScale ? m_vBones[parent].scale.x : 1.0f) *
                             (tracks ? ptrs[parent].scale[0] : 1.0f);
            m._41 *= ps;
            m._42 *= ps;
            m._43 *= ps;
        }
        const ZqMatrix local = m;
        m.scale(sx, sy, sz);
        if (parent >= 0) {
            m_vUnscaled[b].mul(local, m_vUnscaled[parent]);
            m.mul(m, m_vUnscaled[parent]);
        } else {
            m_vUnscaled[b] = local;
        }
    }
}

bool ZqGlAnimationPlayer::MatrixCalc::setMotionRetarget(const ZqGlModel* const target,
                                                        const ZqGlModel* const source) {
    if (target == nullptr || source == nullptr) {
        releaseTable();
        return true;
    }
    const uint32_t count = m_nrBones;
    if (target->getNrBones() != count || source->getNrBones() != count) {
        zqp::setLastError(ERROR_RETARGET_COUNT);
        return false;
    }
    for (uint32_t b = 0; b < count; ++b) {
        if (target->getBoneParentNr(b) != source->getBoneParentNr(b)) {
            zqp::setLastError(ERROR_RETARGET_TREE);
            return false;
        }
    }
    const std::u16string name =
        std::u16string(u"*MotionRetargetTab") + target->getName() + u"*" + source->getName();
    ZqRefAlloc* const table = ZqRefAlloc::create(name.c_str(), count * RETARGET_BYTES);
    if (table == nullptr) {
        zqp::setLastError(ERROR_RETARGET_TABLE);
        return false;
    }
    releaseTable();
    m_pRetarget = table;
    std::vector<ZqMatrix> t;
    std::vector<ZqMatrix> s;
    try {
        localBinds(*target, count, t);
        localBinds(*source, count, s);
    } catch (const std::bad_alloc&) {
        throw ZqError::ANIMATION_MEMORY;
    }
    uint8_t* const memory = static_cast<uint8_t*>(table->getMemory());
    for (uint32_t b = 0; b < count; ++b) {
        ZqMatrix rest;
        rest.mul(t[b], ZqMatrix().inverse(s[b]));
        rest._41 = 0.0f;
        rest._42 = 0.0f;
        rest._43 = 0.0f;
        const ZqMatrix offset = offsetMatrix(t[b], s[b]);
        std::memcpy(memory + b * RETARGET_BYTES, offset.m, sizeof(ZqMatrix));
        std::memcpy(memory + b * RETARGET_BYTES + sizeof(ZqMatrix), rest.m, sizeof(ZqMatrix));
    }
    return true;
}
