// The whole dispatch matrix: every ordered pair of the twenty figure types through the four
// virtual queries, on random figures. A pair that the tables do not answer (or not yet) gives
// false, FLT_MAX and no output; every answered pair agrees with a double-precision reference
// computed here, whichever figure asks, so forwarding to the other figure's member and the
// exchange of the closest-point outputs are checked in both orders.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <tuple>

using zqdgtest::D3;
using F = ZqDgFigure;
using Q = ZqDgFigure::Query;

namespace {

constexpr uint32_t N = F::NR_FIGURE_TYPES;
const ZqVector3 UNSET(123.0f, 456.0f, 789.0f);

// A random figure of the type; the classes without fields as they come.
std::unique_ptr<F> randomFigure(const uint32_t type, zqdgtest::Rng& rng) {
    auto unit3 = [&](ZqVector3* axes) {
        // Orthonormal axes from two random directions.
        axes[0] = rng.unit();
        axes[1] = ZqVector3().normalize(ZqVector3().cross(axes[0], rng.unit()));
        axes[2] = ZqVector3().cross(axes[0], axes[1]);
    };
    ZqVector3 axes[3];
    switch (type) {
    case F::POINT: {
        const ZqVector3 p = rng.vec(8);
        return std::make_unique<ZqDgPoint>(p.x, p.y, p.z);
    }
    case F::LINE: {
        auto l = std::make_unique<ZqDgLine>();
        l->set(rng.vec(8), rng.unit());
        return l;
    }
    case F::RAY: {
        const ZqVector3 o = rng.vec(8);
        const ZqVector3 d = rng.unit();
        return std::make_unique<ZqDgRay>(o.x, o.y, o.z, d.x, d.y, d.z);
    }
    case F::SEGMENT:
        return std::make_unique<ZqDgSegment>(rng.vec(8), rng.vec(8));
    case F::PLANE:
        return std::make_unique<ZqDgPlane>(rng.unit(), rng.uni(-6, 6));
    case F::TRIANGLE:
        return std::make_unique<ZqDgTriangle>(rng.vec(8), rng.vec(8), rng.vec(8));
    case F::RECTANGLE: {
        unit3(axes);
        const float h[2] = {rng.uni(0.5f, 4), rng.uni(0.5f, 4)};
        return std::make_unique<ZqDgRectangle>(rng.vec(6), axes, h);
    }
    case F::POLYGON: {
        const ZqVector3 pts[3] = {rng.vec(5), rng.vec(5), rng.vec(5)};
        return std::make_unique<ZqDgPolygon>(3, pts);
    }
    case F::HALFSPACE:
        return std::make_unique<ZqDgHalfspace>(rng.unit(), rng.uni(-6, 6));
    case F::TETRAHEDRON:
        return std::make_unique<ZqDgTetrahedron>();
    case F::SPHERE:
        return std::make_unique<ZqDgSphere>(rng.vec(6), rng.uni(0.3f, 4));
    case F::CAPSULE:
        return std::make_unique<ZqDgCapsule>(rng.vec(6), rng.vec(6), rng.uni(0.3f, 3));
    case F::CYLINDER:
        return std::make_unique<ZqDgCylinder>(rng.vec(6), rng.vec(6), rng.uni(0.3f, 3));
    case F::CYLINDROID: {
        unit3(axes);
        const float h[3] = {rng.uni(0.5f, 4), rng.uni(0.5f, 4), rng.uni(0.5f, 4)};
        return std::make_unique<ZqDgCylindroid>(rng.vec(6), axes, h);
    }
    case F::CONE:
        return std::make_unique<ZqDgCone>(rng.vec(6), rng.unit(), rng.uni(1, 4), rng.uni(1, 4));
    case F::ELLIPSOID:
        return std::make_unique<ZqDgEllipsoid>();
    case F::AXIS_ALIGNED_BOUNDING_BOX: {
        const ZqVector3 c = rng.vec(6);
        return std::make_unique<ZqDgAxisAlignedBoundingBox>(c.x, c.y, c.z, rng.uni(0.5f, 4),
                                                            rng.uni(0.5f, 4), rng.uni(0.5f, 4));
    }
    case F::ORIENTED_BOUNDING_BOX: {
        unit3(axes);
        const float h[3] = {rng.uni(0.5f, 4), rng.uni(0.5f, 4), rng.uni(0.5f, 4)};
        return std::make_unique<ZqDgOrientedBoundingBox>(rng.vec(6), axes, h);
    }
    case F::FRUSTUM:
        return std::make_unique<ZqDgFrustum>();
    default:
        return std::make_unique<ZqDgPolyhedron>();
    }
}

// True when the caller's table leaves the query with that other type to the base (never
// answered) or marks it as not built yet.
template <class T> bool unanswered(const T& t, const Q q, const uint32_t other) {
    using Tab = std::decay_t<T>;
    if (t.isNotYetBuilt(q, other)) {
        return true;
    }
    switch (q) {
    case Q::Intersect:
        return t.intersectFigureTab[other] == typename Tab::IntersectEntry(&F::intersect);
    case Q::Distance:
        return t.distanceFigureTab[other] == typename Tab::DistanceEntry(&F::distance);
    case Q::DistanceSquared:
        return t.distanceSquaredFigureTab[other] ==
               typename Tab::DistanceEntry(&F::distanceSquared);
    case Q::ClosestPoint:
        return t.closestPointFigureTab[other] == typename Tab::ClosestPointEntry(&F::closestPoint);
    }
    return true;
}

bool unanswered(const uint32_t caller, const Q q, const uint32_t other) {
    switch (caller) {
    case F::POINT:
        return unanswered(ZqDgPoint::figureTab, q, other);
    case F::LINE:
        return unanswered(ZqDgLine::figureTab, q, other);
    case F::SEGMENT:
        return unanswered(ZqDgSegment::figureTab, q, other);
    case F::PLANE:
        return unanswered(ZqDgPlane::figureTab, q, other);
    case F::TRIANGLE:
        return unanswered(ZqDgTriangle::figureTab, q, other);
    case F::RECTANGLE:
        return unanswered(ZqDgRectangle::figureTab, q, other);
    case F::SPHERE:
        return unanswered(ZqDgSphere::figureTab, q, other);
    case F::CAPSULE:
        return unanswered(ZqDgCapsule::figureTab, q, other);
    case F::CYLINDROID:
        return unanswered(ZqDgCylindroid::figureTab, q, other);
    case F::AXIS_ALIGNED_BOUNDING_BOX:
        return unanswered(ZqDgAxisAlignedBoundingBox::figureTab, q, other);
    case F::ORIENTED_BOUNDING_BOX:
        return unanswered(ZqDgOrientedBoundingBox::figureTab, q, other);
    default:
        return true; // ray and the classes without tables
    }
}

// ---- the reference, in double --------------------------------------------------------------

bool isSolid(const uint32_t t) {
    return t == F::SPHERE || t == F::CAPSULE || t == F::CYLINDROID ||
           t == F::AXIS_ALIGNED_BOUNDING_BOX || t == F::ORIENTED_BOUNDING_BOX;
}

// p in a box's frame (centre c, axes a) as coordinates along the axes.
D3 boxCoordinates(const D3& p, const ZqVector3& c, const ZqVector3* a) {
    const D3 d = p - D3(c);
    return {d.dot(D3(a[0])), d.dot(D3(a[1])), d.dot(D3(a[2]))};
}

D3 clampBox(const D3& t, const D3& h) {
    return {std::clamp(t.x, -h.x, h.x), std::clamp(t.y, -h.y, h.y), std::clamp(t.z, -h.z, h.z)};
}

// The point of the figure (solids with their insides) nearest p. Not for the cylindroid.
D3 closestOn(const F& f, const D3& p) {
    switch (f.getFigureType()) {
    case F::POINT:
        return D3(static_cast<const ZqDgPoint&>(f).m_position);
    case F::LINE: {
        const auto& l = static_cast<const ZqDgLine&>(f);
        const D3 d(l.m_direction);
        return D3(l.m_origin) + d * ((p - D3(l.m_origin)).dot(d) / d.dot(d));
    }
    case F::SEGMENT: {
        const auto& s = static_cast<const ZqDgSegment&>(f);
        return zqdgtest::closestOnSegment(p, s.m_start, s.m_end);
    }
    case F::PLANE: {
        const auto& pl = static_cast<const ZqDgPlane&>(f);
        const D3 n(pl.m_normal);
        return p - n * (n.dot(p) - pl.m_distance);
    }
    case F::TRIANGLE: {
        const auto& t = static_cast<const ZqDgTriangle&>(f);
        const D3 a(t.m_p0);
        const D3 b(t.m_p1);
        const D3 c(t.m_p2);
        const D3 n = (b - a).cross(c - a);
        const double nn = n.dot(n);
        const D3 q = p - n * ((p - a).dot(n) / nn);
        const double u = (b - q).cross(c - q).dot(n) / nn;
        const double v = (c - q).cross(a - q).dot(n) / nn;
        if (u >= 0 && v >= 0 && u + v <= 1) {
            return q;
        }
        D3 best = zqdgtest::closestOnSegment(p, a, b);
        for (const D3& e :
             {zqdgtest::closestOnSegment(p, b, c), zqdgtest::closestOnSegment(p, c, a)}) {
            if ((e - p).length() < (best - p).length()) {
                best = e;
            }
        }
        return best;
    }
    case F::RECTANGLE: {
        const auto& r = static_cast<const ZqDgRectangle&>(f);
        const D3 d = p - D3(r.m_center);
        const D3 a0(r.m_axis[0]);
        const D3 a1(r.m_axis[1]);
        return D3(r.m_center) +
               a0 * std::clamp(a0.dot(d), -double(r.m_radius[0]), double(r.m_radius[0])) +
               a1 * std::clamp(a1.dot(d), -double(r.m_radius[1]), double(r.m_radius[1]));
    }
    case F::SPHERE: {
        const auto& s = static_cast<const ZqDgSphere&>(f);
        const D3 v = p - D3(s.m_center);
        const double l = v.length();
        return l <= s.m_radius ? p : D3(s.m_center) + v * (s.m_radius / l);
    }
    case F::CAPSULE: {
        const auto& c = static_cast<const ZqDgCapsule&>(f);
        const D3 q = zqdgtest::closestOnSegment(p, c.m_start, c.m_end);
        const double l = (p - q).length();
        return l <= c.m_radius ? p : q + (p - q) * (c.m_radius / l);
    }
    case F::AXIS_ALIGNED_BOUNDING_BOX: {
        const auto& b = static_cast<const ZqDgAxisAlignedBoundingBox&>(f);
        const D3 c(b.m_center);
        return c + clampBox(p - c, D3(b.m_radius));
    }
    case F::ORIENTED_BOUNDING_BOX: {
        const auto& b = static_cast<const ZqDgOrientedBoundingBox&>(f);
        const D3 t = clampBox(boxCoordinates(p, b.m_center, b.m_axis),
                              D3(b.m_radius[0], b.m_radius[1], b.m_radius[2]));
        return D3(b.m_center) + D3(b.m_axis[0]) * t.x + D3(b.m_axis[1]) * t.y +
               D3(b.m_axis[2]) * t.z;
    }
    default:
        ADD_FAILURE() << "no reference point for type " << f.getFigureType();
        return p;
    }
}

// How far p lies outside the cylindroid's elliptic cylinder (0 inside), measured in its own
// scaled coordinates: enough to tell inside from outside away from the surface.
double cylindroidOutside(const ZqDgCylindroid& c, const D3& p) {
    const D3 t = boxCoordinates(p, c.m_center, c.m_axis);
    const double axial = std::fabs(t.x) - c.m_radius[0];
    const double e = std::hypot(t.y / c.m_radius[1], t.z / c.m_radius[2]) - 1.0;
    return std::max(axial, e * std::min(c.m_radius[1], c.m_radius[2]));
}

// The centre and radius of a point or sphere.
bool asBall(const F& f, D3* c, double* r) {
    if (f.getFigureType() == F::POINT) {
        *c = D3(static_cast<const ZqDgPoint&>(f).m_position);
        *r = 0.0;
        return true;
    }
    if (f.getFigureType() == F::SPHERE) {
        const auto& s = static_cast<const ZqDgSphere&>(f);
        *c = D3(s.m_center);
        *r = s.m_radius;
        return true;
    }
    return false;
}

// Distance between a segment or line (long segment) and an oriented box, by the convex
// search of the test utilities in the box's frame.
double linearBoxDistance(const D3& a, const D3& b, const ZqVector3& c, const ZqVector3* axes,
                         const D3& h) {
    return zqdgtest::segmentBoxDistance(boxCoordinates(a, c, axes), boxCoordinates(b, c, axes),
                                        D3(), h);
}

// The ends of a segment, or of a long stretch of a line around its origin.
void linearEnds(const F& f, D3* a, D3* b) {
    if (f.getFigureType() == F::LINE) {
        const auto& l = static_cast<const ZqDgLine&>(f);
        *a = D3(l.m_origin) - D3(l.m_direction) * 1000.0;
        *b = D3(l.m_origin) + D3(l.m_direction) * 1000.0;
    } else {
        const auto& s = static_cast<const ZqDgSegment&>(f);
        *a = D3(s.m_start);
        *b = D3(s.m_end);
    }
}

// The answer the reference gives for one query of an ordered pair, or nothing when the pair
// sits too near a boundary to tell in float.
struct Expect {
    bool decided = false;
    bool intersect = false;
    bool hasDistance = false;
    double distance = 0.0;
    double tolerance = 0.0;
    bool hasPoints = false;
    D3 onA;
    D3 onB;
    // Pairs whose closest points are checked by where they lie rather than by value: linear
    // figures and capsules (on their figures, the distance apart), and a point with a
    // cylindroid (the point's own output is the point).
    bool linear = false;
    bool cylindroid = false;
    D3 point;
};

constexpr double MARGIN = 2e-3;
const ZqVector3 BOX_AXES[3] = {ZqVector3(1, 0, 0), ZqVector3(0, 1, 0), ZqVector3(0, 0, 1)};

// One side is a point or a sphere (ball), the other any figure x.
Expect ballPair(const F& a, const F& b) {
    Expect e;
    D3 c;
    double r = 0.0;
    const bool ballFirst = asBall(a, &c, &r);
    const F& x = ballFirst ? b : a;
    if (!ballFirst) {
        asBall(b, &c, &r);
    }
    const uint32_t xt = x.getFigureType();
    if (xt == F::CYLINDROID) {
        // Only the point test has a reference: inside the elliptic cylinder.
        const double out = cylindroidOutside(static_cast<const ZqDgCylindroid&>(x), c);
        e.decided = std::fabs(out) > MARGIN;
        e.intersect = out < 0.0;
        e.cylindroid = true;
        e.point = c;
        return e;
    }
    const D3 q = closestOn(x, c);
    const double d = (q - c).length();
    e.decided = std::fabs(d - r) > MARGIN && !(isSolid(xt) && d < MARGIN);
    e.intersect = d <= r;
    // Distances inside solids follow each class's own sign rules; compare outside only.
    if (!(isSolid(xt) && d < MARGIN)) {
        e.hasDistance = true;
        e.distance = d - r;
        if (xt == F::PLANE) {
            const auto& pl = static_cast<const ZqDgPlane&>(x);
            e.distance = D3(pl.m_normal).dot(c) - pl.m_distance - r;
        }
        // The fast square root errs by up to 0.2 % of the length it takes, which for a
        // sphere or capsule runs from its centre or axis.
        double rx = 0.0;
        if (xt == F::SPHERE) {
            rx = static_cast<const ZqDgSphere&>(x).m_radius;
        } else if (xt == F::CAPSULE) {
            rx = static_cast<const ZqDgCapsule&>(x).m_radius;
        }
        e.tolerance = 0.003 * (d + r + rx) + 1e-3;
        // The sphere's surface point toward q, as the closest-point members give it.
        const D3 onBall = r > 0.0 && d > 0.01 ? c + (q - c) * (r / d) : c;
        const bool ballHasPoint = r == 0.0 || d > 0.01;
        if (ballHasPoint && d > 0.01) {
            e.hasPoints = true;
            e.onA = ballFirst ? onBall : q;
            e.onB = ballFirst ? q : onBall;
        }
    }
    return e;
}

// Double-precision separating-axis test of two oriented boxes.
bool boxesOverlap(const ZqVector3& c1, const ZqVector3* a1, const D3& h1, const ZqVector3& c2,
                  const ZqVector3* a2, const D3& h2, double* gap) {
    const D3 t = D3(c2) - D3(c1);
    D3 axes[15];
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        axes[n++] = D3(a1[i]);
        axes[n++] = D3(a2[i]);
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            axes[n++] = D3(a1[i]).cross(D3(a2[j]));
        }
    }
    double worst = -1e300;
    for (const D3& l : axes) {
        const double len = l.length();
        if (len < 1e-6) {
            continue;
        }
        double reach = 0.0;
        for (int i = 0; i < 3; ++i) {
            reach += h1[i] * std::fabs(D3(a1[i]).dot(l)) + h2[i] * std::fabs(D3(a2[i]).dot(l));
        }
        worst = std::max(worst, (std::fabs(t.dot(l)) - reach) / len);
    }
    *gap = worst;
    return worst <= 0.0;
}

// The pairs without a point or sphere.
Expect otherPair(const F& a, const F& b) {
    Expect e;
    const uint32_t at = a.getFigureType();
    const uint32_t bt = b.getFigureType();
    auto pair = [&](const uint32_t x, const uint32_t y) {
        return (at == x && bt == y) || (at == y && bt == x);
    };
    const F& first = at <= bt ? a : b;
    const F& second = at <= bt ? b : a;
    if (at == F::LINE && bt == F::LINE) {
        const auto& l1 = static_cast<const ZqDgLine&>(a);
        const auto& l2 = static_cast<const ZqDgLine&>(b);
        const D3 n = D3(l1.m_direction).cross(D3(l2.m_direction));
        const double d = std::fabs((D3(l2.m_origin) - D3(l1.m_origin)).dot(n)) / n.length();
        e.decided = d > MARGIN;
        e.intersect = false;
        e.hasDistance = true;
        e.distance = d;
        e.tolerance = 1e-3 * (1 + d);
        e.linear = true;
        return e;
    }
    if (at == F::SEGMENT && bt == F::SEGMENT) {
        const auto& s1 = static_cast<const ZqDgSegment&>(a);
        const auto& s2 = static_cast<const ZqDgSegment&>(b);
        const double d =
            zqdgtest::segmentSegmentDistance(s1.m_start, s1.m_end, s2.m_start, s2.m_end);
        e.decided = d > MARGIN;
        e.intersect = false;
        e.hasDistance = true;
        e.distance = d;
        e.tolerance = 0.003 * d + 1e-3;
        e.linear = true;
        return e;
    }
    if (at == F::CAPSULE && bt == F::CAPSULE) {
        const auto& c1 = static_cast<const ZqDgCapsule&>(a);
        const auto& c2 = static_cast<const ZqDgCapsule&>(b);
        const double axes =
            zqdgtest::segmentSegmentDistance(c1.m_start, c1.m_end, c2.m_start, c2.m_end);
        const double d = axes - c1.m_radius - c2.m_radius;
        e.decided = std::fabs(d) > MARGIN;
        e.intersect = d <= 0.0;
        e.hasDistance = true;
        e.distance = d;
        e.tolerance = 0.003 * (axes + c1.m_radius + c2.m_radius) + 1e-3;
        e.linear = axes > 0.01;
        return e;
    }
    if (pair(F::LINE, F::PLANE) || pair(F::SEGMENT, F::PLANE)) {
        const auto& pl = static_cast<const ZqDgPlane&>(second);
        const D3 n(pl.m_normal);
        if (first.getFigureType() == F::LINE) {
            const double nu = std::fabs(n.dot(D3(static_cast<const ZqDgLine&>(first).m_direction)));
            e.decided = std::fabs(nu - F::getEpsilon()) > 1e-6;
            e.intersect = nu > F::getEpsilon();
        } else {
            const auto& s = static_cast<const ZqDgSegment&>(first);
            const double ea = n.dot(D3(s.m_start)) - pl.m_distance;
            const double eb = n.dot(D3(s.m_end)) - pl.m_distance;
            e.decided = std::fabs(ea) > MARGIN && std::fabs(eb) > MARGIN;
            e.intersect = (ea < 0) != (eb < 0);
        }
        return e;
    }
    if (pair(F::LINE, F::TRIANGLE) || pair(F::SEGMENT, F::TRIANGLE)) {
        const auto& t = static_cast<const ZqDgTriangle&>(second);
        D3 p0;
        D3 p1;
        linearEnds(first, &p0, &p1);
        const D3 a0(t.m_p0);
        const D3 n = (D3(t.m_p1) - a0).cross(D3(t.m_p2) - a0);
        const double den = (p1 - p0).dot(n);
        if (std::fabs(den) < 1e-2) {
            return e;
        }
        const double tc = (a0 - p0).dot(n) / den;
        const D3 x = p0 + (p1 - p0) * tc;
        const double nn = n.dot(n);
        const double u = (D3(t.m_p1) - x).cross(D3(t.m_p2) - x).dot(n) / nn;
        const double v = (D3(t.m_p2) - x).cross(a0 - x).dot(n) / nn;
        const double w = 1 - u - v;
        e.decided = std::min({std::fabs(u), std::fabs(v), std::fabs(w), std::fabs(tc),
                              std::fabs(1 - tc)}) > MARGIN;
        e.intersect = u > 0 && v > 0 && w > 0 && tc > 0 && tc < 1;
        return e;
    }
    if (pair(F::LINE, F::AXIS_ALIGNED_BOUNDING_BOX) ||
        pair(F::SEGMENT, F::AXIS_ALIGNED_BOUNDING_BOX) ||
        pair(F::SEGMENT, F::ORIENTED_BOUNDING_BOX)) {
        D3 p0;
        D3 p1;
        linearEnds(first, &p0, &p1);
        // The distance to the box, and to the box shrunk by the margin: a segment that reaches
        // into the shrunk box crosses the box for certain.
        double d = 0.0;
        double inner = 0.0;
        if (second.getFigureType() == F::AXIS_ALIGNED_BOUNDING_BOX) {
            const auto& box = static_cast<const ZqDgAxisAlignedBoundingBox&>(second);
            const D3 h(box.m_radius);
            d = linearBoxDistance(p0, p1, box.m_center, BOX_AXES, h);
            inner =
                linearBoxDistance(p0, p1, box.m_center, BOX_AXES, h - D3(MARGIN, MARGIN, MARGIN));
        } else {
            const auto& box = static_cast<const ZqDgOrientedBoundingBox&>(second);
            const D3 h(box.m_radius[0], box.m_radius[1], box.m_radius[2]);
            d = linearBoxDistance(p0, p1, box.m_center, box.m_axis, h);
            inner =
                linearBoxDistance(p0, p1, box.m_center, box.m_axis, h - D3(MARGIN, MARGIN, MARGIN));
        }
        e.decided = d > MARGIN || inner < 1e-9;
        e.intersect = inner < 1e-9;
        return e;
    }
    if (pair(F::PLANE, F::PLANE)) {
        const auto& p1 = static_cast<const ZqDgPlane&>(a);
        const auto& p2 = static_cast<const ZqDgPlane&>(b);
        const double c = std::fabs(D3(p1.m_normal).dot(D3(p2.m_normal)));
        e.decided = std::fabs(c - 0.9999) > 1e-5;
        e.intersect = c < 0.9999;
        return e;
    }
    if (pair(F::PLANE, F::AXIS_ALIGNED_BOUNDING_BOX) || pair(F::PLANE, F::ORIENTED_BOUNDING_BOX)) {
        const auto& pl = static_cast<const ZqDgPlane&>(first);
        const D3 n(pl.m_normal);
        D3 c;
        double reach = 0.0;
        if (second.getFigureType() == F::AXIS_ALIGNED_BOUNDING_BOX) {
            const auto& box = static_cast<const ZqDgAxisAlignedBoundingBox&>(second);
            c = D3(box.m_center);
            reach = std::fabs(n.x) * box.m_radius.x + std::fabs(n.y) * box.m_radius.y +
                    std::fabs(n.z) * box.m_radius.z;
        } else {
            const auto& box = static_cast<const ZqDgOrientedBoundingBox&>(second);
            c = D3(box.m_center);
            for (int i = 0; i < 3; ++i) {
                reach += box.m_radius[i] * std::fabs(n.dot(D3(box.m_axis[i])));
            }
        }
        const double gap = std::fabs(n.dot(c) - pl.m_distance) - reach;
        e.decided = std::fabs(gap) > MARGIN;
        e.intersect = gap <= 0.0;
        return e;
    }
    if (pair(F::AXIS_ALIGNED_BOUNDING_BOX, F::AXIS_ALIGNED_BOUNDING_BOX) ||
        pair(F::ORIENTED_BOUNDING_BOX, F::ORIENTED_BOUNDING_BOX)) {
        ZqVector3 c[2];
        const ZqVector3* ax[2];
        D3 h[2];
        for (int k = 0; k < 2; ++k) {
            const F& f = k == 0 ? a : b;
            if (at == F::AXIS_ALIGNED_BOUNDING_BOX) {
                const auto& box = static_cast<const ZqDgAxisAlignedBoundingBox&>(f);
                c[k] = box.m_center;
                ax[k] = BOX_AXES;
                h[k] = D3(box.m_radius);
            } else {
                const auto& box = static_cast<const ZqDgOrientedBoundingBox&>(f);
                c[k] = box.m_center;
                ax[k] = box.m_axis;
                h[k] = D3(box.m_radius[0], box.m_radius[1], box.m_radius[2]);
            }
        }
        double gap = 0.0;
        e.intersect = boxesOverlap(c[0], ax[0], h[0], c[1], ax[1], h[1], &gap);
        e.decided = std::fabs(gap) > MARGIN;
        return e;
    }
    ADD_FAILURE() << "no reference for " << at << " with " << bt;
    return e;
}

Expect reference(const F& a, const F& b) {
    D3 c;
    double r = 0.0;
    return asBall(a, &c, &r) || asBall(b, &c, &r) ? ballPair(a, b) : otherPair(a, b);
}

std::string narrow(const char16_t* s) {
    std::string out;
    for (; *s != 0; ++s) {
        out.push_back(static_cast<char>(*s));
    }
    return out;
}

} // namespace

TEST(DispatchMatrix, EveryPairBothOrders) {
    zqdgtest::Rng rng(2110);
    // Per answered (caller, query, other): how often the reference could decide.
    std::map<std::tuple<uint32_t, int, uint32_t>, int> checked;
    for (int round = 0; round < 60; ++round) {
        // Two independent sets, so that a type meets another figure of its own type.
        std::unique_ptr<F> callers[N];
        std::unique_ptr<F> others[N];
        for (uint32_t t = 0; t < N; ++t) {
            callers[t] = randomFigure(t, rng);
            others[t] = randomFigure(t, rng);
        }
        for (uint32_t i = 0; i < N; ++i) {
            for (uint32_t j = 0; j < N; ++j) {
                const F& a = *callers[i];
                const F& b = *others[j];
                SCOPED_TRACE(narrow(a.getFigureName()) + " with " + narrow(b.getFigureName()) +
                             ", round " + std::to_string(round));
                const bool noI = unanswered(i, Q::Intersect, j);
                const bool noD = unanswered(i, Q::Distance, j);
                const bool noD2 = unanswered(i, Q::DistanceSquared, j);
                const bool noC = unanswered(i, Q::ClosestPoint, j);
                ASSERT_EQ(noD, noD2);
                ZqVector3 onA = UNSET;
                ZqVector3 onB = UNSET;
                a.vClosestPoint(b, &onA, &onB);
                const bool wrote = !onA.equals(UNSET) || !onB.equals(UNSET);
                if (noI) {
                    EXPECT_FALSE(a.vIntersect(b));
                }
                if (noD) {
                    EXPECT_EQ(a.vDistance(b), FLT_MAX);
                    EXPECT_EQ(a.vDistanceSquared(b), FLT_MAX);
                }
                if (noC) {
                    EXPECT_FALSE(wrote);
                }
                if (noI && noD && noC) {
                    continue;
                }
                const Expect e = reference(a, b);
                if (!noI && e.decided) {
                    EXPECT_EQ(a.vIntersect(b), e.intersect);
                    ++checked[{i, 0, j}];
                }
                if (!noD) {
                    const float d = a.vDistance(b);
                    const float d2 = a.vDistanceSquared(b);
                    EXPECT_NEAR(d2, d * d, 0.01f * d * d + 1e-4f);
                    if (e.hasDistance) {
                        EXPECT_NEAR(d, e.distance, e.tolerance);
                        ++checked[{i, 1, j}];
                    } else if (j == F::CYLINDROID || i == F::CYLINDROID) {
                        // No distance reference: the closest points lie that far apart.
                        EXPECT_NEAR(std::fabs(d), (D3(onA) - D3(onB)).length(),
                                    0.003 * std::fabs(d) + 1e-3);
                        ++checked[{i, 1, j}];
                    }
                }
                if (!noC) {
                    if (e.hasPoints) {
                        const double tol = e.tolerance + 2e-3;
                        EXPECT_NEAR((D3(onA) - e.onA).length(), 0.0, tol);
                        EXPECT_NEAR((D3(onB) - e.onB).length(), 0.0, tol);
                        ++checked[{i, 2, j}];
                    } else if (e.linear) {
                        if (i != F::CAPSULE) {
                            EXPECT_NEAR((closestOn(a, onA) - D3(onA)).length(), 0.0, 1e-3);
                            EXPECT_NEAR((closestOn(b, onB) - D3(onB)).length(), 0.0, 1e-3);
                        }
                        EXPECT_NEAR((D3(onA) - D3(onB)).length(), std::fabs(e.distance),
                                    e.tolerance);
                        ++checked[{i, 2, j}];
                    } else if (e.cylindroid) {
                        EXPECT_TRUE((i == F::POINT ? onA : onB)
                                        .equals(ZqVector3(float(e.point.x), float(e.point.y),
                                                          float(e.point.z))));
                        ++checked[{i, 2, j}];
                    }
                }
                // The other order: the same answer, the closest points exchanged.
                if (!noC && !unanswered(j, Q::ClosestPoint, i)) {
                    ZqVector3 backB = UNSET;
                    ZqVector3 backA = UNSET;
                    b.vClosestPoint(a, &backB, &backA);
                    const double tol = 2e-3 * (1.0 + (D3(onA) - D3(onB)).length());
                    EXPECT_NEAR((D3(backA) - D3(onA)).length(), 0.0, tol);
                    EXPECT_NEAR((D3(backB) - D3(onB)).length(), 0.0, tol);
                }
            }
        }
    }
    // Every answered query met a case the reference could decide.
    for (uint32_t i = 0; i < N; ++i) {
        for (uint32_t j = 0; j < N; ++j) {
            const char* names[] = {"intersect", "distance", "closestPoint"};
            const Q qs[] = {Q::Intersect, Q::Distance, Q::ClosestPoint};
            for (int q = 0; q < 3; ++q) {
                if (!unanswered(i, qs[q], j)) {
                    EXPECT_GT((checked[{i, q, j}]), 0)
                        << "caller " << i << " " << names[q] << " other " << j;
                }
            }
        }
    }
}
