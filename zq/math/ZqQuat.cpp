#include "zq/math/ZqQuat.h"

#include <cmath>

constinit const ZqQuat ZqQuat::ZERO(0.0f, 0.0f, 0.0f, 0.0f);
constinit const ZqQuat ZqQuat::UNIT(0.0f, 0.0f, 0.0f, 1.0f);

ZqQuat& ZqQuat::setFromXYZR(const float ax, const float ay, const float az, const float r) {
    ZqVector3 n(ax, ay, az);
    n.normalize();
    const float s = std::sin(r * 0.5f);
    return set(n.x * s, n.y * s, n.z * s, std::cos(r * 0.5f));
}

ZqQuat& ZqQuat::setFromMatrixRotation(const ZqMatrix& m) {
    // The classic trace method; the largest of w, x, y, z is taken from the diagonal so that
    // the divisions stay well away from zero.
    const float trace = m._11 + m._22 + m._33;
    if (trace > 0.0f) {
        const float s = zqSqrt(trace + 1.0f) * 2.0f; // 4w
        const float r = 1.0f / s;
        return set((m._23 - m._32) * r, (m._31 - m._13) * r, (m._12 - m._21) * r, 0.25f * s);
    }
    if (m._11 >= m._22 && m._11 >= m._33) {
        const float s = zqSqrt(1.0f + m._11 - m._22 - m._33) * 2.0f; // 4x
        const float r = 1.0f / s;
        return set(0.25f * s, (m._12 + m._21) * r, (m._13 + m._31) * r, (m._23 - m._32) * r);
    }
    if (m._22 >= m._33) {
        const float s = zqSqrt(1.0f + m._22 - m._11 - m._33) * 2.0f; // 4y
        const float r = 1.0f / s;
        return set((m._12 + m._21) * r, 0.25f * s, (m._23 + m._32) * r, (m._31 - m._13) * r);
    }
    const float s = zqSqrt(1.0f + m._33 - m._11 - m._22) * 2.0f; // 4z
    const float r = 1.0f / s;
    return set((m._13 + m._31) * r, (m._23 + m._32) * r, 0.25f * s, (m._12 - m._21) * r);
}

ZqQuat& ZqQuat::setFromV2V(const ZqVector3& from, const ZqVector3& to) {
    const float d = from.dot(to);
    if (!(d < -0.99999f)) {
        const ZqVector3 c = ZqVector3().cross(from, to);
        const float s = zqSqrt((d + 1.0f) * 2.0f);
        const float r = 1.0f / s;
        return set(c.x * r, c.y * r, c.z * r, s * 0.5f);
    }
    // Nearly opposite: half a turn about an axis perpendicular to from, from x (1, 0, 0), or
    // from x (0, 1, 0) when from lies along X.
    ZqVector3 a(0.0f, from.z, -from.y);
    if (a.y * a.y + a.z * a.z < 1e-10f) {
        a.set(-from.z, 0.0f, from.x);
    }
    a.normalize();
    return set(a.x, a.y, a.z, 0.0f);
}

ZqQuat& ZqQuat::invert(const ZqQuat& q) {
    const float l2 = q.lengthSquared();
    if (l2 == 0.0f) {
        return setZero();
    }
    const float r = 1.0f / l2;
    return set(-q.x * r, -q.y * r, -q.z * r, q.w * r);
}

ZqQuat& ZqQuat::acuteSlerp(const ZqQuat& a, const ZqQuat& b, const float t) {
    float d = a.dot(b);
    float sign = 1.0f;
    if (d < 0.0f) {
        d = -d;
        sign = -1.0f;
    }
    float k0 = 1.0f - t;
    float k1 = t;
    if (1.0f - d > 1e-5f) {
        const float theta = static_cast<float>(std::acos(static_cast<double>(d)));
        const float r = zqRcp(std::sin(theta));
        k0 = std::sin((1.0f - t) * theta) * r;
        k1 = std::sin(t * theta) * r;
    }
    k1 *= sign;
    return set(a.x * k0 + b.x * k1, a.y * k0 + b.y * k1, a.z * k0 + b.z * k1, a.w * k0 + b.w * k1);
}

ZqQuat& ZqQuat::squad(const ZqQuat& p, const ZqQuat& a, const ZqQuat& b, const ZqQuat& q,
                      const float t) {
    const ZqQuat s1 = ZqQuat().slerp(p, q, t);
    const ZqQuat s2 = ZqQuat().slerp(a, b, t);
    return slerp(s1, s2, 2.0f * t * (1.0f - t));
}

void ZqQuat::getXYZR(float& ax, float& ay, float& az, float& r) const {
    const float qx = x;
    const float qy = y;
    const float qz = z;
    // Chained float rotations can push w a little past +-1, where acos has no value.
    const float cw = w > 1.0f ? 1.0f : (w < -1.0f ? -1.0f : w);
    const float angle = static_cast<float>(std::acos(static_cast<double>(cw))) * 2.0f;
    const float len = zqSqrt(qx * qx + qy * qy + qz * qz);
    if (len > 0.0001f) {
        const float k = 1.0f / len;
        ax = qx * k;
        ay = qy * k;
        az = qz * k;
    } else {
        ax = 0.0f;
        ay = 0.0f;
        az = 1.0f;
    }
    r = angle;
}

bool ZqQuat::equals(const ZqQuat& b) const {
    return std::bit_cast<uint32_t>(x) == std::bit_cast<uint32_t>(b.x) &&
           std::bit_cast<uint32_t>(y) == std::bit_cast<uint32_t>(b.y) &&
           std::bit_cast<uint32_t>(z) == std::bit_cast<uint32_t>(b.z) &&
           std::bit_cast<uint32_t>(w) == std::bit_cast<uint32_t>(b.w);
}

bool ZqQuat::epsilonEquals(const ZqQuat& b, const float eps) const {
    return zqFabs(x - b.x) <= eps && zqFabs(y - b.y) <= eps && zqFabs(z - b.z) <= eps &&
           zqFabs(w - b.w) <= eps;
}

bool ZqQuat::isFinite(const float bound) const {
    return ::isFinite(x, bound) && ::isFinite(y, bound) && ::isFinite(z, bound) &&
           ::isFinite(w, bound);
}

bool ZqQuat::isFinite(const float lo, const float hi) const {
    return ::isFinite(x, lo, hi) && ::isFinite(y, lo, hi) && ::isFinite(z, lo, hi) &&
           ::isFinite(w, lo, hi);
}
