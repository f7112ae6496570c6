// The animation container: what the animation writer (tools/anim) writes and the animation
// resources read (ZqGlAnimation; the camera and texture animations share the header).
// Constants only, shared by both sides.
//
// Layout, all integers little-endian; offsets in bytes:
//   header        20+  u32 magic, i16 frame count, u8 loop mode, u8 0, i32 frames per second,
//                      u32 0, then u32 chunk offsets from the start of the data ended by 0
//                      (at most 3 before the 0)
//   bone chunk    12   u32 type, i16 bone count, u16 0, u32 parent table offset from the chunk;
//                      parent table: 2 bytes per bone, byte 1 the parent (i8, -1 for the root)
//   track chunk   8+   u32 type, u32 0, then u32 track offsets from the chunk ended by 0
//                      (at most 128 before the 0)
//   track         16   i16 type, u16 0, u16 key count, i8 bone (-1 none), u8 0,
//                      u32 frame table offset from the track (0: frames 0, 1, 2 ...),
//                      u32 value data offset from the track
//   frame table        u16 frame per key; value data: the keys in the track type's encoding
//   texture materials  u32 type, i16 count (at most 32), u16 0, then u64 material name id each
//   texture tracks     u32 type, u32 0, then u32 track offsets from the chunk ended by 0 (at
//                      most 256); records as above with u8 value index (0 u offset, 1 v offset,
//                      2 u scale, 3 v scale, 4 rotation) at 6 and u8 sub-animation at 7, type 8
// Every offset points at or after HEADER_SIZE.
#pragma once

#include <cstdint>

namespace zqanim {

constexpr uint32_t MAGIC = 0xFF010001u;
constexpr uint32_t CHUNK_TRACKS = 0xFF010002u;
constexpr uint32_t CHUNK_BONES = 0xFF010003u;
constexpr uint32_t CHUNK_TEXTURE_TRACKS = 0xFF010007u;
constexpr uint32_t CHUNK_TEXTURE_MATERIALS = 0xFF010008u;
constexpr uint32_t CHUNK_TEXTURE_TRACKS_B = 0xFF01000Cu;
constexpr uint32_t MAX_SUB_TEXTURE_ANIMATIONS = 32;
constexpr uint32_t MAX_TEXTURE_TRACKS = 256;
constexpr uint32_t TEXTURE_TRACK_VALUE = 6;
constexpr uint32_t TEXTURE_TRACK_SUB = 7;

constexpr uint32_t HEADER_SIZE = 20;
constexpr uint32_t HEADER_FRAMES = 4;
constexpr uint32_t HEADER_LOOP = 6;
constexpr uint32_t HEADER_FPS = 8;
constexpr uint32_t HEADER_CHUNKS = 16;
constexpr uint32_t MAX_CHUNKS = 3;

constexpr uint32_t BONES_COUNT = 4;
constexpr uint32_t BONES_PARENTS = 8;
constexpr uint32_t BONES_SIZE = 12;

constexpr uint32_t TRACKS_TABLE = 8;
constexpr uint32_t MAX_TRACKS = 128;

constexpr uint32_t TRACK_TYPE = 0;
constexpr uint32_t TRACK_KEYS = 4;
constexpr uint32_t TRACK_BONE = 6;
constexpr uint32_t TRACK_FRAMES = 8;
constexpr uint32_t TRACK_VALUES = 12;
constexpr uint32_t TRACK_SIZE = 16;
constexpr int16_t MAX_TRACK_TYPE = 34;

constexpr int16_t MAX_BONES = 127;
constexpr uint32_t MAX_DATA_SIZE = 0x1FFFFF;

// Bytes of value data that nrKeys keys of a track type take; 0 for a type the key-frame sets
// do not know.
constexpr uint64_t valueBytes(const uint8_t type, const uint64_t nrKeys) {
    switch (type) {
    case 1:
    case 4:
    case 10:
        return 16 * nrKeys;
    case 8:
        return 4 * nrKeys;
    case 29:
        return 12 * nrKeys;
    case 28:
    case 30:
        return 6 * nrKeys;
    case 31:
        return 12 + 6 * nrKeys;
    default:
        return 0;
    }
}

// True when a table at pos with room bytes after it lies in [HEADER_SIZE, size): the readers'
// bounds check of every offset in the container.
inline bool within(const uint64_t pos, const uint64_t size, const uint64_t room) {
    return pos >= HEADER_SIZE && room <= size && pos < size - room;
}

} // namespace zqanim
