// Line, ray and segment tests: the decisive cases (identical and parallel lines, a line in a
// plane, a segment ending on a plane, shared ends, parallel segments), the crossing outputs,
// the setters and equality, and the segment-segment and line-line closest points against a
// double-precision reference on random pairs, degenerate and near-parallel ones included.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <cmath>

using zqdgtest::D3;

TEST(LineTest, LinePairs) {
    const ZqDgLine x(0, 0, 0, 1, 0, 0);
    // Identical lines: the other origin lies on this line.
    EXPECT_TRUE(x.vIntersect(ZqDgLine(0, 0, 0, 1, 0, 0)));
    EXPECT_TRUE(x.vIntersect(ZqDgLine(5, 0, 0, -1, 0, 0)));
    // Parallel distinct lines never meet; their closest points are o1 and its projection.
    const ZqDgLine parallel(3, 2, 0, 1, 0, 0);
    EXPECT_FALSE(x.vIntersect(parallel));
    ZqVector3 a;
    ZqVector3 b;
    x.closestPoint(parallel, &a, &b);
    EXPECT_TRUE(a.equals(ZqVector3(0, 0, 0)));
    EXPECT_TRUE(b.equals(ZqVector3(0, 2, 0)));
    EXPECT_FLOAT_EQ(x.distance(parallel), 2.0f);
    // Crossing and skew lines.
    EXPECT_TRUE(x.vIntersect(ZqDgLine(2, 5, 0, 0, 1, 0)));
    EXPECT_FALSE(x.vIntersect(ZqDgLine(2, 5, 1, 0, 1, 0)));
    EXPECT_FLOAT_EQ(x.distance(ZqDgLine(2, 5, 1, 0, 1, 0)), 1.0f);
    // The point test with a tolerance and through the table (1e-8 on the squared distance).
    EXPECT_TRUE(x.intersect(ZqDgPoint(4, 0.3f, 0), 0.31f));
    EXPECT_FALSE(x.vIntersect(ZqDgPoint(4, 0.001f, 0)));
}

TEST(LineTest, LineAndPlane) {
    const ZqDgPlane ground(0, 1, 0, 1);
    // A line in the plane, or parallel to it, does not cross it.
    EXPECT_FALSE(ZqDgLine(0, 1, 0, 1, 0, 0).vIntersect(ground));
    EXPECT_TRUE(ZqDgLine(0, 5, 0, 1, -1, 0).vIntersect(ground));
    float t = -1.0f;
    ZqVector3 p(9, 9, 9);
    EXPECT_TRUE(ZqDgLine(0, 5, 0, 0, -1, 0).intersect(ground, &t, &p));
    EXPECT_FLOAT_EQ(t, 4.0f);
    EXPECT_TRUE(p.equals(ZqVector3(0, 1, 0)));
    t = -1.0f;
    EXPECT_FALSE(ZqDgLine(0, 5, 0, 1, 0, 0).intersect(ground, &t, &p));
    EXPECT_EQ(t, -1.0f);
}

TEST(SegmentTest, SegmentAndPlane) {
    const ZqDgPlane ground(0, 1, 0, 0);
    // Ending exactly on the plane counts (t = 1).
    EXPECT_TRUE(ZqDgSegment(0, 2, 0, 0, 0, 0).vIntersect(ground));
    EXPECT_FALSE(ZqDgSegment(0, 2, 0, 0, 1, 0).vIntersect(ground));
    EXPECT_FALSE(ZqDgSegment(0, 1, 0, 5, 1, 0).vIntersect(ground));
    // t is written even when the crossing lies outside; p only inside.
    float t = 0.0f;
    ZqVector3 p(9, 9, 9);
    EXPECT_FALSE(ZqDgSegment(0, 2, 0, 0, 1, 0).intersect(ground, &t, &p));
    EXPECT_FLOAT_EQ(t, 2.0f);
    EXPECT_TRUE(p.equals(ZqVector3(9, 9, 9)));
    EXPECT_TRUE(ZqDgSegment(0, 2, 0, 0, -2, 0).intersect(ground, &t, &p));
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_TRUE(p.epsilonEquals(ZqVector3(0, 0, 0), 0.0f));
}

TEST(SegmentTest, SegmentPairs) {
    const ZqDgSegment s(0, 0, 0, 1, 0, 0);
    // Sharing an end: distance 0 under the table's 1e-8.
    EXPECT_TRUE(s.vIntersect(ZqDgSegment(1, 0, 0, 1, 5, 0)));
    EXPECT_FALSE(s.vIntersect(ZqDgSegment(1.001f, 0, 0, 1.001f, 5, 0)));
    EXPECT_TRUE(s.intersect(ZqDgSegment(1.001f, 0, 0, 1.001f, 5, 0), 0.002f));
    // Parallel (den = 0): s starts at 0 and the clamp of t fixes it.
    ZqVector3 a;
    ZqVector3 b;
    s.closestPoint(ZqDgSegment(2, 1, 0, 3, 1, 0), &a, &b);
    EXPECT_TRUE(a.equals(ZqVector3(1, 0, 0)));
    EXPECT_TRUE(b.equals(ZqVector3(2, 1, 0)));
    // Overlapping parallel segments keep this segment's start.
    s.closestPoint(ZqDgSegment(0.5f, 1, 0, 3, 1, 0), &a, &b);
    EXPECT_TRUE(a.equals(ZqVector3(0.5f, 0, 0)));
    EXPECT_TRUE(b.equals(ZqVector3(0.5f, 1, 0)));
    // Both degenerate: the two starts.
    ZqDgSegment(4, 4, 4, 4, 4, 4).closestPoint(ZqDgSegment(1, 1, 1, 1, 1, 1), &a, &b);
    EXPECT_TRUE(a.equals(ZqVector3(4, 4, 4)));
    EXPECT_TRUE(b.equals(ZqVector3(1, 1, 1)));
    // Through the tables, segment and sphere.
    const ZqDgSphere sphere(ZqVector3(0.5f, 2, 0), 2.0f);
    EXPECT_TRUE(s.vIntersect(sphere));
    EXPECT_FLOAT_EQ(s.vDistance(sphere), sphere.distance(s));
    s.vClosestPoint(sphere, &a, &b);
    EXPECT_TRUE(a.epsilonEquals(ZqVector3(0.5f, 0, 0), 1e-6f));
    EXPECT_TRUE(b.epsilonEquals(ZqVector3(0.5f, 0, 0), 5e-3f));
}

TEST(SegmentTest, EqualityAndValidity) {
    const ZqDgSegment s(0, 0, 0, 1, 2, 3);
    EXPECT_TRUE(s.equals(ZqDgSegment(0, 0, 0, 1, 2, 3)));
    EXPECT_FALSE(s.equals(ZqDgSegment(-0.0f, 0, 0, 1, 2, 3)));
    EXPECT_TRUE(s.epsilonEquals(ZqDgSegment(0.1f, 0, 0, 1, 2, 3.1f), 0.11f));
    EXPECT_FALSE(s.epsilonEquals(ZqDgSegment(0.1f, 0, 0, 1, 2, 3.2f), 0.11f));
    EXPECT_TRUE(s.isFinite(3.0f));
    EXPECT_FALSE(s.isFinite(2.5f));
    EXPECT_FALSE(ZqDgSegment(0, 0, 0, 1, NAN, 3).isFinite(100.0f));
    ZqDgLine l(0, 0, 0, 1, 0, 0);
    EXPECT_TRUE(l.epsilonEquals(ZqDgLine(0, 0, 0.05f, 1, 0, 0), 0.05f));
    EXPECT_TRUE(ZqDgRay(1, 2, 3, 0, 0, 1).equals(ZqDgRay(1, 2, 3, 0, 0, 2)));
}

// Segment-segment closest points against the exhaustive double minimum, and the tolerance
// test against that distance.
TEST(SegmentTest, ClosestPointsAgreeWithReference) {
    zqdgtest::Rng rng(202);
    for (int i = 0; i < 5000; ++i) {
        const ZqVector3 a1 = rng.vec(10);
        ZqVector3 b1 = a1 + rng.unit() * rng.uni(0.1f, 10);
        const ZqVector3 a2 = rng.vec(10);
        ZqVector3 b2 = a2 + rng.unit() * rng.uni(0.1f, 10);
        switch (i % 10) {
        case 0: // a point against a segment
            b1 = a1;
            break;
        case 1: // nearly parallel
            b2 = a2 + (b1 - a1) * rng.uni(0.3f, 2) + rng.vec(1e-3f);
            break;
        case 2: // exactly parallel
            b2 = a2 + (b1 - a1) * 0.5f;
            break;
        default:
            break;
        }
        const ZqDgSegment s1(a1, b1);
        const ZqDgSegment s2(a2, b2);
        ZqVector3 p1;
        ZqVector3 p2;
        s1.closestPoint(s2, &p1, &p2);
        const double ref = zqdgtest::segmentSegmentDistance(a1, b1, a2, b2);
        const double got = (D3(p1) - D3(p2)).length();
        ASSERT_NEAR(got, ref, 1e-3 + 1e-4 * ref) << "pair " << i;
        // The points lie on their segments.
        EXPECT_NEAR((zqdgtest::closestOnSegment(p1, a1, b1) - D3(p1)).length(), 0.0, 1e-3);
        EXPECT_NEAR((zqdgtest::closestOnSegment(p2, a2, b2) - D3(p2)).length(), 0.0, 1e-3);
        EXPECT_NEAR(s1.distance(s2), ref, 0.002 * ref + 1e-3);
        const float tol = rng.uni(0, 3);
        if (std::fabs(ref - tol) > 1e-3) {
            EXPECT_EQ(s1.intersect(s2, tol), ref < tol) << "pair " << i;
        }
    }
}

// Line-line closest points: the connecting segment is perpendicular to both lines and as long
// as the distance between them.
TEST(LineTest, ClosestPointsAgreeWithReference) {
    zqdgtest::Rng rng(303);
    for (int i = 0; i < 4000; ++i) {
        const ZqDgLine l1 = zqdgtest::lineOf(rng.vec(10), rng.unit());
        const ZqDgLine l2 = zqdgtest::lineOf(rng.vec(10), rng.unit());
        const D3 n = D3(l1.m_direction).cross(D3(l2.m_direction));
        if (n.length() < 0.05) {
            continue;
        }
        const double ref = std::fabs((D3(l1.m_origin) - D3(l2.m_origin)).dot(n)) / n.length();
        ZqVector3 p1;
        ZqVector3 p2;
        l1.closestPoint(l2, &p1, &p2);
        const D3 gap = D3(p1) - D3(p2);
        EXPECT_NEAR(gap.length(), ref, 2e-3);
        EXPECT_NEAR(l1.distance(l2), ref, 2e-3);
        EXPECT_NEAR(ZqDgPoint(p1.x, p1.y, p1.z).distance(l1), 0.0f, 2e-3f);
        EXPECT_NEAR(ZqDgPoint(p2.x, p2.y, p2.z).distance(l2), 0.0f, 2e-3f);
    }
}
