// ZqDgPlane (type 4) and ZqDgHalfspace (type 8): a unit normal n and an offset d; the
// boundary plane holds the points x with n . x = d, and the half-space is the solid on one
// side of it. Setters normalise the normal; the four-number forms keep d as given. The
// half-space takes part in no pair test. Drawn as a grid in the plane around n * d.
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqDgTriangle;
class ZqDgLine;

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
