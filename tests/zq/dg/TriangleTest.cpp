// Triangle tests: the closest point in each Voronoi region, the point test on the face against
// the in-plane test, segments and lines through edges and ends, spheres, equality, and the
// closest point against a double-precision reference on random and collinear triangles.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using zqdgtest::D3;

namespace {

const ZqVector3 UNSET(123.0f, 456.0f, 789.0f);

// a = origin, b on +x, c on +y: the face normal is +z.
ZqDgTriangle flatTriangle() {
    return ZqDgTriangle(ZqVector3(0, 0, 0), ZqVector3(4, 0, 0), ZqVector3(0, 4, 0));
}

// The triangle's point nearest p, found another way: the projection when it falls inside,
// else the nearest point of the three edges.
D3 referenceClosest(const D3& a, const D3& b, const D3& c, const D3& p) {
    const D3 n = (b - a).cross(c - a);
    const double nn = n.dot(n);
    if (nn > 1e-12) {
        const D3 q = p - n * ((p - a).dot(n) / nn);
        const double u = (b - q).cross(c - q).dot(n) / nn;
        const double v = (c - q).cross(a - q).dot(n) / nn;
        if (u >= 0.0 && v >= 0.0 && u + v <= 1.0) {
            return q;
        }
    }
    const D3 e[3] = {zqdgtest::closestOnSegment(p, a, b), zqdgtest::closestOnSegment(p, b, c),
                     zqdgtest::closestOnSegment(p, c, a)};
    D3 best = e[0];
    for (const D3& q : e) {
        if ((q - p).length() < (best - p).length()) {
            best = q;
        }
    }
    return best;
}

} // namespace

TEST(TriangleTest, ClosestPointByRegion) {
    const ZqDgTriangle t = flatTriangle();
    struct Row {
        const char* region;
        ZqVector3 p;
        ZqVector3 expected;
    };
    const Row rows[] = {
        {"beyond a", ZqVector3(-1, -2, 0), ZqVector3(0, 0, 0)},
        {"beyond b", ZqVector3(6, -1, 3), ZqVector3(4, 0, 0)},
        {"beyond c", ZqVector3(-1, 7, -2), ZqVector3(0, 4, 0)},
        {"beyond ab", ZqVector3(1, -3, 1), ZqVector3(1, 0, 0)},
        {"beyond ac", ZqVector3(-2, 3, 0), ZqVector3(0, 3, 0)},
        {"beyond bc", ZqVector3(3, 3, 2), ZqVector3(2, 2, 0)},
        {"above the face", ZqVector3(1, 2, 5), ZqVector3(1, 2, 0)},
        {"below the face", ZqVector3(1, 1, -3), ZqVector3(1, 1, 0)},
        {"on corner b", ZqVector3(4, 0, 0), ZqVector3(4, 0, 0)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.region);
        ZqVector3 onTri = UNSET;
        ZqVector3 onPoint = UNSET;
        t.closestPoint(ZqDgPoint(r.p.x, r.p.y, r.p.z), &onTri, &onPoint);
        EXPECT_TRUE(onTri.epsilonEquals(r.expected, 1e-3f)) << onTri.x << " " << onTri.y;
        EXPECT_TRUE(onPoint.equals(r.p));
        const float d = (D3(r.p) - D3(r.expected)).length();
        EXPECT_NEAR(t.distance(ZqDgPoint(r.p.x, r.p.y, r.p.z)), d, 0.002f * d + 1e-4f);
    }
}

TEST(TriangleTest, PointOnFaceAgainstInPlaneTest) {
    const ZqDgTriangle t = flatTriangle();
    struct Row {
        const char* where;
        ZqDgPoint p;
        bool onFace;
        bool inPlane;
    };
    const float eps = ZqDgFigure::getEpsilon();
    const Row rows[] = {
        {"interior", ZqDgPoint(1, 1, 0), true, true},
        {"interior, just off the plane", ZqDgPoint(1, 1, 0.5f * eps), true, true},
        {"interior, 2 epsilon off the plane", ZqDgPoint(1, 1, 2 * eps), false, true},
        {"on edge ab", ZqDgPoint(2, 0, 0), false, true},
        {"on edge bc", ZqDgPoint(2, 2, 0), false, true},
        {"on corner c", ZqDgPoint(0, 4, 0), false, true},
        {"outside", ZqDgPoint(3, 3, 0), false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.where);
        EXPECT_EQ(t.intersect(r.p), r.onFace);
        EXPECT_EQ(t.vIntersect(r.p), r.onFace);
        EXPECT_EQ(r.p.vIntersect(t), r.onFace);
        EXPECT_EQ(t.intersect2D(r.p), r.inPlane);
    }
    // Collinear corners leave no face.
    const ZqDgTriangle flat(ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), ZqVector3(2, 0, 0));
    EXPECT_FALSE(flat.intersect(ZqDgPoint(1, 0, 0)));
}

TEST(TriangleTest, SegmentsAndLinesThroughTheFace) {
    const ZqDgTriangle t = flatTriangle();
    struct Row {
        const char* what;
        ZqVector3 from;
        ZqVector3 to;
        bool segment;
        float t;
        bool line;
    };
    const Row rows[] = {
        {"through the interior", ZqVector3(1, 1, 2), ZqVector3(1, 1, -2), true, 0.5f, true},
        {"ends on the face", ZqVector3(1, 1, 3), ZqVector3(1, 1, 0), true, 1.0f, true},
        {"starts on the face", ZqVector3(1, 1, 0), ZqVector3(1, 1, -3), true, 0.0f, true},
        {"through edge ab", ZqVector3(2, 0, 1), ZqVector3(2, 0, -1), true, 0.5f, false},
        {"through edge bc", ZqVector3(2, 2, 1), ZqVector3(2, 2, -1), true, 0.5f, false},
        {"through corner a", ZqVector3(0, 0, 1), ZqVector3(0, 0, -1), true, 0.5f, false},
        {"stops short", ZqVector3(1, 1, 2), ZqVector3(1, 1, 1), false, 2.0f, true},
        {"beside the face", ZqVector3(3, 3, 1), ZqVector3(3, 3, -1), false, 0.5f, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const ZqDgSegment seg(r.from, r.to);
        EXPECT_EQ(t.intersect(seg), r.segment);
        EXPECT_EQ(seg.vIntersect(t), r.segment);
        float tt = -7.0f;
        ZqVector3 p = UNSET;
        EXPECT_EQ(t.intersect(seg, &tt, &p), r.segment);
        // t is written even when it lies outside [0, 1].
        EXPECT_NEAR(tt, r.t, 1e-5f);
        if (r.segment) {
            EXPECT_TRUE(p.epsilonEquals(r.from + (r.to - r.from) * r.t, 1e-5f));
        } else {
            EXPECT_TRUE(p.equals(UNSET));
        }
        const ZqDgLine line = zqdgtest::lineOf(r.from, r.to - r.from);
        EXPECT_EQ(t.intersect(line), r.line);
        EXPECT_EQ(line.vIntersect(t), r.line);
    }
    // Parallel to the face, in its plane or above it: never.
    for (const float z : {0.0f, 1.0f}) {
        const ZqDgSegment in(ZqVector3(-1, 1, z), ZqVector3(5, 1, z));
        float tt = -7.0f;
        ZqVector3 p = UNSET;
        EXPECT_FALSE(t.intersect(in));
        EXPECT_FALSE(t.intersect(in, &tt, &p));
        EXPECT_EQ(tt, -7.0f);
        const ZqDgLine line = zqdgtest::lineOf(ZqVector3(-1, 1, z), ZqVector3(1, 0, 0));
        EXPECT_FALSE(t.intersect(line));
        EXPECT_FALSE(t.intersect(line, &tt, &p));
    }
    // The line form with outputs: t along the direction, not limited to [0, 1].
    float tt = 0.0f;
    ZqVector3 p;
    EXPECT_TRUE(t.intersect(zqdgtest::lineOf(ZqVector3(1, 1, 5), ZqVector3(0, 0, -1)), &tt, &p));
    EXPECT_NEAR(tt, 5.0f, 1e-5f);
    EXPECT_TRUE(p.epsilonEquals(ZqVector3(1, 1, 0), 1e-5f));
}

TEST(TriangleTest, Spheres) {
    const ZqDgTriangle t = flatTriangle();
    // Touching the edge ab from outside: r equals the distance.
    const ZqDgSphere touching(ZqVector3(2, -1, 0), 1.0f);
    EXPECT_TRUE(t.intersect(touching));
    EXPECT_TRUE(touching.vIntersect(t));
    EXPECT_FALSE(t.intersect(ZqDgSphere(ZqVector3(2, -1.01f, 0), 1.0f)));
    // Above the face: signed distance, and its square from both sides.
    const ZqDgSphere above(ZqVector3(1, 1, 3), 1.0f);
    EXPECT_NEAR(t.distance(above), 2.0f, 0.004f);
    EXPECT_NEAR(above.vDistance(t), 2.0f, 0.004f);
    EXPECT_NEAR(t.vDistanceSquared(above), 4.0f, 0.02f);
    const ZqDgSphere deep(ZqVector3(1, 1, 0.5f), 2.0f);
    EXPECT_LT(t.distance(deep), 0.0f);
    EXPECT_NEAR(t.distanceSquared(deep), 2.25f, 0.02f);
    ZqVector3 onTri = UNSET;
    ZqVector3 onSphere = UNSET;
    t.vClosestPoint(above, &onTri, &onSphere);
    EXPECT_TRUE(onTri.epsilonEquals(ZqVector3(1, 1, 0), 1e-4f));
    EXPECT_TRUE(onSphere.epsilonEquals(ZqVector3(1, 1, 2), 2e-3f));
    // A centre on the face: the triangle's point is written, the sphere's is left alone.
    onTri = UNSET;
    onSphere = UNSET;
    t.closestPoint(ZqDgSphere(ZqVector3(1, 1, 0), 1.0f), &onTri, &onSphere);
    EXPECT_TRUE(onTri.epsilonEquals(ZqVector3(1, 1, 0), 1e-4f));
    EXPECT_TRUE(onSphere.equals(UNSET));
}

TEST(TriangleTest, ValidityAndEquality) {
    const ZqDgTriangle t = flatTriangle();
    EXPECT_TRUE(t.isFinite(10.0f));
    EXPECT_FALSE(t.isFinite(3.0f));
    EXPECT_TRUE(t.isFinite(0.0f, 4.0f));
    EXPECT_FALSE(
        ZqDgTriangle(ZqVector3(0, 0, 0), ZqVector3(NAN, 0, 0), ZqVector3(0, 1, 0)).isFinite(10));
    EXPECT_TRUE(t.equals(flatTriangle()));
    ZqDgTriangle negZero = flatTriangle();
    negZero.m_p0.z = -0.0f;
    EXPECT_FALSE(t.equals(negZero));
    EXPECT_TRUE(t.epsilonEquals(negZero, 0.0f));
    ZqDgTriangle moved = flatTriangle();
    moved.m_p2.z = 0.05f;
    EXPECT_TRUE(t.epsilonEquals(moved, 0.1f));
    EXPECT_FALSE(t.epsilonEquals(moved, 0.01f));
}

TEST(TriangleTest, AgreesWithReference) {
    zqdgtest::Rng rng(135);
    int hits = 0;
    for (int i = 0; i < 3000; ++i) {
        const ZqDgTriangle t(rng.vec(10), rng.vec(10), rng.vec(10));
        const ZqVector3 p = rng.vec(15);
        const D3 ref = referenceClosest(t.m_p0, t.m_p1, t.m_p2, p);
        const double d = (ref - D3(p)).length();
        ZqVector3 onTri;
        ZqVector3 onPoint;
        t.closestPoint(ZqDgPoint(p.x, p.y, p.z), &onTri, &onPoint);
        ASSERT_NEAR((D3(onTri) - ref).length(), 0.0, 2e-3) << "triangle " << i;
        EXPECT_NEAR(t.distance(ZqDgPoint(p.x, p.y, p.z)), d, 0.002 * d + 1e-3);

        // Segments: the reference crossing of the supporting line with the face.
        const ZqDgSegment seg(rng.vec(12), rng.vec(12));
        const D3 a(t.m_p0);
        const D3 n = (D3(t.m_p1) - a).cross(D3(t.m_p2) - a);
        const D3 s0(seg.m_start);
        const D3 e = D3(seg.m_end) - s0;
        const double den = e.dot(n);
        if (std::fabs(den) > 1e-2) {
            const double tc = (a - s0).dot(n) / den;
            const D3 x = s0 + e * tc;
            // Barycentric coordinates of the crossing; skip those within a hair of an edge or
            // of a segment end.
            const double nn = n.dot(n);
            const double u = (D3(t.m_p1) - x).cross(D3(t.m_p2) - x).dot(n) / nn;
            const double v = (D3(t.m_p2) - x).cross(a - x).dot(n) / nn;
            const double w = 1.0 - u - v;
            const double margin = std::min(
                {std::fabs(u), std::fabs(v), std::fabs(w), std::fabs(tc), std::fabs(tc - 1.0)});
            if (margin > 1e-3) {
                const bool expected = u > 0 && v > 0 && w > 0 && tc > 0 && tc < 1;
                EXPECT_EQ(t.intersect(seg), expected) << "segment " << i;
                hits += expected ? 1 : 0;
            }
        }
    }
    EXPECT_GT(hits, 100);
    // Collinear corners: the nearest point of the edges, never NaN.
    for (int i = 0; i < 500; ++i) {
        const ZqVector3 a = rng.vec(5);
        const ZqVector3 dir = rng.unit();
        const ZqDgTriangle t(a, a + dir * rng.uni(-3, 3), a + dir * rng.uni(-3, 3));
        const ZqVector3 p = rng.vec(8);
        ZqVector3 onTri;
        ZqVector3 onPoint;
        t.closestPoint(ZqDgPoint(p.x, p.y, p.z), &onTri, &onPoint);
        ASSERT_TRUE(onTri.isFinite(FLT_MAX)) << "collinear " << i;
        const D3 ref = referenceClosest(t.m_p0, t.m_p1, t.m_p2, p);
        EXPECT_NEAR((D3(onTri) - D3(p)).length(), (ref - D3(p)).length(), 2e-3);
    }
}
