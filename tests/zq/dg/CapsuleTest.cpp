// Capsule tests: touching counts, signed distances from the axis, the closest points that
// keep the axis point for a point on the axis, parallel axes, equality, and the pair tests
// against a double-precision reference on random capsules.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <cmath>

using zqdgtest::D3;

namespace {

constexpr double FAST_SQRT_ERROR = 0.002;
const ZqVector3 UNSET(123.0f, 456.0f, 789.0f);

// Axis from (0, 0, 0) to (4, 0, 0), radius 1.
ZqDgCapsule xCapsule() {
    return ZqDgCapsule(ZqVector3(0, 0, 0), ZqVector3(4, 0, 0), 1.0f);
}

} // namespace

TEST(CapsuleTest, PointsAroundTheAxis) {
    const ZqDgCapsule c = xCapsule();
    struct Row {
        const char* where;
        ZqVector3 p;
        bool inside;
        float distance;
        ZqVector3 onCapsule;
    };
    const Row rows[] = {
        {"on the surface beside the axis", ZqVector3(2, 1, 0), true, 0.0f, ZqVector3(2, 1, 0)},
        {"beyond the end cap", ZqVector3(7, 0, 0), false, 2.0f, ZqVector3(5, 0, 0)},
        {"beside the start cap", ZqVector3(-3, 0, 4), false, 4.0f, ZqVector3(-0.6f, 0, 0.8f)},
        {"inside, off the axis", ZqVector3(1, 0, -0.5f), true, -0.5f, ZqVector3(1, 0, -1)},
        {"on the axis", ZqVector3(3, 0, 0), true, -1.0f, ZqVector3(3, 0, 0)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.where);
        const ZqDgPoint p(r.p.x, r.p.y, r.p.z);
        EXPECT_EQ(c.intersect(p), r.inside);
        EXPECT_EQ(p.vIntersect(c), r.inside);
        // The fast square root is off by up to 0.2 %.
        const float tol = 0.002f * (r.distance + 1.0f) + 1e-4f;
        EXPECT_NEAR(c.distance(p), r.distance, tol);
        EXPECT_NEAR(p.vDistance(c), r.distance, tol);
        EXPECT_FLOAT_EQ(c.vDistanceSquared(p), c.distance(p) * c.distance(p));
        ZqVector3 onC = UNSET;
        ZqVector3 onP = UNSET;
        c.vClosestPoint(p, &onC, &onP);
        EXPECT_TRUE(onC.epsilonEquals(r.onCapsule, 2e-3f));
        EXPECT_TRUE(onP.equals(r.p));
        // The point's own closest-point call swaps the outputs.
        p.vClosestPoint(c, &onP, &onC);
        EXPECT_TRUE(onC.epsilonEquals(r.onCapsule, 2e-3f));
    }
    // A point on the axis: distance -r, squared r^2.
    EXPECT_NEAR(c.distanceSquared(ZqDgPoint(2, 0, 0)), 1.0f, 0.004f);
}

TEST(CapsuleTest, SpheresAndCapsules) {
    const ZqDgCapsule c = xCapsule();
    // Touching exactly: (r + rs)^2 equals the squared distance.
    EXPECT_TRUE(c.intersect(ZqDgSphere(ZqVector3(2, 3, 0), 2.0f)));
    EXPECT_FALSE(c.intersect(ZqDgSphere(ZqVector3(2, 3.01f, 0), 2.0f)));
    EXPECT_TRUE(ZqDgSphere(ZqVector3(2, 3, 0), 2.0f).vIntersect(c));
    const ZqDgCapsule parallel(ZqVector3(1, 3, 0), ZqVector3(9, 3, 0), 2.0f);
    EXPECT_TRUE(c.intersect(parallel));
    EXPECT_TRUE(parallel.vIntersect(c));
    EXPECT_FALSE(c.intersect(ZqDgCapsule(ZqVector3(1, 3.01f, 0), ZqVector3(9, 3.01f, 0), 2.0f)));

    // Parallel axes: the search starts at this axis's start and clamps onto the other.
    ZqVector3 onA = UNSET;
    ZqVector3 onB = UNSET;
    const ZqDgCapsule above(ZqVector3(-1, 5, 0), ZqVector3(9, 5, 0), 1.0f);
    c.closestPoint(above, &onA, &onB);
    EXPECT_NEAR(onA.y, 1.0f, 2e-3f);
    EXPECT_NEAR(onB.y, 4.0f, 2e-3f);
    EXPECT_NEAR(onA.x, onB.x, 1e-5f);
    EXPECT_GE(onA.x, 0.0f);
    EXPECT_LE(onA.x, 4.0f);
    EXPECT_NEAR(c.distance(above), 3.0f, 0.01f);
    EXPECT_FLOAT_EQ(c.vDistanceSquared(above), c.distance(above) * c.distance(above));

    // Crossing axes: the axis points coincide and are given as they are.
    const ZqDgCapsule crossing(ZqVector3(2, -3, 0), ZqVector3(2, 3, 0), 0.5f);
    c.closestPoint(crossing, &onA, &onB);
    EXPECT_TRUE(onA.equals(ZqVector3(2, 0, 0)));
    EXPECT_TRUE(onB.equals(ZqVector3(2, 0, 0)));
    EXPECT_NEAR(c.distance(crossing), -1.5f, 1e-4f);

    // A sphere centred on the axis: both outputs are the axis point and the centre.
    ZqDgSphere onAxis(ZqVector3(1, 0, 0), 0.5f);
    c.closestPoint(onAxis, &onA, &onB);
    EXPECT_TRUE(onA.equals(ZqVector3(1, 0, 0)));
    EXPECT_TRUE(onB.equals(ZqVector3(1, 0, 0)));
    // The sphere's own call is the capsule's with the outputs swapped.
    const ZqDgSphere s(ZqVector3(6, 0, 0), 0.5f);
    ZqVector3 sOnS = UNSET;
    ZqVector3 sOnC = UNSET;
    s.vClosestPoint(c, &sOnS, &sOnC);
    c.closestPoint(s, &onA, &onB);
    EXPECT_TRUE(sOnS.equals(onB));
    EXPECT_TRUE(sOnC.equals(onA));
    EXPECT_TRUE(onA.epsilonEquals(ZqVector3(5, 0, 0), 2e-3f));
    EXPECT_TRUE(onB.epsilonEquals(ZqVector3(5.5f, 0, 0), 2e-3f));
    EXPECT_EQ(s.vDistance(c), c.distance(s));
}

TEST(CapsuleTest, ValidityAndEquality) {
    const ZqDgCapsule c = xCapsule();
    EXPECT_TRUE(c.isFinite(10.0f));
    EXPECT_FALSE(c.isFinite(3.0f));
    EXPECT_FALSE(ZqDgCapsule(ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), 0.0f).isFinite(10.0f));
    EXPECT_FALSE(ZqDgCapsule(ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), -1.0f).isFinite(-5, 5));
    EXPECT_TRUE(c.equals(xCapsule()));
    ZqDgCapsule other = xCapsule();
    other.m_radius = 1.05f;
    EXPECT_FALSE(c.equals(other));
    EXPECT_TRUE(c.epsilonEquals(other, 0.1f));
    EXPECT_FALSE(c.epsilonEquals(other, 0.01f));
    other = xCapsule();
    other.m_end.z = 0.5f;
    EXPECT_FALSE(c.epsilonEquals(other, 0.1f));
}

TEST(CapsuleTest, AgreesWithReference) {
    zqdgtest::Rng rng(131);
    for (int i = 0; i < 3000; ++i) {
        const ZqDgCapsule a(rng.vec(10), rng.vec(10), rng.uni(0.2f, 3));
        const ZqDgCapsule b(rng.vec(10), rng.vec(10), rng.uni(0.2f, 3));
        const double axes =
            zqdgtest::segmentSegmentDistance(a.m_start, a.m_end, b.m_start, b.m_end);
        const double d = axes - a.m_radius - b.m_radius;
        EXPECT_NEAR(a.distance(b), d, FAST_SQRT_ERROR * axes + 2e-3) << "pair " << i;
        if (std::fabs(d) > 1e-3) {
            EXPECT_EQ(a.intersect(b), d < 0) << "pair " << i;
        }
        ZqVector3 onA;
        ZqVector3 onB;
        a.closestPoint(b, &onA, &onB);
        if (axes > 1e-2) {
            // Both outputs on their surfaces, as far apart as the distance says.
            const D3 qa = zqdgtest::closestOnSegment(onA, a.m_start, a.m_end);
            const D3 qb = zqdgtest::closestOnSegment(onB, b.m_start, b.m_end);
            const double tol = FAST_SQRT_ERROR * (axes + a.m_radius + b.m_radius) + 1e-3;
            EXPECT_NEAR((D3(onA) - qa).length(), a.m_radius, tol);
            EXPECT_NEAR((D3(onB) - qb).length(), b.m_radius, tol);
            EXPECT_NEAR((D3(onA) - D3(onB)).length(), std::fabs(d), tol);
        }

        const ZqVector3 p = rng.vec(12);
        const double pd = (zqdgtest::closestOnSegment(p, a.m_start, a.m_end) - D3(p)).length();
        EXPECT_NEAR(a.distance(ZqDgPoint(p.x, p.y, p.z)), pd - a.m_radius,
                    FAST_SQRT_ERROR * pd + 1e-3);
        if (std::fabs(pd - a.m_radius) > 1e-3) {
            EXPECT_EQ(a.intersect(ZqDgPoint(p.x, p.y, p.z)), pd < a.m_radius);
        }
        const ZqDgSphere s(rng.vec(10), rng.uni(0.2f, 3));
        const double sd =
            (zqdgtest::closestOnSegment(s.m_center, a.m_start, a.m_end) - D3(s.m_center)).length();
        EXPECT_NEAR(a.distance(s), sd - a.m_radius - s.m_radius, FAST_SQRT_ERROR * sd + 1e-3);
        if (std::fabs(sd - a.m_radius - s.m_radius) > 1e-3) {
            EXPECT_EQ(s.vIntersect(a), sd < a.m_radius + s.m_radius);
        }
    }
}
