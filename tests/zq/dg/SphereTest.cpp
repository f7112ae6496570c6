// Sphere tests: touching counts, signed distances and their squares, the crossing tests with
// parameters (a segment that stays outside the sphere does not meet it), the closest points
// that leave the sphere's output alone, validity, and the pair tests against a
// double-precision reference on random figures.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <cmath>

using zqdgtest::D3;

namespace {

constexpr double FAST_SQRT_ERROR = 0.002;
const ZqVector3 UNSET(123.0f, 456.0f, 789.0f);

} // namespace

TEST(SphereTest, TouchingAndSignedDistances) {
    const ZqDgSphere s(ZqVector3(0, 0, 0), 1.0f);
    EXPECT_TRUE(s.vIntersect(ZqDgPoint(0, 1, 0)));
    EXPECT_TRUE(s.vIntersect(ZqDgSphere(ZqVector3(3, 0, 0), 2.0f)));
    EXPECT_FALSE(s.vIntersect(ZqDgSphere(ZqVector3(3.001f, 0, 0), 2.0f)));
    // Wholly behind the plane: the distance is below -r, the intersection uses |n.c - d|.
    const ZqDgPlane above(0, 1, 0, 5);
    EXPECT_LT(s.vDistance(above), -1.0f);
    EXPECT_FALSE(s.vIntersect(above));
    EXPECT_TRUE(s.vIntersect(ZqDgPlane(0, 1, 0, -1)));
    // Overlapping spheres: the square of a negative distance.
    const ZqDgSphere other(ZqVector3(1, 0, 0), 1.0f);
    EXPECT_NEAR(s.vDistance(other), -1.0f, 0.002f);
    EXPECT_NEAR(s.vDistanceSquared(other), 1.0f, 0.004f);
    EXPECT_FLOAT_EQ(s.vDistanceSquared(other), s.vDistance(other) * s.vDistance(other));
    // The box answers for the sphere: -r with the centre inside.
    EXPECT_FLOAT_EQ(s.vDistance(ZqDgAxisAlignedBoundingBox(0, 0, 0, 1, 1, 1)), -1.0f);
}

TEST(SphereTest, CrossingsWithParameters) {
    const ZqDgSphere s(ZqVector3(0, 0, 0), 1.0f);
    float t1 = 0.0f;
    float t2 = 0.0f;
    ZqVector3 p1 = UNSET;
    ZqVector3 p2 = UNSET;
    // A tangent line: one crossing, twice.
    EXPECT_TRUE(s.intersect(ZqDgLine(-5, 1, 0, 1, 0, 0), &t1, &t2, &p1, &p2));
    EXPECT_EQ(t1, t2);
    EXPECT_FLOAT_EQ(t1, 5.0f);
    // The larger parameter first.
    EXPECT_TRUE(s.intersect(ZqDgLine(-5, 0, 0, 1, 0, 0), &t1, &t2, &p1, &p2));
    EXPECT_FLOAT_EQ(t1, 6.0f);
    EXPECT_FLOAT_EQ(t2, 4.0f);
    EXPECT_TRUE(p1.epsilonEquals(ZqVector3(1, 0, 0), 1e-6f));

    struct Row {
        int line;
        ZqDgSegment segment;
        bool expected;
        bool writesP1;
        bool writesP2;
    };
    const Row rows[] = {
        // Wholly outside, though its line crosses the sphere: no crossing, no points.
        {__LINE__, ZqDgSegment(2, 0, 0, 4, 0, 0), false, false, false},
        {__LINE__, ZqDgSegment(-4, 0, 0, -2, 0, 0), false, false, false},
        // Into the sphere: the entry point only.
        {__LINE__, ZqDgSegment(-3, 0, 0, 0, 0, 0), true, false, true},
        // Through it: both.
        {__LINE__, ZqDgSegment(-3, 0, 0, 3, 0, 0), true, true, true},
        // Wholly inside: the line's crossings lie beyond both ends.
        {__LINE__, ZqDgSegment(-0.5f, 0, 0, 0.5f, 0, 0), true, false, false},
    };
    for (const Row& r : rows) {
        t1 = -99.0f;
        t2 = -99.0f;
        p1 = UNSET;
        p2 = UNSET;
        EXPECT_EQ(s.intersect(r.segment, &t1, &t2, &p1, &p2), r.expected) << "line " << r.line;
        EXPECT_NE(t1, -99.0f) << "line " << r.line;
        EXPECT_GE(t1, t2) << "line " << r.line;
        EXPECT_EQ(!p1.equals(UNSET), r.writesP1) << "line " << r.line;
        EXPECT_EQ(!p2.equals(UNSET), r.writesP2) << "line " << r.line;
        // The form without parameters agrees.
        EXPECT_EQ(s.intersect(r.segment), r.expected) << "line " << r.line;
    }
    // A line that misses writes nothing.
    t1 = -99.0f;
    EXPECT_FALSE(s.intersect(ZqDgSegment(-3, 2, 0, 3, 2, 0), &t1, &t2, &p1, &p2));
    EXPECT_EQ(t1, -99.0f);
    // A segment of zero length is a point: in the sphere it crosses at 0.
    EXPECT_TRUE(s.intersect(ZqDgSegment(0.5f, 0, 0, 0.5f, 0, 0), &t1, &t2, &p1, &p2));
    EXPECT_EQ(t1, 0.0f);
    EXPECT_TRUE(p1.equals(ZqVector3(0.5f, 0, 0)));
    EXPECT_FALSE(s.intersect(ZqDgSegment(5, 0, 0, 5, 0, 0), &t1, &t2, &p1, &p2));
}

TEST(SphereTest, ClosestPointsWithoutDirection) {
    const ZqDgSphere s(ZqVector3(1, 1, 1), 2.0f);
    ZqVector3 onSphere = UNSET;
    ZqVector3 onOther = UNSET;
    s.closestPoint(ZqDgPoint(1, 1, 1), &onSphere, &onOther);
    EXPECT_TRUE(onSphere.equals(UNSET));
    EXPECT_TRUE(onOther.equals(UNSET));
    // A line through the centre: its point is written, the sphere's is not.
    s.closestPoint(ZqDgLine(-4, 1, 1, 1, 0, 0), &onSphere, &onOther);
    EXPECT_TRUE(onSphere.equals(UNSET));
    EXPECT_TRUE(onOther.epsilonEquals(ZqVector3(1, 1, 1), 1e-6f));
    s.closestPoint(ZqDgSphere(ZqVector3(1, 1, 1.001f), 1.0f), &onSphere, &onOther);
    EXPECT_TRUE(onSphere.equals(UNSET));
    // Otherwise the sphere's point lies on its surface toward the other point.
    s.closestPoint(ZqDgPlane(0, 1, 0, -5), &onSphere, &onOther);
    EXPECT_TRUE(onOther.epsilonEquals(ZqVector3(1, -5, 1), 1e-5f));
    EXPECT_TRUE(onSphere.epsilonEquals(ZqVector3(1, -1, 1), 0.01f));
}

TEST(SphereTest, ValidityAndEquality) {
    EXPECT_TRUE(ZqDgSphere(ZqVector3(0, 0, 0), 1.0f).isFinite(10.0f));
    EXPECT_FALSE(ZqDgSphere(ZqVector3(0, 0, 0), 0.0f).isFinite(10.0f));
    EXPECT_FALSE(ZqDgSphere(ZqVector3(0, 0, 0), -1.0f).isFinite(-2.0f, 10.0f));
    EXPECT_FALSE(ZqDgSphere(ZqVector3(0, INFINITY, 0), 1.0f).isFinite(FLT_MAX));
    const ZqDgSphere s(ZqVector3(1, 2, 3), 4.0f);
    EXPECT_TRUE(s.equals(ZqDgSphere(ZqVector3(1, 2, 3), 4.0f)));
    EXPECT_FALSE(s.equals(ZqDgSphere(ZqVector3(1, 2, 3), 4.0001f)));
    EXPECT_TRUE(s.epsilonEquals(ZqDgSphere(ZqVector3(1, 2, 3.5f), 4.5f), 0.5f));
    EXPECT_FALSE(s.epsilonEquals(ZqDgSphere(ZqVector3(1, 2, 3), 4.6f), 0.5f));
}

TEST(SphereTest, AgreesWithReference) {
    zqdgtest::Rng rng(404);
    for (int i = 0; i < 4000; ++i) {
        const ZqDgSphere s(rng.vec(10), rng.uni(0.5f, 6));
        const D3 c(s.m_center);
        const double r = s.m_radius;

        const ZqDgSphere o(rng.vec(10), rng.uni(0.5f, 6));
        const double cc = (D3(o.m_center) - c).length();
        EXPECT_NEAR(s.distance(o), cc - r - o.m_radius, FAST_SQRT_ERROR * cc + 1e-3);
        if (std::fabs(cc - r - o.m_radius) > 1e-3) {
            EXPECT_EQ(s.intersect(o), cc < r + o.m_radius);
        }

        const ZqDgSegment seg(rng.vec(12), rng.vec(12));
        const double sd = (zqdgtest::closestOnSegment(c, seg.m_start, seg.m_end) - c).length();
        EXPECT_NEAR(s.distance(seg), sd - r, FAST_SQRT_ERROR * sd + 1e-3);
        if (std::fabs(sd - r) > 1e-3) {
            EXPECT_EQ(s.intersect(seg), sd < r);
            float t1 = 0.0f;
            float t2 = 0.0f;
            ZqVector3 p1;
            ZqVector3 p2;
            // The crossing form agrees with the plain one.
            EXPECT_EQ(s.intersect(seg, &t1, &t2, &p1, &p2), sd < r) << "pair " << i;
        }
        ZqVector3 onS;
        ZqVector3 onSeg;
        s.closestPoint(seg, &onS, &onSeg);
        if (sd > 0.01) {
            EXPECT_NEAR((D3(onS) - c).length(), r, FAST_SQRT_ERROR * r + 1e-3);
        }

        // Line crossings: the roots of |o + t d - c|^2 = r^2.
        const ZqDgLine line = zqdgtest::lineOf(rng.vec(12), rng.unit());
        const D3 m = D3(line.m_origin) - c;
        const double b = m.dot(D3(line.m_direction));
        const double disc = b * b - (m.dot(m) - r * r);
        float t1 = 0.0f;
        float t2 = 0.0f;
        ZqVector3 p1;
        ZqVector3 p2;
        if (std::fabs(disc) > 1e-2) {
            ASSERT_EQ(s.intersect(line, &t1, &t2, &p1, &p2), disc > 0);
            EXPECT_EQ(s.intersect(line), disc > 0);
            if (disc > 0) {
                EXPECT_NEAR(t1, -b + std::sqrt(disc), 2e-3);
                EXPECT_NEAR(t2, -b - std::sqrt(disc), 2e-3);
            }
        }
        const double ld = D3(line.m_direction).cross(c - D3(line.m_origin)).length();
        EXPECT_NEAR(s.distance(line), ld - r, 1e-3);

        const ZqVector3 bc = rng.vec(10);
        const ZqVector3 h(rng.uni(0.5f, 5), rng.uni(0.5f, 5), rng.uni(0.5f, 5));
        const ZqDgAxisAlignedBoundingBox box(bc.x, bc.y, bc.z, h.x, h.y, h.z);
        const double bd = zqdgtest::pointBoxDistance(c, bc, h);
        EXPECT_NEAR(s.distance(box), bd - r, FAST_SQRT_ERROR * bd + 1e-3);
        if (std::fabs(bd - r) > 1e-3) {
            EXPECT_EQ(s.vIntersect(box), bd < r);
        }
    }
}
