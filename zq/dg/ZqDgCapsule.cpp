#include "zq/dg/ZqDgCapsule.h"

#include "zq/dg/ZqDgFigureUtil_internal.h"
#include "zq/dg/ZqDgFrame_internal.h"
#include "zq/dg/ZqDgLine.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgSphere.h"

#include <array>
#include <cmath>

// =============================================================================================
// Capsule

namespace {

// The surface points of two round figures facing each other: p1 moved r1 toward p2 and p2
// moved r2 toward p1; the points as they are when they coincide.
void facingPoints(const ZqVector3& p1, const float r1, const ZqVector3& p2, const float r2,
                  ZqVector3* const on1, ZqVector3* const on2) {
    const ZqVector3 d = p2 - p1;
    const float dd = d.dot(d);
    if (dd == 0.0f) {
        *on1 = p1;
        *on2 = p2;
        return;
    }
    const float inv = zqdg::fastInverseSqrt(dd);
    *on1 = p1 + d * (r1 * inv);
    *on2 = p2 - d * (r2 * inv);
}

} // namespace

template <class T> bool ZqDgCapsule::intersectAs(const ZqDgFigure& f) const {
    return intersect(static_cast<const T&>(f));
}
template <class T> float ZqDgCapsule::distanceAs(const ZqDgFigure& f) const {
    return distance(static_cast<const T&>(f));
}
template <class T> float ZqDgCapsule::distanceSquaredAs(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const T&>(f));
}
template <class T>
void ZqDgCapsule::closestPointAs(const ZqDgFigure& f, ZqVector3* const a,
                                 ZqVector3* const b) const {
    closestPoint(static_cast<const T&>(f), a, b);
}

constinit const ZqDgFigureTables<ZqDgCapsule> ZqDgCapsule::figureTab = [] {
    ZqDgFigureTables<ZqDgCapsule> t;
    t.intersectFigureTab[POINT] = &ZqDgCapsule::intersectAs<ZqDgPoint>;
    t.intersectFigureTab[SPHERE] = &ZqDgCapsule::intersectAs<ZqDgSphere>;
    t.intersectFigureTab[CAPSULE] = &ZqDgCapsule::intersectAs<ZqDgCapsule>;
    t.distanceFigureTab[POINT] = &ZqDgCapsule::distanceAs<ZqDgPoint>;
    t.distanceFigureTab[SPHERE] = &ZqDgCapsule::distanceAs<ZqDgSphere>;
    t.distanceFigureTab[CAPSULE] = &ZqDgCapsule::distanceAs<ZqDgCapsule>;
    t.distanceSquaredFigureTab[POINT] = &ZqDgCapsule::distanceSquaredAs<ZqDgPoint>;
    t.distanceSquaredFigureTab[SPHERE] = &ZqDgCapsule::distanceSquaredAs<ZqDgSphere>;
    t.distanceSquaredFigureTab[CAPSULE] = &ZqDgCapsule::distanceSquaredAs<ZqDgCapsule>;
    t.closestPointFigureTab[POINT] = &ZqDgCapsule::closestPointAs<ZqDgPoint>;
    t.closestPointFigureTab[SPHERE] = &ZqDgCapsule::closestPointAs<ZqDgSphere>;
    t.closestPointFigureTab[CAPSULE] = &ZqDgCapsule::closestPointAs<ZqDgCapsule>;
    return t;
}();

bool ZqDgCapsule::equals(const ZqDgCapsule& other) const {
    return m_type == other.m_type && zqdg::sameBits(m_start, other.m_start) &&
           zqdg::sameBits(m_end, other.m_end) && zqdg::sameBits(m_radius, other.m_radius);
}

bool ZqDgCapsule::epsilonEquals(const ZqDgCapsule other, const float eps) const {
    return zqFabs(m_start.x - other.m_start.x) <= eps &&
           zqFabs(m_start.y - other.m_start.y) <= eps &&
           zqFabs(m_start.z - other.m_start.z) <= eps && zqFabs(m_end.x - other.m_end.x) <= eps &&
           zqFabs(m_end.y - other.m_end.y) <= eps && zqFabs(m_end.z - other.m_end.z) <= eps &&
           zqFabs(m_radius - other.m_radius) <= eps;
}

ZqVector3 ZqDgCapsule::axisPointNearest(const ZqVector3& p) const {
    ZqVector3 q;
    ZqVector3 unused;
    ZqDgSegment(m_start, m_end).closestPoint(zqdg::pointAt(p), &q, &unused);
    return q;
}

void ZqDgCapsule::axisPoints(const ZqDgCapsule& other, ZqVector3* const p1,
                             ZqVector3* const p2) const {
    ZqDgSegment(m_start, m_end).closestPoint(ZqDgSegment(other.m_start, other.m_end), p1, p2);
}

// ---- point ---------------------------------------------------------------------------------

bool ZqDgCapsule::intersect(const ZqDgPoint& point) const {
    return m_radius * m_radius >= ZqDgSegment(m_start, m_end).distanceSquared(point);
}

float ZqDgCapsule::distance(const ZqDgPoint& point) const {
    return zqFastSqrt(zqFabs(ZqDgSegment(m_start, m_end).distanceSquared(point))) - m_radius;
}

float ZqDgCapsule::distanceSquared(const ZqDgPoint& point) const {
    const float d = distance(point);
    return d * d;
}

void ZqDgCapsule::closestPoint(const ZqDgPoint& point, ZqVector3* const onThis,
                               ZqVector3* const onOther) const {
    const ZqVector3& p = point.m_position;
    const ZqVector3 q = axisPointNearest(p);
    const ZqVector3 d = p - q;
    const float dd = d.dot(d);
    *onOther = p;
    *onThis = dd == 0.0f ? q : q + d * (m_radius * zqdg::fastInverseSqrt(dd));
}

// ---- sphere --------------------------------------------------------------------------------

bool ZqDgCapsule::intersect(const ZqDgSphere& sphere) const {
    const float r = m_radius + sphere.m_radius;
    return r * r >= ZqDgSegment(m_start, m_end).distanceSquared(zqdg::pointAt(sphere.m_center));
}

float ZqDgCapsule::distance(const ZqDgSphere& sphere) const {
    return zqFastSqrt(ZqDgSegment(m_start, m_end).distanceSquared(zqdg::pointAt(sphere.m_center))) -
           (sphere.m_radius + m_radius);
}

float ZqDgCapsule::distanceSquared(const ZqDgSphere& sphere) const {
    const float d = distance(sphere);
    return d * d;
}

void ZqDgCapsule::closestPoint(const ZqDgSphere& sphere, ZqVector3* const onThis,
                               ZqVector3* const onOther) const {
    facingPoints(axisPointNearest(sphere.m_center), m_radius, sphere.m_center, sphere.m_radius,
                 onThis, onOther);
}

// ---- capsule -------------------------------------------------------------------------------

bool ZqDgCapsule::intersect(const ZqDgCapsule& other) const {
    ZqVector3 p1;
    ZqVector3 p2;
    axisPoints(other, &p1, &p2);
    const float r = m_radius + other.m_radius;
    return r * r >= (p1 - p2).lengthSquared();
}

float ZqDgCapsule::distance(const ZqDgCapsule& other) const {
    ZqVector3 p1;
    ZqVector3 p2;
    axisPoints(other, &p1, &p2);
    return zqFastSqrt((p1 - p2).lengthSquared()) - (m_radius + other.m_radius);
}

float ZqDgCapsule::distanceSquared(const ZqDgCapsule& other) const {
    const float d = distance(other);
    return d * d;
}

void ZqDgCapsule::closestPoint(const ZqDgCapsule& other, ZqVector3* const onThis,
                               ZqVector3* const onOther) const {
    ZqVector3 p1;
    ZqVector3 p2;
    axisPoints(other, &p1, &p2);
    facingPoints(p1, m_radius, p2, other.m_radius, onThis, onOther);
}

const char16_t* ZqDgCapsule::getFigureName() const {
    return u"Capsule";
}

bool ZqDgCapsule::isFinite(const float min, const float max) const {
    return m_type == CAPSULE && m_start.isFinite(min, max) && m_end.isFinite(min, max) &&
           ::isFinite(m_radius, min, max) && m_radius > 0.0f;
}

bool ZqDgCapsule::isFinite(const float limit) const {
    return m_type == CAPSULE && m_start.isFinite(limit) && m_end.isFinite(limit) &&
           ::isFinite(m_radius, limit) && m_radius > 0.0f;
}

void ZqDgCapsule::draw(const bool withShadow) const {
    constexpr int RINGS = 10;
    constexpr int PER_RING = 16;
    const ZqVector3 axis = m_end - m_start;
    const float length = zqSqrt(axis.lengthSquared());
    const ZqMatrix frame =
        zqdg::rotationOnto(ZqVector3(1.0f, 0.0f, 0.0f), ZqVector3().normalize(axis));
    ZqVector3 points[RINGS * PER_RING];
    for (int i = 0; i < RINGS; ++i) {
        // Rings 0-4: the hemisphere at the start, pole to equator; 5-9: the one at the end.
        const float phi = static_cast<float>(i < 5 ? i : i - 1) * zqdg::DRAW_STEP;
        const float h = (i < 5 ? 0.0f : length) - m_radius * std::cos(phi);
        const float rho = m_radius * std::sin(phi);
        for (int k = 0; k < PER_RING; ++k) {
            const float theta = static_cast<float>(k) * zqdg::DRAW_STEP;
            const ZqVector3 local(h, rho * std::sin(theta), rho * std::cos(theta));
            points[i * PER_RING + k] = m_start + ZqVector3().rot(local, frame);
        }
    }
    static constexpr auto PAIRS = zqdg::ringPairs<RINGS, PER_RING>();
    drawIndexed(points, PAIRS.data(), PAIRS.size() / 2, withShadow);
}

// =============================================================================================
// Cylinder

const char16_t* ZqDgCylinder::getFigureName() const {
    return u"Cylinder";
}

void ZqDgCylinder::draw(const bool withShadow) const {
    constexpr int PER_RIM = 16;
    const ZqMatrix frame =
        zqdg::rotationOnto(ZqVector3(0.0f, 0.0f, 1.0f), ZqVector3().normalize(m_end - m_start));
    ZqVector3 points[2 * PER_RIM];
    for (int k = 0; k < PER_RIM; ++k) {
        const float theta = static_cast<float>(k) * zqdg::DRAW_STEP;
        const ZqVector3 local(m_radius * std::sin(theta), -m_radius * std::cos(theta), 0.0f);
        const ZqVector3 offset = ZqVector3().rot(local, frame);
        points[k] = m_start + offset;
        points[PER_RIM + k] = m_end + offset;
    }
    static constexpr auto PAIRS = [] {
        std::array<uint8_t, 96> p{};
        int n = 0;
        for (int rim = 0; rim < 2; ++rim) {
            for (int k = 0; k < PER_RIM; ++k) {
                p[n++] = static_cast<uint8_t>(rim * PER_RIM + k);
                p[n++] = static_cast<uint8_t>(rim * PER_RIM + (k + 1) % PER_RIM);
            }
        }
        for (int k = 0; k < PER_RIM; ++k) {
            p[n++] = static_cast<uint8_t>(k);
            p[n++] = static_cast<uint8_t>(k + PER_RIM);
        }
        return p;
    }();
    drawIndexed(points, PAIRS.data(), 48, withShadow);
}
