// ZqVector3: three floats (x, y, z), the framework's position, direction and size type, laid
// out as three plain floats. Right-handed; row-vector convention (a point is transformed as
// vector * matrix, the translation in the matrix's fourth row). Members that modify the
// vector return it; two-operand forms (a, b) write a op b into this vector. Converts to a
// ZqVector2 by taking (x, y); a ZqVector4 converts to it by taking (x, y, z). The default
// constructor leaves the components uninitialised.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqNumeric.h"
#include "zq/math/ZqVector2.h"

class ZqVector4;

class ZqVector3 {
public:
    float x;
    float y;
    float z;

    // Filled in when the library is loaded.
    static const ZqVector3 ZERO;
    static const ZqVector3 UNIT;
    static const ZqVector3 UNIT_X;
    static const ZqVector3 UNIT_Y;
    static const ZqVector3 UNIT_Z;

    ZqVector3() = default;
    constexpr ZqVector3(const float px, const float py, const float pz) : x(px), y(py), z(pz) {}
    explicit ZqVector3(const float* p) : x(p[0]), y(p[1]), z(p[2]) {}

    // (x, y) as a copy, or as a view of the same storage.
    operator ZqVector2() const { return ZqVector2(x, y); }
    ZqVector2& getVector2() { return reinterpret_cast<ZqVector2&>(*this); }
    const ZqVector2& getVector2() const { return reinterpret_cast<const ZqVector2&>(*this); }

    ZqVector3& set(const float px, const float py, const float pz) {
        x = px;
        y = py;
        z = pz;
        return *this;
    }
    ZqVector3& set(const float* p) { return set(p[0], p[1], p[2]); }
    ZqVector3& set(const ZqVector3& v) { return *this = v; }
    ZqVector3& setZero() { return set(0.0f, 0.0f, 0.0f); }
    // (m41, m42, m43).
    ZqVector3& setFromMatrixPosition(const ZqMatrix& m) { return set(m._41, m._42, m._43); }

    // ---- arithmetic -----------------------------------------------------------------------
    ZqVector3& add(const ZqVector3& a, const ZqVector3& b) {
        return set(a.x + b.x, a.y + b.y, a.z + b.z);
    }
    ZqVector3& add(const ZqVector3& b) { return add(*this, b); }
    ZqVector3& sub(const ZqVector3& a, const ZqVector3& b) {
        return set(a.x - b.x, a.y - b.y, a.z - b.z);
    }
    ZqVector3& sub(const ZqVector3& b) { return sub(*this, b); }
    ZqVector3& mul(const ZqVector3& a, const ZqVector3& b) {
        return set(a.x * b.x, a.y * b.y, a.z * b.z);
    }
    ZqVector3& mul(const ZqVector3& b) { return mul(*this, b); }
    ZqVector3& mul(const ZqVector3& a, const float s) { return set(a.x * s, a.y * s, a.z * s); }
    ZqVector3& mul(const float s) { return mul(*this, s); }
    ZqVector3& div(const ZqVector3& a, const ZqVector3& b) {
        return set(a.x / b.x, a.y / b.y, a.z / b.z);
    }
    ZqVector3& div(const ZqVector3& b) { return div(*this, b); }
    // One reciprocal, then multiplications.
    ZqVector3& div(const ZqVector3& a, const float s) { return mul(a, 1.0f / s); }
    ZqVector3& div(const float s) { return div(*this, s); }
    ZqVector3& negate(const ZqVector3& a) { return set(-a.x, -a.y, -a.z); }
    ZqVector3& negate() { return negate(*this); }
    ZqVector3& abs(const ZqVector3& a) { return set(zqFabs(a.x), zqFabs(a.y), zqFabs(a.z)); }
    ZqVector3& abs() { return abs(*this); }
    // Per component; on equal or unordered (NaN) components the second operand's is taken.
    ZqVector3& min(const ZqVector3& a, const ZqVector3& b) {
        return set(a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y, a.z < b.z ? a.z : b.z);
    }
    ZqVector3& min(const ZqVector3& b) { return min(*this, b); }
    ZqVector3& max(const ZqVector3& a, const ZqVector3& b) {
        return set(a.x > b.x ? a.x : b.x, a.y > b.y ? a.y : b.y, a.z > b.z ? a.z : b.z);
    }
    ZqVector3& max(const ZqVector3& b) { return max(*this, b); }
    // a + (b - a) * t, t not clamped.
    ZqVector3& lerp(const ZqVector3& a, const ZqVector3& b, const float t) {
        return set(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t);
    }
    ZqVector3& lerp(const ZqVector3& b, const float t) { return lerp(*this, b, t); }

    ZqVector3 operator+(const ZqVector3& b) const { return ZqVector3(x + b.x, y + b.y, z + b.z); }
    ZqVector3 operator-(const ZqVector3& b) const { return ZqVector3(x - b.x, y - b.y, z - b.z); }
    ZqVector3 operator*(const ZqVector3& b) const { return ZqVector3(x * b.x, y * b.y, z * b.z); }
    ZqVector3 operator*(const float s) const { return ZqVector3(x * s, y * s, z * s); }
    ZqVector3 operator/(const ZqVector3& b) const { return ZqVector3(x / b.x, y / b.y, z / b.z); }
    ZqVector3 operator/(const float s) const { return *this * (1.0f / s); }
    ZqVector3 operator+() const { return *this; }
    ZqVector3 operator-() const { return ZqVector3(-x, -y, -z); }
    ZqVector3& operator+=(const ZqVector3& b) { return add(b); }
    ZqVector3& operator-=(const ZqVector3& b) { return sub(b); }
    ZqVector3& operator*=(const ZqVector3& b) { return mul(b); }
    ZqVector3& operator*=(const float s) { return mul(s); }
    ZqVector3& operator/=(const ZqVector3& b) { return div(b); }
    ZqVector3& operator/=(const float s) { return div(s); }

    // ---- products and measures ------------------------------------------------------------
    float dot(const ZqVector3& b) const { return x * b.x + y * b.y + z * b.z; }
    static float dot(const ZqVector3& a, const ZqVector3& b) { return a.dot(b); }
    // Right-handed a x b; reads both operands before writing, so either may be this vector.
    ZqVector3& cross(const ZqVector3& a, const ZqVector3& b) {
        return set(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
    }
    ZqVector3& cross(const ZqVector3& b) { return cross(*this, b); }
    // (this x b) . c, and (a x b) . c.
    float scalarTriple(const ZqVector3& b, const ZqVector3& c) const {
        return ZqVector3().cross(*this, b).dot(c);
    }
    static float scalarTriple(const ZqVector3& a, const ZqVector3& b, const ZqVector3& c) {
        return a.scalarTriple(b, c);
    }
    float lengthSquared() const { return x * x + y * y + z * z; }
    float length() const { return zqSqrt(lengthSquared()); }
    float distanceSquared(const ZqVector3& b) const { return (*this - b).lengthSquared(); }
    float distance(const ZqVector3& b) const { return zqSqrt(distanceSquared(b)); }
    // The largest (smallest) component, or absolute component; i receives its index 0..2.
    // Ties go to the lowest index.
    float getMaxElement(int& i) const;
    float getMinElement(int& i) const;
    float getMaxAbsElement(int& i) const;
    float getMinAbsElement(int& i) const;

    // Unit length in the same direction; the zero vector stays zero.
    ZqVector3& normalize(const ZqVector3& a) {
        const float l2 = a.lengthSquared();
        return l2 == 0.0f ? set(0.0f, 0.0f, 0.0f) : mul(a, 1.0f / zqSqrt(l2));
    }
    ZqVector3& normalize() { return normalize(*this); }
    // a with every component whose magnitude is below eps * a's largest magnitude set to 0.
    ZqVector3& degenerate(const ZqVector3& a, float eps);
    ZqVector3& degenerate(const float eps) { return degenerate(*this, eps); }
    // Reflection off a plane of unit normal n with restitution e (1 mirrors, 0 removes the
    // normal part): this -= n * (this . n) * (e + 1).
    ZqVector3& reflect(const ZqVector3& n, const float e) { return sub(n * (dot(n) * (e + 1.0f))); }

    // ---- tests ----------------------------------------------------------------------------
    // Identical bit patterns (-0.0 differs from 0.0, a NaN equals the same NaN).
    bool equals(const ZqVector3& b) const;
    // abs(difference) <= eps for every component; a NaN gives false.
    bool epsilonEquals(const ZqVector3& b, float eps) const;
    bool isFinite(float bound) const;
    bool isFinite(float lo, float hi) const;
    // abs(x^2 + y^2 + z^2 - 1) <= eps.
    bool isNormalized(const float eps) const { return zqFabs(lengthSquared() - 1.0f) <= eps; }

    // ---- transforms -----------------------------------------------------------------------
    // As a direction: (x, y, z, 0) * m.
    ZqVector3& rot(const ZqVector3& a, const ZqMatrix& m) {
        return set(a.x * m._11 + a.y * m._21 + a.z * m._31, a.x * m._12 + a.y * m._22 + a.z * m._32,
                   a.x * m._13 + a.y * m._23 + a.z * m._33);
    }
    ZqVector3& rot(const ZqMatrix& m) { return rot(*this, m); }
    // As a point: (x, y, z, 1) * m, without the divide.
    ZqVector3& rotTrans(const ZqVector3& a, const ZqMatrix& m) {
        return set((a.x * m._11 + a.y * m._21) + (a.z * m._31 + m._41),
                   (a.x * m._12 + a.y * m._22) + (a.z * m._32 + m._42),
                   (a.x * m._13 + a.y * m._23) + (a.z * m._33 + m._43));
    }
    ZqVector3& rotTrans(const ZqMatrix& m) { return rotTrans(*this, m); }
    ZqVector3& mul(const ZqVector3& a, const ZqMatrix& m) { return rotTrans(a, m); }
    ZqVector3& mul(const ZqMatrix& m) { return rotTrans(*this, m); }
    ZqVector3 operator*(const ZqMatrix& m) const { return ZqVector3().rotTrans(*this, m); }
    ZqVector3& operator*=(const ZqMatrix& m) { return rotTrans(m); }
    // As a point with the projective divide: (x, y, z, 1) * m, then divided by its w.
    ZqVector3& rotTransProj(const ZqVector3& a, const ZqMatrix& m) {
        const float w = a.x * m._14 + a.y * m._24 + a.z * m._34 + m._44;
        rotTrans(a, m);
        return mul(1.0f / w);
    }
    ZqVector3& rotTransProj(const ZqMatrix& m) { return rotTransProj(*this, m); }

    // ---- camera ---------------------------------------------------------------------------
    // Between world space and window coordinates (x, y in pixels from the viewport's top
    // left, z the depth between minZ and maxZ) through world * view * projection; viewport
    // holds its x, y, width and height. When that product cannot be inverted, unproject
    // leaves its output unchanged.
    ZqVector3& project(const ZqVector3& in, const ZqVector4& viewport, float minZ, float maxZ,
                       const ZqMatrix& proj, const ZqMatrix& view, const ZqMatrix& world);
    ZqVector3& unproject(const ZqVector3& in, const ZqVector4& viewport, float minZ, float maxZ,
                         const ZqMatrix& proj, const ZqMatrix& view, const ZqMatrix& world);
    // The same for count points; out may be in.
    static void unproject(ZqVector3* out, const ZqVector3* in, unsigned count,
                          const ZqVector4& viewport, float minZ, float maxZ, const ZqMatrix& proj,
                          const ZqMatrix& view, const ZqMatrix& world);
};
