#include "zq/math/ZqMatrix.h"

#include "zq/math/ZqQuat.h"
#include "zq/math/ZqVector4.h"

#include <cstring>

constinit const ZqMatrix ZqMatrix::ZERO(0.0f);
constinit const ZqMatrix ZqMatrix::UNIT(1.0f);

ZqMatrix::ZqMatrix(const ZqVector3& t) {
    set(t.x, t.y, t.z);
}

ZqMatrix& ZqMatrix::set(const float m11, const float m12, const float m13, const float m14,
                        const float m21, const float m22, const float m23, const float m24,
                        const float m31, const float m32, const float m33, const float m34,
                        const float m41, const float m42, const float m43, const float m44) {
    return *this = ZqMatrix(m11, m12, m13, m14, m21, m22, m23, m24, m31, m32, m33, m34, m41, m42,
                            m43, m44);
}

ZqMatrix& ZqMatrix::set(const float* p) {
    std::memcpy(m, p, sizeof(m));
    return *this;
}

ZqMatrix& ZqMatrix::set(const float s) {
    return *this = ZqMatrix(s);
}

ZqMatrix& ZqMatrix::set(const float x, const float y, const float z) {
    return *this = ZqMatrix(x, y, z);
}

ZqMatrix& ZqMatrix::set(const ZqVector3& t) {
    return set(t.x, t.y, t.z);
}

ZqMatrix& ZqMatrix::setScale(const ZqVector3& s) {
    return setScale(s.x, s.y, s.z, 1.0f);
}

ZqMatrix& ZqMatrix::setScale(const float x, const float y, const float z, const float w) {
    *this = ZERO;
    _11 = x;
    _22 = y;
    _33 = z;
    _44 = w;
    return *this;
}

ZqMatrix& ZqMatrix::setScale(const ZqVector4& s) {
    return setScale(s.x, s.y, s.z, s.w);
}

ZqMatrix& ZqMatrix::setTrans(const ZqVector3& t) {
    return setTrans(t.x, t.y, t.z);
}

ZqMatrix& ZqMatrix::setTrans(const ZqVector4& t) {
    return setTrans(t.x, t.y, t.z, t.w);
}

ZqMatrix& ZqMatrix::trans(const ZqVector3& t) {
    return trans(t.x, t.y, t.z);
}

ZqMatrix& ZqMatrix::trans(const ZqVector4& t) {
    return trans(t.x, t.y, t.z);
}

void ZqMatrix::getTrans(ZqVector3& t) const {
    t.set(_41, _42, _43);
}

void ZqMatrix::getTrans(ZqVector4& t) const {
    t.set(_41, _42, _43, _44);
}

void ZqMatrix::getRow(const int i, ZqVector4& r) const {
    r.set(m[i][0], m[i][1], m[i][2], m[i][3]);
}

ZqMatrix& ZqMatrix::setRow(const int i, const ZqVector4& r) {
    return setRow(i, r.x, r.y, r.z, r.w);
}

void ZqMatrix::getColumn(const int j, ZqVector4& c) const {
    c.set(m[0][j], m[1][j], m[2][j], m[3][j]);
}

ZqMatrix& ZqMatrix::setColumn(const int j, const ZqVector4& c) {
    return setColumn(j, c.x, c.y, c.z, c.w);
}

ZqMatrix& ZqMatrix::add(const ZqMatrix& a, const ZqMatrix& b) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[i][j] = a.m[i][j] + b.m[i][j];
        }
    }
    return *this;
}

ZqMatrix& ZqMatrix::sub(const ZqMatrix& a, const ZqMatrix& b) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[i][j] = a.m[i][j] - b.m[i][j];
        }
    }
    return *this;
}

ZqMatrix& ZqMatrix::mul(const ZqMatrix& a, const float s) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[i][j] = a.m[i][j] * s;
        }
    }
    return *this;
}

ZqMatrix& ZqMatrix::mulBody(const ZqMatrix& a, const ZqMatrix& b) {
    float r[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                      a.m[i][3] * b.m[3][j];
        }
    }
    std::memcpy(m, r, sizeof(m));
    return *this;
}

ZqMatrix& ZqMatrix::abs(const ZqMatrix& a) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m[i][j] = zqFabs(a.m[i][j]);
        }
    }
    return *this;
}

ZqMatrix& ZqMatrix::transpose(const ZqMatrix& a) {
    const ZqMatrix t(a._11, a._21, a._31, a._41, a._12, a._22, a._32, a._42, a._13, a._23, a._33,
                     a._43, a._14, a._24, a._34, a._44);
    return *this = t;
}

// The inverse by cofactors, from the twelve 2x2 minors of the upper row pair (s0..s5) and
// of the lower row pair (c0..c5). A singular matrix (determinant exactly 0) is left alone.
#if defined(ZQ_MATH_SSE)
namespace {

template <int I> __m128 splat(const __m128 v) {
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(I, I, I, I));
}

// (c[k], c[k], s[k], s[k]): minor k of the lower pair in lanes 0-1, of the upper pair in 2-3.
template <int K> __m128 pairMinor(const __m128 c, const __m128 s) {
    return _mm_shuffle_ps(c, s, _MM_SHUFFLE(K, K, K, K));
}

} // namespace

ZqMatrix& ZqMatrix::inverse(const ZqMatrix& a) {
    const __m128 r0 = _mm_loadu_ps(a.m[0]);
    const __m128 r1 = _mm_loadu_ps(a.m[1]);
    const __m128 r2 = _mm_loadu_ps(a.m[2]);
    const __m128 r3 = _mm_loadu_ps(a.m[3]);

    // Minors of columns (0,1) (0,2) (0,3) (1,2) in lo, (1,3) (2,3) in hi.
    const auto minors = [](const __m128 p, const __m128 q, __m128& lo, __m128& hi) {
        const __m128 p0001 = _mm_shuffle_ps(p, p, _MM_SHUFFLE(1, 0, 0, 0));
        const __m128 q0001 = _mm_shuffle_ps(q, q, _MM_SHUFFLE(1, 0, 0, 0));
        const __m128 p1232 = _mm_shuffle_ps(p, p, _MM_SHUFFLE(2, 3, 2, 1));
        const __m128 q1232 = _mm_shuffle_ps(q, q, _MM_SHUFFLE(2, 3, 2, 1));
        lo = _mm_sub_ps(_mm_mul_ps(p0001, q1232), _mm_mul_ps(q0001, p1232));
        const __m128 p12 = _mm_shuffle_ps(p, p, _MM_SHUFFLE(2, 1, 2, 1));
        const __m128 q12 = _mm_shuffle_ps(q, q, _MM_SHUFFLE(2, 1, 2, 1));
        const __m128 p33 = splat<3>(p);
        const __m128 q33 = splat<3>(q);
        hi = _mm_sub_ps(_mm_mul_ps(p12, q33), _mm_mul_ps(q12, p33));
    };
    __m128 sLo;
    __m128 sHi;
    __m128 cLo;
    __m128 cHi;
    minors(r0, r1, sLo, sHi);
    minors(r2, r3, cLo, cHi);
    const __m128 cs0 = pairMinor<0>(cLo, sLo);
    const __m128 cs1 = pairMinor<1>(cLo, sLo);
    const __m128 cs2 = pairMinor<2>(cLo, sLo);
    const __m128 cs3 = pairMinor<3>(cLo, sLo);
    const __m128 cs4 = pairMinor<0>(cHi, sHi);
    const __m128 cs5 = pairMinor<1>(cHi, sHi);

    // Column j of the rows in the order 1, 0, 3, 2.
    const __m128 lo10 = _mm_unpacklo_ps(r1, r0);
    const __m128 hi10 = _mm_unpackhi_ps(r1, r0);
    const __m128 lo32 = _mm_unpacklo_ps(r3, r2);
    const __m128 hi32 = _mm_unpackhi_ps(r3, r2);
    const __m128 v0 = _mm_movelh_ps(lo10, lo32);
    const __m128 v1 = _mm_movehl_ps(lo32, lo10);
    const __m128 v2 = _mm_movelh_ps(hi10, hi32);
    const __m128 v3 = _mm_movehl_ps(hi32, hi10);

    // Adjugate rows before the alternating sign (+, -, +, -).
    const __m128 t0 =
        _mm_add_ps(_mm_sub_ps(_mm_mul_ps(v1, cs5), _mm_mul_ps(v2, cs4)), _mm_mul_ps(v3, cs3));
    const __m128 t1 =
        _mm_sub_ps(_mm_sub_ps(_mm_mul_ps(v2, cs2), _mm_mul_ps(v0, cs5)), _mm_mul_ps(v3, cs1));
    const __m128 t2 =
        _mm_add_ps(_mm_sub_ps(_mm_mul_ps(v0, cs4), _mm_mul_ps(v1, cs2)), _mm_mul_ps(v3, cs0));
    const __m128 t3 =
        _mm_sub_ps(_mm_sub_ps(_mm_mul_ps(v1, cs1), _mm_mul_ps(v0, cs3)), _mm_mul_ps(v2, cs0));

    // Determinant: row 0 times the adjugate's first column.
    const __m128 col0 = _mm_movelh_ps(_mm_unpacklo_ps(t0, t1), _mm_unpacklo_ps(t2, t3));
    __m128 d = _mm_mul_ps(r0, col0);
    d = _mm_add_ps(d, _mm_movehl_ps(d, d));
    d = _mm_add_ss(d, _mm_shuffle_ps(d, d, _MM_SHUFFLE(1, 1, 1, 1)));
    const float det = _mm_cvtss_f32(d);
    if (det == 0.0f) {
        return *this;
    }
    const float rd = 1.0f / det;
    const __m128 k = _mm_setr_ps(rd, -rd, rd, -rd);
    _mm_storeu_ps(m[0], _mm_mul_ps(t0, k));
    _mm_storeu_ps(m[1], _mm_mul_ps(t1, k));
    _mm_storeu_ps(m[2], _mm_mul_ps(t2, k));
    _mm_storeu_ps(m[3], _mm_mul_ps(t3, k));
    return *this;
}
#else
ZqMatrix& ZqMatrix::inverse(const ZqMatrix& a) {
    float e[16];
    std::memcpy(e, a.m, sizeof(e));
    const float s0 = e[0] * e[5] - e[4] * e[1];
    const float s1 = e[0] * e[6] - e[4] * e[2];
    const float s2 = e[0] * e[7] - e[4] * e[3];
    const float s3 = e[1] * e[6] - e[5] * e[2];
    const float s4 = e[1] * e[7] - e[5] * e[3];
    const float s5 = e[2] * e[7] - e[6] * e[3];
    const float c5 = e[10] * e[15] - e[14] * e[11];
    const float c4 = e[9] * e[15] - e[13] * e[11];
    const float c3 = e[9] * e[14] - e[13] * e[10];
    const float c2 = e[8] * e[15] - e[12] * e[11];
    const float c1 = e[8] * e[14] - e[12] * e[10];
    const float c0 = e[8] * e[13] - e[12] * e[9];
    const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (det == 0.0f) {
        return *this;
    }
    const float d = 1.0f / det;
    const ZqMatrix r(
        (e[5] * c5 - e[6] * c4 + e[7] * c3) * d, (-e[1] * c5 + e[2] * c4 - e[3] * c3) * d,
        (e[13] * s5 - e[14] * s4 + e[15] * s3) * d, (-e[9] * s5 + e[10] * s4 - e[11] * s3) * d,
        (-e[4] * c5 + e[6] * c2 - e[7] * c1) * d, (e[0] * c5 - e[2] * c2 + e[3] * c1) * d,
        (-e[12] * s5 + e[14] * s2 - e[15] * s1) * d, (e[8] * s5 - e[10] * s2 + e[11] * s1) * d,
        (e[4] * c4 - e[5] * c2 + e[7] * c0) * d, (-e[0] * c4 + e[1] * c2 - e[3] * c0) * d,
        (e[12] * s4 - e[13] * s2 + e[15] * s0) * d, (-e[8] * s4 + e[9] * s2 - e[11] * s0) * d,
        (-e[4] * c3 + e[5] * c1 - e[6] * c0) * d, (e[0] * c3 - e[1] * c1 + e[2] * c0) * d,
        (-e[12] * s3 + e[13] * s1 - e[14] * s0) * d, (e[8] * s3 - e[9] * s1 + e[10] * s0) * d);
    return *this = r;
}
#endif

float ZqMatrix::determinant() const {
    float e[16];
    std::memcpy(e, m, sizeof(e));
    const float s0 = e[0] * e[5] - e[4] * e[1];
    const float s1 = e[0] * e[6] - e[4] * e[2];
    const float s2 = e[0] * e[7] - e[4] * e[3];
    const float s3 = e[1] * e[6] - e[5] * e[2];
    const float s4 = e[1] * e[7] - e[5] * e[3];
    const float s5 = e[2] * e[7] - e[6] * e[3];
    const float c5 = e[10] * e[15] - e[14] * e[11];
    const float c4 = e[9] * e[15] - e[13] * e[11];
    const float c3 = e[9] * e[14] - e[13] * e[10];
    const float c2 = e[8] * e[15] - e[12] * e[11];
    const float c1 = e[8] * e[14] - e[12] * e[10];
    const float c0 = e[8] * e[13] - e[12] * e[9];
    return s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
}

ZqMatrix& ZqMatrix::scale(const float x, const float y, const float z) {
    return scaleX(x).scaleY(y).scaleZ(z);
}

ZqMatrix& ZqMatrix::scale(const ZqVector3& s) {
    return scale(s.x, s.y, s.z);
}

ZqMatrix& ZqMatrix::scale(const ZqVector4& s) {
    return scale(s.x, s.y, s.z);
}

ZqMatrix& ZqMatrix::scaleX(const float s) {
    _11 *= s;
    _12 *= s;
    _13 *= s;
    return *this;
}

ZqMatrix& ZqMatrix::scaleY(const float s) {
    _21 *= s;
    _22 *= s;
    _23 *= s;
    return *this;
}

ZqMatrix& ZqMatrix::scaleZ(const float s) {
    _31 *= s;
    _32 *= s;
    _33 *= s;
    return *this;
}

ZqMatrix& ZqMatrix::invertRow02() {
    for (int j = 0; j < 4; ++j) {
        m[0][j] = -m[0][j];
        m[2][j] = -m[2][j];
    }
    return *this;
}

ZqMatrix& ZqMatrix::invertColumn02() {
    for (int i = 0; i < 4; ++i) {
        m[i][0] = -m[i][0];
        m[i][2] = -m[i][2];
    }
    return *this;
}

bool ZqMatrix::equals(const ZqMatrix& b) const {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (!(m[i][j] == b.m[i][j])) {
                return false;
            }
        }
    }
    return true;
}

bool ZqMatrix::epsilonEquals(const ZqMatrix& b, const float eps) const {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (!(zqFabs(m[i][j] - b.m[i][j]) <= eps)) {
                return false;
            }
        }
    }
    return true;
}

bool ZqMatrix::isFinite(const float bound) const {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (!::isFinite(m[i][j], bound)) {
                return false;
            }
        }
    }
    return true;
}

bool ZqMatrix::isFinite(const float lo, const float hi) const {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (!::isFinite(m[i][j], lo, hi)) {
                return false;
            }
        }
    }
    return true;
}
