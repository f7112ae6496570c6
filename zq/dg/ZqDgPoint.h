// ZqDgPoint: the single point of the figure family (type 0). It answers intersection,
// distance, squared distance and closest points against most figures; other figures build
// temporary points at their centres to reuse these tests, and its cross is the marker that
// other drawings reuse. Point-point, point-segment and point-plane tests use the shared
// epsilon; point-line a fixed 1e-8 on the squared distance.
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqDgLine;
class ZqDgSegment;
class ZqDgPlane;
class ZqDgTriangle;
class ZqDgRectangle;
class ZqDgSphere;
class ZqDgCapsule;
class ZqDgCylindroid;
class ZqDgAxisAlignedBoundingBox;
class ZqDgOrientedBoundingBox;

class ZqDgPoint : public ZqDgFigure {
public:
    ZqVector3 m_position;

    // Only the type is set; the position stays undefined until set.
    ZqDgPoint() : ZqDgFigure(POINT) {}
    ZqDgPoint(const float x, const float y, const float z)
        : ZqDgFigure(POINT), m_position(x, y, z) {}
    explicit ZqDgPoint(const float* const p) : ZqDgFigure(POINT), m_position(p) {}

    ZqDgPoint& set(const float x, const float y, const float z) {
        m_position.set(x, y, z);
        return *this;
    }
    ZqDgPoint& set(const float* const p) {
        m_position.set(p);
        return *this;
    }
    ZqDgPoint& set(const ZqVector3& p) {
        m_position = p;
        return *this;
    }
    const ZqVector3& getPosition() const { return m_position; }

    // Byte for byte (type and coordinates: +0 and -0 differ, equal NaN patterns match).
    bool equals(const ZqDgPoint& other) const;
    // Every coordinate within eps.
    bool epsilonEquals(const ZqDgPoint& other, float eps) const;

    // Pair tests. Distances to solids are signed; closestPoint writes this point's position
    // to onThis and the other figure's point to onOther.
    bool intersect(const ZqDgPoint& q) const;
    bool intersect(const ZqDgLine& line) const;
    bool intersect(const ZqDgSegment& segment) const;
    bool intersect(const ZqDgPlane& plane) const;
    bool intersect(const ZqDgTriangle& triangle) const;
    bool intersect(const ZqDgRectangle& rectangle) const;
    bool intersect(const ZqDgSphere& sphere) const;
    bool intersect(const ZqDgCapsule& capsule) const;
    bool intersect(const ZqDgCylindroid& cylindroid) const;
    bool intersect(const ZqDgAxisAlignedBoundingBox& box) const;
    bool intersect(const ZqDgOrientedBoundingBox& box) const;
    float distance(const ZqDgPoint& q) const;
    float distance(const ZqDgLine& line) const;
    float distance(const ZqDgSegment& segment) const;
    float distance(const ZqDgPlane& plane) const;
    float distance(const ZqDgTriangle& triangle) const;
    float distance(const ZqDgRectangle& rectangle) const;
    float distance(const ZqDgSphere& sphere) const;
    float distance(const ZqDgCapsule& capsule) const;
    float distance(const ZqDgCylindroid& cylindroid) const;
    float distance(const ZqDgAxisAlignedBoundingBox& box) const;
    float distance(const ZqDgOrientedBoundingBox& box) const;
    float distanceSquared(const ZqDgPoint& q) const;
    float distanceSquared(const ZqDgLine& line) const;
    float distanceSquared(const ZqDgSegment& segment) const;
    float distanceSquared(const ZqDgPlane& plane) const;
    float distanceSquared(const ZqDgTriangle& triangle) const;
    float distanceSquared(const ZqDgRectangle& rectangle) const;
    float distanceSquared(const ZqDgSphere& sphere) const;
    float distanceSquared(const ZqDgCapsule& capsule) const;
    float distanceSquared(const ZqDgCylindroid& cylindroid) const;
    float distanceSquared(const ZqDgAxisAlignedBoundingBox& box) const;
    float distanceSquared(const ZqDgOrientedBoundingBox& box) const;
    void closestPoint(const ZqDgPoint& q, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgLine& line, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgSegment& segment, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgPlane& plane, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgTriangle& triangle, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgRectangle& rectangle, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgSphere& sphere, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgCapsule& capsule, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgCylindroid& cylindroid, ZqVector3* onThis,
                      ZqVector3* onOther) const;
    void closestPoint(const ZqDgAxisAlignedBoundingBox& box, ZqVector3* onThis,
                      ZqVector3* onOther) const;
    void closestPoint(const ZqDgOrientedBoundingBox& box, ZqVector3* onThis,
                      ZqVector3* onOther) const;

    const char16_t* getFigureName() const override;
    bool isFinite(float min, float max) const override;
    bool isFinite(float limit) const override;
    void vRotTrans(const ZqMatrix& m) override { rotTrans(m); }
    void rotTrans(const ZqMatrix& m) { m_position.rotTrans(m); }
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
    // A cross of three axis-parallel lines of length 10 centred on the point.
    void draw(bool withShadow) const override;

    static const ZqDgFigureTables<ZqDgPoint> figureTab;

private:
    template <class T> bool intersectAs(const ZqDgFigure& f) const;
    template <class T> float distanceAs(const ZqDgFigure& f) const;
    template <class T> float distanceSquaredAs(const ZqDgFigure& f) const;
    template <class T> void closestPointAs(const ZqDgFigure& f, ZqVector3* a, ZqVector3* b) const;
};
