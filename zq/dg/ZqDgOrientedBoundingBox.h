// ZqDgOrientedBoundingBox (type 17, "OBB"): the rotated box: centre, unit axes 0, 1, 2, half
// sizes along them and the bounding radius |(h0, h1, h2)|, kept so that tests can reject
// early. Its pair tests come with the oriented box tests; here fields, setters, validity,
// transform and drawing.
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqQuat;
class ZqDgAxisAlignedBoundingBox;
class ZqDgCylindroid;

class ZqDgOrientedBoundingBox : public ZqDgFigure {
public:
    ZqVector3 m_center;
    ZqVector3 m_axis[3];
    float m_radius[3];
    float m_boundingRadius;

    ZqDgOrientedBoundingBox() : ZqDgFigure(ORIENTED_BOUNDING_BOX) {}
    ZqDgOrientedBoundingBox(const ZqVector3& center, const ZqVector3* axes, const float* halves);
    // Axes = rows 0, 1, 2 of the quaternion's rotation matrix.
    ZqDgOrientedBoundingBox(const ZqVector3& center, const ZqQuat& q, const float* halves);
    // Centre = the translation row, axes = rows 0, 1, 2 normalised.
    ZqDgOrientedBoundingBox(const ZqMatrix& m, const float* halves);
    // The box between two corners, axes x, y, z.
    ZqDgOrientedBoundingBox(const ZqVector3& a, const ZqVector3& b);
    explicit ZqDgOrientedBoundingBox(const ZqDgAxisAlignedBoundingBox& box);
    explicit ZqDgOrientedBoundingBox(const ZqDgCylindroid& cylindroid);

    ZqDgOrientedBoundingBox& set(const ZqVector3& center, const ZqVector3* axes,
                                 const float* halves);
    ZqDgOrientedBoundingBox& set(const ZqVector3& center, const ZqQuat& q, const float* halves);
    ZqDgOrientedBoundingBox& set(const ZqMatrix& m, const float* halves);
    ZqDgOrientedBoundingBox& set(const ZqVector3& a, const ZqVector3& b);
    ZqDgOrientedBoundingBox& set(const ZqDgAxisAlignedBoundingBox& box);
    ZqDgOrientedBoundingBox& set(const ZqDgCylindroid& cylindroid);
    ZqDgOrientedBoundingBox& setMatrix(const ZqMatrix& m);
    ZqDgOrientedBoundingBox& setDirection(const ZqVector3* axes);
    ZqDgOrientedBoundingBox& setDirection(const ZqVector3& a0, const ZqVector3& a1,
                                          const ZqVector3& a2);
    ZqDgOrientedBoundingBox& setDirection(float x0, float y0, float z0, float x1, float y1,
                                          float z1, float x2, float y2, float z2);
    ZqDgOrientedBoundingBox& setDirection(const ZqQuat& q);
    // Half sizes; the bounding radius follows.
    ZqDgOrientedBoundingBox& setRadius(const float* halves);
    ZqDgOrientedBoundingBox& setRadius(float h0, float h1, float h2);
    float getBoundingRadius() const { return m_boundingRadius; }
    void translateVector(ZqVector3* v) const;

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
    // The 12 edges and a cross at corner 0.
    void draw(bool withShadow) const override;

    static const ZqDgFigureTables<ZqDgOrientedBoundingBox> figureTab;

private:
    void updateBoundingRadius();
};
