// A double-precision reference for skeletal poses, written from the rules rather than from the
// framework's code: tracks of writer descriptions sampled at a time (looping, slerp along the
// shorter arc, lerp), local matrices from quaternion and translation row, the walk down the
// hierarchy with bone scale and scale tracks, and the cross-fade of two poses.
#pragma once

#include "ZqAnimWriter.h"
#include "zq/math/ZqMatrix.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace zqref {

using V4 = std::array<double, 4>;
using M4 = std::array<double, 16>;

struct Pose {
    V4 rot{0, 0, 0, 1};
    V4 trans{0, 0, 0, 1};
    V4 scale{1, 1, 1, 1};
};

inline M4 mul(const M4& a, const M4& b) {
    M4 r{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double s = 0.0;
            for (int k = 0; k < 4; ++k) {
                s += a[4 * i + k] * b[4 * k + j];
            }
            r[4 * i + j] = s;
        }
    }
    return r;
}

// Rotation of the quaternion (row vectors) with the translation as fourth row.
inline M4 local(const Pose& p) {
    const double x = p.rot[0], y = p.rot[1], z = p.rot[2], w = p.rot[3];
    return {1 - 2 * (y * y + z * z),
            2 * (x * y + z * w),
            2 * (x * z - y * w),
            0,
            2 * (x * y - z * w),
            1 - 2 * (x * x + z * z),
            2 * (y * z + x * w),
            0,
            2 * (x * z + y * w),
            2 * (y * z - x * w),
            1 - 2 * (x * x + y * y),
            0,
            p.trans[0],
            p.trans[1],
            p.trans[2],
            p.trans[3]};
}

inline V4 slerp(const V4& a, V4 b, const double t) {
    double d = a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
    if (d < 0) {
        d = -d;
        for (double& c : b) {
            c = -c;
        }
    }
    double k0 = 1 - t, k1 = t;
    if (d < 1 - 1e-9) {
        const double th = std::acos(d);
        k0 = std::sin((1 - t) * th) / std::sin(th);
        k1 = std::sin(t * th) / std::sin(th);
    }
    return {a[0] * k0 + b[0] * k1, a[1] * k0 + b[1] * k1, a[2] * k0 + b[2] * k1,
            a[3] * k0 + b[3] * k1};
}

inline V4 lerp(const V4& a, const V4& b, const double t) {
    return {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t,
            a[3] + (b[3] - a[3]) * t};
}

inline Pose blend(const Pose& a, const Pose& b, const double t) {
    return {slerp(a.rot, b.rot, t), lerp(a.trans, b.trans, t), lerp(a.scale, b.scale, t)};
}

// Every bone's pose at time ms (float tracks: types 1, 4, 10, 29 only).
inline std::vector<Pose> sample(const zq_anim_writer::Animation& a, double ms) {
    std::vector<Pose> out(a.parents.size());
    const double total = 1000.0 * a.frameCount / a.fps;
    if (a.loopMode != 0 && ms >= 0) {
        ms -= std::trunc(ms / total) * total;
    }
    for (const zq_anim_writer::Track& t : a.tracks) {
        const uint32_t per = zq_anim_writer::floatsPerKey(t.type);
        const size_t keys = t.values.size() / per;
        const auto keyMs = [&](const size_t k) {
            return 1000.0 * (t.frames.empty() ? double(k) : double(t.frames[k])) / a.fps;
        };
        const auto value = [&](const size_t k) {
            V4 v{0, 0, 0, 1};
            for (uint32_t c = 0; c < per; ++c) {
                v[c] = t.values[k * per + c];
            }
            return v;
        };
        size_t k = 0;
        while (k < keys && !(keyMs(k) > ms)) {
            ++k;
        }
        V4 v;
        if (k == 0 || k == keys) {
            v = value(k == 0 ? 0 : keys - 1);
        } else {
            const double f = (ms - keyMs(k - 1)) / (keyMs(k) - keyMs(k - 1));
            v = t.type == 1 ? slerp(value(k - 1), value(k), f) : lerp(value(k - 1), value(k), f);
        }
        if (t.bone < 0) {
            continue;
        }
        Pose& p = out[static_cast<size_t>(t.bone)];
        (t.type == 1 ? p.rot : t.type == 10 ? p.scale : p.trans) = v;
    }
    return out;
}

// Model-space matrices: with scale (bone scale per bone, or the scale values when
// scaleTracks), each bone's own scale shapes its matrix only and its x scale stretches its
// children's offsets; the ancestors contribute their unscaled matrices.
inline std::vector<M4> pose(const std::vector<int>& parents, const std::vector<Pose>& poses,
                            const std::vector<std::array<double, 3>>* boneScale = nullptr,
                            const bool scaleTracks = false) {
    const size_t n = parents.size();
    std::vector<M4> locals(n);
    for (size_t b = 0; b < n; ++b) {
        locals[b] = local(poses[b]);
    }
    std::vector<M4> out(n);
    if (boneScale == nullptr && !scaleTracks) {
        for (size_t b = 0; b < n; ++b) {
            out[b] = parents[b] < 0 ? locals[b] : mul(locals[b], out[size_t(parents[b])]);
        }
        return out;
    }
    const auto scaleOf = [&](const size_t b, const int c) {
        return (boneScale != nullptr ? (*boneScale)[b][size_t(c)] : 1.0) *
               (scaleTracks ? poses[b].scale[size_t(c)] : 1.0);
    };
    for (size_t b = 0; b < n; ++b) {
        if (parents[b] >= 0) {
            const double s = scaleOf(size_t(parents[b]), 0);
            for (int c = 12; c < 15; ++c) {
                locals[b][size_t(c)] *= s;
            }
        }
    }
    for (size_t b = 0; b < n; ++b) {
        M4 m = locals[b];
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                m[size_t(4 * r + c)] *= scaleOf(b, r);
            }
        }
        for (int a = parents[b]; a >= 0; a = parents[size_t(a)]) {
            m = mul(m, locals[size_t(a)]);
        }
        out[b] = m;
    }
    return out;
}

inline ::testing::AssertionResult near(const ZqMatrix* actual, const std::vector<M4>& expected,
                                       const double eps = 2e-4) {
    for (size_t b = 0; b < expected.size(); ++b) {
        for (int i = 0; i < 16; ++i) {
            const double a = actual[b].m[i / 4][i % 4];
            if (std::fabs(a - expected[b][size_t(i)]) > eps) {
                return ::testing::AssertionFailure() << "bone " << b << " element " << i << ": "
                                                     << a << " expected " << expected[b][size_t(i)];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace zqref
