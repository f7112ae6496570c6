// Plane tests: the two tolerances (the shared epsilon and the fixed bounds), lines and
// segments parallel to or ending on the plane, plane pairs and the three-plane point, signed
// sphere distances, boxes, and the pair tests against a double-precision reference.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <cmath>

using zqdgtest::D3;

namespace {

const ZqVector3 UNSET(123.0f, 456.0f, 789.0f);

// Restores the shared tolerance after a test changes it.
class EpsilonGuard {
public:
    EpsilonGuard() : m_saved(ZqDgFigure::getEpsilon()) {}
    ~EpsilonGuard() { ZqDgFigure::setEpsilon(m_saved); }
    EpsilonGuard(const EpsilonGuard&) = delete;
    EpsilonGuard& operator=(const EpsilonGuard&) = delete;

private:
    float m_saved;
};

} // namespace

TEST(PlaneTest, PointsAndTheSharedEpsilon) {
    const EpsilonGuard guard;
    const ZqDgPlane ground(0, 1, 0, 0);
    const float eps = ZqDgFigure::getEpsilon();
    EXPECT_TRUE(ground.intersect(ZqDgPoint(3, eps, -2)));
    EXPECT_TRUE(ground.vIntersect(ZqDgPoint(3, -eps, -2)));
    EXPECT_FALSE(ground.intersect(ZqDgPoint(3, 2 * eps, -2)));
    EXPECT_FALSE(ground.intersect(ZqDgPoint(0, 0.005f, 0)));
    ZqDgFigure::setEpsilon(0.01f);
    EXPECT_TRUE(ground.intersect(ZqDgPoint(0, 0.005f, 0)));
    EXPECT_TRUE(ZqDgPoint(0, 0.005f, 0).vIntersect(ground));

    // Signed distance, its square the same on both sides; the projection as closest point.
    const ZqDgPlane p(ZqVector3(0, 0, 1), 2.0f);
    EXPECT_FLOAT_EQ(p.distance(ZqDgPoint(1, 1, 5)), 3.0f);
    EXPECT_FLOAT_EQ(p.vDistance(ZqDgPoint(1, 1, -1)), -3.0f);
    EXPECT_FLOAT_EQ(p.vDistanceSquared(ZqDgPoint(1, 1, -1)), 9.0f);
    ZqVector3 onPlane = UNSET;
    ZqVector3 onPoint = UNSET;
    p.vClosestPoint(ZqDgPoint(1, 1, 5), &onPlane, &onPoint);
    EXPECT_TRUE(onPlane.equals(ZqVector3(1, 1, 2)));
    EXPECT_TRUE(onPoint.equals(ZqVector3(1, 1, 5)));
}

TEST(PlaneTest, LinesAndSegments) {
    const ZqDgPlane ground(0, 1, 0, 0);
    // The line form with outputs: parallel up to |n . u| = 0.0001 (fixed), crossing above.
    struct LineRow {
        float ny;
        bool crosses;
    };
    for (const LineRow& r : {LineRow{0.0001f, false}, LineRow{0.00011f, true}, LineRow{0.0f, false},
                             LineRow{-1.0f, true}}) {
        SCOPED_TRACE(r.ny);
        ZqDgLine line;
        line.m_origin = ZqVector3(0, 5, 0);
        line.m_direction = ZqVector3(std::sqrt(1.0f - r.ny * r.ny), r.ny, 0);
        float t = -7.0f;
        ZqVector3 point = UNSET;
        EXPECT_EQ(ground.intersect(line, &t, &point), r.crosses);
        if (r.crosses) {
            EXPECT_NEAR(point.y, 0.0f, 1e-3f);
            EXPECT_FLOAT_EQ(t, -5.0f / r.ny);
        } else {
            EXPECT_EQ(t, -7.0f);
            EXPECT_TRUE(point.equals(UNSET));
        }
        // The boolean form uses the shared epsilon, strictly: the same answers by default.
        EXPECT_EQ(ground.intersect(line), r.crosses);
        EXPECT_EQ(ground.vIntersect(line), r.crosses);
    }

    struct SegRow {
        const char* what;
        ZqVector3 a;
        ZqVector3 b;
        bool crosses;
        float t;
    };
    const SegRow rows[] = {
        {"across", ZqVector3(0, 2, 0), ZqVector3(0, -2, 0), true, 0.5f},
        {"starts on the plane", ZqVector3(1, 0, 1), ZqVector3(1, 3, 1), true, 0.0f},
        {"ends on the plane", ZqVector3(1, 3, 1), ZqVector3(1, 0, 1), true, 1.0f},
        {"stops short", ZqVector3(0, 4, 0), ZqVector3(0, 2, 0), false, 2.0f},
        {"starts beyond", ZqVector3(0, -2, 0), ZqVector3(0, -4, 0), false, -1.0f},
    };
    for (const SegRow& r : rows) {
        SCOPED_TRACE(r.what);
        const ZqDgSegment seg(r.a, r.b);
        EXPECT_EQ(ground.intersect(seg), r.crosses);
        EXPECT_EQ(ground.vIntersect(seg), r.crosses);
        float t = -7.0f;
        ZqVector3 point = UNSET;
        EXPECT_EQ(ground.intersect(seg, &t, &point), r.crosses);
        EXPECT_FLOAT_EQ(t, r.t);
        EXPECT_EQ(point.equals(UNSET), !r.crosses);
    }
    // Parallel, including lying in the plane: never, and the point stays untouched.
    for (const float y : {0.0f, 1.0f}) {
        const ZqDgSegment flat(ZqVector3(-1, y, 0), ZqVector3(1, y, 0));
        float t = 0.0f;
        ZqVector3 point = UNSET;
        EXPECT_FALSE(ground.intersect(flat));
        EXPECT_FALSE(ground.intersect(flat, &t, &point));
        EXPECT_TRUE(point.equals(UNSET));
    }
}

TEST(PlaneTest, PlanePairsAndThreePlanes) {
    const ZqDgPlane x(1, 0, 0, 1);
    const ZqDgPlane y(0, 1, 0, 2);
    const ZqDgPlane z(0, 0, 1, 3);
    EXPECT_TRUE(x.intersect(y));
    EXPECT_TRUE(x.vIntersect(y));
    EXPECT_FALSE(x.intersect(ZqDgPlane(1, 0, 0, 5)));     // parallel
    EXPECT_FALSE(x.intersect(x));                         // coincident
    EXPECT_FALSE(x.intersect(ZqDgPlane(-1, 0, 0, 1)));    // facing away
    EXPECT_FALSE(x.intersect(ZqDgPlane(1, 0.01f, 0, 0))); // |n . n'| above 0.9999
    EXPECT_TRUE(x.intersect(ZqDgPlane(1, 0.02f, 0, 0)));

    ZqVector3 point = UNSET;
    ASSERT_TRUE(x.intersect(y, z, &point));
    EXPECT_TRUE(point.epsilonEquals(ZqVector3(1, 2, 3), 1e-5f));
    // Three planes sharing the z axis: no single point, and the output stays.
    point = UNSET;
    EXPECT_FALSE(
        ZqDgPlane(1, 0, 0, 0).intersect(ZqDgPlane(0, 1, 0, 0), ZqDgPlane(1, 1, 0, 0), &point));
    EXPECT_TRUE(point.equals(UNSET));

    // Three random planes: the point lies on all three.
    zqdgtest::Rng rng(121);
    int solved = 0;
    for (int i = 0; i < 500; ++i) {
        const ZqDgPlane a(rng.unit(), rng.uni(-10, 10));
        const ZqDgPlane b(rng.unit(), rng.uni(-10, 10));
        const ZqDgPlane c(rng.unit(), rng.uni(-10, 10));
        const double det = D3(a.m_normal).dot(D3(b.m_normal).cross(D3(c.m_normal)));
        if (std::fabs(det) < 0.05) {
            continue;
        }
        ASSERT_TRUE(a.intersect(b, c, &point));
        const double scale = 1.0 + D3(point).length();
        for (const ZqDgPlane* pl : {&a, &b, &c}) {
            EXPECT_NEAR(D3(pl->m_normal).dot(D3(point)) - pl->m_distance, 0.0, 1e-4 * scale);
        }
        ++solved;
    }
    EXPECT_GT(solved, 300);
}

TEST(PlaneTest, SpheresAndBoxes) {
    const ZqDgPlane ground(0, 1, 0, 0);
    const ZqDgSphere behind(ZqVector3(0, -5, 0), 1.0f);
    EXPECT_FLOAT_EQ(ground.distance(behind), -6.0f);
    EXPECT_FLOAT_EQ(ground.vDistance(behind), -6.0f);
    EXPECT_FLOAT_EQ(ground.vDistanceSquared(behind), 36.0f);
    EXPECT_FALSE(ground.intersect(behind));
    EXPECT_TRUE(ground.intersect(ZqDgSphere(ZqVector3(0, -1, 0), 1.0f)));
    EXPECT_TRUE(ground.vIntersect(ZqDgSphere(ZqVector3(0, 1, 0), 1.0f)));
    ZqVector3 onPlane = UNSET;
    ZqVector3 onSphere = UNSET;
    ground.vClosestPoint(ZqDgSphere(ZqVector3(2, 4, 0), 1.0f), &onPlane, &onSphere);
    EXPECT_TRUE(onPlane.equals(ZqVector3(2, 0, 0)));
    EXPECT_TRUE(onSphere.epsilonEquals(ZqVector3(2, 3, 0), 2e-3f));
    // A centre on the plane: the plane's point only.
    onSphere = UNSET;
    ground.closestPoint(ZqDgSphere(ZqVector3(2, 0, 0), 1.0f), &onPlane, &onSphere);
    EXPECT_TRUE(onPlane.equals(ZqVector3(2, 0, 0)));
    EXPECT_TRUE(onSphere.equals(UNSET));

    // A box reaching exactly to the plane touches it; a tilted plane reaches by |n| . h.
    EXPECT_TRUE(ground.intersect(ZqDgAxisAlignedBoundingBox(0, 2, 0, 1, 2, 1)));
    EXPECT_FALSE(ground.intersect(ZqDgAxisAlignedBoundingBox(0, 2.01f, 0, 1, 2, 1)));
    const ZqDgPlane tilted(ZqVector3(1, 1, 0), 0.0f);
    EXPECT_TRUE(tilted.vIntersect(ZqDgAxisAlignedBoundingBox(0.9f, 0.9f, 0, 1, 1, 1)));
    EXPECT_FALSE(tilted.vIntersect(ZqDgAxisAlignedBoundingBox(1.1f, 1.1f, 0, 1, 1, 1)));
}

TEST(PlaneTest, SettersValidityAndEquality) {
    // Collinear points: zero normal, d = 0, and not valid.
    ZqDgPlane p;
    p.set(ZqVector3(0, 0, 0), ZqVector3(1, 1, 1), ZqVector3(2, 2, 2));
    EXPECT_TRUE(p.m_normal.equals(ZqVector3(0, 0, 0)));
    EXPECT_EQ(p.m_distance, 0.0f);
    EXPECT_FALSE(p.isFinite(100.0f));
    p.set(ZqDgTriangle(ZqVector3(0, 3, 0), ZqVector3(1, 3, 0), ZqVector3(0, 3, -1)));
    EXPECT_TRUE(p.m_normal.epsilonEquals(ZqVector3(0, 1, 0), 1e-6f));
    EXPECT_FLOAT_EQ(p.m_distance, 3.0f);
    EXPECT_TRUE(p.isFinite(10.0f));
    EXPECT_FALSE(p.isFinite(2.0f));
    EXPECT_TRUE(p.isFinite(-1.0f, 3.0f));
    EXPECT_FALSE(p.isFinite(-1.0f, 2.5f));
    ZqDgPlane longNormal = p;
    longNormal.m_normal.y = 1.001f;
    EXPECT_FALSE(longNormal.isFinite(10.0f));

    const ZqDgPlane a(ZqVector3(0, 0, 1), 0.0f);
    ZqDgPlane b = a;
    EXPECT_TRUE(a.equals(b));
    b.m_distance = -0.0f;
    EXPECT_FALSE(a.equals(b));
    EXPECT_TRUE(a.epsilonEquals(b, 0.0f));
    b.m_normal.x = 0.05f;
    EXPECT_TRUE(a.epsilonEquals(b, 0.1f));
    EXPECT_FALSE(a.epsilonEquals(b, 0.01f));
}

TEST(PlaneTest, AgreesWithReference) {
    zqdgtest::Rng rng(4121);
    for (int i = 0; i < 3000; ++i) {
        const ZqDgPlane p(rng.unit(), rng.uni(-10, 10));
        const D3 n(p.m_normal);
        const ZqVector3 q = rng.vec(15);
        const double e = n.dot(D3(q)) - p.m_distance;
        EXPECT_NEAR(p.distance(ZqDgPoint(q.x, q.y, q.z)), e, 1e-4 * (1 + std::fabs(e)));

        const ZqDgSphere s(rng.vec(15), rng.uni(0.5f, 5));
        const double es = n.dot(D3(s.m_center)) - p.m_distance;
        EXPECT_NEAR(p.distance(s), es - s.m_radius, 1e-4 * (1 + std::fabs(es)));
        if (std::fabs(std::fabs(es) - s.m_radius) > 1e-3) {
            EXPECT_EQ(p.intersect(s), std::fabs(es) < s.m_radius);
        }

        const ZqDgSegment seg(rng.vec(15), rng.vec(15));
        const double ea = n.dot(D3(seg.m_start)) - p.m_distance;
        const double eb = n.dot(D3(seg.m_end)) - p.m_distance;
        if (std::fabs(ea) > 1e-3 && std::fabs(eb) > 1e-3) {
            EXPECT_EQ(p.intersect(seg), (ea < 0) != (eb < 0)) << "segment " << i;
        }

        const ZqVector3 c = rng.vec(15);
        const ZqVector3 h(rng.uni(0.5f, 5), rng.uni(0.5f, 5), rng.uni(0.5f, 5));
        const double reach = std::fabs(n.x) * h.x + std::fabs(n.y) * h.y + std::fabs(n.z) * h.z;
        const double ec = n.dot(D3(c)) - p.m_distance;
        if (std::fabs(std::fabs(ec) - reach) > 1e-3) {
            EXPECT_EQ(p.intersect(ZqDgAxisAlignedBoundingBox(c.x, c.y, c.z, h.x, h.y, h.z)),
                      std::fabs(ec) < reach);
        }
    }
}
