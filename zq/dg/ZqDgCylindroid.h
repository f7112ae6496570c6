// ZqDgCylindroid (type 13): an elliptic cylinder with its own frame: centre, unit axes 0, 1, 2
// and three sizes (the half length along axis 0, the semi-axes along axes 1 and 2). Its only
// pair is the point: inside (surface included), the push-out onto the elliptic surface used by
// the cloth, distance and closest points.
// ZqDgCone (type 14): apex, unit direction toward the base, height and base radius; no pair
// tests.
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqQuat;
class ZqDgAxisAlignedBoundingBox;
class ZqDgPoint;

class ZqDgCylindroid : public ZqDgFigure {
public:
    ZqVector3 m_center;
    ZqVector3 m_axis[3];
    float m_radius[3];

    ZqDgCylindroid() : ZqDgFigure(CYLINDROID) {}
    ZqDgCylindroid(const ZqVector3& center, const ZqVector3* axes, const float* sizes);
    // Axes = rows 0, 1, 2 of the quaternion's rotation matrix.
    ZqDgCylindroid(const ZqVector3& center, const ZqQuat& q, const float* sizes);
    // Centre = the translation row, axes = rows 0, 1, 2 normalised.
    ZqDgCylindroid(const ZqMatrix& m, const float* sizes);
    // The box between two corners: centre (a + b) / 2, axes x, y, z, sizes |b - a| / 2.
    ZqDgCylindroid(const ZqVector3& a, const ZqVector3& b);
    explicit ZqDgCylindroid(const ZqDgAxisAlignedBoundingBox& box);

    ZqDgCylindroid& set(const ZqVector3& center, const ZqVector3* axes, const float* sizes);
    ZqDgCylindroid& set(const ZqVector3& center, const ZqQuat& q, const float* sizes);
    ZqDgCylindroid& set(const ZqMatrix& m, const float* sizes);
    ZqDgCylindroid& set(const ZqVector3& a, const ZqVector3& b);
    ZqDgCylindroid& set(const ZqDgAxisAlignedBoundingBox& box);
    // Centre and axes from the matrix, sizes kept.
    ZqDgCylindroid& setMatrix(const ZqMatrix& m);
    ZqDgCylindroid& setDirection(const ZqVector3* axes);
    ZqDgCylindroid& setDirection(const ZqVector3& a0, const ZqVector3& a1, const ZqVector3& a2);
    ZqDgCylindroid& setDirection(float x0, float y0, float z0, float x1, float y1, float z1,
                                 float x2, float y2, float z2);
    ZqDgCylindroid& setDirection(const ZqQuat& q);
    ZqDgCylindroid& setRadius(const float* sizes);
    ZqDgCylindroid& setRadius(float s0, float s1, float s2);
    // v replaced by its coordinates along the three axes (no translation).
    void translateVector(ZqVector3* v) const;
    // p replaced by its coordinates in the cylindroid's frame, translation included.
    void translatePoint(ZqVector3* p) const;

    // Inside or on the surface; the axial test comes first.
    bool intersect(const ZqDgPoint& p) const;
    // For a point inside: out = the point moved radially from the axis onto the elliptic
    // surface, keeping its axial coordinate (a point very near the axis moves at most 100
    // times its offset; one on the axis stays). False, out untouched, for a point outside.
    bool intersectYZ(const ZqDgPoint& p, ZqVector3* out) const;
    float distanceSquared(const ZqDgPoint& p) const;
    float distance(const ZqDgPoint& p) const;
    // onThis: the point itself when inside, else clamped axially and brought radially onto
    // the surface; onPoint: the point.
    void closestPoint(const ZqDgPoint& p, ZqVector3* onThis, ZqVector3* onPoint) const;
    // Bitwise over type and fields; epsilonEquals within eps per float.
    bool equals(const ZqDgCylindroid& other) const;
    bool epsilonEquals(ZqDgCylindroid other, float eps) const;

    const char16_t* getFigureName() const override;
    // The range form does not test the type.
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
    // 16 side lines and the two end ellipses.
    void draw(bool withShadow) const override;

    static const ZqDgFigureTables<ZqDgCylindroid> figureTab;

private:
    void localCoordinates(const ZqVector3& p, float* t) const;
    template <class T> bool intersectAs(const ZqDgFigure& f) const;
    template <class T> float distanceAs(const ZqDgFigure& f) const;
    template <class T> float distanceSquaredAs(const ZqDgFigure& f) const;
    template <class T> void closestPointAs(const ZqDgFigure& f, ZqVector3* a, ZqVector3* b) const;
};

class ZqDgCone : public ZqDgFigure {
public:
    ZqVector3 m_apex;
    ZqVector3 m_direction;
    float m_height;
    float m_radius;

    ZqDgCone() : ZqDgFigure(CONE) {}
    ZqDgCone(const ZqVector3& apex, const ZqVector3& direction, float height, float radius);
    // Writes the fields and returns a copy of the cone.
    ZqDgCone set(const ZqVector3& apex, const ZqVector3& direction, float height, float radius);

    const char16_t* getFigureName() const override;
    // Reads neither the type nor the signs of height and radius.
    bool isFinite(float min, float max) const override;
    bool isFinite(float limit) const override;
    void vRotTrans(const ZqMatrix& m) override { rotTrans(m); }
    void rotTrans(const ZqMatrix& m) {
        m_apex.rotTrans(m);
        m_direction.rot(m);
    }
    // Apex to 16 base points, then the base circle.
    void draw(bool withShadow) const override;
};
