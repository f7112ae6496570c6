// Arbitrary bytes through ZqZlib::inflate with an output limit and a chunk size taken from the
// input's first bytes: no fault, no output beyond the limit, and what inflates deflates and
// inflates back to the same bytes.
#include "zq/file/ZqZlib.h"
#include "zq/memory/ZqMemAlloc.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 1 << 16) {
        return 0;
    }
    // Chunks of 4 to 1027 bytes; at most 256 KiB out, so that a run stays short.
    const uint32_t chunk = 4u + ((data[0] | (data[1] & 3u) << 8));
    constexpr uint32_t LIMIT = 256 * 1024;
    uint32_t outSize = LIMIT;
    void* const out = ZqZlib::inflate(data + 2, static_cast<uint32_t>(size - 2), &outSize, chunk);
    if (out == nullptr) {
        return 0;
    }
    if (outSize > LIMIT) {
        std::abort();
    }
    // Nothing to pack again: deflate takes no empty input.
    if (outSize == 0) {
        ZqMemAlloc::deallocate(out);
        return 0;
    }
    uint32_t packedSize = 0;
    void* const packed = ZqZlib::deflate(out, outSize, &packedSize, 6, 4096);
    if (packed == nullptr) {
        std::abort();
    }
    uint32_t againSize = 0;
    void* const again = ZqZlib::inflate(packed, packedSize, &againSize, chunk);
    if (again == nullptr || againSize != outSize || std::memcmp(again, out, outSize) != 0) {
        std::abort();
    }
    ZqMemAlloc::deallocate(again);
    ZqMemAlloc::deallocate(packed);
    ZqMemAlloc::deallocate(out);
    return 0;
}
