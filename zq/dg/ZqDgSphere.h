// ZqDgSphere (type 10): a centre and a radius; the figure the game tests most (model bounds,
// the camera's visibility test, event collisions). Distances are signed, negative when the
// figures overlap, and distanceSquared is the square of that signed value. Closest-point
// members leave the sphere's output alone when the other point lies within 0.01 of the
// centre (no direction to take).
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqDgPoint;
class ZqDgLine;
class ZqDgSegment;
class ZqDgPlane;
class ZqDgTriangle;
class ZqDgRectangle;
class ZqDgCapsule;
class ZqDgAxisAlignedBoundingBox;
class ZqDgOrientedBoundingBox;

class ZqDgSphere : public ZqDgFigure {
public:
    ZqVector3 m_center;
    float m_radius;

    ZqDgSphere() : ZqDgFigure(SPHERE) {}
    ZqDgSphere(const ZqVector3& center, const float radius)
        : ZqDgFigure(SPHERE), m_center(center), m_radius(radius) {}

    ZqDgSphere& set(const ZqVector3& center, const float radius) {
        m_center = center;
        m_radius = radius;
        return *this;
    }
    ZqDgSphere& setRadius(const float radius) {
        m_radius = radius;
        return *this;
    }
    const ZqVector3& getCenter() const { return m_center; }
    float getRadius() const { return m_radius; }
    // The sphere's own type (10), as a virtual operation.
    virtual TYPE getFigureType() const { return SPHERE; }

    // Type, centre and radius bitwise.
    bool equals(const ZqDgSphere& other) const;
    // Centre coordinates and radius each within eps.
    bool epsilonEquals(ZqDgSphere other, float eps) const;

    bool intersect(const ZqDgPoint& point) const;
    bool intersect(const ZqDgLine& line) const;
    bool intersect(const ZqDgSegment& segment) const;
    bool intersect(const ZqDgPlane& plane) const;
    bool intersect(const ZqDgTriangle& triangle) const;
    bool intersect(const ZqDgRectangle& rectangle) const;
    bool intersect(const ZqDgSphere& other) const;
    bool intersect(const ZqDgCapsule& capsule) const;
    bool intersect(const ZqDgAxisAlignedBoundingBox& box) const;
    bool intersect(const ZqDgOrientedBoundingBox& box) const;
    // The crossings of the line: t1 = the farther, t2 = the nearer, p1 and p2 their points;
    // false with nothing written when the line misses.
    bool intersect(const ZqDgLine& line, float* t1, float* t2, ZqVector3* p1, ZqVector3* p2) const;
    // The crossings of the segment's supporting line as segment parameters (t1 the larger),
    // both written whenever the line meets the sphere; p1 and p2 only for parameters in
    // [0, 1]. True only when [t2, t1] overlaps [0, 1], so a segment wholly outside is false.
    bool intersect(const ZqDgSegment& segment, float* t1, float* t2, ZqVector3* p1,
                   ZqVector3* p2) const;
    float distance(const ZqDgPoint& point) const;
    float distance(const ZqDgLine& line) const;
    float distance(const ZqDgSegment& segment) const;
    float distance(const ZqDgPlane& plane) const;
    float distance(const ZqDgTriangle& triangle) const;
    float distance(const ZqDgRectangle& rectangle) const;
    float distance(const ZqDgSphere& other) const;
    float distance(const ZqDgCapsule& capsule) const;
    float distance(const ZqDgAxisAlignedBoundingBox& box) const;
    float distance(const ZqDgOrientedBoundingBox& box) const;
    float distanceSquared(const ZqDgPoint& point) const;
    float distanceSquared(const ZqDgLine& line) const;
    float distanceSquared(const ZqDgSegment& segment) const;
    float distanceSquared(const ZqDgPlane& plane) const;
    float distanceSquared(const ZqDgTriangle& triangle) const;
    float distanceSquared(const ZqDgRectangle& rectangle) const;
    float distanceSquared(const ZqDgSphere& other) const;
    float distanceSquared(const ZqDgCapsule& capsule) const;
    float distanceSquared(const ZqDgAxisAlignedBoundingBox& box) const;
    float distanceSquared(const ZqDgOrientedBoundingBox& box) const;
    void closestPoint(const ZqDgPoint& point, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgLine& line, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgSegment& segment, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgPlane& plane, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgTriangle& triangle, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgRectangle& rectangle, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgSphere& other, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgCapsule& capsule, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgAxisAlignedBoundingBox& box, ZqVector3* onThis,
                      ZqVector3* onOther) const;
    void closestPoint(const ZqDgOrientedBoundingBox& box, ZqVector3* onThis,
                      ZqVector3* onOther) const;

    const char16_t* getFigureName() const override;
    bool isFinite(float min, float max) const override;
    bool isFinite(float limit) const override;
    void vRotTrans(const ZqMatrix& m) override { rotTrans(m); }
    void rotTrans(const ZqMatrix& m) { m_center.rotTrans(m); }
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
    // 9 rings of 16 points, 240 lines: meridians, then the rings between the poles.
    void draw(bool withShadow) const override;

    static const ZqDgFigureTables<ZqDgSphere> figureTab;

private:
    // The closing step of the closest-point members: the surface point toward q, unless q
    // lies within 0.01 of the centre.
    void surfacePointToward(const ZqVector3& q, ZqVector3* onThis) const;
    template <class T> bool intersectAs(const ZqDgFigure& f) const;
    template <class T> float distanceAs(const ZqDgFigure& f) const;
    template <class T> float distanceSquaredAs(const ZqDgFigure& f) const;
    template <class T> void closestPointAs(const ZqDgFigure& f, ZqVector3* a, ZqVector3* b) const;
};
