#include "zq/dg/ZqDgSphere.h"

#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgCapsule.h"
#include "zq/dg/ZqDgFigureUtil_internal.h"
#include "zq/dg/ZqDgLine.h"
#include "zq/dg/ZqDgOrientedBoundingBox.h"
#include "zq/dg/ZqDgPlane.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgRectangle.h"
#include "zq/dg/ZqDgTriangle.h"
#include "zq/gl/ZqGlLine.h"

#include <array>
#include <cmath>

namespace {

// Below this squared length there is no direction to take a surface point from.
constexpr float NO_DIRECTION = 0.0001f;

} // namespace

template <class T> bool ZqDgSphere::intersectAs(const ZqDgFigure& f) const {
    return intersect(static_cast<const T&>(f));
}
template <class T> float ZqDgSphere::distanceAs(const ZqDgFigure& f) const {
    return distance(static_cast<const T&>(f));
}
template <class T> float ZqDgSphere::distanceSquaredAs(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const T&>(f));
}
template <class T>
void ZqDgSphere::closestPointAs(const ZqDgFigure& f, ZqVector3* const a, ZqVector3* const b) const {
    closestPoint(static_cast<const T&>(f), a, b);
}

constinit const ZqDgFigureTables<ZqDgSphere> ZqDgSphere::figureTab = [] {
    ZqDgFigureTables<ZqDgSphere> t;
    t.intersectFigureTab[POINT] = &ZqDgSphere::intersectAs<ZqDgPoint>;
    t.intersectFigureTab[LINE] = &ZqDgSphere::intersectAs<ZqDgLine>;
    t.intersectFigureTab[SEGMENT] = &ZqDgSphere::intersectAs<ZqDgSegment>;
    t.intersectFigureTab[PLANE] = &ZqDgSphere::intersectAs<ZqDgPlane>;
    t.intersectFigureTab[SPHERE] = &ZqDgSphere::intersectAs<ZqDgSphere>;
    t.intersectFigureTab[AXIS_ALIGNED_BOUNDING_BOX] =
        &ZqDgSphere::intersectAs<ZqDgAxisAlignedBoundingBox>;
    t.distanceFigureTab[POINT] = &ZqDgSphere::distanceAs<ZqDgPoint>;
    t.distanceFigureTab[LINE] = &ZqDgSphere::distanceAs<ZqDgLine>;
    t.distanceFigureTab[SEGMENT] = &ZqDgSphere::distanceAs<ZqDgSegment>;
    t.distanceFigureTab[PLANE] = &ZqDgSphere::distanceAs<ZqDgPlane>;
    t.distanceFigureTab[SPHERE] = &ZqDgSphere::distanceAs<ZqDgSphere>;
    t.distanceFigureTab[AXIS_ALIGNED_BOUNDING_BOX] =
        &ZqDgSphere::distanceAs<ZqDgAxisAlignedBoundingBox>;
    t.distanceSquaredFigureTab[POINT] = &ZqDgSphere::distanceSquaredAs<ZqDgPoint>;
    t.distanceSquaredFigureTab[LINE] = &ZqDgSphere::distanceSquaredAs<ZqDgLine>;
    t.distanceSquaredFigureTab[SEGMENT] = &ZqDgSphere::distanceSquaredAs<ZqDgSegment>;
    t.distanceSquaredFigureTab[PLANE] = &ZqDgSphere::distanceSquaredAs<ZqDgPlane>;
    t.distanceSquaredFigureTab[SPHERE] = &ZqDgSphere::distanceSquaredAs<ZqDgSphere>;
    t.distanceSquaredFigureTab[AXIS_ALIGNED_BOUNDING_BOX] =
        &ZqDgSphere::distanceSquaredAs<ZqDgAxisAlignedBoundingBox>;
    t.closestPointFigureTab[POINT] = &ZqDgSphere::closestPointAs<ZqDgPoint>;
    t.closestPointFigureTab[LINE] = &ZqDgSphere::closestPointAs<ZqDgLine>;
    t.closestPointFigureTab[SEGMENT] = &ZqDgSphere::closestPointAs<ZqDgSegment>;
    t.closestPointFigureTab[PLANE] = &ZqDgSphere::closestPointAs<ZqDgPlane>;
    t.closestPointFigureTab[SPHERE] = &ZqDgSphere::closestPointAs<ZqDgSphere>;
    t.closestPointFigureTab[AXIS_ALIGNED_BOUNDING_BOX] =
        &ZqDgSphere::closestPointAs<ZqDgAxisAlignedBoundingBox>;
    t.intersectFigureTab[TRIANGLE] = &ZqDgSphere::intersectAs<ZqDgTriangle>;
    t.intersectFigureTab[RECTANGLE] = &ZqDgSphere::intersectAs<ZqDgRectangle>;
    t.intersectFigureTab[CAPSULE] = &ZqDgSphere::intersectAs<ZqDgCapsule>;
    t.distanceFigureTab[TRIANGLE] = &ZqDgSphere::distanceAs<ZqDgTriangle>;
    t.distanceFigureTab[RECTANGLE] = &ZqDgSphere::distanceAs<ZqDgRectangle>;
    t.distanceFigureTab[CAPSULE] = &ZqDgSphere::distanceAs<ZqDgCapsule>;
    t.distanceSquaredFigureTab[TRIANGLE] = &ZqDgSphere::distanceSquaredAs<ZqDgTriangle>;
    t.distanceSquaredFigureTab[RECTANGLE] = &ZqDgSphere::distanceSquaredAs<ZqDgRectangle>;
    t.distanceSquaredFigureTab[CAPSULE] = &ZqDgSphere::distanceSquaredAs<ZqDgCapsule>;
    t.closestPointFigureTab[TRIANGLE] = &ZqDgSphere::closestPointAs<ZqDgTriangle>;
    t.closestPointFigureTab[RECTANGLE] = &ZqDgSphere::closestPointAs<ZqDgRectangle>;
    t.closestPointFigureTab[CAPSULE] = &ZqDgSphere::closestPointAs<ZqDgCapsule>;
    t.intersectFigureTab[ORIENTED_BOUNDING_BOX] = &ZqDgSphere::intersectAs<ZqDgOrientedBoundingBox>;
    t.distanceFigureTab[ORIENTED_BOUNDING_BOX] = &ZqDgSphere::distanceAs<ZqDgOrientedBoundingBox>;
    t.distanceSquaredFigureTab[ORIENTED_BOUNDING_BOX] =
        &ZqDgSphere::distanceSquaredAs<ZqDgOrientedBoundingBox>;
    t.closestPointFigureTab[ORIENTED_BOUNDING_BOX] =
        &ZqDgSphere::closestPointAs<ZqDgOrientedBoundingBox>;
    return t;
}();

const char16_t* ZqDgSphere::getFigureName() const {
    return u"Sphere";
}

bool ZqDgSphere::isFinite(const float min, const float max) const {
    return m_type == SPHERE && m_center.isFinite(min, max) && ::isFinite(m_radius, min, max) &&
           m_radius > 0.0f;
}

bool ZqDgSphere::isFinite(const float limit) const {
    return m_type == SPHERE && m_center.isFinite(limit) && ::isFinite(m_radius, limit) &&
           m_radius > 0.0f;
}

bool ZqDgSphere::equals(const ZqDgSphere& other) const {
    return m_type == other.m_type && zqdg::sameBits(m_center.x, other.m_center.x) &&
           zqdg::sameBits(m_center.y, other.m_center.y) &&
           zqdg::sameBits(m_center.z, other.m_center.z) && zqdg::sameBits(m_radius, other.m_radius);
}

bool ZqDgSphere::epsilonEquals(const ZqDgSphere other, const float eps) const {
    return zqFabs(m_center.x - other.m_center.x) <= eps &&
           zqFabs(m_center.y - other.m_center.y) <= eps &&
           zqFabs(m_center.z - other.m_center.z) <= eps && zqFabs(m_radius - other.m_radius) <= eps;
}

void ZqDgSphere::surfacePointToward(const ZqVector3& q, ZqVector3* const onThis) const {
    const ZqVector3 v = q - m_center;
    const float l2 = v.lengthSquared();
    if (l2 >= NO_DIRECTION) {
        *onThis = m_center + v * (m_radius * zqdg::fastInverseSqrt(l2));
    }
}

// ---- point ---------------------------------------------------------------------------------

bool ZqDgSphere::intersect(const ZqDgPoint& point) const {
    return m_radius * m_radius >= (m_center - point.m_position).lengthSquared();
}

float ZqDgSphere::distance(const ZqDgPoint& point) const {
    return zqFastSqrt((m_center - point.m_position).lengthSquared()) - m_radius;
}

void ZqDgSphere::closestPoint(const ZqDgPoint& point, ZqVector3* const onThis,
                              ZqVector3* const onOther) const {
    if ((point.m_position - m_center).lengthSquared() < NO_DIRECTION) {
        return;
    }
    *onOther = point.m_position;
    surfacePointToward(point.m_position, onThis);
}

// ---- line ----------------------------------------------------------------------------------

bool ZqDgSphere::intersect(const ZqDgLine& line) const {
    const ZqVector3 m = line.m_origin - m_center;
    const float k = m.dot(m) - m_radius * m_radius;
    if (k <= 0.0f) {
        return true;
    }
    const float b = m.dot(line.m_direction);
    return b * b - k >= 0.0f;
}

bool ZqDgSphere::intersect(const ZqDgLine& line, float* const t1, float* const t2,
                           ZqVector3* const p1, ZqVector3* const p2) const {
    const ZqVector3 m = line.m_origin - m_center;
    const float b = m.dot(line.m_direction);
    const float k = m.dot(m) - m_radius * m_radius;
    const float disc = b * b - k;
    if (disc < 0.0f) {
        return false;
    }
    const float s = zqSqrt(disc);
    *t1 = s - b;
    *t2 = -b - s;
    *p1 = line.m_origin + line.m_direction * *t1;
    *p2 = line.m_origin + line.m_direction * *t2;
    return true;
}

float ZqDgSphere::distance(const ZqDgLine& line) const {
    return zqSqrt(ZqVector3().cross(m_center - line.m_origin, line.m_direction).lengthSquared()) -
           m_radius;
}

void ZqDgSphere::closestPoint(const ZqDgLine& line, ZqVector3* const onThis,
                              ZqVector3* const onOther) const {
    const ZqVector3 q =
        line.m_origin + line.m_direction * (m_center - line.m_origin).dot(line.m_direction);
    *onOther = q;
    surfacePointToward(q, onThis);
}

// ---- segment -------------------------------------------------------------------------------

bool ZqDgSphere::intersect(const ZqDgSegment& segment) const {
    return m_radius * m_radius >= segment.distanceSquared(zqdg::pointAt(m_center));
}

bool ZqDgSphere::intersect(const ZqDgSegment& segment, float* const t1, float* const t2,
                           ZqVector3* const p1, ZqVector3* const p2) const {
    const ZqVector3& a = segment.m_start;
    const ZqVector3 e = segment.m_end - a;
    const ZqVector3 m = a - m_center;
    const float ee = e.dot(e);
    const float k = m.dot(m) - m_radius * m_radius;
    if (ee == 0.0f) {
        // A segment of zero length is the point a: both crossings at parameter 0 when the
        // point lies in the sphere.
        if (k > 0.0f) {
            return false;
        }
        *t1 = 0.0f;
        *t2 = 0.0f;
        *p1 = a;
        *p2 = a;
        return true;
    }
    const float beta = m.dot(e);
    const float disc = beta * beta - k * ee;
    if (disc < 0.0f) {
        return false;
    }
    const float s = zqSqrt(disc);
    const float w = zqRcp(ee);
    *t1 = (s - beta) * w;
    *t2 = (-beta - s) * w;
    if (*t1 >= 0.0f && *t1 <= 1.0f) {
        *p1 = a + e * *t1;
    }
    if (*t2 >= 0.0f && *t2 <= 1.0f) {
        *p2 = a + e * *t2;
    }
    // The segment meets the sphere only where [t2, t1] overlaps [0, 1].
    return *t2 <= 1.0f && *t1 >= 0.0f;
}

float ZqDgSphere::distance(const ZqDgSegment& segment) const {
    return zqFastSqrt(zqFabs(segment.distanceSquared(zqdg::pointAt(m_center)))) - m_radius;
}

void ZqDgSphere::closestPoint(const ZqDgSegment& segment, ZqVector3* const onThis,
                              ZqVector3* const onOther) const {
    ZqVector3 q;
    ZqVector3 c;
    segment.closestPoint(zqdg::pointAt(m_center), &q, &c);
    *onOther = q;
    surfacePointToward(q, onThis);
}

// ---- plane ---------------------------------------------------------------------------------

bool ZqDgSphere::intersect(const ZqDgPlane& plane) const {
    return m_radius >= zqFabs(plane.m_normal.dot(m_center) - plane.m_distance);
}

float ZqDgSphere::distance(const ZqDgPlane& plane) const {
    return plane.m_normal.dot(m_center) - plane.m_distance - m_radius;
}

void ZqDgSphere::closestPoint(const ZqDgPlane& plane, ZqVector3* const onThis,
                              ZqVector3* const onOther) const {
    const ZqVector3 q =
        m_center - plane.m_normal * (plane.m_normal.dot(m_center) - plane.m_distance);
    *onOther = q;
    surfacePointToward(q, onThis);
}

// ---- triangle ------------------------------------------------------------------------------

bool ZqDgSphere::intersect(const ZqDgTriangle& triangle) const {
    return m_radius * m_radius >= (m_center - triangle.closestTo(m_center)).lengthSquared();
}

float ZqDgSphere::distance(const ZqDgTriangle& triangle) const {
    return triangle.distance(zqdg::pointAt(m_center)) - m_radius;
}

void ZqDgSphere::closestPoint(const ZqDgTriangle& triangle, ZqVector3* const onThis,
                              ZqVector3* const onOther) const {
    const ZqVector3 q = triangle.closestTo(m_center);
    *onOther = q;
    surfacePointToward(q, onThis);
}

// ---- rectangle -----------------------------------------------------------------------------

bool ZqDgSphere::intersect(const ZqDgRectangle& rectangle) const {
    return m_radius * m_radius >= rectangle.distanceSquaredTo(m_center);
}

float ZqDgSphere::distance(const ZqDgRectangle& rectangle) const {
    return zqFastSqrt(rectangle.distanceSquaredTo(m_center)) - m_radius;
}

void ZqDgSphere::closestPoint(const ZqDgRectangle& rectangle, ZqVector3* const onThis,
                              ZqVector3* const onOther) const {
    const ZqVector3 q = rectangle.closestTo(m_center);
    *onOther = q;
    surfacePointToward(q, onThis);
}

// ---- sphere --------------------------------------------------------------------------------

bool ZqDgSphere::intersect(const ZqDgSphere& other) const {
    const float r = m_radius + other.m_radius;
    return r * r >= (m_center - other.m_center).lengthSquared();
}

float ZqDgSphere::distance(const ZqDgSphere& other) const {
    return zqFastSqrt((m_center - other.m_center).lengthSquared()) - (m_radius + other.m_radius);
}

void ZqDgSphere::closestPoint(const ZqDgSphere& other, ZqVector3* const onThis,
                              ZqVector3* const onOther) const {
    const ZqVector3 v = other.m_center - m_center;
    const float l2 = v.lengthSquared();
    if (l2 < NO_DIRECTION) {
        return;
    }
    const float inv = zqdg::fastInverseSqrt(l2);
    *onThis = m_center + v * (m_radius * inv);
    *onOther = other.m_center - v * (other.m_radius * inv);
}

// ---- capsule -------------------------------------------------------------------------------

bool ZqDgSphere::intersect(const ZqDgCapsule& capsule) const {
    return capsule.intersect(*this);
}

float ZqDgSphere::distance(const ZqDgCapsule& capsule) const {
    return capsule.distance(*this);
}

void ZqDgSphere::closestPoint(const ZqDgCapsule& capsule, ZqVector3* const onThis,
                              ZqVector3* const onOther) const {
    capsule.closestPoint(*this, onOther, onThis);
}

// ---- axis-aligned box ----------------------------------------------------------------------

bool ZqDgSphere::intersect(const ZqDgAxisAlignedBoundingBox& box) const {
    return box.intersect(*this);
}

float ZqDgSphere::distance(const ZqDgAxisAlignedBoundingBox& box) const {
    return box.distance(*this);
}

void ZqDgSphere::closestPoint(const ZqDgAxisAlignedBoundingBox& box, ZqVector3* const onThis,
                              ZqVector3* const onOther) const {
    box.closestPoint(*this, onOther, onThis);
}

// ---- oriented box --------------------------------------------------------------------------

bool ZqDgSphere::intersect(const ZqDgOrientedBoundingBox& box) const {
    return box.intersect(*this);
}

float ZqDgSphere::distance(const ZqDgOrientedBoundingBox& box) const {
    return box.distance(*this);
}

float ZqDgSphere::distanceSquared(const ZqDgOrientedBoundingBox& box) const {
    const float d = distance(box);
    return d * d;
}

void ZqDgSphere::closestPoint(const ZqDgOrientedBoundingBox& box, ZqVector3* const onThis,
                              ZqVector3* const onOther) const {
    box.closestPoint(*this, onOther, onThis);
}

// ---- squared distances: the square of the signed distance ----------------------------------

float ZqDgSphere::distanceSquared(const ZqDgPoint& point) const {
    const float d = distance(point);
    return d * d;
}

float ZqDgSphere::distanceSquared(const ZqDgLine& line) const {
    const float d = distance(line);
    return d * d;
}

float ZqDgSphere::distanceSquared(const ZqDgSegment& segment) const {
    const float d = distance(segment);
    return d * d;
}

float ZqDgSphere::distanceSquared(const ZqDgPlane& plane) const {
    const float d = distance(plane);
    return d * d;
}

float ZqDgSphere::distanceSquared(const ZqDgTriangle& triangle) const {
    const float d = distance(triangle);
    return d * d;
}

float ZqDgSphere::distanceSquared(const ZqDgRectangle& rectangle) const {
    const float d = distance(rectangle);
    return d * d;
}

float ZqDgSphere::distanceSquared(const ZqDgCapsule& capsule) const {
    const float d = distance(capsule);
    return d * d;
}

float ZqDgSphere::distanceSquared(const ZqDgSphere& other) const {
    const float d = distance(other);
    return d * d;
}

float ZqDgSphere::distanceSquared(const ZqDgAxisAlignedBoundingBox& box) const {
    const float d = distance(box);
    return d * d;
}

// ---- drawing -------------------------------------------------------------------------------

void ZqDgSphere::draw(const bool withShadow) const {
    constexpr int RINGS = 9;
    constexpr int PER_RING = 16;
    constexpr float STEP = 0.3926991f;
    ZqVector3 points[RINGS * PER_RING];
    for (int i = 0; i < RINGS; ++i) {
        const float phi = static_cast<float>(i) * STEP;
        const float rho = m_radius * std::sin(phi);
        const float y = m_center.y - m_radius * std::cos(phi);
        for (int j = 0; j < PER_RING; ++j) {
            const float theta = static_cast<float>(j) * STEP;
            points[i * PER_RING + j].set(m_center.x + rho * std::sin(theta), y,
                                         m_center.z + rho * std::cos(theta));
        }
    }
    // 128 meridian edges, then the rings between the poles.
    static constexpr auto PAIRS = zqdg::ringPairs<RINGS, PER_RING>();
    drawIndexed(points, PAIRS.data(), PAIRS.size() / 2, withShadow);
}
