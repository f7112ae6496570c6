// Rectangle and polygon tests: edges and corners belong to the rectangle, the height limit of
// the point test, squared distances and clamped closest points, touching spheres, validity and
// equality of both figures, and the rectangle against a double-precision reference.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using zqdgtest::D3;

namespace {

const ZqVector3 UNSET(123.0f, 456.0f, 789.0f);

// Centre (1, 2, 3), half extents 2 along x and 1 along z: the normal x x z is -y.
ZqDgRectangle xzRectangle() {
    const ZqVector3 axes[2] = {ZqVector3(1, 0, 0), ZqVector3(0, 0, 1)};
    const float half[2] = {2.0f, 1.0f};
    return ZqDgRectangle(ZqVector3(1, 2, 3), axes, half);
}

} // namespace

TEST(RectangleTest, Points) {
    const ZqDgRectangle r = xzRectangle();
    const float eps = ZqDgFigure::getEpsilon();
    struct Row {
        const char* where;
        ZqVector3 p;
        bool on;
        float distanceSquared;
        ZqVector3 closest;
    };
    const Row rows[] = {
        {"centre", ZqVector3(1, 2, 3), true, 0.0f, ZqVector3(1, 2, 3)},
        {"on an edge", ZqVector3(3, 2, 3.5f), true, 0.0f, ZqVector3(3, 2, 3.5f)},
        {"on a corner", ZqVector3(-1, 2, 2), true, 0.0f, ZqVector3(-1, 2, 2)},
        {"2 epsilon above the centre", ZqVector3(1, 2 + 2 * eps, 3), false, 4 * eps * eps,
         ZqVector3(1, 2, 3)},
        {"3 above the centre", ZqVector3(1, 5, 3), false, 9.0f, ZqVector3(1, 2, 3)},
        {"2 beyond an edge in the plane", ZqVector3(5, 2, 3), false, 4.0f, ZqVector3(3, 2, 3)},
        {"beyond a corner", ZqVector3(4, 0, 5), false, 1 + 4 + 1, ZqVector3(3, 2, 4)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.where);
        const ZqDgPoint p(row.p.x, row.p.y, row.p.z);
        EXPECT_EQ(r.intersect(p), row.on);
        EXPECT_EQ(r.vIntersect(p), row.on);
        EXPECT_EQ(p.vIntersect(r), row.on);
        EXPECT_NEAR(r.distanceSquared(p), row.distanceSquared, 1e-5f * (1 + row.distanceSquared));
        EXPECT_EQ(p.vDistanceSquared(r), r.vDistanceSquared(p));
        EXPECT_NEAR(r.vDistance(p), std::sqrt(row.distanceSquared),
                    0.002f * std::sqrt(row.distanceSquared) + 1e-4f);
        ZqVector3 onRect = UNSET;
        ZqVector3 onPoint = UNSET;
        r.vClosestPoint(p, &onRect, &onPoint);
        EXPECT_TRUE(onRect.epsilonEquals(row.closest, 1e-6f));
        EXPECT_TRUE(onPoint.equals(row.p));
        p.vClosestPoint(r, &onPoint, &onRect);
        EXPECT_TRUE(onRect.epsilonEquals(row.closest, 1e-6f));
    }
}

TEST(RectangleTest, Spheres) {
    const ZqDgRectangle r = xzRectangle();
    // Touching the edge at x = 3 exactly: r^2 equals the squared distance.
    const ZqDgSphere touching(ZqVector3(5, 2, 3), 2.0f);
    EXPECT_TRUE(r.intersect(touching));
    EXPECT_TRUE(touching.vIntersect(r));
    EXPECT_FALSE(r.vIntersect(ZqDgSphere(ZqVector3(5.01f, 2, 3), 2.0f)));
    const ZqDgSphere above(ZqVector3(0, 6, 3), 1.0f);
    EXPECT_NEAR(r.vDistance(above), 3.0f, 0.01f);
    EXPECT_EQ(r.vDistance(above), above.vDistance(r));
    EXPECT_FLOAT_EQ(r.vDistanceSquared(above), r.distance(above) * r.distance(above));
    ZqVector3 onRect = UNSET;
    ZqVector3 onSphere = UNSET;
    r.vClosestPoint(above, &onRect, &onSphere);
    EXPECT_TRUE(onRect.equals(ZqVector3(0, 2, 3)));
    EXPECT_TRUE(onSphere.epsilonEquals(ZqVector3(0, 5, 3), 2e-3f));
    // A centre on the rectangle: only the rectangle's point.
    onSphere = UNSET;
    r.closestPoint(ZqDgSphere(ZqVector3(0, 2, 3), 1.0f), &onRect, &onSphere);
    EXPECT_TRUE(onRect.equals(ZqVector3(0, 2, 3)));
    EXPECT_TRUE(onSphere.equals(UNSET));
}

TEST(RectangleTest, ValidityAndEquality) {
    ZqDgRectangle r = xzRectangle();
    EXPECT_TRUE(r.isFinite(10.0f));
    EXPECT_FALSE(r.isFinite(2.5f));
    EXPECT_TRUE(r.isFinite(0.0f, 3.0f));
    r.setRadius(0.0f, 1.0f);
    EXPECT_FALSE(r.isFinite(10.0f));
    r = xzRectangle();
    r.m_axis[1].z = 1.001f;
    EXPECT_FALSE(r.isFinite(10.0f));

    r = xzRectangle();
    r.setCenter(ZqVector3(1, 2, 3.05f));
    EXPECT_FALSE(r.equals(xzRectangle()));
    EXPECT_TRUE(r.epsilonEquals(xzRectangle(), 0.1f));
    EXPECT_FALSE(r.epsilonEquals(xzRectangle(), 0.01f));
    r.setCenter(ZqVector3(1, 2, 3));
    EXPECT_TRUE(r.equals(xzRectangle()));
    r.m_radius[1] = 1.5f;
    EXPECT_FALSE(r.epsilonEquals(xzRectangle(), 0.1f));
}

TEST(PolygonTest, EqualityAndValidity) {
    const ZqVector3 pts[3] = {ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), ZqVector3(0, 1, 0)};
    const ZqVector3 shuffled[3] = {pts[1], pts[0], pts[2]};
    const ZqDgPolygon a(3, pts);
    EXPECT_TRUE(a.equals(ZqDgPolygon(3, pts)));
    EXPECT_FALSE(a.equals(ZqDgPolygon(3, shuffled)));
    EXPECT_FALSE(a.equals(ZqDgPolygon(2, pts)));
    EXPECT_TRUE(ZqDgPolygon().equals(ZqDgPolygon()));
    EXPECT_TRUE(ZqDgPolygon().epsilonEquals(ZqDgPolygon(), 0.0f));
    EXPECT_FALSE(a.epsilonEquals(ZqDgPolygon(2, pts), 1.0f));
    ZqDgPolygon near = a;
    near.setPoint(2, ZqVector3(0.05f, 1.05f, -0.05f));
    EXPECT_TRUE(a.epsilonEquals(near, 0.1f));
    EXPECT_FALSE(a.epsilonEquals(near, 0.01f));
    EXPECT_FALSE(a.equals(near));

    // The point count counts against the limit too.
    ZqVector3 twelve[12];
    for (int i = 0; i < 12; ++i) {
        twelve[i] = ZqVector3(static_cast<float>(i) * 8.0f, 1, -5);
    }
    const ZqDgPolygon big(12, twelve);
    EXPECT_FALSE(big.isFinite(10.0f));
    EXPECT_TRUE(big.isFinite(100.0f));
    EXPECT_TRUE(big.isFinite(-5.0f, 88.0f));
    EXPECT_FALSE(big.isFinite(-5.0f, 11.0f));
    EXPECT_TRUE(ZqDgPolygon().isFinite(0.0f));
}

TEST(RectangleTest, AgreesWithReference) {
    zqdgtest::Rng rng(6123);
    for (int i = 0; i < 3000; ++i) {
        // Orthonormal axes from two random directions.
        const ZqVector3 u = rng.unit();
        const ZqVector3 w = ZqVector3().normalize(ZqVector3().cross(u, rng.unit()));
        const ZqVector3 axes[2] = {u, w};
        const float half[2] = {rng.uni(0.5f, 5), rng.uni(0.5f, 5)};
        const ZqDgRectangle r(rng.vec(10), axes, half);
        // The reference: the rectangle's nearest point by clamping in double.
        const ZqVector3 p = rng.vec(15);
        const D3 d = D3(p) - D3(r.m_center);
        const D3 a0(r.m_axis[0]);
        const D3 a1(r.m_axis[1]);
        const double t0 = std::clamp(a0.dot(d), -double(half[0]), double(half[0]));
        const double t1 = std::clamp(a1.dot(d), -double(half[1]), double(half[1]));
        const D3 q = D3(r.m_center) + a0 * t0 + a1 * t1;
        const double dist = (q - D3(p)).length();
        const ZqDgPoint pt(p.x, p.y, p.z);
        EXPECT_NEAR(std::sqrt(r.distanceSquared(pt)), dist, 1e-3 * (1 + dist)) << "rect " << i;
        ZqVector3 onRect;
        ZqVector3 onPoint;
        r.closestPoint(pt, &onRect, &onPoint);
        EXPECT_NEAR((D3(onRect) - q).length(), 0.0, 1e-4 * (1 + dist));

        const ZqDgSphere s(rng.vec(12), rng.uni(0.5f, 6));
        const D3 ds = D3(s.m_center) - D3(r.m_center);
        const D3 qs = D3(r.m_center) +
                      a0 * std::clamp(a0.dot(ds), -double(half[0]), double(half[0])) +
                      a1 * std::clamp(a1.dot(ds), -double(half[1]), double(half[1]));
        const double sd = (qs - D3(s.m_center)).length();
        EXPECT_NEAR(s.distance(r), sd - s.m_radius, 0.002 * sd + 1e-3);
        if (std::fabs(sd - s.m_radius) > 1e-3) {
            EXPECT_EQ(r.intersect(s), sd < s.m_radius);
        }
    }
}
