// ZqDgRectangle (type 6): a bounded oriented rectangle in space (centre, two unit axes, two
// half extents). ZqDgPolygon (type 7): up to 16 points in an owned array, no pair tests.
// Their pair tests come with the rectangle tests; here fields, setters, validity, transform
// and drawing.
#pragma once

#include "zq/dg/ZqDgFigure.h"

#include <memory>

class ZqDgRectangle : public ZqDgFigure {
public:
    ZqVector3 m_center;
    ZqVector3 m_axis[2];
    // Half extents along the two axes.
    float m_radius[2];

    ZqDgRectangle() : ZqDgFigure(RECTANGLE) {}
    ZqDgRectangle(const ZqVector3& center, const ZqVector3* axes, const float* halfExtents);
    // Centre = the translation row, axes = rows 0 and 1.
    ZqDgRectangle(const ZqMatrix& m, const float* halfExtents);

    ZqDgRectangle& set(const ZqVector3& center, const ZqVector3* axes, const float* halfExtents);
    ZqDgRectangle& set(const ZqMatrix& m, const float* halfExtents);
    ZqDgRectangle& setDirection(const ZqVector3* axes);
    ZqDgRectangle& setDirection(float x0, float y0, float z0, float x1, float y1, float z1);
    ZqDgRectangle& setRadius(const float* halfExtents);
    ZqDgRectangle& setRadius(float h0, float h1);

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
    // The four edges.
    void draw(bool withShadow) const override;

    static const ZqDgFigureTables<ZqDgRectangle> figureTab;
};

class ZqDgPolygon : public ZqDgFigure {
public:
    static constexpr uint32_t MAX_POINTS = 16;

    // Empty: no points.
    ZqDgPolygon() : ZqDgFigure(POLYGON) {}
    // More than MAX_POINTS points give an empty polygon.
    ZqDgPolygon(uint32_t count, const ZqVector3* points);
    ZqDgPolygon(const ZqDgPolygon& other);
    ZqDgPolygon& operator=(const ZqDgPolygon& other);
    ~ZqDgPolygon() override = default;

    ZqDgPolygon& set(uint32_t count, const ZqVector3* points);
    ZqDgPolygon& set(const ZqDgPolygon& other);
    uint32_t getNrPoints() const { return m_nrPoints; }
    // No index check: i must be below getNrPoints().
    ZqVector3& getPoint(const uint32_t i) { return m_points[i]; }
    const ZqVector3& getPoint(const uint32_t i) const { return m_points[i]; }
    void setPoint(const uint32_t i, const ZqVector3& p) { m_points[i] = p; }

    const char16_t* getFigureName() const override;
    bool isFinite(float min, float max) const override;
    bool isFinite(float limit) const override;
    void vRotTrans(const ZqMatrix& m) override;
    // The outline, closed; nothing with fewer than two points.
    void draw(bool withShadow) const override;

private:
    uint32_t m_nrPoints = 0;
    std::unique_ptr<ZqVector3[]> m_points;
};
