#include "zq/dg/ZqDgOrientedBoundingBox.h"

#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgCylindroid.h"
#include "zq/dg/ZqDgFrame.h"
#include "zq/dg/ZqDgPoint.h"

constinit const ZqDgFigureTables<ZqDgOrientedBoundingBox> ZqDgOrientedBoundingBox::figureTab = [] {
    ZqDgFigureTables<ZqDgOrientedBoundingBox> t;
    for (const TYPE other : {POINT, SEGMENT, PLANE, SPHERE, ORIENTED_BOUNDING_BOX}) {
        t.notYetBuiltIntersect(other);
    }
    for (const TYPE other : {POINT, SPHERE}) {
        t.notYetBuiltDistance(other);
        t.notYetBuiltClosestPoint(other);
    }
    return t;
}();

ZqDgOrientedBoundingBox::ZqDgOrientedBoundingBox(const ZqVector3& center,
                                                 const ZqVector3* const axes,
                                                 const float* const halves)
    : ZqDgFigure(ORIENTED_BOUNDING_BOX) {
    set(center, axes, halves);
}

ZqDgOrientedBoundingBox::ZqDgOrientedBoundingBox(const ZqVector3& center, const ZqQuat& q,
                                                 const float* const halves)
    : ZqDgFigure(ORIENTED_BOUNDING_BOX) {
    set(center, q, halves);
}

ZqDgOrientedBoundingBox::ZqDgOrientedBoundingBox(const ZqMatrix& m, const float* const halves)
    : ZqDgFigure(ORIENTED_BOUNDING_BOX) {
    set(m, halves);
}

ZqDgOrientedBoundingBox::ZqDgOrientedBoundingBox(const ZqVector3& a, const ZqVector3& b)
    : ZqDgFigure(ORIENTED_BOUNDING_BOX) {
    set(a, b);
}

ZqDgOrientedBoundingBox::ZqDgOrientedBoundingBox(const ZqDgAxisAlignedBoundingBox& box)
    : ZqDgFigure(ORIENTED_BOUNDING_BOX) {
    set(box);
}

ZqDgOrientedBoundingBox::ZqDgOrientedBoundingBox(const ZqDgCylindroid& cylindroid)
    : ZqDgFigure(ORIENTED_BOUNDING_BOX) {
    set(cylindroid);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::set(const ZqVector3& center,
                                                      const ZqVector3* const axes,
                                                      const float* const halves) {
    m_center = center;
    setDirection(axes);
    return setRadius(halves);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::set(const ZqVector3& center, const ZqQuat& q,
                                                      const float* const halves) {
    m_center = center;
    setDirection(q);
    return setRadius(halves);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::set(const ZqMatrix& m,
                                                      const float* const halves) {
    setMatrix(m);
    return setRadius(halves);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::set(const ZqVector3& a, const ZqVector3& b) {
    zqdg::boxFromCorners(a, b, m_center, m_axis, m_radius);
    updateBoundingRadius();
    return *this;
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::set(const ZqDgAxisAlignedBoundingBox& box) {
    return set(box.m_center - box.m_radius, box.m_center + box.m_radius);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::set(const ZqDgCylindroid& cylindroid) {
    m_center = cylindroid.m_center;
    setDirection(cylindroid.m_axis);
    return setRadius(cylindroid.m_radius);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setMatrix(const ZqMatrix& m) {
    zqdg::frameFromMatrix(m, m_center, m_axis);
    return *this;
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setDirection(const ZqVector3* const axes) {
    return setDirection(axes[0], axes[1], axes[2]);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setDirection(const ZqVector3& a0,
                                                               const ZqVector3& a1,
                                                               const ZqVector3& a2) {
    zqdg::normalizeAxes(a0, a1, a2, m_axis);
    return *this;
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setDirection(const float x0, const float y0,
                                                               const float z0, const float x1,
                                                               const float y1, const float z1,
                                                               const float x2, const float y2,
                                                               const float z2) {
    return setDirection(ZqVector3(x0, y0, z0), ZqVector3(x1, y1, z1), ZqVector3(x2, y2, z2));
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setDirection(const ZqQuat& q) {
    zqdg::axesFromQuat(q, m_axis);
    return *this;
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setRadius(const float* const halves) {
    return setRadius(halves[0], halves[1], halves[2]);
}

ZqDgOrientedBoundingBox& ZqDgOrientedBoundingBox::setRadius(const float h0, const float h1,
                                                            const float h2) {
    m_radius[0] = h0;
    m_radius[1] = h1;
    m_radius[2] = h2;
    updateBoundingRadius();
    return *this;
}

// The exact root: an estimate that comes out short would let early rejections report
// overlapping boxes as apart.
void ZqDgOrientedBoundingBox::updateBoundingRadius() {
    m_boundingRadius =
        zqSqrt(m_radius[0] * m_radius[0] + m_radius[1] * m_radius[1] + m_radius[2] * m_radius[2]);
}

void ZqDgOrientedBoundingBox::translateVector(ZqVector3* const v) const {
    zqdg::toFrame(m_axis, v);
}

const char16_t* ZqDgOrientedBoundingBox::getFigureName() const {
    return u"OBB";
}

bool ZqDgOrientedBoundingBox::isFinite(const float min, const float max) const {
    return m_type == ORIENTED_BOUNDING_BOX &&
           zqdg::frameIsFinite(m_center, m_axis, m_radius, min, max);
}

bool ZqDgOrientedBoundingBox::isFinite(const float limit) const {
    return m_type == ORIENTED_BOUNDING_BOX &&
           zqdg::frameIsFinite(m_center, m_axis, m_radius, limit);
}

void ZqDgOrientedBoundingBox::rotTrans(const ZqMatrix& m) {
    zqdg::moveFrame(m, m_center, m_axis);
}

void ZqDgOrientedBoundingBox::draw(const bool withShadow) const {
    static constexpr uint8_t EDGES[24] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 2, 1, 3,
                                          4, 6, 5, 7, 0, 4, 1, 5, 2, 6, 3, 7};
    ZqVector3 corners[8];
    for (int k = 0; k < 8; ++k) {
        corners[k] = m_center;
        for (int i = 0; i < 3; ++i) {
            const float sigma = (k & (1 << i)) != 0 ? 1.0f : -1.0f;
            corners[k] += m_axis[i] * (sigma * m_radius[i]);
        }
    }
    drawIndexed(corners, EDGES, 12, false);
    ZqDgPoint(corners[0].x, corners[0].y, corners[0].z).draw(false);
    if (withShadow) {
        setShadowColor();
        for (ZqVector3& c : corners) {
            c.y = 0.0f;
        }
        drawIndexed(corners, EDGES, 12, false);
    }
}
