// ZqDgSphere: a sphere figure, stand-in until the figure family is built: its centre and
// radius, as the camera's frustum test reads them.
#pragma once

#include "zq/math/ZqVector3.h"

class ZqDgSphere {
public:
    ZqDgSphere() = default;
    ZqDgSphere(const ZqVector3& center, const float radius) : m_center(center), m_radius(radius) {}

    ZqDgSphere& set(const ZqVector3& center, const float radius) {
        m_center = center;
        m_radius = radius;
        return *this;
    }
    ZqDgSphere& setRadius(const float radius) {
        m_radius = radius;
        return *this;
    }
    const ZqVector3& getCenter() const { return m_center; }
    float getRadius() const { return m_radius; }

private:
    ZqVector3 m_center;
    float m_radius = 0.0f;
};
