// The three linear figures: ZqDgLine (type 1, infinite both ways), ZqDgRay (type 2, from its
// origin along +direction; it answers no pair) and ZqDgSegment (type 3, from start at
// parameter 0 to end at parameter 1). Lines and rays keep a unit direction that every
// constructor and setter normalises. Crossing tests with outputs write them only as each
// member says; a caller must not read an output that a false answer left alone.
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqDgPoint;
class ZqDgPlane;
class ZqDgTriangle;
class ZqDgSphere;
class ZqDgAxisAlignedBoundingBox;
class ZqDgOrientedBoundingBox;
class ZqDgSegment;

class ZqDgLine : public ZqDgFigure {
public:
    ZqVector3 m_origin;
    ZqVector3 m_direction;

    ZqDgLine() : ZqDgFigure(LINE) {}
    ZqDgLine(float ox, float oy, float oz, float dx, float dy, float dz);
    // Origin at the segment's start, direction toward the start from the end.
    explicit ZqDgLine(const ZqDgSegment& segment);

    ZqDgLine& set(const ZqVector3& origin, const ZqVector3& direction);
    ZqDgLine& set(float ox, float oy, float oz, float dx, float dy, float dz);
    ZqDgLine& set(const ZqDgSegment& segment);
    // Origin p, direction normalise(p - q).
    ZqDgLine& set2p(const ZqVector3& p, const ZqVector3& q);
    const ZqVector3& getOrigin() const { return m_origin; }
    const ZqVector3& getDirection() const { return m_direction; }

    bool equals(const ZqDgLine& other) const;
    bool epsilonEquals(const ZqDgLine& other, float eps) const;

    // The point lies within tol of the line.
    bool intersect(const ZqDgPoint& point, float tol) const;
    // The lines meet within tol (identical lines meet; parallel distinct lines do not).
    bool intersect(const ZqDgLine& other, float tol) const;
    // Crosses the plane; a line parallel to the plane never does, even lying in it.
    bool intersect(const ZqDgPlane& plane) const;
    // The crossing parameter and point; false with nothing written when nearly parallel.
    bool intersect(const ZqDgPlane& plane, float* t, ZqVector3* p) const;
    // The triangle's tests with this line or segment.
    bool intersect(const ZqDgTriangle& triangle) const;
    bool intersect(const ZqDgTriangle& triangle, float* t, ZqVector3* p) const;
    bool intersect(const ZqDgSphere& sphere) const;
    // Both crossings, t1 the farther; nothing written when the line misses.
    bool intersect(const ZqDgSphere& sphere, float* t1, float* t2, ZqVector3* p1,
                   ZqVector3* p2) const;
    bool intersect(const ZqDgAxisAlignedBoundingBox& box) const;
    bool intersect(const ZqDgAxisAlignedBoundingBox& box, float* tNear, float* tFar,
                   ZqVector3* pNear, ZqVector3* pFar) const;
    float distance(const ZqDgPoint& point) const;
    float distance(const ZqDgLine& other) const;
    // Signed: negative when the line passes inside the sphere.
    float distance(const ZqDgSphere& sphere) const;
    float distanceSquared(const ZqDgPoint& point) const;
    float distanceSquared(const ZqDgLine& other) const;
    // The square of the signed sphere distance (spelled as the interface has it).
    float disanceSquared(const ZqDgSphere& sphere) const;
    void closestPoint(const ZqDgPoint& point, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgLine& other, ZqVector3* onThis, ZqVector3* onOther) const;
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
    // From origin - 30 direction to origin + 100 direction, and the cross at the origin.
    void draw(bool withShadow) const override;

    static const ZqDgFigureTables<ZqDgLine> figureTab;

private:
    bool intersectPoint(const ZqDgFigure& f) const;
    bool intersectLine(const ZqDgFigure& f) const;
    float distanceSquaredSphere(const ZqDgFigure& f) const;
    template <class T> bool intersectAs(const ZqDgFigure& f) const;
    template <class T> float distanceAs(const ZqDgFigure& f) const;
    template <class T> float distanceSquaredAs(const ZqDgFigure& f) const;
    template <class T> void closestPointAs(const ZqDgFigure& f, ZqVector3* a, ZqVector3* b) const;
};

class ZqDgRay : public ZqDgFigure {
public:
    ZqVector3 m_origin;
    ZqVector3 m_direction;

    ZqDgRay() : ZqDgFigure(RAY) {}
    ZqDgRay(float ox, float oy, float oz, float dx, float dy, float dz);
    explicit ZqDgRay(const ZqDgSegment& segment);

    ZqDgRay& set(const ZqVector3& origin, const ZqVector3& direction);
    ZqDgRay& set(float ox, float oy, float oz, float dx, float dy, float dz);
    ZqDgRay& set(const ZqDgSegment& segment);
    ZqDgRay& set2p(const ZqVector3& p, const ZqVector3& q);
    const ZqVector3& getOrigin() const { return m_origin; }
    const ZqVector3& getDirection() const { return m_direction; }

    bool equals(const ZqDgRay& other) const;
    bool epsilonEquals(const ZqDgRay& other, float eps) const;

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
    // From the origin to origin + 100 direction, and the cross at the origin.
    void draw(bool withShadow) const override;

    // Every entry answers as an unsupported pair.
    static const ZqDgFigureTables<ZqDgRay> figureTab;
};

class ZqDgSegment : public ZqDgFigure {
public:
    ZqVector3 m_start;
    ZqVector3 m_end;

    ZqDgSegment() : ZqDgFigure(SEGMENT) {}
    ZqDgSegment(const ZqVector3& start, const ZqVector3& end)
        : ZqDgFigure(SEGMENT), m_start(start), m_end(end) {}
    ZqDgSegment(const float x0, const float y0, const float z0, const float x1, const float y1,
                const float z1)
        : ZqDgFigure(SEGMENT), m_start(x0, y0, z0), m_end(x1, y1, z1) {}

    ZqDgSegment& set(const ZqVector3& start, const ZqVector3& end) {
        m_start = start;
        m_end = end;
        return *this;
    }
    ZqDgSegment& set(const float x0, const float y0, const float z0, const float x1, const float y1,
                     const float z1) {
        m_start.set(x0, y0, z0);
        m_end.set(x1, y1, z1);
        return *this;
    }
    const ZqVector3& getStart() const { return m_start; }
    const ZqVector3& getEnd() const { return m_end; }

    bool equals(const ZqDgSegment& other) const;
    bool epsilonEquals(const ZqDgSegment& other, float eps) const;

    // Strictly between the ends and within epsilon of the segment: a point at an end, or
    // projecting onto one, is not on it.
    bool intersect(const ZqDgPoint& point) const;
    // The closest points of the two segments lie within tol.
    bool intersect(const ZqDgSegment& other, float tol) const;
    // Crosses the plane at a parameter in [0, 1].
    bool intersect(const ZqDgPlane& plane) const;
    // t is always written; p only when t lies in [0, 1].
    bool intersect(const ZqDgPlane& plane, float* t, ZqVector3* p) const;
    // The triangle's tests with this line or segment.
    bool intersect(const ZqDgTriangle& triangle) const;
    bool intersect(const ZqDgTriangle& triangle, float* t, ZqVector3* p) const;
    bool intersect(const ZqDgSphere& sphere) const;
    // The crossings of the supporting line (t1 the larger); true only when they overlap
    // [0, 1]; see ZqDgSphere::intersect.
    bool intersect(const ZqDgSphere& sphere, float* t1, float* t2, ZqVector3* p1,
                   ZqVector3* p2) const;
    bool intersect(const ZqDgAxisAlignedBoundingBox& box) const;
    bool intersect(const ZqDgAxisAlignedBoundingBox& box, float* tNear, float* tFar,
                   ZqVector3* pNear, ZqVector3* pFar) const;
    bool intersect(const ZqDgOrientedBoundingBox& box) const;
    float distance(const ZqDgPoint& point) const;
    float distance(const ZqDgSegment& other) const;
    float distance(const ZqDgSphere& sphere) const;
    float distanceSquared(const ZqDgPoint& point) const;
    float distanceSquared(const ZqDgSegment& other) const;
    void closestPoint(const ZqDgPoint& point, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgSegment& other, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgSphere& sphere, ZqVector3* onThis, ZqVector3* onOther) const;

    const char16_t* getFigureName() const override;
    bool isFinite(float min, float max) const override;
    bool isFinite(float limit) const override;
    void vRotTrans(const ZqMatrix& m) override { rotTrans(m); }
    void rotTrans(const ZqMatrix& m) {
        m_start.rotTrans(m);
        m_end.rotTrans(m);
    }
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
    // Start to end, and the cross at the start.
    void draw(bool withShadow) const override;

    static const ZqDgFigureTables<ZqDgSegment> figureTab;

private:
    bool intersectSegment(const ZqDgFigure& f) const;
    float distanceSquaredSphere(const ZqDgFigure& f) const;
    template <class T> bool intersectAs(const ZqDgFigure& f) const;
    template <class T> float distanceAs(const ZqDgFigure& f) const;
    template <class T> float distanceSquaredAs(const ZqDgFigure& f) const;
    template <class T> void closestPointAs(const ZqDgFigure& f, ZqVector3* a, ZqVector3* b) const;
};
