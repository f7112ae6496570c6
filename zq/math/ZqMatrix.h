// ZqMatrix: the framework's 4x4 float matrix for model, bone, camera and figure transforms.
// Row vectors (a point p is transformed as p * M), the translation in the fourth row, and
// left-to-right composition (A * B applies A first). Sixteen floats _11 .. _44 in row-major
// order, the memory layout of the Direct3D matrix, so a ZqMatrix goes to the device as is.
// Angles are radians. A plain value type with no virtual members; the default constructor
// leaves the elements uninitialised. Depends only on the numeric helpers; the vector and
// quaternion types it reads or writes are forward-declared here.
#pragma once

#include "zq/math/ZqNumeric.h"

class ZqVector3;
class ZqVector4;
class ZqQuat;

class ZqMatrix {
public:
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };

    // All zero, and the identity; filled in when the library is loaded.
    static const ZqMatrix ZERO;
    static const ZqMatrix UNIT;

    ZqMatrix() = default;
    constexpr ZqMatrix(const float m11, const float m12, const float m13, const float m14,
                       const float m21, const float m22, const float m23, const float m24,
                       const float m31, const float m32, const float m33, const float m34,
                       const float m41, const float m42, const float m43, const float m44)
        : m{{m11, m12, m13, m14},
            {m21, m22, m23, m24},
            {m31, m32, m33, m34},
            {m41, m42, m43, m44}} {}
    // Sixteen floats in row-major order.
    explicit ZqMatrix(const float* p) { set(p); }
    explicit ZqMatrix(const float (&a)[4][4]) { set(a); }
    // s on the four diagonal elements, 0 elsewhere.
    explicit constexpr ZqMatrix(const float s)
        : m{{s, 0.0f, 0.0f, 0.0f},
            {0.0f, s, 0.0f, 0.0f},
            {0.0f, 0.0f, s, 0.0f},
            {0.0f, 0.0f, 0.0f, s}} {}
    // The identity with the fourth row (x, y, z, 1): a translation.
    constexpr ZqMatrix(const float x, const float y, const float z)
        : m{{1.0f, 0.0f, 0.0f, 0.0f},
            {0.0f, 1.0f, 0.0f, 0.0f},
            {0.0f, 0.0f, 1.0f, 0.0f},
            {x, y, z, 1.0f}} {}
    explicit ZqMatrix(const ZqVector3& t);

    // ---- setting --------------------------------------------------------------------------
    ZqMatrix& set(float m11, float m12, float m13, float m14, float m21, float m22, float m23,
                  float m24, float m31, float m32, float m33, float m34, float m41, float m42,
                  float m43, float m44);
    ZqMatrix& set(const float* p);
    ZqMatrix& set(const float (&a)[4][4]) { return set(&a[0][0]); }
    ZqMatrix& set(float s);
    ZqMatrix& set(float x, float y, float z);
    ZqMatrix& set(const ZqVector3& t);
    ZqMatrix& setIdentity() { return *this = UNIT; }
    ZqMatrix& setZero() { return *this = ZERO; }
    // diag(x, y, z, 1) or diag(x, y, z, w), 0 elsewhere.
    ZqMatrix& setScale(float x, float y, float z) { return setScale(x, y, z, 1.0f); }
    ZqMatrix& setScale(const ZqVector3& s);
    ZqMatrix& setScale(float x, float y, float z, float w);
    ZqMatrix& setScale(const ZqVector4& s);
    // The whole matrix becomes the rotation about one axis.
    ZqMatrix& setRotX(float a);
    ZqMatrix& setRotY(float a);
    ZqMatrix& setRotZ(float a);
    // Rotation by a about the axis (x, y, z), which is normalised first.
    ZqMatrix& setRotAxis(float x, float y, float z, float a);
    ZqMatrix& setRotAxis(const ZqVector3& axis, float a);
    ZqMatrix& setRotAxis(const ZqVector4& axis, float a);
    // The whole matrix becomes Rx * Ry * Rz (a point turns about X first), or Rz * Ry * Rx.
    ZqMatrix& setRotXYZ(float x, float y, float z);
    ZqMatrix& setRotXYZ(const ZqVector3& r);
    ZqMatrix& setRotXYZ(const ZqVector4& r);
    ZqMatrix& setRotZYX(float x, float y, float z);
    ZqMatrix& setRotZYX(const ZqVector3& r);
    ZqMatrix& setRotZYX(const ZqVector4& r);
    // The rotation matrix of a quaternion (not normalised first); translation row (0, 0, 0, 1).
    ZqMatrix& setFromQuat(const ZqQuat& q);
    ZqMatrix& setFromQuat(float x, float y, float z, float w);

    // m41..m43 only, or the whole fourth row; trans adds to m41..m43.
    ZqMatrix& setTrans(const float x, const float y, const float z) {
        _41 = x;
        _42 = y;
        _43 = z;
        return *this;
    }
    ZqMatrix& setTrans(const ZqVector3& t);
    ZqMatrix& setTrans(const float x, const float y, const float z, const float w) {
        _41 = x;
        _42 = y;
        _43 = z;
        _44 = w;
        return *this;
    }
    ZqMatrix& setTrans(const ZqVector4& t);
    ZqMatrix& trans(const float x, const float y, const float z) {
        _41 += x;
        _42 += y;
        _43 += z;
        return *this;
    }
    ZqMatrix& trans(const ZqVector3& t);
    ZqMatrix& trans(const ZqVector4& t);
    void getTrans(ZqVector3& t) const;
    // m41..m44.
    void getTrans(ZqVector4& t) const;

    // Rows and columns are numbered 0..3.
    void getRow(int i, ZqVector4& r) const;
    ZqMatrix& setRow(int i, const ZqVector4& r);
    ZqMatrix& setRow(const int i, const float x, const float y, const float z, const float w) {
        m[i][0] = x;
        m[i][1] = y;
        m[i][2] = z;
        m[i][3] = w;
        return *this;
    }
    void getColumn(int j, ZqVector4& c) const;
    ZqMatrix& setColumn(int j, const ZqVector4& c);
    ZqMatrix& setColumn(const int j, const float x, const float y, const float z, const float w) {
        m[0][j] = x;
        m[1][j] = y;
        m[2][j] = z;
        m[3][j] = w;
        return *this;
    }

    // ---- arithmetic -----------------------------------------------------------------------
    ZqMatrix& add(const ZqMatrix& a, const ZqMatrix& b);
    ZqMatrix& add(const ZqMatrix& b) { return add(*this, b); }
    ZqMatrix& sub(const ZqMatrix& a, const ZqMatrix& b);
    ZqMatrix& sub(const ZqMatrix& b) { return sub(*this, b); }
    ZqMatrix& mul(const ZqMatrix& a, float s);
    ZqMatrix& mul(const float s) { return mul(*this, s); }
    // this = a * b (a applied first); any of this, a and b may be the same matrix.
    ZqMatrix& mul(const ZqMatrix& a, const ZqMatrix& b) {
#if defined(ZQ_MATH_SSE)
        // Each result row is a's row weighting b's four rows. Everything is loaded before
        // the first store, so the result may overwrite either operand.
        const __m128 b0 = _mm_loadu_ps(b.m[0]);
        const __m128 b1 = _mm_loadu_ps(b.m[1]);
        const __m128 b2 = _mm_loadu_ps(b.m[2]);
        const __m128 b3 = _mm_loadu_ps(b.m[3]);
        __m128 r[4];
        for (int i = 0; i < 4; ++i) {
            const __m128 ar = _mm_loadu_ps(a.m[i]);
            __m128 v = _mm_mul_ps(_mm_shuffle_ps(ar, ar, 0x00), b0);
            v = _mm_add_ps(v, _mm_mul_ps(_mm_shuffle_ps(ar, ar, 0x55), b1));
            v = _mm_add_ps(v, _mm_mul_ps(_mm_shuffle_ps(ar, ar, 0xAA), b2));
            r[i] = _mm_add_ps(v, _mm_mul_ps(_mm_shuffle_ps(ar, ar, 0xFF), b3));
        }
        for (int i = 0; i < 4; ++i) {
            _mm_storeu_ps(m[i], r[i]);
        }
        return *this;
#else
        return mulBody(a, b);
#endif
    }
    ZqMatrix& mul(const ZqMatrix& b) {
        return mul(*this, b);
    }
    ZqMatrix& negate(const ZqMatrix& a) {
        return mul(a, -1.0f);
    }
    ZqMatrix& negate() {
        return mul(*this, -1.0f);
    }
    ZqMatrix& abs(const ZqMatrix& a);
    ZqMatrix& abs() {
        return abs(*this);
    }
    ZqMatrix& transpose(const ZqMatrix& a);
    ZqMatrix& transpose() {
        return transpose(*this);
    }
    // this = the inverse of a. A singular a (determinant exactly 0) leaves this unchanged.
    ZqMatrix& inverse(const ZqMatrix& a);
    ZqMatrix& inverse() {
        return inverse(*this);
    }
    float determinant() const;
    float trace() const {
        return _11 + _22 + _33 + _44;
    }

    ZqMatrix operator+(const ZqMatrix& b) const {
        return ZqMatrix().add(*this, b);
    }
    ZqMatrix operator-(const ZqMatrix& b) const {
        return ZqMatrix().sub(*this, b);
    }
    ZqMatrix operator*(const float s) const {
        return ZqMatrix().mul(*this, s);
    }
    ZqMatrix operator*(const ZqMatrix& b) const {
        return ZqMatrix().mul(*this, b);
    }
    ZqMatrix operator-() const {
        return ZqMatrix().negate(*this);
    }
    ZqMatrix operator+() const {
        return *this;
    }
    ZqMatrix& operator+=(const ZqMatrix& b) {
        return add(*this, b);
    }
    ZqMatrix& operator-=(const ZqMatrix& b) {
        return sub(*this, b);
    }
    ZqMatrix& operator*=(const float s) {
        return mul(*this, s);
    }
    ZqMatrix& operator*=(const ZqMatrix& b) {
        return mul(*this, b);
    }

    // The first three elements of rows 1, 2 and 3 times x, y and z (this = diag(x, y, z, 1) *
    // this); the fourth column and the translation row are untouched. w has no effect.
    ZqMatrix& scale(float x, float y, float z);
    ZqMatrix& scale(const float x, const float y, const float z, float /*w*/) {
        return scale(x, y, z);
    }
    ZqMatrix& scale(const ZqVector3& s);
    ZqMatrix& scale(const ZqVector4& s);
    ZqMatrix& scaleX(float s);
    ZqMatrix& scaleY(float s);
    ZqMatrix& scaleZ(float s);
    // Negates rows 1 and 3 (or columns 1 and 3), all four elements of each.
    ZqMatrix& invertRow02();
    ZqMatrix& invertColumn02();

    // this = m * R(a): every row, the translation included, turns about the parent origin.
    ZqMatrix& rotX(const ZqMatrix& m, float a);
    ZqMatrix& rotY(const ZqMatrix& m, float a);
    ZqMatrix& rotZ(const ZqMatrix& m, float a);
    ZqMatrix& rotX(const float a) {
        return rotX(*this, a);
    }
    ZqMatrix& rotY(const float a) {
        return rotY(*this, a);
    }
    ZqMatrix& rotZ(const float a) {
        return rotZ(*this, a);
    }
    // this = m * (Rx * Ry * Rz), or m * (Rz * Ry * Rx).
    ZqMatrix& rotXYZ(const ZqMatrix& m, float x, float y, float z);
    ZqMatrix& rotXYZ(const ZqMatrix& m, const ZqVector3& r);
    ZqMatrix& rotXYZ(const ZqMatrix& m, const ZqVector4& r);
    ZqMatrix& rotXYZ(const float x, const float y, const float z) {
        return rotXYZ(*this, x, y, z);
    }
    ZqMatrix& rotXYZ(const ZqVector3& r) {
        return rotXYZ(*this, r);
    }
    ZqMatrix& rotZYX(const ZqMatrix& m, float x, float y, float z);
    ZqMatrix& rotZYX(const ZqMatrix& m, const ZqVector3& r);
    ZqMatrix& rotZYX(const ZqMatrix& m, const ZqVector4& r);
    ZqMatrix& rotZYX(const float x, const float y, const float z) {
        return rotZYX(*this, x, y, z);
    }
    ZqMatrix& rotZYX(const ZqVector3& r) {
        return rotZYX(*this, r);
    }

    // ---- decomposition --------------------------------------------------------------------
    // Euler angles (x, y, z) of the rotation for order XYZ or ZYX; the 4-vector forms set
    // w = 1. y lies in [-pi/2, pi/2]; at y = +-pi/2 x is 0.
    void getRotXYZ(ZqVector3& r) const;
    void getRotXYZ(ZqVector4& r) const;
    void getRotZYX(ZqVector3& r) const;
    void getRotZYX(ZqVector4& r) const;
    // Lengths of the first three elements of columns 1, 2, 3; w = 1.
    void getScale(ZqVector4& s) const;
    // Normalises the first three elements of columns 1, 2, 3 (a zero column stays zero) and
    // reports their former lengths in s (w = 1).
    ZqMatrix& cutScale();
    ZqMatrix& cutScale(ZqVector4& s);
    // Translation (m41, m42, m43, 1), Euler angles (w = 1) and column scale of this matrix;
    // trans and scale may be null. Always true.
    bool getTransRotXYZScale(ZqVector4* trans, ZqVector4& rot, ZqVector4* scale) const;
    bool getTransRotZYXScale(ZqVector4* trans, ZqVector4& rot, ZqVector4* scale) const;
    // Clamps each XYZ Euler angle whose two bounds differ into the range between them (in
    // either order) and rebuilds the upper 3x3 as that rotation (scale is dropped); the
    // fourth column and row stay. When every pair of bounds is equal nothing changes.
    ZqMatrix& setRotXYZLimitation(float xA, float xB, float yA, float yB, float zA, float zB);

    // ---- camera ---------------------------------------------------------------------------
    // Right-handed view and projection matrices in the Direct3D conventions: the view looks
    // down -z and clip-space depth runs from 0 at the near plane to 1 at the far plane.
    ZqMatrix& setLookAtRH(const ZqVector3& eye, const ZqVector3& at, const ZqVector3& up);
    // w, h: the size of the view volume at the near distance.
    ZqMatrix& setPerspectiveRH(float w, float h, float zn, float zf);
    // fovY: the vertical field of view; aspect: width / height.
    ZqMatrix& setPerspectiveFovRH(float fovY, float aspect, float zn, float zf);
    ZqMatrix& setPerspectiveOffCenterRH(float l, float r, float b, float t, float zn, float zf);
    ZqMatrix& setOrthoRH(float w, float h, float zn, float zf);
    ZqMatrix& setOrthoOffCenterRH(float l, float r, float b, float t, float zn, float zf);

    // ---- tests ----------------------------------------------------------------------------
    // All 16 elements equal as floats (0.0 equals -0.0, a NaN never equals).
    bool equals(const ZqMatrix& b) const;
    bool epsilonEquals(const ZqMatrix& b, float eps) const;
    bool isFinite(float bound) const;
    bool isFinite(float lo, float hi) const;
    bool isIdentity() const {
        return equals(UNIT);
    }

private:
    // The portable product, for targets without SSE.
    ZqMatrix& mulBody(const ZqMatrix& a, const ZqMatrix& b);
};
