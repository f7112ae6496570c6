#include "zq/dg/ZqDgPlane.h"

#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgFigureUtil_internal.h"
#include "zq/dg/ZqDgLine.h"
#include "zq/dg/ZqDgOrientedBoundingBox.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgSphere.h"
#include "zq/dg/ZqDgTriangle.h"
#include "zq/gl/ZqGlLine.h"
#include "zq/math/ZqQuat.h"

namespace {

// Below this squared length of n1 x n2 two planes count as parallel.
constexpr float PARALLEL = 0.0001f;
// Fixed bounds, apart from the shared epsilon: a line with |n . u| at most this is parallel,
// as are three planes whose normals span less volume; two planes with |n . n'| at least
// PLANES_PARALLEL do not meet.
constexpr float LINE_PARALLEL = 0.0001f;
constexpr float THREE_PLANES = 0.0001f;
constexpr float PLANES_PARALLEL = 0.9999f;

// Normal and offset of the plane through three points.
void throughPoints(const ZqVector3& p0, const ZqVector3& p1, const ZqVector3& p2, ZqVector3& n,
                   float& d) {
    n.cross(p1 - p0, p2 - p0).normalize();
    d = n.dot(p0);
}

// A plane's normal and offset moved as its point n d and its normal direction.
void moveBoundary(ZqVector3& n, float& d, const ZqMatrix& m) {
    ZqVector3 p = n * d;
    p.rotTrans(m);
    n.rot(m);
    d = n.dot(p);
}

bool boundaryIsFinite(const ZqVector3& n, const float d, const float limit) {
    return n.isFinite(limit) && isFinite(d, limit) && zqFabs(n.dot(n) - 1.0f) <= 0.0001f;
}

bool boundaryIsFinite(const ZqVector3& n, const float d, const float min, const float max) {
    return n.isFinite(min, max) && isFinite(d, min, max) && zqFabs(n.dot(n) - 1.0f) <= 0.0001f;
}

bool boundaryEquals(const ZqVector3& n1, const float d1, const ZqVector3& n2, const float d2) {
    return zqdg::sameBits(n1.x, n2.x) && zqdg::sameBits(n1.y, n2.y) && zqdg::sameBits(n1.z, n2.z) &&
           zqdg::sameBits(d1, d2);
}

bool boundaryNear(const ZqVector3& n1, const float d1, const ZqVector3& n2, const float d2,
                  const float eps) {
    return zqFabs(n1.x - n2.x) <= eps && zqFabs(n1.y - n2.y) <= eps && zqFabs(n1.z - n2.z) <= eps &&
           zqFabs(d1 - d2) <= eps;
}

// The drawing frame in the boundary plane: rows 0 and 1 of the shortest-arc rotation from
// +z onto the normal; a drawing point (x, y, z) is n d + x X + y Y + z n.
struct PlaneFrame {
    ZqVector3 origin;
    ZqVector3 x;
    ZqVector3 y;
    ZqVector3 n;

    PlaneFrame(const ZqVector3& normal, const float d) : origin(normal * d), n(normal) {
        ZqMatrix m;
        m.setFromQuat(ZqQuat().setFromV2V(ZqVector3(0.0f, 0.0f, 1.0f), normal));
        x.set(m._11, m._12, m._13);
        y.set(m._21, m._22, m._23);
    }
    ZqVector3 at(const float px, const float py, const float pz = 0.0f) const {
        return origin + x * px + y * py + n * pz;
    }
};

void drawPairs(const ZqVector3 (*lines)[2], const int count, const bool withShadow) {
    for (int i = 0; i < count; ++i) {
        ZqGlLine::draw(lines[i][0], lines[i][1]);
    }
    if (withShadow) {
        ZqGlLine::m_color = 0xFF000000u;
        for (int i = 0; i < count; ++i) {
            ZqGlLine::draw(ZqVector3(lines[i][0].x, 0.0f, lines[i][0].z),
                           ZqVector3(lines[i][1].x, 0.0f, lines[i][1].z));
        }
    }
}

} // namespace

// =============================================================================================
// Plane

template <class T> bool ZqDgPlane::intersectAs(const ZqDgFigure& f) const {
    return intersect(static_cast<const T&>(f));
}
template <class T> float ZqDgPlane::distanceAs(const ZqDgFigure& f) const {
    return distance(static_cast<const T&>(f));
}
template <class T> float ZqDgPlane::distanceSquaredAs(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const T&>(f));
}
template <class T>
void ZqDgPlane::closestPointAs(const ZqDgFigure& f, ZqVector3* const a, ZqVector3* const b) const {
    closestPoint(static_cast<const T&>(f), a, b);
}

bool ZqDgPlane::intersectPlane(const ZqDgFigure& f) const {
    return intersect(static_cast<const ZqDgPlane&>(f));
}

constinit const ZqDgFigureTables<ZqDgPlane> ZqDgPlane::figureTab = [] {
    ZqDgFigureTables<ZqDgPlane> t;
    t.intersectFigureTab[POINT] = &ZqDgPlane::intersectAs<ZqDgPoint>;
    t.intersectFigureTab[LINE] = &ZqDgPlane::intersectAs<ZqDgLine>;
    t.intersectFigureTab[SEGMENT] = &ZqDgPlane::intersectAs<ZqDgSegment>;
    t.intersectFigureTab[PLANE] = &ZqDgPlane::intersectPlane;
    t.intersectFigureTab[SPHERE] = &ZqDgPlane::intersectAs<ZqDgSphere>;
    t.intersectFigureTab[AXIS_ALIGNED_BOUNDING_BOX] =
        &ZqDgPlane::intersectAs<ZqDgAxisAlignedBoundingBox>;
    t.intersectFigureTab[ORIENTED_BOUNDING_BOX] = &ZqDgPlane::intersectAs<ZqDgOrientedBoundingBox>;
    t.distanceFigureTab[POINT] = &ZqDgPlane::distanceAs<ZqDgPoint>;
    t.distanceFigureTab[SPHERE] = &ZqDgPlane::distanceAs<ZqDgSphere>;
    t.distanceSquaredFigureTab[POINT] = &ZqDgPlane::distanceSquaredAs<ZqDgPoint>;
    t.distanceSquaredFigureTab[SPHERE] = &ZqDgPlane::distanceSquaredAs<ZqDgSphere>;
    t.closestPointFigureTab[POINT] = &ZqDgPlane::closestPointAs<ZqDgPoint>;
    t.closestPointFigureTab[SPHERE] = &ZqDgPlane::closestPointAs<ZqDgSphere>;
    return t;
}();

ZqDgPlane::ZqDgPlane(const float a, const float b, const float c, const float d)
    : ZqDgFigure(PLANE) {
    set(a, b, c, d);
}

ZqDgPlane::ZqDgPlane(const ZqVector3& normal, const float d) : ZqDgFigure(PLANE) {
    set(normal, d);
}

ZqDgPlane::ZqDgPlane(const ZqVector3& point, const ZqVector3& normal) : ZqDgFigure(PLANE) {
    set(point, normal);
}

ZqDgPlane::ZqDgPlane(const ZqVector3& p0, const ZqVector3& p1, const ZqVector3& p2)
    : ZqDgFigure(PLANE) {
    set(p0, p1, p2);
}

ZqDgPlane::ZqDgPlane(const ZqDgTriangle& triangle) : ZqDgFigure(PLANE) {
    set(triangle);
}

ZqDgPlane& ZqDgPlane::set(const float a, const float b, const float c, const float d) {
    return set(ZqVector3(a, b, c), d);
}

ZqDgPlane& ZqDgPlane::set(const ZqVector3& normal, const float d) {
    m_normal.normalize(normal);
    m_distance = d;
    return *this;
}

ZqDgPlane& ZqDgPlane::set(const ZqVector3& point, const ZqVector3& normal) {
    m_normal.normalize(normal);
    m_distance = m_normal.dot(point);
    return *this;
}

ZqDgPlane& ZqDgPlane::set(const ZqVector3& p0, const ZqVector3& p1, const ZqVector3& p2) {
    throughPoints(p0, p1, p2, m_normal, m_distance);
    return *this;
}

ZqDgPlane& ZqDgPlane::set(const ZqDgTriangle& triangle) {
    return set(triangle.m_p0, triangle.m_p1, triangle.m_p2);
}

bool ZqDgPlane::equals(const ZqDgPlane& other) const {
    return m_type == other.m_type &&
           boundaryEquals(m_normal, m_distance, other.m_normal, other.m_distance);
}

bool ZqDgPlane::epsilonEquals(const ZqDgPlane& other, const float eps) const {
    return boundaryNear(m_normal, m_distance, other.m_normal, other.m_distance, eps);
}

bool ZqDgPlane::intersect(const ZqDgPlane& other, ZqDgLine* const out) const {
    const ZqVector3& a = m_normal;
    const ZqVector3& b = other.m_normal;
    const ZqVector3 u = ZqVector3().cross(a, b);
    const float uu = u.dot(u);
    if (uu < PARALLEL) {
        return false;
    }
    // (da b - db a) x u lies on both planes once divided by u . u.
    const ZqVector3 w = b * m_distance - a * other.m_distance;
    out->m_origin = ZqVector3().cross(w, u) / uu;
    out->m_direction.normalize(u);
    return true;
}

// ---- pair tests ----------------------------------------------------------------------------

bool ZqDgPlane::intersect(const ZqDgPoint& point) const {
    return zqFabs(dot(point.m_position)) <= epsilon;
}

bool ZqDgPlane::intersect(const ZqDgLine& line) const {
    return zqFabs(m_normal.dot(line.m_direction)) > epsilon;
}

bool ZqDgPlane::intersect(const ZqDgLine& line, float* const t, ZqVector3* const point) const {
    const float den = m_normal.dot(line.m_direction);
    if (zqFabs(den) <= LINE_PARALLEL) {
        return false;
    }
    *t = (m_distance - m_normal.dot(line.m_origin)) / den;
    *point = line.m_origin + line.m_direction * *t;
    return true;
}

bool ZqDgPlane::intersect(const ZqDgSegment& segment) const {
    const float den = m_normal.dot(segment.m_end - segment.m_start);
    if (den == 0.0f) {
        return false;
    }
    const float t = (m_distance - m_normal.dot(segment.m_start)) / den;
    return t >= 0.0f && t <= 1.0f;
}

bool ZqDgPlane::intersect(const ZqDgSegment& segment, float* const t,
                          ZqVector3* const point) const {
    const ZqVector3 e = segment.m_end - segment.m_start;
    const float den = m_normal.dot(e);
    if (den == 0.0f) {
        // Parallel: no crossing parameter; t reports "never".
        *t = FLT_MAX;
        return false;
    }
    *t = (m_distance - m_normal.dot(segment.m_start)) / den;
    if (!(*t >= 0.0f && *t <= 1.0f)) {
        return false;
    }
    *point = segment.m_start + e * *t;
    return true;
}

bool ZqDgPlane::intersect(const ZqDgPlane& other) const {
    return zqFabs(m_normal.dot(other.m_normal)) < PLANES_PARALLEL;
}

bool ZqDgPlane::intersect(const ZqDgPlane& second, const ZqDgPlane& third,
                          ZqVector3* const point) const {
    const ZqVector3& na = m_normal;
    const ZqVector3& nb = second.m_normal;
    const ZqVector3& nc = third.m_normal;
    const ZqVector3 bc = ZqVector3().cross(nb, nc);
    const ZqVector3 ca = ZqVector3().cross(nc, na);
    const ZqVector3 ab = ZqVector3().cross(na, nb);
    const float det = na.x * bc.x + nb.x * ca.x + nc.x * ab.x;
    if (zqFabs(det) < THREE_PLANES) {
        return false;
    }
    const float inv = zqRcp(det);
    *point = (bc * m_distance + ca * second.m_distance + ab * third.m_distance) * inv;
    return true;
}

bool ZqDgPlane::intersect(const ZqDgSphere& sphere) const {
    return zqFabs(dot(sphere.m_center)) <= sphere.m_radius;
}

bool ZqDgPlane::intersect(const ZqDgAxisAlignedBoundingBox& box) const {
    const float dist = zqFabs(dot(box.m_center));
    const float reach = zqFabs(m_normal.z) * box.m_radius.z + zqFabs(m_normal.y) * box.m_radius.y +
                        zqFabs(m_normal.x) * box.m_radius.x;
    return reach >= dist;
}

bool ZqDgPlane::intersect(const ZqDgOrientedBoundingBox& box) const {
    return box.intersect(*this);
}

float ZqDgPlane::distance(const ZqDgPoint& point) const {
    return dot(point.m_position);
}

float ZqDgPlane::distanceSquared(const ZqDgPoint& point) const {
    const float e = dot(point.m_position);
    return e * e;
}

float ZqDgPlane::distance(const ZqDgSphere& sphere) const {
    return dot(sphere.m_center) - sphere.m_radius;
}

float ZqDgPlane::distanceSquared(const ZqDgSphere& sphere) const {
    const float d = distance(sphere);
    return d * d;
}

void ZqDgPlane::closestPoint(const ZqDgPoint& point, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    *onThis = point.m_position - m_normal * dot(point.m_position);
    *onOther = point.m_position;
}

void ZqDgPlane::closestPoint(const ZqDgSphere& sphere, ZqVector3* const onThis,
                             ZqVector3* const onOther) const {
    sphere.closestPoint(*this, onOther, onThis);
}

const char16_t* ZqDgPlane::getFigureName() const {
    return u"Plane";
}

bool ZqDgPlane::isFinite(const float min, const float max) const {
    return m_type == PLANE && boundaryIsFinite(m_normal, m_distance, min, max);
}

bool ZqDgPlane::isFinite(const float limit) const {
    return m_type == PLANE && boundaryIsFinite(m_normal, m_distance, limit);
}

void ZqDgPlane::rotTrans(const ZqMatrix& m) {
    moveBoundary(m_normal, m_distance, m);
}

void ZqDgPlane::draw(const bool withShadow) const {
    const PlaneFrame f(m_normal, m_distance);
    ZqVector3 lines[19][2];
    int n = 0;
    auto add = [&](const float x0, const float y0, const float x1, const float y1) {
        lines[n][0] = f.at(x0, y0);
        lines[n][1] = f.at(x1, y1);
        ++n;
    };
    lines[n][0] = f.origin;
    lines[n][1] = m_normal * (m_distance + 30.0f);
    ++n;
    add(-80.0f, -80.0f, 80.0f, -80.0f);
    add(-80.0f, -80.0f, -80.0f, 80.0f);
    for (const float k : {-60.0f, -40.0f, -20.0f}) {
        add(-80.0f, k, 80.0f, k);
        add(k, -80.0f, k, 80.0f);
    }
    add(-110.0f, 0.0f, 110.0f, 0.0f);
    add(0.0f, -110.0f, 0.0f, 110.0f);
    for (const float k : {20.0f, 40.0f, 60.0f}) {
        add(-80.0f, k, 80.0f, k);
        add(k, -80.0f, k, 80.0f);
    }
    add(-80.0f, 80.0f, 80.0f, 80.0f);
    add(80.0f, -80.0f, 80.0f, 80.0f);
    drawPairs(lines, n, withShadow);
}

// =============================================================================================
// Half-space

ZqDgHalfspace::ZqDgHalfspace(const float a, const float b, const float c, const float d)
    : ZqDgFigure(HALFSPACE) {
    set(a, b, c, d);
}

ZqDgHalfspace::ZqDgHalfspace(const ZqVector3& normal, const float d) : ZqDgFigure(HALFSPACE) {
    set(normal, d);
}

ZqDgHalfspace::ZqDgHalfspace(const ZqVector3& point, const ZqVector3& normal)
    : ZqDgFigure(HALFSPACE) {
    set(point, normal);
}

ZqDgHalfspace::ZqDgHalfspace(const ZqVector3& p0, const ZqVector3& p1, const ZqVector3& p2)
    : ZqDgFigure(HALFSPACE) {
    set(p0, p1, p2);
}

ZqDgHalfspace::ZqDgHalfspace(const ZqDgTriangle& triangle) : ZqDgFigure(HALFSPACE) {
    set(triangle);
}

ZqDgHalfspace& ZqDgHalfspace::set(const float a, const float b, const float c, const float d) {
    return set(ZqVector3(a, b, c), d);
}

ZqDgHalfspace& ZqDgHalfspace::set(const ZqVector3& normal, const float d) {
    m_normal.normalize(normal);
    m_distance = d;
    return *this;
}

ZqDgHalfspace& ZqDgHalfspace::set(const ZqVector3& point, const ZqVector3& normal) {
    m_normal.normalize(normal);
    m_distance = m_normal.dot(point);
    return *this;
}

ZqDgHalfspace& ZqDgHalfspace::set(const ZqVector3& p0, const ZqVector3& p1, const ZqVector3& p2) {
    throughPoints(p0, p1, p2, m_normal, m_distance);
    return *this;
}

ZqDgHalfspace& ZqDgHalfspace::set(const ZqDgTriangle& triangle) {
    return set(triangle.m_p0, triangle.m_p1, triangle.m_p2);
}

bool ZqDgHalfspace::equals(const ZqDgHalfspace& other) const {
    return m_type == other.m_type &&
           boundaryEquals(m_normal, m_distance, other.m_normal, other.m_distance);
}

bool ZqDgHalfspace::epsilonEquals(const ZqDgHalfspace& other, const float eps) const {
    return boundaryNear(m_normal, m_distance, other.m_normal, other.m_distance, eps);
}

const char16_t* ZqDgHalfspace::getFigureName() const {
    return u"Halfspace";
}

bool ZqDgHalfspace::isFinite(const float min, const float max) const {
    return m_type == HALFSPACE && boundaryIsFinite(m_normal, m_distance, min, max);
}

bool ZqDgHalfspace::isFinite(const float limit) const {
    return m_type == HALFSPACE && boundaryIsFinite(m_normal, m_distance, limit);
}

void ZqDgHalfspace::rotTrans(const ZqMatrix& m) {
    moveBoundary(m_normal, m_distance, m);
}

void ZqDgHalfspace::draw(const bool withShadow) const {
    const PlaneFrame f(m_normal, m_distance);
    ZqVector3 lines[99][2];
    int n = 0;
    for (int i = -4; i <= 4; ++i) {
        const float s = 20.0f * static_cast<float>(i);
        const float e = i == 0 ? 110.0f : 80.0f;
        lines[n][0] = f.at(-e, s);
        lines[n][1] = f.at(e, s);
        ++n;
        lines[n][0] = f.at(s, -e);
        lines[n][1] = f.at(s, e);
        ++n;
        for (int j = -4; j <= 4; ++j) {
            const float g = 20.0f * static_cast<float>(j);
            lines[n][0] = f.at(s, g);
            lines[n][1] = f.at(s, g, 30.0f);
            ++n;
        }
    }
    drawPairs(lines, n, withShadow);
}
