// ZqDgTriangle (type 5): three corners p0, p1, p2; the face normal is (p1 - p0) x (p2 - p0).
// Every distance to a triangle rests on its closest point to a point, found by the Voronoi
// region of the point (three corners, three edges, the face). Closest-point members write the
// point on the triangle first; the sphere distance is signed.
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqDgPoint;
class ZqDgLine;
class ZqDgSegment;
class ZqDgSphere;

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

    // Type and the nine coordinates bitwise.
    bool equals(const ZqDgTriangle& other) const;
    // Each coordinate within eps, in storage order.
    bool epsilonEquals(const ZqDgTriangle& other, float eps) const;

    // The point on the face itself, within epsilon of its plane: edges and corners are out.
    bool intersect(const ZqDgPoint& point) const;
    // For a point lying in the triangle's plane (not checked): inside, edges and corners
    // included.
    bool intersect2D(const ZqDgPoint& point) const;
    // By signed volumes: the line passes strictly inside the face; through an edge or a
    // corner, or parallel to the face, it does not.
    bool intersect(const ZqDgLine& line) const;
    // The crossing of the line with the face (edges included): t along the direction, p the
    // point; t is written once the line is not parallel, p only when true.
    bool intersect(const ZqDgLine& line, float* t, ZqVector3* p) const;
    // The segment crosses the face (ends and edges included); parallel segments never do.
    bool intersect(const ZqDgSegment& segment) const;
    // As above; t (0 at the start, 1 at the end) is written once the segment is not
    // parallel, even when it lies outside [0, 1]; p only when true.
    bool intersect(const ZqDgSegment& segment, float* t, ZqVector3* p) const;
    bool intersect(const ZqDgSphere& sphere) const;
    float distance(const ZqDgPoint& point) const;
    float distance(const ZqDgSphere& sphere) const;
    float distanceSquared(const ZqDgPoint& point) const;
    float distanceSquared(const ZqDgSphere& sphere) const;
    // onThis = the triangle's point nearest the point, onOther = the point.
    void closestPoint(const ZqDgPoint& point, ZqVector3* onThis, ZqVector3* onOther) const;
    // onThis = the triangle's point nearest the centre, onOther the sphere's surface point
    // toward it (left alone when the two lie within 0.01).
    void closestPoint(const ZqDgSphere& sphere, ZqVector3* onThis, ZqVector3* onOther) const;
    // The triangle's point nearest p.
    ZqVector3 closestTo(const ZqVector3& p) const;

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

private:
    template <class T> bool intersectAs(const ZqDgFigure& f) const;
    template <class T> float distanceAs(const ZqDgFigure& f) const;
    template <class T> float distanceSquaredAs(const ZqDgFigure& f) const;
    template <class T> void closestPointAs(const ZqDgFigure& f, ZqVector3* a, ZqVector3* b) const;
};
