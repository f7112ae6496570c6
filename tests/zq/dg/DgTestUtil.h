// Shared helpers of the geometry tests: a double-precision vector for the reference answers
// the tests compute on their own, seeded random figures, and a recorder of ZqGlLine's 3D
// draws for the drawing tests.
#pragma once

#include "zq/dg/ZqDgLine.h"
#include "zq/gl/ZqGlLine.h"
#include "zq/gl/ZqGlLine_test.h"
#include "zq/math/ZqVector3.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace zqdgtest {

struct D3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    D3() = default;
    D3(const double px, const double py, const double pz) : x(px), y(py), z(pz) {}
    D3(const ZqVector3& v) : x(v.x), y(v.y), z(v.z) {}
    D3 operator+(const D3& b) const { return {x + b.x, y + b.y, z + b.z}; }
    D3 operator-(const D3& b) const { return {x - b.x, y - b.y, z - b.z}; }
    D3 operator*(const double s) const { return {x * s, y * s, z * s}; }
    double dot(const D3& b) const { return x * b.x + y * b.y + z * b.z; }
    D3 cross(const D3& b) const {
        return {y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x};
    }
    double length() const { return std::sqrt(dot(*this)); }
    double operator[](const int i) const { return i == 0 ? x : (i == 1 ? y : z); }
};

inline double clamp01(const double t) {
    return std::clamp(t, 0.0, 1.0);
}

// Closest point to p on the segment a..b (a when the segment has no length).
inline D3 closestOnSegment(const D3& p, const D3& a, const D3& b) {
    const D3 e = b - a;
    const double ee = e.dot(e);
    return ee > 0.0 ? a + e * clamp01((p - a).dot(e) / ee) : a;
}

// Squared distance between two segments: the convex quadratic's minimum over the unit
// square is at its free stationary point or on one of the four edges; every candidate is
// tried.
inline double segmentSegmentDistance(const D3& a1, const D3& b1, const D3& a2, const D3& b2) {
    const D3 d1 = b1 - a1;
    const D3 d2 = b2 - a2;
    const D3 r = a1 - a2;
    const double a = d1.dot(d1);
    const double e = d2.dot(d2);
    const double b = d1.dot(d2);
    const double c = d1.dot(r);
    const double f = d2.dot(r);
    auto dist = [&](const double s, const double t) {
        return (a1 + d1 * s - (a2 + d2 * t)).length();
    };
    double best = std::min({(closestOnSegment(a1, a2, b2) - a1).length(),
                            (closestOnSegment(b1, a2, b2) - b1).length(),
                            (closestOnSegment(a2, a1, b1) - a2).length(),
                            (closestOnSegment(b2, a1, b1) - b2).length()});
    const double den = a * e - b * b;
    if (den > 1e-12 * a * e) {
        const double s = (b * f - c * e) / den;
        const double t = (a * f - b * c) / den;
        if (s >= 0.0 && s <= 1.0 && t >= 0.0 && t <= 1.0) {
            best = std::min(best, dist(s, t));
        }
    }
    return best;
}

// Distance from p to the box c +- h (0 inside).
inline double pointBoxDistance(const D3& p, const D3& c, const D3& h) {
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) {
        const double d = std::fabs(p[i] - c[i]) - h[i];
        if (d > 0.0) {
            sum += d * d;
        }
    }
    return std::sqrt(sum);
}

// Distance from the segment to the box: the point-box distance is convex along the segment,
// so a ternary search finds its minimum.
inline double segmentBoxDistance(const D3& a, const D3& b, const D3& c, const D3& h) {
    double lo = 0.0;
    double hi = 1.0;
    for (int i = 0; i < 200; ++i) {
        const double m1 = lo + (hi - lo) / 3.0;
        const double m2 = hi - (hi - lo) / 3.0;
        if (pointBoxDistance(a + (b - a) * m1, c, h) < pointBoxDistance(a + (b - a) * m2, c, h)) {
            hi = m2;
        } else {
            lo = m1;
        }
    }
    return pointBoxDistance(a + (b - a) * (0.5 * (lo + hi)), c, h);
}

inline ZqDgLine lineOf(const ZqVector3& origin, const ZqVector3& direction) {
    ZqDgLine l;
    l.set(origin, direction);
    return l;
}

class Rng {
public:
    explicit Rng(const uint32_t seed) : m_gen(seed) {}
    float uni(const float lo, const float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(m_gen);
    }
    ZqVector3 vec(const float r) { return ZqVector3(uni(-r, r), uni(-r, r), uni(-r, r)); }
    ZqVector3 unit() {
        for (;;) {
            const ZqVector3 v = vec(1.0f);
            const float l2 = v.lengthSquared();
            if (l2 > 0.01f && l2 <= 1.0f) {
                return ZqVector3().normalize(v);
            }
        }
    }

private:
    std::mt19937 m_gen;
};

// One recorded 3D draw of ZqGlLine.
struct LineCall {
    bool strip;
    std::vector<ZqVector3> points;
    uint32_t color;
};

// Records every 3D line draw while it lives; starts from a white line colour.
class LineRecording {
public:
    LineRecording() {
        calls().clear();
        ZqGlLine::m_color = 0xFFFFFFFFu;
        zqgl::test::setLineRecorder(&record);
    }
    ~LineRecording() { zqgl::test::setLineRecorder(nullptr); }
    LineRecording(const LineRecording&) = delete;
    LineRecording& operator=(const LineRecording&) = delete;

    const std::vector<LineCall>& get() const { return calls(); }

private:
    static std::vector<LineCall>& calls() {
        static std::vector<LineCall> c;
        return c;
    }
    static void record(const bool strip, const ZqVector3* points, const uint32_t count,
                       const uint32_t color) {
        calls().push_back({strip, std::vector<ZqVector3>(points, points + count), color});
    }
};

} // namespace zqdgtest
