#include "zq/dg/ZqDgPoint.h"

#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgCapsule.h"
#include "zq/dg/ZqDgCylindroid.h"
#include "zq/dg/ZqDgFigureUtil_internal.h"
#include "zq/dg/ZqDgLine.h"
#include "zq/dg/ZqDgOrientedBoundingBox.h"
#include "zq/dg/ZqDgPlane.h"
#include "zq/dg/ZqDgRectangle.h"
#include "zq/dg/ZqDgSphere.h"
#include "zq/dg/ZqDgTriangle.h"
#include "zq/gl/ZqGlLine.h"

namespace {

// The point-line test's fixed bound on the squared distance.
constexpr float LINE_TOLERANCE_SQUARED = 1e-8f;

} // namespace

template <class T> bool ZqDgPoint::intersectAs(const ZqDgFigure& f) const {
    return intersect(static_cast<const T&>(f));
}
template <class T> float ZqDgPoint::distanceAs(const ZqDgFigure& f) const {
    return distance(static_cast<const T&>(f));
}
template <class T> float ZqDgPoint::distanceSquaredAs(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const T&>(f));
}
template <class T>
void ZqDgPoint::closestPointAs(const ZqDgFigure& f, ZqVector3* const a, ZqVector3* const b) const {
    closestPoint(static_cast<const T&>(f), a, b);
}

constinit const ZqDgFigureTables<ZqDgPoint> ZqDgPoint::figureTab = [] {
    ZqDgFigureTables<ZqDgPoint> t;
    t.intersectFigureTab[POINT] = &ZqDgPoint::intersectAs<ZqDgPoint>;
    t.intersectFigureTab[LINE] = &ZqDgPoint::intersectAs<ZqDgLine>;
    t.intersectFigureTab[SEGMENT] = &ZqDgPoint::intersectAs<ZqDgSegment>;
    t.intersectFigureTab[PLANE] = &ZqDgPoint::intersectAs<ZqDgPlane>;
    t.intersectFigureTab[TRIANGLE] = &ZqDgPoint::intersectAs<ZqDgTriangle>;
    t.intersectFigureTab[RECTANGLE] = &ZqDgPoint::intersectAs<ZqDgRectangle>;
    t.intersectFigureTab[SPHERE] = &ZqDgPoint::intersectAs<ZqDgSphere>;
    t.intersectFigureTab[CAPSULE] = &ZqDgPoint::intersectAs<ZqDgCapsule>;
    t.intersectFigureTab[CYLINDROID] = &ZqDgPoint::intersectAs<ZqDgCylindroid>;
    t.intersectFigureTab[AXIS_ALIGNED_BOUNDING_BOX] =
        &ZqDgPoint::intersectAs<ZqDgAxisAlignedBoundingBox>;
    t.intersectFigureTab[ORIENTED_BOUNDING_BOX] = &ZqDgPoint::intersectAs<ZqDgOrientedBoundingBox>;

    t.distanceFigureTab[POINT] = &ZqDgPoint::distanceAs<ZqDgPoint>;
    t.distanceFigureTab[LINE] = &ZqDgPoint::distanceAs<ZqDgLine>;
    t.distanceFigureTab[SEGMENT] = &ZqDgPoint::distanceAs<ZqDgSegment>;
    t.distanceFigureTab[PLANE] = &ZqDgPoint::distanceAs<ZqDgPlane>;
    t.distanceFigureTab[SPHERE] = &ZqDgPoint::distanceAs<ZqDgSphere>;
    t.distanceFigureTab[AXIS_ALIGNED_BOUNDING_BOX] =
        &ZqDgPoint::distanceAs<ZqDgAxisAlignedBoundingBox>;
    t.distanceSquaredFigureTab[POINT] = &ZqDgPoint::distanceSquaredAs<ZqDgPoint>;
    t.distanceSquaredFigureTab[LINE] = &ZqDgPoint::distanceSquaredAs<ZqDgLine>;
    t.distanceSquaredFigureTab[SEGMENT] = &ZqDgPoint::distanceSquaredAs<ZqDgSegment>;
    t.distanceSquaredFigureTab[PLANE] = &ZqDgPoint::distanceSquaredAs<ZqDgPlane>;
    t.distanceSquaredFigureTab[SPHERE] = &ZqDgPoint::distanceSquaredAs<ZqDgSphere>;
    t.distanceSquaredFigureTab[AXIS_ALIGNED_BOUNDING_BOX] =
        &ZqDgPoint::distanceSquaredAs<ZqDgAxisAlignedBoundingBox>;
    t.distanceFigureTab[TRIANGLE] = &ZqDgPoint::distanceAs<ZqDgTriangle>;
    t.distanceFigureTab[RECTANGLE] = &ZqDgPoint::distanceAs<ZqDgRectangle>;
    t.distanceFigureTab[CAPSULE] = &ZqDgPoint::distanceAs<ZqDgCapsule>;
    t.distanceSquaredFigureTab[TRIANGLE] = &ZqDgPoint::distanceSquaredAs<ZqDgTriangle>;
    t.distanceSquaredFigureTab[RECTANGLE] = &ZqDgPoint::distanceSquaredAs<ZqDgRectangle>;
    t.distanceSquaredFigureTab[CAPSULE] = &ZqDgPoint::distanceSquaredAs<ZqDgCapsule>;
    t.closestPointFigureTab[TRIANGLE] = &ZqDgPoint::closestPointAs<ZqDgTriangle>;
    t.closestPointFigureTab[RECTANGLE] = &ZqDgPoint::closestPointAs<ZqDgRectangle>;
    t.closestPointFigureTab[CAPSULE] = &ZqDgPoint::closestPointAs<ZqDgCapsule>;
    t.distanceFigureTab[CYLINDROID] = &ZqDgPoint::distanceAs<ZqDgCylindroid>;
    t.distanceFigureTab[ORIENTED_BOUNDING_BOX] = &ZqDgPoint::distanceAs<ZqDgOrientedBoundingBox>;
    t.distanceSquaredFigureTab[CYLINDROID] = &ZqDgPoint::distanceSquaredAs<ZqDgCylindroid>;
    t.distanceSquaredFigureTab[ORIENTED_BOUNDING_BOX] =
        &ZqDgPoint::distanceSquaredAs<ZqDgOrientedBoundingBox>;
    t.closestPointFigureTab[CYLINDROID] = &ZqDgPoint::closestPointAs<ZqDgCylindroid>;
    t.closestPointFigureTab[ORIENTED_BOUNDING_BOX] =
        &ZqDgPoint::closestPointAs<ZqDgOrientedBoundingBox>;

    t.closestPointFigureTab[POINT] = &ZqDgPoint::closestPointAs<ZqDgPoint>;
    t.closestPointFigureTab[LINE] = &ZqDgPoint::closestPointAs<ZqDgLine>;
    t.closestPointFigureTab[SEGMENT] = &ZqDgPoint::closestPointAs<ZqDgSegment>;
    t.closestPointFigureTab[PLANE] = &ZqDgPoint::closestPointAs<ZqDgPlane>;
    t.closestPointFigureTab[SPHERE] = &ZqDgPoint::closestPointAs<ZqDgSphere>;
    t.closestPointFigureTab[AXIS_ALIGNED_BOUNDING_BOX] =
        &ZqDgPoint::closestPointAs<ZqDgAxisAlignedBoundingBox>;
    return t;
}();

const char16_t* ZqDgPoint::getFigureName() const {
    return u"Point";
}

bool ZqDgPoint::isFinite(const float min, const float max) const {
    return m_type == POINT && m_position.isFinite(min, max);
}

bool ZqDgPoint::isFinite(const float limit) const {
    return m_type == POINT && m_position.isFinite(limit);
}

bool ZqDgPoint::equals(const ZqDgPoint& other) const {
    return m_type == other.m_type && zqdg::sameBits(m_position.x, other.m_position.x) &&
           zqdg::sameBits(m_position.y, other.m_position.y) &&
           zqdg::sameBits(m_position.z, other.m_position.z);
}

bool ZqDgPoint::epsilonEquals(const ZqDgPoint& other, const float eps) const {
    return zqFabs(m_position.x - other.m_position.x) <= eps &&
           zqFabs(m_position.y - other.m_position.y) <= eps &&
           zqFabs(m_position.z - other.m_position.z) <= eps;
}

// ---- point ---------------------------------------------------------------------------------

// A box of +-epsilon per axis, not a ball.
bool ZqDgPoint::intersect(const ZqDgPoint& q) const {
    return zqFabs(m_position.x - q.m_position.x) <= epsilon &&
           zqFabs(m_position.y - q.m_position.y) <= epsilon &&
           zqFabs(m_position.z - q.m_position.z) <= epsilon;
}

float ZqDgPoint::distance(const ZqDgPoint& q) const {
    return zqSqrt(distanceSquared(q));
}

float ZqDgPoint::distanceSquared(const ZqDgPoint& q) const {
    return (m_position - q.m_position).lengthSquared();
}

void ZqDgPoint::closestPoint(const ZqDgPoint& q, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    *onThis = m_position;
    *onOther = q.m_position;
}

// ---- line ----------------------------------------------------------------------------------

bool ZqDgPoint::intersect(const ZqDgLine& line) const {
    return distanceSquared(line) <= LINE_TOLERANCE_SQUARED;
}

float ZqDgPoint::distance(const ZqDgLine& line) const {
    return zqSqrt(distanceSquared(line));
}

float ZqDgPoint::distanceSquared(const ZqDgLine& line) const {
    return ZqVector3().cross(m_position - line.m_origin, line.m_direction).lengthSquared();
}

void ZqDgPoint::closestPoint(const ZqDgLine& line, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    *onThis = m_position;
    *onOther =
        line.m_origin + line.m_direction * (m_position - line.m_origin).dot(line.m_direction);
}

// ---- segment -------------------------------------------------------------------------------

bool ZqDgPoint::intersect(const ZqDgSegment& segment) const {
    return segment.intersect(*this);
}

float ZqDgPoint::distance(const ZqDgSegment& segment) const {
    return zqFastSqrt(zqFabs(segment.distanceSquared(*this)));
}

float ZqDgPoint::distanceSquared(const ZqDgSegment& segment) const {
    return segment.distanceSquared(*this);
}

void ZqDgPoint::closestPoint(const ZqDgSegment& segment, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    segment.closestPoint(*this, onOther, onThis);
}

// ---- plane ---------------------------------------------------------------------------------

bool ZqDgPoint::intersect(const ZqDgPlane& plane) const {
    return zqFabs(distance(plane)) <= epsilon;
}

float ZqDgPoint::distance(const ZqDgPlane& plane) const {
    return plane.m_normal.dot(m_position) - plane.m_distance;
}

float ZqDgPoint::distanceSquared(const ZqDgPlane& plane) const {
    const float e = distance(plane);
    return e * e;
}

void ZqDgPoint::closestPoint(const ZqDgPlane& plane, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    *onThis = m_position;
    *onOther = m_position - plane.m_normal * distance(plane);
}

// ---- sphere --------------------------------------------------------------------------------

bool ZqDgPoint::intersect(const ZqDgSphere& sphere) const {
    return sphere.m_radius * sphere.m_radius >= (sphere.m_center - m_position).lengthSquared();
}

float ZqDgPoint::distance(const ZqDgSphere& sphere) const {
    return zqFastSqrt((sphere.m_center - m_position).lengthSquared()) - sphere.m_radius;
}

float ZqDgPoint::distanceSquared(const ZqDgSphere& sphere) const {
    const float d = distance(sphere);
    return d * d;
}

void ZqDgPoint::closestPoint(const ZqDgSphere& sphere, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    sphere.closestPoint(*this, onOther, onThis);
}

// ---- cylindroid, boxes ---------------------------------------------------------------------

// An elliptic cylinder along axis 0: half length size 0, semi-axes sizes 1 and 2.
// ---- triangle, rectangle and capsule: their own tests with this point -----------------------

bool ZqDgPoint::intersect(const ZqDgTriangle& triangle) const {
    return triangle.intersect(*this);
}

float ZqDgPoint::distance(const ZqDgTriangle& triangle) const {
    return triangle.distance(*this);
}

float ZqDgPoint::distanceSquared(const ZqDgTriangle& triangle) const {
    return (m_position - triangle.closestTo(m_position)).lengthSquared();
}

void ZqDgPoint::closestPoint(const ZqDgTriangle& triangle, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    triangle.closestPoint(*this, onOther, onThis);
}

bool ZqDgPoint::intersect(const ZqDgRectangle& rectangle) const {
    return rectangle.intersect(*this);
}

float ZqDgPoint::distance(const ZqDgRectangle& rectangle) const {
    return zqFastSqrt(rectangle.distanceSquaredTo(m_position));
}

float ZqDgPoint::distanceSquared(const ZqDgRectangle& rectangle) const {
    return rectangle.distanceSquaredTo(m_position);
}

void ZqDgPoint::closestPoint(const ZqDgRectangle& rectangle, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    rectangle.closestPoint(*this, onOther, onThis);
}

bool ZqDgPoint::intersect(const ZqDgCapsule& capsule) const {
    return capsule.intersect(*this);
}

float ZqDgPoint::distance(const ZqDgCapsule& capsule) const {
    return capsule.distance(*this);
}

float ZqDgPoint::distanceSquared(const ZqDgCapsule& capsule) const {
    const float d = capsule.distance(*this);
    return d * d;
}

void ZqDgPoint::closestPoint(const ZqDgCapsule& capsule, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    capsule.closestPoint(*this, onOther, onThis);
}

bool ZqDgPoint::intersect(const ZqDgCylindroid& c) const {
    const ZqVector3 d = m_position - c.m_center;
    if (zqFabs(c.m_axis[0].dot(d)) > c.m_radius[0]) {
        return false;
    }
    const float u = c.m_axis[1].dot(d) / c.m_radius[1];
    const float v = c.m_axis[2].dot(d) / c.m_radius[2];
    return u * u + v * v <= 1.0f;
}

float ZqDgPoint::distance(const ZqDgCylindroid& c) const {
    return c.distance(*this);
}

float ZqDgPoint::distanceSquared(const ZqDgCylindroid& c) const {
    return c.distanceSquared(*this);
}

void ZqDgPoint::closestPoint(const ZqDgCylindroid& c, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    c.closestPoint(*this, onOther, onThis);
}

bool ZqDgPoint::intersect(const ZqDgAxisAlignedBoundingBox& box) const {
    return box.intersect(*this);
}

float ZqDgPoint::distance(const ZqDgAxisAlignedBoundingBox& box) const {
    return zqFastSqrt(box.distanceSquared(*this));
}

float ZqDgPoint::distanceSquared(const ZqDgAxisAlignedBoundingBox& box) const {
    return box.distanceSquared(*this);
}

void ZqDgPoint::closestPoint(const ZqDgAxisAlignedBoundingBox& box, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    box.closestPoint(*this, onOther, onThis);
}

bool ZqDgPoint::intersect(const ZqDgOrientedBoundingBox& box) const {
    const ZqVector3 d = m_position - box.m_center;
    for (int i = 0; i < 3; ++i) {
        if (zqFabs(box.m_axis[i].dot(d)) > box.m_radius[i]) {
            return false;
        }
    }
    return true;
}

float ZqDgPoint::distance(const ZqDgOrientedBoundingBox& box) const {
    return zqFastSqrt(box.distanceSquared(*this));
}

float ZqDgPoint::distanceSquared(const ZqDgOrientedBoundingBox& box) const {
    return box.distanceSquared(*this);
}

void ZqDgPoint::closestPoint(const ZqDgOrientedBoundingBox& box, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    box.closestPoint(*this, onOther, onThis);
}

// ---- drawing -------------------------------------------------------------------------------

void ZqDgPoint::draw(const bool withShadow) const {
    constexpr float HALF = 5.0f;
    const ZqVector3& p = m_position;
    ZqVector3 ends[3][2] = {
        {ZqVector3(p.x - HALF, p.y, p.z), ZqVector3(p.x + HALF, p.y, p.z)},
        {ZqVector3(p.x, p.y - HALF, p.z), ZqVector3(p.x, p.y + HALF, p.z)},
        {ZqVector3(p.x, p.y, p.z - HALF), ZqVector3(p.x, p.y, p.z + HALF)},
    };
    for (const auto& line : ends) {
        ZqGlLine::draw(line, 2);
    }
    if (withShadow) {
        setShadowColor();
        for (auto& line : ends) {
            line[0].y = 0.0f;
            line[1].y = 0.0f;
            ZqGlLine::draw(line, 2);
        }
    }
}
