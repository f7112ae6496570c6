// The collision data ("QVINTER"): what the collision writer (tools/collision) writes and
// ZqDgCollision reads. Constants only, shared by both sides; no code.
//
// Layout, all numbers little-endian, floats 32-bit IEEE, a point is three floats x, y, z:
//   0  "QVINTER" 0       magic, compared with its zero byte
//   8  u32 2, 12 u32 2   version words
//  16  u8 1, u8 0        then 2 bytes not read
//  20  u32 total size    equals the size the data is given with
//  24  u32 record count  at most MAX_RECORDS
//  28  u32 offset of the first record from the start of the data
// Record (16-byte head, then figure data, then an optional transform block):
//   0  u16 index         the record's position in the chain
//   2  u16 flags         FLAG_LAST (only on the last record), FLAG_TRANSFORM
//   4  u32 record size   distance to the next record; the figure data and the transform block
//                        lie wholly inside it
//   8  u16 figure kind   below NR_KINDS, then 2 bytes not read
//  12  u16 parent index  NO_PARENT or below the record count, then 2 bytes not read
//  16  figure data       KIND_DATA_BYTES[kind] bytes; a polygon has a u32 point count and
//                        12 bytes per point
//      transform block   position (3 floats), 4 bytes not read, rotation quaternion x, y, z, w
// A record's transform is the frame of its children's figures, not of its own figure.
#pragma once

#include <cstdint>

namespace zqcol {

constexpr uint8_t MAGIC[8] = {'Q', 'V', 'I', 'N', 'T', 'E', 'R', 0};
constexpr uint32_t HEADER_SIZE = 32;
constexpr uint32_t VERSION = 2;

constexpr uint32_t OFFSET_VERSION_A = 8;
constexpr uint32_t OFFSET_VERSION_B = 12;
constexpr uint32_t OFFSET_FLAG_ONE = 16;
constexpr uint32_t OFFSET_FLAG_ZERO = 17;
constexpr uint32_t OFFSET_TOTAL_SIZE = 20;
constexpr uint32_t OFFSET_RECORD_COUNT = 24;
constexpr uint32_t OFFSET_FIRST_RECORD = 28;

// Data handed to create from memory is at least a header and below this size.
constexpr uint32_t MAX_DATA_SIZE = 32767;
constexpr uint32_t MAX_RECORDS = 64;

constexpr uint32_t RECORD_HEAD_SIZE = 16;
constexpr uint32_t RECORD_INDEX = 0;
constexpr uint32_t RECORD_FLAGS = 2;
constexpr uint32_t RECORD_SIZE = 4;
constexpr uint32_t RECORD_KIND = 8;
constexpr uint32_t RECORD_PARENT = 12;

constexpr uint16_t FLAG_LAST = 1;
constexpr uint16_t FLAG_TRANSFORM = 4;
constexpr uint16_t NO_PARENT = 0xFFFF;

constexpr uint32_t TRANSFORM_SIZE = 32;
constexpr uint32_t TRANSFORM_ROTATION = 16;

enum Kind : uint16_t {
    KIND_POINT = 0,
    KIND_SEGMENT,
    KIND_RAY,
    KIND_LINE,
    KIND_PLANE,
    KIND_HALFSPACE,
    KIND_SPHERE,
    KIND_AABB,
    KIND_OBB,
    KIND_TRIANGLE,
    KIND_POLYGON,
    KIND_CAPSULE,
    NR_KINDS,
};

// Figure data bytes by kind; the polygon's is its count word, its points follow.
constexpr uint32_t KIND_DATA_BYTES[NR_KINDS] = {12, 24, 24, 24, 16, 16, 16, 24, 76, 36, 4, 28};
constexpr uint32_t POLYGON_POINT_BYTES = 12;

} // namespace zqcol
