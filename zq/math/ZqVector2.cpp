#include "zq/math/ZqVector2.h"

constinit const ZqVector2 ZqVector2::ZERO(0.0f, 0.0f);
constinit const ZqVector2 ZqVector2::UNIT(1.0f, 1.0f);
constinit const ZqVector2 ZqVector2::UNIT_X(1.0f, 0.0f);
constinit const ZqVector2 ZqVector2::UNIT_Y(0.0f, 1.0f);

bool ZqVector2::equals(const ZqVector2& b) const {
    return std::bit_cast<uint32_t>(x) == std::bit_cast<uint32_t>(b.x) &&
           std::bit_cast<uint32_t>(y) == std::bit_cast<uint32_t>(b.y);
}

bool ZqVector2::epsilonEquals(const ZqVector2& b, const float eps) const {
    return zqFabs(x - b.x) <= eps && zqFabs(y - b.y) <= eps;
}

bool ZqVector2::isFinite(const float bound) const {
    return ::isFinite(x, bound) && ::isFinite(y, bound);
}

bool ZqVector2::isFinite(const float lo, const float hi) const {
    return ::isFinite(x, lo, hi) && ::isFinite(y, lo, hi);
}

ZqVector2& ZqVector2::rotTransProj(const ZqVector2& a, const ZqMatrix& m) {
    const float w = a.x * m._14 + a.y * m._24 + m._44;
    return set((a.x * m._11 + a.y * m._21 + m._41) / w, (a.x * m._12 + a.y * m._22 + m._42) / w);
}
