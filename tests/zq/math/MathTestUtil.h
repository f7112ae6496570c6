// Shared helpers of the math tests: seeded random values, glm as the independent reference
// (a ZqMatrix's 16 floats read as glm's column-major mat4 are the same transform for glm's
// column vectors), and tolerance checks that scale with the magnitude of the expected value.
#pragma once

#include "zq/math/ZqMatrix.h"
#include "zq/math/ZqQuat.h"
#include "zq/math/ZqVector2.h"
#include "zq/math/ZqVector3.h"
#include "zq/math/ZqVector4.h"

#include <gtest/gtest.h>

#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cmath>
#include <cstring>
#include <random>

namespace zqmt {

class Rng {
public:
    explicit Rng(const uint32_t seed = 12345u) : m_gen(seed) {}
    float uni(const float lo = -1.0f, const float hi = 1.0f) {
        return std::uniform_real_distribution<float>(lo, hi)(m_gen);
    }
    // Braces: the draws happen left to right with every compiler.
    ZqVector3 vec3(const float r = 10.0f) { return ZqVector3{uni(-r, r), uni(-r, r), uni(-r, r)}; }
    ZqVector4 vec4(const float r = 10.0f) {
        return ZqVector4{uni(-r, r), uni(-r, r), uni(-r, r), uni(-r, r)};
    }
    ZqQuat unitQuat() {
        ZqQuat q{uni(), uni(), uni(), uni()};
        return q.normalize();
    }
    // Entries in [-1, 1] plus 2 on the diagonal: comfortably invertible.
    ZqMatrix wellConditioned() {
        ZqMatrix m;
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                m.m[i][j] = uni() + (i == j ? 2.0f : 0.0f);
            }
        }
        return m;
    }
    ZqMatrix any(const float r = 2.0f) {
        ZqMatrix m;
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                m.m[i][j] = uni(-r, r);
            }
        }
        return m;
    }

private:
    std::mt19937 m_gen;
};

inline glm::mat4 toGlm(const ZqMatrix& m) {
    glm::mat4 g;
    std::memcpy(&g[0][0], &m.m[0][0], sizeof(float) * 16);
    return g;
}

inline ZqMatrix fromGlm(const glm::mat4& g) {
    return ZqMatrix(&g[0][0]);
}

inline glm::quat toGlm(const ZqQuat& q) {
    return glm::quat(q.w, q.x, q.y, q.z);
}

inline ZqQuat fromGlm(const glm::quat& q) {
    return ZqQuat(q.x, q.y, q.z, q.w);
}

// |a - b| <= tol * max(1, |b|).
inline ::testing::AssertionResult near(const float a, const float b, const float tol) {
    const float lim = tol * std::fmax(1.0f, std::fabs(b));
    if (std::fabs(a - b) <= lim) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << a << " vs " << b << " (tolerance " << lim << ")";
}

inline ::testing::AssertionResult nearM(const ZqMatrix& a, const ZqMatrix& b, const float tol) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            if (!near(a.m[i][j], b.m[i][j], tol)) {
                return ::testing::AssertionFailure()
                       << "element " << i + 1 << j + 1 << ": " << a.m[i][j] << " vs " << b.m[i][j];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult nearV(const float* a, const float* b, const int n,
                                        const float tol) {
    for (int i = 0; i < n; ++i) {
        if (!near(a[i], b[i], tol)) {
            return ::testing::AssertionFailure()
                   << "component " << i << ": " << a[i] << " vs " << b[i];
        }
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult nearV3(const ZqVector3& a, const ZqVector3& b, const float tol) {
    return nearV(&a.x, &b.x, 3, tol);
}

inline ::testing::AssertionResult nearV4(const ZqVector4& a, const ZqVector4& b, const float tol) {
    return nearV(&a.x, &b.x, 4, tol);
}

// Equal as rotations: q or -q.
inline ::testing::AssertionResult sameRotation(const ZqQuat& a, const ZqQuat& b, const float tol) {
    const ZqQuat nb = -b;
    if (nearV(&a.x, &b.x, 4, tol) || nearV(&a.x, &nb.x, 4, tol)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << a.x << ", " << a.y << ", " << a.z << ", " << a.w << ") vs (" << b.x << ", "
           << b.y << ", " << b.z << ", " << b.w << ")";
}

} // namespace zqmt
