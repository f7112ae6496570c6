#include "zq/dg/ZqDgCylindroid.h"

#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgFigureUtil_internal.h"
#include "zq/dg/ZqDgFrame_internal.h"
#include "zq/dg/ZqDgPoint.h"

#include <array>
#include <cmath>

// =============================================================================================
// Cylindroid

namespace {

// Where a point counts as on the axis, and the floor of the push-out's radial measure.
constexpr float NEAR_AXIS = 0.0001f;

} // namespace

template <class T> bool ZqDgCylindroid::intersectAs(const ZqDgFigure& f) const {
    return intersect(static_cast<const T&>(f));
}
template <class T> float ZqDgCylindroid::distanceAs(const ZqDgFigure& f) const {
    return distance(static_cast<const T&>(f));
}
template <class T> float ZqDgCylindroid::distanceSquaredAs(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const T&>(f));
}
template <class T>
void ZqDgCylindroid::closestPointAs(const ZqDgFigure& f, ZqVector3* const a,
                                    ZqVector3* const b) const {
    closestPoint(static_cast<const T&>(f), a, b);
}

constinit const ZqDgFigureTables<ZqDgCylindroid> ZqDgCylindroid::figureTab = [] {
    ZqDgFigureTables<ZqDgCylindroid> t;
    t.intersectFigureTab[POINT] = &ZqDgCylindroid::intersectAs<ZqDgPoint>;
    t.distanceFigureTab[POINT] = &ZqDgCylindroid::distanceAs<ZqDgPoint>;
    t.distanceSquaredFigureTab[POINT] = &ZqDgCylindroid::distanceSquaredAs<ZqDgPoint>;
    t.closestPointFigureTab[POINT] = &ZqDgCylindroid::closestPointAs<ZqDgPoint>;
    return t;
}();

ZqDgCylindroid::ZqDgCylindroid(const ZqVector3& center, const ZqVector3* const axes,
                               const float* const sizes)
    : ZqDgFigure(CYLINDROID) {
    set(center, axes, sizes);
}

ZqDgCylindroid::ZqDgCylindroid(const ZqVector3& center, const ZqQuat& q, const float* const sizes)
    : ZqDgFigure(CYLINDROID) {
    set(center, q, sizes);
}

ZqDgCylindroid::ZqDgCylindroid(const ZqMatrix& m, const float* const sizes)
    : ZqDgFigure(CYLINDROID) {
    set(m, sizes);
}

ZqDgCylindroid::ZqDgCylindroid(const ZqVector3& a, const ZqVector3& b) : ZqDgFigure(CYLINDROID) {
    set(a, b);
}

ZqDgCylindroid::ZqDgCylindroid(const ZqDgAxisAlignedBoundingBox& box) : ZqDgFigure(CYLINDROID) {
    set(box);
}

ZqDgCylindroid& ZqDgCylindroid::set(const ZqVector3& center, const ZqVector3* const axes,
                                    const float* const sizes) {
    m_center = center;
    setDirection(axes);
    return setRadius(sizes);
}

ZqDgCylindroid& ZqDgCylindroid::set(const ZqVector3& center, const ZqQuat& q,
                                    const float* const sizes) {
    m_center = center;
    setDirection(q);
    return setRadius(sizes);
}

ZqDgCylindroid& ZqDgCylindroid::set(const ZqMatrix& m, const float* const sizes) {
    setMatrix(m);
    return setRadius(sizes);
}

ZqDgCylindroid& ZqDgCylindroid::set(const ZqVector3& a, const ZqVector3& b) {
    zqdg::boxFromCorners(a, b, m_center, m_axis, m_radius);
    return *this;
}

ZqDgCylindroid& ZqDgCylindroid::set(const ZqDgAxisAlignedBoundingBox& box) {
    return set(box.m_center - box.m_radius, box.m_center + box.m_radius);
}

ZqDgCylindroid& ZqDgCylindroid::setMatrix(const ZqMatrix& m) {
    zqdg::frameFromMatrix(m, m_center, m_axis);
    return *this;
}

ZqDgCylindroid& ZqDgCylindroid::setDirection(const ZqVector3* const axes) {
    return setDirection(axes[0], axes[1], axes[2]);
}

ZqDgCylindroid& ZqDgCylindroid::setDirection(const ZqVector3& a0, const ZqVector3& a1,
                                             const ZqVector3& a2) {
    zqdg::normalizeAxes(a0, a1, a2, m_axis);
    return *this;
}

ZqDgCylindroid& ZqDgCylindroid::setDirection(const float x0, const float y0, const float z0,
                                             const float x1, const float y1, const float z1,
                                             const float x2, const float y2, const float z2) {
    return setDirection(ZqVector3(x0, y0, z0), ZqVector3(x1, y1, z1), ZqVector3(x2, y2, z2));
}

ZqDgCylindroid& ZqDgCylindroid::setDirection(const ZqQuat& q) {
    zqdg::axesFromQuat(q, m_axis);
    return *this;
}

ZqDgCylindroid& ZqDgCylindroid::setRadius(const float* const sizes) {
    return setRadius(sizes[0], sizes[1], sizes[2]);
}

ZqDgCylindroid& ZqDgCylindroid::setRadius(const float s0, const float s1, const float s2) {
    m_radius[0] = s0;
    m_radius[1] = s1;
    m_radius[2] = s2;
    return *this;
}

void ZqDgCylindroid::translateVector(ZqVector3* const v) const {
    zqdg::toFrame(m_axis, v);
}

void ZqDgCylindroid::translatePoint(ZqVector3* const p) const {
    *p -= m_center;
    zqdg::toFrame(m_axis, p);
}

void ZqDgCylindroid::localCoordinates(const ZqVector3& p, float* const t) const {
    zqdg::localCoordinates(m_center, m_axis, p, t);
}

bool ZqDgCylindroid::intersect(const ZqDgPoint& p) const {
    const ZqVector3 d = p.m_position - m_center;
    if (zqFabs(m_axis[0].dot(d)) > m_radius[0]) {
        return false;
    }
    const float y = m_axis[1].dot(d) / m_radius[1];
    const float z = m_axis[2].dot(d) / m_radius[2];
    // A ratio without a value (a zero semi-axis) counts as outside, as the point's own test.
    return y * y + z * z <= 1.0f;
}

bool ZqDgCylindroid::intersectYZ(const ZqDgPoint& p, ZqVector3* const out) const {
    float t[3];
    localCoordinates(p.m_position, t);
    if (zqFabs(t[0]) > m_radius[0]) {
        return false;
    }
    const float y = t[1] / m_radius[1];
    const float z = t[2] / m_radius[2];
    float s = y * y + z * z;
    if (!(s <= 1.0f)) {
        return false;
    }
    if (!(s > NEAR_AXIS)) {
        s = NEAR_AXIS;
    }
    const float k = zqdg::fastInverseSqrt(s);
    *out = m_center + m_axis[0] * t[0] + m_axis[1] * (t[1] * k) + m_axis[2] * (t[2] * k);
    return true;
}

void ZqDgCylindroid::closestPoint(const ZqDgPoint& p, ZqVector3* const onThis,
                                  ZqVector3* const onPoint) const {
    float t[3];
    localCoordinates(p.m_position, t);
    const float x = t[0] < -m_radius[0] ? -m_radius[0] : (t[0] > m_radius[0] ? m_radius[0] : t[0]);
    ZqVector3 q = m_center + m_axis[0] * x;
    float y = t[1];
    float z = t[2];
    if (zqFabs(y) > NEAR_AXIS || zqFabs(z) > NEAR_AXIS) {
        const float u = y / m_radius[1];
        const float v = z / m_radius[2];
        const float s = u * u + v * v;
        if (s >= 1.0f) {
            const float k = zqdg::fastInverseSqrt(s);
            y *= k;
            z *= k;
        }
        q += m_axis[1] * y + m_axis[2] * z;
    }
    *onThis = q;
    *onPoint = p.m_position;
}

float ZqDgCylindroid::distanceSquared(const ZqDgPoint& p) const {
    ZqVector3 q;
    ZqVector3 scratch;
    closestPoint(p, &q, &scratch);
    return (p.m_position - q).lengthSquared();
}

float ZqDgCylindroid::distance(const ZqDgPoint& p) const {
    return zqFastSqrt(distanceSquared(p));
}

bool ZqDgCylindroid::equals(const ZqDgCylindroid& o) const {
    return m_type == o.m_type && zqdg::sameBits(m_center, o.m_center) &&
           zqdg::sameBits(m_axis[0], o.m_axis[0]) && zqdg::sameBits(m_axis[1], o.m_axis[1]) &&
           zqdg::sameBits(m_axis[2], o.m_axis[2]) && zqdg::sameBits(m_radius[0], o.m_radius[0]) &&
           zqdg::sameBits(m_radius[1], o.m_radius[1]) && zqdg::sameBits(m_radius[2], o.m_radius[2]);
}

bool ZqDgCylindroid::epsilonEquals(const ZqDgCylindroid other, const float eps) const {
    const float a[9] = {m_center.x,  m_center.y,  m_center.z,  m_axis[0].x, m_axis[0].y,
                        m_axis[0].z, m_axis[1].x, m_axis[1].y, m_axis[1].z};
    const float b[9] = {other.m_center.x,  other.m_center.y,  other.m_center.z,
                        other.m_axis[0].x, other.m_axis[0].y, other.m_axis[0].z,
                        other.m_axis[1].x, other.m_axis[1].y, other.m_axis[1].z};
    for (int i = 0; i < 9; ++i) {
        if (!(zqFabs(a[i] - b[i]) <= eps)) {
            return false;
        }
    }
    if (!m_axis[2].epsilonEquals(other.m_axis[2], eps)) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        if (!(zqFabs(m_radius[i] - other.m_radius[i]) <= eps)) {
            return false;
        }
    }
    return true;
}

const char16_t* ZqDgCylindroid::getFigureName() const {
    return u"Cylindroid";
}

bool ZqDgCylindroid::isFinite(const float min, const float max) const {
    return zqdg::frameIsFinite(m_center, m_axis, m_radius, min, max);
}

bool ZqDgCylindroid::isFinite(const float limit) const {
    return m_type == CYLINDROID && zqdg::frameIsFinite(m_center, m_axis, m_radius, limit);
}

void ZqDgCylindroid::rotTrans(const ZqMatrix& m) {
    zqdg::moveFrame(m, m_center, m_axis);
}

void ZqDgCylindroid::draw(const bool withShadow) const {
    ZqVector3 points[32];
    const ZqVector3 half = m_axis[0] * m_radius[0];
    for (int i = 0; i < 16; ++i) {
        const float theta = static_cast<float>(i) * zqdg::DRAW_STEP;
        const ZqVector3 rim = m_center + m_axis[1] * (m_radius[1] * std::sin(theta)) +
                              m_axis[2] * (m_radius[2] * std::cos(theta));
        points[2 * i] = rim - half;
        points[2 * i + 1] = rim + half;
    }
    static constexpr auto PAIRS = [] {
        std::array<uint8_t, 96> p{};
        int n = 0;
        for (int i = 0; i < 16; ++i) {
            p[n++] = static_cast<uint8_t>(2 * i);
            p[n++] = static_cast<uint8_t>(2 * i + 1);
        }
        for (int k = 0; k < 30; ++k) {
            p[n++] = static_cast<uint8_t>(k);
            p[n++] = static_cast<uint8_t>(k + 2);
        }
        p[n++] = 0;
        p[n++] = 30;
        p[n++] = 1;
        p[n++] = 31;
        return p;
    }();
    drawIndexed(points, PAIRS.data(), 48, withShadow);
}

// =============================================================================================
// Cone

ZqDgCone::ZqDgCone(const ZqVector3& apex, const ZqVector3& direction, const float height,
                   const float radius)
    : ZqDgFigure(CONE) {
    set(apex, direction, height, radius);
}

ZqDgCone ZqDgCone::set(const ZqVector3& apex, const ZqVector3& direction, const float height,
                       const float radius) {
    m_apex = apex;
    m_direction.normalize(direction);
    m_height = height;
    m_radius = radius;
    return *this;
}

const char16_t* ZqDgCone::getFigureName() const {
    return u"Cone";
}

bool ZqDgCone::isFinite(const float min, const float max) const {
    return m_apex.isFinite(min, max) && m_direction.isFinite(min, max) &&
           ::isFinite(m_height, min, max) && ::isFinite(m_radius, min, max) &&
           m_direction.isNormalized(0.0001f);
}

bool ZqDgCone::isFinite(const float limit) const {
    return m_apex.isFinite(limit) && m_direction.isFinite(limit) && ::isFinite(m_height, limit) &&
           ::isFinite(m_radius, limit) && m_direction.isNormalized(0.0001f);
}

void ZqDgCone::draw(const bool withShadow) const {
    const ZqMatrix frame = zqdg::rotationOnto(ZqVector3(0.0f, 0.0f, 1.0f), m_direction);
    ZqVector3 points[17];
    points[0] = m_apex;
    for (int i = 0; i < 16; ++i) {
        const float theta = static_cast<float>(i) * zqdg::DRAW_STEP;
        const ZqVector3 local(m_radius * std::sin(theta), -m_radius * std::cos(theta), m_height);
        points[i + 1] = m_apex + ZqVector3().rot(local, frame);
    }
    static constexpr auto PAIRS = [] {
        std::array<uint8_t, 64> p{};
        int n = 0;
        for (int i = 1; i <= 16; ++i) {
            p[n++] = 0;
            p[n++] = static_cast<uint8_t>(i);
        }
        for (int i = 1; i <= 16; ++i) {
            p[n++] = static_cast<uint8_t>(i);
            p[n++] = static_cast<uint8_t>(i % 16 + 1);
        }
        return p;
    }();
    drawIndexed(points, PAIRS.data(), 32, withShadow);
}
