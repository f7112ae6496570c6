// Internal helpers of the figures that carry their own frame (cylindroid, oriented box) or are
// drawn in a rotated frame (capsule, cylinder, cone): building the three unit axes from a
// quaternion, a matrix or given vectors, moving them, and turning a local vector into world
// space. Not part of the public headers.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqQuat.h"
#include "zq/math/ZqVector3.h"

#include <cstdint>

namespace zqdg {

// Axes = rows 0, 1, 2 of the quaternion's rotation matrix.
inline void axesFromQuat(const ZqQuat& q, ZqVector3* const axes) {
    ZqMatrix m;
    m.setFromQuat(q);
    axes[0].set(m._11, m._12, m._13);
    axes[1].set(m._21, m._22, m._23);
    axes[2].set(m._31, m._32, m._33);
}

// Centre = the translation row, axes = rows 0, 1, 2 normalised.
inline void frameFromMatrix(const ZqMatrix& m, ZqVector3& center, ZqVector3* const axes) {
    center.set(m._41, m._42, m._43);
    axes[0].normalize(ZqVector3(m._11, m._12, m._13));
    axes[1].normalize(ZqVector3(m._21, m._22, m._23));
    axes[2].normalize(ZqVector3(m._31, m._32, m._33));
}

inline void normalizeAxes(const ZqVector3& a0, const ZqVector3& a1, const ZqVector3& a2,
                          ZqVector3* const axes) {
    axes[0].normalize(a0);
    axes[1].normalize(a1);
    axes[2].normalize(a2);
}

// The box between two corners: centre (a + b) / 2, axes x, y, z, half sizes |b - a| / 2.
inline void boxFromCorners(const ZqVector3& a, const ZqVector3& b, ZqVector3& center,
                           ZqVector3* const axes, float* const halves) {
    center = (a + b) * 0.5f;
    axes[0] = ZqVector3(1.0f, 0.0f, 0.0f);
    axes[1] = ZqVector3(0.0f, 1.0f, 0.0f);
    axes[2] = ZqVector3(0.0f, 0.0f, 1.0f);
    halves[0] = zqFabs(b.x - a.x) * 0.5f;
    halves[1] = zqFabs(b.y - a.y) * 0.5f;
    halves[2] = zqFabs(b.z - a.z) * 0.5f;
}

// The centre as a point, the axes as directions (not renormalised).
inline void moveFrame(const ZqMatrix& m, ZqVector3& center, ZqVector3* const axes) {
    center.rotTrans(m);
    axes[0].rot(m);
    axes[1].rot(m);
    axes[2].rot(m);
}

// The twelve edges of a box as corner pairs (corner k taking +axis i where bit i of k is set),
// in drawing order.
constexpr uint8_t BOX_EDGES[24] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 2, 1, 3,
                                   4, 6, 5, 7, 0, 4, 1, 5, 2, 6, 3, 7};

// The coordinates of p in the frame at center: t[i] = axes[i] . (p - center).
inline void localCoordinates(const ZqVector3& center, const ZqVector3* const axes,
                             const ZqVector3& p, float* const t) {
    const ZqVector3 d = p - center;
    t[0] = axes[0].dot(d);
    t[1] = axes[1].dot(d);
    t[2] = axes[2].dot(d);
}

// v replaced by its coordinates along the axes.
inline void toFrame(const ZqVector3* const axes, ZqVector3* const v) {
    const ZqVector3 w = *v;
    v->set(axes[0].dot(w), axes[1].dot(w), axes[2].dot(w));
}

// The checks shared by the framed solids: centre, three sizes finite and positive, three
// finite unit axes.
inline bool frameIsFinite(const ZqVector3& center, const ZqVector3* const axes,
                          const float* const sizes, const float limit) {
    if (!center.isFinite(limit)) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (!isFinite(sizes[i], limit)) {
            return false;
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (!(sizes[i] > 0.0f)) {
            return false;
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (!axes[i].isFinite(limit) || zqFabs(axes[i].dot(axes[i]) - 1.0f) > 0.0001f) {
            return false;
        }
    }
    return true;
}

inline bool frameIsFinite(const ZqVector3& center, const ZqVector3* const axes,
                          const float* const sizes, const float min, const float max) {
    if (!center.isFinite(min, max)) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (!isFinite(sizes[i], min, max)) {
            return false;
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (!(sizes[i] > 0.0f)) {
            return false;
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (!axes[i].isFinite(min, max) || zqFabs(axes[i].dot(axes[i]) - 1.0f) > 0.0001f) {
            return false;
        }
    }
    return true;
}

// The rotation that turns from onto the unit vector to (shortest arc), as a matrix applied to
// row vectors.
inline ZqMatrix rotationOnto(const ZqVector3& from, const ZqVector3& to) {
    ZqMatrix m;
    m.setFromQuat(ZqQuat().setFromV2V(from, to));
    return m;
}

// The angle step of the round drawings, pi / 8.
constexpr float DRAW_STEP = 0.3926991f;

} // namespace zqdg
