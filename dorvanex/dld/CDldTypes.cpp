#include "dorvanex/dld/CDldTypes.h"

#include <cmath>

void CDldTransform::setPosition(const float x, const float y) {
    m_x = x;
    m_y = y;
    m_changed = true;
}

void CDldTransform::setScale(const float x, const float y) {
    m_scaleX = x;
    m_scaleY = y;
    m_changed = true;
}

void CDldTransform::setAngle(const float radians) {
    m_angle = radians;
    m_changed = true;
}

void CDldTransform::setPivot(const float x, const float y) {
    m_pivotX = x;
    m_pivotY = y;
    m_changed = true;
}

const ZqMatrix& CDldTransform::getMatrix() {
    if (m_changed) {
        m_matrix = makeMatrix(m_x, m_y, m_scaleX, m_scaleY, m_angle, m_pivotX, m_pivotY);
        m_changed = false;
    }
    return m_matrix;
}

ZqMatrix CDldTransform::makeMatrix(const float x, const float y, const float scaleX,
                                   const float scaleY, const float angle, const float pivotX,
                                   const float pivotY) {
    // translate(-pivot) x scale x rotZ(angle) x translate(x, y), multiplied out.
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float a = scaleX * c, b = scaleX * s;
    const float d = -scaleY * s, e = scaleY * c;
    return ZqMatrix(a, b, 0.0f, 0.0f, d, e, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f,
                    -pivotX * a - pivotY * d + x, -pivotX * b - pivotY * e + y, 0.0f, 1.0f);
}
