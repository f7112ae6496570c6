// The numbers the graphics device shares with the classes above it, defined once: pixel
// formats (also the image service's), the values of the blend, cull, fill, compare, stencil,
// depth-buffer and sampler states (also ZqGlState's) and the vertex element types and usages
// (also the primitives'). Values are the ones the graphics classes' tables and files store.
// Depends on nothing.
#pragma once

#include <cstdint>

namespace zqp::gpu {

enum class Format : uint32_t {
    Unknown = 0,
    R8G8B8 = 20,
    A8R8G8B8 = 21,
    X8R8G8B8 = 22,
    R5G6B5 = 23,
    X1R5G5B5 = 24,
    A1R5G5B5 = 25,
    A4R4G4B4 = 26,
    A8 = 28,
    A8B8G8R8 = 32,
    X8B8G8R8 = 33,
    L8 = 50,
    A8L8 = 51,
    D16 = 80,
    D24S8 = 75,
    D24X8 = 77,
    Index16 = 101,
    Index32 = 102,
    R16F = 111,
    A16B16G16R16F = 113,
    R32F = 114,
    A32B32G32R32F = 116,
    Dxt1 = 0x31545844u,
    Dxt3 = 0x33545844u,
    Dxt5 = 0x35545844u,
};

enum ZBufferType : uint32_t { ZBUFFERMODE_OFF = 0, ZBUFFERMODE_ON = 1, ZBUFFERMODE_W = 2 };
enum FillMode : uint32_t { FILLMODE_POINT = 1, FILLMODE_WIREFRAME = 2, FILLMODE_SOLID = 3 };
enum Cull : uint32_t { CULLMODE_NONE = 1, CULLMODE_CW = 2, CULLMODE_CCW = 3 };
enum Blend : uint32_t {
    BLEND_ZERO = 1,
    BLEND_ONE = 2,
    BLEND_SRCCOLOR = 3,
    BLEND_INVSRCCOLOR = 4,
    BLEND_SRCALPHA = 5,
    BLEND_INVSRCALPHA = 6,
    BLEND_DESTALPHA = 7,
    BLEND_INVDESTALPHA = 8,
    BLEND_DESTCOLOR = 9,
    BLEND_INVDESTCOLOR = 10,
    BLEND_SRCALPHASAT = 11,
    BLEND_BOTHSRCALPHA = 12,
    BLEND_BOTHINVSRCALPHA = 13,
    BLEND_BLENDFACTOR = 14,
    BLEND_INVBLENDFACTOR = 15,
};
enum BlendOp : uint32_t {
    BLENDOP_ADD = 1,
    BLENDOP_SUBTRACT = 2,
    BLENDOP_REVSUBTRACT = 3,
    BLENDOP_MIN = 4,
    BLENDOP_MAX = 5,
};
enum Cmp : uint32_t {
    CMPFUNC_NEVER = 1,
    CMPFUNC_LESS = 2,
    CMPFUNC_EQUAL = 3,
    CMPFUNC_LESSEQUAL = 4,
    CMPFUNC_GREATER = 5,
    CMPFUNC_NOTEQUAL = 6,
    CMPFUNC_GREATEREQUAL = 7,
    CMPFUNC_ALWAYS = 8,
};
enum StencilOp : uint32_t {
    STENCILOP_KEEP = 1,
    STENCILOP_ZERO = 2,
    STENCILOP_REPLACE = 3,
    STENCILOP_INCRSAT = 4,
    STENCILOP_DECRSAT = 5,
    STENCILOP_INVERT = 6,
    STENCILOP_INCR = 7,
    STENCILOP_DECR = 8,
};
enum TexAddress : uint32_t {
    TEXADDR_WRAP = 1,
    TEXADDR_MIRROR = 2,
    TEXADDR_CLAMP = 3,
    TEXADDR_BORDER = 4,
    TEXADDR_MIRRORONCE = 5,
};
enum TexFilter : uint32_t {
    TEXFILTER_NONE = 0,
    TEXFILTER_POINT = 1,
    TEXFILTER_LINEAR = 2,
    TEXFILTER_ANISOTROPIC = 3,
};

enum DeclType : uint8_t {
    DECLTYPE_FLOAT1 = 0,
    DECLTYPE_FLOAT2 = 1,
    DECLTYPE_FLOAT3 = 2,
    DECLTYPE_FLOAT4 = 3,
    DECLTYPE_D3DCOLOR = 4,
    DECLTYPE_UBYTE4 = 5,
    DECLTYPE_SHORT2 = 6,
    DECLTYPE_SHORT4 = 7,
    DECLTYPE_UBYTE4N = 8,
    DECLTYPE_SHORT2N = 9,
    DECLTYPE_SHORT4N = 10,
    DECLTYPE_USHORT2N = 11,
    DECLTYPE_USHORT4N = 12,
    DECLTYPE_UDEC3 = 13,
    DECLTYPE_DEC3N = 14,
    DECLTYPE_FLOAT16_2 = 15,
    DECLTYPE_FLOAT16_4 = 16,
    DECLTYPE_UNUSED = 17,
};
enum DeclUsage : uint8_t {
    DECLUSAGE_POSITION = 0,
    DECLUSAGE_BLENDWEIGHT = 1,
    DECLUSAGE_BLENDINDICES = 2,
    DECLUSAGE_NORMAL = 3,
    DECLUSAGE_PSIZE = 4,
    DECLUSAGE_TEXCOORD = 5,
    DECLUSAGE_TANGENT = 6,
    DECLUSAGE_BINORMAL = 7,
    DECLUSAGE_TESSFACTOR = 8,
    DECLUSAGE_POSITIONT = 9,
    DECLUSAGE_COLOR = 10,
    DECLUSAGE_FOG = 11,
    DECLUSAGE_DEPTH = 12,
    DECLUSAGE_SAMPLE = 13,
};

} // namespace zqp::gpu
