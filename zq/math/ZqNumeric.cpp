#include "zq/math/ZqNumeric.h"

#include <utility>

uint64_t iPow(const uint64_t base, const uint8_t exp) {
    if (base <= 1) {
        return base;
    }
    uint64_t r = 1;
    for (int bit = 7; bit >= 0; --bit) {
        r *= r;
        if ((exp >> bit) & 1u) {
            r *= base;
        }
    }
    return r;
}

uint32_t integerLength(uint32_t value, const uint32_t base) {
    // A base below 2 has no digit count (and would never end); answer 0 instead.
    if (base < 2) {
        return 0;
    }
    uint32_t n = 1;
    while (value >= base) {
        value /= base;
        ++n;
    }
    return n;
}

bool testPrimality(const uint64_t n) {
    if (n < 2) {
        return false;
    }
    if (n == 2) {
        return true;
    }
    if ((n & 1u) == 0) {
        return false;
    }
    const uint64_t s = static_cast<uint64_t>(std::sqrt(static_cast<double>(n)));
    if (s < 3) {
        return true;
    }
    for (uint64_t d = 3; d <= s; d += 2) {
        if (n % d == 0) {
            return false;
        }
    }
    return true;
}

template <typename T> static T gcdBody(T a, T b) {
    if (a < b) {
        std::swap(a, b);
    }
    while (b != 0) {
        const T r = a % b;
        a = b;
        b = r;
    }
    return a;
}

uint32_t gcd(const uint32_t a, const uint32_t b) {
    return gcdBody(a, b);
}

uint64_t gcd(const uint64_t a, const uint64_t b) {
    return gcdBody(a, b);
}

bool isFinite(const float f, const float bound) {
    return std::isfinite(f) && zqFabs(f) <= bound;
}

bool isFinite(const float f, const float lo, const float hi) {
    return std::isfinite(f) && lo <= f && f <= hi;
}

float normalizeRad(const float a) {
    // The angle in turns is rounded to float before the rest runs in extended precision, so
    // that pi itself (slightly above the true pi as a float) lands on -pi, inside the range.
    const float turns = a * 0.15915494f;
    const long double t = static_cast<long double>(turns) + 0.5L;
    return static_cast<float>((t - std::floor(t) - 0.5L) * 6.2831855f);
}
