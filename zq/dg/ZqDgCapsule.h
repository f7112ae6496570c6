// ZqDgCapsule (type 11): every point within the radius of the segment start..end. Its tests
// are the segment tests on its axis with the radii subtracted: distances are signed (negative
// when overlapping) and distanceSquared is the square of distance. Closest-point members
// write the point on the capsule first; a point on the axis itself gives the axis point.
// ZqDgCylinder (type 12): the same fields, no pair tests, never valid.
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqDgPoint;
class ZqDgSphere;

class ZqDgCapsule : public ZqDgFigure {
public:
    ZqVector3 m_start;
    ZqVector3 m_end;
    float m_radius;

    ZqDgCapsule() : ZqDgFigure(CAPSULE) {}
    ZqDgCapsule(const ZqVector3& start, const ZqVector3& end, const float radius)
        : ZqDgFigure(CAPSULE), m_start(start), m_end(end), m_radius(radius) {}
    ZqDgCapsule& set(const ZqVector3& start, const ZqVector3& end, const float radius) {
        m_start = start;
        m_end = end;
        m_radius = radius;
        return *this;
    }
    ZqDgCapsule& setRadius(const float radius) {
        m_radius = radius;
        return *this;
    }

    // Type, ends and radius bitwise.
    bool equals(const ZqDgCapsule& other) const;
    // Each coordinate of the ends and the radius within eps, in storage order.
    bool epsilonEquals(ZqDgCapsule other, float eps) const;

    bool intersect(const ZqDgPoint& point) const;
    bool intersect(const ZqDgSphere& sphere) const;
    bool intersect(const ZqDgCapsule& other) const;
    float distance(const ZqDgPoint& point) const;
    float distance(const ZqDgSphere& sphere) const;
    float distance(const ZqDgCapsule& other) const;
    float distanceSquared(const ZqDgPoint& point) const;
    float distanceSquared(const ZqDgSphere& sphere) const;
    float distanceSquared(const ZqDgCapsule& other) const;
    // onThis = the surface point toward the point (even from inside), onOther = the point.
    void closestPoint(const ZqDgPoint& point, ZqVector3* onThis, ZqVector3* onOther) const;
    // The two surface points facing each other along the line between the axis points.
    void closestPoint(const ZqDgSphere& sphere, ZqVector3* onThis, ZqVector3* onOther) const;
    void closestPoint(const ZqDgCapsule& other, ZqVector3* onThis, ZqVector3* onOther) const;

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
    // 10 rings of 16 points (two hemispheres), 272 lines.
    void draw(bool withShadow) const override;

    static const ZqDgFigureTables<ZqDgCapsule> figureTab;

private:
    // The axis point nearest p.
    ZqVector3 axisPointNearest(const ZqVector3& p) const;
    // The axis points of the two capsules nearest each other (this axis first).
    void axisPoints(const ZqDgCapsule& other, ZqVector3* p1, ZqVector3* p2) const;
    template <class T> bool intersectAs(const ZqDgFigure& f) const;
    template <class T> float distanceAs(const ZqDgFigure& f) const;
    template <class T> float distanceSquaredAs(const ZqDgFigure& f) const;
    template <class T> void closestPointAs(const ZqDgFigure& f, ZqVector3* a, ZqVector3* b) const;
};

class ZqDgCylinder : public ZqDgFigure {
public:
    ZqVector3 m_start;
    ZqVector3 m_end;
    float m_radius;

    ZqDgCylinder() : ZqDgFigure(CYLINDER) {}
    ZqDgCylinder(const ZqVector3& start, const ZqVector3& end, const float radius)
        : ZqDgFigure(CYLINDER), m_start(start), m_end(end), m_radius(radius) {}
    ZqDgCylinder& set(const ZqVector3& start, const ZqVector3& end, const float radius) {
        m_start = start;
        m_end = end;
        m_radius = radius;
        return *this;
    }
    ZqDgCylinder& setRadius(const float radius) {
        m_radius = radius;
        return *this;
    }

    const char16_t* getFigureName() const override;
    // Always false.
    bool isFinite(float min, float max) const override { return false; }
    bool isFinite(float limit) const override { return false; }
    void vRotTrans(const ZqMatrix& m) override { rotTrans(m); }
    void rotTrans(const ZqMatrix& m) {
        m_start.rotTrans(m);
        m_end.rotTrans(m);
    }
    // Two circles of 16 points and the 16 lines joining them.
    void draw(bool withShadow) const override;
};
