// ZqQuat: the framework's rotation quaternion (x, y, z, w): the vector part first, the
// scalar part last, laid out like ZqVector4. Key-frame interpolation of bones and cameras,
// oriented boxes and the game's orientation code use it. Composition follows the matrices:
// a * b is the rotation a followed by b, so (a * b).toMatrix = a.toMatrix * b.toMatrix.
// Only normalize and lerpNormalize normalise. Angles are radians. The default constructor
// leaves the components uninitialised.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqNumeric.h"
#include "zq/math/ZqVector3.h"
#include "zq/math/ZqVector4.h"

class ZqQuat {
public:
    float x;
    float y;
    float z;
    float w;

    // (0, 0, 0, 0) and the identity rotation (0, 0, 0, 1); filled in when the library loads.
    static const ZqQuat ZERO;
    static const ZqQuat UNIT;

    ZqQuat() = default;
    constexpr ZqQuat(const float px, const float py, const float pz, const float pw)
        : x(px), y(py), z(pz), w(pw) {}
    explicit ZqQuat(const float* p) : x(p[0]), y(p[1]), z(p[2]), w(p[3]) {}
    explicit ZqQuat(const ZqVector4& v) : x(v.x), y(v.y), z(v.z), w(v.w) {}
    // (v, 0).
    explicit ZqQuat(const ZqVector3& v) : x(v.x), y(v.y), z(v.z), w(0.0f) {}
    // (0, 0, 0, w).
    explicit constexpr ZqQuat(const float pw) : x(0.0f), y(0.0f), z(0.0f), w(pw) {}

    ZqQuat& set(const float px, const float py, const float pz, const float pw) {
        x = px;
        y = py;
        z = pz;
        w = pw;
        return *this;
    }
    ZqQuat& setZero() { return set(0.0f, 0.0f, 0.0f, 0.0f); }
    ZqQuat& setIdentity() { return *this = UNIT; }
    // Rotation by r about the axis (x, y, z), which is normalised first; the 4-vector form
    // takes the angle from w.
    ZqQuat& setFromXYZR(float ax, float ay, float az, float r);
    ZqQuat& setFromXYZR(const ZqVector3& axis, const float r) {
        return setFromXYZR(axis.x, axis.y, axis.z, r);
    }
    ZqQuat& setFromXYZR(const ZqVector4& v) { return setFromXYZR(v.x, v.y, v.z, v.w); }
    // The rotation of the matrix's upper 3x3 (expected orthonormal).
    ZqQuat& setFromMatrixRotation(const ZqMatrix& m);
    // The shortest-arc rotation turning from into to (both expected of unit length; the
    // 4-vector forms use x, y, z). Nearly opposite vectors give a half turn about an axis
    // perpendicular to from.
    ZqQuat& setFromV2V(const ZqVector3& from, const ZqVector3& to);
    ZqQuat& setFromV2V(const ZqVector4& from, const ZqVector4& to) {
        return setFromV2V(from.getVector3(), to.getVector3());
    }

    // ---- arithmetic -----------------------------------------------------------------------
    ZqQuat& add(const ZqQuat& a, const ZqQuat& b) {
        return set(a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w);
    }
    ZqQuat& mul(const ZqQuat& a, const float s) { return set(a.x * s, a.y * s, a.z * s, a.w * s); }
    // The rotation a followed by b.
    ZqQuat& mul(const ZqQuat& a, const ZqQuat& b) {
        return set(b.w * a.x + b.x * a.w + b.y * a.z - b.z * a.y,
                   b.w * a.y - b.x * a.z + b.y * a.w + b.z * a.x,
                   b.w * a.z + b.x * a.y - b.y * a.x + b.z * a.w,
                   b.w * a.w - b.x * a.x - b.y * a.y - b.z * a.z);
    }
    ZqQuat& negate(const ZqQuat& q) { return set(-q.x, -q.y, -q.z, -q.w); }
    ZqQuat& negate() { return negate(*this); }
    ZqQuat& conjugate(const ZqQuat& q) { return set(-q.x, -q.y, -q.z, q.w); }
    ZqQuat& conjugate() { return conjugate(*this); }
    // The conjugate over the squared length; the zero quaternion stays zero.
    ZqQuat& invert(const ZqQuat& q);
    ZqQuat& invert() { return invert(*this); }
    // Unit length; the zero quaternion stays zero.
    ZqQuat& normalize(const ZqQuat& q) {
        const float l2 = q.lengthSquared();
        return l2 == 0.0f ? setZero() : mul(q, 1.0f / zqSqrt(l2));
    }
    ZqQuat& normalize() { return normalize(*this); }
    float dot(const ZqQuat& b) const { return x * b.x + y * b.y + z * b.z + w * b.w; }
    float lengthSquared() const { return dot(*this); }
    float length() const { return zqSqrt(lengthSquared()); }

    ZqQuat operator+(const ZqQuat& b) const { return ZqQuat().add(*this, b); }
    ZqQuat operator-(const ZqQuat& b) const { return ZqQuat(x - b.x, y - b.y, z - b.z, w - b.w); }
    ZqQuat operator*(const float s) const { return ZqQuat().mul(*this, s); }
    ZqQuat operator*(const ZqQuat& b) const { return ZqQuat().mul(*this, b); }
    ZqQuat operator+() const { return *this; }
    ZqQuat operator-() const { return ZqQuat(-x, -y, -z, -w); }
    ZqQuat& operator+=(const ZqQuat& b) { return add(*this, b); }
    ZqQuat& operator-=(const ZqQuat& b) { return *this = *this - b; }
    ZqQuat& operator*=(const float s) { return mul(*this, s); }
    ZqQuat& operator*=(const ZqQuat& b) { return mul(*this, b); }

    // ---- interpolation (t not clamped; the short forms start from this quaternion) ---------
    // a + (b - a) * t per component, not normalised; lerpNormalize then normalises.
    ZqQuat& lerp(const ZqQuat& a, const ZqQuat& b, const float t) {
        return set(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t,
                   a.w + (b.w - a.w) * t);
    }
    ZqQuat& lerp(const ZqQuat& b, const float t) { return lerp(*this, b, t); }
    ZqQuat& lerpNormalize(const ZqQuat& a, const ZqQuat& b, const float t) {
        return lerp(a, b, t).normalize();
    }
    ZqQuat& lerpNormalize(const ZqQuat& b, const float t) { return lerpNormalize(*this, b, t); }
    // Spherical interpolation along the shorter arc (b is flipped when a . b < 0); nearly
    // equal quaternions are blended linearly.
    ZqQuat& slerp(const ZqQuat& a, const ZqQuat& b, float t);
    ZqQuat& slerp(const ZqQuat& b, const float t) { return slerp(*this, b, t); }
    // The same along the shorter arc with the reciprocal estimate and the 1e-5 linear
    // threshold; the result is not normalised.
    ZqQuat& acuteSlerp(const ZqQuat& a, const ZqQuat& b, float t);
    ZqQuat& acuteSlerp(const ZqQuat& b, const float t) { return acuteSlerp(*this, b, t); }
    // slerp(slerp(p, q, t), slerp(a, b, t), 2t(1 - t)).
    ZqQuat& squad(const ZqQuat& p, const ZqQuat& a, const ZqQuat& b, const ZqQuat& q, float t);
    ZqQuat& squad(const ZqQuat& a, const ZqQuat& b, const ZqQuat& q, const float t) {
        return squad(*this, a, b, q, t);
    }

    // ---- read-out and tests ---------------------------------------------------------------
    // Axis and angle (0..2pi); a rotation with no defined axis reports (0, 0, 1).
    void getXYZR(float& ax, float& ay, float& az, float& r) const;
    void getXYZR(ZqVector3& axis, float& r) const { getXYZR(axis.x, axis.y, axis.z, r); }
    void getXYZR(ZqVector4& v) const { getXYZR(v.x, v.y, v.z, v.w); }
    // Identical bit patterns (-0.0 differs from 0.0).
    bool equals(const ZqQuat& b) const;
    bool epsilonEquals(const ZqQuat& b, float eps) const;
    bool isFinite(float bound) const;
    bool isFinite(float lo, float hi) const;
    // Exactly (0, 0, 0, 1) as floats (-0.0 counts as 0.0).
    bool isIdentity() const { return x == 0.0f && y == 0.0f && z == 0.0f && w == 1.0f; }
};

// Inline: key-frame players and the mixer run it for every bone every frame, and a call would
// pass both quaternions through memory.
inline ZqQuat& ZqQuat::slerp(const ZqQuat& a, const ZqQuat& b, const float t) {
    float d = a.dot(b);
    float sign = 1.0f;
    if (d < 0.0f) {
        d = -d;
        sign = -1.0f;
    }
    float k0 = 1.0f - t;
    float k1 = t;
    if (1.0f - d > 1e-6f) {
        // k0 = sin((1 - t) theta) / sin theta and k1 = sin(t theta) / sin theta, with
        // sin((1 - t) theta) = sin theta cos(t theta) - cos theta sin(t theta): one sine and
        // cosine pair instead of three sines. 1 - d is exact here, so sin theta stays exact.
        const float theta = std::acos(d);
        const float st = zqSqrt((1.0f - d) * (1.0f + d));
        const float at = t * theta;
        k1 = std::sin(at) / st;
        k0 = std::cos(at) - d * k1;
    }
    k1 *= sign;
    return set(a.x * k0 + b.x * k1, a.y * k0 + b.y * k1, a.z * k0 + b.z * k1, a.w * k0 + b.w * k1);
}
