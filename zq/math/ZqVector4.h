// ZqVector4: four floats (x, y, z, w): homogeneous points, planes, colours (red, green, blue,
// alpha) and the storage that the quaternion shares. Laid out as four plain floats. The XYZ
// members work on x, y, z exactly as the ZqVector3 members of the same name and keep this
// vector's w. Converts to ZqVector2 and ZqVector3 by taking the leading components. The
// default constructor leaves the components uninitialised.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqNumeric.h"
#include "zq/math/ZqVector2.h"
#include "zq/math/ZqVector3.h"

class ZqVector4 {
public:
    float x;
    float y;
    float z;
    float w;

    // Filled in when the library is loaded.
    static const ZqVector4 ZERO;
    static const ZqVector4 UNIT;
    static const ZqVector4 UNIT_X;
    static const ZqVector4 UNIT_Y;
    static const ZqVector4 UNIT_Z;
    static const ZqVector4 UNIT_W;

    ZqVector4() = default;
    constexpr ZqVector4(const float px, const float py, const float pz, const float pw)
        : x(px), y(py), z(pz), w(pw) {}
    explicit ZqVector4(const float* p) : x(p[0]), y(p[1]), z(p[2]), w(p[3]) {}
    // x, y from p, then z and w.
    ZqVector4(const float* p, const float pz, const float pw) : x(p[0]), y(p[1]), z(pz), w(pw) {}
    // x, y, z from p (or v), then w.
    ZqVector4(const float* p, const float pw) : x(p[0]), y(p[1]), z(p[2]), w(pw) {}
    ZqVector4(const ZqVector3& v, const float pw) : x(v.x), y(v.y), z(v.z), w(pw) {}
    // (v, 1): a point.
    explicit ZqVector4(const ZqVector3& v) : x(v.x), y(v.y), z(v.z), w(1.0f) {}

    // The leading components as a copy, or as a view of the same storage.
    operator ZqVector2() const { return ZqVector2(x, y); }
    operator ZqVector3() const { return ZqVector3(x, y, z); }
    ZqVector2& getVector2() { return reinterpret_cast<ZqVector2&>(*this); }
    const ZqVector2& getVector2() const { return reinterpret_cast<const ZqVector2&>(*this); }
    ZqVector3& getVector3() { return reinterpret_cast<ZqVector3&>(*this); }
    const ZqVector3& getVector3() const { return reinterpret_cast<const ZqVector3&>(*this); }

    ZqVector4& set(const float px, const float py, const float pz, const float pw) {
        x = px;
        y = py;
        z = pz;
        w = pw;
        return *this;
    }
    ZqVector4& set(const float* p) { return set(p[0], p[1], p[2], p[3]); }
    ZqVector4& set(const ZqVector2& v, const float pz, const float pw) {
        return set(v.x, v.y, pz, pw);
    }
    ZqVector4& set(const ZqVector3& v, const float pw) { return set(v.x, v.y, v.z, pw); }
    ZqVector4& set(const ZqVector4& v) { return *this = v; }
    // Only the named components; the others stay.
    ZqVector4& setXY(const float px, const float py) {
        x = px;
        y = py;
        return *this;
    }
    ZqVector4& setXY(const ZqVector2& v) { return setXY(v.x, v.y); }
    ZqVector4& setXYZ(const float px, const float py, const float pz) {
        x = px;
        y = py;
        z = pz;
        return *this;
    }
    ZqVector4& setXYZ(const ZqVector3& v) { return setXYZ(v.x, v.y, v.z); }
    ZqVector4& setW(const float pw) {
        w = pw;
        return *this;
    }
    ZqVector4& copyXYZ(const ZqVector4& v) { return setXYZ(v.x, v.y, v.z); }
    ZqVector4& setZero() { return set(0.0f, 0.0f, 0.0f, 0.0f); }
    // The whole fourth row m41..m44.
    ZqVector4& setFromMatrixPosition(const ZqMatrix& m) { return set(m._41, m._42, m._43, m._44); }

    // ---- arithmetic on all four components ------------------------------------------------
    ZqVector4& add(const ZqVector4& a, const ZqVector4& b) {
        return set(a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w);
    }
    ZqVector4& add(const ZqVector4& b) { return add(*this, b); }
    ZqVector4& sub(const ZqVector4& a, const ZqVector4& b) {
        return set(a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w);
    }
    ZqVector4& sub(const ZqVector4& b) { return sub(*this, b); }
    ZqVector4& mul(const ZqVector4& a, const ZqVector4& b) {
        return set(a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w);
    }
    ZqVector4& mul(const ZqVector4& b) { return mul(*this, b); }
    ZqVector4& mul(const ZqVector4& a, const float s) {
        return set(a.x * s, a.y * s, a.z * s, a.w * s);
    }
    ZqVector4& mul(const float s) { return mul(*this, s); }
    ZqVector4& div(const ZqVector4& a, const ZqVector4& b) {
        return set(a.x / b.x, a.y / b.y, a.z / b.z, a.w / b.w);
    }
    ZqVector4& div(const ZqVector4& b) { return div(*this, b); }
    // One reciprocal, then multiplications.
    ZqVector4& div(const ZqVector4& a, const float s) { return mul(a, 1.0f / s); }
    ZqVector4& div(const float s) { return div(*this, s); }
    ZqVector4& negate(const ZqVector4& a) { return set(-a.x, -a.y, -a.z, -a.w); }
    ZqVector4& negate() { return negate(*this); }
    ZqVector4& abs(const ZqVector4& a) {
        return set(zqFabs(a.x), zqFabs(a.y), zqFabs(a.z), zqFabs(a.w));
    }
    ZqVector4& abs() { return abs(*this); }
    // Per component; on equal or unordered (NaN) components the second operand's is taken.
    ZqVector4& min(const ZqVector4& a, const ZqVector4& b) {
        return set(a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y, a.z < b.z ? a.z : b.z,
                   a.w < b.w ? a.w : b.w);
    }
    ZqVector4& min(const ZqVector4& b) { return min(*this, b); }
    ZqVector4& max(const ZqVector4& a, const ZqVector4& b) {
        return set(a.x > b.x ? a.x : b.x, a.y > b.y ? a.y : b.y, a.z > b.z ? a.z : b.z,
                   a.w > b.w ? a.w : b.w);
    }
    ZqVector4& max(const ZqVector4& b) { return max(*this, b); }
    // a + (b - a) * t, t not clamped.
    ZqVector4& lerp(const ZqVector4& a, const ZqVector4& b, const float t) {
        return set(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t,
                   a.w + (b.w - a.w) * t);
    }
    ZqVector4& lerp(const ZqVector4& b, const float t) { return lerp(*this, b, t); }

    ZqVector4 operator+(const ZqVector4& b) const { return ZqVector4().add(*this, b); }
    ZqVector4 operator-(const ZqVector4& b) const { return ZqVector4().sub(*this, b); }
    ZqVector4 operator*(const ZqVector4& b) const { return ZqVector4().mul(*this, b); }
    ZqVector4 operator*(const float s) const { return ZqVector4().mul(*this, s); }
    ZqVector4 operator/(const ZqVector4& b) const { return ZqVector4().div(*this, b); }
    ZqVector4 operator/(const float s) const { return ZqVector4().div(*this, s); }
    ZqVector4 operator+() const { return *this; }
    ZqVector4 operator-() const { return ZqVector4(-x, -y, -z, -w); }
    ZqVector4& operator+=(const ZqVector4& b) { return add(b); }
    ZqVector4& operator-=(const ZqVector4& b) { return sub(b); }
    ZqVector4& operator*=(const ZqVector4& b) { return mul(b); }
    ZqVector4& operator*=(const float s) { return mul(s); }
    ZqVector4& operator/=(const ZqVector4& b) { return div(b); }
    ZqVector4& operator/=(const float s) { return div(s); }

    // ---- measures over all four components ------------------------------------------------
    float dot(const ZqVector4& b) const { return x * b.x + y * b.y + z * b.z + w * b.w; }
    static float dot(const ZqVector4& a, const ZqVector4& b) { return a.dot(b); }
    float lengthSquared() const { return dot(*this); }
    float length() const { return zqSqrt(lengthSquared()); }
    float distanceSquared(const ZqVector4& b) const { return (*this - b).lengthSquared(); }
    float distance(const ZqVector4& b) const { return zqSqrt(distanceSquared(b)); }

    // ---- x, y, z only; w stays this vector's own --------------------------------------------
    ZqVector4& addXYZ(const ZqVector3& a, const ZqVector3& b) { return setXYZ(a + b); }
    ZqVector4& addXYZ(const ZqVector3& b) { return setXYZ(getVector3() + b); }
    ZqVector4& subXYZ(const ZqVector3& a, const ZqVector3& b) { return setXYZ(a - b); }
    ZqVector4& subXYZ(const ZqVector3& b) { return setXYZ(getVector3() - b); }
    ZqVector4& mulXYZ(const ZqVector3& a, const ZqVector3& b) { return setXYZ(a * b); }
    ZqVector4& mulXYZ(const ZqVector3& b) { return setXYZ(getVector3() * b); }
    ZqVector4& mulXYZ(const ZqVector3& a, const float s) { return setXYZ(a * s); }
    ZqVector4& mulXYZ(const float s) { return setXYZ(getVector3() * s); }
    ZqVector4& divXYZ(const ZqVector3& a, const ZqVector3& b) { return setXYZ(a / b); }
    ZqVector4& divXYZ(const ZqVector3& b) { return setXYZ(getVector3() / b); }
    ZqVector4& divXYZ(const ZqVector3& a, const float s) { return setXYZ(a / s); }
    ZqVector4& divXYZ(const float s) { return setXYZ(getVector3() / s); }
    ZqVector4& negateXYZ(const ZqVector3& a) { return setXYZ(-a); }
    ZqVector4& negateXYZ() { return setXYZ(-getVector3()); }
    ZqVector4& absXYZ(const ZqVector3& a) { return setXYZ(ZqVector3().abs(a)); }
    ZqVector4& absXYZ() { return absXYZ(getVector3()); }
    ZqVector4& minXYZ(const ZqVector3& a, const ZqVector3& b) {
        return setXYZ(ZqVector3().min(a, b));
    }
    ZqVector4& minXYZ(const ZqVector3& b) { return minXYZ(getVector3(), b); }
    ZqVector4& maxXYZ(const ZqVector3& a, const ZqVector3& b) {
        return setXYZ(ZqVector3().max(a, b));
    }
    ZqVector4& maxXYZ(const ZqVector3& b) { return maxXYZ(getVector3(), b); }
    ZqVector4& lerpXYZ(const ZqVector3& a, const ZqVector3& b, const float t) {
        return setXYZ(ZqVector3().lerp(a, b, t));
    }
    ZqVector4& lerpXYZ(const ZqVector3& b, const float t) { return lerpXYZ(getVector3(), b, t); }
    ZqVector4& crossXYZ(const ZqVector3& a, const ZqVector3& b) {
        return setXYZ(ZqVector3().cross(a, b));
    }
    ZqVector4& crossXYZ(const ZqVector3& b) { return crossXYZ(getVector3(), b); }
    ZqVector4& normalizeXYZ(const ZqVector3& a) { return setXYZ(ZqVector3().normalize(a)); }
    ZqVector4& normalizeXYZ() { return normalizeXYZ(getVector3()); }
    float dotXYZ(const ZqVector3& b) const { return x * b.x + y * b.y + z * b.z; }
    float lengthSquaredXYZ() const { return x * x + y * y + z * z; }
    float lengthXYZ() const { return zqSqrt(lengthSquaredXYZ()); }
    float distanceSquaredXYZ(const ZqVector3& b) const { return getVector3().distanceSquared(b); }
    float distanceXYZ(const ZqVector3& b) const { return zqSqrt(distanceSquaredXYZ(b)); }

    // ---- tests ----------------------------------------------------------------------------
    // Identical bit patterns (-0.0 differs from 0.0, a NaN equals the same NaN).
    bool equals(const ZqVector4& b) const;
    // abs(difference) <= eps for every component; a NaN gives false.
    bool epsilonEquals(const ZqVector4& b, float eps) const;
    bool isFinite(float bound) const;
    bool isFinite(float lo, float hi) const;

    // ---- transforms -----------------------------------------------------------------------
    // x, y, z as a direction by the upper 3x3 of m; w stays this vector's own.
    ZqVector4& rot(const ZqVector3& a, const ZqMatrix& m) { return setXYZ(ZqVector3().rot(a, m)); }
    ZqVector4& rot(const ZqMatrix& m) { return rot(getVector3(), m); }
    // x, y, z as a point, (x, y, z, 1) * m without the divide; w stays this vector's own.
    ZqVector4& rotTrans(const ZqVector3& a, const ZqMatrix& m) {
        return setXYZ(ZqVector3().rotTrans(a, m));
    }
    ZqVector4& rotTrans(const ZqMatrix& m) { return rotTrans(getVector3(), m); }
    // The full product (x, y, z, w) * m.
    ZqVector4& mul(const ZqVector4& a, const ZqMatrix& m) {
        return set(a.x * m._11 + a.y * m._21 + a.z * m._31 + a.w * m._41,
                   a.x * m._12 + a.y * m._22 + a.z * m._32 + a.w * m._42,
                   a.x * m._13 + a.y * m._23 + a.z * m._33 + a.w * m._43,
                   a.x * m._14 + a.y * m._24 + a.z * m._34 + a.w * m._44);
    }
    ZqVector4& mul(const ZqMatrix& m) { return mul(*this, m); }
    ZqVector4 operator*(const ZqMatrix& m) const { return ZqVector4().mul(*this, m); }
    ZqVector4& operator*=(const ZqMatrix& m) { return mul(m); }
    // (a.x, a.y, a.z, 1) * m = (X, Y, Z, W); this becomes (X / W, Y / W, Z / W, W) and the
    // reciprocal 1 / W (zqRcp) is returned. When W is exactly 0 this stays and 0 is returned.
    float rotTransProj(const ZqVector3& a, const ZqMatrix& m);
    float rotTransProj(const ZqMatrix& m) { return rotTransProj(getVector3(), m); }
};
