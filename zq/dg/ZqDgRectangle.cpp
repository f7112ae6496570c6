#include "zq/dg/ZqDgRectangle.h"

#include "zq/dg/ZqDgFigureUtil_internal.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgSphere.h"
#include "zq/gl/ZqGlLine.h"

#include <algorithm>

namespace {

// How far t lies outside [-h, h] (0 inside).
float beyond(const float t, const float h) {
    return t < -h ? t + h : (t > h ? t - h : 0.0f);
}

float clampTo(const float t, const float h) {
    return t < -h ? -h : (t > h ? h : t);
}

} // namespace

// =============================================================================================
// Rectangle

template <class T> bool ZqDgRectangle::intersectAs(const ZqDgFigure& f) const {
    return intersect(static_cast<const T&>(f));
}
template <class T> float ZqDgRectangle::distanceAs(const ZqDgFigure& f) const {
    return distance(static_cast<const T&>(f));
}
template <class T> float ZqDgRectangle::distanceSquaredAs(const ZqDgFigure& f) const {
    return distanceSquared(static_cast<const T&>(f));
}
template <class T>
void ZqDgRectangle::closestPointAs(const ZqDgFigure& f, ZqVector3* const a,
                                   ZqVector3* const b) const {
    closestPoint(static_cast<const T&>(f), a, b);
}

constinit const ZqDgFigureTables<ZqDgRectangle> ZqDgRectangle::figureTab = [] {
    ZqDgFigureTables<ZqDgRectangle> t;
    t.intersectFigureTab[POINT] = &ZqDgRectangle::intersectAs<ZqDgPoint>;
    t.intersectFigureTab[SPHERE] = &ZqDgRectangle::intersectAs<ZqDgSphere>;
    t.distanceFigureTab[POINT] = &ZqDgRectangle::distanceAs<ZqDgPoint>;
    t.distanceFigureTab[SPHERE] = &ZqDgRectangle::distanceAs<ZqDgSphere>;
    t.distanceSquaredFigureTab[POINT] = &ZqDgRectangle::distanceSquaredAs<ZqDgPoint>;
    t.distanceSquaredFigureTab[SPHERE] = &ZqDgRectangle::distanceSquaredAs<ZqDgSphere>;
    t.closestPointFigureTab[POINT] = &ZqDgRectangle::closestPointAs<ZqDgPoint>;
    t.closestPointFigureTab[SPHERE] = &ZqDgRectangle::closestPointAs<ZqDgSphere>;
    return t;
}();

bool ZqDgRectangle::equals(const ZqDgRectangle& other) const {
    return m_type == other.m_type && zqdg::sameBits(m_center, other.m_center) &&
           zqdg::sameBits(m_axis[0], other.m_axis[0]) &&
           zqdg::sameBits(m_axis[1], other.m_axis[1]) &&
           zqdg::sameBits(m_radius[0], other.m_radius[0]) &&
           zqdg::sameBits(m_radius[1], other.m_radius[1]);
}

bool ZqDgRectangle::epsilonEquals(const ZqDgRectangle other, const float eps) const {
    return zqdg::within(m_center, other.m_center, eps) &&
           zqdg::within(m_axis[0], other.m_axis[0], eps) &&
           zqdg::within(m_axis[1], other.m_axis[1], eps) &&
           zqFabs(m_radius[0] - other.m_radius[0]) <= eps &&
           zqFabs(m_radius[1] - other.m_radius[1]) <= eps;
}

bool ZqDgRectangle::intersect(const ZqDgPoint& point) const {
    const ZqVector3 d = point.m_position - m_center;
    if (zqFabs(m_axis[0].dot(d)) > m_radius[0] || zqFabs(m_axis[1].dot(d)) > m_radius[1]) {
        return false;
    }
    const float k = ZqVector3().cross(m_axis[0], m_axis[1]).dot(d);
    return epsilon * epsilon >= k * k;
}

float ZqDgRectangle::distanceSquaredTo(const ZqVector3& p) const {
    const ZqVector3 d = p - m_center;
    const float e0 = beyond(m_axis[0].dot(d), m_radius[0]);
    const float e1 = beyond(m_axis[1].dot(d), m_radius[1]);
    const float k = ZqVector3().cross(m_axis[0], m_axis[1]).dot(d);
    return e1 * e1 + e0 * e0 + k * k;
}

ZqVector3 ZqDgRectangle::closestTo(const ZqVector3& p) const {
    const ZqVector3 d = p - m_center;
    return m_center + m_axis[0] * clampTo(m_axis[0].dot(d), m_radius[0]) +
           m_axis[1] * clampTo(m_axis[1].dot(d), m_radius[1]);
}

float ZqDgRectangle::distanceSquared(const ZqDgPoint& point) const {
    return distanceSquaredTo(point.m_position);
}

float ZqDgRectangle::distance(const ZqDgPoint& point) const {
    return zqFastSqrt(distanceSquaredTo(point.m_position));
}

void ZqDgRectangle::closestPoint(const ZqDgPoint& point, ZqVector3* const onThis,
                                 ZqVector3* const onOther) const {
    *onThis = closestTo(point.m_position);
    *onOther = point.m_position;
}

bool ZqDgRectangle::intersect(const ZqDgSphere& sphere) const {
    return sphere.m_radius * sphere.m_radius >= distanceSquaredTo(sphere.m_center);
}

float ZqDgRectangle::distance(const ZqDgSphere& sphere) const {
    return sphere.distance(*this);
}

float ZqDgRectangle::distanceSquared(const ZqDgSphere& sphere) const {
    const float d = sphere.distance(*this);
    return d * d;
}

void ZqDgRectangle::closestPoint(const ZqDgSphere& sphere, ZqVector3* const onThis,
                                 ZqVector3* const onOther) const {
    sphere.closestPoint(*this, onOther, onThis);
}

ZqDgRectangle::ZqDgRectangle(const ZqVector3& center, const ZqVector3* const axes,
                             const float* const halfExtents)
    : ZqDgFigure(RECTANGLE) {
    set(center, axes, halfExtents);
}

ZqDgRectangle::ZqDgRectangle(const ZqMatrix& m, const float* const halfExtents)
    : ZqDgFigure(RECTANGLE) {
    set(m, halfExtents);
}

ZqDgRectangle& ZqDgRectangle::set(const ZqVector3& center, const ZqVector3* const axes,
                                  const float* const halfExtents) {
    m_center = center;
    setDirection(axes);
    return setRadius(halfExtents);
}

ZqDgRectangle& ZqDgRectangle::set(const ZqMatrix& m, const float* const halfExtents) {
    m_center.set(m._41, m._42, m._43);
    setDirection(m._11, m._12, m._13, m._21, m._22, m._23);
    return setRadius(halfExtents);
}

ZqDgRectangle& ZqDgRectangle::setDirection(const ZqVector3* const axes) {
    m_axis[0].normalize(axes[0]);
    m_axis[1].normalize(axes[1]);
    return *this;
}

ZqDgRectangle& ZqDgRectangle::setDirection(const float x0, const float y0, const float z0,
                                           const float x1, const float y1, const float z1) {
    const ZqVector3 axes[2] = {ZqVector3(x0, y0, z0), ZqVector3(x1, y1, z1)};
    return setDirection(axes);
}

ZqDgRectangle& ZqDgRectangle::setRadius(const float* const halfExtents) {
    return setRadius(halfExtents[0], halfExtents[1]);
}

ZqDgRectangle& ZqDgRectangle::setRadius(const float h0, const float h1) {
    m_radius[0] = h0;
    m_radius[1] = h1;
    return *this;
}

const char16_t* ZqDgRectangle::getFigureName() const {
    return u"Rectangle";
}

bool ZqDgRectangle::isFinite(const float min, const float max) const {
    return m_type == RECTANGLE && m_center.isFinite(min, max) &&
           ::isFinite(m_radius[0], min, max) && ::isFinite(m_radius[1], min, max) &&
           m_radius[0] > 0.0f && m_radius[1] > 0.0f && m_axis[0].isFinite(min, max) &&
           m_axis[1].isFinite(min, max) && m_axis[0].isNormalized(0.0001f) &&
           m_axis[1].isNormalized(0.0001f);
}

bool ZqDgRectangle::isFinite(const float limit) const {
    return m_type == RECTANGLE && m_center.isFinite(limit) && ::isFinite(m_radius[0], limit) &&
           ::isFinite(m_radius[1], limit) && m_radius[0] > 0.0f && m_radius[1] > 0.0f &&
           m_axis[0].isFinite(limit) && m_axis[1].isFinite(limit) &&
           m_axis[0].isNormalized(0.0001f) && m_axis[1].isNormalized(0.0001f);
}

void ZqDgRectangle::rotTrans(const ZqMatrix& m) {
    m_center.rotTrans(m);
    m_axis[0].rot(m);
    m_axis[1].rot(m);
}

void ZqDgRectangle::draw(const bool withShadow) const {
    static constexpr uint8_t EDGES[8] = {0, 1, 1, 2, 2, 3, 3, 0};
    const ZqVector3 e0 = m_axis[0] * m_radius[0];
    const ZqVector3 e1 = m_axis[1] * m_radius[1];
    const ZqVector3 corners[4] = {m_center - e0 - e1, m_center - e0 + e1, m_center + e0 + e1,
                                  m_center + e0 - e1};
    drawIndexed(corners, EDGES, 4, withShadow);
}

// =============================================================================================
// Polygon

ZqDgPolygon::ZqDgPolygon(const uint32_t count, const ZqVector3* const points)
    : ZqDgFigure(POLYGON) {
    set(count, points);
}

ZqDgPolygon::ZqDgPolygon(const ZqDgPolygon& other) : ZqDgFigure(other) {
    set(other.m_nrPoints, other.m_points.get());
}

ZqDgPolygon& ZqDgPolygon::operator=(const ZqDgPolygon& other) {
    if (this != &other) {
        ZqDgFigure::operator=(other);
        set(other.m_nrPoints, other.m_points.get());
    }
    return *this;
}

ZqDgPolygon& ZqDgPolygon::set(const uint32_t count, const ZqVector3* const points) {
    if (count > MAX_POINTS || count == 0 || points == nullptr) {
        m_points.reset();
        m_nrPoints = 0;
        return *this;
    }
    // A copy first, so that points may lie in this polygon's own array.
    std::unique_ptr<ZqVector3[]> copy = std::make_unique<ZqVector3[]>(count);
    std::copy(points, points + count, copy.get());
    m_points = std::move(copy);
    m_nrPoints = count;
    return *this;
}

ZqDgPolygon& ZqDgPolygon::set(const ZqDgPolygon& other) {
    return *this = other;
}

bool ZqDgPolygon::equals(const ZqDgPolygon& other) const {
    if (m_nrPoints != other.m_nrPoints) {
        return false;
    }
    for (uint32_t i = 0; i < m_nrPoints; ++i) {
        if (!zqdg::sameBits(m_points[i], other.m_points[i])) {
            return false;
        }
    }
    return true;
}

bool ZqDgPolygon::epsilonEquals(const ZqDgPolygon& other, const float eps) const {
    if (m_nrPoints != other.m_nrPoints) {
        return false;
    }
    for (uint32_t i = 0; i < m_nrPoints; ++i) {
        if (!zqdg::within(m_points[i], other.m_points[i], eps)) {
            return false;
        }
    }
    return true;
}

const char16_t* ZqDgPolygon::getFigureName() const {
    return u"Polygon";
}

bool ZqDgPolygon::isFinite(const float min, const float max) const {
    const float count = static_cast<float>(m_nrPoints);
    if (m_type != POLYGON || !(min <= count && count <= max)) {
        return false;
    }
    return std::all_of(m_points.get(), m_points.get() + m_nrPoints,
                       [&](const ZqVector3& p) { return p.isFinite(min, max); });
}

bool ZqDgPolygon::isFinite(const float limit) const {
    if (m_type != POLYGON || !(static_cast<float>(m_nrPoints) <= limit)) {
        return false;
    }
    return std::all_of(m_points.get(), m_points.get() + m_nrPoints,
                       [&](const ZqVector3& p) { return p.isFinite(limit); });
}

void ZqDgPolygon::vRotTrans(const ZqMatrix& m) {
    for (uint32_t i = 0; i < m_nrPoints; ++i) {
        m_points[i].rotTrans(m);
    }
}

void ZqDgPolygon::draw(const bool withShadow) const {
    if (m_nrPoints < 2) {
        return;
    }
    const uint32_t last = m_nrPoints - 1;
    ZqGlLine::draw(m_points.get(), m_nrPoints);
    ZqGlLine::draw(m_points[last], m_points[0]);
    if (withShadow) {
        setShadowColor();
        for (uint32_t i = 1; i < m_nrPoints; ++i) {
            ZqGlLine::draw(flat(m_points[i - 1]), flat(m_points[i]));
        }
        ZqGlLine::draw(flat(m_points[last]), flat(m_points[0]));
    }
}
