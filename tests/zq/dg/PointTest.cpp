// Point tests: the decisive cases (per-axis point equality, the open segment, the 1e-8 line
// bound, surfaces counting as inside), the shared epsilon, the forwarding pairs, and every
// distance and membership test against a double-precision reference on random figures.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <cmath>

using zqdgtest::D3;

namespace {

// Relative error of the fast square root after its one refining step, with room to spare.
constexpr double FAST_SQRT_ERROR = 0.002;

ZqDgPoint pt(const float x, const float y, const float z) {
    return ZqDgPoint(x, y, z);
}

} // namespace

TEST(PointTest, Membership) {
    const float e = ZqDgFigure::getEpsilon();
    const ZqDgSegment seg(0, 0, 0, 2, 0, 0);
    const ZqDgLine xAxis(0, 0, 0, 1, 0, 0);
    const ZqDgSphere unitSphere(ZqVector3(0, 0, 0), 1.0f);
    const ZqDgAxisAlignedBoundingBox box(0, 0, 0, 1, 1, 1);
    const ZqDgCylindroid cyl(ZqVector3(-1, -1, -1), ZqVector3(1, 1, 1));
    const ZqVector3 axes[3] = {ZqVector3(1, 1, 0), ZqVector3(-1, 1, 0), ZqVector3(0, 0, 1)};
    const float halves[3] = {2, 1, 1};
    const ZqDgOrientedBoundingBox obb(ZqVector3(0, 0, 0), axes, halves);
    const ZqDgPlane ground(0, 1, 0, 0);
    struct Row {
        int line;
        ZqDgPoint p;
        const ZqDgFigure* other;
        bool expected;
    };
    const ZqDgPoint origin = pt(0, 0, 0);
    const Row rows[] = {
        // Points: a box of epsilon per axis, so the corner at distance epsilon * sqrt(3) counts.
        {__LINE__, pt(e, e, e), &origin, true},
        {__LINE__, pt(e * 1.01f, 0, 0), &origin, false},
        // The open segment: its ends are not on it, its middle is.
        {__LINE__, pt(0, 0, 0), &seg, false},
        {__LINE__, pt(2, 0, 0), &seg, false},
        {__LINE__, pt(1, 0, 0), &seg, true},
        {__LINE__, pt(0.001f, e * 0.9f, 0), &seg, true},
        {__LINE__, pt(0.001f, e * 1.1f, 0), &seg, false},
        // The line: a fixed 1e-8 on the squared distance.
        {__LINE__, pt(5, std::sqrt(0.5e-8f), 0), &xAxis, true},
        {__LINE__, pt(5, std::sqrt(2e-8f), 0), &xAxis, false},
        // Surfaces belong to the solids.
        {__LINE__, pt(1, 0, 0), &unitSphere, true},
        {__LINE__, pt(1.0001f, 0, 0), &unitSphere, false},
        {__LINE__, pt(1, 0.5f, 0), &box, true},
        {__LINE__, pt(1.000001f, 0.5f, 0), &box, false},
        {__LINE__, pt(0, 1, 0), &cyl, true},
        {__LINE__, pt(1, 0, 0), &cyl, true},
        {__LINE__, pt(0, 0.8f, 0.8f), &cyl, false},
        {__LINE__, pt(1.01f, 0, 0), &cyl, false},
        {__LINE__, pt(1.4f, 1.4f, 0), &obb, true},
        {__LINE__, pt(2, -0.5f, 0), &obb, false},
        {__LINE__, pt(3, e * 0.5f, -7), &ground, true},
        {__LINE__, pt(3, e * 2.0f, -7), &ground, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.p.vIntersect(*r.other), r.expected) << "row at line " << r.line;
    }
}

TEST(PointTest, SharedEpsilonReachesOnlyItsTests) {
    const float saved = ZqDgFigure::getEpsilon();
    ZqDgFigure::setEpsilon(0.5f);
    EXPECT_TRUE(pt(0, 0.49f, 0).intersect(ZqDgPlane(0, 1, 0, 0)));
    EXPECT_TRUE(pt(0.4f, -0.4f, 0.4f).intersect(pt(0, 0, 0)));
    EXPECT_FALSE(pt(5, 0.01f, 0).intersect(ZqDgLine(0, 0, 0, 1, 0, 0)));
    ZqDgFigure::setEpsilon(saved);
    EXPECT_FALSE(pt(0, 0.49f, 0).intersect(ZqDgPlane(0, 1, 0, 0)));
}

TEST(PointTest, DistancesAndClosestPoints) {
    const ZqDgPlane ground(0, 1, 0, 2);
    EXPECT_FLOAT_EQ(pt(0, -1, 0).distance(ground), -3.0f);
    EXPECT_FLOAT_EQ(pt(0, -1, 0).distanceSquared(ground), pt(0, 5, 0).distanceSquared(ground));

    // Beyond either end the segment's closest point is that end; a zero-length segment is
    // its start.
    ZqVector3 onPoint;
    ZqVector3 onOther;
    const ZqDgSegment seg(0, 0, 0, 2, 0, 0);
    pt(-3, 1, 0).closestPoint(seg, &onPoint, &onOther);
    EXPECT_TRUE(onOther.equals(ZqVector3(0, 0, 0)));
    EXPECT_TRUE(onPoint.equals(ZqVector3(-3, 1, 0)));
    pt(9, 1, 0).closestPoint(seg, &onPoint, &onOther);
    EXPECT_TRUE(onOther.equals(ZqVector3(2, 0, 0)));
    pt(9, 1, 0).closestPoint(ZqDgSegment(1, 1, 1, 1, 1, 1), &onPoint, &onOther);
    EXPECT_TRUE(onOther.equals(ZqVector3(1, 1, 1)));

    // Through the tables: the point first, the box's point second, the box's own answer
    // reversed.
    const ZqDgAxisAlignedBoundingBox box(0, 0, 0, 1, 1, 1);
    const ZqDgPoint p = pt(3, 0.5f, -2);
    ZqVector3 a;
    ZqVector3 b;
    p.vClosestPoint(box, &a, &b);
    ZqVector3 c;
    ZqVector3 d;
    box.vClosestPoint(p, &c, &d);
    EXPECT_TRUE(a.equals(p.m_position));
    EXPECT_TRUE(b.equals(ZqVector3(1, 0.5f, -1)));
    EXPECT_TRUE(a.equals(d));
    EXPECT_TRUE(b.equals(c));

    const ZqDgSphere sphere(ZqVector3(1, 2, 3), 0.5f);
    const float dist = p.vDistance(sphere);
    EXPECT_EQ(p.vDistanceSquared(sphere), dist * dist);
}

// Every distance and membership test against the same computed in double precision.
TEST(PointTest, AgreesWithReference) {
    zqdgtest::Rng rng(101);
    const float saved = ZqDgFigure::getEpsilon();
    for (int i = 0; i < 4000; ++i) {
        const ZqDgPoint p(rng.uni(-20, 20), rng.uni(-20, 20), rng.uni(-20, 20));
        const D3 dp(p.m_position);

        const ZqDgSegment seg(rng.vec(20), rng.vec(20));
        const D3 q = zqdgtest::closestOnSegment(dp, seg.m_start, seg.m_end);
        const double segDist = (q - dp).length();
        EXPECT_NEAR(p.distance(seg), segDist, segDist * FAST_SQRT_ERROR + 1e-3);
        ZqVector3 onP;
        ZqVector3 onSeg;
        p.closestPoint(seg, &onP, &onSeg);
        EXPECT_NEAR((D3(onSeg) - q).length(), 0.0, 1e-3);

        const ZqDgLine line = zqdgtest::lineOf(rng.vec(20), rng.unit());
        const D3 o(line.m_origin);
        const D3 u(line.m_direction);
        const D3 foot = o + u * (dp - o).dot(u);
        EXPECT_NEAR(p.distance(line), (dp - foot).length(), 1e-3);
        p.closestPoint(line, &onP, &onSeg);
        EXPECT_NEAR((D3(onSeg) - foot).length(), 0.0, 1e-3);

        const ZqDgPlane plane(rng.unit(), rng.uni(-10, 10));
        const double e = D3(plane.m_normal).dot(dp) - plane.m_distance;
        EXPECT_NEAR(p.distance(plane), e, 1e-3);

        const ZqDgSphere sphere(rng.vec(20), rng.uni(0.5f, 15));
        const double sd = (D3(sphere.m_center) - dp).length();
        EXPECT_NEAR(p.distance(sphere), sd - sphere.m_radius, sd * FAST_SQRT_ERROR + 1e-3);
        if (std::fabs(sd - sphere.m_radius) > 1e-3) {
            EXPECT_EQ(p.intersect(sphere), sd < sphere.m_radius);
        }

        const ZqVector3 c = rng.vec(15);
        const ZqVector3 h(rng.uni(0.5f, 10), rng.uni(0.5f, 10), rng.uni(0.5f, 10));
        const ZqDgAxisAlignedBoundingBox box(c.x, c.y, c.z, h.x, h.y, h.z);
        const double bd = zqdgtest::pointBoxDistance(dp, c, h);
        EXPECT_NEAR(p.distance(box), bd, bd * FAST_SQRT_ERROR + 1e-3);

        // The framed solids: the point's coordinates in their frames, in double.
        const ZqQuat rot = ZqQuat(rng.uni(-1, 1), rng.uni(-1, 1), rng.uni(-1, 1), 1).normalize();
        const float sizes[3] = {rng.uni(1, 10), rng.uni(1, 10), rng.uni(1, 10)};
        const ZqDgOrientedBoundingBox obb(c, rot, sizes);
        const ZqDgCylindroid cyl(c, rot, sizes);
        double t[3];
        for (int k = 0; k < 3; ++k) {
            t[k] = D3(obb.m_axis[k]).dot(dp - D3(c));
        }
        double boxMargin = 1e9;
        bool inBox = true;
        for (int k = 0; k < 3; ++k) {
            boxMargin = std::min(boxMargin, std::fabs(std::fabs(t[k]) - sizes[k]));
            inBox = inBox && std::fabs(t[k]) <= sizes[k];
        }
        if (boxMargin > 1e-3) {
            EXPECT_EQ(p.intersect(obb), inBox);
        }
        const double ell =
            (t[1] / sizes[1]) * (t[1] / sizes[1]) + (t[2] / sizes[2]) * (t[2] / sizes[2]);
        if (std::fabs(std::fabs(t[0]) - sizes[0]) > 1e-3 && std::fabs(ell - 1.0) > 1e-3) {
            EXPECT_EQ(p.intersect(cyl), std::fabs(t[0]) <= sizes[0] && ell <= 1.0);
        }
    }
    EXPECT_EQ(ZqDgFigure::getEpsilon(), saved);
}
