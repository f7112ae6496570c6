#include "zq/dg/ZqDgFigure.h"

#include "zq/dg/ZqDgFieldlessFigure.h"
#include "zq/gl/ZqGlLine.h"

float ZqDgFigure::epsilon = 0.0001f;

namespace {
constexpr uint32_t SHADOW_COLOR = 0xFF000000u;
} // namespace

bool ZqDgFigure::intersectNotYetBuilt(const ZqDgFigure&) const {
    return false;
}

float ZqDgFigure::distanceNotYetBuilt(const ZqDgFigure&) const {
    return FLT_MAX;
}

void ZqDgFigure::closestPointNotYetBuilt(const ZqDgFigure&, ZqVector3*, ZqVector3*) const {}

void ZqDgFigure::setShadowColor() {
    ZqGlLine::m_color = SHADOW_COLOR;
}

void ZqDgFigure::drawIndexed(const ZqVector3* const points, const uint8_t* const pairs,
                             const uint32_t nrLines, const bool withShadow) {
    for (uint32_t i = 0; i < nrLines; ++i) {
        ZqGlLine::draw(points[pairs[2 * i]], points[pairs[2 * i + 1]]);
    }
    if (withShadow) {
        setShadowColor();
        for (uint32_t i = 0; i < nrLines; ++i) {
            ZqGlLine::draw(flat(points[pairs[2 * i]]), flat(points[pairs[2 * i + 1]]));
        }
    }
}

const char16_t* ZqDgTetrahedron::getFigureName() const {
    return u"Tetrahedron";
}

const char16_t* ZqDgEllipsoid::getFigureName() const {
    return u"Ellipsoid";
}

const char16_t* ZqDgFrustum::getFigureName() const {
    return u"Frustum";
}

const char16_t* ZqDgPolyhedron::getFigureName() const {
    return u"Polyhedron";
}
