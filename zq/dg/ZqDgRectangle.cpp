#include "zq/dg/ZqDgRectangle.h"

#include "zq/gl/ZqGlLine.h"

#include <algorithm>

// =============================================================================================
// Rectangle

constinit const ZqDgFigureTables<ZqDgRectangle> ZqDgRectangle::figureTab = [] {
    ZqDgFigureTables<ZqDgRectangle> t;
    for (const TYPE other : {POINT, SPHERE}) {
        t.notYetBuiltIntersect(other);
        t.notYetBuiltDistance(other);
        t.notYetBuiltClosestPoint(other);
    }
    return t;
}();

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
