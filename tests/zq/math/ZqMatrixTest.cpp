#include "MathTestUtil.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cstddef>
#include <limits>
#include <numbers>
#include <type_traits>

namespace {

using zqmt::near;
using zqmt::nearM;
using zqmt::nearV3;
using zqmt::nearV4;

constexpr float PI = std::numbers::pi_v<float>;
const float NaN = std::numeric_limits<float>::quiet_NaN();

glm::vec3 g3(const ZqVector3& v) {
    return glm::vec3(v.x, v.y, v.z);
}

const float* raw(const ZqMatrix& m) {
    return &m.m[0][0];
}

TEST(ZqMatrix, LayoutIsRowMajorSixteenFloats) {
    static_assert(sizeof(ZqMatrix) == 64 && std::is_trivially_copyable_v<ZqMatrix>);
    ZqMatrix m;
    for (int i = 0; i < 16; ++i) {
        m.m[i / 4][i % 4] = static_cast<float>(i);
    }
    EXPECT_EQ(m._12, 1.0f);
    EXPECT_EQ(m._21, 4.0f);
    EXPECT_EQ(m._43, 14.0f);
    EXPECT_TRUE(ZqMatrix::UNIT.isIdentity());
    EXPECT_TRUE(ZqMatrix::ZERO.equals(ZqMatrix(0.0f)));
    EXPECT_TRUE(ZqMatrix::UNIT.equals(ZqMatrix(1.0f)));
}

TEST(ZqMatrix, SettersWriteTheDocumentedElements) {
    const float seq[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    EXPECT_TRUE(
        ZqMatrix(seq).equals(ZqMatrix(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16)));
    EXPECT_TRUE(
        ZqMatrix().set(2.0f).equals(ZqMatrix(2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2)));
    EXPECT_TRUE(ZqMatrix(ZqVector3(1, 2, 3))
                    .equals(ZqMatrix(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1)));
    EXPECT_TRUE(ZqMatrix().setScale(2, 3, 4).equals(
        ZqMatrix(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1)));
    EXPECT_TRUE(ZqMatrix().setScale(ZqVector4(2, 3, 4, 5)).trace() == 14.0f);

    ZqMatrix m(ZqMatrix::ZERO);
    m.setRow(1, 1, 2, 3, 4);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(raw(m)[i], (i >= 4 && i <= 7) ? float(i - 3) : 0.0f) << i;
    }
    m.setZero().setColumn(1, 1, 2, 3, 4);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(raw(m)[i], (i % 4 == 1) ? float(i / 4 + 1) : 0.0f) << i;
    }
    ZqVector4 r;
    m.getColumn(1, r);
    EXPECT_TRUE(r.equals(ZqVector4(1, 2, 3, 4)));
    m.getRow(3, r);
    EXPECT_TRUE(r.equals(ZqVector4(0, 4, 0, 0)));

    m.set(seq).setTrans(7, 8, 9);
    EXPECT_TRUE(m.equals(ZqMatrix(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 7, 8, 9, 16)));
    m.trans(ZqVector4(1, 1, 1, 100));
    m.getTrans(r);
    EXPECT_TRUE(r.equals(ZqVector4(8, 9, 10, 16)));
    m.setTrans(ZqVector4(0, 0, 0, 1));
    EXPECT_EQ(m._44, 1.0f);
}

TEST(ZqMatrix, MultiplyMatchesGlmAndToleratesAliasing) {
    zqmt::Rng rng(20);
    for (int i = 0; i < 500; ++i) {
        const ZqMatrix a = rng.any();
        const ZqMatrix b = rng.any();
        // a * b applies a first: for glm's column vectors that is B * A.
        const ZqMatrix want = zqmt::fromGlm(zqmt::toGlm(b) * zqmt::toGlm(a));
        ASSERT_TRUE(nearM(a * b, want, 1e-5f));
        ZqMatrix c(a);
        c *= b;
        ASSERT_TRUE(c.equals(a * b));
        c = b;
        c.mul(a, c);
        ASSERT_TRUE(c.equals(a * b));
        c = a;
        c.mul(c, c);
        ASSERT_TRUE(c.equals(a * a));
    }
}

TEST(ZqMatrix, InverseDeterminantTransposeMatchGlm) {
    zqmt::Rng rng(21);
    for (int i = 0; i < 500; ++i) {
        const ZqMatrix a = rng.wellConditioned();
        const glm::mat4 g = zqmt::toGlm(a);
        ASSERT_TRUE(nearM(ZqMatrix().inverse(a), zqmt::fromGlm(glm::inverse(g)), 1e-4f));
        ASSERT_TRUE(nearM(ZqMatrix(a).inverse() * a, ZqMatrix::UNIT, 1e-5f));
        ASSERT_TRUE(near(a.determinant(), glm::determinant(g), 1e-4f));
        ASSERT_TRUE(ZqMatrix().transpose(a).equals(zqmt::fromGlm(glm::transpose(g))));
        ZqMatrix t(a);
        ASSERT_TRUE(t.transpose().transpose().equals(a));
    }
    const ZqMatrix rigid = ZqMatrix().setRotAxis(ZqVector3(1, 2, 3), 0.7f).setTrans(4, 5, 6);
    EXPECT_TRUE(near(rigid.determinant(), 1.0f, 1e-6f));
}

TEST(ZqMatrix, InverseOfASingularMatrixLeavesTheDestination) {
    ZqMatrix singular(ZqMatrix::UNIT);
    singular.setRow(2, 1, 1, 0, 0).setRow(3, 2, 2, 0, 0);
    EXPECT_EQ(singular.determinant(), 0.0f);
    ZqMatrix dst(ZqVector3(1, 2, 3));
    dst.inverse(singular);
    EXPECT_TRUE(dst.equals(ZqMatrix(1, 2, 3)));
    ZqMatrix z(ZqMatrix::ZERO);
    EXPECT_TRUE(z.inverse().equals(ZqMatrix::ZERO));
}

TEST(ZqMatrix, ElementwiseArithmetic) {
    zqmt::Rng rng(22);
    const ZqMatrix a = rng.any();
    const ZqMatrix b = rng.any();
    const ZqMatrix sum = a + b;
    const ZqMatrix diff = ZqMatrix(a) -= b;
    const ZqMatrix scaled = a * 3.0f;
    const ZqMatrix neg = -a;
    const ZqMatrix ab = ZqMatrix().abs(a);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(raw(sum)[i], raw(a)[i] + raw(b)[i]);
        EXPECT_EQ(raw(diff)[i], raw(a)[i] - raw(b)[i]);
        EXPECT_EQ(raw(scaled)[i], raw(a)[i] * 3.0f);
        EXPECT_EQ(raw(neg)[i], -raw(a)[i]);
        EXPECT_EQ(raw(ab)[i], std::fabs(raw(a)[i]));
    }
    EXPECT_TRUE((+a).equals(a));
    EXPECT_EQ(a.trace(), a._11 + a._22 + a._33 + a._44);
}

TEST(ZqMatrix, RotationsMatchGlm) {
    zqmt::Rng rng(23);
    for (int i = 0; i < 300; ++i) {
        const float ang = rng.uni(-2.0f * PI, 2.0f * PI);
        const glm::mat4 I(1.0f);
        ASSERT_TRUE(nearM(ZqMatrix().setRotX(ang),
                          zqmt::fromGlm(glm::rotate(I, ang, glm::vec3(1, 0, 0))), 1e-6f));
        ASSERT_TRUE(nearM(ZqMatrix().setRotY(ang),
                          zqmt::fromGlm(glm::rotate(I, ang, glm::vec3(0, 1, 0))), 1e-6f));
        ASSERT_TRUE(nearM(ZqMatrix().setRotZ(ang),
                          zqmt::fromGlm(glm::rotate(I, ang, glm::vec3(0, 0, 1))), 1e-6f));
        // The axis need not be of unit length.
        const ZqVector3 axis = rng.vec3(3.0f);
        ASSERT_TRUE(nearM(ZqMatrix().setRotAxis(axis, ang),
                          zqmt::fromGlm(glm::rotate(I, ang, g3(axis))), 1e-5f));
        ASSERT_TRUE(ZqMatrix()
                        .setRotAxis(ZqVector4(axis, 9.0f), ang)
                        .equals(ZqMatrix().setRotAxis(axis.x, axis.y, axis.z, ang)));
    }
    // A quarter turn about +Z takes +X to +Y (right-handed, counter-clockwise).
    EXPECT_TRUE(nearV3(ZqVector3(1, 0, 0) * ZqMatrix().setRotZ(PI / 2), ZqVector3(0, 1, 0), 1e-6f));
}

TEST(ZqMatrix, EulerOrdersAreProductsOfAxisRotations) {
    zqmt::Rng rng(24);
    for (int i = 0; i < 300; ++i) {
        const ZqVector3 r = rng.vec3(PI);
        const ZqMatrix rx = ZqMatrix().setRotX(r.x);
        const ZqMatrix ry = ZqMatrix().setRotY(r.y);
        const ZqMatrix rz = ZqMatrix().setRotZ(r.z);
        ASSERT_TRUE(nearM(ZqMatrix().setRotXYZ(r), rx * ry * rz, 1e-6f));
        ASSERT_TRUE(nearM(ZqMatrix().setRotZYX(r), rz * ry * rx, 1e-6f));

        // rotX/rotXYZ turn every row of m after it: this = m * R.
        const ZqMatrix m = rng.any();
        ASSERT_TRUE(nearM(ZqMatrix().rotX(m, r.x), m * rx, 1e-6f));
        ASSERT_TRUE(nearM(ZqMatrix().rotY(m, r.y), m * ry, 1e-6f));
        ASSERT_TRUE(nearM(ZqMatrix(m).rotZ(r.z), m * rz, 1e-6f));
        ASSERT_TRUE(nearM(ZqMatrix().rotXYZ(m, r), m * ZqMatrix().setRotXYZ(r), 1e-5f));
        ASSERT_TRUE(nearM(ZqMatrix(m).rotZYX(r), m * ZqMatrix().setRotZYX(r), 1e-5f));
        ASSERT_TRUE(nearM(ZqMatrix().rotXYZ(m, ZqVector4(r, 5.0f)), ZqMatrix().rotXYZ(m, r), 0.0f));
    }
}

TEST(ZqMatrix, EulerAnglesRoundTrip) {
    zqmt::Rng rng(25);
    for (int i = 0; i < 500; ++i) {
        const ZqVector3 r(rng.uni(-PI, PI), rng.uni(-1.5f, 1.5f), rng.uni(-PI, PI));
        ZqVector3 back;
        ZqMatrix().setRotXYZ(r).getRotXYZ(back);
        ASSERT_TRUE(nearV3(back, r, 1e-4f)) << i;
        ZqVector4 back4;
        ZqMatrix().setRotZYX(r).getRotZYX(back4);
        ASSERT_TRUE(nearV4(back4, ZqVector4(r, 1.0f), 1e-4f)) << i;
    }
    ZqVector3 r;
    ZqMatrix().setRotXYZ(0.1f, 0.2f, 0.3f).getRotXYZ(r);
    EXPECT_TRUE(nearV3(r, ZqVector3(0.1f, 0.2f, 0.3f), 1e-6f));
    // At y = pi/2 the angles are not unique; whatever comes back rebuilds the matrix.
    const ZqMatrix lock = ZqMatrix().setRotXYZ(0.5f, PI / 2, 0.3f);
    lock.getRotXYZ(r);
    EXPECT_TRUE(nearM(ZqMatrix().setRotXYZ(r), lock, 1e-5f));
    // An exact gimbal lock (m11 = m12 = 0) takes the degenerate branch: x = 0.
    const float c = std::cos(0.2f);
    const float s = std::sin(0.2f);
    const ZqMatrix exact(0, 0, -1, 0, s, c, 0, 0, c, -s, 0, 0, 0, 0, 0, 1);
    exact.getRotXYZ(r);
    EXPECT_EQ(r.x, 0.0f);
    EXPECT_TRUE(near(r.y, PI / 2, 1e-6f));
    EXPECT_TRUE(nearM(ZqMatrix().setRotXYZ(r), exact, 1e-6f));
    const ZqMatrix lockZyx = ZqMatrix().setRotZYX(0.4f, -PI / 2, -0.7f);
    lockZyx.getRotZYX(r);
    EXPECT_TRUE(nearM(ZqMatrix().setRotZYX(r), lockZyx, 1e-5f));
}

TEST(ZqMatrix, ScaleQueriesAndDecomposition) {
    zqmt::Rng rng(26);
    for (int i = 0; i < 200; ++i) {
        const ZqVector3 rot(rng.uni(-PI, PI), rng.uni(-1.5f, 1.5f), rng.uni(-PI, PI));
        const ZqVector3 scl(rng.uni(0.1f, 5.0f), rng.uni(0.1f, 5.0f), rng.uni(0.1f, 5.0f));
        const ZqVector3 pos = rng.vec3(100.0f);
        // Scale applied after the rotation: the columns carry it.
        ZqMatrix m = ZqMatrix().setRotXYZ(rot) * ZqMatrix().setScale(scl);
        m.setTrans(pos);
        ZqVector4 s;
        m.getScale(s);
        ASSERT_TRUE(nearV4(s, ZqVector4(scl, 1.0f), 1e-5f));
        ZqVector4 t;
        ZqVector4 r;
        ZqVector4 s2;
        ASSERT_TRUE(m.getTransRotXYZScale(&t, r, &s2));
        ASSERT_TRUE(t.equals(ZqVector4(pos, 1.0f)));
        ASSERT_TRUE(nearV4(r, ZqVector4(rot, 1.0f), 1e-4f));
        ASSERT_TRUE(nearV4(s2, ZqVector4(scl, 1.0f), 1e-5f));
        ASSERT_TRUE(m.getTransRotXYZScale(nullptr, r, nullptr));
        ASSERT_TRUE(nearV4(r, ZqVector4(rot, 1.0f), 1e-4f));
        // ZYX decomposition of a ZYX rotation.
        ZqMatrix z = ZqMatrix().setRotZYX(rot) * ZqMatrix().setScale(scl);
        ASSERT_TRUE(z.getTransRotZYXScale(nullptr, r, &s2));
        ASSERT_TRUE(nearV4(r, ZqVector4(rot, 1.0f), 1e-4f));
        // cutScale leaves the rotation alone.
        ASSERT_TRUE(nearM(m.cutScale(s), ZqMatrix().setRotXYZ(rot).setTrans(pos), 1e-5f));
    }
    // A zero column stays zero and reports 0.
    ZqMatrix m(ZqMatrix().setScale(2, 0, 3));
    ZqVector4 s;
    m.cutScale(s);
    EXPECT_TRUE(s.equals(ZqVector4(2, 0, 3, 1)));
    EXPECT_TRUE(nearM(m, ZqMatrix().setScale(1, 0, 1), 1e-6f));

    // scale(x, y, z) scales the first three elements of rows 1..3; w has no effect.
    zqmt::Rng r2(27);
    const ZqMatrix a = r2.any();
    const ZqMatrix b = ZqMatrix(a).scale(2, 3, 4, 5);
    EXPECT_TRUE(b.equals(ZqMatrix(a).scale(ZqVector3(2, 3, 4))));
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            const float f = (i < 3 && j < 3) ? float(i + 2) : 1.0f;
            EXPECT_EQ(b.m[i][j], a.m[i][j] * f) << i << j;
        }
    }
}

TEST(ZqMatrix, RowAndColumnNegation) {
    const ZqMatrix a(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_TRUE(ZqMatrix(a).invertRow02().equals(
        ZqMatrix(-1, -2, -3, -4, 5, 6, 7, 8, -9, -10, -11, -12, 13, 14, 15, 16)));
    EXPECT_TRUE(ZqMatrix(a).invertColumn02().equals(
        ZqMatrix(-1, 2, -3, 4, -5, 6, -7, 8, -9, 10, -11, 12, -13, 14, -15, 16)));
}

TEST(ZqMatrix, RotationLimits) {
    // Equal bound pairs change nothing, not even a scaled matrix.
    const ZqMatrix scaled = ZqMatrix().setScale(2, 3, 4).setTrans(1, 2, 3);
    EXPECT_TRUE(ZqMatrix(scaled).setRotXYZLimitation(0, 0, 0, 0, 0, 0).equals(scaled));
    // Bounds in either order; the translation and the fourth column stay.
    ZqMatrix m = ZqMatrix().setRotX(1.0f).setTrans(5, 6, 7);
    m._14 = 0.25f;
    m.setRotXYZLimitation(0.5f, -0.5f, 0, 0, 0, 0);
    ZqVector3 r;
    m.getRotXYZ(r);
    EXPECT_TRUE(nearV3(r, ZqVector3(0.5f, 0, 0), 1e-6f));
    EXPECT_TRUE(ZqVector3().setFromMatrixPosition(m).equals(ZqVector3(5, 6, 7)));
    EXPECT_EQ(m._14, 0.25f);
    // Free angles pass; limited ones clamp from either side.
    struct Case {
        ZqVector3 in;
        float yA, yB, zA, zB;
        ZqVector3 want;
    };
    const Case cases[] = {
        {{0.3f, -1.2f, 2.0f}, -1.0f, 1.0f, 0, 0, {0.3f, -1.0f, 2.0f}},
        {{0.3f, 1.2f, 2.0f}, 1.0f, -1.0f, 0, 0, {0.3f, 1.0f, 2.0f}},
        {{0.3f, 0.2f, 2.0f}, -1.0f, 1.0f, 0.5f, 1.5f, {0.3f, 0.2f, 1.5f}},
        {{0.3f, 0.2f, -2.0f}, 0, 0, 1.5f, 0.5f, {0.3f, 0.2f, 0.5f}},
    };
    for (const Case& c : cases) {
        ZqMatrix x = ZqMatrix().setRotXYZ(c.in);
        x.setRotXYZLimitation(1, 1, c.yA, c.yB, c.zA, c.zB);
        x.getRotXYZ(r);
        EXPECT_TRUE(nearV3(r, c.want, 1e-5f));
    }
}

TEST(ZqMatrix, EqualityAndFiniteTests) {
    ZqMatrix a(ZqMatrix::ZERO);
    ZqMatrix b(ZqMatrix::ZERO);
    b._32 = -0.0f;
    EXPECT_TRUE(a.equals(b));
    b._32 = NaN;
    EXPECT_FALSE(b.equals(b));
    EXPECT_FALSE(a.epsilonEquals(b, 1.0f));
    EXPECT_FALSE(b.isFinite(1e30f));
    b._32 = 2.0f;
    EXPECT_TRUE(a.epsilonEquals(b, 2.0f));
    EXPECT_FALSE(a.epsilonEquals(b, 1.9f));
    EXPECT_TRUE(b.isFinite(2.0f));
    EXPECT_FALSE(b.isFinite(1.5f));
    EXPECT_TRUE(b.isFinite(0.0f, 2.0f));
    EXPECT_FALSE(b.isFinite(-1.0f, 1.0f));
    ZqMatrix id(ZqMatrix::UNIT);
    id._21 = -0.0f;
    EXPECT_TRUE(id.isIdentity());
    id._44 = 1.0000001f;
    EXPECT_FALSE(id.isIdentity());
}

TEST(ZqMatrix, CameraMatricesMatchGlm) {
    zqmt::Rng rng(28);
    for (int i = 0; i < 200; ++i) {
        const ZqVector3 eye = rng.vec3(50.0f);
        const ZqVector3 at = rng.vec3(50.0f);
        const ZqVector3 up = ZqVector3(0, 1, 0) + rng.vec3(0.3f);
        ASSERT_TRUE(nearM(ZqMatrix().setLookAtRH(eye, at, up),
                          zqmt::fromGlm(glm::lookAtRH(g3(eye), g3(at), g3(up))), 1e-5f));

        const float fov = rng.uni(0.3f, 2.5f);
        const float aspect = rng.uni(0.5f, 2.5f);
        const float zn = rng.uni(0.1f, 10.0f);
        const float zf = zn + rng.uni(1.0f, 1000.0f);
        ASSERT_TRUE(nearM(ZqMatrix().setPerspectiveFovRH(fov, aspect, zn, zf),
                          zqmt::fromGlm(glm::perspectiveRH_ZO(fov, aspect, zn, zf)), 1e-5f));
        const float l = rng.uni(-10.0f, -1.0f);
        const float r = rng.uni(1.0f, 10.0f);
        const float b = rng.uni(-10.0f, -1.0f);
        const float t = rng.uni(1.0f, 10.0f);
        ASSERT_TRUE(nearM(ZqMatrix().setPerspectiveOffCenterRH(l, r, b, t, zn, zf),
                          zqmt::fromGlm(glm::frustumRH_ZO(l, r, b, t, zn, zf)), 1e-5f));
        ASSERT_TRUE(nearM(ZqMatrix().setOrthoOffCenterRH(l, r, b, t, zn, zf),
                          zqmt::fromGlm(glm::orthoRH_ZO(l, r, b, t, zn, zf)), 1e-5f));
        // The centred forms are the off-centre ones around the axis.
        ASSERT_TRUE(nearM(ZqMatrix().setPerspectiveRH(r * 2, t * 2, zn, zf),
                          ZqMatrix().setPerspectiveOffCenterRH(-r, r, -t, t, zn, zf), 1e-6f));
        ASSERT_TRUE(nearM(ZqMatrix().setOrthoRH(r * 2, t * 2, zn, zf),
                          ZqMatrix().setOrthoOffCenterRH(-r, r, -t, t, zn, zf), 1e-6f));
    }
}

TEST(ZqMatrix, PerspectiveMapsTheViewVolumeToClipSpace) {
    const ZqMatrix p = ZqMatrix().setPerspectiveRH(1024, 768, 64, 65536);
    // Depth 0 on the near plane, 1 on the far plane (the view looks down -z).
    EXPECT_TRUE(near(ZqVector3(0, 0, -64).rotTransProj(p).z, 0.0f, 1e-6f));
    EXPECT_TRUE(near(ZqVector3(0, 0, -65536).rotTransProj(p).z, 1.0f, 1e-6f));
    // x = 600 at z = -100 is inside the side planes, 900 is not.
    EXPECT_TRUE(near(ZqVector3(600, 0, -100).rotTransProj(p).x, 0.75f, 1e-6f));
    EXPECT_GT(ZqVector3(900, 0, -100).rotTransProj(p).x, 1.0f);
    // The near plane's corner of an off-centre volume lands on the clip corner.
    const ZqMatrix oc = ZqMatrix().setPerspectiveOffCenterRH(-1, 3, -2, 1, 2, 50);
    EXPECT_TRUE(nearV3(ZqVector3(3, 1, -2).rotTransProj(oc), ZqVector3(1, 1, 0), 1e-6f));
    // The sprite layer's pixel projection: top-left origin, y down.
    const ZqMatrix px = ZqMatrix().setOrthoOffCenterRH(0, 1024, 768, 0, 0, 1);
    EXPECT_TRUE(nearV3(ZqVector3(0, 0, 0) * px, ZqVector3(-1, 1, 0), 1e-6f));
    EXPECT_TRUE(nearV3(ZqVector3(1024, 768, -1) * px, ZqVector3(1, -1, 1), 1e-6f));
    // The look-at puts the target straight ahead on -z.
    const ZqMatrix v = ZqMatrix().setLookAtRH({1, 2, 3}, {1, 2, -7}, {0, 1, 0});
    EXPECT_TRUE(nearV3(ZqVector3(1, 2, -7) * v, ZqVector3(0, 0, -10), 1e-6f));
}

} // namespace
