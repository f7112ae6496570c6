// Axis-aligned box tests: the closed box (faces inside, touching boxes and planes), the
// push-out onto the nearest face and its tie order, the slab crossings with their parameters,
// distances, the sphere's closest points, and the slab and separating-axis tests against a
// double-precision reference on random boxes, segments and lines.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <cmath>

using zqdgtest::D3;

namespace {

const ZqDgAxisAlignedBoundingBox UNIT_BOX(0, 0, 0, 1, 1, 1);
const ZqVector3 UNSET(123.0f, 456.0f, 789.0f);

// Line-box entry and exit in double: false when the line misses the box.
bool slab(const D3& o, const D3& u, const D3& c, const D3& h, double& tmin, double& tmax) {
    tmin = -1e300;
    tmax = 1e300;
    for (int i = 0; i < 3; ++i) {
        if (u[i] == 0.0) {
            if (std::fabs(o[i] - c[i]) > h[i]) {
                return false;
            }
            continue;
        }
        double t1 = (c[i] - h[i] - o[i]) / u[i];
        double t2 = (c[i] + h[i] - o[i]) / u[i];
        if (t1 > t2) {
            std::swap(t1, t2);
        }
        tmin = std::max(tmin, t1);
        tmax = std::min(tmax, t2);
    }
    return tmin <= tmax;
}

} // namespace

TEST(AxisAlignedBoxTest, ClosedBoxAndPushOut) {
    EXPECT_TRUE(UNIT_BOX.vIntersect(ZqDgPoint(1, 0.3f, -0.2f)));
    EXPECT_FALSE(UNIT_BOX.vIntersect(ZqDgPoint(1.000001f, 0.3f, -0.2f)));
    EXPECT_TRUE(UNIT_BOX.vIntersect(ZqDgAxisAlignedBoundingBox(2, 0, 0, 1, 1, 1)));
    EXPECT_FALSE(UNIT_BOX.vIntersect(ZqDgAxisAlignedBoundingBox(2.001f, 0, 0, 1, 1, 1)));
    EXPECT_TRUE(UNIT_BOX.vIntersect(ZqDgPlane(1, 0, 0, 1)));
    EXPECT_FALSE(UNIT_BOX.vIntersect(ZqDgPlane(1, 0, 0, 1.5f)));

    struct Row {
        int line;
        ZqVector3 p;
        ZqVector3 exit;
        ZqVector3 closest;
    };
    const Row rows[] = {
        {__LINE__, ZqVector3(0.9f, 0, 0), ZqVector3(1, 0, 0), ZqVector3(1, 0, 0)},
        // x and y tie: x wins.
        {__LINE__, ZqVector3(0.5f, 0.5f, 0), ZqVector3(1, 0.5f, 0), ZqVector3(1, 0.5f, 0)},
        {__LINE__, ZqVector3(0, 0, 0.9f), ZqVector3(0, 0, 1), ZqVector3(0, 0, 1)},
        {__LINE__, ZqVector3(0, -0.7f, 0), ZqVector3(0, -1, 0), ZqVector3(0, -1, 0)},
        // The centre: the exit goes to +x; the closest point stays (every sign is 0).
        {__LINE__, ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), ZqVector3(0, 0, 0)},
        {__LINE__, ZqVector3(0.5f, 0.2f, 0), ZqVector3(1, 0.2f, 0), ZqVector3(1, 0.2f, 0)},
    };
    for (const Row& r : rows) {
        ZqVector3 exit = UNSET;
        EXPECT_TRUE(UNIT_BOX.intersect(ZqDgPoint(r.p.x, r.p.y, r.p.z), &exit));
        EXPECT_TRUE(exit.equals(r.exit)) << "line " << r.line;
        ZqVector3 onBox;
        ZqVector3 onPoint;
        UNIT_BOX.closestPoint(ZqDgPoint(r.p.x, r.p.y, r.p.z), &onBox, &onPoint);
        EXPECT_TRUE(onBox.equals(r.closest)) << "line " << r.line;
        EXPECT_TRUE(onPoint.equals(r.p)) << "line " << r.line;
    }
    ZqVector3 exit = UNSET;
    EXPECT_FALSE(UNIT_BOX.intersect(ZqDgPoint(2, 0, 0), &exit));
    EXPECT_TRUE(exit.equals(UNSET));
}

TEST(AxisAlignedBoxTest, Crossings) {
    float tNear = 0.0f;
    float tFar = 0.0f;
    ZqVector3 pNear;
    ZqVector3 pFar;
    EXPECT_TRUE(UNIT_BOX.intersect(ZqDgLine(-5, 0.5f, 0, 1, 0, 0), &tNear, &tFar, &pNear, &pFar));
    EXPECT_NEAR(tNear, 4.0f, 1e-5f);
    EXPECT_NEAR(tFar, 6.0f, 1e-5f);
    EXPECT_TRUE(pNear.epsilonEquals(ZqVector3(-1, 0.5f, 0), 1e-5f));
    EXPECT_FALSE(UNIT_BOX.vIntersect(ZqDgLine(-5, 2, 0, 1, 0, 0)));
    EXPECT_TRUE(ZqDgLine(-5, 0.5f, 0, 1, 0, 0).vIntersect(UNIT_BOX));

    EXPECT_FALSE(UNIT_BOX.vIntersect(ZqDgSegment(-5, 0, 0, -2, 0, 0)));
    EXPECT_TRUE(UNIT_BOX.vIntersect(ZqDgSegment(-5, 0, 0, 5, 0, 0)));
    EXPECT_TRUE(ZqDgSegment(-5, 0, 0, 5, 0, 0).vIntersect(UNIT_BOX));
    tNear = -1.0f;
    EXPECT_FALSE(UNIT_BOX.intersect(ZqDgSegment(-5, 0, 0, -2, 0, 0), &tNear, &tFar, &pNear, &pFar));
    EXPECT_EQ(tNear, -1.0f);
    EXPECT_TRUE(UNIT_BOX.intersect(ZqDgSegment(-5, 0, 0, 5, 0, 0), &tNear, &tFar, &pNear, &pFar));
    EXPECT_NEAR(tNear, 0.4f, 1e-6f);
    EXPECT_NEAR(tFar, 0.6f, 1e-6f);
    // A segment inside keeps its whole range.
    EXPECT_TRUE(
        UNIT_BOX.intersect(ZqDgSegment(-0.5f, 0, 0, 0.5f, 0, 0), &tNear, &tFar, &pNear, &pFar));
    EXPECT_EQ(tNear, 0.0f);
    EXPECT_EQ(tFar, 1.0f);
}

TEST(AxisAlignedBoxTest, DistancesAndSphere) {
    EXPECT_EQ(UNIT_BOX.distance(ZqDgPoint(0.5f, 0, 0)), 0.0f);
    EXPECT_NEAR(UNIT_BOX.vDistance(ZqDgPoint(3, 0, 0)), 2.0f, 0.004f);
    EXPECT_EQ(UNIT_BOX.vDistanceSquared(ZqDgPoint(3, 0, 0)), 4.0f);
    const ZqDgSphere centred(ZqVector3(0, 0, 0), 0.5f);
    EXPECT_EQ(UNIT_BOX.vDistance(centred), -0.5f);
    EXPECT_TRUE(UNIT_BOX.vIntersect(ZqDgSphere(ZqVector3(2, 0, 0), 1.0f)));
    EXPECT_FALSE(UNIT_BOX.vIntersect(ZqDgSphere(ZqVector3(2, 1, 0), 0.99f)));
    ZqVector3 onBox;
    ZqVector3 onSphere = UNSET;
    UNIT_BOX.vClosestPoint(centred, &onBox, &onSphere);
    EXPECT_TRUE(onBox.equals(ZqVector3(0, 0, 0)));
    EXPECT_TRUE(onSphere.equals(UNSET));
    UNIT_BOX.vClosestPoint(ZqDgSphere(ZqVector3(4, 0.5f, 0), 1.0f), &onBox, &onSphere);
    EXPECT_TRUE(onBox.equals(ZqVector3(1, 0.5f, 0)));
    EXPECT_TRUE(onSphere.epsilonEquals(ZqVector3(3, 0.5f, 0), 0.01f));
    // The sphere asking gets the same points the other way round.
    ZqVector3 a;
    ZqVector3 b;
    ZqDgSphere(ZqVector3(4, 0.5f, 0), 1.0f).vClosestPoint(UNIT_BOX, &a, &b);
    EXPECT_TRUE(a.equals(onSphere));
    EXPECT_TRUE(b.equals(onBox));

    const ZqDgAxisAlignedBoundingBox box(1, 2, 3, 0.5f, 1, 1.5f);
    EXPECT_EQ(box.getMinX(), 0.5f);
    EXPECT_EQ(box.getMaxZ(), 4.5f);
    EXPECT_TRUE(box.epsilonEquals(ZqDgAxisAlignedBoundingBox(1.1f, 2, 3, 0.5f, 1, 1.4f), 0.11f));
    EXPECT_FALSE(box.epsilonEquals(ZqDgAxisAlignedBoundingBox(1, 2, 3, 0.5f, 1, 1.3f), 0.11f));
}

// The separating-axis segment test, the slab crossings and the plane and box overlaps
// against distances and slabs computed in double.
TEST(AxisAlignedBoxTest, AgreesWithReference) {
    zqdgtest::Rng rng(505);
    for (int i = 0; i < 5000; ++i) {
        const ZqVector3 c = rng.vec(5);
        const ZqVector3 h(rng.uni(0.2f, 4), rng.uni(0.2f, 4), rng.uni(0.2f, 4));
        const ZqDgAxisAlignedBoundingBox box(c.x, c.y, c.z, h.x, h.y, h.z);
        ZqVector3 a = rng.vec(10);
        ZqVector3 b = rng.vec(10);
        if (i % 8 == 0) {
            // Along an axis, where the cross-product axes degenerate.
            b = a;
            b.x += rng.uni(-10, 10);
        }
        const ZqDgSegment seg(a, b);
        const double d = zqdgtest::segmentBoxDistance(a, b, c, h);
        if (d > 1e-3) {
            EXPECT_FALSE(box.intersect(seg)) << "pair " << i;
        } else if (d == 0.0) {
            EXPECT_TRUE(box.intersect(seg)) << "pair " << i;
        }
        double tmin = 0.0;
        double tmax = 0.0;
        const D3 u = D3(b) - D3(a);
        const bool hit = slab(a, u, c, h, tmin, tmax) && tmax >= 0.0 && tmin <= 1.0;
        float tNear = 0.0f;
        float tFar = 0.0f;
        ZqVector3 pNear;
        ZqVector3 pFar;
        if (d > 1e-3 || d == 0.0) {
            ASSERT_EQ(box.intersect(seg, &tNear, &tFar, &pNear, &pFar), d == 0.0) << "pair " << i;
        }
        if (hit && d == 0.0 && tmax - tmin > 1e-3) {
            EXPECT_NEAR(tNear, std::max(tmin, 0.0), 1e-4);
            EXPECT_NEAR(tFar, std::min(tmax, 1.0), 1e-4);
        }

        const ZqDgLine line = zqdgtest::lineOf(rng.vec(10), rng.unit());
        const bool lineHit = slab(line.m_origin, line.m_direction, c, h, tmin, tmax);
        if (!lineHit || tmax - tmin > 1e-3) {
            ASSERT_EQ(box.intersect(line, &tNear, &tFar, &pNear, &pFar), lineHit) << "pair " << i;
            EXPECT_EQ(box.intersect(line), lineHit);
            if (lineHit) {
                EXPECT_NEAR(tNear, tmin, 1e-3 * (1.0 + std::fabs(tmin)));
                EXPECT_NEAR(tFar, tmax, 1e-3 * (1.0 + std::fabs(tmax)));
            }
        }

        const ZqDgPlane plane(rng.unit(), rng.uni(-10, 10));
        const D3 n(plane.m_normal);
        const double reach = std::fabs(n.x) * h.x + std::fabs(n.y) * h.y + std::fabs(n.z) * h.z;
        const double off = std::fabs(n.dot(D3(c)) - plane.m_distance);
        if (std::fabs(off - reach) > 1e-3) {
            EXPECT_EQ(box.intersect(plane), off < reach);
        }
    }
}
