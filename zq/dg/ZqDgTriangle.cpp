#include "zq/dg/ZqDgTriangle.h"

#include "zq/dg/ZqDgPoint.h"
#include "zq/gl/ZqGlLine.h"

constinit const ZqDgFigureTables<ZqDgTriangle> ZqDgTriangle::figureTab = [] {
    ZqDgFigureTables<ZqDgTriangle> t;
    for (const TYPE other : {POINT, LINE, SEGMENT, SPHERE}) {
        t.notYetBuiltIntersect(other);
    }
    for (const TYPE other : {POINT, SPHERE}) {
        t.notYetBuiltDistance(other);
        t.notYetBuiltClosestPoint(other);
    }
    return t;
}();

const char16_t* ZqDgTriangle::getFigureName() const {
    return u"Triangle";
}

bool ZqDgTriangle::isFinite(const float min, const float max) const {
    return m_type == TRIANGLE && m_p0.isFinite(min, max) && m_p1.isFinite(min, max) &&
           m_p2.isFinite(min, max);
}

bool ZqDgTriangle::isFinite(const float limit) const {
    return m_type == TRIANGLE && m_p0.isFinite(limit) && m_p1.isFinite(limit) &&
           m_p2.isFinite(limit);
}

bool ZqDgTriangle::intersect2D(const ZqDgPoint& point) const {
    const ZqVector3 a = m_p0 - point.m_position;
    const ZqVector3 b = m_p1 - point.m_position;
    const ZqVector3 c = m_p2 - point.m_position;
    const float ab = a.dot(b);
    const float ac = a.dot(c);
    const float bc = b.dot(c);
    if (bc * ac - c.dot(c) * ab < 0.0f) {
        return false;
    }
    return !(ab * bc - b.dot(b) * ac < 0.0f);
}

void ZqDgTriangle::draw(const bool withShadow) const {
    ZqGlLine::draw(m_p0, m_p1);
    ZqGlLine::draw(m_p1, m_p2);
    ZqGlLine::draw(m_p2, m_p0);
    const ZqVector3 normal = ZqVector3().cross(m_p1 - m_p0, m_p2 - m_p0).normalize();
    ZqGlLine::draw(m_p0, m_p0 + normal * 30.0f);
    if (withShadow) {
        setShadowColor();
        ZqGlLine::draw(flat(m_p0), flat(m_p1));
        ZqGlLine::draw(flat(m_p1), flat(m_p2));
        ZqGlLine::draw(flat(m_p2), flat(m_p0));
    }
}
