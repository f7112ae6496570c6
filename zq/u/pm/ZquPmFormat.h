// The particle engine's stored formats: the effect description ("PMD0"), its 624-byte emitter
// records and the texture list ("PMT0"). Constants only, shared by the readers in zq/u/pm and
// the writer in tools/particle; no code, no dependencies beyond the standard integer types.
//
// Effect description, all integers little-endian:
//   0    "PMD0"
//   4    u32 load counter (not read; part of the 288-byte identity test)
//   8    u16 loop flag          10  u16 frame rate of the length
//   12   u32 motion type 0..5   16  texture-list name, 256 bytes, NUL-terminated UTF-8
//   272  f32 length (seconds)   276 u32 emitter count E     280 8 bytes reserved
//   288  E emitter records of 624 bytes (offsets EMIT_* below)
//
// Texture list:
//   0    "PMT0"   4  u32 load counter (not read)   8  u32 texture count T (<= 16)
//   12   u32 frame count F
//   16   T texture records of 296 bytes, each opening with a NUL-terminated file name
//   16 + 296T   F frame records of 24 bytes: u32, u32 (not read), f32 umin, vmin, du, dv
#pragma once

#include <cstdint>

namespace zqpm {

constexpr uint8_t PMD_MAGIC[4] = {'P', 'M', 'D', '0'};
constexpr uint8_t PMT_MAGIC[4] = {'P', 'M', 'T', '0'};

constexpr uint32_t PMD_LOOP = 8;
constexpr uint32_t PMD_FRAME_RATE = 10;
constexpr uint32_t PMD_MOTION_TYPE = 12;
constexpr uint32_t PMD_TEXTURE_LIST = 16;
constexpr uint32_t PMD_NAME_SIZE = 256;
constexpr uint32_t PMD_LENGTH = 272;
constexpr uint32_t PMD_EMITTER_COUNT = 276;
constexpr uint32_t PMD_HEADER_SIZE = 288;

constexpr uint32_t PMT_TEXTURE_COUNT = 8;
constexpr uint32_t PMT_FRAME_COUNT = 12;
constexpr uint32_t PMT_HEADER_SIZE = 16;
constexpr uint32_t PMT_TEXTURE_SIZE = 296;
constexpr uint32_t PMT_FRAME_SIZE = 24;
constexpr uint32_t PMT_FRAME_RECT = 8;
constexpr uint32_t PMT_MAX_TEXTURES = 16;

// Emitter record: offsets of the fields the engine reads (vec3 = three f32, rgb = three bytes,
// pct = u32 percentage).
constexpr uint32_t EMIT_SIZE = 624;
constexpr uint32_t EMIT_HEAD = 0;                   // u32, 30 in a reset slot
constexpr uint32_t EMIT_KIND = 4;                   // u32 0 rotating, 1 line, 2 model
constexpr uint32_t EMIT_SHAPE = 16;                 // u32 spawn shape 0..9
constexpr uint32_t EMIT_COUNT = 20;                 // u32 particles per emission
constexpr uint32_t EMIT_DELAY = 24;                 // u32 steps
constexpr uint32_t EMIT_LIFE = 28;                  // u32 steps, 0 = until the effect ends
constexpr uint32_t EMIT_INTERVAL = 32;              // u32 steps, 0 counts as 1
constexpr uint32_t EMIT_POSITION = 40;              // vec3
constexpr uint32_t EMIT_POSITION2 = 52;             // vec3
constexpr uint32_t EMIT_ROTATION = 64;              // vec3 degrees
constexpr uint32_t EMIT_SIZE_XYZ = 76;              // vec3
constexpr uint32_t EMIT_VELOCITY = 88;              // vec3 per step
constexpr uint32_t EMIT_ACCELERATION = 100;         // vec3 per step
constexpr uint32_t EMIT_ANGULAR_VELOCITY = 112;     // vec3 degrees per step
constexpr uint32_t EMIT_SIZE_CHANGE = 136;          // vec3 per step
constexpr uint32_t EMIT_TRANSFORM = 160;            // 16 x f32
constexpr uint32_t EMIT_MOTION2_WEIGHT = 228;       // f32
constexpr uint32_t EMIT_EFFECT_VELOCITY = 232;      // i32 percentage
constexpr uint32_t EMIT_TINT = 236;                 // pct
constexpr uint32_t EMIT_SCALE = 240;                // pct
constexpr uint32_t EMIT_PARTICLE_LIFE = 244;        // u32 (low 16 bits)
constexpr uint32_t EMIT_LIFE_VARIATION = 248;       // pct
constexpr uint32_t EMIT_PHASES = 252;               // 7 x u32: alpha in/out, size in/out,
                                                    // second size in/out, colour middle time
constexpr uint32_t EMIT_RANDOM_COLOUR = 280;        // byte
constexpr uint32_t EMIT_COLOUR_START2 = 281;        // rgb
constexpr uint32_t EMIT_COLOUR_START = 284;         // rgb
constexpr uint32_t EMIT_COLOUR_MIDDLE = 287;        // rgb
constexpr uint32_t EMIT_COLOUR_END = 290;           // rgb
constexpr uint32_t EMIT_COLOUR_TAIL = 293;          // rgb
constexpr uint32_t EMIT_BLEND = 296;                // u32 0..2
constexpr uint32_t EMIT_ALPHA_VARIATION = 300;      // pct
constexpr uint32_t EMIT_ALPHA = 304;                // 3 x f32
constexpr uint32_t EMIT_SIZE_VARIATION = 320;       // pct
constexpr uint32_t EMIT_PSIZE = 324;                // 3 x f32
constexpr uint32_t EMIT_FRAME_MODE = 336;           // u32 0..4
constexpr uint32_t EMIT_FRAME_FIRST = 340;          // u32
constexpr uint32_t EMIT_FRAME_LAST = 344;           // u32, -1 = no animation
constexpr uint32_t EMIT_FRAME_STEPS = 348;          // u32 (low 16 bits)
constexpr uint32_t EMIT_TEXTURE = 384;              // u32 index into the texture list
constexpr uint32_t EMIT_MOTION = 396;               // u32 0..6
constexpr uint32_t EMIT_LOCAL = 400;                // byte
constexpr uint32_t EMIT_DIRECTION = 404;            // vec3
constexpr uint32_t EMIT_ACCEL_FRAME = 416;          // vec3
constexpr uint32_t EMIT_ACCEL_PLAIN = 440;          // vec3
constexpr uint32_t EMIT_SPREAD_H = 452;             // f32
constexpr uint32_t EMIT_SPREAD_V = 456;             // f32
constexpr uint32_t EMIT_DRAG = 464;                 // f32
constexpr uint32_t EMIT_RANDOM_ANG_VEL = 468;       // byte
constexpr uint32_t EMIT_RANDOM_ANGLE = 469;         // byte
constexpr uint32_t EMIT_RANDOM_ANG_ACC = 470;       // byte
constexpr uint32_t EMIT_ANG_VEL = 472;              // f32 degrees per step
constexpr uint32_t EMIT_ANGLE = 476;                // u32 degrees
constexpr uint32_t EMIT_ANGLE_STEP = 480;           // u32 degrees
constexpr uint32_t EMIT_ANG_ACC = 484;              // f32
constexpr uint32_t EMIT_LINE_ORIENT = 488;          // u32
constexpr uint32_t EMIT_LINE_OWN_TAIL = 492;        // byte
constexpr uint32_t EMIT_LINE_FADE_TAIL = 493;       // byte
constexpr uint32_t EMIT_LINE_TAIL_LEADS = 494;      // byte
constexpr uint32_t EMIT_SIZE2_VARIATION = 496;      // pct
constexpr uint32_t EMIT_SIZE2 = 500;                // 3 x f32
constexpr uint32_t EMIT_MODEL_SHAPE = 524;          // u32 0..3
constexpr uint32_t EMIT_MODEL_PARAM = 528;          // f32
constexpr uint32_t EMIT_MODEL_SEGMENTS = 532;       // u32 (low 16 bits)
constexpr uint32_t EMIT_MODEL_ANGLE = 536;          // 3 x f32 degrees
constexpr uint32_t EMIT_MODEL_RESERVED = 548;       // 3 x f32, 180 in a reset slot
constexpr uint32_t EMIT_MODEL_ANG_VEL = 560;        // 3 x f32
constexpr uint32_t EMIT_MODEL_ANG_ACC = 572;        // 3 x f32 factors
constexpr uint32_t EMIT_MODEL_RANDOM_ANGLE = 584;   // 3 bytes
constexpr uint32_t EMIT_MODEL_RANDOM_ANG_VEL = 587; // 3 bytes
constexpr uint32_t EMIT_MODEL_FLAG = 590;           // byte
constexpr uint32_t EMIT_STEER_SPEED = 600;          // f32
constexpr uint32_t EMIT_STEER_WEIGHT = 604;         // pct
constexpr uint32_t EMIT_STEER_INTERVAL = 608;       // u32 (low 16 bits)
constexpr uint32_t EMIT_TURN_AXIS = 612;            // vec3

} // namespace zqpm
