#include "zq/dg/ZqDgLine.h"

#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgFigureUtil_internal.h"
#include "zq/dg/ZqDgOrientedBoundingBox.h"
#include "zq/dg/ZqDgPlane.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgSphere.h"
#include "zq/dg/ZqDgTriangle.h"
#include "zq/gl/ZqGlLine.h"

namespace {

// The table entries' fixed bound on a squared distance, and their line-line tolerance.
constexpr float TABLE_TOLERANCE_SQUARED = 1e-8f;
constexpr float LINE_LINE_TOLERANCE = 0.0001f;
// Below this squared length a segment counts as a point in the segment-segment search, and
// below this |n . d| a line counts as parallel to a plane in the crossing with outputs.
constexpr float DEGENERATE = 0.0001f;

float clamp01(const float t) {
    return t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
}

ZqVector3 unit(const ZqVector3& v) {
    return ZqVector3().normalize(v);
}

// The closest points of the lines o1 + s d1 and o2 + t d2.
void closestOfLines(const ZqVector3& o1, const ZqVector3& d1, const ZqVector3& o2,
                    const ZqVector3& d2, ZqVector3* const p1, ZqVector3* const p2) {
    const float a = d1.dot(d1);
    const float e = d2.dot(d2);
    const float b = d1.dot(d2);
    const float den = a * e - b * b;
    const ZqVector3 w = o1 - o2;
    if (den == 0.0f) {
        *p1 = o1;
        *p2 = o2 + d2 * w.dot(d2);
        return;
    }
    const float h = d1.dot(w);
    const float f = d2.dot(w);
    const float inv = 1.0f / den;
    *p1 = o1 + d1 * ((f * b - h * e) * inv);
    *p2 = o2 + d2 * ((f * a - h * b) * inv);
}

// The closest points of the segments a1..b1 and a2..b2 (either may be a point).
void closestOfSegments(const ZqVector3& a1, const ZqVector3& b1, const ZqVector3& a2,
                       const ZqVector3& b2, ZqVector3* const p1, ZqVector3* const p2) {
    const ZqVector3 d1 = b1 - a1;
    const ZqVector3 d2 = b2 - a2;
    const ZqVector3 r = a1 - a2;
    const float a = d1.dot(d1);
    const float e = d2.dot(d2);
    const float f = d2.dot(r);
    float s = 0.0f;
    float t = 0.0f;
    if (a <= DEGENERATE && e <= DEGENERATE) {
        *p1 = a1;
        *p2 = a2;
        return;
    }
    if (a <= DEGENERATE) {
        t = clamp01(f / e);
    } else {
        const float h = d1.dot(r);
        if (e <= DEGENERATE) {
            s = clamp01(-h / a);
        } else {
            const float b = d1.dot(d2);
            const float den = a * e - b * b;
            s = den != 0.0f ? clamp01((b * f - h * e) / den) : 0.0f;
            t = (b * s + f) / e;
            if (t < 0.0f) {
                t = 0.0f;
                s = clamp01(-h / a);
            } else if (t > 1.0f) {
                t = 1.0f;
                s = clamp01((b - h) / a);
            }
        }
    }
    *p1 = a1 + d1 * s;
    *p2 = a2 + d2 * t;
}

// Line and ray share their fields and their checks.
template <class L> bool linearEquals(const L& a, const L& b) {
    return a.getFigureType() == b.getFigureType() && zqdg::sameBits(a.m_origin, b.m_origin) &&
           zqdg::sameBits(a.m_direction, b.m_direction);
}

template <class L> bool linearNear(const L& a, const L& b, const float eps) {
    return zqdg::within(a.m_origin, b.m_origin, eps) &&
           zqdg::within(a.m_direction, b.m_direction, eps);
}

template <class L, class... Bounds> bool linearIsFinite(const L& l, const Bounds... bounds) {
    return l.m_origin.isFinite(bounds...) && l.m_direction.isNormalized(0.0001f);
}

template <class L> void linearRotTrans(L& l, const ZqMatrix& m) {
    l.m_origin.rotTrans(m);
    l.m_direction.rot(m);
}

void drawLinear(const ZqVector3& a, const ZqVector3& b, const ZqVector3& marker,
                const bool withShadow) {
    ZqGlLine::draw(a, b);
    ZqDgPoint(marker.x, marker.y, marker.z).draw(withShadow);
    if (withShadow) {
        ZqGlLine::m_color = 0xFF000000u;
        ZqGlLine::draw(ZqVector3(a.x, 0.0f, a.z), ZqVector3(b.x, 0.0f, b.z));
    }
}

} // namespace

// =============================================================================================
// Line

template <class T> bool ZqDgLine::intersectAs(const ZqDgFigure& f) const {
    return intersect(static_cast<const T&>(f));
}
template <class T> float ZqDgLine::distanceAs(const ZqDgFigure& f) const {
    return distance(static_cast<const T&>(f));
}
template <class T> float ZqDgLine::distanceSquaredAs(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const T&>(f));
}
template <class T>
void ZqDgLine::closestPointAs(const ZqDgFigure& f, ZqVector3* const a, ZqVector3* const b) const {
    closestPoint(static_cast<const T&>(f), a, b);
}

constinit const ZqDgFigureTables<ZqDgLine> ZqDgLine::figureTab = [] {
    ZqDgFigureTables<ZqDgLine> t;
    t.intersectFigureTab[POINT] = &ZqDgLine::intersectPoint;
    t.intersectFigureTab[LINE] = &ZqDgLine::intersectLine;
    t.intersectFigureTab[PLANE] = &ZqDgLine::intersectAs<ZqDgPlane>;
    t.intersectFigureTab[TRIANGLE] = &ZqDgLine::intersectAs<ZqDgTriangle>;
    t.intersectFigureTab[SPHERE] = &ZqDgLine::intersectAs<ZqDgSphere>;
    t.intersectFigureTab[AXIS_ALIGNED_BOUNDING_BOX] =
        &ZqDgLine::intersectAs<ZqDgAxisAlignedBoundingBox>;
    t.distanceFigureTab[POINT] = &ZqDgLine::distanceAs<ZqDgPoint>;
    t.distanceFigureTab[LINE] = &ZqDgLine::distanceAs<ZqDgLine>;
    t.distanceFigureTab[SPHERE] = &ZqDgLine::distanceAs<ZqDgSphere>;
    t.distanceSquaredFigureTab[POINT] = &ZqDgLine::distanceSquaredAs<ZqDgPoint>;
    t.distanceSquaredFigureTab[LINE] = &ZqDgLine::distanceSquaredAs<ZqDgLine>;
    t.distanceSquaredFigureTab[SPHERE] = &ZqDgLine::distanceSquaredSphere;
    t.closestPointFigureTab[POINT] = &ZqDgLine::closestPointAs<ZqDgPoint>;
    t.closestPointFigureTab[LINE] = &ZqDgLine::closestPointAs<ZqDgLine>;
    t.closestPointFigureTab[SPHERE] = &ZqDgLine::closestPointAs<ZqDgSphere>;
    return t;
}();

ZqDgLine::ZqDgLine(const float ox, const float oy, const float oz, const float dx, const float dy,
                   const float dz)
    : ZqDgFigure(LINE), m_origin(ox, oy, oz), m_direction(unit(ZqVector3(dx, dy, dz))) {}

ZqDgLine::ZqDgLine(const ZqDgSegment& segment)
    : ZqDgFigure(LINE), m_origin(segment.m_start),
      m_direction(unit(segment.m_start - segment.m_end)) {}

ZqDgLine& ZqDgLine::set(const ZqVector3& origin, const ZqVector3& direction) {
    m_origin = origin;
    m_direction = unit(direction);
    return *this;
}

ZqDgLine& ZqDgLine::set(const float ox, const float oy, const float oz, const float dx,
                        const float dy, const float dz) {
    return set(ZqVector3(ox, oy, oz), ZqVector3(dx, dy, dz));
}

ZqDgLine& ZqDgLine::set(const ZqDgSegment& segment) {
    return set2p(segment.m_start, segment.m_end);
}

ZqDgLine& ZqDgLine::set2p(const ZqVector3& p, const ZqVector3& q) {
    return set(p, p - q);
}

bool ZqDgLine::equals(const ZqDgLine& other) const {
    return linearEquals(*this, other);
}

bool ZqDgLine::epsilonEquals(const ZqDgLine& other, const float eps) const {
    return linearNear(*this, other, eps);
}

const char16_t* ZqDgLine::getFigureName() const {
    return u"Line";
}

bool ZqDgLine::isFinite(const float min, const float max) const {
    return m_type == LINE && linearIsFinite(*this, min, max);
}

bool ZqDgLine::isFinite(const float limit) const {
    return m_type == LINE && linearIsFinite(*this, limit);
}

void ZqDgLine::rotTrans(const ZqMatrix& m) {
    linearRotTrans(*this, m);
}

bool ZqDgLine::intersect(const ZqDgPoint& point, const float tol) const {
    return tol * tol >= distanceSquared(point);
}

bool ZqDgLine::intersectPoint(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const ZqDgPoint&>(f)) <= TABLE_TOLERANCE_SQUARED;
}

bool ZqDgLine::intersect(const ZqDgLine& other, const float tol) const {
    const ZqVector3 c1 = ZqVector3().cross(m_direction, m_origin - other.m_origin);
    if (c1.length() < tol) {
        return true;
    }
    const ZqVector3 c2 = ZqVector3().cross(m_direction, other.m_direction);
    if (c2.length() < tol) {
        return false;
    }
    return ZqVector3().cross(c2, c1).length() < tol;
}

bool ZqDgLine::intersectLine(const ZqDgFigure& f) const {
    return intersect(static_cast<const ZqDgLine&>(f), LINE_LINE_TOLERANCE);
}

bool ZqDgLine::intersect(const ZqDgPlane& plane) const {
    return zqFabs(plane.m_normal.dot(m_direction)) > epsilon;
}

bool ZqDgLine::intersect(const ZqDgPlane& plane, float* const t, ZqVector3* const p) const {
    const float den = plane.m_normal.dot(m_direction);
    if (zqFabs(den) <= DEGENERATE) {
        return false;
    }
    *t = (plane.m_distance - plane.m_normal.dot(m_origin)) / den;
    *p = m_origin + m_direction * *t;
    return true;
}

bool ZqDgLine::intersect(const ZqDgTriangle& triangle) const {
    return triangle.intersect(*this);
}

bool ZqDgLine::intersect(const ZqDgTriangle& triangle, float* const t, ZqVector3* const p) const {
    return triangle.intersect(*this, t, p);
}

bool ZqDgLine::intersect(const ZqDgSphere& sphere) const {
    return sphere.intersect(*this);
}

bool ZqDgLine::intersect(const ZqDgSphere& sphere, float* const t1, float* const t2,
                         ZqVector3* const p1, ZqVector3* const p2) const {
    return sphere.intersect(*this, t1, t2, p1, p2);
}

bool ZqDgLine::intersect(const ZqDgAxisAlignedBoundingBox& box) const {
    return box.intersect(*this);
}

bool ZqDgLine::intersect(const ZqDgAxisAlignedBoundingBox& box, float* const tNear,
                         float* const tFar, ZqVector3* const pNear, ZqVector3* const pFar) const {
    return box.intersect(*this, tNear, tFar, pNear, pFar);
}

float ZqDgLine::distance(const ZqDgPoint& point) const {
    return zqSqrt(distanceSquared(point));
}

float ZqDgLine::distanceSquared(const ZqDgPoint& point) const {
    return ZqVector3().cross(point.m_position - m_origin, m_direction).lengthSquared();
}

float ZqDgLine::distance(const ZqDgLine& other) const {
    return zqSqrt(distanceSquared(other));
}

float ZqDgLine::distanceSquared(const ZqDgLine& other) const {
    ZqVector3 p1;
    ZqVector3 p2;
    closestPoint(other, &p1, &p2);
    return (p1 - p2).lengthSquared();
}

float ZqDgLine::distance(const ZqDgSphere& sphere) const {
    return sphere.distance(*this);
}

float ZqDgLine::disanceSquared(const ZqDgSphere& sphere) const {
    return sphere.distanceSquared(*this);
}

float ZqDgLine::distanceSquaredSphere(const ZqDgFigure& f) const {
    return disanceSquared(static_cast<const ZqDgSphere&>(f));
}

void ZqDgLine::closestPoint(const ZqDgPoint& point, ZqVector3* const onThis,
                            ZqVector3* const onOther) const {
    *onThis = m_origin + m_direction * (point.m_position - m_origin).dot(m_direction);
    *onOther = point.m_position;
}

void ZqDgLine::closestPoint(const ZqDgLine& other, ZqVector3* const onThis,
                            ZqVector3* const onOther) const {
    closestOfLines(m_origin, m_direction, other.m_origin, other.m_direction, onThis, onOther);
}

void ZqDgLine::closestPoint(const ZqDgSphere& sphere, ZqVector3* const onThis,
                            ZqVector3* const onOther) const {
    sphere.closestPoint(*this, onOther, onThis);
}

void ZqDgLine::draw(const bool withShadow) const {
    drawLinear(m_origin - m_direction * 30.0f, m_origin + m_direction * 100.0f, m_origin,
               withShadow);
}

// =============================================================================================
// Ray: no pair tests

constinit const ZqDgFigureTables<ZqDgRay> ZqDgRay::figureTab{};

ZqDgRay::ZqDgRay(const float ox, const float oy, const float oz, const float dx, const float dy,
                 const float dz)
    : ZqDgFigure(RAY), m_origin(ox, oy, oz), m_direction(unit(ZqVector3(dx, dy, dz))) {}

ZqDgRay::ZqDgRay(const ZqDgSegment& segment)
    : ZqDgFigure(RAY), m_origin(segment.m_start),
      m_direction(unit(segment.m_start - segment.m_end)) {}

ZqDgRay& ZqDgRay::set(const ZqVector3& origin, const ZqVector3& direction) {
    m_origin = origin;
    m_direction = unit(direction);
    return *this;
}

ZqDgRay& ZqDgRay::set(const float ox, const float oy, const float oz, const float dx,
                      const float dy, const float dz) {
    return set(ZqVector3(ox, oy, oz), ZqVector3(dx, dy, dz));
}

ZqDgRay& ZqDgRay::set(const ZqDgSegment& segment) {
    return set2p(segment.m_start, segment.m_end);
}

ZqDgRay& ZqDgRay::set2p(const ZqVector3& p, const ZqVector3& q) {
    return set(p, p - q);
}

bool ZqDgRay::equals(const ZqDgRay& other) const {
    return linearEquals(*this, other);
}

bool ZqDgRay::epsilonEquals(const ZqDgRay& other, const float eps) const {
    return linearNear(*this, other, eps);
}

const char16_t* ZqDgRay::getFigureName() const {
    return u"Ray";
}

bool ZqDgRay::isFinite(const float min, const float max) const {
    return m_type == RAY && linearIsFinite(*this, min, max);
}

bool ZqDgRay::isFinite(const float limit) const {
    return m_type == RAY && linearIsFinite(*this, limit);
}

void ZqDgRay::rotTrans(const ZqMatrix& m) {
    linearRotTrans(*this, m);
}

void ZqDgRay::draw(const bool withShadow) const {
    drawLinear(m_origin, m_origin + m_direction * 100.0f, m_origin, withShadow);
}

// =============================================================================================
// Segment

template <class T> bool ZqDgSegment::intersectAs(const ZqDgFigure& f) const {
    return intersect(static_cast<const T&>(f));
}
template <class T> float ZqDgSegment::distanceAs(const ZqDgFigure& f) const {
    return distance(static_cast<const T&>(f));
}
template <class T> float ZqDgSegment::distanceSquaredAs(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const T&>(f));
}
template <class T>
void ZqDgSegment::closestPointAs(const ZqDgFigure& f, ZqVector3* const a,
                                 ZqVector3* const b) const {
    closestPoint(static_cast<const T&>(f), a, b);
}

constinit const ZqDgFigureTables<ZqDgSegment> ZqDgSegment::figureTab = [] {
    ZqDgFigureTables<ZqDgSegment> t;
    t.intersectFigureTab[POINT] = &ZqDgSegment::intersectAs<ZqDgPoint>;
    t.intersectFigureTab[SEGMENT] = &ZqDgSegment::intersectSegment;
    t.intersectFigureTab[PLANE] = &ZqDgSegment::intersectAs<ZqDgPlane>;
    t.intersectFigureTab[TRIANGLE] = &ZqDgSegment::intersectAs<ZqDgTriangle>;
    t.intersectFigureTab[SPHERE] = &ZqDgSegment::intersectAs<ZqDgSphere>;
    t.intersectFigureTab[AXIS_ALIGNED_BOUNDING_BOX] =
        &ZqDgSegment::intersectAs<ZqDgAxisAlignedBoundingBox>;
    t.intersectFigureTab[ORIENTED_BOUNDING_BOX] =
        &ZqDgSegment::intersectAs<ZqDgOrientedBoundingBox>;
    t.distanceFigureTab[POINT] = &ZqDgSegment::distanceAs<ZqDgPoint>;
    t.distanceFigureTab[SEGMENT] = &ZqDgSegment::distanceAs<ZqDgSegment>;
    t.distanceFigureTab[SPHERE] = &ZqDgSegment::distanceAs<ZqDgSphere>;
    t.distanceSquaredFigureTab[POINT] = &ZqDgSegment::distanceSquaredAs<ZqDgPoint>;
    t.distanceSquaredFigureTab[SEGMENT] = &ZqDgSegment::distanceSquaredAs<ZqDgSegment>;
    t.distanceSquaredFigureTab[SPHERE] = &ZqDgSegment::distanceSquaredSphere;
    t.closestPointFigureTab[POINT] = &ZqDgSegment::closestPointAs<ZqDgPoint>;
    t.closestPointFigureTab[SEGMENT] = &ZqDgSegment::closestPointAs<ZqDgSegment>;
    t.closestPointFigureTab[SPHERE] = &ZqDgSegment::closestPointAs<ZqDgSphere>;
    return t;
}();

bool ZqDgSegment::equals(const ZqDgSegment& other) const {
    return m_type == other.m_type && zqdg::sameBits(m_start, other.m_start) &&
           zqdg::sameBits(m_end, other.m_end);
}

bool ZqDgSegment::epsilonEquals(const ZqDgSegment& other, const float eps) const {
    return zqdg::within(m_start, other.m_start, eps) && zqdg::within(m_end, other.m_end, eps);
}

const char16_t* ZqDgSegment::getFigureName() const {
    return u"Segment";
}

bool ZqDgSegment::isFinite(const float min, const float max) const {
    return m_type == SEGMENT && m_start.isFinite(min, max) && m_end.isFinite(min, max);
}

bool ZqDgSegment::isFinite(const float limit) const {
    return m_type == SEGMENT && m_start.isFinite(limit) && m_end.isFinite(limit);
}

bool ZqDgSegment::intersect(const ZqDgPoint& point) const {
    const ZqVector3 e = m_end - m_start;
    const ZqVector3 v = point.m_position - m_start;
    const float s = v.dot(e);
    const float ee = e.dot(e);
    if (s <= 0.0f || s >= ee) {
        return false;
    }
    return epsilon * epsilon >= v.dot(v) - s * s / ee;
}

bool ZqDgSegment::intersect(const ZqDgSegment& other, const float tol) const {
    return tol * tol >= distanceSquared(other);
}

bool ZqDgSegment::intersectSegment(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const ZqDgSegment&>(f)) <= TABLE_TOLERANCE_SQUARED;
}

bool ZqDgSegment::intersect(const ZqDgPlane& plane) const {
    const float t =
        (plane.m_distance - plane.m_normal.dot(m_start)) / plane.m_normal.dot(m_end - m_start);
    return t >= 0.0f && t <= 1.0f;
}

bool ZqDgSegment::intersect(const ZqDgPlane& plane, float* const t, ZqVector3* const p) const {
    const ZqVector3 e = m_end - m_start;
    *t = (plane.m_distance - plane.m_normal.dot(m_start)) / plane.m_normal.dot(e);
    if (!(*t >= 0.0f && *t <= 1.0f)) {
        return false;
    }
    *p = m_start + e * *t;
    return true;
}

bool ZqDgSegment::intersect(const ZqDgTriangle& triangle) const {
    return triangle.intersect(*this);
}

bool ZqDgSegment::intersect(const ZqDgTriangle& triangle, float* const t,
                            ZqVector3* const p) const {
    return triangle.intersect(*this, t, p);
}

bool ZqDgSegment::intersect(const ZqDgSphere& sphere) const {
    return sphere.m_radius * sphere.m_radius >=
           distanceSquared(ZqDgPoint(sphere.m_center.x, sphere.m_center.y, sphere.m_center.z));
}

bool ZqDgSegment::intersect(const ZqDgSphere& sphere, float* const t1, float* const t2,
                            ZqVector3* const p1, ZqVector3* const p2) const {
    return sphere.intersect(*this, t1, t2, p1, p2);
}

bool ZqDgSegment::intersect(const ZqDgOrientedBoundingBox& box) const {
    return box.intersect(*this);
}

bool ZqDgSegment::intersect(const ZqDgAxisAlignedBoundingBox& box) const {
    return box.intersect(*this);
}

bool ZqDgSegment::intersect(const ZqDgAxisAlignedBoundingBox& box, float* const tNear,
                            float* const tFar, ZqVector3* const pNear,
                            ZqVector3* const pFar) const {
    return box.intersect(*this, tNear, tFar, pNear, pFar);
}

float ZqDgSegment::distance(const ZqDgPoint& point) const {
    return zqFastSqrt(zqFabs(distanceSquared(point)));
}

float ZqDgSegment::distanceSquared(const ZqDgPoint& point) const {
    const ZqVector3 e = m_end - m_start;
    const ZqVector3 v = point.m_position - m_start;
    const float s = v.dot(e);
    if (s <= 0.0f) {
        return v.dot(v);
    }
    const float ee = e.dot(e);
    if (s >= ee) {
        return (point.m_position - m_end).lengthSquared();
    }
    return v.dot(v) - s * (s / ee);
}

float ZqDgSegment::distance(const ZqDgSegment& other) const {
    return zqFastSqrt(distanceSquared(other));
}

float ZqDgSegment::distanceSquared(const ZqDgSegment& other) const {
    ZqVector3 p1;
    ZqVector3 p2;
    closestOfSegments(m_start, m_end, other.m_start, other.m_end, &p1, &p2);
    return (p1 - p2).lengthSquared();
}

float ZqDgSegment::distance(const ZqDgSphere& sphere) const {
    return sphere.distance(*this);
}

float ZqDgSegment::distanceSquaredSphere(const ZqDgFigure& f) const {
    return static_cast<const ZqDgSphere&>(f).distanceSquared(*this);
}

void ZqDgSegment::closestPoint(const ZqDgPoint& point, ZqVector3* const onThis,
                               ZqVector3* const onOther) const {
    const ZqVector3 e = m_end - m_start;
    const float ee = e.dot(e);
    // A segment of zero length is its start.
    const float t = ee > 0.0f ? clamp01((point.m_position - m_start).dot(e) / ee) : 0.0f;
    *onThis = m_start + e * t;
    *onOther = point.m_position;
}

void ZqDgSegment::closestPoint(const ZqDgSegment& other, ZqVector3* const onThis,
                               ZqVector3* const onOther) const {
    closestOfSegments(m_start, m_end, other.m_start, other.m_end, onThis, onOther);
}

void ZqDgSegment::closestPoint(const ZqDgSphere& sphere, ZqVector3* const onThis,
                               ZqVector3* const onOther) const {
    sphere.closestPoint(*this, onOther, onThis);
}

void ZqDgSegment::draw(const bool withShadow) const {
    drawLinear(m_start, m_end, m_start, withShadow);
}
