// ZqDgPlane (type 4) and ZqDgHalfspace (type 8): a unit normal n and an offset d; the
// boundary plane holds the points x with n . x = d, and the half-space is the solid on one
// side of it. Setters normalise the normal; the four-number forms keep d as given. The
// half-space takes part in no pair test. Drawn as a grid in the plane around n * d.
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqDgTriangle;
class ZqDgPoint;
class ZqDgLine;
class ZqDgSegment;
class ZqDgSphere;
class ZqDgAxisAlignedBoundingBox;
class ZqDgOrientedBoundingBox;

class ZqDgPlane : public ZqDgFigure {
public:
    ZqVector3 m_normal;
    float m_distance;

    ZqDgPlane() : ZqDgFigure(PLANE) {}
    // Normal normalise(a, b, c), d as given.
    ZqDgPlane(float a, float b, float c, float d);
    ZqDgPlane(const ZqVector3& normal, float d);
    // Through the point: d = normal . point after normalising the normal.
    ZqDgPlane(const ZqVector3& point, const ZqVector3& normal);
    // Normal normalise((p1 - p0) x (p2 - p0)), d = normal . p0.
    ZqDgPlane(const ZqVector3& p0, const ZqVector3& p1, const ZqVector3& p2);
    explicit ZqDgPlane(const ZqDgTriangle& triangle);

    ZqDgPlane& set(float a, float b, float c, float d);
    ZqDgPlane& set(const ZqVector3& normal, float d);
    ZqDgPlane& set(const ZqVector3& point, const ZqVector3& normal);
    ZqDgPlane& set(const ZqVector3& p0, const ZqVector3& p1, const ZqVector3& p2);
    ZqDgPlane& set(const ZqDgTriangle& triangle);
    const ZqVector3& getNormal() const { return m_normal; }
    float getDistanceFromOrigin() const { return m_distance; }

    // n . v - d: the signed distance of v, positive on the normal's side.
    float dot(const ZqVector3& v) const { return m_normal.dot(v) - m_distance; }
    // Type, normal and d bitwise.
    bool equals(const ZqDgPlane& other) const;
    // Each normal component and d within eps, in storage order.
    bool epsilonEquals(const ZqDgPlane& other, float eps) const;
    // The line where the planes meet: false with out untouched when they are (nearly)
    // parallel; else out's direction is the unit n1 x n2 and its origin lies on both planes.
    bool intersect(const ZqDgPlane& other, ZqDgLine* out) const;

    // Within epsilon of the plane.
    bool intersect(const ZqDgPoint& point) const;
    // Not parallel: |n . direction| > epsilon, so a line lying in the plane does not count.
    bool intersect(const ZqDgLine& line) const;
    // The crossing parameter and point; false with nothing written when |n . direction| is
    // at most 0.0001.
    bool intersect(const ZqDgLine& line, float* t, ZqVector3* point) const;
    // Crosses at a parameter in [0, 1], ends included; a segment parallel to the plane never
    // does, even when it lies in it.
    bool intersect(const ZqDgSegment& segment) const;
    // As above; t is written whenever the segment is not parallel, point only when true.
    bool intersect(const ZqDgSegment& segment, float* t, ZqVector3* point) const;
    // The planes meet on a line: |n . n'| < 0.9999 (parallel and coincident planes do not).
    bool intersect(const ZqDgPlane& other) const;
    // The point where the three planes meet; false with point untouched when their normals
    // are (nearly) coplanar.
    bool intersect(const ZqDgPlane& second, const ZqDgPlane& third, ZqVector3* point) const;
    bool intersect(const ZqDgSphere& sphere) const;
    bool intersect(const ZqDgAxisAlignedBoundingBox& box) const;
    // The box's own plane test.
    bool intersect(const ZqDgOrientedBoundingBox& box) const;
    // Signed: positive on the normal's side.
    float distance(const ZqDgPoint& point) const;
    // n . c - d - r: signed, below -r for a sphere wholly behind the plane.
    float distance(const ZqDgSphere& sphere) const;
    float distanceSquared(const ZqDgPoint& point) const;
    float distanceSquared(const ZqDgSphere& sphere) const;
    // onThis = the point's projection on the plane, onOther = the point.
    void closestPoint(const ZqDgPoint& point, ZqVector3* onThis, ZqVector3* onOther) const;
    // onThis = the centre's projection; onOther the sphere's surface point toward it (left
    // alone when the two lie within 0.01).
    void closestPoint(const ZqDgSphere& sphere, ZqVector3* onThis, ZqVector3* onOther) const;

    const char16_t* getFigureName() const override;
    bool isFinite(float min, float max) const override;
    bool isFinite(float limit) const override;
    void vRotTrans(const ZqMatrix& m) override { rotTrans(m); }
    void rotTrans(const ZqMatrix& m);
    void vClosestPoint(const ZqDgFigure& other, ZqVector3* onThis,
                       ZqVector3* onOther) const override {
        figureTab.closestPoint(*this, other, onThis, onOther);
    }
    float vDistance(const ZqDgFigure& other) const override {
        return figureTab.distance(*this, other);
    }
    float vDistanceSquared(const ZqDgFigure& other) const override {
        return figureTab.distanceSquared(*this, other);
    }
    bool vIntersect(const ZqDgFigure& other) const override {
        return figureTab.intersect(*this, other);
    }
    // The normal from n d to n (d + 30), then a 160-unit grid around n d with longer axes.
    void draw(bool withShadow) const override;

    static const ZqDgFigureTables<ZqDgPlane> figureTab;

private:
    bool intersectPlane(const ZqDgFigure& f) const;
    template <class T> bool intersectAs(const ZqDgFigure& f) const;
    template <class T> float distanceAs(const ZqDgFigure& f) const;
    template <class T> float distanceSquaredAs(const ZqDgFigure& f) const;
    template <class T> void closestPointAs(const ZqDgFigure& f, ZqVector3* a, ZqVector3* b) const;
};

class ZqDgHalfspace : public ZqDgFigure {
public:
    ZqVector3 m_normal;
    float m_distance;

    ZqDgHalfspace() : ZqDgFigure(HALFSPACE) {}
    ZqDgHalfspace(float a, float b, float c, float d);
    ZqDgHalfspace(const ZqVector3& normal, float d);
    ZqDgHalfspace(const ZqVector3& point, const ZqVector3& normal);
    ZqDgHalfspace(const ZqVector3& p0, const ZqVector3& p1, const ZqVector3& p2);
    explicit ZqDgHalfspace(const ZqDgTriangle& triangle);

    ZqDgHalfspace& set(float a, float b, float c, float d);
    ZqDgHalfspace& set(const ZqVector3& normal, float d);
    ZqDgHalfspace& set(const ZqVector3& point, const ZqVector3& normal);
    ZqDgHalfspace& set(const ZqVector3& p0, const ZqVector3& p1, const ZqVector3& p2);
    ZqDgHalfspace& set(const ZqDgTriangle& triangle);
    const ZqVector3& getNormal() const { return m_normal; }
    float getDistanceFromOrigin() const { return m_distance; }

    bool equals(const ZqDgHalfspace& other) const;
    bool epsilonEquals(const ZqDgHalfspace& other, float eps) const;

    const char16_t* getFigureName() const override;
    bool isFinite(float min, float max) const override;
    bool isFinite(float limit) const override;
    void vRotTrans(const ZqMatrix& m) override { rotTrans(m); }
    void rotTrans(const ZqMatrix& m);
    // 99 lines: grid lines every 20 units in the boundary plane around n d and ticks of 30
    // along the normal at every grid point.
    void draw(bool withShadow) const override;
};
