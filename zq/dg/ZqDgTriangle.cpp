#include "zq/dg/ZqDgTriangle.h"

#include "zq/dg/ZqDgFigureUtil_internal.h"
#include "zq/dg/ZqDgLine.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgSphere.h"
#include "zq/gl/ZqGlLine.h"

namespace {

// Below this |(P - Q) . n| a segment or line counts as parallel to the face.
constexpr float PARALLEL = 0.0001f;

// The products of the region search: ab . ap, ac . ap, ab . bp, ac . bp, ab . cp, ac . cp.
struct Regions {
    float d1, d2, d3, d4, d5, d6;

    Regions(const ZqVector3& a, const ZqVector3& b, const ZqVector3& c, const ZqVector3& p) {
        const ZqVector3 ab = b - a;
        const ZqVector3 ac = c - a;
        const ZqVector3 ap = p - a;
        const ZqVector3 bp = p - b;
        const ZqVector3 cp = p - c;
        d1 = ab.dot(ap);
        d2 = ac.dot(ap);
        d3 = ab.dot(bp);
        d4 = ac.dot(bp);
        d5 = ab.dot(cp);
        d6 = ac.dot(cp);
    }
    float vc() const { return d1 * d4 - d3 * d2; }
    float vb() const { return d5 * d2 - d1 * d6; }
    float va() const { return d3 * d6 - d5 * d4; }
};

// The point of the segment a..b nearest p (a when the segment has no length).
ZqVector3 nearestOnEdge(const ZqVector3& a, const ZqVector3& b, const ZqVector3& p) {
    const ZqVector3 e = b - a;
    const float ee = e.dot(e);
    if (!(ee > 0.0f)) {
        return a;
    }
    const float t = (p - a).dot(e) / ee;
    return a + e * (t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t));
}

// The crossing of the segment or line P + (Q - P) t with the face: false when parallel, t
// written before its range test (only a segment has one), p when true.
bool crossFace(const ZqVector3& a, const ZqVector3& b, const ZqVector3& c, const ZqVector3& from,
               const ZqVector3& qp, const bool bounded, float* const tOut, ZqVector3* const pOut) {
    const ZqVector3 ab = b - a;
    const ZqVector3 ac = c - a;
    const ZqVector3 n = ZqVector3().cross(ab, ac);
    const float den = qp.dot(n);
    if (zqFabs(den) <= PARALLEL) {
        return false;
    }
    const float k = zqRcp(den);
    const ZqVector3 ap = from - a;
    const float t = ap.dot(n) * k;
    if (tOut != nullptr) {
        *tOut = t;
    }
    if (bounded && (t < 0.0f || t > 1.0f)) {
        return false;
    }
    const ZqVector3 e = ZqVector3().cross(qp, ap);
    const float v = ac.dot(e) * k;
    if (v < 0.0f || v > 1.0f) {
        return false;
    }
    const float w = -ab.dot(e) * k;
    if (w < 0.0f || v + w > 1.0f) {
        return false;
    }
    if (pOut != nullptr) {
        *pOut = from - qp * t;
    }
    return true;
}

} // namespace

template <class T> bool ZqDgTriangle::intersectAs(const ZqDgFigure& f) const {
    return intersect(static_cast<const T&>(f));
}
template <class T> float ZqDgTriangle::distanceAs(const ZqDgFigure& f) const {
    return distance(static_cast<const T&>(f));
}
template <class T> float ZqDgTriangle::distanceSquaredAs(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const T&>(f));
}
template <class T>
void ZqDgTriangle::closestPointAs(const ZqDgFigure& f, ZqVector3* const a,
                                  ZqVector3* const b) const {
    closestPoint(static_cast<const T&>(f), a, b);
}

constinit const ZqDgFigureTables<ZqDgTriangle> ZqDgTriangle::figureTab = [] {
    ZqDgFigureTables<ZqDgTriangle> t;
    t.intersectFigureTab[POINT] = &ZqDgTriangle::intersectAs<ZqDgPoint>;
    t.intersectFigureTab[LINE] = &ZqDgTriangle::intersectAs<ZqDgLine>;
    t.intersectFigureTab[SEGMENT] = &ZqDgTriangle::intersectAs<ZqDgSegment>;
    t.intersectFigureTab[SPHERE] = &ZqDgTriangle::intersectAs<ZqDgSphere>;
    t.distanceFigureTab[POINT] = &ZqDgTriangle::distanceAs<ZqDgPoint>;
    t.distanceFigureTab[SPHERE] = &ZqDgTriangle::distanceAs<ZqDgSphere>;
    t.distanceSquaredFigureTab[POINT] = &ZqDgTriangle::distanceSquaredAs<ZqDgPoint>;
    t.distanceSquaredFigureTab[SPHERE] = &ZqDgTriangle::distanceSquaredAs<ZqDgSphere>;
    t.closestPointFigureTab[POINT] = &ZqDgTriangle::closestPointAs<ZqDgPoint>;
    t.closestPointFigureTab[SPHERE] = &ZqDgTriangle::closestPointAs<ZqDgSphere>;
    return t;
}();

const char16_t* ZqDgTriangle::getFigureName() const {
    return u"Triangle";
}

bool ZqDgTriangle::isFinite(const float min, const float max) const {
    return m_type == TRIANGLE && m_p0.isFinite(min, max) && m_p1.isFinite(min, max) &&
           m_p2.isFinite(min, max);
}

bool ZqDgTriangle::isFinite(const float limit) const {
    return m_type == TRIANGLE && m_p0.isFinite(limit) && m_p1.isFinite(limit) &&
           m_p2.isFinite(limit);
}

bool ZqDgTriangle::equals(const ZqDgTriangle& other) const {
    return m_type == other.m_type && zqdg::sameBits(m_p0, other.m_p0) &&
           zqdg::sameBits(m_p1, other.m_p1) && zqdg::sameBits(m_p2, other.m_p2);
}

bool ZqDgTriangle::epsilonEquals(const ZqDgTriangle& other, const float eps) const {
    return zqdg::within(m_p0, other.m_p0, eps) && zqdg::within(m_p1, other.m_p1, eps) &&
           zqdg::within(m_p2, other.m_p2, eps);
}

// ---- closest point -------------------------------------------------------------------------

ZqVector3 ZqDgTriangle::closestTo(const ZqVector3& p) const {
    const ZqVector3& a = m_p0;
    const ZqVector3& b = m_p1;
    const ZqVector3& c = m_p2;
    const Regions r(a, b, c, p);
    if (r.d1 <= 0.0f && r.d2 <= 0.0f) {
        return a;
    }
    if (r.d3 >= 0.0f && r.d4 <= r.d3) {
        return b;
    }
    const float vc = r.vc();
    if (vc <= 0.0f && r.d1 >= 0.0f && r.d3 <= 0.0f) {
        return a + (b - a) * (r.d1 / (r.d1 - r.d3));
    }
    if (r.d6 >= 0.0f && r.d5 <= r.d6) {
        return c;
    }
    const float vb = r.vb();
    if (vb <= 0.0f && r.d2 >= 0.0f && r.d6 <= 0.0f) {
        return a + (c - a) * (r.d2 / (r.d2 - r.d6));
    }
    const float va = r.va();
    if (va <= 0.0f && r.d4 - r.d3 >= 0.0f && r.d5 - r.d6 >= 0.0f) {
        return b + (c - b) * ((r.d4 - r.d3) / ((r.d4 - r.d3) + (r.d5 - r.d6)));
    }
    const float sum = va + vb + vc;
    if (sum == 0.0f) {
        // Collinear corners leave no face: the nearest point of the three edges.
        const ZqVector3 q0 = nearestOnEdge(a, b, p);
        const ZqVector3 q1 = nearestOnEdge(b, c, p);
        const ZqVector3 q2 = nearestOnEdge(c, a, p);
        const float l0 = (p - q0).lengthSquared();
        const float l1 = (p - q1).lengthSquared();
        const float l2 = (p - q2).lengthSquared();
        return l0 <= l1 ? (l0 <= l2 ? q0 : q2) : (l1 <= l2 ? q1 : q2);
    }
    const float k = zqRcp(sum);
    return a + (b - a) * (vb * k) + (c - a) * (vc * k);
}

void ZqDgTriangle::closestPoint(const ZqDgPoint& point, ZqVector3* const onThis,
                                ZqVector3* const onOther) const {
    *onOther = point.m_position;
    *onThis = closestTo(point.m_position);
}

float ZqDgTriangle::distanceSquared(const ZqDgPoint& point) const {
    return (point.m_position - closestTo(point.m_position)).lengthSquared();
}

float ZqDgTriangle::distance(const ZqDgPoint& point) const {
    return zqFastSqrt(distanceSquared(point));
}

// ---- point ---------------------------------------------------------------------------------

bool ZqDgTriangle::intersect(const ZqDgPoint& point) const {
    const Regions r(m_p0, m_p1, m_p2, point.m_position);
    if (r.vc() <= 0.0f || r.vb() <= 0.0f || r.va() <= 0.0f) {
        return false;
    }
    const ZqVector3 n = ZqVector3().cross(m_p1 - m_p0, m_p2 - m_p0).normalize();
    return zqFabs(n.dot(point.m_position) - n.dot(m_p0)) <= epsilon;
}

bool ZqDgTriangle::intersect2D(const ZqDgPoint& point) const {
    const ZqVector3 a = m_p0 - point.m_position;
    const ZqVector3 b = m_p1 - point.m_position;
    const ZqVector3 c = m_p2 - point.m_position;
    const float ab = a.dot(b);
    const float ac = a.dot(c);
    const float bc = b.dot(c);
    if (bc * ac - c.dot(c) * ab < 0.0f) {
        return false;
    }
    return !(ab * bc - b.dot(b) * ac < 0.0f);
}

// ---- line and segment ----------------------------------------------------------------------

bool ZqDgTriangle::intersect(const ZqDgLine& line) const {
    const ZqVector3& d = line.m_direction;
    const ZqVector3 a = m_p0 - line.m_origin;
    const ZqVector3 b = m_p1 - line.m_origin;
    const ZqVector3 c = m_p2 - line.m_origin;
    const ZqVector3 m = ZqVector3().cross(d, c);
    const float s1 = b.dot(m);
    const float s2 = -a.dot(m);
    const float s3 = a.dot(ZqVector3().cross(d, b));
    return s1 * s2 > 0.0f && s1 * s3 > 0.0f;
}

bool ZqDgTriangle::intersect(const ZqDgLine& line, float* const t, ZqVector3* const p) const {
    return crossFace(m_p0, m_p1, m_p2, line.m_origin, -line.m_direction, false, t, p);
}

bool ZqDgTriangle::intersect(const ZqDgSegment& segment) const {
    return crossFace(m_p0, m_p1, m_p2, segment.m_start, segment.m_start - segment.m_end, true,
                     nullptr, nullptr);
}

bool ZqDgTriangle::intersect(const ZqDgSegment& segment, float* const t, ZqVector3* const p) const {
    return crossFace(m_p0, m_p1, m_p2, segment.m_start, segment.m_start - segment.m_end, true, t,
                     p);
}

// ---- sphere --------------------------------------------------------------------------------

bool ZqDgTriangle::intersect(const ZqDgSphere& sphere) const {
    return sphere.intersect(*this);
}

float ZqDgTriangle::distance(const ZqDgSphere& sphere) const {
    return distance(zqdg::pointAt(sphere.m_center)) - sphere.m_radius;
}

float ZqDgTriangle::distanceSquared(const ZqDgSphere& sphere) const {
    const float d = distance(sphere);
    return d * d;
}

void ZqDgTriangle::closestPoint(const ZqDgSphere& sphere, ZqVector3* const onThis,
                                ZqVector3* const onOther) const {
    sphere.closestPoint(*this, onOther, onThis);
}

// ---- drawing -------------------------------------------------------------------------------

void ZqDgTriangle::draw(const bool withShadow) const {
    ZqGlLine::draw(m_p0, m_p1);
    ZqGlLine::draw(m_p1, m_p2);
    ZqGlLine::draw(m_p2, m_p0);
    const ZqVector3 normal = ZqVector3().cross(m_p1 - m_p0, m_p2 - m_p0).normalize();
    ZqGlLine::draw(m_p0, m_p0 + normal * 30.0f);
    if (withShadow) {
        setShadowColor();
        ZqGlLine::draw(flat(m_p0), flat(m_p1));
        ZqGlLine::draw(flat(m_p1), flat(m_p2));
        ZqGlLine::draw(flat(m_p2), flat(m_p0));
    }
}
