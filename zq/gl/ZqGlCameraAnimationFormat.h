// The camera path in the animation container (ZqGlAnimationFormat.h): what the camera
// animation writer (tools/anim) writes and ZqGlCameraAnimation reads. Constants only, shared by
// both sides.
//
// Layout, all integers little-endian; offsets in bytes:
//   header        the container's: u32 magic, i16 frame count, u8 loop mode, u8 0,
//                 i32 frames per second, u32 0, then u32 chunk offsets ended by 0; one or two
//                 camera chunks, the last one read
//   camera chunk  24  u32 type, u32 0, then six u32 track offsets from the chunk (no end mark)
//   track         16  i16 type, u16 0, u16 key count, u8 track number, u8 0,
//                     u32 frame table offset from the track (0: frames 0, 1, 2 ...),
//                     u32 value data offset from the track
//   frame table       u16 frame per key; value data: floats, 4 per key for tracks 0 and 1,
//                     1 for the others
// The six tracks, in this order: rotation quaternion (x, y, z, w), position (x, y, z, w),
// vertical field of view in degrees, near distance, far distance, aspect ratio.
// Every offset points at or after zqanim::HEADER_SIZE.
#pragma once

#include "zq/gl/ZqGlAnimationFormat.h"

#include <cstdint>

namespace zqcamanim {

constexpr uint32_t CHUNK_CAMERA = 0xFF010006u;
constexpr uint32_t MAX_CHUNKS = 2;
constexpr uint32_t MIN_DATA_SIZE = 10;
constexpr uint32_t MAX_DATA_SIZE = 65535;

constexpr uint32_t CHUNK_TRACKS = 8;
constexpr uint32_t NR_TRACKS = 6;
constexpr uint32_t CHUNK_SIZE = CHUNK_TRACKS + 4 * NR_TRACKS;

// Record fields beside the container's (zqanim::TRACK_*): the track's own number and a 0.
constexpr uint32_t TRACK_NUMBER = 6;
constexpr uint32_t TRACK_ZERO = 7;

enum TRACK : uint8_t {
    TRACK_ROTATION = 0,
    TRACK_POSITION,
    TRACK_FOV_Y,
    TRACK_NEAR,
    TRACK_FAR,
    TRACK_ASPECT,
};

// The key-frame track type each track must have.
constexpr int16_t trackType(const uint32_t track) {
    return track == TRACK_ROTATION ? 1 : track == TRACK_POSITION ? 4 : 8;
}

// Floats per key of a track.
constexpr uint32_t floatsPerKey(const uint32_t track) {
    return track <= TRACK_POSITION ? 4 : 1;
}

} // namespace zqcamanim
