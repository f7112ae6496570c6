// ZqMarsagliaMulticarry: Marsaglia's two-lane multiply-with-carry pseudo-random generator,
// seeded from the high-resolution clock unless lanes are given. Small and fast; not for
// cryptography; one object per thread.
#pragma once

#include <cstdint>

class ZqMarsagliaMulticarry {
public:
    ZqMarsagliaMulticarry() { init(); }

    // z = the high and w = the low 32 bits of the high-resolution counter.
    void init();
    void init(uint32_t z, uint32_t w);

    uint32_t rand();
    // One output times 2^-32 rounded to float: [0, 1].
    float frand();
    // 53 bits from two outputs: [0, 1).
    double drand();

private:
    uint32_t m_z = 0;
    uint32_t m_w = 0;
};
