// ZqDgCapsule (type 11): every point within the radius of the segment start..end.
// ZqDgCylinder (type 12): the same fields, no pair tests, never valid. Their pair tests come
// with the capsule tests; here fields, setters, validity, transform and drawing.
#pragma once

#include "zq/dg/ZqDgFigure.h"

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
