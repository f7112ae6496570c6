// The CRC-32C cores behind zqCalcCrc32, each on the raw register (preset and final complement
// are the caller's): the byte-wise table that defines the result, slicing by eight, and the
// processor's CRC32 instruction where there is one. Internal to the framework; tests and
// benchmarks use it to check that every core gives the same result. Depends on nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zq_crc32c {

uint32_t bytewise(uint32_t reg, const uint8_t* p, size_t n);
uint32_t sliced(uint32_t reg, const uint8_t* p, size_t n);
// True when the processor has the instruction; hardware() must not be called otherwise.
bool hasHardware();
uint32_t hardware(uint32_t reg, const uint8_t* p, size_t n);

} // namespace zq_crc32c
