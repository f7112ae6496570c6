// Numeric helpers of the math library: the single-precision primitives that the vector,
// matrix and figure code inlines (zqRcp, zqFabs, zqSqrt, zqFastSqrt), and plain integer and
// float helpers (powers, digit counts, primality, gcd, range checks, angle wrapping).
// Plain code, no platform calls; the primitives use SSE on x86 and exact code elsewhere.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

// ZQ_MATH_NO_SSE builds the portable code on x86 too (to test it there).
#if (defined(__SSE__) || defined(_M_X64)) && !defined(ZQ_MATH_NO_SSE)
#include <xmmintrin.h>
#define ZQ_MATH_SSE 1
#endif

// An approximate 1/a: the processor's reciprocal estimate refined by one Newton-Raphson
// step (about 22 good bits, not always the nearest float). Exact 1/a without SSE.
inline float zqRcp(const float a) {
#if defined(ZQ_MATH_SSE)
    const float r = _mm_cvtss_f32(_mm_rcp_ss(_mm_set_ss(a)));
    return r + r - a * r * r;
#else
    return 1.0f / a;
#endif
}

// a with its sign bit cleared: -0.0 gives 0.0, a NaN stays a NaN.
inline float zqFabs(const float a) {
    return std::bit_cast<float>(std::bit_cast<uint32_t>(a) & 0x7FFFFFFFu);
}

// The single-precision square root; a negative a gives a NaN.
inline float zqSqrt(const float a) {
#if defined(ZQ_MATH_SSE)
    return _mm_cvtss_f32(_mm_sqrt_ss(_mm_set_ss(a)));
#else
    return std::sqrt(a);
#endif
}

// The fast square root of a >= 0 (a few thousandths relative error): one refined step of
// the classic inverse-square-root bit estimate, times a. 0 gives 0.
inline float zqFastSqrt(const float a) {
    const int32_t bits = std::bit_cast<int32_t>(a);
    float y = std::bit_cast<float>(static_cast<int32_t>(0x5F3759DF - (bits >> 1)));
    y = y * (1.5f - 0.5f * a * y * y);
    return a * y;
}

// base^exp modulo 2^64; 0 and 1 are returned as they are whatever exp is.
uint64_t iPow(uint64_t base, uint8_t exp);
// Digits of value written in base (1 for any value below base). base must be 2 or more;
// a smaller base gives 0.
uint32_t integerLength(uint32_t value, uint32_t base);
// Trial division: true when n is prime.
bool testPrimality(uint64_t n);
// Greatest common divisor; gcd(a, 0) = gcd(0, a) = a.
uint32_t gcd(uint32_t a, uint32_t b);
uint64_t gcd(uint64_t a, uint64_t b);
// f finite and abs(f) <= bound.
bool isFinite(float f, float bound);
// f finite and lo <= f <= hi.
bool isFinite(float f, float lo, float hi);
// The angle a (radians) wrapped into [-pi, pi).
float normalizeRad(float a);
