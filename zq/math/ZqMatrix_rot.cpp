// ZqMatrix: rotations, Euler angles and the decomposition into translation, rotation and
// scale.
#include "zq/math/ZqMatrix.h"

#include "zq/math/ZqQuat.h"
#include "zq/math/ZqVector4.h"

#include <cmath>

namespace {

struct SinCos {
    float s;
    float c;
};

// Sine and cosine on double, rounded to float.
SinCos sinCos(const float a) {
    const double d = a;
    return {static_cast<float>(std::sin(d)), static_cast<float>(std::cos(d))};
}

float atan2Float(const float y, const float x) {
    return static_cast<float>(std::atan2(static_cast<double>(y), static_cast<double>(x)));
}

// The upper 3x3 of Rx(x) * Ry(y) * Rz(z).
void rot3XYZ(float r[3][3], const float x, const float y, const float z) {
    const SinCos ax = sinCos(x);
    const SinCos ay = sinCos(y);
    const SinCos az = sinCos(z);
    r[0][0] = az.c * ay.c;
    r[0][1] = az.s * ay.c;
    r[0][2] = -ay.s;
    r[1][0] = az.c * ay.s * ax.s - az.s * ax.c;
    r[1][1] = az.s * ay.s * ax.s + az.c * ax.c;
    r[1][2] = ay.c * ax.s;
    r[2][0] = az.c * ay.s * ax.c + az.s * ax.s;
    r[2][1] = az.s * ay.s * ax.c - az.c * ax.s;
    r[2][2] = ay.c * ax.c;
}

// The upper 3x3 of Rz(z) * Ry(y) * Rx(x).
void rot3ZYX(float r[3][3], const float x, const float y, const float z) {
    const SinCos ax = sinCos(x);
    const SinCos ay = sinCos(y);
    const SinCos az = sinCos(z);
    r[0][0] = az.c * ay.c;
    r[0][1] = az.s * ax.c + az.c * ay.s * ax.s;
    r[0][2] = az.s * ax.s - az.c * ay.s * ax.c;
    r[1][0] = -az.s * ay.c;
    r[1][1] = az.c * ax.c - az.s * ay.s * ax.s;
    r[1][2] = az.s * ay.s * ax.c + az.c * ax.s;
    r[2][0] = ay.s;
    r[2][1] = -ay.c * ax.s;
    r[2][2] = ay.c * ax.c;
}

// out = the rotation r in the upper 3x3, translation row (0, 0, 0, 1).
void setRot3(ZqMatrix& out, const float r[3][3]) {
    out.set(r[0][0], r[0][1], r[0][2], 0.0f, r[1][0], r[1][1], r[1][2], 0.0f, r[2][0], r[2][1],
            r[2][2], 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
}

// out = m with the first three columns of every row multiplied by r; the fourth column kept.
void mulRot3(ZqMatrix& out, const ZqMatrix& m, const float r[3][3]) {
    for (int i = 0; i < 4; ++i) {
        const float p = m.m[i][0];
        const float q = m.m[i][1];
        const float s = m.m[i][2];
        out.m[i][0] = p * r[0][0] + q * r[1][0] + s * r[2][0];
        out.m[i][1] = p * r[0][1] + q * r[1][1] + s * r[2][1];
        out.m[i][2] = p * r[0][2] + q * r[1][2] + s * r[2][2];
        out.m[i][3] = m.m[i][3];
    }
}

void eulerXYZ(const ZqMatrix& m, float& x, float& y, float& z) {
    const float c = zqSqrt(m._11 * m._11 + m._12 * m._12);
    y = atan2Float(-m._13, c);
    if (c <= 0.0f) {
        x = 0.0f;
        z = atan2Float(-m._21, m._22);
    } else {
        x = atan2Float(m._23, m._33);
        z = atan2Float(m._12, m._11);
    }
}

void eulerZYX(const ZqMatrix& m, float& x, float& y, float& z) {
    const float c = zqSqrt(m._11 * m._11 + m._21 * m._21);
    y = atan2Float(m._31, c);
    if (c <= 0.0f) {
        x = 0.0f;
        z = atan2Float(m._12, m._22);
    } else {
        x = atan2Float(-m._32, m._33);
        z = atan2Float(-m._21, m._11);
    }
}

// Clamps v into the closed range between two bounds given in either order.
float clampBetween(const float v, const float a, const float b) {
    const float lo = a < b ? a : b;
    const float hi = a < b ? b : a;
    return v < lo ? lo : (v > hi ? hi : v);
}

} // namespace

ZqMatrix& ZqMatrix::setRotX(const float a) {
    const float c = std::cos(a);
    const float s = std::sin(a);
    return set(1.0f, 0.0f, 0.0f, 0.0f, 0.0f, c, s, 0.0f, 0.0f, -s, c, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
}

ZqMatrix& ZqMatrix::setRotY(const float a) {
    const float c = std::cos(a);
    const float s = std::sin(a);
    return set(c, 0.0f, -s, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, s, 0.0f, c, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
}

ZqMatrix& ZqMatrix::setRotZ(const float a) {
    const float c = std::cos(a);
    const float s = std::sin(a);
    return set(c, s, 0.0f, 0.0f, -s, c, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
}

ZqMatrix& ZqMatrix::setRotAxis(const float ax, const float ay, const float az, const float a) {
    ZqVector3 n(ax, ay, az);
    n.normalize();
    const float c = std::cos(a);
    const float s = std::sin(a);
    const float t = 1.0f - c;
    return set(t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y, 0.0f,
               t * n.x * n.y - s * n.z, t * n.y * n.y + c, t * n.y * n.z + s * n.x, 0.0f,
               t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x, t * n.z * n.z + c, 0.0f, 0.0f,
               0.0f, 0.0f, 1.0f);
}

ZqMatrix& ZqMatrix::setRotAxis(const ZqVector3& axis, const float a) {
    return setRotAxis(axis.x, axis.y, axis.z, a);
}

ZqMatrix& ZqMatrix::setRotAxis(const ZqVector4& axis, const float a) {
    return setRotAxis(axis.x, axis.y, axis.z, a);
}

ZqMatrix& ZqMatrix::setRotXYZ(const float x, const float y, const float z) {
    float r[3][3];
    rot3XYZ(r, x, y, z);
    setRot3(*this, r);
    return *this;
}

ZqMatrix& ZqMatrix::setRotXYZ(const ZqVector3& r) {
    return setRotXYZ(r.x, r.y, r.z);
}

ZqMatrix& ZqMatrix::setRotXYZ(const ZqVector4& r) {
    return setRotXYZ(r.x, r.y, r.z);
}

ZqMatrix& ZqMatrix::setRotZYX(const float x, const float y, const float z) {
    float r[3][3];
    rot3ZYX(r, x, y, z);
    setRot3(*this, r);
    return *this;
}

ZqMatrix& ZqMatrix::setRotZYX(const ZqVector3& r) {
    return setRotZYX(r.x, r.y, r.z);
}

ZqMatrix& ZqMatrix::setRotZYX(const ZqVector4& r) {
    return setRotZYX(r.x, r.y, r.z);
}

ZqMatrix& ZqMatrix::setFromQuat(const ZqQuat& q) {
    return setFromQuat(q.x, q.y, q.z, q.w);
}

ZqMatrix& ZqMatrix::setFromQuat(const float x, const float y, const float z, const float w) {
    const float xx = x * x;
    const float yy = y * y;
    const float zz = z * z;
    const float xy = x * y;
    const float xz = x * z;
    const float yz = y * z;
    const float xw = x * w;
    const float yw = y * w;
    const float zw = z * w;
    return set(1.0f - 2.0f * (yy + zz), 2.0f * (xy + zw), 2.0f * (xz - yw), 0.0f, 2.0f * (xy - zw),
               1.0f - 2.0f * (xx + zz), 2.0f * (yz + xw), 0.0f, 2.0f * (xz + yw), 2.0f * (yz - xw),
               1.0f - 2.0f * (xx + yy), 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
}

ZqMatrix& ZqMatrix::rotX(const ZqMatrix& src, const float a) {
    const float c = std::cos(a);
    const float s = std::sin(a);
    for (int i = 0; i < 4; ++i) {
        const float q = src.m[i][1];
        const float r = src.m[i][2];
        m[i][0] = src.m[i][0];
        m[i][1] = q * c - r * s;
        m[i][2] = q * s + r * c;
        m[i][3] = src.m[i][3];
    }
    return *this;
}

ZqMatrix& ZqMatrix::rotY(const ZqMatrix& src, const float a) {
    const float c = std::cos(a);
    const float s = std::sin(a);
    for (int i = 0; i < 4; ++i) {
        const float p = src.m[i][0];
        const float r = src.m[i][2];
        m[i][0] = p * c + r * s;
        m[i][1] = src.m[i][1];
        m[i][2] = r * c - p * s;
        m[i][3] = src.m[i][3];
    }
    return *this;
}

ZqMatrix& ZqMatrix::rotZ(const ZqMatrix& src, const float a) {
    const float c = std::cos(a);
    const float s = std::sin(a);
    for (int i = 0; i < 4; ++i) {
        const float p = src.m[i][0];
        const float q = src.m[i][1];
        m[i][0] = p * c - q * s;
        m[i][1] = p * s + q * c;
        m[i][2] = src.m[i][2];
        m[i][3] = src.m[i][3];
    }
    return *this;
}

ZqMatrix& ZqMatrix::rotXYZ(const ZqMatrix& src, const float x, const float y, const float z) {
    float r[3][3];
    rot3XYZ(r, x, y, z);
    mulRot3(*this, src, r);
    return *this;
}

ZqMatrix& ZqMatrix::rotXYZ(const ZqMatrix& src, const ZqVector3& r) {
    return rotXYZ(src, r.x, r.y, r.z);
}

ZqMatrix& ZqMatrix::rotXYZ(const ZqMatrix& src, const ZqVector4& r) {
    return rotXYZ(src, r.x, r.y, r.z);
}

ZqMatrix& ZqMatrix::rotZYX(const ZqMatrix& src, const float x, const float y, const float z) {
    float r[3][3];
    rot3ZYX(r, x, y, z);
    mulRot3(*this, src, r);
    return *this;
}

ZqMatrix& ZqMatrix::rotZYX(const ZqMatrix& src, const ZqVector3& r) {
    return rotZYX(src, r.x, r.y, r.z);
}

ZqMatrix& ZqMatrix::rotZYX(const ZqMatrix& src, const ZqVector4& r) {
    return rotZYX(src, r.x, r.y, r.z);
}

void ZqMatrix::getRotXYZ(ZqVector3& r) const {
    eulerXYZ(*this, r.x, r.y, r.z);
}

void ZqMatrix::getRotXYZ(ZqVector4& r) const {
    eulerXYZ(*this, r.x, r.y, r.z);
    r.w = 1.0f;
}

void ZqMatrix::getRotZYX(ZqVector3& r) const {
    eulerZYX(*this, r.x, r.y, r.z);
}

void ZqMatrix::getRotZYX(ZqVector4& r) const {
    eulerZYX(*this, r.x, r.y, r.z);
    r.w = 1.0f;
}

void ZqMatrix::getScale(ZqVector4& s) const {
    s.set(zqSqrt(_11 * _11 + _21 * _21 + _31 * _31), zqSqrt(_12 * _12 + _22 * _22 + _32 * _32),
          zqSqrt(_13 * _13 + _23 * _23 + _33 * _33), 1.0f);
}

ZqMatrix& ZqMatrix::cutScale(ZqVector4& s) {
    float len[3];
    for (int j = 0; j < 3; ++j) {
        len[j] = zqSqrt(m[0][j] * m[0][j] + m[1][j] * m[1][j] + m[2][j] * m[2][j]);
        if (len[j] != 0.0f) {
            const float r = zqRcp(len[j]);
            m[0][j] *= r;
            m[1][j] *= r;
            m[2][j] *= r;
        }
    }
    s.set(len[0], len[1], len[2], 1.0f);
    return *this;
}

ZqMatrix& ZqMatrix::cutScale() {
    ZqVector4 unused;
    return cutScale(unused);
}

bool ZqMatrix::getTransRotXYZScale(ZqVector4* const trans, ZqVector4& rot,
                                   ZqVector4* const scale) const {
    if (trans != nullptr) {
        trans->set(_41, _42, _43, 1.0f);
    }
    ZqMatrix n(*this);
    ZqVector4 s;
    n.cutScale(s);
    if (scale != nullptr) {
        *scale = s;
    }
    n.getRotXYZ(rot);
    return true;
}

bool ZqMatrix::getTransRotZYXScale(ZqVector4* const trans, ZqVector4& rot,
                                   ZqVector4* const scale) const {
    if (trans != nullptr) {
        trans->set(_41, _42, _43, 1.0f);
    }
    ZqMatrix n(*this);
    ZqVector4 s;
    n.cutScale(s);
    if (scale != nullptr) {
        *scale = s;
    }
    n.getRotZYX(rot);
    return true;
}

ZqMatrix& ZqMatrix::setRotXYZLimitation(const float xA, const float xB, const float yA,
                                        const float yB, const float zA, const float zB) {
    if (xA == xB && yA == yB && zA == zB) {
        return *this;
    }
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    eulerXYZ(*this, x, y, z);
    if (xA != xB) {
        x = clampBetween(x, xA, xB);
    }
    if (yA != yB) {
        y = clampBetween(y, yA, yB);
    }
    if (zA != zB) {
        z = clampBetween(z, zA, zB);
    }
    float r[3][3];
    rot3XYZ(r, x, y, z);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            m[i][j] = r[i][j];
        }
    }
    return *this;
}
