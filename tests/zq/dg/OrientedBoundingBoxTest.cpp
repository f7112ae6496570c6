// Oriented box: the closed box's deciding points, the push-out through the nearest face,
// closest points and signed distances, segments and planes, boxes that touch (also where only
// their bounding spheres touch), corners and the re-fit to a body, validity and equality;
// then every test on random rotated boxes against a double-precision reference.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/dg/ZqDgBody.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <cmath>

using zqdgtest::D3;

namespace {

const ZqVector3 UNSET(123.0f, 456.0f, 789.0f);
const ZqVector3 WORLD[3] = {ZqVector3(1, 0, 0), ZqVector3(0, 1, 0), ZqVector3(0, 0, 1)};

ZqDgOrientedBoundingBox box(const ZqVector3& c, const float h0, const float h1, const float h2) {
    const float h[3] = {h0, h1, h2};
    return ZqDgOrientedBoundingBox(c, WORLD, h);
}

// A body of eight joints for the re-fit; the owners build bodies, the test is one.
class EightJoints : public ZqDgBody {
public:
    explicit EightJoints(const ZqVector3* p) { init(8, 0, p, nullptr, 0.5f, 0.9f, 1.0f); }
    explicit EightJoints(const uint32_t n, const ZqVector3* p) {
        init(n, 0, p, nullptr, 0.5f, 0.9f, 1.0f);
    }
};

// The box in double precision: centre, axes, half sizes.
struct RefBox {
    D3 c;
    D3 a[3];
    double h[3];

    explicit RefBox(const ZqDgOrientedBoundingBox& b) : c(b.m_center) {
        for (int i = 0; i < 3; ++i) {
            a[i] = D3(b.m_axis[i]);
            h[i] = b.m_radius[i];
        }
    }
    D3 local(const D3& p) const {
        const D3 d = p - c;
        return {a[0].dot(d), a[1].dot(d), a[2].dot(d)};
    }
    D3 clamp(const D3& p) const {
        const D3 t = local(p);
        D3 q = c;
        for (int i = 0; i < 3; ++i) {
            q = q + a[i] * std::clamp(t[i], -h[i], h[i]);
        }
        return q;
    }
    // Positive outside, negative inside: the largest face excess.
    double excess(const D3& p) const {
        const D3 t = local(p);
        double e = -1e300;
        for (int i = 0; i < 3; ++i) {
            e = std::max(e, std::fabs(t[i]) - h[i]);
        }
        return e;
    }
    double radiusAlong(const D3& l) const {
        return h[0] * std::fabs(a[0].dot(l)) + h[1] * std::fabs(a[1].dot(l)) +
               h[2] * std::fabs(a[2].dot(l));
    }
};

// The largest separation of two boxes over the fifteen candidate axes (normalised);
// positive exactly when they are apart.
double separation(const RefBox& A, const RefBox& B) {
    std::vector<D3> axes;
    for (int i = 0; i < 3; ++i) {
        axes.push_back(A.a[i]);
        axes.push_back(B.a[i]);
        for (int j = 0; j < 3; ++j) {
            axes.push_back(A.a[i].cross(B.a[j]));
        }
    }
    const D3 d = B.c - A.c;
    double best = -1e300;
    for (const D3& l : axes) {
        const double len = l.length();
        if (len < 1e-6) {
            continue;
        }
        const D3 u = l * (1.0 / len);
        best = std::max(best, std::fabs(d.dot(u)) - A.radiusAlong(u) - B.radiusAlong(u));
    }
    return best;
}

ZqDgOrientedBoundingBox randomBox(zqdgtest::Rng& rng) {
    const ZqQuat q = ZqQuat().setFromXYZR(rng.unit(), rng.uni(0.0f, 6.2831853f));
    const float h[3] = {rng.uni(0.2f, 2.0f), rng.uni(0.2f, 2.0f), rng.uni(0.2f, 2.0f)};
    return ZqDgOrientedBoundingBox(rng.vec(3.0f), q, h);
}

} // namespace

TEST(OrientedBoundingBoxTest, ClosedBoxAndPushOut) {
    const ZqDgOrientedBoundingBox b = box(ZqVector3(1, 2, 3), 2, 1, 3);
    struct Row {
        int line;
        ZqVector3 p;
        bool inside;
    };
    const Row rows[] = {
        {__LINE__, ZqVector3(3, 2, 3), true},         // face
        {__LINE__, ZqVector3(3, 3, 3), true},         // edge
        {__LINE__, ZqVector3(-1, 1, 0), true},        // corner
        {__LINE__, ZqVector3(3.0001f, 2, 3), false},  // just outside the face
        {__LINE__, ZqVector3(1, 3.0001f, 3), false},  // on axis 1
        {__LINE__, ZqVector3(1, 2, -0.0001f), false}, // on axis 2
    };
    for (const Row& r : rows) {
        EXPECT_EQ(b.intersect(ZqDgPoint(r.p.x, r.p.y, r.p.z)), r.inside) << "line " << r.line;
        EXPECT_EQ(ZqDgPoint(r.p.x, r.p.y, r.p.z).vIntersect(b), r.inside) << "line " << r.line;
    }

    struct Push {
        int line;
        ZqDgOrientedBoundingBox b;
        ZqVector3 p;
        ZqVector3 exit;
        ZqVector3 exitYZ;
    };
    const ZqDgOrientedBoundingBox cube = box(ZqVector3(0, 0, 0), 1, 1, 1);
    const ZqDgOrientedBoundingBox flat = box(ZqVector3(0, 0, 0), 2, 1, 1);
    const Push pushes[] = {
        // The exact centre: the smallest gap, towards +axis.
        {__LINE__, b, ZqVector3(1, 2, 3), ZqVector3(1, 3, 3), ZqVector3(1, 3, 3)},
        // Equal gaps: axis 0 (the YZ push takes axis 2 on a tie).
        {__LINE__, cube, ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), ZqVector3(0, 0, 1)},
        // Nearest the -axis 0 face; the YZ push never uses axis 0.
        {__LINE__, flat, ZqVector3(-1.75f, 0.5f, 0), ZqVector3(-2, 0.5f, 0),
         ZqVector3(-1.75f, 1, 0)},
        // Negative coordinate on axis 2.
        {__LINE__, flat, ZqVector3(0, 0.2f, -0.9f), ZqVector3(0, 0.2f, -1), ZqVector3(0, 0.2f, -1)},
    };
    for (const Push& r : pushes) {
        const ZqDgPoint p(r.p.x, r.p.y, r.p.z);
        ZqVector3 exit = UNSET;
        ZqVector3 exitYZ = UNSET;
        EXPECT_TRUE(r.b.intersect(p, &exit));
        EXPECT_TRUE(r.b.intersectYZ(p, &exitYZ));
        EXPECT_TRUE(exit.epsilonEquals(r.exit, 1e-6f)) << "line " << r.line;
        EXPECT_TRUE(exitYZ.epsilonEquals(r.exitYZ, 1e-6f)) << "line " << r.line;
    }
    ZqVector3 untouched = UNSET;
    EXPECT_FALSE(cube.intersect(ZqDgPoint(1.5f, 0, 0), &untouched));
    EXPECT_FALSE(cube.intersectYZ(ZqDgPoint(1.5f, 0, 0), &untouched));
    EXPECT_TRUE(untouched.epsilonEquals(UNSET, 0.0f));
}

TEST(OrientedBoundingBoxTest, ClosestPointsAndSignedDistances) {
    const ZqDgOrientedBoundingBox b = box(ZqVector3(0, 0, 0), 2, 1, 3);
    struct Row {
        int line;
        ZqVector3 p;
        ZqVector3 onBox;
    };
    const Row rows[] = {
        {__LINE__, ZqVector3(5, 5, 0), ZqVector3(2, 1, 0)},          // outside: clamped
        {__LINE__, ZqVector3(1.5f, 0, 0.5f), ZqVector3(2, 0, 0.5f)}, // inside: nearest face
        {__LINE__, ZqVector3(0, -0.5f, 0), ZqVector3(0, -1, 0)},     // inside, negative side
        {__LINE__, ZqVector3(0, 0, 0), ZqVector3(0, 0, 0)},          // the centre stays
    };
    for (const Row& r : rows) {
        ZqVector3 onBox = UNSET;
        ZqVector3 onPoint = UNSET;
        b.closestPoint(ZqDgPoint(r.p.x, r.p.y, r.p.z), &onBox, &onPoint);
        EXPECT_TRUE(onBox.epsilonEquals(r.onBox, 1e-6f)) << "line " << r.line;
        EXPECT_TRUE(onPoint.epsilonEquals(r.p, 0.0f)) << "line " << r.line;
        // Through the point's table the outputs change places.
        ZqVector3 first = UNSET;
        ZqVector3 second = UNSET;
        ZqDgPoint(r.p.x, r.p.y, r.p.z).vClosestPoint(b, &first, &second);
        EXPECT_TRUE(first.epsilonEquals(r.p, 0.0f)) << "line " << r.line;
        EXPECT_TRUE(second.epsilonEquals(r.onBox, 1e-6f)) << "line " << r.line;
    }
    EXPECT_FLOAT_EQ(b.distanceSquared(ZqDgPoint(5, 5, 0)), 9.0f + 16.0f);
    EXPECT_NEAR(b.vDistance(ZqDgPoint(5, 5, 0)), 5.0f, 0.01f);
    EXPECT_EQ(b.distanceSquared(ZqDgPoint(1, 1, 1)), 0.0f);

    // A sphere with its centre inside: -r whatever the depth; its square through the table.
    const ZqDgSphere deep(ZqVector3(0.1f, 0, 0), 0.5f);
    EXPECT_FLOAT_EQ(b.distance(deep), -0.5f);
    EXPECT_FLOAT_EQ(b.vDistanceSquared(deep), 0.25f);
    EXPECT_TRUE(b.vIntersect(deep));
    EXPECT_FLOAT_EQ(deep.vDistance(b), -0.5f);
    // A sphere centred on the surface gives no direction: its output stays as it was.
    ZqVector3 onBox = UNSET;
    ZqVector3 onSphere = UNSET;
    b.closestPoint(ZqDgSphere(ZqVector3(2, 0, 0), 1.0f), &onBox, &onSphere);
    EXPECT_TRUE(onBox.epsilonEquals(ZqVector3(2, 0, 0), 0.0f));
    EXPECT_TRUE(onSphere.epsilonEquals(UNSET, 0.0f));
    // Outside: the sphere's point towards the box; the sphere's table swaps them.
    const ZqDgSphere out(ZqVector3(6, 0, 0), 1.0f);
    ZqVector3 onOut = UNSET;
    out.vClosestPoint(b, &onOut, &onBox);
    EXPECT_TRUE(onOut.epsilonEquals(ZqVector3(5, 0, 0), 3e-3f));
    EXPECT_TRUE(onBox.epsilonEquals(ZqVector3(2, 0, 0), 0.0f));
    EXPECT_FALSE(out.vIntersect(b));
    EXPECT_TRUE(ZqDgSphere(ZqVector3(3, 0, 0), 1.0f).vIntersect(b));
}

TEST(OrientedBoundingBoxTest, SegmentsPlanesAndBoxesThatTouch) {
    const ZqDgOrientedBoundingBox b = box(ZqVector3(0, 0, 0), 1, 2, 3);
    struct Row {
        int line;
        ZqDgSegment s;
        bool expected;
    };
    const Row rows[] = {
        {__LINE__, ZqDgSegment(1, -1, -1, 1, 1, 1), true},           // lying in a face
        {__LINE__, ZqDgSegment(1.001f, -5, 0, 1.001f, 5, 0), false}, // parallel, just outside
        {__LINE__, ZqDgSegment(-5, 0, 0, 5, 0, 0), true},            // through
        {__LINE__, ZqDgSegment(2, 3, 0, 3, 2, 0), false},            // beside a corner
        {__LINE__, ZqDgSegment(0, 3, 0, 2, 1, 0), true},             // touching the edge x=1,y=2
        {__LINE__, ZqDgSegment(0, 2.5f, 0, 2, 0.5f, 0), true},       // cutting the edge
    };
    for (const Row& r : rows) {
        EXPECT_EQ(b.intersect(r.s), r.expected) << "line " << r.line;
        EXPECT_EQ(r.s.vIntersect(b), r.expected) << "line " << r.line;
    }

    EXPECT_TRUE(b.vIntersect(ZqDgPlane(0, 0, 1, 3)));
    EXPECT_FALSE(b.vIntersect(ZqDgPlane(0, 0, 1, 3.001f)));
    EXPECT_TRUE(b.vIntersect(ZqDgPlane(1, 1, 0, 2.12f)));
    EXPECT_FALSE(b.vIntersect(ZqDgPlane(1, 1, 0, 2.13f)));

    // Half sizes (1, 2, 2): bounding radius exactly 3. Centres 6 apart along (1, 2, 2): the
    // spheres touch exactly and so do the boxes, corner to corner.
    const ZqDgOrientedBoundingBox a = box(ZqVector3(0, 0, 0), 1, 2, 2);
    ASSERT_EQ(a.getBoundingRadius(), 3.0f);
    EXPECT_TRUE(a.vIntersect(box(ZqVector3(2, 4, 4), 1, 2, 2)));
    EXPECT_FALSE(a.vIntersect(box(ZqVector3(2.001f, 4, 4), 1, 2, 2)));
    EXPECT_TRUE(a.vIntersect(a));
    EXPECT_TRUE(a.vIntersect(box(ZqVector3(2, 0, 0), 1, 1, 1))); // faces touch
    EXPECT_FALSE(a.vIntersect(box(ZqVector3(2.01f, 0, 0), 1, 1, 1)));
    // Turned 45 degrees about z: its edge reaches sqrt(2) along x.
    const float h[3] = {1, 1, 1};
    const ZqQuat turn = ZqQuat().setFromXYZR(0, 0, 1, 0.78539816f);
    EXPECT_TRUE(a.vIntersect(ZqDgOrientedBoundingBox(ZqVector3(2.4f, 0, 0), turn, h)));
    EXPECT_FALSE(a.vIntersect(ZqDgOrientedBoundingBox(ZqVector3(2.43f, 0, 0), turn, h)));
}

TEST(OrientedBoundingBoxTest, CornersRefitValidityAndEquality) {
    ZqVector3 c[8];
    box(ZqVector3(0, 0, 0), 1, 2, 3).calcCoordinates(c);
    EXPECT_TRUE(c[0].epsilonEquals(ZqVector3(-1, -2, -3), 0.0f));
    EXPECT_TRUE(c[1].epsilonEquals(ZqVector3(1, -2, -3), 0.0f));
    EXPECT_TRUE(c[2].epsilonEquals(ZqVector3(-1, 2, -3), 0.0f));
    EXPECT_TRUE(c[4].epsilonEquals(ZqVector3(-1, -2, 3), 0.0f));
    EXPECT_TRUE(c[7].epsilonEquals(ZqVector3(1, 2, 3), 0.0f));

    // The body's joints are a box of the same sizes turned a quarter about y and moved to
    // (5, 0, 0), then disturbed; the re-fit finds the turned frame and puts the joints back on
    // its corners, keeping their other fields.
    ZqDgOrientedBoundingBox target = box(ZqVector3(5, 0, 0), 1, 2, 3);
    target.setDirection(ZqVector3(0, 0, -1), ZqVector3(0, 1, 0), ZqVector3(1, 0, 0));
    ZqVector3 p[8];
    target.calcCoordinates(p);
    p[7] += ZqVector3(0.05f, -0.05f, 0.02f);
    p[2] -= ZqVector3(0.05f, -0.05f, 0.02f);
    EightJoints body(p);
    ZqDgOrientedBoundingBox fit = box(ZqVector3(0, 0, 0), 1, 2, 3);
    fit.correct(body);
    EXPECT_TRUE(fit.m_center.epsilonEquals(ZqVector3(5, 0, 0), 1e-5f));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(fit.m_axis[i].epsilonEquals(target.m_axis[i], 0.02f)) << i;
    }
    ZqVector3 corners[8];
    fit.calcCoordinates(corners);
    for (uint32_t k = 0; k < 8; ++k) {
        EXPECT_TRUE(body.getJointPos(k).epsilonEquals(corners[k], 0.0f)) << k;
        EXPECT_EQ(body.getJointAttenuate(k), 0.9f);
    }
    // A body of fewer than eight joints leaves box and joints alone.
    EightJoints small(2, p);
    ZqDgOrientedBoundingBox unchanged = box(ZqVector3(0, 0, 0), 1, 2, 3);
    unchanged.correct(small);
    EXPECT_TRUE(unchanged.equals(box(ZqVector3(0, 0, 0), 1, 2, 3)));
    EXPECT_TRUE(small.getJointPos(1).epsilonEquals(p[1], 0.0f));

    EXPECT_TRUE(target.isFinite(100.0f));
    EXPECT_FALSE(box(ZqVector3(0, 0, 0), 1, 0, 1).isFinite(100.0f));
    ZqDgOrientedBoundingBox skew = target;
    skew.m_axis[2] = ZqVector3(1.0001f, 0, 0);
    EXPECT_FALSE(skew.isFinite(100.0f));
    skew.m_axis[2] = ZqVector3(1.00004f, 0, 0);
    EXPECT_TRUE(skew.isFinite(100.0f));

    ZqDgOrientedBoundingBox other = target;
    EXPECT_TRUE(other.equals(target));
    other.m_boundingRadius += 1.0f;
    EXPECT_FALSE(other.equals(target));
    EXPECT_TRUE(other.epsilonEquals(target, 0.0f));
    other.m_center.x = -0.0f;
    ZqDgOrientedBoundingBox zero = target;
    zero.m_center.x = 0.0f;
    other.m_boundingRadius = zero.m_boundingRadius;
    EXPECT_FALSE(other.equals(zero));
    EXPECT_TRUE(other.epsilonEquals(zero, 0.0f));
    other.m_radius[2] += 0.01f;
    EXPECT_FALSE(other.epsilonEquals(zero, 0.005f));
    EXPECT_TRUE(other.epsilonEquals(zero, 0.02f));

    ZqVector3 t(6, 1, 0);
    target.translatePoint(&t);
    EXPECT_TRUE(t.epsilonEquals(ZqVector3(0, 1, 1), 1e-6f));
}

TEST(OrientedBoundingBoxTest, RandomAgreementWithDoubleReference) {
    zqdgtest::Rng rng(20261211);
    int boxPairs = 0;
    int segments = 0;
    for (int n = 0; n < 400; ++n) {
        const ZqDgOrientedBoundingBox b = randomBox(rng);
        const RefBox ref(b);
        // Points: containment, squared distance, closest point outside.
        const ZqVector3 v = rng.vec(5.0f);
        const D3 pv(v);
        const ZqDgPoint p(v.x, v.y, v.z);
        const double e = ref.excess(pv);
        if (std::fabs(e) > 1e-4) {
            EXPECT_EQ(b.vIntersect(p), e <= 0.0) << n;
        }
        const D3 q = ref.clamp(pv);
        const double d2 = (q - pv).dot(q - pv);
        EXPECT_NEAR(b.distanceSquared(p), d2, 1e-4 * (1.0 + d2)) << n;
        if (e > 1e-3) {
            ZqVector3 onBox;
            ZqVector3 onPoint;
            b.closestPoint(p, &onBox, &onPoint);
            EXPECT_LT((D3(onBox) - q).length(), 1e-4) << n;
        }
        // Spheres.
        const float r = rng.uni(0.1f, 1.5f);
        const double sd = std::sqrt(d2) - r;
        if (std::fabs(sd) > 1e-3) {
            EXPECT_EQ(b.vIntersect(ZqDgSphere(v, r)), sd <= 0.0) << n;
        }
        // Segments: the reference distance in the box's own frame, and how deep the segment
        // reaches in (the face excess is convex along it); near-touching ones are left out.
        const ZqVector3 w = v + rng.vec(3.0f);
        const D3 lo = ref.local(pv);
        const D3 hi = ref.local(D3(w));
        const double sep =
            zqdgtest::segmentBoxDistance(lo, hi, D3(0, 0, 0), D3(ref.h[0], ref.h[1], ref.h[2]));
        double a = 0.0;
        double z = 1.0;
        for (int i = 0; i < 100; ++i) {
            const double m1 = a + (z - a) / 3.0;
            const double m2 = z - (z - a) / 3.0;
            if (ref.excess(pv + (D3(w) - pv) * m1) < ref.excess(pv + (D3(w) - pv) * m2)) {
                z = m2;
            } else {
                a = m1;
            }
        }
        const double depth = ref.excess(pv + (D3(w) - pv) * (0.5 * (a + z)));
        if (sep > 1e-3 || depth < -1e-3) {
            ++segments;
            EXPECT_EQ(b.intersect(ZqDgSegment(v, w)), depth < 0.0) << n;
        }
        // Box pairs.
        const ZqDgOrientedBoundingBox o = randomBox(rng);
        const double s = separation(ref, RefBox(o));
        if (std::fabs(s) > 1e-3) {
            ++boxPairs;
            EXPECT_EQ(b.vIntersect(o), s < 0.0) << n << " separation " << s;
            EXPECT_EQ(o.vIntersect(b), s < 0.0) << n << " separation " << s;
        }
    }
    EXPECT_GT(boxPairs, 300);
    EXPECT_GT(segments, 300);
}
