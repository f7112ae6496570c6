// The compiled effect container ("ZQFX"): what the effect compiler (tools/effect) writes and
// ZqGlEffectFile reads. Constants and tables only, shared by both sides; no code, no
// dependencies beyond the standard integer types.
//
// Layout, all integers little-endian:
//   header   "ZQFX", u32 version, u32 file size, u32 section count (SECTION_COUNT),
//            then per section u32 offset and u32 record count
//   sections strings (bytes), values (u32 words), parameters, samplers, shaders, constant
//            bindings, sampler bindings, techniques, passes, pass states; each starts on a
//            4-byte boundary and holds count x its record size
// A string is a (u32 offset, u32 length) pair into the string section.
//
// Records:
//   parameter  24  name, u8 type, u8 flags, u16 0, u32 elements (0: not an array),
//                  u32 first value word, u32 value word count (0: zero-filled)
//   sampler    60  name, u8 kind, u8 0, u16 texture parameter, u32 state mask (bit n: sampler
//                  state n is set), u32 state values[11] (index = sampler state)
//   shader     28  u8 stage, u8 0, u16 0, code, u32 first constant binding, u32 count,
//                  u32 first sampler binding, u32 count
//   constant    8  u16 parameter, u16 first register, u16 register count, u16 0
//   sampler b.  4  u16 sampler, u16 sampler stage
//   technique  16  name, u32 first pass, u32 pass count
//   pass       24  name, u32 vertex shader, u32 pixel shader (NO_SHADER: none),
//                  u32 first state, u32 state count
//   state       8  u32 render state, u32 value
//
// Shader code is a GLSL 330 body as the device takes it: the compiler has already put in front
// of it the definitions that map each parameter it reads onto its constant registers and each
// sampler onto its sampler stage.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zqfx {

constexpr uint8_t MAGIC[4] = {'Z', 'Q', 'F', 'X'};
constexpr uint32_t VERSION = 1;

enum Section : uint32_t {
    SECTION_STRINGS = 0,
    SECTION_VALUES,
    SECTION_PARAMS,
    SECTION_SAMPLERS,
    SECTION_SHADERS,
    SECTION_CONSTANTS,
    SECTION_SAMPLER_BINDINGS,
    SECTION_TECHNIQUES,
    SECTION_PASSES,
    SECTION_STATES,
    SECTION_COUNT,
};
constexpr uint32_t HEADER_SIZE = 16 + SECTION_COUNT * 8;
constexpr uint32_t RECORD_SIZE[SECTION_COUNT] = {1, 4, 24, 60, 28, 8, 4, 16, 24, 8};

// Limits that both sides enforce; they keep every table small and every index in 16 bits.
constexpr uint32_t MAX_NAME_LENGTH = 255;
constexpr uint32_t MAX_CODE_LENGTH = 0x40000;
constexpr uint32_t MAX_PARAMS = 1024;
constexpr uint32_t MAX_ELEMENTS = 1024;
// Value words of all parameters together.
constexpr uint32_t MAX_VALUE_WORDS = 0x10000;
constexpr uint32_t MAX_SAMPLERS = 16;
constexpr uint32_t MAX_SHADERS = 1024;
constexpr uint32_t MAX_TECHNIQUES = 1024;
constexpr uint32_t MAX_PASSES = 4096;
constexpr uint32_t MAX_STATES_PER_PASS = 64;
constexpr uint32_t VERTEX_REGISTERS = 256;
constexpr uint32_t PIXEL_REGISTERS = 224;
constexpr uint32_t SAMPLER_STAGES = 16;
constexpr uint32_t NO_SHADER = 0xFFFFFFFFu;

enum ParamType : uint8_t {
    TYPE_BOOL = 0,
    TYPE_INT,
    TYPE_FLOAT,
    TYPE_FLOAT2,
    TYPE_FLOAT3,
    TYPE_FLOAT4,
    TYPE_FLOAT4X4,
    TYPE_TEXTURE,
    TYPE_COUNT,
};
// Parameter flags.
constexpr uint8_t PARAM_SHARED = 0x01;

// Value words of one element (booleans and integers are stored as signed 32-bit integers,
// the rest as floats; a matrix row by row), and constant registers of one element (a matrix
// takes four, one column each, so that a row vector times the matrix is four dot products).
constexpr uint32_t componentsOf(const ParamType type) {
    constexpr uint8_t table[TYPE_COUNT] = {1, 1, 1, 2, 3, 4, 16, 0};
    return type < TYPE_COUNT ? table[type] : 0;
}
constexpr uint32_t registersOf(const ParamType type) {
    constexpr uint8_t table[TYPE_COUNT] = {1, 1, 1, 1, 1, 1, 4, 0};
    return type < TYPE_COUNT ? table[type] : 0;
}

enum SamplerKind : uint8_t {
    SAMPLER_2D = 0,
    SAMPLER_CUBE = 1,
    // A depth texture read as a comparison.
    SAMPLER_2D_SHADOW = 2,
    SAMPLER_KIND_COUNT
};
enum Stage : uint8_t { STAGE_VERTEX = 0, STAGE_PIXEL = 1, STAGE_COUNT };

// What values a state takes; enumerations carry the device's values of the same meaning.
enum ValueKind : uint8_t {
    VALUE_BOOL,       // 0, 1
    VALUE_ZBUFFER,    // 0 off, 1 on, 2 w-buffer
    VALUE_FILL,       // 1 point, 2 wireframe, 3 solid
    VALUE_CULL,       // 1 none, 2 clockwise, 3 counter-clockwise
    VALUE_BLEND,      // 1..15
    VALUE_BLENDOP,    // 1..5
    VALUE_CMP,        // 1..8
    VALUE_STENCILOP,  // 1..8
    VALUE_BYTE,       // 0..255
    VALUE_COLORMASK,  // 0..15
    VALUE_UINT,       // any 32-bit value
    VALUE_FLOAT,      // the bit pattern of a float
    VALUE_TEXADDRESS, // 1..5
    VALUE_TEXFILTER,  // 0..3
    VALUE_ANISOTROPY, // 1..16
    VALUE_KIND_COUNT,
};

// Smallest and largest stored value of each kind.
struct ValueRange {
    uint32_t min;
    uint32_t max;
};
constexpr ValueRange VALUE_RANGE[VALUE_KIND_COUNT] = {
    {0, 1},   {0, 2},  {1, 3},           {1, 3},           {1, 15}, {1, 5}, {1, 8},  {1, 8},
    {0, 255}, {0, 15}, {0, 0xFFFFFFFFu}, {0, 0xFFFFFFFFu}, {1, 5},  {0, 3}, {1, 16},
};

struct StateInfo {
    const char* name;
    uint32_t id;
    ValueKind kind;
};

// Render states a pass may set, with the device's state numbers.
constexpr StateInfo RENDER_STATES[] = {
    {"ZEnable", 7, VALUE_ZBUFFER},
    {"FillMode", 8, VALUE_FILL},
    {"ZWriteEnable", 14, VALUE_BOOL},
    {"AlphaTestEnable", 15, VALUE_BOOL},
    {"SrcBlend", 19, VALUE_BLEND},
    {"DestBlend", 20, VALUE_BLEND},
    {"CullMode", 22, VALUE_CULL},
    {"ZFunc", 23, VALUE_CMP},
    {"AlphaRef", 24, VALUE_BYTE},
    {"AlphaFunc", 25, VALUE_CMP},
    {"AlphaBlendEnable", 27, VALUE_BOOL},
    {"StencilEnable", 52, VALUE_BOOL},
    {"StencilFail", 53, VALUE_STENCILOP},
    {"StencilZFail", 54, VALUE_STENCILOP},
    {"StencilPass", 55, VALUE_STENCILOP},
    {"StencilFunc", 56, VALUE_CMP},
    {"StencilRef", 57, VALUE_UINT},
    {"StencilMask", 58, VALUE_UINT},
    {"StencilWriteMask", 59, VALUE_UINT},
    {"MultiSampleAntialias", 161, VALUE_BOOL},
    {"ColorWriteEnable", 168, VALUE_COLORMASK},
    {"BlendOp", 171, VALUE_BLENDOP},
    {"ScissorTestEnable", 174, VALUE_BOOL},
    {"SlopeScaleDepthBias", 175, VALUE_FLOAT},
    {"BlendFactor", 193, VALUE_UINT},
    {"DepthBias", 195, VALUE_FLOAT},
    {"SeparateAlphaBlendEnable", 206, VALUE_BOOL},
    {"SrcBlendAlpha", 207, VALUE_BLEND},
    {"DestBlendAlpha", 208, VALUE_BLEND},
    {"BlendOpAlpha", 209, VALUE_BLENDOP},
};

// Sampler states a sampler may set; the id is the index into a sampler record's values.
constexpr uint32_t SAMPLER_STATE_SLOTS = 11;
constexpr StateInfo SAMPLER_STATES[] = {
    {"AddressU", 1, VALUE_TEXADDRESS}, {"AddressV", 2, VALUE_TEXADDRESS},
    {"AddressW", 3, VALUE_TEXADDRESS}, {"BorderColor", 4, VALUE_UINT},
    {"MagFilter", 5, VALUE_TEXFILTER}, {"MinFilter", 6, VALUE_TEXFILTER},
    {"MipFilter", 7, VALUE_TEXFILTER}, {"MipMapLodBias", 8, VALUE_FLOAT},
    {"MaxMipLevel", 9, VALUE_UINT},    {"MaxAnisotropy", 10, VALUE_ANISOTROPY},
};

// The state of that id in a table, or null.
template <size_t N>
constexpr const StateInfo* findState(const StateInfo (&table)[N], const uint32_t id) {
    for (const StateInfo& s : table) {
        if (s.id == id) {
            return &s;
        }
    }
    return nullptr;
}

constexpr bool isValueInRange(const ValueKind kind, const uint32_t value) {
    return kind < VALUE_KIND_COUNT && value >= VALUE_RANGE[kind].min &&
           value <= VALUE_RANGE[kind].max;
}

// Names of enumerated values as the effect source writes them (compared without case).
struct ValueName {
    ValueKind kind;
    const char* name;
    uint32_t value;
};
constexpr ValueName VALUE_NAMES[] = {
    {VALUE_BOOL, "false", 0},
    {VALUE_BOOL, "true", 1},
    {VALUE_ZBUFFER, "false", 0},
    {VALUE_ZBUFFER, "true", 1},
    {VALUE_ZBUFFER, "usew", 2},
    {VALUE_FILL, "point", 1},
    {VALUE_FILL, "wireframe", 2},
    {VALUE_FILL, "solid", 3},
    {VALUE_CULL, "none", 1},
    {VALUE_CULL, "cw", 2},
    {VALUE_CULL, "ccw", 3},
    {VALUE_BLEND, "zero", 1},
    {VALUE_BLEND, "one", 2},
    {VALUE_BLEND, "srccolor", 3},
    {VALUE_BLEND, "invsrccolor", 4},
    {VALUE_BLEND, "srcalpha", 5},
    {VALUE_BLEND, "invsrcalpha", 6},
    {VALUE_BLEND, "destalpha", 7},
    {VALUE_BLEND, "invdestalpha", 8},
    {VALUE_BLEND, "destcolor", 9},
    {VALUE_BLEND, "invdestcolor", 10},
    {VALUE_BLEND, "srcalphasat", 11},
    {VALUE_BLEND, "bothsrcalpha", 12},
    {VALUE_BLEND, "bothinvsrcalpha", 13},
    {VALUE_BLEND, "blendfactor", 14},
    {VALUE_BLEND, "invblendfactor", 15},
    {VALUE_BLENDOP, "add", 1},
    {VALUE_BLENDOP, "subtract", 2},
    {VALUE_BLENDOP, "revsubtract", 3},
    {VALUE_BLENDOP, "min", 4},
    {VALUE_BLENDOP, "max", 5},
    {VALUE_CMP, "never", 1},
    {VALUE_CMP, "less", 2},
    {VALUE_CMP, "equal", 3},
    {VALUE_CMP, "lessequal", 4},
    {VALUE_CMP, "greater", 5},
    {VALUE_CMP, "notequal", 6},
    {VALUE_CMP, "greaterequal", 7},
    {VALUE_CMP, "always", 8},
    {VALUE_STENCILOP, "keep", 1},
    {VALUE_STENCILOP, "zero", 2},
    {VALUE_STENCILOP, "replace", 3},
    {VALUE_STENCILOP, "incrsat", 4},
    {VALUE_STENCILOP, "decrsat", 5},
    {VALUE_STENCILOP, "invert", 6},
    {VALUE_STENCILOP, "incr", 7},
    {VALUE_STENCILOP, "decr", 8},
    {VALUE_TEXADDRESS, "wrap", 1},
    {VALUE_TEXADDRESS, "mirror", 2},
    {VALUE_TEXADDRESS, "clamp", 3},
    {VALUE_TEXADDRESS, "border", 4},
    {VALUE_TEXADDRESS, "mirroronce", 5},
    {VALUE_TEXFILTER, "none", 0},
    {VALUE_TEXFILTER, "point", 1},
    {VALUE_TEXFILTER, "linear", 2},
    {VALUE_TEXFILTER, "anisotropic", 3},
};

} // namespace zqfx
