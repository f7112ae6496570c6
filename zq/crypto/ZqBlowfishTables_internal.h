// Blowfish's initial P-array and S-boxes (the digits of pi). Internal to zq/crypto.
#pragma once

#include <cstdint>

namespace zq_blowfish {

extern const uint32_t INIT_P[18];
extern const uint32_t INIT_S[4][256];

} // namespace zq_blowfish
