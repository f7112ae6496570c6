// ZqDgTriangle (type 5): three corners p0, p1, p2. Its pair tests come with the triangle
// tests; here its fields, the point-in-triangle test for a point in its plane, validity,
// transform and drawing.
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqDgPoint;

class ZqDgTriangle : public ZqDgFigure {
public:
    ZqVector3 m_p0;
    ZqVector3 m_p1;
    ZqVector3 m_p2;

    ZqDgTriangle() : ZqDgFigure(TRIANGLE) {}
    ZqDgTriangle(const ZqVector3& p0, const ZqVector3& p1, const ZqVector3& p2)
        : ZqDgFigure(TRIANGLE), m_p0(p0), m_p1(p1), m_p2(p2) {}
    ZqDgTriangle& set(const ZqVector3& p0, const ZqVector3& p1, const ZqVector3& p2) {
        m_p0 = p0;
        m_p1 = p1;
        m_p2 = p2;
        return *this;
    }

    // For a point lying in the triangle's plane (not checked): inside, edges and corners
    // included.
    bool intersect2D(const ZqDgPoint& point) const;

    const char16_t* getFigureName() const override;
    bool isFinite(float min, float max) const override;
    bool isFinite(float limit) const override;
    void vRotTrans(const ZqMatrix& m) override { rotTrans(m); }
    void rotTrans(const ZqMatrix& m) {
        m_p0.rotTrans(m);
        m_p1.rotTrans(m);
        m_p2.rotTrans(m);
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
    // The three edges and a normal of length 30 from p0 (no shadow for the normal).
    void draw(bool withShadow) const override;

    static const ZqDgFigureTables<ZqDgTriangle> figureTab;
};
