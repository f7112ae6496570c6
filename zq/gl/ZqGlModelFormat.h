// The model file ("QVMDL"): what the model writer (tools/model) writes and ZqGlModelFile reads.
// Constants only, shared by both sides.
//
// Layout, all integers little-endian, floats 32-bit IEEE. Header offsets count from the start of
// the file; offsets inside records count from the start of their record.
//   header      0xC0  "QVMDL\0", u32 version 2 at 0x08, u16 1 at 0x10, then the counts and
//                     table offsets below (HEADER_*)
//   bone        176   u64 name id, bind matrix 16 f32 at 0x10, inverse at 0x50, box corners
//                     3 f32 at 0x90 and 0xA0, i32 parent at 0xAC
//   bone numbers      u16 bone index per entry, B x M entries; each submodel's palette is a run
//   submodel    96    u8 primitive code at 0x02, u32 material 0x04, u32 vertex-buffer count
//                     0x10, i32 descriptor 0x14, u32 palette length 0x18, i32 palette 0x1C,
//                     u32 index-buffer count 0x20, i32 descriptor 0x24, u8 stage count 0x2C,
//                     4 x (u16 texture record, u16 0) at 0x30
//   descriptor  32    i32 data offset, u32 count, then for vertices u8 1 at 0x08, u8 element
//                     count 0x0A, u8 1 0x0B, i32 element list 0x0C; u32 kind 0x14 (0 vertices,
//                     1 indices)
//   element     4     bytes 2 and 3: data type code and element code
//   box         48    corners 3 f32 at 0x10 and 0x20
//   material    160   u64 name id, u32 kind 0x10, u32 shader | technique << 8 at 0x14,
//                     f32 shininess 0x28, colours 4 f32 at 0x30 (diffuse), 0x40 (ambient),
//                     0x50 (specular), f32 codes at 0x70 cull, 0x74 alpha test, 0x78 depth,
//                     0x7C blend, blend factor 4 f32 at 0x80
//   texture     80    u8 U, V addressing at 0x08, 0x09, u8 mag, min, mip filter 0x0A..0x0C,
//                     u16 texture (name) index 0x0E
//   extra       48    not read
//   names             i32 at +4: offset of the name-offset table from the section; i32 entries
//                     from the table; zero-terminated UTF-8 names
// Every table lies at or after the header and ends before the end of the file (strictly).
#pragma once

#include <cstdint>

namespace zqmdl {

constexpr uint8_t MAGIC[6] = {'Q', 'V', 'M', 'D', 'L', 0};
constexpr uint32_t VERSION = 2;
constexpr uint32_t HEADER_SIZE = 0xC0;

constexpr uint32_t HEADER_VERSION = 0x08;
constexpr uint32_t HEADER_ONE = 0x10;
constexpr uint32_t HEADER_NR_BONES = 0x18;
constexpr uint32_t HEADER_BONES = 0x1C;
constexpr uint32_t HEADER_BONE_MULTIPLIER = 0x20;
constexpr uint32_t HEADER_BONE_NUMBERS = 0x24;
constexpr uint32_t HEADER_NR_SUBMODELS = 0x28;
constexpr uint32_t HEADER_SUBMODELS = 0x2C;
constexpr uint32_t HEADER_NR_DESCRIPTORS = 0x30;
constexpr uint32_t HEADER_NR_BOXES = 0x40;
constexpr uint32_t HEADER_BOXES = 0x44;
constexpr uint32_t HEADER_NR_MATERIALS = 0x48;
constexpr uint32_t HEADER_MATERIALS = 0x4C;
constexpr uint32_t HEADER_NR_TEXTURES = 0x50;
constexpr uint32_t HEADER_TEXTURES = 0x54;
constexpr uint32_t HEADER_NR_EXTRA = 0x58;
constexpr uint32_t HEADER_EXTRA = 0x5C;
constexpr uint32_t HEADER_NAMES = 0x60;
constexpr uint32_t HEADER_NR_NAMES = 0x7C;
constexpr uint32_t HEADER_NR_ELEMENTS = 0x88;

constexpr uint32_t BONE_SIZE = 176;
constexpr uint32_t BONE_BIND = 0x10;
constexpr uint32_t BONE_INVERSE = 0x50;
constexpr uint32_t BONE_BOX_A = 0x90;
constexpr uint32_t BONE_BOX_B = 0xA0;
constexpr uint32_t BONE_PARENT = 0xAC;

constexpr uint32_t SUB_SIZE = 96;
constexpr uint32_t SUB_PRIMITIVE = 0x02;
constexpr uint32_t SUB_MATERIAL = 0x04;
constexpr uint32_t SUB_NR_VERTEX_BUFFERS = 0x10;
constexpr uint32_t SUB_VERTEX_BUFFER = 0x14;
constexpr uint32_t SUB_PALETTE_LENGTH = 0x18;
constexpr uint32_t SUB_PALETTE = 0x1C;
constexpr uint32_t SUB_NR_INDEX_BUFFERS = 0x20;
constexpr uint32_t SUB_INDEX_BUFFER = 0x24;
constexpr uint32_t SUB_NR_STAGES = 0x2C;
constexpr uint32_t SUB_STAGES = 0x30;

constexpr uint32_t DESC_SIZE = 32;
constexpr uint32_t DESC_DATA = 0x00;
constexpr uint32_t DESC_COUNT = 0x04;
constexpr uint32_t DESC_ONE = 0x08;
constexpr uint32_t DESC_NR_ELEMENTS = 0x0A;
constexpr uint32_t DESC_ONE_B = 0x0B;
constexpr uint32_t DESC_ELEMENTS = 0x0C;
constexpr uint32_t DESC_KIND = 0x14;
constexpr uint32_t KIND_VERTICES = 0;
constexpr uint32_t KIND_INDICES = 1;

constexpr uint32_t ELEMENT_SIZE = 4;
constexpr uint32_t BOX_SIZE = 48;
constexpr uint32_t BOX_A = 0x10;
constexpr uint32_t BOX_B = 0x20;

constexpr uint32_t MAT_SIZE = 160;
constexpr uint32_t MAT_KIND = 0x10;
constexpr uint32_t MAT_SHADER = 0x14;
constexpr uint32_t MAT_SHININESS = 0x28;
constexpr uint32_t MAT_DIFFUSE = 0x30;
constexpr uint32_t MAT_AMBIENT = 0x40;
constexpr uint32_t MAT_SPECULAR = 0x50;
constexpr uint32_t MAT_CULL = 0x70;
constexpr uint32_t MAT_ALPHA_TEST = 0x74;
constexpr uint32_t MAT_DEPTH = 0x78;
constexpr uint32_t MAT_BLEND = 0x7C;
constexpr uint32_t MAT_BLEND_FACTOR = 0x80;

constexpr uint32_t TEX_SIZE = 80;
constexpr uint32_t TEX_ADDRESS_U = 0x08;
constexpr uint32_t TEX_ADDRESS_V = 0x09;
constexpr uint32_t TEX_MAG = 0x0A;
constexpr uint32_t TEX_MIN = 0x0B;
constexpr uint32_t TEX_MIP = 0x0C;
constexpr uint32_t TEX_INDEX = 0x0E;

constexpr uint32_t EXTRA_SIZE = 48;
constexpr uint32_t NAMES_TABLE = 0x04;
constexpr uint32_t NAMES_HEADER = 12;

// Limits both sides hold to.
constexpr uint32_t MAX_SUBMODELS = 63;
constexpr uint32_t MAX_MATERIALS = 63;
constexpr uint32_t MAX_BONES = 126;
constexpr uint32_t MAX_TEXTURES = 31;
constexpr uint32_t MAX_PALETTE = 48;
constexpr uint32_t MAX_BONE_NUMBERS = 512;
constexpr uint32_t MAX_STAGES = 4;
constexpr uint32_t MAX_NAME_BYTES = 255;
constexpr float MAX_COORDINATE = 10000000.0f;

// Element codes of the vertex-element list, in vertex order.
enum ElementCode : uint8_t {
    ELEMENT_POSITION = 16,
    ELEMENT_BLEND_INDICES = 33,
    ELEMENT_BLEND_WEIGHTS = 32,
    ELEMENT_NORMAL = 18,
    ELEMENT_PSIZE = 34,
    ELEMENT_BINORMAL = 30,
    ELEMENT_TANGENT = 31,
    ELEMENT_TEXCOORD0 = 22,
    ELEMENT_TEXCOORD1 = 23,
    ELEMENT_TEXCOORD2 = 24,
    ELEMENT_TEXCOORD3 = 25,
    ELEMENT_COLOR = 19,
    ELEMENT_COLOR_B = 20,
};
// Data type codes.
constexpr uint8_t TYPE_FLOAT1 = 0;
constexpr uint8_t TYPE_FLOAT2 = 1;
constexpr uint8_t TYPE_FLOAT3 = 2;
constexpr uint8_t TYPE_FLOAT4 = 3;
constexpr uint8_t TYPE_UBYTE4 = 11;
constexpr uint8_t TYPE_COLOR = 18;

// Primitive codes.
enum PrimitiveCode : uint8_t {
    PRIMITIVE_TRIANGLE_STRIP = 0,
    PRIMITIVE_TRIANGLE_LIST = 1,
    PRIMITIVE_TRIANGLE_FAN = 2,
    PRIMITIVE_LINE_LIST = 3,
    PRIMITIVE_LINE_STRIP = 4,
    PRIMITIVE_POINT_LIST = 5,
};

} // namespace zqmdl
