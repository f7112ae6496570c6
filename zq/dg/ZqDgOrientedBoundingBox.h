// ZqDgOrientedBoundingBox (type 17, "OBB"): the rotated box: centre, unit axes 0, 1, 2, half
// sizes along them and the bounding radius |(h0, h1, h2)|, kept so that tests can reject
// early. The box is closed: points on its surface belong to it. Tests against a point (with
// the push-out of an inside point), segment, plane, sphere and another box; the eight corners
// (corner k takes +axis i where bit i of k is set); the re-fit to a mass-spring body.
// Every tolerance here is a fixed 0.0001, not the shared epsilon.
#pragma once

#include "zq/dg/ZqDgFigure.h"

class ZqQuat;
class ZqDgAxisAlignedBoundingBox;
class ZqDgBody;
class ZqDgCylindroid;
class ZqDgPlane;
class ZqDgPoint;
class ZqDgSegment;
class ZqDgSphere;

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
    ZqDgOrientedBoundingBox& setCenter(const ZqVector3& center) {
        m_center = center;
        return *this;
    }
    float getBoundingRadius() const { return m_boundingRadius; }
    void translateVector(ZqVector3* v) const;
    // p replaced by its coordinates in the box's frame, translation included.
    void translatePoint(ZqVector3* p) const;
    // The eight corners, corner 0 (all minus) first; corners has room for eight.
    void calcCoordinates(ZqVector3* corners) const;
    // Re-fits centre and axes (not orthogonalised; sizes kept) to the body's joints 0..7 taken
    // as corners, then puts those joints on the new corners. Nothing for a body with fewer
    // than eight joints.
    void correct(ZqDgBody& body);

    bool intersect(const ZqDgPoint& p) const;
    // When inside, exit gets the point moved out through the nearest face (ties keep the
    // lower axis; a point on a mid-plane goes towards +axis).
    bool intersect(const ZqDgPoint& p, ZqVector3* exit) const;
    // The same, pushing only along axis 1 or 2 (a tie goes to axis 2).
    bool intersectYZ(const ZqDgPoint& p, ZqVector3* exit) const;
    bool intersect(const ZqDgSegment& s) const;
    bool intersect(const ZqDgPlane& plane) const;
    bool intersect(const ZqDgSphere& sphere) const;
    bool intersect(const ZqDgOrientedBoundingBox& box) const;
    // 0 inside.
    float distanceSquared(const ZqDgPoint& p) const;
    float distance(const ZqDgPoint& p) const;
    // Negative when the sphere reaches in; -radius whenever its centre is inside.
    float distance(const ZqDgSphere& sphere) const;
    float distanceSquared(const ZqDgSphere& sphere) const;
    // onBox: the clamped point, or for a point inside the nearest face point.
    void closestPoint(const ZqDgPoint& p, ZqVector3* onBox, ZqVector3* onPoint) const;
    // onSphere is left alone when the box point is too near the centre to give a direction.
    void closestPoint(const ZqDgSphere& sphere, ZqVector3* onBox, ZqVector3* onSphere) const;
    // Bitwise over the whole state; epsilonEquals skips the bounding radius.
    bool equals(const ZqDgOrientedBoundingBox& other) const;
    bool epsilonEquals(ZqDgOrientedBoundingBox other, float eps) const;

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
    void localCoordinates(const ZqVector3& p, float* t) const;
    template <class T> bool intersectAs(const ZqDgFigure& f) const;
    template <class T> float distanceAs(const ZqDgFigure& f) const;
    template <class T> float distanceSquaredAs(const ZqDgFigure& f) const;
    template <class T> void closestPointAs(const ZqDgFigure& f, ZqVector3* a, ZqVector3* b) const;
};
