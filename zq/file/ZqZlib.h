// ZqZlib: whole-buffer compression and decompression in the zlib format (RFC 1950, 15-bit
// window, memory level 8). Output is gathered in chunks of a size the caller picks and
// returned in one buffer of exactly its length, freed with ZqMemAlloc::deallocate.
// Stateless; callable from any thread. Depends on the platform's zlib layer and zq/memory.
#pragma once

#include <cstdint>

class ZqZlib {
public:
    // *size: in, the largest acceptable output (0 for no limit); out, the compressed size,
    // written only on success. Level 0..9, chunk size at least 4. Null on any failure.
    static void* deflate(const void* source, uint32_t sourceSize, uint32_t* size, int level,
                         uint32_t chunkSize);
    // As deflate, decompressing. Damaged or truncated input and output beyond the limit give
    // null alike.
    static void* inflate(const void* source, uint32_t sourceSize, uint32_t* size,
                         uint32_t chunkSize);
};
