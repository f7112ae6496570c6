// The particle generator's rule written out in 64-bit arithmetic: the tests' reference.
#pragma once

#include "zq/u/pm/ZquPm.h"

#include <cstdint>

struct RefRand {
    uint64_t s = 170;
    uint64_t c = 0;
    uint64_t h = 1;
    RefRand() = default;
    explicit RefRand(const ZquPm::RandState& st) : s(st.state), c(st.counter), h(st.h) {}
    int32_t next() {
        s = (s * 1664523 + 1013904223 + c) & 0xFFFFFFFFu;
        c = (c + 1) & 0xFFFFFFFFu;
        h = (h * 214013 + 2531011) & 0xFFFFFFFFu;
        s = (s + ((h >> 16) & 0x7FFF)) & 0xFFFFFFFFu;
        return static_cast<int32_t>(static_cast<uint32_t>(s));
    }
    double u() { return static_cast<double>(static_cast<uint32_t>(next()) % 10000u) * 1e-4; }
    double s11() { return static_cast<double>(next() % 10000) * 1e-4; }
    double t() { return static_cast<double>(next() % 31415) * 1e-4; }
};
