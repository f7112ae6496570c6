// Debug drawing of the figures, checked through a recording of ZqGlLine's 3D draws: the number
// and order of the lines, which form draws them (the cross uses two-point strips), where their
// ends lie, and the shadow copies flattened onto y = 0 in opaque black, which stays set.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <cmath>

using zqdgtest::D3;
using zqdgtest::LineCall;
using zqdgtest::LineRecording;

namespace {

constexpr uint32_t WHITE = 0xFFFFFFFFu;
constexpr uint32_t BLACK = 0xFF000000u;

// The second half of a recording with the shadow repeats the first half flattened, in black.
void expectShadowOf(const std::vector<LineCall>& calls, const size_t first, const size_t count,
                    const size_t shadowStart) {
    ASSERT_LE(shadowStart + count, calls.size());
    for (size_t i = 0; i < count; ++i) {
        const LineCall& line = calls[first + i];
        const LineCall& shadow = calls[shadowStart + i];
        ASSERT_EQ(shadow.points.size(), line.points.size());
        EXPECT_EQ(shadow.color, BLACK);
        for (size_t k = 0; k < line.points.size(); ++k) {
            EXPECT_EQ(shadow.points[k].x, line.points[k].x);
            EXPECT_EQ(shadow.points[k].y, 0.0f);
            EXPECT_EQ(shadow.points[k].z, line.points[k].z);
        }
    }
}

double lengthOf(const LineCall& c) {
    return (D3(c.points[1]) - D3(c.points[0])).length();
}

} // namespace

TEST(DrawTest, PointCrossAndShadow) {
    LineRecording rec;
    ZqDgPoint(1, 5, 1).draw(true);
    const auto& calls = rec.get();
    ASSERT_EQ(calls.size(), 6u);
    const ZqVector3 ends[3][2] = {{ZqVector3(-4, 5, 1), ZqVector3(6, 5, 1)},
                                  {ZqVector3(1, 0, 1), ZqVector3(1, 10, 1)},
                                  {ZqVector3(1, 5, -4), ZqVector3(1, 5, 6)}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(calls[k].strip);
        ASSERT_EQ(calls[k].points.size(), 2u);
        EXPECT_EQ(calls[k].color, WHITE);
        EXPECT_TRUE(calls[k].points[0].equals(ends[k][0]));
        EXPECT_TRUE(calls[k].points[1].equals(ends[k][1]));
    }
    expectShadowOf(calls, 0, 3, 3);
    EXPECT_EQ(ZqGlLine::m_color, BLACK);
}

TEST(DrawTest, LinearFigures) {
    {
        LineRecording rec;
        ZqDgSegment(1, 2, 3, 4, 5, 6).draw(true);
        const auto& c = rec.get();
        // The segment, the cross at its start with its shadow, then the segment's shadow.
        ASSERT_EQ(c.size(), 8u);
        EXPECT_FALSE(c[0].strip);
        EXPECT_TRUE(c[0].points[0].equals(ZqVector3(1, 2, 3)));
        EXPECT_TRUE(c[0].points[1].equals(ZqVector3(4, 5, 6)));
        EXPECT_TRUE(c[1].strip);
        EXPECT_EQ(c[1].points[0].x, -4.0f);
        expectShadowOf(c, 1, 3, 4);
        expectShadowOf(c, 0, 1, 7);
    }
    {
        LineRecording rec;
        ZqDgLine(1, 0, 0, 0, 0, 2).draw(false);
        ZqDgRay(1, 0, 0, 0, 0, 2).draw(false);
        const auto& c = rec.get();
        ASSERT_EQ(c.size(), 8u);
        EXPECT_TRUE(c[0].points[0].equals(ZqVector3(1, 0, -30)));
        EXPECT_TRUE(c[0].points[1].equals(ZqVector3(1, 0, 100)));
        EXPECT_TRUE(c[4].points[0].equals(ZqVector3(1, 0, 0)));
        EXPECT_TRUE(c[4].points[1].equals(ZqVector3(1, 0, 100)));
    }
}

// How many lines each figure draws, with and without the shadow copy.
TEST(DrawTest, LineCounts) {
    const ZqVector3 axes[3] = {ZqVector3(1, 0, 0), ZqVector3(0, 1, 0), ZqVector3(0, 0, 1)};
    const float sizes[3] = {1, 2, 3};
    const ZqVector3 tri[3] = {ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), ZqVector3(0, 1, 0)};
    const ZqDgPolygon polygon(3, tri);
    const ZqDgPolygon single(1, tri);
    const ZqDgTriangle triangle(tri[0], tri[1], tri[2]);
    const ZqDgRectangle rectangle(ZqVector3(0, 0, 0), axes, sizes);
    const ZqDgSphere sphere(ZqVector3(0, 3, 0), 2.0f);
    const ZqDgCapsule capsule(ZqVector3(0, 3, 0), ZqVector3(4, 3, 1), 1.0f);
    const ZqDgCylinder cylinder(ZqVector3(0, 3, 0), ZqVector3(4, 3, 1), 1.0f);
    const ZqDgCone cone(ZqVector3(0, 3, 0), ZqVector3(0, -1, 0), 2.0f, 1.0f);
    const ZqDgCylindroid cylindroid(ZqVector3(0, 3, 0), axes, sizes);
    const ZqDgAxisAlignedBoundingBox aabb(0, 3, 0, 1, 2, 3);
    const ZqDgOrientedBoundingBox obb(ZqVector3(0, 3, 0), axes, sizes);
    const ZqDgPlane plane(0, 1, 0, 2);
    const ZqDgHalfspace halfspace(0, 1, 0, 2);
    const ZqDgTetrahedron tetrahedron;
    const ZqDgFrustum frustum;
    struct Row {
        int line;
        const ZqDgFigure* figure;
        size_t plain;
        size_t withShadow;
    };
    const Row rows[] = {
        {__LINE__, &triangle, 4, 7},     {__LINE__, &rectangle, 4, 8},
        {__LINE__, &polygon, 2, 5},      {__LINE__, &single, 0, 0},
        {__LINE__, &sphere, 240, 480},   {__LINE__, &capsule, 272, 544},
        {__LINE__, &cylinder, 48, 96},   {__LINE__, &cone, 32, 64},
        {__LINE__, &cylindroid, 48, 96}, {__LINE__, &aabb, 15, 27},
        {__LINE__, &obb, 15, 27},        {__LINE__, &plane, 19, 38},
        {__LINE__, &halfspace, 99, 198}, {__LINE__, &tetrahedron, 0, 0},
        {__LINE__, &frustum, 0, 0},
    };
    for (const Row& r : rows) {
        {
            LineRecording rec;
            r.figure->draw(false);
            EXPECT_EQ(rec.get().size(), r.plain) << "line " << r.line;
            EXPECT_EQ(ZqGlLine::m_color, WHITE) << "line " << r.line;
        }
        LineRecording rec;
        r.figure->draw(true);
        const auto& calls = rec.get();
        ASSERT_EQ(calls.size(), r.withShadow) << "line " << r.line;
        if (r.withShadow > 0) {
            EXPECT_EQ(calls.back().color, BLACK) << "line " << r.line;
            EXPECT_EQ(calls.back().points[0].y, 0.0f) << "line " << r.line;
        }
    }
}

TEST(DrawTest, RoundFiguresLieOnTheirSurfaces) {
    {
        // Sphere: every end on the surface; the first meridian leaves the bottom pole.
        const ZqDgSphere s(ZqVector3(1, 2, 3), 2.0f);
        LineRecording rec;
        s.draw(true);
        const auto& c = rec.get();
        for (size_t i = 0; i < 240; ++i) {
            EXPECT_FALSE(c[i].strip);
            for (const ZqVector3& p : c[i].points) {
                ASSERT_NEAR((D3(p) - D3(s.m_center)).length(), 2.0, 1e-5);
            }
        }
        EXPECT_TRUE(c[0].points[0].epsilonEquals(ZqVector3(1, 0, 3), 1e-6f));
        expectShadowOf(c, 0, 240, 240);
    }
    {
        // Capsule: every end at the radius from the axis segment.
        const ZqDgCapsule cap(ZqVector3(1, 0, 0), ZqVector3(3, 4, -2), 1.5f);
        LineRecording rec;
        cap.draw(false);
        for (const LineCall& c : rec.get()) {
            for (const ZqVector3& p : c.points) {
                const D3 q = zqdgtest::closestOnSegment(p, cap.m_start, cap.m_end);
                ASSERT_NEAR((D3(p) - q).length(), 1.5, 1e-4);
            }
        }
    }
    {
        // Cone: the apex to points at the height along the direction and the radius off it.
        const ZqDgCone cone(ZqVector3(0, 5, 0), ZqVector3(1, -1, 0), 3.0f, 2.0f);
        LineRecording rec;
        cone.draw(false);
        const auto& c = rec.get();
        const D3 dir(cone.m_direction);
        for (size_t i = 0; i < 16; ++i) {
            EXPECT_TRUE(c[i].points[0].equals(cone.m_apex));
            const D3 v = D3(c[i].points[1]) - D3(cone.m_apex);
            EXPECT_NEAR(v.dot(dir), 3.0, 1e-4);
            EXPECT_NEAR((v - dir * v.dot(dir)).length(), 2.0, 1e-4);
        }
    }
}

TEST(DrawTest, BoxesAndPlanes) {
    {
        // The AABB: edges along the axes in the fixed order, then the centre's cross, whose
        // shadow is not drawn.
        const ZqDgAxisAlignedBoundingBox box(1, 2, 3, 1, 2, 3);
        LineRecording rec;
        box.draw(true);
        const auto& c = rec.get();
        ASSERT_EQ(c.size(), 27u);
        EXPECT_TRUE(c[0].points[0].equals(ZqVector3(0, 0, 0)));
        EXPECT_TRUE(c[0].points[1].equals(ZqVector3(2, 0, 0)));
        EXPECT_TRUE(c[4].points[1].equals(ZqVector3(0, 4, 0)));
        EXPECT_TRUE(c[8].points[1].equals(ZqVector3(0, 0, 6)));
        EXPECT_TRUE(c[12].strip);
        EXPECT_TRUE(c[12].points[0].equals(ZqVector3(-4, 2, 3)));
        expectShadowOf(c, 0, 12, 15);
    }
    {
        // The half-space: grid lines in the boundary plane and 81 ticks of 30 along the
        // normal.
        const ZqDgHalfspace h(ZqVector3(1, 2, 2), 6.0f);
        LineRecording rec;
        h.draw(false);
        int ticks = 0;
        for (const LineCall& c : rec.get()) {
            const double d0 = D3(h.m_normal).dot(D3(c.points[0])) - 6.0;
            const double d1 = D3(h.m_normal).dot(D3(c.points[1])) - 6.0;
            EXPECT_NEAR(d0, 0.0, 1e-3);
            if (std::fabs(d1 - 30.0) < 1e-3) {
                ++ticks;
                EXPECT_NEAR(lengthOf(c), 30.0, 1e-3);
            } else {
                EXPECT_NEAR(d1, 0.0, 1e-3);
                const double len = lengthOf(c);
                EXPECT_TRUE(std::fabs(len - 160.0) < 1e-3 || std::fabs(len - 220.0) < 1e-3) << len;
            }
        }
        EXPECT_EQ(ticks, 81);
        // The first line: y = -80 from x = -80 to 80, then x = -80, then its nine ticks.
        EXPECT_NEAR(lengthOf(rec.get()[0]), 160.0, 1e-3);
        EXPECT_NEAR(lengthOf(rec.get()[2]), 30.0, 1e-3);
    }
    {
        // The plane: the normal first, from n d to n (d + 30), then the grid in the plane.
        const ZqDgPlane p(ZqVector3(0, 0, 1), 4.0f);
        LineRecording rec;
        p.draw(false);
        const auto& c = rec.get();
        EXPECT_TRUE(c[0].points[0].equals(ZqVector3(0, 0, 4)));
        EXPECT_TRUE(c[0].points[1].equals(ZqVector3(0, 0, 34)));
        EXPECT_NEAR(lengthOf(c[9]), 220.0, 1e-3);
        for (size_t i = 1; i < c.size(); ++i) {
            EXPECT_EQ(c[i].points[0].z, 4.0f);
        }
    }
}
