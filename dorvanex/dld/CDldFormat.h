// The layout file (".dld"): what the layout writer (tools/dld) writes and CDldTables reads.
// Constants and record offsets only, shared by both sides; no code.
//
// Layout, all integers little-endian, offsets from the start of the file:
//   header   40  signature 89 44 4C 44 0D 0A 1A 0A, u32 total size, u32 version,
//                u32 texture count, u32 cell count, u32 layer count, u32 track count,
//                u32 key pool size, u32 reserved
//   cells    12  each: u32 texture index (bit 31: no texture), u16 x, u16 y, u16 w, u16 h
//   layers   32  each: u16 w, u16 h, u32 track count, u32 first track, u32 frame rate,
//                u32 frame count, u32 flags (bit 0: clip to the rectangle), 8 reserved
//   tracks   32  each: u16 target (bit 15: a nested layer, else a cell; bits 0-14 index),
//                i16 first frame, i16 end frame, u16 reserved, u32 pool offsets of the
//                position, scale, rotation, alpha and pivot key tracks, u32 flags
//                (bits 0-3: blend mode, 0 keeps the inherited one)
//   pool         key tracks: u32 key count (at least 1), then the keys, frames ascending:
//                position, scale, pivot 8 bytes (i16 frame, i16 x, i16 y, i16 reserved);
//                rotation 4 bytes (i16 frame, i16 degrees); alpha 4 (i16 frame, u16 alpha)
// The tables follow each other without gaps; the total size is exactly
// 40 + 12 x cells + 32 x layers + 32 x tracks + pool size.
#pragma once

#include <cstdint>

namespace dldfmt {

constexpr uint8_t SIGNATURE[8] = {0x89, 'D', 'L', 'D', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint32_t VERSION_MIN = 0x0306;
constexpr uint32_t VERSION_MAX = 0x0402;

constexpr uint32_t HEADER_SIZE = 40;
constexpr uint32_t CELL_SIZE = 12;
constexpr uint32_t LAYER_SIZE = 32;
constexpr uint32_t TRACK_SIZE = 32;

// Header fields.
constexpr uint32_t H_TOTAL_SIZE = 8;
constexpr uint32_t H_VERSION = 12;
constexpr uint32_t H_TEXTURES = 16;
constexpr uint32_t H_CELLS = 20;
constexpr uint32_t H_LAYERS = 24;
constexpr uint32_t H_TRACKS = 28;
constexpr uint32_t H_POOL = 32;

// Cell fields.
constexpr uint32_t C_TEXTURE = 0;
constexpr uint32_t C_X = 4;
constexpr uint32_t C_Y = 6;
constexpr uint32_t C_W = 8;
constexpr uint32_t C_H = 10;
constexpr uint32_t CELL_NO_TEXTURE = 0x80000000u;

// Layer fields.
constexpr uint32_t L_W = 0;
constexpr uint32_t L_H = 2;
constexpr uint32_t L_TRACK_COUNT = 4;
constexpr uint32_t L_FIRST_TRACK = 8;
constexpr uint32_t L_RATE = 12;
constexpr uint32_t L_FRAMES = 16;
constexpr uint32_t L_FLAGS = 20;
constexpr uint32_t LAYER_CLIP = 1;

// Track fields.
constexpr uint32_t T_TARGET = 0;
constexpr uint32_t T_FIRST = 2;
constexpr uint32_t T_END = 4;
constexpr uint32_t T_KEYS = 8; // five u32 pool offsets, in KEY_* order
constexpr uint32_t T_FLAGS = 28;
constexpr uint16_t TARGET_LAYER = 0x8000;
constexpr uint16_t TARGET_INDEX = 0x7FFF;

// Key tracks, in the order of the track record's offsets.
enum KEY : uint32_t { KEY_POSITION = 0, KEY_SCALE, KEY_ROTATION, KEY_ALPHA, KEY_PIVOT, KEY_KINDS };
constexpr uint32_t KEY_SIZE[KEY_KINDS] = {8, 8, 4, 4, 8};

// Limits the reader enforces beyond the layout itself: textures a file can name (its texture
// slots) and the highest frame rate.
constexpr uint32_t MAX_TEXTURES = 32;
constexpr uint32_t MAX_RATE = 1000;

} // namespace dldfmt
