// The choice of schoolbook core behind ZqKaratsuba: plain code, or on x86-64 with BMI2 and
// ADX rows of multiply-adds with two carry chains. Internal to the framework; tests and
// benchmarks switch the fast rows off to check and measure the plain code. Depends on nothing.
#pragma once

#include <cstdint>

namespace zq_karatsuba {

// rp[0..limbs) += up[0..limbs) x v on 64-bit limbs least significant first; the carry limb
// out. Takes the fast rows when allowed and limbs is a multiple of 16.
uint64_t addMulRow(uint64_t* rp, const uint64_t* up, uint64_t v, uint32_t limbs);

bool hasFastRows();
// On by default where the processor has them; not for use while products run.
void allowFastRows(bool allow);
// True when the processor has the rows and they are allowed.
bool usesFastRows();

} // namespace zq_karatsuba
