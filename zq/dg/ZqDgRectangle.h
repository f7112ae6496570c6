// ZqDgRectangle (type 6): a bounded oriented rectangle in space (centre, two unit axes, two
// half extents); edges and corners belong to it, and its point test accepts points within
// epsilon of its plane. ZqDgPolygon (type 7): up to 16 points in an owned array, no pair
// tests.
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqDgPoint;
class ZqDgSphere;

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
    ZqDgRectangle& setCenter(const ZqVector3& center) {
        m_center = center;
        return *this;
    }

    // Type, centre, axes and half extents bitwise.
    bool equals(const ZqDgRectangle& other) const;
    // The eleven floats (centre, axes, half extents) each within eps, in storage order.
    bool epsilonEquals(ZqDgRectangle other, float eps) const;

    bool intersect(const ZqDgPoint& point) const;
    bool intersect(const ZqDgSphere& sphere) const;
    float distance(const ZqDgPoint& point) const;
    float distance(const ZqDgSphere& sphere) const;
    // The squared distance of the point to the rectangle (0 on it).
    float distanceSquared(const ZqDgPoint& point) const;
    // The square of the signed sphere distance.
    float distanceSquared(const ZqDgSphere& sphere) const;
    // onThis = the rectangle's point nearest the point, onOther = the point.
    void closestPoint(const ZqDgPoint& point, ZqVector3* onThis, ZqVector3* onOther) const;
    // onThis = the rectangle's point nearest the centre; onOther the sphere's surface point
    // toward it (left alone when the two lie within 0.01).
    void closestPoint(const ZqDgSphere& sphere, ZqVector3* onThis, ZqVector3* onOther) const;
    // The rectangle's point nearest p.
    ZqVector3 closestTo(const ZqVector3& p) const;
    // The squared distance of p to the rectangle.
    float distanceSquaredTo(const ZqVector3& p) const;

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

private:
    template <class T> bool intersectAs(const ZqDgFigure& f) const;
    template <class T> float distanceAs(const ZqDgFigure& f) const;
    template <class T> float distanceSquaredAs(const ZqDgFigure& f) const;
    template <class T> void closestPointAs(const ZqDgFigure& f, ZqVector3* a, ZqVector3* b) const;
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

    // Same count and every point bitwise equal at the same index.
    bool equals(const ZqDgPolygon& other) const;
    // Same count and every coordinate within eps, point by point.
    bool epsilonEquals(const ZqDgPolygon& other, float eps) const;
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
