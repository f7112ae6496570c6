// ZqVector2: two floats (x, y), the framework's 2D vector value type, laid out as two plain
// floats so that arrays of them go to vertex code as is. Row-vector convention: transforms
// are vector * matrix with the translation in the matrix's fourth row. Members that modify
// the vector return it; two-operand forms (a, b) write a op b into this vector. The longer
// vectors convert to this one by taking their leading components. The default constructor
// leaves the components uninitialised.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqNumeric.h"

class ZqVector2 {
public:
    float x;
    float y;

    // Filled in when the library is loaded.
    static const ZqVector2 ZERO;
    static const ZqVector2 UNIT;
    static const ZqVector2 UNIT_X;
    static const ZqVector2 UNIT_Y;

    ZqVector2() = default;
    constexpr ZqVector2(const float px, const float py) : x(px), y(py) {}
    explicit ZqVector2(const float* p) : x(p[0]), y(p[1]) {}

    ZqVector2& set(const float px, const float py) {
        x = px;
        y = py;
        return *this;
    }
    ZqVector2& set(const float* p) { return set(p[0], p[1]); }
    ZqVector2& set(const ZqVector2& v) { return *this = v; }
    ZqVector2& setZero() { return set(0.0f, 0.0f); }
    // (m41, m42).
    ZqVector2& setFromMatrixPosition(const ZqMatrix& m) { return set(m._41, m._42); }

    // ---- arithmetic -----------------------------------------------------------------------
    ZqVector2& add(const ZqVector2& a, const ZqVector2& b) { return set(a.x + b.x, a.y + b.y); }
    ZqVector2& add(const ZqVector2& b) { return add(*this, b); }
    ZqVector2& sub(const ZqVector2& a, const ZqVector2& b) { return set(a.x - b.x, a.y - b.y); }
    ZqVector2& sub(const ZqVector2& b) { return sub(*this, b); }
    ZqVector2& mul(const ZqVector2& a, const ZqVector2& b) { return set(a.x * b.x, a.y * b.y); }
    ZqVector2& mul(const ZqVector2& b) { return mul(*this, b); }
    ZqVector2& mul(const ZqVector2& a, const float s) { return set(a.x * s, a.y * s); }
    ZqVector2& mul(const float s) { return mul(*this, s); }
    ZqVector2& div(const ZqVector2& a, const ZqVector2& b) { return set(a.x / b.x, a.y / b.y); }
    ZqVector2& div(const ZqVector2& b) { return div(*this, b); }
    // One reciprocal, then multiplications.
    ZqVector2& div(const ZqVector2& a, const float s) { return mul(a, 1.0f / s); }
    ZqVector2& div(const float s) { return div(*this, s); }
    ZqVector2& negate(const ZqVector2& a) { return set(-a.x, -a.y); }
    ZqVector2& negate() { return negate(*this); }
    ZqVector2& abs(const ZqVector2& a) { return set(zqFabs(a.x), zqFabs(a.y)); }
    ZqVector2& abs() { return abs(*this); }
    // Per component; on equal or unordered (NaN) components the second operand's is taken.
    ZqVector2& min(const ZqVector2& a, const ZqVector2& b) {
        return set(a.x < b.x ? a.x : b.x, a.y < b.y ? a.y : b.y);
    }
    ZqVector2& min(const ZqVector2& b) { return min(*this, b); }
    ZqVector2& max(const ZqVector2& a, const ZqVector2& b) {
        return set(a.x > b.x ? a.x : b.x, a.y > b.y ? a.y : b.y);
    }
    ZqVector2& max(const ZqVector2& b) { return max(*this, b); }
    // a + (b - a) * t, t not clamped.
    ZqVector2& lerp(const ZqVector2& a, const ZqVector2& b, const float t) {
        return set(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t);
    }
    ZqVector2& lerp(const ZqVector2& b, const float t) { return lerp(*this, b, t); }

    ZqVector2 operator+(const ZqVector2& b) const { return ZqVector2(x + b.x, y + b.y); }
    ZqVector2 operator-(const ZqVector2& b) const { return ZqVector2(x - b.x, y - b.y); }
    ZqVector2 operator*(const ZqVector2& b) const { return ZqVector2(x * b.x, y * b.y); }
    ZqVector2 operator*(const float s) const { return ZqVector2(x * s, y * s); }
    ZqVector2 operator/(const ZqVector2& b) const { return ZqVector2(x / b.x, y / b.y); }
    ZqVector2 operator/(const float s) const { return *this * (1.0f / s); }
    ZqVector2 operator+() const { return *this; }
    ZqVector2 operator-() const { return ZqVector2(-x, -y); }
    ZqVector2& operator+=(const ZqVector2& b) { return add(b); }
    ZqVector2& operator-=(const ZqVector2& b) { return sub(b); }
    ZqVector2& operator*=(const ZqVector2& b) { return mul(b); }
    ZqVector2& operator*=(const float s) { return mul(s); }
    ZqVector2& operator/=(const ZqVector2& b) { return div(b); }
    ZqVector2& operator/=(const float s) { return div(s); }

    // ---- measures -------------------------------------------------------------------------
    float dot(const ZqVector2& b) const { return x * b.x + y * b.y; }
    static float dot(const ZqVector2& a, const ZqVector2& b) { return a.dot(b); }
    // a.x * b.y - a.y * b.x: positive when b lies counter-clockwise of a.
    float ccw(const ZqVector2& b) const { return x * b.y - y * b.x; }
    static float ccw(const ZqVector2& a, const ZqVector2& b) { return a.ccw(b); }
    float lengthSquared() const { return x * x + y * y; }
    float length() const { return zqSqrt(lengthSquared()); }
    float distanceSquared(const ZqVector2& b) const { return (*this - b).lengthSquared(); }
    float distance(const ZqVector2& b) const { return zqSqrt(distanceSquared(b)); }
    // Unit length in the same direction; the zero vector stays zero.
    ZqVector2& normalize(const ZqVector2& a) {
        const float l2 = a.lengthSquared();
        return l2 == 0.0f ? set(0.0f, 0.0f) : mul(a, 1.0f / zqSqrt(l2));
    }
    ZqVector2& normalize() { return normalize(*this); }

    // ---- tests ----------------------------------------------------------------------------
    // Identical bit patterns (-0.0 differs from 0.0, a NaN equals the same NaN).
    bool equals(const ZqVector2& b) const;
    // abs(difference) <= eps for every component; a NaN gives false.
    bool epsilonEquals(const ZqVector2& b, float eps) const;
    bool isFinite(float bound) const;
    bool isFinite(float lo, float hi) const;

    // ---- transforms -----------------------------------------------------------------------
    // As a direction: (x, y, 0, 0) * m.
    ZqVector2& rot(const ZqVector2& a, const ZqMatrix& m) {
        return set(a.x * m._11 + a.y * m._21, a.x * m._12 + a.y * m._22);
    }
    ZqVector2& rot(const ZqMatrix& m) { return rot(*this, m); }
    // As a point: (x, y, 0, 1) * m, without the divide.
    ZqVector2& rotTrans(const ZqVector2& a, const ZqMatrix& m) {
        return set(a.x * m._11 + a.y * m._21 + m._41, a.x * m._12 + a.y * m._22 + m._42);
    }
    ZqVector2& rotTrans(const ZqMatrix& m) { return rotTrans(*this, m); }
    ZqVector2& mul(const ZqVector2& a, const ZqMatrix& m) { return rotTrans(a, m); }
    ZqVector2& mul(const ZqMatrix& m) { return rotTrans(*this, m); }
    ZqVector2 operator*(const ZqMatrix& m) const { return ZqVector2().rotTrans(*this, m); }
    ZqVector2& operator*=(const ZqMatrix& m) { return rotTrans(m); }
    // As a point with the projective divide: (x, y, 0, 1) * m, then x / w and y / w.
    ZqVector2& rotTransProj(const ZqVector2& a, const ZqMatrix& m);
    ZqVector2& rotTransProj(const ZqMatrix& m) { return rotTransProj(*this, m); }
};
