// ZqMatrix: right-handed view and projection matrices for cameras. Clip-space depth runs
// from 0 at the near plane to 1 at the far plane; the view looks down -z.
#include "zq/math/ZqMatrix.h"

#include "zq/math/ZqVector3.h"

#include <cmath>

ZqMatrix& ZqMatrix::setLookAtRH(const ZqVector3& eye, const ZqVector3& at, const ZqVector3& up) {
    // z points from the target back to the eye; x = up x z; y completes the right-handed set.
    ZqVector3 zAxis;
    zAxis.normalize(eye - at);
    ZqVector3 xAxis;
    xAxis.cross(up, zAxis).normalize();
    ZqVector3 yAxis;
    yAxis.cross(zAxis, xAxis);
    return set(xAxis.x, yAxis.x, zAxis.x, 0.0f, xAxis.y, yAxis.y, zAxis.y, 0.0f, xAxis.z, yAxis.z,
               zAxis.z, 0.0f, -xAxis.dot(eye), -yAxis.dot(eye), -zAxis.dot(eye), 1.0f);
}

ZqMatrix& ZqMatrix::setPerspectiveRH(const float w, const float h, const float zn, const float zf) {
    const float q = zf / (zn - zf);
    return set(2.0f * zn / w, 0.0f, 0.0f, 0.0f, 0.0f, 2.0f * zn / h, 0.0f, 0.0f, 0.0f, 0.0f, q,
               -1.0f, 0.0f, 0.0f, zn * q, 0.0f);
}

ZqMatrix& ZqMatrix::setPerspectiveFovRH(const float fovY, const float aspect, const float zn,
                                        const float zf) {
    const float yScale = 1.0f / std::tan(fovY * 0.5f);
    const float xScale = yScale / aspect;
    const float q = zf / (zn - zf);
    return set(xScale, 0.0f, 0.0f, 0.0f, 0.0f, yScale, 0.0f, 0.0f, 0.0f, 0.0f, q, -1.0f, 0.0f, 0.0f,
               zn * q, 0.0f);
}

ZqMatrix& ZqMatrix::setPerspectiveOffCenterRH(const float l, const float r, const float b,
                                              const float t, const float zn, const float zf) {
    const float q = zf / (zn - zf);
    return set(2.0f * zn / (r - l), 0.0f, 0.0f, 0.0f, 0.0f, 2.0f * zn / (t - b), 0.0f, 0.0f,
               (l + r) / (r - l), (t + b) / (t - b), q, -1.0f, 0.0f, 0.0f, zn * q, 0.0f);
}

ZqMatrix& ZqMatrix::setOrthoRH(const float w, const float h, const float zn, const float zf) {
    const float q = 1.0f / (zn - zf);
    return set(2.0f / w, 0.0f, 0.0f, 0.0f, 0.0f, 2.0f / h, 0.0f, 0.0f, 0.0f, 0.0f, q, 0.0f, 0.0f,
               0.0f, zn * q, 1.0f);
}

ZqMatrix& ZqMatrix::setOrthoOffCenterRH(const float l, const float r, const float b, const float t,
                                        const float zn, const float zf) {
    const float q = 1.0f / (zn - zf);
    return set(2.0f / (r - l), 0.0f, 0.0f, 0.0f, 0.0f, 2.0f / (t - b), 0.0f, 0.0f, 0.0f, 0.0f, q,
               0.0f, (l + r) / (l - r), (t + b) / (b - t), zn * q, 1.0f);
}
