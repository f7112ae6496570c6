#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqByteOrder.h"

namespace {

constexpr uint64_t FNV_OFFSET_BASIS = 0xCBF29CE484222325ull;
constexpr uint64_t FNV_PRIME = 0x100000001B3ull;

} // namespace

uint64_t zqCalcFnv(const void* const data, const uint32_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    uint64_t h = FNV_OFFSET_BASIS;
    for (uint32_t n = size / 8; n != 0; --n, p += 8) {
        h = (h * FNV_PRIME) ^ zq_bytes::loadLe<uint64_t>(p);
    }
    // The tail enters first byte highest, unlike the words; the step is taken even with no
    // bytes left, so every size ends with one more multiply.
    uint64_t tail = 0;
    for (uint32_t n = size % 8; n != 0; --n, ++p) {
        tail = (tail << 8) | *p;
    }
    h = (h * FNV_PRIME) ^ tail;
    return h != 0 ? h : 1;
}
