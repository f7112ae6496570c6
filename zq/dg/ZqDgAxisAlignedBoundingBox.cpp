#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"

#include "zq/dg/ZqDgFigureUtil_internal.h"
#include "zq/dg/ZqDgLine.h"
#include "zq/dg/ZqDgPlane.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgSphere.h"

namespace {

// Below this |direction component| a line runs parallel to that slab; the same margin widens
// the separating-axis bounds of nearly parallel segments. Fixed, not the shared epsilon.
constexpr float PARALLEL = 0.0001f;
// Below this squared length the sphere's point has no direction to take.
constexpr float NO_DIRECTION = 0.0001f;

float component(const ZqVector3& v, const int i) {
    return i == 0 ? v.x : (i == 1 ? v.y : v.z);
}

float& component(ZqVector3& v, const int i) {
    return i == 0 ? v.x : (i == 1 ? v.y : v.z);
}

// The slab method over the three axes, narrowing [tmin, tmax] along o + t u; false as soon
// as the interval empties or a parallel slab misses.
bool clipToSlabs(const ZqVector3& c, const ZqVector3& h, const ZqVector3& o, const ZqVector3& u,
                 float& tmin, float& tmax) {
    for (int i = 0; i < 3; ++i) {
        const float ui = component(u, i);
        const float oi = component(o, i);
        const float lo = component(c, i) - component(h, i);
        const float hi = component(c, i) + component(h, i);
        if (zqFabs(ui) < PARALLEL) {
            if (oi < lo || oi > hi) {
                return false;
            }
            continue;
        }
        const float r = zqRcp(ui);
        float t1 = (lo - oi) * r;
        float t2 = (hi - oi) * r;
        if (t1 > t2) {
            const float swap = t1;
            t1 = t2;
            t2 = swap;
        }
        if (t1 > tmin) {
            tmin = t1;
        }
        if (t2 < tmax) {
            tmax = t2;
        }
        if (tmin > tmax) {
            return false;
        }
    }
    return true;
}

} // namespace

template <class T> bool ZqDgAxisAlignedBoundingBox::intersectAs(const ZqDgFigure& f) const {
    return intersect(static_cast<const T&>(f));
}
template <class T> float ZqDgAxisAlignedBoundingBox::distanceAs(const ZqDgFigure& f) const {
    return distance(static_cast<const T&>(f));
}
template <class T> float ZqDgAxisAlignedBoundingBox::distanceSquaredAs(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const T&>(f));
}
template <class T>
void ZqDgAxisAlignedBoundingBox::closestPointAs(const ZqDgFigure& f, ZqVector3* const a,
                                                ZqVector3* const b) const {
    closestPoint(static_cast<const T&>(f), a, b);
}

constinit const ZqDgFigureTables<ZqDgAxisAlignedBoundingBox> ZqDgAxisAlignedBoundingBox::figureTab =
    [] {
        using Box = ZqDgAxisAlignedBoundingBox;
        ZqDgFigureTables<Box> t;
        t.intersectFigureTab[POINT] = &Box::intersectAs<ZqDgPoint>;
        t.intersectFigureTab[LINE] = &Box::intersectAs<ZqDgLine>;
        t.intersectFigureTab[SEGMENT] = &Box::intersectAs<ZqDgSegment>;
        t.intersectFigureTab[PLANE] = &Box::intersectAs<ZqDgPlane>;
        t.intersectFigureTab[SPHERE] = &Box::intersectAs<ZqDgSphere>;
        t.intersectFigureTab[AXIS_ALIGNED_BOUNDING_BOX] = &Box::intersectAs<Box>;
        t.distanceFigureTab[POINT] = &Box::distanceAs<ZqDgPoint>;
        t.distanceFigureTab[SPHERE] = &Box::distanceAs<ZqDgSphere>;
        t.distanceSquaredFigureTab[POINT] = &Box::distanceSquaredAs<ZqDgPoint>;
        t.distanceSquaredFigureTab[SPHERE] = &Box::distanceSquaredAs<ZqDgSphere>;
        t.closestPointFigureTab[POINT] = &Box::closestPointAs<ZqDgPoint>;
        t.closestPointFigureTab[SPHERE] = &Box::closestPointAs<ZqDgSphere>;
        return t;
    }();

const char16_t* ZqDgAxisAlignedBoundingBox::getFigureName() const {
    return u"AABB";
}

bool ZqDgAxisAlignedBoundingBox::isFinite(const float min, const float max) const {
    return m_type == AXIS_ALIGNED_BOUNDING_BOX && m_center.isFinite(min, max) &&
           m_radius.isFinite(min, max) && m_radius.x > 0.0f && m_radius.y > 0.0f &&
           m_radius.z > 0.0f;
}

bool ZqDgAxisAlignedBoundingBox::isFinite(const float limit) const {
    return m_type == AXIS_ALIGNED_BOUNDING_BOX && m_center.isFinite(limit) &&
           m_radius.isFinite(limit) && m_radius.x > 0.0f && m_radius.y > 0.0f && m_radius.z > 0.0f;
}

bool ZqDgAxisAlignedBoundingBox::epsilonEquals(const ZqDgAxisAlignedBoundingBox other,
                                               const float eps) const {
    return m_center.epsilonEquals(other.m_center, eps) &&
           m_radius.epsilonEquals(other.m_radius, eps);
}

// ---- point ---------------------------------------------------------------------------------

bool ZqDgAxisAlignedBoundingBox::intersect(const ZqDgPoint& point, ZqVector3* const exit) const {
    if (!intersect(point)) {
        return false;
    }
    const ZqVector3 d = point.m_position - m_center;
    int nearest = 0;
    float smallest = FLT_MAX;
    for (int i = 0; i < 3; ++i) {
        const float depth = component(m_radius, i) - zqFabs(component(d, i));
        if (depth < smallest) {
            smallest = depth;
            nearest = i;
        }
    }
    *exit = point.m_position;
    const float s = component(d, nearest) >= 0.0f ? 1.0f : -1.0f;
    component(*exit, nearest) = component(m_center, nearest) + s * component(m_radius, nearest);
    return true;
}

float ZqDgAxisAlignedBoundingBox::distanceSquared(const ZqDgPoint& point) const {
    float sum = 0.0f;
    for (int i = 0; i < 3; ++i) {
        const float p = component(point.m_position, i);
        const float lo = component(m_center, i) - component(m_radius, i);
        const float hi = component(m_center, i) + component(m_radius, i);
        if (p < lo) {
            sum += (lo - p) * (lo - p);
        } else if (p > hi) {
            sum += (p - hi) * (p - hi);
        }
    }
    return sum;
}

float ZqDgAxisAlignedBoundingBox::distance(const ZqDgPoint& point) const {
    return zqFastSqrt(distanceSquared(point));
}

ZqVector3 ZqDgAxisAlignedBoundingBox::closestOnBox(const ZqVector3& p) const {
    ZqVector3 q = p;
    for (int i = 0; i < 3; ++i) {
        const float lo = component(m_center, i) - component(m_radius, i);
        const float hi = component(m_center, i) + component(m_radius, i);
        float& qi = component(q, i);
        qi = qi < lo ? lo : (qi > hi ? hi : qi);
    }
    if (q.x != p.x || q.y != p.y || q.z != p.z) {
        return q;
    }
    // Inside or on the surface: onto the nearest face; a coordinate on the centre plane of its
    // axis has no side to go to and counts the full half size as its depth.
    const ZqVector3 d = p - m_center;
    int nearest = 0;
    float smallest = FLT_MAX;
    for (int i = 0; i < 3; ++i) {
        const float di = component(d, i);
        const float depth = component(m_radius, i) - (di == 0.0f ? 0.0f : zqFabs(di));
        if (depth < smallest) {
            smallest = depth;
            nearest = i;
        }
    }
    const float di = component(d, nearest);
    const float s = di > 0.0f ? 1.0f : (di < 0.0f ? -1.0f : 0.0f);
    component(q, nearest) = component(m_center, nearest) + s * component(m_radius, nearest);
    return q;
}

void ZqDgAxisAlignedBoundingBox::closestPoint(const ZqDgPoint& point, ZqVector3* const onThis,
                                              ZqVector3* const onOther) const {
    *onOther = point.m_position;
    *onThis = closestOnBox(point.m_position);
}

// ---- line and segment ----------------------------------------------------------------------

bool ZqDgAxisAlignedBoundingBox::intersect(const ZqDgLine& line) const {
    float tmin = -FLT_MAX;
    float tmax = FLT_MAX;
    return clipToSlabs(m_center, m_radius, line.m_origin, line.m_direction, tmin, tmax);
}

bool ZqDgAxisAlignedBoundingBox::intersect(const ZqDgLine& line, float* const tNear,
                                           float* const tFar, ZqVector3* const pNear,
                                           ZqVector3* const pFar) const {
    float tmin = -FLT_MAX;
    float tmax = FLT_MAX;
    if (!clipToSlabs(m_center, m_radius, line.m_origin, line.m_direction, tmin, tmax)) {
        return false;
    }
    *tNear = tmin;
    *tFar = tmax;
    *pNear = line.m_origin + line.m_direction * tmin;
    *pFar = line.m_origin + line.m_direction * tmax;
    return true;
}

// Separating axes: the three box axes, then the cross products of the segment with them.
bool ZqDgAxisAlignedBoundingBox::intersect(const ZqDgSegment& segment) const {
    const ZqVector3 m = (segment.m_start + segment.m_end) * 0.5f;
    const ZqVector3 e = segment.m_end - m;
    const ZqVector3 t = m - m_center;
    const ZqVector3& h = m_radius;
    if (zqFabs(t.x) > h.x + zqFabs(e.x) || zqFabs(t.y) > h.y + zqFabs(e.y) ||
        zqFabs(t.z) > h.z + zqFabs(e.z)) {
        return false;
    }
    const ZqVector3 a(zqFabs(e.x) + PARALLEL, zqFabs(e.y) + PARALLEL, zqFabs(e.z) + PARALLEL);
    if (zqFabs(t.y * e.z - t.z * e.y) > h.y * a.z + h.z * a.y) {
        return false;
    }
    if (zqFabs(t.z * e.x - t.x * e.z) > h.x * a.z + h.z * a.x) {
        return false;
    }
    return zqFabs(t.x * e.y - t.y * e.x) <= h.x * a.y + h.y * a.x;
}

bool ZqDgAxisAlignedBoundingBox::intersect(const ZqDgSegment& segment, float* const tNear,
                                           float* const tFar, ZqVector3* const pNear,
                                           ZqVector3* const pFar) const {
    const ZqVector3 u = segment.m_end - segment.m_start;
    float tmin = 0.0f;
    float tmax = 1.0f;
    if (!clipToSlabs(m_center, m_radius, segment.m_start, u, tmin, tmax)) {
        return false;
    }
    *tNear = tmin;
    *tFar = tmax;
    *pNear = segment.m_start + u * tmin;
    *pFar = segment.m_start + u * tmax;
    return true;
}

// ---- plane, sphere, box --------------------------------------------------------------------

bool ZqDgAxisAlignedBoundingBox::intersect(const ZqDgPlane& plane) const {
    const ZqVector3& n = plane.m_normal;
    const float reach =
        zqFabs(n.x) * m_radius.x + zqFabs(n.y) * m_radius.y + zqFabs(n.z) * m_radius.z;
    return zqFabs(n.dot(m_center) - plane.m_distance) <= reach;
}

bool ZqDgAxisAlignedBoundingBox::intersect(const ZqDgSphere& sphere) const {
    return distanceSquared(ZqDgPoint(sphere.m_center.x, sphere.m_center.y, sphere.m_center.z)) <=
           sphere.m_radius * sphere.m_radius;
}

float ZqDgAxisAlignedBoundingBox::distance(const ZqDgSphere& sphere) const {
    return distance(ZqDgPoint(sphere.m_center.x, sphere.m_center.y, sphere.m_center.z)) -
           sphere.m_radius;
}

float ZqDgAxisAlignedBoundingBox::distanceSquared(const ZqDgSphere& sphere) const {
    const float d = distance(sphere);
    return d * d;
}

void ZqDgAxisAlignedBoundingBox::closestPoint(const ZqDgSphere& sphere, ZqVector3* const onThis,
                                              ZqVector3* const onOther) const {
    const ZqVector3& q = sphere.m_center;
    *onThis = closestOnBox(q);
    const ZqVector3 v = *onThis - q;
    const float l2 = v.lengthSquared();
    if (l2 >= NO_DIRECTION) {
        *onOther = q + v * (sphere.m_radius * zqdg::fastInverseSqrt(l2));
    }
}

// ---- drawing -------------------------------------------------------------------------------

void ZqDgAxisAlignedBoundingBox::draw(const bool withShadow) const {
    static constexpr uint8_t EDGES[24] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 2, 1, 3,
                                          4, 6, 5, 7, 0, 4, 1, 5, 2, 6, 3, 7};
    ZqVector3 corners[8];
    for (int k = 0; k < 8; ++k) {
        corners[k].set((k & 1) != 0 ? getMaxX() : getMinX(), (k & 2) != 0 ? getMaxY() : getMinY(),
                       (k & 4) != 0 ? getMaxZ() : getMinZ());
    }
    drawIndexed(corners, EDGES, 12, false);
    ZqDgPoint(m_center.x, m_center.y, m_center.z).draw(false);
    if (withShadow) {
        setShadowColor();
        for (ZqVector3& c : corners) {
            c.y = 0.0f;
        }
        drawIndexed(corners, EDGES, 12, false);
    }
}
