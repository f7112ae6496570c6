#include "zq/math/ZqVector4.h"

constinit const ZqVector4 ZqVector4::ZERO(0.0f, 0.0f, 0.0f, 0.0f);
constinit const ZqVector4 ZqVector4::UNIT(1.0f, 1.0f, 1.0f, 1.0f);
constinit const ZqVector4 ZqVector4::UNIT_X(1.0f, 0.0f, 0.0f, 0.0f);
constinit const ZqVector4 ZqVector4::UNIT_Y(0.0f, 1.0f, 0.0f, 0.0f);
constinit const ZqVector4 ZqVector4::UNIT_Z(0.0f, 0.0f, 1.0f, 0.0f);
constinit const ZqVector4 ZqVector4::UNIT_W(0.0f, 0.0f, 0.0f, 1.0f);

bool ZqVector4::equals(const ZqVector4& b) const {
    return std::bit_cast<uint32_t>(x) == std::bit_cast<uint32_t>(b.x) &&
           std::bit_cast<uint32_t>(y) == std::bit_cast<uint32_t>(b.y) &&
           std::bit_cast<uint32_t>(z) == std::bit_cast<uint32_t>(b.z) &&
           std::bit_cast<uint32_t>(w) == std::bit_cast<uint32_t>(b.w);
}

bool ZqVector4::epsilonEquals(const ZqVector4& b, const float eps) const {
    return zqFabs(x - b.x) <= eps && zqFabs(y - b.y) <= eps && zqFabs(z - b.z) <= eps &&
           zqFabs(w - b.w) <= eps;
}

bool ZqVector4::isFinite(const float bound) const {
    return ::isFinite(x, bound) && ::isFinite(y, bound) && ::isFinite(z, bound) &&
           ::isFinite(w, bound);
}

bool ZqVector4::isFinite(const float lo, const float hi) const {
    return ::isFinite(x, lo, hi) && ::isFinite(y, lo, hi) && ::isFinite(z, lo, hi) &&
           ::isFinite(w, lo, hi);
}

float ZqVector4::rotTransProj(const ZqVector3& a, const ZqMatrix& m) {
    const ZqVector4 c = ZqVector4(a, 1.0f) * m;
    if (c.w == 0.0f) {
        return 0.0f;
    }
    const float r = zqRcp(c.w);
    set(c.x * r, c.y * r, c.z * r, c.w);
    return r;
}
