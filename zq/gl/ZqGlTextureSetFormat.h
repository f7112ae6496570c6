// The texture-set file ("ZQTS"): what the texture-set writer (tools/textureset) writes and
// ZqGlTextureSet reads. Constants only, shared by both sides; no code.
//
// Layout, all integers little-endian, offsets from the file's start unless said otherwise:
//   0  "ZQTS" 0            magic (5 bytes), then 3 bytes not read
//   8  u32 VERSION         must be 1
//  12  u32                 not read
//  16  u8 1, u8 0          then 2 bytes not read
//  20  u32 set count       at most MAX_COUNT
//  24  u32 S               set table offset, HEADER_SIZE <= S < size - 8
//  28  u32 highest name index, at most MAX_COUNT
//  32  u32 N               name table offset, HEADER_SIZE <= N < size - 4
// Set table at S:
//   S + 0        u32 textures per set, at most MAX_COUNT
//   S + 4 + 4i   u32 offset of set i's index array, relative to S; the array starts at or after
//                S + 8 and lies wholly inside the file
// Index array: textures-per-set u16 name indices, each at most the highest name index.
// Name table at N: (highest + 1) u32 name offsets relative to N, wholly inside the file; a
// name starts at or after N + 4 x highest and before the last byte, and is plain ASCII, zero
// terminated within MAX_NAME_BYTES + 1 bytes and within the file.
// The whole file is smaller than MAX_FILE_SIZE.
#pragma once

#include <cstdint>

namespace zqts {

constexpr uint8_t MAGIC[5] = {'Z', 'Q', 'T', 'S', 0};
constexpr uint32_t HEADER_SIZE = 36;
constexpr uint32_t VERSION = 1;

constexpr uint32_t OFFSET_VERSION = 8;
constexpr uint32_t OFFSET_FLAG_ONE = 16;
constexpr uint32_t OFFSET_FLAG_ZERO = 17;
constexpr uint32_t OFFSET_SET_COUNT = 20;
constexpr uint32_t OFFSET_SET_TABLE = 24;
constexpr uint32_t OFFSET_HIGHEST_NAME = 28;
constexpr uint32_t OFFSET_NAME_TABLE = 32;

constexpr uint32_t MAX_COUNT = 255;
constexpr uint32_t MAX_NAME_BYTES = 254;
constexpr uint32_t MAX_FILE_SIZE = 16384;

} // namespace zqts
