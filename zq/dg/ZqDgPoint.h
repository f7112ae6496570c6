// ZqDgPoint: a point figure, stand-in until the figure family is built: its position, as the
// camera's frustum test reads it.
#pragma once

#include "zq/math/ZqVector3.h"

class ZqDgPoint {
public:
    ZqDgPoint() = default;
    ZqDgPoint(const float x, const float y, const float z) : m_position(x, y, z) {}
    explicit ZqDgPoint(const float* const p) : m_position(p) {}

    ZqDgPoint& set(const float x, const float y, const float z) {
        m_position.set(x, y, z);
        return *this;
    }
    const ZqVector3& getPosition() const { return m_position; }

private:
    ZqVector3 m_position;
};
