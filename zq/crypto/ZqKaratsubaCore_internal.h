// The choice of schoolbook core behind ZqKaratsuba: plain code, or on x86-64 with BMI2 and
// ADX rows of multiply-adds with two carry chains. Internal to the framework; tests and
// benchmarks switch the fast rows off to check and measure the plain code. Depends on nothing.
#pragma once

namespace zq_karatsuba {

bool hasFastRows();
// On by default where the processor has them; not for use while products run.
void allowFastRows(bool allow);

} // namespace zq_karatsuba
