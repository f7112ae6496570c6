#include "zq/math/ZqVector3.h"

#include "zq/math/ZqVector4.h"

constinit const ZqVector3 ZqVector3::ZERO(0.0f, 0.0f, 0.0f);
constinit const ZqVector3 ZqVector3::UNIT(1.0f, 1.0f, 1.0f);
constinit const ZqVector3 ZqVector3::UNIT_X(1.0f, 0.0f, 0.0f);
constinit const ZqVector3 ZqVector3::UNIT_Y(0.0f, 1.0f, 0.0f);
constinit const ZqVector3 ZqVector3::UNIT_Z(0.0f, 0.0f, 1.0f);

namespace {

// The index of the best of three values: a later one wins only when strictly better.
template <bool GREATER> int bestIndex(const float v0, const float v1, const float v2) {
    int i = 0;
    float best = v0;
    if (GREATER ? v1 > best : v1 < best) {
        i = 1;
        best = v1;
    }
    if (GREATER ? v2 > best : v2 < best) {
        i = 2;
    }
    return i;
}

} // namespace

float ZqVector3::getMaxElement(int& i) const {
    i = bestIndex<true>(x, y, z);
    return i == 0 ? x : (i == 1 ? y : z);
}

float ZqVector3::getMinElement(int& i) const {
    i = bestIndex<false>(x, y, z);
    return i == 0 ? x : (i == 1 ? y : z);
}

float ZqVector3::getMaxAbsElement(int& i) const {
    const float ax = zqFabs(x);
    const float ay = zqFabs(y);
    const float az = zqFabs(z);
    i = bestIndex<true>(ax, ay, az);
    return i == 0 ? ax : (i == 1 ? ay : az);
}

float ZqVector3::getMinAbsElement(int& i) const {
    const float ax = zqFabs(x);
    const float ay = zqFabs(y);
    const float az = zqFabs(z);
    i = bestIndex<false>(ax, ay, az);
    return i == 0 ? ax : (i == 1 ? ay : az);
}

ZqVector3& ZqVector3::degenerate(const ZqVector3& a, const float eps) {
    int i = 0;
    const float limit = eps * a.getMaxAbsElement(i);
    return set(zqFabs(a.x) < limit ? 0.0f : a.x, zqFabs(a.y) < limit ? 0.0f : a.y,
               zqFabs(a.z) < limit ? 0.0f : a.z);
}

bool ZqVector3::equals(const ZqVector3& b) const {
    return std::bit_cast<uint32_t>(x) == std::bit_cast<uint32_t>(b.x) &&
           std::bit_cast<uint32_t>(y) == std::bit_cast<uint32_t>(b.y) &&
           std::bit_cast<uint32_t>(z) == std::bit_cast<uint32_t>(b.z);
}

bool ZqVector3::epsilonEquals(const ZqVector3& b, const float eps) const {
    return zqFabs(x - b.x) <= eps && zqFabs(y - b.y) <= eps && zqFabs(z - b.z) <= eps;
}

bool ZqVector3::isFinite(const float bound) const {
    return ::isFinite(x, bound) && ::isFinite(y, bound) && ::isFinite(z, bound);
}

bool ZqVector3::isFinite(const float lo, const float hi) const {
    return ::isFinite(x, lo, hi) && ::isFinite(y, lo, hi) && ::isFinite(z, lo, hi);
}

ZqVector3& ZqVector3::project(const ZqVector3& in, const ZqVector4& viewport, const float minZ,
                              const float maxZ, const ZqMatrix& proj, const ZqMatrix& view,
                              const ZqMatrix& world) {
    const ZqMatrix m = world * view * proj;
    ZqVector3 c;
    c.rotTransProj(in, m);
    // Clip space x, y in -1..1 (y up) to pixels (y down); depth 0..1 to minZ..maxZ.
    return set(viewport.x + (1.0f + c.x) * viewport.z * 0.5f,
               viewport.y + (1.0f - c.y) * viewport.w * 0.5f, minZ + c.z * (maxZ - minZ));
}

ZqVector3& ZqVector3::unproject(const ZqVector3& in, const ZqVector4& viewport, const float minZ,
                                const float maxZ, const ZqMatrix& proj, const ZqMatrix& view,
                                const ZqMatrix& world) {
    unproject(this, &in, 1, viewport, minZ, maxZ, proj, view, world);
    return *this;
}

void ZqVector3::unproject(ZqVector3* const out, const ZqVector3* const in, const unsigned count,
                          const ZqVector4& viewport, const float minZ, const float maxZ,
                          const ZqMatrix& proj, const ZqMatrix& view, const ZqMatrix& world) {
    // An inverse is never the zero matrix: still zero afterwards means m was singular.
    ZqMatrix inv(ZqMatrix::ZERO);
    inv.inverse(world * view * proj);
    if (inv.equals(ZqMatrix::ZERO)) {
        return;
    }
    const float sx = 2.0f / viewport.z;
    const float sy = 2.0f / viewport.w;
    const float sz = 1.0f / (maxZ - minZ);
    for (unsigned i = 0; i < count; ++i) {
        const ZqVector3 c((in[i].x - viewport.x) * sx - 1.0f, 1.0f - (in[i].y - viewport.y) * sy,
                          (in[i].z - minZ) * sz);
        out[i].rotTransProj(c, inv);
    }
}
