// The figure family: names and types, the dispatch of unsupported and not-yet-built pairs,
// constructors and setters, validity checks, the rigid transform and the plane-plane line.
#include "tests/zq/dg/DgTestUtil.h"
#include "zq/zq.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <type_traits>

using zqdgtest::D3;

namespace {

// One default-constructed figure of every class, in type order.
std::vector<std::unique_ptr<ZqDgFigure>> everyFigure() {
    std::vector<std::unique_ptr<ZqDgFigure>> f;
    f.push_back(std::make_unique<ZqDgPoint>(1.0f, 2.0f, 3.0f));
    f.push_back(std::make_unique<ZqDgLine>(0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f));
    f.push_back(std::make_unique<ZqDgRay>(0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f));
    f.push_back(std::make_unique<ZqDgSegment>(0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f));
    f.push_back(std::make_unique<ZqDgPlane>(0.0f, 1.0f, 0.0f, 0.0f));
    f.push_back(
        std::make_unique<ZqDgTriangle>(ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), ZqVector3(0, 1, 0)));
    f.push_back(std::make_unique<ZqDgRectangle>());
    f.push_back(std::make_unique<ZqDgPolygon>());
    f.push_back(std::make_unique<ZqDgHalfspace>(0.0f, 1.0f, 0.0f, 0.0f));
    f.push_back(std::make_unique<ZqDgTetrahedron>());
    f.push_back(std::make_unique<ZqDgSphere>(ZqVector3(0, 0, 0), 1.0f));
    f.push_back(std::make_unique<ZqDgCapsule>(ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), 1.0f));
    f.push_back(std::make_unique<ZqDgCylinder>(ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), 1.0f));
    f.push_back(std::make_unique<ZqDgCylindroid>(ZqVector3(-1, -1, -1), ZqVector3(1, 1, 1)));
    f.push_back(std::make_unique<ZqDgCone>(ZqVector3(0, 0, 0), ZqVector3(0, 1, 0), 1.0f, 1.0f));
    f.push_back(std::make_unique<ZqDgEllipsoid>());
    f.push_back(std::make_unique<ZqDgAxisAlignedBoundingBox>(0, 0, 0, 1, 1, 1));
    f.push_back(
        std::make_unique<ZqDgOrientedBoundingBox>(ZqVector3(-1, -1, -1), ZqVector3(1, 1, 1)));
    f.push_back(std::make_unique<ZqDgFrustum>());
    f.push_back(std::make_unique<ZqDgPolyhedron>());
    return f;
}

const char16_t* const NAMES[] = {
    u"Point",   u"Line",      u"Ray",         u"Segment", u"Plane",   u"Triangle",  u"Rectangle",
    u"Polygon", u"Halfspace", u"Tetrahedron", u"Sphere",  u"Capsule", u"Cylinder",  u"Cylindroid",
    u"Cone",    u"Ellipsoid", u"AABB",        u"OBB",     u"Frustum", u"Polyhedron"};

std::string narrow(const char16_t* s) {
    std::string out;
    for (; *s != 0; ++s) {
        out.push_back(static_cast<char>(*s));
    }
    return out;
}

void expectUnsupported(const ZqDgFigure& a, const ZqDgFigure& b) {
    SCOPED_TRACE(narrow(a.getFigureName()) + " with " + narrow(b.getFigureName()));
    EXPECT_FALSE(a.vIntersect(b));
    EXPECT_EQ(a.vDistance(b), FLT_MAX);
    EXPECT_EQ(a.vDistanceSquared(b), FLT_MAX);
    ZqVector3 p(7.0f, 8.0f, 9.0f);
    ZqVector3 q(-7.0f, -8.0f, -9.0f);
    a.vClosestPoint(b, &p, &q);
    EXPECT_TRUE(p.equals(ZqVector3(7.0f, 8.0f, 9.0f)));
    EXPECT_TRUE(q.equals(ZqVector3(-7.0f, -8.0f, -9.0f)));
}

} // namespace

TEST(FigureFamily, NamesAndTypes) {
    const auto figures = everyFigure();
    for (uint32_t i = 0; i < ZqDgFigure::NR_FIGURE_TYPES; ++i) {
        EXPECT_EQ(figures[i]->getFigureType(), i);
        EXPECT_EQ(std::u16string(figures[i]->getFigureName()), NAMES[i]);
    }
    const ZqDgSphere sphere;
    EXPECT_EQ(sphere.getFigureType(), ZqDgFigure::SPHERE);
    // A copy carries the source's type.
    const ZqDgPoint copy(*static_cast<const ZqDgPoint*>(figures[0].get()));
    EXPECT_EQ(copy.getFigureType(), ZqDgFigure::POINT);
}

// Rays, half-spaces and the classes without tables answer nothing, whichever the other
// figure; and no table answers for a ray, polygon or half-space as the other figure.
TEST(FigureFamily, UnsupportedCallersAndOthers) {
    const auto figures = everyFigure();
    for (const uint32_t caller :
         {ZqDgFigure::RAY, ZqDgFigure::POLYGON, ZqDgFigure::HALFSPACE, ZqDgFigure::TETRAHEDRON,
          ZqDgFigure::CYLINDER, ZqDgFigure::CONE, ZqDgFigure::ELLIPSOID, ZqDgFigure::FRUSTUM,
          ZqDgFigure::POLYHEDRON}) {
        for (const auto& other : figures) {
            expectUnsupported(*figures[caller], *other);
        }
    }
    for (const auto& caller : figures) {
        for (const uint32_t other : {ZqDgFigure::RAY, ZqDgFigure::POLYGON, ZqDgFigure::HALFSPACE}) {
            expectUnsupported(*caller, *figures[other]);
        }
    }
}

// Every pair the family supports is built: no table entry stands in for a missing test any
// more. One left over shows by name in the failure.
TEST(FigureFamily, PairsNotYetBuilt) {
    const std::set<std::string> expected;

    std::set<std::string> found;
    auto scan = [&](const char* caller, const auto& tables) {
        using Q = ZqDgFigure::Query;
        for (uint32_t other = 0; other < ZqDgFigure::NR_FIGURE_TYPES; ++other) {
            const std::string otherName = narrow(NAMES[other]);
            if (tables.isNotYetBuilt(Q::Intersect, other)) {
                found.insert(std::string(caller) + " intersect " + otherName);
            }
            // Distance and squared distance always come together.
            EXPECT_EQ(tables.isNotYetBuilt(Q::Distance, other),
                      tables.isNotYetBuilt(Q::DistanceSquared, other));
            if (tables.isNotYetBuilt(Q::Distance, other)) {
                found.insert(std::string(caller) + " distance " + otherName);
            }
            if (tables.isNotYetBuilt(Q::ClosestPoint, other)) {
                found.insert(std::string(caller) + " closestPoint " + otherName);
            }
        }
    };
    scan("Point", ZqDgPoint::figureTab);
    scan("Line", ZqDgLine::figureTab);
    scan("Ray", ZqDgRay::figureTab);
    scan("Segment", ZqDgSegment::figureTab);
    scan("Plane", ZqDgPlane::figureTab);
    scan("Triangle", ZqDgTriangle::figureTab);
    scan("Rectangle", ZqDgRectangle::figureTab);
    scan("Sphere", ZqDgSphere::figureTab);
    scan("Capsule", ZqDgCapsule::figureTab);
    scan("Cylindroid", ZqDgCylindroid::figureTab);
    scan("AABB", ZqDgAxisAlignedBoundingBox::figureTab);
    scan("OBB", ZqDgOrientedBoundingBox::figureTab);
    EXPECT_EQ(found, expected);
}

TEST(FigureFamily, ConstructorsAndSetters) {
    const ZqDgSegment s(1, 2, 3, 4, 5, 6);
    EXPECT_TRUE(s.m_start.equals(ZqVector3(1, 2, 3)));
    EXPECT_TRUE(s.m_end.equals(ZqVector3(4, 5, 6)));

    // Origin at the start, direction from the end toward the start.
    const ZqDgLine l(ZqDgSegment(0, 0, 0, 2, 0, 0));
    EXPECT_TRUE(l.m_origin.equals(ZqVector3(0, 0, 0)));
    EXPECT_TRUE(l.m_direction.epsilonEquals(ZqVector3(-1, 0, 0), 0.0f));
    ZqDgRay r;
    r.set2p(ZqVector3(1, 1, 1), ZqVector3(1, 1, 5));
    EXPECT_TRUE(r.m_direction.epsilonEquals(ZqVector3(0, 0, -1), 0.0f));
    EXPECT_TRUE(
        ZqDgLine(0, 0, 0, 3, 4, 0).m_direction.epsilonEquals(ZqVector3(0.6f, 0.8f, 0), 1e-7f));

    // The normal is normalised, d is kept as given.
    const ZqDgPlane p(0, 0, 2, 3);
    EXPECT_TRUE(p.getNormal().equals(ZqVector3(0, 0, 1)));
    EXPECT_EQ(p.getDistanceFromOrigin(), 3.0f);
    const ZqDgHalfspace h(ZqVector3(0, 0, 5), ZqVector3(0, 0, 2));
    EXPECT_EQ(h.getDistanceFromOrigin(), 5.0f);
    const ZqDgPlane tri(ZqVector3(0, 0, 1), ZqVector3(1, 0, 1), ZqVector3(0, 1, 1));
    EXPECT_TRUE(tri.getNormal().equals(ZqVector3(0, 0, 1)));
    EXPECT_EQ(tri.getDistanceFromOrigin(), 1.0f);

    // The bounding radius is the exact length of the half sizes, on every path that writes
    // them.
    const float halves[3] = {1.0f, 2.0f, 2.0f};
    const ZqVector3 axes[3] = {ZqVector3(2, 0, 0), ZqVector3(0, 3, 0), ZqVector3(0, 0, 4)};
    ZqDgOrientedBoundingBox obb(ZqVector3(0, 0, 0), axes, halves);
    EXPECT_EQ(obb.getBoundingRadius(), 3.0f);
    EXPECT_TRUE(obb.m_axis[1].equals(ZqVector3(0, 1, 0)));
    obb.setRadius(3.0f, 4.0f, 12.0f);
    EXPECT_EQ(obb.getBoundingRadius(), 13.0f);
    EXPECT_EQ(
        ZqDgOrientedBoundingBox(ZqVector3(-1, -2, -2), ZqVector3(1, 2, 2)).getBoundingRadius(),
        3.0f);
    EXPECT_EQ(
        ZqDgOrientedBoundingBox(ZqDgAxisAlignedBoundingBox(5, 5, 5, 1, 2, 2)).getBoundingRadius(),
        3.0f);
    // Axes from a quaternion: rows of its rotation matrix.
    ZqDgCylindroid cyl(ZqVector3(0, 0, 0), ZqQuat().setFromXYZR(0, 0, 1, 1.5707964f), halves);
    EXPECT_TRUE(cyl.m_axis[0].epsilonEquals(ZqVector3(0, 1, 0), 1e-6f));
    ZqVector3 v(0, 2, 0);
    cyl.translateVector(&v);
    EXPECT_TRUE(v.epsilonEquals(ZqVector3(2, 0, 0), 1e-6f));

    ZqVector3 pts[17];
    for (int i = 0; i < 17; ++i) {
        pts[i].set(static_cast<float>(i), 0, 0);
    }
    ZqDgPolygon poly(17, pts);
    EXPECT_EQ(poly.getNrPoints(), 0u);
    poly.set(16, pts);
    ASSERT_EQ(poly.getNrPoints(), 16u);
    EXPECT_EQ(poly.getPoint(15).x, 15.0f);
    ZqDgPolygon copy(poly);
    copy.setPoint(0, ZqVector3(9, 9, 9));
    EXPECT_EQ(poly.getPoint(0).x, 0.0f);
    poly = copy;
    EXPECT_EQ(poly.getPoint(0).x, 9.0f);
}

TEST(FigureFamily, Validity) {
    const float one[3] = {1, 1, 1};
    const float flat[3] = {1, 0, 1};
    const ZqVector3 axes[3] = {ZqVector3(1, 0, 0), ZqVector3(0, 1, 0), ZqVector3(0, 0, 1)};
    ZqDgLine longDir(0, 0, 0, 1, 0, 0);
    longDir.m_direction.set(1.001f, 0, 0);
    ZqDgHalfspace tilted(0, 1, 0, 0);
    tilted.m_normal.set(0, 1.0001f, 0);
    ZqDgCone cone(ZqVector3(0, 0, 0), ZqVector3(0, 1, 0), -2.0f, 1.0f);
    ZqDgPolygon poly;
    ZqVector3 pts[12] = {};
    poly.set(12, pts);

    struct Row {
        int line;
        const ZqDgFigure* figure;
        float limit;
        bool expected;
    };
    const ZqDgAxisAlignedBoundingBox box(ZqVector3(0, 0, 0), one);
    const ZqDgAxisAlignedBoundingBox zeroBox(ZqVector3(0, 0, 0), flat);
    const ZqDgSphere sphere(ZqVector3(0, 0, 0), 1.0f);
    const ZqDgSphere negative(ZqVector3(0, 0, 0), -1.0f);
    const ZqDgSphere far(ZqVector3(0, 200, 0), 1.0f);
    const ZqDgLine line(0, 0, 0, 1, 1, 0);
    const ZqDgHalfspace half(0, 1, 0, 0);
    const ZqDgOrientedBoundingBox obb(ZqVector3(0, 0, 0), axes, one);
    const ZqDgOrientedBoundingBox flatObb(ZqVector3(0, 0, 0), axes, flat);
    const ZqDgCylinder cylinder(ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), 1.0f);
    const ZqDgCapsule capsule(ZqVector3(0, 0, 0), ZqVector3(1, 0, 0), 1.0f);
    const ZqDgTetrahedron tetra;
    const Row rows[] = {
        {__LINE__, &box, 100, true},      {__LINE__, &zeroBox, 100, false},
        {__LINE__, &sphere, 100, true},   {__LINE__, &negative, 100, false},
        {__LINE__, &far, 100, false},     {__LINE__, &line, 100, true},
        {__LINE__, &longDir, 100, false}, {__LINE__, &half, 100, true},
        {__LINE__, &tilted, 100, false},  {__LINE__, &obb, 100, true},
        {__LINE__, &flatObb, 100, false}, {__LINE__, &cylinder, 100, false},
        {__LINE__, &capsule, 100, true},  {__LINE__, &tetra, 100, false},
        {__LINE__, &cone, 100, true}, // signs not read
        {__LINE__, &poly, 10, false},     {__LINE__, &poly, 100, true},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.figure->isFinite(r.limit), r.expected) << "row at line " << r.line;
    }
    const ZqDgSphere inRange(ZqVector3(1, 1, 1), 1.0f);
    EXPECT_TRUE(inRange.isFinite(0.5f, 2.0f));
    EXPECT_FALSE(inRange.isFinite(1.5f, 2.0f));
}

TEST(FigureFamily, RigidTransform) {
    ZqMatrix m;
    m.setRotZ(1.5707964f);
    m._41 = 10.0f;
    m._42 = 20.0f;
    m._43 = 30.0f;
    // Points move with the translation, directions without it, sizes stay.
    ZqDgSphere s(ZqVector3(1, 0, 0), 2.0f);
    s.vRotTrans(m);
    EXPECT_TRUE(s.m_center.epsilonEquals(ZqVector3(10, 21, 30), 1e-5f));
    EXPECT_EQ(s.m_radius, 2.0f);
    ZqDgLine l(1, 0, 0, 1, 0, 0);
    l.vRotTrans(m);
    EXPECT_TRUE(l.m_direction.epsilonEquals(ZqVector3(0, 1, 0), 1e-6f));
    const float halves[3] = {1, 2, 3};
    ZqDgAxisAlignedBoundingBox b(ZqVector3(0, 0, 0), halves);
    b.vRotTrans(m);
    EXPECT_TRUE(b.m_radius.equals(ZqVector3(1, 2, 3)));
    // A point of the plane stays on the moved plane.
    ZqDgPlane p(ZqVector3(1, 1, 0), 3.0f);
    ZqVector3 on = p.m_normal * 3.0f + ZqVector3(1, -1, 5);
    p.vRotTrans(m);
    on.rotTrans(m);
    EXPECT_NEAR(p.dot(on), 0.0f, 1e-4f);
}

// The line where two planes meet lies on both planes, whatever the length of n1 x n2.
TEST(FigureFamily, PlanesMeetOnALineOfBoth) {
    zqdgtest::Rng rng(7);
    for (int i = 0; i < 2000; ++i) {
        const ZqDgPlane a(rng.unit(), rng.uni(-50, 50));
        const ZqDgPlane b(rng.unit(), rng.uni(-50, 50));
        ZqDgLine out(0, 0, 0, 1, 0, 0);
        const D3 u = D3(a.m_normal).cross(D3(b.m_normal));
        if (u.dot(u) < 0.01) {
            continue;
        }
        ASSERT_TRUE(a.intersect(b, &out));
        EXPECT_NEAR(a.dot(out.m_origin), 0.0f, 1e-3f);
        EXPECT_NEAR(b.dot(out.m_origin), 0.0f, 1e-3f);
        EXPECT_NEAR(a.m_normal.dot(out.m_direction), 0.0f, 1e-5f);
        EXPECT_NEAR(out.m_direction.length(), 1.0f, 1e-5f);
    }
    const ZqDgPlane a(0, 1, 0, 1);
    ZqDgLine untouched(1, 2, 3, 0, 0, 1);
    EXPECT_FALSE(a.intersect(ZqDgPlane(0, 1, 0, 5), &untouched));
    EXPECT_TRUE(untouched.m_origin.equals(ZqVector3(1, 2, 3)));
}

// The point-in-triangle test for points of the triangle's plane: corners and edges inside.
TEST(FigureFamily, PointInTriangle) {
    const ZqDgTriangle t(ZqVector3(0, 0, 1), ZqVector3(4, 0, 1), ZqVector3(0, 4, 1));
    struct Row {
        int line;
        ZqDgPoint p;
        bool expected;
    };
    const Row rows[] = {
        {__LINE__, ZqDgPoint(0, 0, 1), true},   {__LINE__, ZqDgPoint(4, 0, 1), true},
        {__LINE__, ZqDgPoint(0, 4, 1), true},   {__LINE__, ZqDgPoint(2, 0, 1), true},
        {__LINE__, ZqDgPoint(2, 2, 1), true},   {__LINE__, ZqDgPoint(0, 1, 1), true},
        {__LINE__, ZqDgPoint(1, 1, 1), true},   {__LINE__, ZqDgPoint(3, 3, 1), false},
        {__LINE__, ZqDgPoint(-1, 1, 1), false}, {__LINE__, ZqDgPoint(1, -0.5f, 1), false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(t.intersect2D(r.p), r.expected) << "row at line " << r.line;
    }
}

// Every class's tables hold an answering entry (built or not yet built) for exactly the pairs
// the family supports, and the base's unsupported answer everywhere else.
TEST(FigureFamily, TablesCoverExactlyTheSupportedPairs) {
    // "caller query other": I intersect, D both distances, C closest points.
    const std::set<std::string> supported = {
        "Point I Point",      "Point I Line",      "Point I Segment",    "Point I Plane",
        "Point I Triangle",   "Point I Rectangle", "Point I Sphere",     "Point I Capsule",
        "Point I Cylindroid", "Point I AABB",      "Point I OBB",        "Point D Point",
        "Point D Line",       "Point D Segment",   "Point D Plane",      "Point D Triangle",
        "Point D Rectangle",  "Point D Sphere",    "Point D Capsule",    "Point D Cylindroid",
        "Point D AABB",       "Point D OBB",       "Point C Point",      "Point C Line",
        "Point C Segment",    "Point C Plane",     "Point C Triangle",   "Point C Rectangle",
        "Point C Sphere",     "Point C Capsule",   "Point C Cylindroid", "Point C AABB",
        "Point C OBB",        "Line I Point",      "Line I Line",        "Line I Plane",
        "Line I Triangle",    "Line I Sphere",     "Line I AABB",        "Line D Point",
        "Line D Line",        "Line D Sphere",     "Line C Point",       "Line C Line",
        "Line C Sphere",      "Segment I Point",   "Segment I Segment",  "Segment I Plane",
        "Segment I Triangle", "Segment I Sphere",  "Segment I AABB",     "Segment I OBB",
        "Segment D Point",    "Segment D Segment", "Segment D Sphere",   "Segment C Point",
        "Segment C Segment",  "Segment C Sphere",  "Plane I Point",      "Plane I Line",
        "Plane I Segment",    "Plane I Plane",     "Plane I Sphere",     "Plane I AABB",
        "Plane I OBB",        "Plane D Point",     "Plane D Sphere",     "Plane C Point",
        "Plane C Sphere",     "Triangle I Point",  "Triangle I Line",    "Triangle I Segment",
        "Triangle I Sphere",  "Triangle D Point",  "Triangle D Sphere",  "Triangle C Point",
        "Triangle C Sphere",  "Rectangle I Point", "Rectangle I Sphere", "Rectangle D Point",
        "Rectangle D Sphere", "Rectangle C Point", "Rectangle C Sphere", "Sphere I Point",
        "Sphere I Line",      "Sphere I Segment",  "Sphere I Plane",     "Sphere I Triangle",
        "Sphere I Rectangle", "Sphere I Sphere",   "Sphere I Capsule",   "Sphere I AABB",
        "Sphere I OBB",       "Sphere D Point",    "Sphere D Line",      "Sphere D Segment",
        "Sphere D Plane",     "Sphere D Triangle", "Sphere D Rectangle", "Sphere D Sphere",
        "Sphere D Capsule",   "Sphere D AABB",     "Sphere D OBB",       "Sphere C Point",
        "Sphere C Line",      "Sphere C Segment",  "Sphere C Plane",     "Sphere C Triangle",
        "Sphere C Rectangle", "Sphere C Sphere",   "Sphere C Capsule",   "Sphere C AABB",
        "Sphere C OBB",       "Capsule I Point",   "Capsule I Sphere",   "Capsule I Capsule",
        "Capsule D Point",    "Capsule D Sphere",  "Capsule D Capsule",  "Capsule C Point",
        "Capsule C Sphere",   "Capsule C Capsule", "Cylindroid I Point", "Cylindroid D Point",
        "Cylindroid C Point", "AABB I Point",      "AABB I Line",        "AABB I Segment",
        "AABB I Plane",       "AABB I Sphere",     "AABB I AABB",        "AABB D Point",
        "AABB D Sphere",      "AABB C Point",      "AABB C Sphere",      "OBB I Point",
        "OBB I Segment",      "OBB I Plane",       "OBB I Sphere",       "OBB I OBB",
        "OBB D Point",        "OBB D Sphere",      "OBB C Point",        "OBB C Sphere"};

    std::set<std::string> found;
    auto scan = [&](const char* caller, const auto& t) {
        using Tables = std::decay_t<decltype(t)>;
        const auto noIntersect = typename Tables::IntersectEntry(&ZqDgFigure::intersect);
        const auto noDistance = typename Tables::DistanceEntry(&ZqDgFigure::distance);
        const auto noSquared = typename Tables::DistanceEntry(&ZqDgFigure::distanceSquared);
        const auto noClosest = typename Tables::ClosestPointEntry(&ZqDgFigure::closestPoint);
        for (uint32_t other = 0; other < ZqDgFigure::NR_FIGURE_TYPES; ++other) {
            const std::string tail = " " + narrow(NAMES[other]);
            if (t.intersectFigureTab[other] != noIntersect) {
                found.insert(caller + std::string(" I") + tail);
            }
            EXPECT_EQ(t.distanceFigureTab[other] != noDistance,
                      t.distanceSquaredFigureTab[other] != noSquared)
                << caller << tail;
            if (t.distanceFigureTab[other] != noDistance) {
                found.insert(caller + std::string(" D") + tail);
            }
            if (t.closestPointFigureTab[other] != noClosest) {
                found.insert(caller + std::string(" C") + tail);
            }
        }
    };
    scan("Point", ZqDgPoint::figureTab);
    scan("Line", ZqDgLine::figureTab);
    scan("Ray", ZqDgRay::figureTab);
    scan("Segment", ZqDgSegment::figureTab);
    scan("Plane", ZqDgPlane::figureTab);
    scan("Triangle", ZqDgTriangle::figureTab);
    scan("Rectangle", ZqDgRectangle::figureTab);
    scan("Sphere", ZqDgSphere::figureTab);
    scan("Capsule", ZqDgCapsule::figureTab);
    scan("Cylindroid", ZqDgCylindroid::figureTab);
    scan("AABB", ZqDgAxisAlignedBoundingBox::figureTab);
    scan("OBB", ZqDgOrientedBoundingBox::figureTab);
    EXPECT_EQ(found, supported);
}
