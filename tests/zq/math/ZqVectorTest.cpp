#include "MathTestUtil.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cstddef>
#include <limits>
#include <type_traits>

namespace {

using zqmt::near;
using zqmt::nearV3;
using zqmt::nearV4;

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float INF = std::numeric_limits<float>::infinity();

glm::vec3 g3(const ZqVector3& v) {
    return glm::vec3(v.x, v.y, v.z);
}
glm::vec4 g4(const ZqVector4& v) {
    return glm::vec4(v.x, v.y, v.z, v.w);
}
ZqVector3 z3(const glm::vec3& v) {
    return ZqVector3(v.x, v.y, v.z);
}
ZqVector4 z4(const glm::vec4& v) {
    return ZqVector4(v.x, v.y, v.z, v.w);
}

TEST(ZqVector, LayoutIsPlainFloats) {
    static_assert(sizeof(ZqVector2) == 8 && sizeof(ZqVector3) == 12 && sizeof(ZqVector4) == 16);
    static_assert(std::is_trivially_copyable_v<ZqVector3> && std::is_standard_layout_v<ZqVector4>);
    static_assert(offsetof(ZqVector4, w) == 12 && offsetof(ZqVector3, z) == 8);
    ZqVector3 arr[2] = {{1, 2, 3}, {4, 5, 6}};
    EXPECT_EQ(reinterpret_cast<const float*>(arr)[4], 5.0f);
}

TEST(ZqVector, ConstantsAreSetAtLoad) {
    EXPECT_TRUE(ZqVector2::UNIT_Y.equals(ZqVector2(0, 1)));
    EXPECT_TRUE(ZqVector3::UNIT.equals(ZqVector3(1, 1, 1)));
    EXPECT_TRUE(ZqVector3::UNIT_Z.equals(ZqVector3(0, 0, 1)));
    EXPECT_TRUE(ZqVector4::UNIT_W.equals(ZqVector4(0, 0, 0, 1)));
    EXPECT_TRUE(ZqVector4::ZERO.equals(ZqVector4(0, 0, 0, 0)));
}

TEST(ZqVector, ConstructionAndPartialSetters) {
    const float p[4] = {1, 2, 3, 4};
    EXPECT_TRUE(ZqVector4(ZqVector3(1, 2, 3)).equals(ZqVector4(1, 2, 3, 1)));
    EXPECT_TRUE(ZqVector4(p, 9.0f).equals(ZqVector4(1, 2, 3, 9)));
    EXPECT_TRUE(ZqVector4(p, 8.0f, 9.0f).equals(ZqVector4(1, 2, 8, 9)));
    EXPECT_TRUE(ZqVector3(ZqVector4(p)).equals(ZqVector3(1, 2, 3)));
    EXPECT_TRUE(ZqVector2(ZqVector4(p)).equals(ZqVector2(1, 2)));
    ZqVector4 v(p);
    v.setXYZ(7, 8, 9);
    EXPECT_TRUE(v.equals(ZqVector4(7, 8, 9, 4)));
    v.setXY(ZqVector2(5, 6)).setW(0);
    EXPECT_TRUE(v.equals(ZqVector4(5, 6, 9, 0)));
    v.copyXYZ(ZqVector4(1, 1, 1, 1));
    EXPECT_TRUE(v.equals(ZqVector4(1, 1, 1, 0)));
    // The shorter views share the storage.
    v.getVector3().z = 42.0f;
    v.getVector2().x = 41.0f;
    EXPECT_TRUE(v.equals(ZqVector4(41, 1, 42, 0)));
    const ZqMatrix t(ZqMatrix(1, 2, 3).setTrans(1, 2, 3, 4));
    EXPECT_TRUE(ZqVector4().setFromMatrixPosition(t).equals(ZqVector4(1, 2, 3, 4)));
    EXPECT_TRUE(ZqVector3().setFromMatrixPosition(t).equals(ZqVector3(1, 2, 3)));
    EXPECT_TRUE(ZqVector2().setFromMatrixPosition(t).equals(ZqVector2(1, 2)));
}

// Every arithmetic form of ZqVector3 and ZqVector4 against glm on random operands.
TEST(ZqVector, ArithmeticMatchesGlm) {
    zqmt::Rng rng(10);
    for (int i = 0; i < 500; ++i) {
        const ZqVector3 a = rng.vec3();
        const ZqVector3 b = rng.vec3();
        const float s = rng.uni(0.5f, 4.0f);
        const float t = rng.uni(-0.5f, 1.5f);
        const glm::vec3 ga = g3(a);
        const glm::vec3 gb = g3(b);
        ASSERT_TRUE(nearV3(a + b, z3(ga + gb), 1e-6f));
        ASSERT_TRUE(nearV3(ZqVector3(a) -= b, z3(ga - gb), 1e-6f));
        ASSERT_TRUE(nearV3(ZqVector3().mul(a, b), z3(ga * gb), 1e-6f));
        ASSERT_TRUE(nearV3(a * s, z3(ga * s), 1e-6f));
        ASSERT_TRUE(nearV3(ZqVector3().div(a, b), z3(ga / gb), 1e-5f));
        ASSERT_TRUE(nearV3(ZqVector3(a) /= s, z3(ga / s), 1e-6f));
        ASSERT_TRUE(nearV3(-a, z3(-ga), 0.0f));
        ASSERT_TRUE(nearV3(ZqVector3().abs(a), z3(glm::abs(ga)), 0.0f));
        ASSERT_TRUE(nearV3(ZqVector3(a).min(b), z3(glm::min(ga, gb)), 0.0f));
        ASSERT_TRUE(nearV3(ZqVector3().max(a, b), z3(glm::max(ga, gb)), 0.0f));
        ASSERT_TRUE(nearV3(ZqVector3(a).lerp(b, t), z3(glm::mix(ga, gb, t)), 1e-5f));
        ASSERT_TRUE(near(a.dot(b), glm::dot(ga, gb), 1e-5f));
        ASSERT_TRUE(nearV3(ZqVector3().cross(a, b), z3(glm::cross(ga, gb)), 1e-5f));
        ASSERT_TRUE(near(a.length(), glm::length(ga), 1e-6f));
        ASSERT_TRUE(near(a.distance(b), glm::distance(ga, gb), 1e-6f));
        ASSERT_TRUE(nearV3(ZqVector3().normalize(a), z3(glm::normalize(ga)), 1e-6f));
        const ZqVector3 c = rng.vec3();
        ASSERT_TRUE(
            near(ZqVector3::scalarTriple(a, b, c), glm::dot(glm::cross(ga, gb), g3(c)), 1e-4f));

        const ZqVector4 p = rng.vec4();
        const ZqVector4 q = rng.vec4();
        const glm::vec4 gp = g4(p);
        const glm::vec4 gq = g4(q);
        ASSERT_TRUE(nearV4(p - q, z4(gp - gq), 1e-6f));
        ASSERT_TRUE(nearV4(ZqVector4(p) *= q, z4(gp * gq), 1e-6f));
        ASSERT_TRUE(nearV4(p / s, z4(gp / s), 1e-6f));
        ASSERT_TRUE(nearV4(ZqVector4().lerp(p, q, t), z4(glm::mix(gp, gq, t)), 1e-5f));
        ASSERT_TRUE(nearV4(ZqVector4().min(p, q), z4(glm::min(gp, gq)), 0.0f));
        ASSERT_TRUE(near(ZqVector4::dot(p, q), glm::dot(gp, gq), 1e-5f));
        ASSERT_TRUE(near(p.length(), glm::length(gp), 1e-6f));
    }
}

TEST(ZqVector, MixedOperandsUseTheLeadingComponents) {
    const ZqVector4 v4(1, 2, 3, 4);
    const ZqVector3 v3(10, 20, 30);
    EXPECT_TRUE((ZqVector2(1, 1) + v4).equals(ZqVector2(2, 3)));
    EXPECT_TRUE(ZqVector2(1, 1).mul(v3, v4).equals(ZqVector2(10, 40)));
    EXPECT_TRUE((v3 - v4).equals(ZqVector3(9, 18, 27)));
    EXPECT_TRUE(ZqVector3(v3).div(v4, 2.0f).equals(ZqVector3(0.5f, 1, 1.5f)));
}

TEST(ZqVector, XyzFormsKeepW) {
    zqmt::Rng rng(11);
    for (int i = 0; i < 100; ++i) {
        const ZqVector4 a = rng.vec4();
        const ZqVector4 b = rng.vec4();
        const ZqVector3 a3 = a;
        const ZqVector3 b3 = b;
        const float s = rng.uni(0.5f, 2.0f);
        ZqVector4 r(0, 0, 0, 7.0f);
        const auto check = [&](ZqVector4& v, const ZqVector3& want) {
            return v.w == 7.0f && nearV3(v, want, 1e-6f);
        };
        ASSERT_TRUE(check(r.addXYZ(a, b), a3 + b3));
        ASSERT_TRUE(check(r.subXYZ(a, b), a3 - b3));
        ASSERT_TRUE(check(r.mulXYZ(a, s), a3 * s));
        ASSERT_TRUE(check(r.divXYZ(a, b), a3 / b3));
        ASSERT_TRUE(check(r.divXYZ(a, s), a3 / s));
        ASSERT_TRUE(check(r.negateXYZ(a), -a3));
        ASSERT_TRUE(check(r.absXYZ(a), ZqVector3().abs(a3)));
        ASSERT_TRUE(check(r.maxXYZ(a, b), ZqVector3().max(a3, b3)));
        ASSERT_TRUE(check(r.lerpXYZ(a, b, s), ZqVector3().lerp(a3, b3, s)));
        ASSERT_TRUE(check(r.crossXYZ(a, b), ZqVector3().cross(a3, b3)));
        ASSERT_TRUE(check(r.normalizeXYZ(a), ZqVector3().normalize(a3)));
        ASSERT_TRUE(near(a.dotXYZ(b), a3.dot(b3), 1e-6f));
        ASSERT_TRUE(near(a.distanceXYZ(b), a3.distance(b3), 1e-6f));
        ASSERT_TRUE(near(a.lengthSquaredXYZ(), a3.lengthSquared(), 1e-6f));
        // One-operand forms work in place on this vector's x, y, z.
        ZqVector4 c(a);
        c.crossXYZ(b);
        ASSERT_TRUE(nearV3(c, ZqVector3().cross(a3, b3), 1e-6f));
        ASSERT_EQ(c.w, a.w);
    }
}

TEST(ZqVector, InPlaceCrossReadsBothOperandsFirst) {
    ZqVector3 a(1, 2, 3);
    const ZqVector3 b(4, 5, 6);
    a.cross(b);
    EXPECT_TRUE(a.equals(ZqVector3(-3, 6, -3)));
    ZqVector3 c(4, 5, 6);
    c.cross(ZqVector3(1, 2, 3), c);
    EXPECT_TRUE(c.equals(ZqVector3(-3, 6, -3)));
}

TEST(ZqVector, MinMaxTakeTheSecondOperandOnTiesAndNaN) {
    ZqVector3 a(NaN, 0.0f, 1.0f);
    const ZqVector3 b(5.0f, -0.0f, 2.0f);
    ZqVector3 r;
    r.min(a, b);
    EXPECT_TRUE(r.equals(ZqVector3(5.0f, -0.0f, 1.0f)));
    r.max(b, a);
    EXPECT_TRUE(std::isnan(r.x));
    EXPECT_EQ(std::bit_cast<uint32_t>(r.y), 0u); // +0 from the second operand
    a.max(b);
    EXPECT_EQ(a.x, 5.0f);
}

TEST(ZqVector, ElementQueriesBreakTiesToTheLowestIndex) {
    int i = -1;
    EXPECT_EQ(ZqVector3(2, 2, 1).getMaxElement(i), 2.0f);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(ZqVector3(-1, 1, 3).getMinAbsElement(i), 1.0f);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(ZqVector3(3, -5, 5).getMaxAbsElement(i), 5.0f);
    EXPECT_EQ(i, 1);
    EXPECT_EQ(ZqVector3(3, 1, -2).getMinElement(i), -2.0f);
    EXPECT_EQ(i, 2);
}

TEST(ZqVector, DegenerateReflectAndNormalizeZero) {
    EXPECT_TRUE(ZqVector3(1000, 0.5f, 2).degenerate(0.001f).equals(ZqVector3(1000, 0, 2)));
    EXPECT_TRUE(ZqVector3(0, 0, 0).degenerate(0.001f).equals(ZqVector3(0, 0, 0)));
    // Exactly at the limit stays (only strictly smaller components go).
    EXPECT_TRUE(ZqVector3(1000, 1, -0.5f).degenerate(0.001f).equals(ZqVector3(1000, 1, 0)));
    const ZqVector3 n(0, 1, 0);
    EXPECT_TRUE(ZqVector3(1, -1, 0).reflect(n, 1.0f).equals(ZqVector3(1, 1, 0)));
    EXPECT_TRUE(ZqVector3(1, -1, 0).reflect(n, 0.0f).equals(ZqVector3(1, 0, 0)));
    EXPECT_TRUE(ZqVector3(0, 0, 0).normalize().equals(ZqVector3(0, 0, 0)));
    EXPECT_TRUE(ZqVector2(0, 0).normalize().equals(ZqVector2(0, 0)));
    EXPECT_TRUE(ZqVector3(0, 3e-20f, 4e-20f).normalize().epsilonEquals({0, 0.6f, 0.8f}, 1e-5f));
}

TEST(ZqVector, EqualityAndFiniteTests) {
    EXPECT_FALSE(ZqVector3(0, 0, 0).equals(ZqVector3(-0.0f, 0, 0)));
    EXPECT_TRUE(ZqVector3(0, 0, 0).epsilonEquals(ZqVector3(-0.0f, 0, 0), 0.0f));
    EXPECT_TRUE(ZqVector3(NaN, 0, 0).equals(ZqVector3(NaN, 0, 0)));
    EXPECT_FALSE(ZqVector3(NaN, 0, 0).epsilonEquals(ZqVector3(NaN, 0, 0), 1.0f));
    EXPECT_FALSE(ZqVector3(2e6f, 0, 0).isFinite(1e6f));
    EXPECT_FALSE(ZqVector3(0, NaN, 0).isFinite(1e30f));
    EXPECT_FALSE(ZqVector4(0, 0, 0, INF).isFinite(INF));
    EXPECT_TRUE(ZqVector3(1, -1, 0).isFinite(-1.0f, 1.0f));
    EXPECT_FALSE(ZqVector2(1, -1.5f).isFinite(-1.0f, 1.0f));
    EXPECT_TRUE(ZqVector3(0.6f, 0.8f, 0).isNormalized(1e-6f));
    EXPECT_FALSE(ZqVector3(0.6f, 0.8f, 0.1f).isNormalized(1e-3f));
}

TEST(ZqVector, TransformsMatchGlm) {
    zqmt::Rng rng(12);
    for (int i = 0; i < 500; ++i) {
        ZqMatrix m = rng.any();
        const ZqVector3 v = rng.vec3();
        const glm::mat4 g = zqmt::toGlm(m);
        const glm::vec4 p = g * glm::vec4(g3(v), 1.0f);
        const glm::vec4 d = g * glm::vec4(g3(v), 0.0f);
        ASSERT_TRUE(nearV3(v * m, z3(glm::vec3(p)), 1e-5f));
        ASSERT_TRUE(nearV3(ZqVector3().rot(v, m), z3(glm::vec3(d)), 1e-5f));
        // The projective checks only where W is not close to cancelling out.
        const bool clearW = std::fabs(p.w) > 0.5f;
        ASSERT_TRUE(!clearW || nearV3(ZqVector3(v).rotTransProj(m), z3(glm::vec3(p) / p.w), 1e-4f));

        const ZqVector2 v2 = v;
        const glm::vec4 p2 = g * glm::vec4(v.x, v.y, 0.0f, 1.0f);
        const glm::vec4 d2 = g * glm::vec4(v.x, v.y, 0.0f, 0.0f);
        ASSERT_TRUE(ZqVector2(v2 * m).epsilonEquals(ZqVector2(p2.x, p2.y), 1e-4f));
        ASSERT_TRUE(ZqVector2(v2).rot(m).epsilonEquals(ZqVector2(d2.x, d2.y), 1e-4f));
        const ZqVector2 proj = ZqVector2().rotTransProj(v2, m);
        if (std::fabs(p2.w) > 0.5f) {
            ASSERT_TRUE(near(proj.x, p2.x / p2.w, 1e-4f) && near(proj.y, p2.y / p2.w, 1e-4f));
        }

        const ZqVector4 v4 = rng.vec4();
        ASSERT_TRUE(nearV4(v4 * m, z4(g * g4(v4)), 1e-5f));
        ZqVector4 r(v4);
        r.rotTrans(m);
        ASSERT_TRUE(nearV3(r, z3(glm::vec3(g * glm::vec4(g3(v4), 1.0f))), 1e-5f));
        ASSERT_EQ(r.w, v4.w);
        r = v4;
        r.rot(m);
        ASSERT_TRUE(nearV3(r, z3(glm::vec3(g * glm::vec4(g3(v4), 0.0f))), 1e-5f));
        ASSERT_EQ(r.w, v4.w);
        // Homogeneous divide with the refined reciprocal; w keeps the clip-space W.
        const float rw = r.rotTransProj(v, m);
        ASSERT_LE(std::fabs(rw - 1.0f / p.w), 1e-5f * std::fabs(1.0f / p.w));
        ASSERT_TRUE(!clearW || nearV4(r, ZqVector4(p.x / p.w, p.y / p.w, p.z / p.w, p.w), 1e-4f));
    }
}

TEST(ZqVector, ProjectiveDivideByZeroWLeavesTheVector) {
    ZqMatrix m(ZqMatrix::UNIT);
    m._44 = 0.0f; // W = x * m14 + y * m24 + z * m34 + m44 = 0 for any point
    ZqVector4 v(1, 2, 3, 4);
    EXPECT_EQ(v.rotTransProj(ZqVector3(5, 6, 7), m), 0.0f);
    EXPECT_TRUE(v.equals(ZqVector4(1, 2, 3, 4)));
    m._44 = NaN; // a NaN W is not zero: the vector is written
    EXPECT_TRUE(std::isnan(v.rotTransProj(ZqVector3(5, 6, 7), m)));
    EXPECT_TRUE(std::isnan(v.x));
}

TEST(ZqVector, ProjectAndUnprojectMatchGlm) {
    zqmt::Rng rng(13);
    const ZqVector4 viewport(16, 8, 640, 480);
    for (int i = 0; i < 200; ++i) {
        const ZqVector3 eye = rng.vec3(20.0f);
        const ZqVector3 at = eye + rng.vec3(1.0f) + ZqVector3(0, 0, 2);
        ZqMatrix view;
        view.setLookAtRH(eye, at, ZqVector3(0, 1, 0));
        ZqMatrix proj;
        proj.setPerspectiveFovRH(rng.uni(0.5f, 1.5f), 4.0f / 3.0f, 0.5f, 500.0f);
        ZqMatrix world;
        world.setRotY(rng.uni(-3.0f, 3.0f)).trans(rng.vec3());

        // A window point: x, y in pixels (y down), depth in 0..1.
        const ZqVector3 win(rng.uni(16, 656), rng.uni(8, 488), rng.uni(0.0f, 0.99f));
        ZqVector3 w;
        w.unproject(win, viewport, 0.0f, 1.0f, proj, view, world);
        // glm counts window y upwards from the viewport's bottom.
        const glm::vec3 gwin(win.x, 2 * viewport.y + viewport.w - win.y, win.z);
        const glm::vec3 gw =
            glm::unProjectZO(gwin, zqmt::toGlm(world * view), zqmt::toGlm(proj), g4(viewport));
        ASSERT_TRUE(nearV3(w, z3(gw), 2e-3f)) << i;
        // And back.
        ZqVector3 back;
        back.project(w, viewport, 0.0f, 1.0f, proj, view, world);
        ASSERT_TRUE(near(back.x, win.x, 1e-3f) && near(back.y, win.y, 1e-3f)) << i;
        ASSERT_TRUE(near(back.z, win.z, 1e-3f)) << i;
    }
    // The array form gives the single form's answers and may work in place.
    ZqMatrix view;
    view.setLookAtRH(ZqVector3(0, 2, 5), ZqVector3(0, 0, 0), ZqVector3(0, 1, 0));
    ZqMatrix proj;
    proj.setPerspectiveRH(4.0f, 3.0f, 1.0f, 100.0f);
    ZqVector3 pts[3] = {{16, 8, 0}, {656, 488, 1}, {300, 200, 0.5f}};
    ZqVector3 want[3];
    for (int i = 0; i < 3; ++i) {
        want[i].unproject(pts[i], viewport, 0.0f, 1.0f, proj, view, ZqMatrix::UNIT);
    }
    ZqVector3::unproject(pts, pts, 3, viewport, 0.0f, 1.0f, proj, view, ZqMatrix::UNIT);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(pts[i].equals(want[i]));
    }
    // The near plane's corner through the top-left window pixel.
    EXPECT_TRUE(nearV3(want[0], ZqVector3(-2, 1.5f, -1) * ZqMatrix().inverse(view), 1e-4f));
    // A singular transform leaves the output as it was.
    ZqVector3 keep(1, 2, 3);
    keep.unproject(pts[0], viewport, 0.0f, 1.0f, ZqMatrix::ZERO, view, ZqMatrix::UNIT);
    EXPECT_TRUE(keep.equals(ZqVector3(1, 2, 3)));
}

} // namespace
