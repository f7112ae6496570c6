#include "zq/dg/ZqDgCapsule.h"

#include "zq/dg/ZqDgFigureUtil.h"
#include "zq/dg/ZqDgFrame.h"

#include <array>
#include <cmath>

// =============================================================================================
// Capsule

constinit const ZqDgFigureTables<ZqDgCapsule> ZqDgCapsule::figureTab = [] {
    ZqDgFigureTables<ZqDgCapsule> t;
    for (const TYPE other : {POINT, SPHERE, CAPSULE}) {
        t.notYetBuiltIntersect(other);
        t.notYetBuiltDistance(other);
        t.notYetBuiltClosestPoint(other);
    }
    return t;
}();

const char16_t* ZqDgCapsule::getFigureName() const {
    return u"Capsule";
}

bool ZqDgCapsule::isFinite(const float min, const float max) const {
    return m_type == CAPSULE && m_start.isFinite(min, max) && m_end.isFinite(min, max) &&
           ::isFinite(m_radius, min, max) && m_radius > 0.0f;
}

bool ZqDgCapsule::isFinite(const float limit) const {
    return m_type == CAPSULE && m_start.isFinite(limit) && m_end.isFinite(limit) &&
           ::isFinite(m_radius, limit) && m_radius > 0.0f;
}

void ZqDgCapsule::draw(const bool withShadow) const {
    constexpr int RINGS = 10;
    constexpr int PER_RING = 16;
    const ZqVector3 axis = m_end - m_start;
    const float length = zqSqrt(axis.lengthSquared());
    const ZqMatrix frame =
        zqdg::rotationOnto(ZqVector3(1.0f, 0.0f, 0.0f), ZqVector3().normalize(axis));
    ZqVector3 points[RINGS * PER_RING];
    for (int i = 0; i < RINGS; ++i) {
        // Rings 0-4: the hemisphere at the start, pole to equator; 5-9: the one at the end.
        const float phi = static_cast<float>(i < 5 ? i : i - 1) * zqdg::DRAW_STEP;
        const float h = (i < 5 ? 0.0f : length) - m_radius * std::cos(phi);
        const float rho = m_radius * std::sin(phi);
        for (int k = 0; k < PER_RING; ++k) {
            const float theta = static_cast<float>(k) * zqdg::DRAW_STEP;
            const ZqVector3 local(h, rho * std::sin(theta), rho * std::cos(theta));
            points[i * PER_RING + k] = m_start + ZqVector3().rot(local, frame);
        }
    }
    static constexpr auto PAIRS = zqdg::ringPairs<RINGS, PER_RING>();
    drawIndexed(points, PAIRS.data(), PAIRS.size() / 2, withShadow);
}

// =============================================================================================
// Cylinder

const char16_t* ZqDgCylinder::getFigureName() const {
    return u"Cylinder";
}

void ZqDgCylinder::draw(const bool withShadow) const {
    constexpr int PER_RIM = 16;
    const ZqMatrix frame =
        zqdg::rotationOnto(ZqVector3(0.0f, 0.0f, 1.0f), ZqVector3().normalize(m_end - m_start));
    ZqVector3 points[2 * PER_RIM];
    for (int k = 0; k < PER_RIM; ++k) {
        const float theta = static_cast<float>(k) * zqdg::DRAW_STEP;
        const ZqVector3 local(m_radius * std::sin(theta), -m_radius * std::cos(theta), 0.0f);
        const ZqVector3 offset = ZqVector3().rot(local, frame);
        points[k] = m_start + offset;
        points[PER_RIM + k] = m_end + offset;
    }
    static constexpr auto PAIRS = [] {
        std::array<uint8_t, 96> p{};
        int n = 0;
        for (int rim = 0; rim < 2; ++rim) {
            for (int k = 0; k < PER_RIM; ++k) {
                p[n++] = static_cast<uint8_t>(rim * PER_RIM + k);
                p[n++] = static_cast<uint8_t>(rim * PER_RIM + (k + 1) % PER_RIM);
            }
        }
        for (int k = 0; k < PER_RIM; ++k) {
            p[n++] = static_cast<uint8_t>(k);
            p[n++] = static_cast<uint8_t>(k + PER_RIM);
        }
        return p;
    }();
    drawIndexed(points, PAIRS.data(), 48, withShadow);
}
