// The SHA-256 compression cores behind zqCalcSha256, each over whole 64-byte blocks: the
// portable one and the processor's SHA extensions where there are some. Internal to the
// framework; tests use it to check that both give the same state. Depends on nothing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zq_sha256 {

void portable(uint32_t state[8], const uint8_t* p, size_t nBlocks);
// True when the processor has the extensions; hardware() must not be called otherwise.
bool hasHardware();
void hardware(uint32_t state[8], const uint8_t* p, size_t nBlocks);

} // namespace zq_sha256
