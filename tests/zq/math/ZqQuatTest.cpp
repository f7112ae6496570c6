#include "MathTestUtil.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <type_traits>

namespace {

using zqmt::near;
using zqmt::nearM;
using zqmt::nearV3;
using zqmt::sameRotation;

constexpr float PI = std::numbers::pi_v<float>;
const float NaN = std::numeric_limits<float>::quiet_NaN();

::testing::AssertionResult nearQ(const ZqQuat& a, const ZqQuat& b, const float tol) {
    return zqmt::nearV(&a.x, &b.x, 4, tol);
}

TEST(ZqQuat, LayoutConstantsAndConstruction) {
    static_assert(sizeof(ZqQuat) == 16 && std::is_trivially_copyable_v<ZqQuat>);
    EXPECT_TRUE(ZqQuat::UNIT.equals(ZqQuat(0, 0, 0, 1)));
    EXPECT_TRUE(ZqQuat::ZERO.equals(ZqQuat(0, 0, 0, 0)));
    EXPECT_TRUE(ZqQuat(2.0f).equals(ZqQuat(0, 0, 0, 2)));
    EXPECT_TRUE(ZqQuat(ZqVector3(1, 2, 3)).equals(ZqQuat(1, 2, 3, 0)));
    EXPECT_TRUE(ZqQuat(ZqVector4(1, 2, 3, 4)).equals(ZqQuat(1, 2, 3, 4)));
    ZqQuat q(1, 2, 3, 4);
    EXPECT_TRUE(q.setIdentity().isIdentity());
    EXPECT_TRUE(q.conjugate(ZqQuat(1, 2, 3, 4)).equals(ZqQuat(-1, -2, -3, 4)));
    EXPECT_TRUE((-q).equals(ZqQuat(1, 2, 3, -4)));
}

TEST(ZqQuat, ProductComposesLikeTheMatrices) {
    zqmt::Rng rng(30);
    for (int i = 0; i < 500; ++i) {
        const ZqQuat a = rng.unitQuat();
        const ZqQuat b = rng.unitQuat();
        // a then b: glm (Hamilton, column vectors) writes that as b * a.
        ASSERT_TRUE(nearQ(a * b, zqmt::fromGlm(zqmt::toGlm(b) * zqmt::toGlm(a)), 1e-6f));
        const ZqMatrix ma = ZqMatrix().setFromQuat(a);
        ASSERT_TRUE(nearM(ma, zqmt::fromGlm(glm::mat4_cast(zqmt::toGlm(a))), 1e-6f));
        ASSERT_TRUE(nearM(ZqMatrix().setFromQuat(a * b), ma * ZqMatrix().setFromQuat(b), 1e-5f));
        ZqQuat c(a);
        c *= b;
        ASSERT_TRUE(c.equals(a * b));
        c = b;
        c.mul(a, c);
        ASSERT_TRUE(c.equals(a * b));
        // The free-standing form is not normalised first and agrees with the quaternion form.
        const ZqQuat s = a * 1.5f;
        ASSERT_TRUE(ZqMatrix().setFromQuat(s).equals(ZqMatrix().setFromQuat(s.x, s.y, s.z, s.w)));
    }
}

TEST(ZqQuat, NormalizeInvertMatchGlm) {
    zqmt::Rng rng(31);
    for (int i = 0; i < 500; ++i) {
        const ZqQuat q(rng.uni(-3, 3), rng.uni(-3, 3), rng.uni(-3, 3), rng.uni(-3, 3));
        ASSERT_TRUE(
            nearQ(ZqQuat().normalize(q), zqmt::fromGlm(glm::normalize(zqmt::toGlm(q))), 1e-6f));
        ASSERT_TRUE(nearQ(ZqQuat(q).invert(), zqmt::fromGlm(glm::inverse(zqmt::toGlm(q))), 1e-6f));
        ASSERT_TRUE(nearQ(q * ZqQuat().invert(q), ZqQuat::UNIT, 1e-5f));
        ASSERT_TRUE(near(q.length(), glm::length(zqmt::toGlm(q)), 1e-6f));
    }
    EXPECT_TRUE(ZqQuat(0, 0, 0, 0).normalize().equals(ZqQuat::ZERO));
    EXPECT_TRUE(ZqQuat(0, 0, 0, 0).invert().equals(ZqQuat::ZERO));
}

TEST(ZqQuat, AxisAngleAndMatrixConversions) {
    zqmt::Rng rng(32);
    for (int i = 0; i < 500; ++i) {
        const ZqVector3 axis = rng.vec3(3.0f);
        const float ang = rng.uni(0.01f, 2.0f * PI - 0.01f);
        const ZqQuat q = ZqQuat().setFromXYZR(axis, ang);
        const glm::vec3 ga = glm::normalize(glm::vec3(axis.x, axis.y, axis.z));
        ASSERT_TRUE(nearQ(q, zqmt::fromGlm(glm::angleAxis(ang, ga)), 1e-6f));
        ASSERT_TRUE(q.equals(ZqQuat().setFromXYZR(ZqVector4(axis, ang))));
        // The same rotation as the matrix about that axis.
        ASSERT_TRUE(nearM(ZqMatrix().setFromQuat(q), ZqMatrix().setRotAxis(axis, ang), 1e-5f));
        // Back to axis and angle.
        ZqVector3 back;
        float r = 0.0f;
        q.getXYZR(back, r);
        ASSERT_TRUE(nearV3(back, ZqVector3().normalize(axis), 1e-3f)) << i;
        ASSERT_TRUE(near(r, ang, 1e-3f)) << i;
        // Matrix to quaternion, up to sign.
        ASSERT_TRUE(
            sameRotation(ZqQuat().setFromMatrixRotation(ZqMatrix().setFromQuat(q)), q, 1e-5f));
    }
    // Every branch of the conversion: half turns about each axis and the identity.
    for (const ZqQuat& q : {ZqQuat(1, 0, 0, 0), ZqQuat(0, 1, 0, 0), ZqQuat(0, 0, 1, 0),
                            ZqQuat(0, 0, 0, 1), ZqQuat(0.6f, 0, 0.8f, 0)}) {
        ZqMatrix m = ZqMatrix().setFromQuat(q);
        m.setTrans(5, 6, 7); // the translation row plays no part
        EXPECT_TRUE(sameRotation(ZqQuat().setFromMatrixRotation(m), q, 1e-6f));
    }
}

TEST(ZqQuat, AxisAngleReadOutEdges) {
    float x = 0, y = 0, z = 0, r = 1;
    ZqQuat::UNIT.getXYZR(x, y, z, r);
    EXPECT_TRUE(x == 0 && y == 0 && z == 1 && r == 0);
    ZqVector4 v;
    ZqQuat(0, 0, 0, -1).getXYZR(v);
    EXPECT_TRUE(nearV3(v, ZqVector3(0, 0, 1), 0.0f));
    EXPECT_TRUE(near(v.w, 2 * PI, 1e-6f));
    // A w pushed just past +-1 by rounding reads as no turn or a full turn, not as NaN.
    ZqQuat(0, 0, 0, 1.0000001f).getXYZR(v);
    EXPECT_EQ(v.w, 0.0f);
    ZqQuat(0, 0, 0, -1.0000001f).getXYZR(v);
    EXPECT_TRUE(near(v.w, 2 * PI, 1e-6f));
    ZqQuat q(ZqQuat::UNIT);
    const ZqQuat step = ZqQuat().setFromXYZR(0, 0, 1, 1e-4f);
    for (int i = 0; i < 10000; ++i) {
        q *= step;
    }
    q.getXYZR(v);
    EXPECT_FALSE(std::isnan(v.w));
}

TEST(ZqQuat, SlerpMatchesGlm) {
    zqmt::Rng rng(33);
    for (int i = 0; i < 500; ++i) {
        const ZqQuat a = rng.unitQuat();
        const ZqQuat b = rng.unitQuat();
        const float t = rng.uni(0.0f, 1.0f);
        const ZqQuat want = zqmt::fromGlm(glm::slerp(zqmt::toGlm(a), zqmt::toGlm(b), t));
        ASSERT_TRUE(nearQ(ZqQuat().slerp(a, b, t), want, 2e-5f)) << i;
        ASSERT_TRUE(nearQ(ZqQuat(a).slerp(b, t), want, 2e-5f)) << i;
        // The framework's own form takes the same arc.
        ASSERT_TRUE(nearQ(ZqQuat().acuteSlerp(a, b, t), want, 2e-5f)) << i;
        ASSERT_TRUE(
            nearQ(ZqQuat().lerpNormalize(a, b, t), ZqQuat().lerp(a, b, t).normalize(), 0.0f));
    }
}

TEST(ZqQuat, AcuteSlerpEdges) {
    const ZqQuat a = ZqQuat().setFromXYZR(1, 2, 3, 0.8f);
    const ZqQuat b = ZqQuat().setFromXYZR(-1, 0, 2, 2.0f);
    for (const float t : {0.0f, 0.3f, 1.0f}) {
        // q and -q are the same rotation: the sign is folded away.
        EXPECT_TRUE(nearQ(ZqQuat().acuteSlerp(a, -a, t), a, 1e-6f)) << t;
    }
    EXPECT_TRUE(nearQ(ZqQuat().acuteSlerp(a, b, 0.0f), a, 1e-6f));
    const ZqQuat end = ZqQuat().acuteSlerp(a, b, 1.0f);
    EXPECT_TRUE(nearQ(end, a.dot(b) >= 0 ? b : -b, 1e-6f));
    // Nearly equal quaternions blend linearly.
    const ZqQuat p(0, 0, 0, 1);
    const ZqQuat q(0.00316226f, 0, 0, 0.999995f);
    ASSERT_GT(1.0f - p.dot(q), 0.0f);
    ASSERT_LE(1.0f - p.dot(q), 1e-5f);
    const float t = 0.25f;
    EXPECT_TRUE(ZqQuat().acuteSlerp(p, q, t).equals(ZqQuat(p * (1.0f - t) + q * t)));
    // squad starts at p and ends at q.
    const ZqQuat c = ZqQuat().setFromXYZR(0, 1, 0, 1.0f);
    const ZqQuat d = ZqQuat().setFromXYZR(1, 0, 0, 1.5f);
    EXPECT_TRUE(nearQ(ZqQuat().squad(a, c, d, b, 0.0f), a, 1e-6f));
    EXPECT_TRUE(sameRotation(ZqQuat().squad(a, c, d, b, 1.0f), b, 1e-6f));
    EXPECT_TRUE(ZqQuat(a).squad(c, d, b, 0.5f).equals(ZqQuat().squad(a, c, d, b, 0.5f)));
}

TEST(ZqQuat, ShortestArcBetweenVectors) {
    zqmt::Rng rng(34);
    for (int i = 0; i < 500; ++i) {
        const ZqVector3 from = ZqVector3().normalize(rng.vec3());
        const ZqVector3 to = ZqVector3().normalize(rng.vec3());
        const ZqQuat q = ZqQuat().setFromV2V(from, to);
        // Nearly opposite pairs lose a few bits in the half-angle sum: the error grows as the
        // half-way vector shrinks.
        const float tolerance = 1e-4f / std::max(std::sqrt(1.0f + from.dot(to)), 0.05f);
        ASSERT_TRUE(near(q.length(), 1.0f, 1e-4f));
        ASSERT_TRUE(nearV3(from * ZqMatrix().setFromQuat(q), to, tolerance))
            << i << " " << from.dot(to);
        ASSERT_TRUE(q.equals(ZqQuat().setFromV2V(ZqVector4(from, 3.0f), ZqVector4(to, 4.0f))));
    }
    const float h = std::sqrt(0.5f);
    EXPECT_TRUE(nearQ(ZqQuat().setFromV2V(ZqVector3(1, 0, 0), ZqVector3(0, 1, 0)),
                      ZqQuat(0, 0, h, h), 1e-6f));
    // Opposite vectors: a half turn about a perpendicular axis.
    EXPECT_TRUE(ZqQuat()
                    .setFromV2V(ZqVector3(1, 0, 0), ZqVector3(-1, 0, 0))
                    .epsilonEquals(ZqQuat(0, 0, 1, 0), 0.0f));
    EXPECT_TRUE(
        ZqQuat().setFromV2V(ZqVector3(0, 1, 0), ZqVector3(0, -1, 0)).equals(ZqQuat(0, 0, -1, 0)));
    const ZqVector3 f = ZqVector3().normalize(ZqVector3(1, 2, 3));
    const ZqQuat flip = ZqQuat().setFromV2V(f, -f);
    EXPECT_TRUE(nearV3(f * ZqMatrix().setFromQuat(flip), -f, 1e-5f));
}

TEST(ZqQuat, EqualityAndFiniteTests) {
    EXPECT_FALSE(ZqQuat(0, 0, 0, 1).equals(ZqQuat(-0.0f, 0, 0, 1)));
    EXPECT_TRUE(ZqQuat(-0.0f, 0, 0, 1).isIdentity());
    EXPECT_FALSE(ZqQuat(0, 0, 1e-7f, 1).isIdentity());
    EXPECT_TRUE(ZqQuat(0, 0, 0, 1).epsilonEquals(ZqQuat(0.1f, 0, 0, 1), 0.1f));
    EXPECT_FALSE(ZqQuat(NaN, 0, 0, 1).epsilonEquals(ZqQuat(NaN, 0, 0, 1), 1.0f));
    EXPECT_FALSE(ZqQuat(NaN, 0, 0, 1).isFinite(1.0f));
    EXPECT_TRUE(ZqQuat(1, 0.5f, 0, 0).isFinite(0.0f, 1.0f));
    EXPECT_FALSE(ZqQuat(1, -0.5f, 0, 0).isFinite(0.0f, 1.0f));
}

} // namespace
