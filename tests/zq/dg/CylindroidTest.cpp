// Cylindroid: the surface counts as inside, the radial push-out (100 times the offset near the
// axis, nothing on it), closest points inside, beyond a cap and outside, equality, the frame
// transform, the dispatch through the point; then random round cylindroids in random frames
// against a double-precision reference.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <cmath>

using zqdgtest::D3;

namespace {

const ZqVector3 UNSET(123.0f, 456.0f, 789.0f);

// Along x, half length 2, semi-axes 2 (y) and 1 (z), centred at (1, 0, 0).
ZqDgCylindroid elliptic() {
    const ZqVector3 axes[3] = {ZqVector3(1, 0, 0), ZqVector3(0, 1, 0), ZqVector3(0, 0, 1)};
    const float sizes[3] = {2, 2, 1};
    return ZqDgCylindroid(ZqVector3(1, 0, 0), axes, sizes);
}

ZqDgPoint at(const ZqVector3& v) {
    return ZqDgPoint(v.x, v.y, v.z);
}

} // namespace

TEST(CylindroidTest, InsideSurfaceAndPushOut) {
    const ZqDgCylindroid c = elliptic();
    struct Row {
        int line;
        ZqVector3 p;
        bool inside;
    };
    const Row rows[] = {
        {__LINE__, ZqVector3(3, 0, 0), true},          // on the end cap
        {__LINE__, ZqVector3(-1, 0, 0), true},         // the other cap
        {__LINE__, ZqVector3(3.0001f, 0, 0), false},   // just beyond
        {__LINE__, ZqVector3(1, 2, 0), true},          // on the ellipse along y
        {__LINE__, ZqVector3(1, 0, 1), true},          // on the ellipse along z
        {__LINE__, ZqVector3(1, 0, 1.0001f), false},   // just outside
        {__LINE__, ZqVector3(1, 1.5f, 0.7f), false},   // inside the box, outside the ellipse
        {__LINE__, ZqVector3(2.9f, 1.2f, 0.6f), true}, // (0.6^2 + 0.6^2 = 0.72)
    };
    for (const Row& r : rows) {
        EXPECT_EQ(c.intersect(at(r.p)), r.inside) << "line " << r.line;
        EXPECT_EQ(c.vIntersect(at(r.p)), r.inside) << "line " << r.line;
        EXPECT_EQ(at(r.p).vIntersect(c), r.inside) << "line " << r.line;
    }

    struct Push {
        int line;
        ZqVector3 p;
        ZqVector3 out;
        float tolerance;
    };
    const Push pushes[] = {
        // Radially onto the ellipse, axial coordinate kept: (0.5, 0.25) has s = 1/8.
        {__LINE__, ZqVector3(2, 0.5f, 0.25f), ZqVector3(2, 1.4142135f, 0.70710678f), 3e-3f},
        // Very near the axis (s below 0.0001): the offset grows 100 times, no further.
        {__LINE__, ZqVector3(0, 0.001f, 0.002f), ZqVector3(0, 0.1f, 0.2f), 5e-4f},
        // On the axis: stays.
        {__LINE__, ZqVector3(2.5f, 0, 0), ZqVector3(2.5f, 0, 0), 0.0f},
        // On the surface already.
        {__LINE__, ZqVector3(1, 0, -1), ZqVector3(1, 0, -1), 3e-3f},
    };
    for (const Push& r : pushes) {
        ZqVector3 out = UNSET;
        EXPECT_TRUE(c.intersectYZ(at(r.p), &out)) << "line " << r.line;
        EXPECT_TRUE(out.epsilonEquals(r.out, r.tolerance))
            << "line " << r.line << ": " << out.x << ", " << out.y << ", " << out.z;
    }
    ZqVector3 untouched = UNSET;
    EXPECT_FALSE(c.intersectYZ(at(ZqVector3(3.5f, 0.1f, 0)), &untouched));
    EXPECT_FALSE(c.intersectYZ(at(ZqVector3(1, 0, 1.5f)), &untouched));
    EXPECT_TRUE(untouched.epsilonEquals(UNSET, 0.0f));

    // A flat cylindroid (semi-axis 1 zero) gives 0/0 for a point in its plane: outside, for
    // the cylindroid as for the point, and nothing pushed.
    ZqDgCylindroid flat = c;
    flat.setRadius(2, 0, 1);
    const ZqDgPoint far = at(ZqVector3(1, 0, 50));
    EXPECT_FALSE(flat.vIntersect(far));
    EXPECT_FALSE(far.vIntersect(flat));
    EXPECT_FALSE(flat.intersectYZ(far, &untouched));
    EXPECT_TRUE(untouched.epsilonEquals(UNSET, 0.0f));
}

TEST(CylindroidTest, ClosestPointsEqualityAndFrame) {
    const ZqDgCylindroid c = elliptic();
    struct Row {
        int line;
        ZqVector3 p;
        ZqVector3 onThis;
        float tolerance;
    };
    const Row rows[] = {
        {__LINE__, ZqVector3(2, 0.5f, 0.5f), ZqVector3(2, 0.5f, 0.5f), 0.0f}, // inside: itself
        {__LINE__, ZqVector3(5, 0.5f, 0.5f), ZqVector3(3, 0.5f, 0.5f), 0.0f}, // beyond the cap
        {__LINE__, ZqVector3(-4, 0, 0), ZqVector3(-1, 0, 0), 0.0f},           // on the axis line
        {__LINE__, ZqVector3(1, 0, 3), ZqVector3(1, 0, 1), 3e-3f},            // radially in
        {__LINE__, ZqVector3(6, 4, 0), ZqVector3(3, 2, 0), 5e-3f},            // rim
    };
    for (const Row& r : rows) {
        ZqVector3 onThis = UNSET;
        ZqVector3 onPoint = UNSET;
        c.vClosestPoint(at(r.p), &onThis, &onPoint);
        EXPECT_TRUE(onThis.epsilonEquals(r.onThis, r.tolerance)) << "line " << r.line;
        EXPECT_TRUE(onPoint.epsilonEquals(r.p, 0.0f)) << "line " << r.line;
        // The point's table answers with the outputs exchanged.
        ZqVector3 first = UNSET;
        ZqVector3 second = UNSET;
        at(r.p).vClosestPoint(c, &first, &second);
        EXPECT_TRUE(first.epsilonEquals(r.p, 0.0f)) << "line " << r.line;
        EXPECT_TRUE(second.epsilonEquals(onThis, 0.0f)) << "line " << r.line;
        const float d2 = (r.p - onThis).lengthSquared();
        EXPECT_FLOAT_EQ(c.vDistanceSquared(at(r.p)), d2) << "line " << r.line;
        EXPECT_FLOAT_EQ(at(r.p).vDistanceSquared(c), d2) << "line " << r.line;
        EXPECT_FLOAT_EQ(at(r.p).vDistance(c), zqFastSqrt(d2)) << "line " << r.line;
    }

    ZqDgCylindroid other = c;
    EXPECT_TRUE(other.equals(c));
    other.m_center.y = -0.0f;
    EXPECT_FALSE(other.equals(c));
    EXPECT_TRUE(other.epsilonEquals(c, 0.0f));
    other.m_axis[2].z += 0.01f;
    EXPECT_FALSE(other.epsilonEquals(c, 0.005f));
    EXPECT_TRUE(other.epsilonEquals(c, 0.02f));

    // Turned a quarter about z: axis 0 along y.
    const float sizes[3] = {2, 2, 1};
    const ZqDgCylindroid turned(ZqVector3(1, 1, 1), ZqQuat().setFromXYZR(0, 0, 1, 1.5707964f),
                                sizes);
    ZqVector3 p(1, 3, 2);
    turned.translatePoint(&p);
    EXPECT_TRUE(p.epsilonEquals(ZqVector3(2, 0, 1), 1e-6f));
    // Only the point is answered.
    EXPECT_FALSE(c.vIntersect(ZqDgSphere(ZqVector3(1, 0, 0), 1.0f)));
    EXPECT_EQ(c.vDistance(ZqDgSphere(ZqVector3(1, 0, 0), 1.0f)), FLT_MAX);
}

TEST(CylindroidTest, RandomRoundCylindroidsAgreeWithDoubleReference) {
    zqdgtest::Rng rng(1311);
    for (int n = 0; n < 400; ++n) {
        const ZqQuat q = ZqQuat().setFromXYZR(rng.unit(), rng.uni(0.0f, 6.2831853f));
        const float radius = rng.uni(0.2f, 2.0f);
        const float sizes[3] = {rng.uni(0.2f, 2.0f), radius, radius};
        const ZqDgCylindroid c(rng.vec(2.0f), q, sizes);
        const ZqVector3 v = rng.vec(4.0f);
        // The exact closest point of a solid round cylinder, in its own frame.
        const D3 d = D3(v) - D3(c.m_center);
        const double x = D3(c.m_axis[0]).dot(d);
        double y = D3(c.m_axis[1]).dot(d);
        double z = D3(c.m_axis[2]).dot(d);
        const double r = std::sqrt(y * y + z * z);
        const double excess = std::max(std::fabs(x) - sizes[0], r - radius);
        if (std::fabs(excess) > 1e-4) {
            EXPECT_EQ(c.vIntersect(at(v)), excess < 0.0) << n;
        }
        if (r > radius) {
            y *= radius / r;
            z *= radius / r;
        }
        const double xc = std::clamp(x, -static_cast<double>(sizes[0]), double{sizes[0]});
        const D3 qRef =
            D3(c.m_center) + D3(c.m_axis[0]) * xc + D3(c.m_axis[1]) * y + D3(c.m_axis[2]) * z;
        ZqVector3 onThis;
        ZqVector3 onPoint;
        c.closestPoint(at(v), &onThis, &onPoint);
        // The radial scale comes from the fast inverse root (a few parts in a thousand).
        EXPECT_LT((D3(onThis) - qRef).length(), 4e-3 * (1.0 + r)) << n;
        const double dist = (qRef - D3(v)).length();
        EXPECT_NEAR(c.vDistance(at(v)), dist, 5e-3 * (1.0 + dist)) << n;
    }
}
