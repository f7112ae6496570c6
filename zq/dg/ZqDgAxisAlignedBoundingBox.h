// ZqDgAxisAlignedBoundingBox (type 16, "AABB"): a centre c and half sizes h (each expected
// > 0); the closed box c - h .. c + h. The cheapest volume of the library: models and bones
// keep one, box trees build on them. Slab and separating-axis tests, push-out of an inside
// point onto the nearest face, distances; the box stays axis-aligned under vRotTrans.
#pragma once

#include "zq/dg/ZqDgFigure.h"
#include "zq/dg/ZqDgPoint.h"

class ZqDgLine;
class ZqDgSegment;
class ZqDgPlane;
class ZqDgSphere;

class ZqDgAxisAlignedBoundingBox : public ZqDgFigure {
public:
    ZqVector3 m_center;
    // Half sizes along x, y and z.
    ZqVector3 m_radius;

    ZqDgAxisAlignedBoundingBox() : ZqDgFigure(AXIS_ALIGNED_BOUNDING_BOX) {}
    ZqDgAxisAlignedBoundingBox(const float x, const float y, const float z, const float hx,
                               const float hy, const float hz)
        : ZqDgFigure(AXIS_ALIGNED_BOUNDING_BOX), m_center(x, y, z), m_radius(hx, hy, hz) {}
    ZqDgAxisAlignedBoundingBox(const ZqVector3& center, const float* const halfSizes)
        : ZqDgFigure(AXIS_ALIGNED_BOUNDING_BOX), m_center(center), m_radius(halfSizes) {}

    ZqDgAxisAlignedBoundingBox& set(const ZqVector3& center, const float* const halfSizes) {
        m_center = center;
        m_radius.set(halfSizes);
        return *this;
    }
    ZqDgAxisAlignedBoundingBox& set(const float x, const float y, const float z, const float hx,
                                    const float hy, const float hz) {
        m_center.set(x, y, z);
        m_radius.set(hx, hy, hz);
        return *this;
    }
    ZqDgAxisAlignedBoundingBox& setCenter(const float x, const float y, const float z) {
        m_center.set(x, y, z);
        return *this;
    }
    ZqDgAxisAlignedBoundingBox& setRadius(const float* const halfSizes) {
        m_radius.set(halfSizes);
        return *this;
    }
    const ZqVector3& getCenter() const { return m_center; }
    const ZqVector3& getRadius() const { return m_radius; }
    float getMinX() const { return m_center.x - m_radius.x; }
    float getMinY() const { return m_center.y - m_radius.y; }
    float getMinZ() const { return m_center.z - m_radius.z; }
    float getMaxX() const { return m_center.x + m_radius.x; }
    float getMaxY() const { return m_center.y + m_radius.y; }
    float getMaxZ() const { return m_center.z + m_radius.z; }

    // Centre coordinates and half sizes each within eps.
    bool epsilonEquals(ZqDgAxisAlignedBoundingBox other, float eps) const;

    // The two hot overlap tests are inline; each stops at its first failing axis.
    bool intersect(const ZqDgPoint& point) const {
        const ZqVector3& p = point.m_position;
        return zqFabs(p.x - m_center.x) <= m_radius.x && zqFabs(p.y - m_center.y) <= m_radius.y &&
               zqFabs(p.z - m_center.z) <= m_radius.z;
    }
    // As above; when inside, exit receives the point moved onto the nearest face (ties
    // prefer x, then y); untouched when outside.
    bool intersect(const ZqDgPoint& point, ZqVector3* exit) const;
    bool intersect(const ZqDgLine& line) const;
    // Entry and exit parameters and points, written only when the line meets the box.
    bool intersect(const ZqDgLine& line, float* tNear, float* tFar, ZqVector3* pNear,
                   ZqVector3* pFar) const;
    bool intersect(const ZqDgSegment& segment) const;
    // As the line form with segment parameters in [0, 1].
    bool intersect(const ZqDgSegment& segment, float* tNear, float* tFar, ZqVector3* pNear,
                   ZqVector3* pFar) const;
    bool intersect(const ZqDgPlane& plane) const;
    bool intersect(const ZqDgSphere& sphere) const;
    bool intersect(const ZqDgAxisAlignedBoundingBox& other) const {
        return zqFabs(m_center.x - other.m_center.x) <= m_radius.x + other.m_radius.x &&
               zqFabs(m_center.y - other.m_center.y) <= m_radius.y + other.m_radius.y &&
               zqFabs(m_center.z - other.m_center.z) <= m_radius.z + other.m_radius.z;
    }
    // 0 inside.
    float distanceSquared(const ZqDgPoint& point) const;
    float distance(const ZqDgPoint& point) const;
    // To the sphere's surface: negative when they overlap, -r when the centre is inside.
    float distance(const ZqDgSphere& sphere) const;
    float distanceSquared(const ZqDgSphere& sphere) const;
    // onThis: the point clamped to the box, or pushed onto the nearest face when inside.
    void closestPoint(const ZqDgPoint& point, ZqVector3* onThis, ZqVector3* onOther) const;
    // onOther is left alone when the box's point lies within 0.01 of the sphere's centre.
    void closestPoint(const ZqDgSphere& sphere, ZqVector3* onThis, ZqVector3* onOther) const;

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
    // The 12 edges, then the centre's cross (no shadow for the cross).
    void draw(bool withShadow) const override;

    static const ZqDgFigureTables<ZqDgAxisAlignedBoundingBox> figureTab;

private:
    // The point clamped into the box; an inside point pushed onto the nearest face, a
    // coordinate on the box's centre plane staying put.
    ZqVector3 closestOnBox(const ZqVector3& p) const;
    template <class T> bool intersectAs(const ZqDgFigure& f) const;
    template <class T> float distanceAs(const ZqDgFigure& f) const;
    template <class T> float distanceSquaredAs(const ZqDgFigure& f) const;
    template <class T> void closestPointAs(const ZqDgFigure& f, ZqVector3* a, ZqVector3* b) const;
};
