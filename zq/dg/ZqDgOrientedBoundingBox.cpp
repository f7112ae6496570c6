#include "zq/dg/ZqDgOrientedBoundingBox.h"

#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgBody.h"
#include "zq/dg/ZqDgCylindroid.h"
#include "zq/dg/ZqDgFigureUtil_internal.h"
#include "zq/dg/ZqDgFrame_internal.h"
#include "zq/dg/ZqDgLine.h"
#include "zq/dg/ZqDgPlane.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgSphere.h"

namespace {

// Every tolerance of the box tests: fixed, not the shared epsilon.
constexpr float TOLERANCE = 0.0001f;

// Signs of the corners, corner k taking +axis i where bit i of k is set.
constexpr float CORNER_SIGNS[8][3] = {{-1, -1, -1}, {1, -1, -1}, {-1, 1, -1}, {1, 1, -1},
                                      {-1, -1, 1},  {1, -1, 1},  {-1, 1, 1},  {1, 1, 1}};

} // namespace

template <class T> bool ZqDgOrientedBoundingBox::intersectAs(const ZqDgFigure& f) const {
    return intersect(static_cast<const T&>(f));
}
template <class T> float ZqDgOrientedBoundingBox::distanceAs(const ZqDgFigure& f) const {
    return distance(static_cast<const T&>(f));
}
template <class T> float ZqDgOrientedBoundingBox::distanceSquaredAs(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const T&>(f));
}
template <class T>
void ZqDgOrientedBoundingBox::closestPointAs(const ZqDgFigure& f, ZqVector3* const a,
                                             ZqVector3* const b) const {
    closestPoint(static_cast<const T&>(f), a, b);
}

constinit const ZqDgFigureTables<ZqDgOrientedBoundingBox> ZqDgOrientedBoundingBox::figureTab = [] {
    using B = ZqDgOrientedBoundingBox;
    ZqDgFigureTables<B> t;
    t.intersectFigureTab[POINT] = &B::intersectAs<ZqDgPoint>;
    t.intersectFigureTab[SEGMENT] = &B::intersectAs<ZqDgSegment>;
    t.intersectFigureTab[PLANE] = &B::intersectAs<ZqDgPlane>;
    t.intersectFigureTab[SPHERE] = &B::intersectAs<ZqDgSphere>;
    t.intersectFigureTab[ORIENTED_BOUNDING_BOX] = &B::intersectAs<ZqDgOrientedBoundingBox>;
    t.distanceFigureTab[POINT] = &B::distanceAs<ZqDgPoint>;
    t.distanceFigureTab[SPHERE] = &B::distanceAs<ZqDgSphere>;
    t.distanceSquaredFigureTab[POINT] = &B::distanceSquaredAs<ZqDgPoint>;
    t.distanceSquaredFigureTab[SPHERE] = &B::distanceSquaredAs<ZqDgSphere>;
    t.closestPointFigureTab[POINT] = &B::closestPointAs<ZqDgPoint>;
    t.closestPointFigureTab[SPHERE] = &B::closestPointAs<ZqDgSphere>;
    return t;
}();

ZqDgOrientedBoundingBox::ZqDgOrientedBoundingBox(const ZqVector3& center,
                                                 const ZqVector3* const axes,
                                                 const float* const halves)
    : ZqDgFigure(ORIENTED_BOUNDING_BOX) {
    set(center, axes, halves);
}

ZqDgOrientedBoundingBox::ZqDgOrientedBoundingBox(const ZqVector3& center, const ZqQuat& q,
                                                 const float* const halves)
    : ZqDgFigure(ORIENTED_BOUNDING_BOX) {
    set(center, q, halves);
}

ZqDgOrientedBoundingBox::ZqDgOrientedBoundingBox(const ZqMatrix& m, const float* const halves)
    : ZqDgFigure(ORIENTED_BOUNDING_BOX) {
    set(m, halves);
}

ZqDgOrientedBoundingBox::ZqDgOrientedBoundingBox(const ZqVector3& a, const ZqVector3& b)
    : ZqDgFigure(ORIENTED_BOUNDING_BOX) {
    set(a, b);
}

ZqDgOrientedBoundingBox::ZqDgOrientedBoundingBox(const ZqDgAxisAlignedBoundingBox& box)
    : ZqDgFigure(ORIENTED_BOUNDING_BOX) {
    set(box);
}

ZqDgOrientedBoundingBox::ZqDgOrientedBoundingBox(const ZqDgCylindroid& cylindroid)
    : ZqDgFigure(ORIENTED_BOUNDING_BOX) {
    set(cylindroid);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::set(const ZqVector3& center,
                                                      const ZqVector3* const axes,
                                                      const float* const halves) {
    m_center = center;
    setDirection(axes);
    return setRadius(halves);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::set(const ZqVector3& center, const ZqQuat& q,
                                                      const float* const halves) {
    m_center = center;
    setDirection(q);
    return setRadius(halves);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::set(const ZqMatrix& m,
                                                      const float* const halves) {
    setMatrix(m);
    return setRadius(halves);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::set(const ZqVector3& a, const ZqVector3& b) {
    zqdg::boxFromCorners(a, b, m_center, m_axis, m_radius);
    updateBoundingRadius();
    return *this;
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::set(const ZqDgAxisAlignedBoundingBox& box) {
    return set(box.m_center - box.m_radius, box.m_center + box.m_radius);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::set(const ZqDgCylindroid& cylindroid) {
    m_center = cylindroid.m_center;
    setDirection(cylindroid.m_axis);
    return setRadius(cylindroid.m_radius);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setMatrix(const ZqMatrix& m) {
    zqdg::frameFromMatrix(m, m_center, m_axis);
    return *this;
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setDirection(const ZqVector3* const axes) {
    return setDirection(axes[0], axes[1], axes[2]);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setDirection(const ZqVector3& a0,
                                                               const ZqVector3& a1,
                                                               const ZqVector3& a2) {
    zqdg::normalizeAxes(a0, a1, a2, m_axis);
    return *this;
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setDirection(const float x0, const float y0,
                                                               const float z0, const float x1,
                                                               const float y1, const float z1,
                                                               const float x2, const float y2,
                                                               const float z2) {
    return setDirection(ZqVector3(x0, y0, z0), ZqVector3(x1, y1, z1), ZqVector3(x2, y2, z2));
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setDirection(const ZqQuat& q) {
    zqdg::axesFromQuat(q, m_axis);
    return *this;
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setRadius(const float* const halves) {
    return setRadius(halves[0], halves[1], halves[2]);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setRadius(const float h0, const float h1,
                                                            const float h2) {
    m_radius[0] = h0;
    m_radius[1] = h1;
    m_radius[2] = h2;
    updateBoundingRadius();
    return *this;
}

// The exact root: an estimate that comes out short would let early rejections report
// overlapping boxes as apart.
void ZqDgOrientedBoundingBox::updateBoundingRadius() {
    m_boundingRadius =
        zqSqrt(m_radius[0] * m_radius[0] + m_radius[1] * m_radius[1] + m_radius[2] * m_radius[2]);
}

void ZqDgOrientedBoundingBox::translateVector(ZqVector3* const v) const {
    zqdg::toFrame(m_axis, v);
}

const char16_t* ZqDgOrientedBoundingBox::getFigureName() const {
    return u"OBB";
}

bool ZqDgOrientedBoundingBox::isFinite(const float min, const float max) const {
    return m_type == ORIENTED_BOUNDING_BOX &&
           zqdg::frameIsFinite(m_center, m_axis, m_radius, min, max);
}

bool ZqDgOrientedBoundingBox::isFinite(const float limit) const {
    return m_type == ORIENTED_BOUNDING_BOX &&
           zqdg::frameIsFinite(m_center, m_axis, m_radius, limit);
}

void ZqDgOrientedBoundingBox::rotTrans(const ZqMatrix& m) {
    zqdg::moveFrame(m, m_center, m_axis);
}

void ZqDgOrientedBoundingBox::draw(const bool withShadow) const {
    ZqVector3 corners[8];
    calcCoordinates(corners);
    drawIndexed(corners, zqdg::BOX_EDGES, 12, false);
    ZqDgPoint(corners[0].x, corners[0].y, corners[0].z).draw(false);
    if (withShadow) {
        setShadowColor();
        for (ZqVector3& c : corners) {
            c.y = 0.0f;
        }
        drawIndexed(corners, zqdg::BOX_EDGES, 12, false);
    }
}

void ZqDgOrientedBoundingBox::calcCoordinates(ZqVector3* const corners) const {
    for (int k = 0; k < 8; ++k) {
        corners[k] = m_center + m_axis[0] * (CORNER_SIGNS[k][0] * m_radius[0]) +
                     m_axis[1] * (CORNER_SIGNS[k][1] * m_radius[1]) +
                     m_axis[2] * (CORNER_SIGNS[k][2] * m_radius[2]);
    }
}

void ZqDgOrientedBoundingBox::translatePoint(ZqVector3* const p) const {
    *p -= m_center;
    zqdg::toFrame(m_axis, p);
}

void ZqDgOrientedBoundingBox::localCoordinates(const ZqVector3& p, float* const t) const {
    zqdg::localCoordinates(m_center, m_axis, p, t);
}

void ZqDgOrientedBoundingBox::correct(ZqDgBody& body) {
    // The re-fit reads and writes joints 0..7; a smaller body has no box to fit.
    if (body.getNrJoints() < 8) {
        return;
    }
    ZqVector3 p[8];
    for (uint32_t k = 0; k < 8; ++k) {
        p[k] = body.getJointPos(k);
    }
    m_center = (p[0] + p[1] + p[2] + p[3] + p[4] + p[5] + p[6] + p[7]) * 0.125f;
    m_axis[0].normalize((p[1] - p[0]) + (p[3] - p[2]) + (p[5] - p[4]) + (p[7] - p[6]));
    m_axis[1].normalize((p[2] - p[0]) + (p[3] - p[1]) + (p[6] - p[4]) + (p[7] - p[5]));
    m_axis[2].normalize((p[4] - p[0]) + (p[5] - p[1]) + (p[6] - p[2]) + (p[7] - p[3]));
    ZqVector3 corners[8];
    calcCoordinates(corners);
    for (uint32_t k = 0; k < 8; ++k) {
        body.setJointPos(k, corners[k]);
    }
}

bool ZqDgOrientedBoundingBox::intersect(const ZqDgPoint& p) const {
    const ZqVector3 d = p.m_position - m_center;
    for (int i = 0; i < 3; ++i) {
        if (zqFabs(m_axis[i].dot(d)) > m_radius[i]) {
            return false;
        }
    }
    return true;
}

bool ZqDgOrientedBoundingBox::intersect(const ZqDgPoint& p, ZqVector3* const exit) const {
    if (!intersect(p)) {
        return false;
    }
    float t[3];
    localCoordinates(p.m_position, t);
    float best = 0.0f;
    for (int i = 0; i < 3; ++i) {
        const float s = t[i] >= 0.0f ? 1.0f : -1.0f;
        const float g = m_radius[i] - s * t[i];
        if (i == 0 || best > g) {
            best = g;
            *exit = p.m_position + m_axis[i] * (g * s);
        }
    }
    return true;
}

bool ZqDgOrientedBoundingBox::intersectYZ(const ZqDgPoint& p, ZqVector3* const exit) const {
    if (!intersect(p)) {
        return false;
    }
    float t[3];
    localCoordinates(p.m_position, t);
    const float s1 = t[1] >= 0.0f ? 1.0f : -1.0f;
    const float s2 = t[2] >= 0.0f ? 1.0f : -1.0f;
    const float g1 = m_radius[1] - s1 * t[1];
    const float g2 = m_radius[2] - s2 * t[2];
    *exit = g2 > g1 ? p.m_position + m_axis[1] * (g1 * s1) : p.m_position + m_axis[2] * (g2 * s2);
    return true;
}

// Separating axes: the three box axes, then the segment's direction crossed with each.
bool ZqDgOrientedBoundingBox::intersect(const ZqDgSegment& seg) const {
    const ZqVector3 m = (seg.m_start + seg.m_end) * 0.5f;
    const ZqVector3 w = seg.m_start - m;
    const ZqVector3 d = m - m_center;
    float t[3];
    float u[3];
    float wa[3];
    for (int i = 0; i < 3; ++i) {
        t[i] = m_axis[i].dot(d);
        u[i] = m_axis[i].dot(w);
        if (zqFabs(t[i]) > m_radius[i] + zqFabs(u[i])) {
            return false;
        }
        wa[i] = zqFabs(u[i]) + TOLERANCE;
    }
    const float* const h = m_radius;
    if (zqFabs(t[1] * u[2] - t[2] * u[1]) > h[1] * wa[2] + h[2] * wa[1]) {
        return false;
    }
    if (zqFabs(t[2] * u[0] - t[0] * u[2]) > h[0] * wa[2] + h[2] * wa[0]) {
        return false;
    }
    return zqFabs(t[0] * u[1] - t[1] * u[0]) <= h[0] * wa[1] + h[1] * wa[0];
}

bool ZqDgOrientedBoundingBox::intersect(const ZqDgPlane& plane) const {
    const ZqVector3& n = plane.m_normal;
    const float dist = zqFabs(n.dot(m_center) - plane.m_distance);
    const float reach = m_radius[2] * zqFabs(n.dot(m_axis[2])) +
                        m_radius[1] * zqFabs(n.dot(m_axis[1])) +
                        m_radius[0] * zqFabs(n.dot(m_axis[0]));
    return reach >= dist;
}

bool ZqDgOrientedBoundingBox::intersect(const ZqDgSphere& sphere) const {
    return sphere.m_radius * sphere.m_radius >=
           distanceSquared(ZqDgPoint(sphere.m_center.x, sphere.m_center.y, sphere.m_center.z));
}

bool ZqDgOrientedBoundingBox::intersect(const ZqDgOrientedBoundingBox& b) const {
    const ZqVector3 d = b.m_center - m_center;
    // Rejection by bounding spheres only when they are strictly apart: spheres that touch
    // may hold boxes that touch at a corner.
    const float reach = m_boundingRadius + b.m_boundingRadius;
    if (d.lengthSquared() > reach * reach) {
        return false;
    }
    const float* const ha = m_radius;
    const float* const hb = b.m_radius;
    float r[3][3];
    float ar[3][3];
    float t[3];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r[i][j] = m_axis[i].dot(b.m_axis[j]);
            ar[i][j] = zqFabs(r[i][j]) + TOLERANCE;
        }
        t[i] = m_axis[i].dot(d);
    }
    for (int i = 0; i < 3; ++i) {
        if (zqFabs(t[i]) > ha[i] + hb[0] * ar[i][0] + hb[1] * ar[i][1] + hb[2] * ar[i][2]) {
            return false;
        }
    }
    for (int j = 0; j < 3; ++j) {
        if (zqFabs(t[0] * r[0][j] + t[1] * r[1][j] + t[2] * r[2][j]) >
            ha[0] * ar[0][j] + ha[1] * ar[1][j] + ha[2] * ar[2][j] + hb[j]) {
            return false;
        }
    }
    for (int i = 0; i < 3; ++i) {
        const int i1 = (i + 1) % 3;
        const int i2 = (i + 2) % 3;
        for (int j = 0; j < 3; ++j) {
            const int j1 = (j + 1) % 3;
            const int j2 = (j + 2) % 3;
            if (zqFabs(t[i2] * r[i1][j] - t[i1] * r[i2][j]) >
                ha[i1] * ar[i2][j] + ha[i2] * ar[i1][j] + hb[j1] * ar[i][j2] + hb[j2] * ar[i][j1]) {
                return false;
            }
        }
    }
    return true;
}

float ZqDgOrientedBoundingBox::distanceSquared(const ZqDgPoint& p) const {
    float t[3];
    localCoordinates(p.m_position, t);
    float sum = 0.0f;
    for (int i = 0; i < 3; ++i) {
        float e = 0.0f;
        if (t[i] < -m_radius[i]) {
            e = t[i] + m_radius[i];
        } else if (t[i] > m_radius[i]) {
            e = t[i] - m_radius[i];
        }
        sum += e * e;
    }
    return sum;
}

float ZqDgOrientedBoundingBox::distance(const ZqDgPoint& p) const {
    return zqFastSqrt(distanceSquared(p));
}

float ZqDgOrientedBoundingBox::distance(const ZqDgSphere& sphere) const {
    return zqFastSqrt(distanceSquared(
               ZqDgPoint(sphere.m_center.x, sphere.m_center.y, sphere.m_center.z))) -
           sphere.m_radius;
}

float ZqDgOrientedBoundingBox::distanceSquared(const ZqDgSphere& sphere) const {
    const float d = distance(sphere);
    return d * d;
}

void ZqDgOrientedBoundingBox::closestPoint(const ZqDgPoint& p, ZqVector3* const onBox,
                                           ZqVector3* const onPoint) const {
    const ZqVector3& v = p.m_position;
    *onPoint = v;
    float t[3];
    localCoordinates(v, t);
    ZqVector3 q = m_center;
    for (int i = 0; i < 3; ++i) {
        const float c =
            t[i] < -m_radius[i] ? -m_radius[i] : (t[i] > m_radius[i] ? m_radius[i] : t[i]);
        q += m_axis[i] * c;
    }
    // Inside or on the surface: the nearest face point instead.
    if (zqFabs(v.x - q.x) <= TOLERANCE && zqFabs(v.y - q.y) <= TOLERANCE &&
        zqFabs(v.z - q.z) <= TOLERANCE) {
        float best = FLT_MAX;
        for (int i = 0; i < 3; ++i) {
            const float s = t[i] > 0.0f ? 1.0f : (t[i] < 0.0f ? -1.0f : 0.0f);
            const float g = m_radius[i] - s * t[i];
            if (g < best) {
                best = g;
                q = v + m_axis[i] * (g * s);
            }
        }
    }
    *onBox = q;
}

void ZqDgOrientedBoundingBox::closestPoint(const ZqDgSphere& sphere, ZqVector3* const onBox,
                                           ZqVector3* const onSphere) const {
    ZqVector3 scratch;
    closestPoint(ZqDgPoint(sphere.m_center.x, sphere.m_center.y, sphere.m_center.z), onBox,
                 &scratch);
    const ZqVector3 v = *onBox - sphere.m_center;
    const float l2 = v.lengthSquared();
    if (l2 >= TOLERANCE) {
        *onSphere = sphere.m_center + v * (sphere.m_radius * zqdg::fastInverseSqrt(l2));
    }
}

bool ZqDgOrientedBoundingBox::equals(const ZqDgOrientedBoundingBox& o) const {
    return m_type == o.m_type && zqdg::sameBits(m_center, o.m_center) &&
           zqdg::sameBits(m_axis[0], o.m_axis[0]) && zqdg::sameBits(m_axis[1], o.m_axis[1]) &&
           zqdg::sameBits(m_axis[2], o.m_axis[2]) && zqdg::sameBits(m_radius[0], o.m_radius[0]) &&
           zqdg::sameBits(m_radius[1], o.m_radius[1]) &&
           zqdg::sameBits(m_radius[2], o.m_radius[2]) &&
           zqdg::sameBits(m_boundingRadius, o.m_boundingRadius);
}

bool ZqDgOrientedBoundingBox::epsilonEquals(const ZqDgOrientedBoundingBox other,
                                            const float eps) const {
    const float a[15] = {m_center.x,  m_center.y,  m_center.z,  m_axis[0].x, m_axis[0].y,
                         m_axis[0].z, m_axis[1].x, m_axis[1].y, m_axis[1].z, m_axis[2].x,
                         m_axis[2].y, m_axis[2].z, m_radius[0], m_radius[1], m_radius[2]};
    const float b[15] = {other.m_center.x,  other.m_center.y,  other.m_center.z,  other.m_axis[0].x,
                         other.m_axis[0].y, other.m_axis[0].z, other.m_axis[1].x, other.m_axis[1].y,
                         other.m_axis[1].z, other.m_axis[2].x, other.m_axis[2].y, other.m_axis[2].z,
                         other.m_radius[0], other.m_radius[1], other.m_radius[2]};
    for (int i = 0; i < 15; ++i) {
        if (!(zqFabs(a[i] - b[i]) <= eps)) {
            return false;
        }
    }
    return true;
}
