// The graphics device's capability record and the bits of its fields, as the capability
// report prints and checks them. Filled by the implementation, kept by ZqGlSystem and read by
// its capability report; nothing else needs it.
// Depends on: the device's value types.
#pragma once

#include "zq/platform/gpu/gpu_types.h"

#include <cstdint>

namespace zqp::gpu {

struct ShaderCaps2 {
    uint32_t caps = 0;
    int32_t dynamicFlowControlDepth = 0;
    int32_t numTemps = 0;
    int32_t staticFlowControlDepth = 0;
    int32_t numInstructionSlots = 0; // pixel shaders only
};

// The capability record; bit values in namespace caps below.
struct Caps {
    DeviceType deviceType = DeviceType::Hal;
    uint32_t adapterOrdinal = 0;
    uint32_t caps = 0;
    uint32_t caps2 = 0;
    uint32_t caps3 = 0;
    uint32_t presentationIntervals = 0;
    uint32_t cursorCaps = 0;
    uint32_t devCaps = 0;
    uint32_t primitiveMiscCaps = 0;
    uint32_t rasterCaps = 0;
    uint32_t zCmpCaps = 0;
    uint32_t srcBlendCaps = 0;
    uint32_t destBlendCaps = 0;
    uint32_t alphaCmpCaps = 0;
    uint32_t shadeCaps = 0;
    uint32_t textureCaps = 0;
    uint32_t textureFilterCaps = 0;
    uint32_t cubeTextureFilterCaps = 0;
    uint32_t volumeTextureFilterCaps = 0;
    uint32_t textureAddressCaps = 0;
    uint32_t volumeTextureAddressCaps = 0;
    uint32_t lineCaps = 0;
    uint32_t maxTextureWidth = 0;
    uint32_t maxTextureHeight = 0;
    uint32_t maxVolumeExtent = 0;
    uint32_t maxTextureRepeat = 0;
    uint32_t maxTextureAspectRatio = 0;
    uint32_t maxAnisotropy = 0;
    float maxVertexW = 0.0f;
    float guardBandLeft = 0.0f;
    float guardBandTop = 0.0f;
    float guardBandRight = 0.0f;
    float guardBandBottom = 0.0f;
    float extentsAdjust = 0.0f;
    uint32_t stencilCaps = 0;
    uint32_t fvfCaps = 0;
    uint32_t textureOpCaps = 0;
    uint32_t maxTextureBlendStages = 0;
    uint32_t maxSimultaneousTextures = 0;
    uint32_t vertexProcessingCaps = 0;
    uint32_t maxActiveLights = 0;
    uint32_t maxUserClipPlanes = 0;
    uint32_t maxVertexBlendMatrices = 0;
    uint32_t maxVertexBlendMatrixIndex = 0;
    float maxPointSize = 0.0f;
    uint32_t maxPrimitiveCount = 0;
    uint32_t maxVertexIndex = 0;
    uint32_t maxStreams = 0;
    uint32_t maxStreamStride = 0;
    uint32_t vertexShaderVersion = 0;
    uint32_t maxVertexShaderConst = 0;
    uint32_t pixelShaderVersion = 0;
    float pixelShader1xMaxValue = 0.0f;
    uint32_t devCaps2 = 0;
    float maxNpatchTessellationLevel = 0.0f;
    uint32_t masterAdapterOrdinal = 0;
    uint32_t adapterOrdinalInGroup = 0;
    uint32_t numberOfAdaptersInGroup = 0;
    uint32_t declTypes = 0;
    uint32_t numSimultaneousRTs = 0;
    uint32_t stretchRectFilterCaps = 0;
    ShaderCaps2 vs20Caps;
    ShaderCaps2 ps20Caps;
    uint32_t vertexTextureFilterCaps = 0;
    uint32_t maxVShaderInstructionsExecuted = 0;
    uint32_t maxPShaderInstructionsExecuted = 0;
    uint32_t maxVertexShader30InstructionSlots = 0;
    uint32_t maxPixelShader30InstructionSlots = 0;
};

namespace caps {
// caps
constexpr uint32_t READ_SCANLINE = 0x00020000;
// caps2
constexpr uint32_t FULLSCREENGAMMA = 0x00020000;
constexpr uint32_t CANCALIBRATEGAMMA = 0x00100000;
constexpr uint32_t CANMANAGERESOURCE = 0x10000000;
constexpr uint32_t DYNAMICTEXTURES = 0x20000000;
constexpr uint32_t CANAUTOGENMIPMAP = 0x40000000;
// caps3
constexpr uint32_t ALPHA_FULLSCREEN_FLIP_OR_DISCARD = 0x20;
constexpr uint32_t LINEAR_TO_SRGB_PRESENTATION = 0x80;
constexpr uint32_t COPY_TO_VIDMEM = 0x100;
constexpr uint32_t COPY_TO_SYSTEMMEM = 0x200;
// presentationIntervals: the present:: values
// cursorCaps
constexpr uint32_t CURSOR_COLOR = 0x1;
constexpr uint32_t CURSOR_LOWRES = 0x2;
// devCaps
constexpr uint32_t EXECUTESYSTEMMEMORY = 0x10;
constexpr uint32_t EXECUTEVIDEOMEMORY = 0x20;
constexpr uint32_t TLVERTEXSYSTEMMEMORY = 0x40;
constexpr uint32_t TLVERTEXVIDEOMEMORY = 0x80;
constexpr uint32_t TEXTURESYSTEMMEMORY = 0x100;
constexpr uint32_t TEXTUREVIDEOMEMORY = 0x200;
constexpr uint32_t DRAWPRIMTLVERTEX = 0x400;
constexpr uint32_t CANRENDERAFTERFLIP = 0x800;
constexpr uint32_t TEXTURENONLOCALVIDMEM = 0x1000;
constexpr uint32_t DRAWPRIMITIVES2 = 0x2000;
constexpr uint32_t SEPARATETEXTUREMEMORIES = 0x4000;
constexpr uint32_t DRAWPRIMITIVES2EX = 0x8000;
constexpr uint32_t HWTRANSFORMANDLIGHT = 0x10000;
constexpr uint32_t CANBLTSYSTONONLOCAL = 0x20000;
constexpr uint32_t HWRASTERIZATION = 0x80000;
constexpr uint32_t PUREDEVICE = 0x100000;
constexpr uint32_t QUINTICRTPATCHES = 0x200000;
constexpr uint32_t RTPATCHES = 0x400000;
constexpr uint32_t RTPATCHHANDLEZERO = 0x800000;
constexpr uint32_t NPATCHES = 0x1000000;
// primitiveMiscCaps
constexpr uint32_t MASKZ = 0x2;
constexpr uint32_t CULLNONE = 0x10;
constexpr uint32_t CULLCW = 0x20;
constexpr uint32_t CULLCCW = 0x40;
constexpr uint32_t COLORWRITEENABLE = 0x80;
constexpr uint32_t CLIPPLANESCALEDPOINTS = 0x100;
constexpr uint32_t CLIPTLVERTS = 0x200;
constexpr uint32_t TSSARGTEMP = 0x400;
constexpr uint32_t BLENDOP = 0x800;
constexpr uint32_t NULLREFERENCE = 0x1000;
constexpr uint32_t INDEPENDENTWRITEMASKS = 0x4000;
constexpr uint32_t PERSTAGECONSTANT = 0x8000;
constexpr uint32_t FOGANDSPECULARALPHA = 0x10000;
constexpr uint32_t SEPARATEALPHABLEND = 0x20000;
constexpr uint32_t MRTINDEPENDENTBITDEPTHS = 0x40000;
constexpr uint32_t MRTPOSTPIXELSHADERBLENDING = 0x80000;
constexpr uint32_t FOGVERTEXCLAMPED = 0x100000;
// rasterCaps
constexpr uint32_t DITHER = 0x1;
constexpr uint32_t ZTEST = 0x10;
constexpr uint32_t FOGVERTEX = 0x80;
constexpr uint32_t FOGTABLE = 0x100;
constexpr uint32_t MIPMAPLODBIAS = 0x2000;
constexpr uint32_t ZBUFFERLESSHSR = 0x8000;
constexpr uint32_t FOGRANGE = 0x10000;
constexpr uint32_t ANISOTROPY = 0x20000;
constexpr uint32_t WBUFFER = 0x40000;
constexpr uint32_t WFOG = 0x100000;
constexpr uint32_t ZFOG = 0x200000;
constexpr uint32_t COLORPERSPECTIVE = 0x400000;
constexpr uint32_t SCISSORTEST = 0x1000000;
constexpr uint32_t SLOPESCALEDEPTHBIAS = 0x2000000;
constexpr uint32_t DEPTHBIAS = 0x4000000;
constexpr uint32_t MULTISAMPLE_TOGGLE = 0x8000000;
// zCmpCaps, alphaCmpCaps
constexpr uint32_t CMP_NEVER = 0x1;
constexpr uint32_t CMP_LESS = 0x2;
constexpr uint32_t CMP_EQUAL = 0x4;
constexpr uint32_t CMP_LESSEQUAL = 0x8;
constexpr uint32_t CMP_GREATER = 0x10;
constexpr uint32_t CMP_NOTEQUAL = 0x20;
constexpr uint32_t CMP_GREATEREQUAL = 0x40;
constexpr uint32_t CMP_ALWAYS = 0x80;
// srcBlendCaps, destBlendCaps
constexpr uint32_t BLEND_ZERO = 0x1;
constexpr uint32_t BLEND_ONE = 0x2;
constexpr uint32_t BLEND_SRCCOLOR = 0x4;
constexpr uint32_t BLEND_INVSRCCOLOR = 0x8;
constexpr uint32_t BLEND_SRCALPHA = 0x10;
constexpr uint32_t BLEND_INVSRCALPHA = 0x20;
constexpr uint32_t BLEND_DESTALPHA = 0x40;
constexpr uint32_t BLEND_INVDESTALPHA = 0x80;
constexpr uint32_t BLEND_DESTCOLOR = 0x100;
constexpr uint32_t BLEND_INVDESTCOLOR = 0x200;
constexpr uint32_t BLEND_SRCALPHASAT = 0x400;
constexpr uint32_t BLEND_BOTHSRCALPHA = 0x800;
constexpr uint32_t BLEND_BOTHINVSRCALPHA = 0x1000;
constexpr uint32_t BLEND_BLENDFACTOR = 0x2000;
// shadeCaps
constexpr uint32_t COLORGOURAUDRGB = 0x8;
constexpr uint32_t SPECULARGOURAUDRGB = 0x200;
constexpr uint32_t ALPHAGOURAUDBLEND = 0x4000;
constexpr uint32_t FOGGOURAUD = 0x80000;
// textureCaps
constexpr uint32_t TEX_PERSPECTIVE = 0x1;
constexpr uint32_t TEX_POW2 = 0x2;
constexpr uint32_t TEX_ALPHA = 0x4;
constexpr uint32_t TEX_SQUAREONLY = 0x20;
constexpr uint32_t TEX_REPEATNOTSCALEDBYSIZE = 0x40;
constexpr uint32_t TEX_ALPHAPALETTE = 0x80;
constexpr uint32_t TEX_NONPOW2CONDITIONAL = 0x100;
constexpr uint32_t TEX_PROJECTED = 0x400;
constexpr uint32_t TEX_CUBEMAP = 0x800;
constexpr uint32_t TEX_VOLUMEMAP = 0x2000;
constexpr uint32_t TEX_MIPMAP = 0x4000;
constexpr uint32_t TEX_MIPVOLUMEMAP = 0x8000;
constexpr uint32_t TEX_MIPCUBEMAP = 0x10000;
constexpr uint32_t TEX_CUBEMAP_POW2 = 0x20000;
constexpr uint32_t TEX_VOLUMEMAP_POW2 = 0x40000;
constexpr uint32_t TEX_NOPROJECTEDBUMPENV = 0x200000;
// texture filter caps (all four filter fields, stretchRectFilterCaps)
constexpr uint32_t MINFPOINT = 0x100;
constexpr uint32_t MINFLINEAR = 0x200;
constexpr uint32_t MINFANISOTROPIC = 0x400;
constexpr uint32_t MINFPYRAMIDALQUAD = 0x800;
constexpr uint32_t MINFGAUSSIANQUAD = 0x1000;
constexpr uint32_t MIPFPOINT = 0x10000;
constexpr uint32_t MIPFLINEAR = 0x20000;
constexpr uint32_t MAGFPOINT = 0x1000000;
constexpr uint32_t MAGFLINEAR = 0x2000000;
constexpr uint32_t MAGFANISOTROPIC = 0x4000000;
constexpr uint32_t MAGFPYRAMIDALQUAD = 0x8000000;
constexpr uint32_t MAGFGAUSSIANQUAD = 0x10000000;
// texture address caps
constexpr uint32_t TADDRESS_WRAP = 0x1;
constexpr uint32_t TADDRESS_MIRROR = 0x2;
constexpr uint32_t TADDRESS_CLAMP = 0x4;
constexpr uint32_t TADDRESS_BORDER = 0x8;
constexpr uint32_t TADDRESS_INDEPENDENTUV = 0x10;
constexpr uint32_t TADDRESS_MIRRORONCE = 0x20;
// lineCaps
constexpr uint32_t LINE_TEXTURE = 0x1;
constexpr uint32_t LINE_ZTEST = 0x2;
constexpr uint32_t LINE_BLEND = 0x4;
constexpr uint32_t LINE_ALPHACMP = 0x8;
constexpr uint32_t LINE_FOG = 0x10;
constexpr uint32_t LINE_ANTIALIAS = 0x20;
// stencilCaps
constexpr uint32_t STENCIL_KEEP = 0x1;
constexpr uint32_t STENCIL_ZERO = 0x2;
constexpr uint32_t STENCIL_REPLACE = 0x4;
constexpr uint32_t STENCIL_INCRSAT = 0x8;
constexpr uint32_t STENCIL_DECRSAT = 0x10;
constexpr uint32_t STENCIL_INVERT = 0x20;
constexpr uint32_t STENCIL_INCR = 0x40;
constexpr uint32_t STENCIL_DECR = 0x80;
constexpr uint32_t STENCIL_TWOSIDED = 0x100;
// fvfCaps
constexpr uint32_t FVF_TEXCOORDCOUNTMASK = 0xFFFF;
constexpr uint32_t FVF_DONOTSTRIPELEMENTS = 0x80000;
constexpr uint32_t FVF_PSIZE = 0x100000;
// textureOpCaps
constexpr uint32_t TOP_DISABLE = 0x1;
constexpr uint32_t TOP_SELECTARG1 = 0x2;
constexpr uint32_t TOP_SELECTARG2 = 0x4;
constexpr uint32_t TOP_MODULATE = 0x8;
constexpr uint32_t TOP_MODULATE2X = 0x10;
constexpr uint32_t TOP_MODULATE4X = 0x20;
constexpr uint32_t TOP_ADD = 0x40;
constexpr uint32_t TOP_ADDSIGNED = 0x80;
constexpr uint32_t TOP_ADDSIGNED2X = 0x100;
constexpr uint32_t TOP_SUBTRACT = 0x200;
constexpr uint32_t TOP_ADDSMOOTH = 0x400;
constexpr uint32_t TOP_BLENDDIFFUSEALPHA = 0x800;
constexpr uint32_t TOP_BLENDTEXTUREALPHA = 0x1000;
constexpr uint32_t TOP_BLENDFACTORALPHA = 0x2000;
constexpr uint32_t TOP_BLENDTEXTUREALPHAPM = 0x4000;
constexpr uint32_t TOP_BLENDCURRENTALPHA = 0x8000;
constexpr uint32_t TOP_PREMODULATE = 0x10000;
constexpr uint32_t TOP_MODULATEALPHA_ADDCOLOR = 0x20000;
constexpr uint32_t TOP_MODULATECOLOR_ADDALPHA = 0x40000;
constexpr uint32_t TOP_MODULATEINVALPHA_ADDCOLOR = 0x80000;
constexpr uint32_t TOP_MODULATEINVCOLOR_ADDALPHA = 0x100000;
constexpr uint32_t TOP_BUMPENVMAP = 0x200000;
constexpr uint32_t TOP_BUMPENVMAPLUMINANCE = 0x400000;
constexpr uint32_t TOP_DOTPRODUCT3 = 0x800000;
constexpr uint32_t TOP_MULTIPLYADD = 0x1000000;
constexpr uint32_t TOP_LERP = 0x2000000;
// vertexProcessingCaps
constexpr uint32_t VTX_TEXGEN = 0x1;
constexpr uint32_t VTX_MATERIALSOURCE7 = 0x2;
constexpr uint32_t VTX_DIRECTIONALLIGHTS = 0x8;
constexpr uint32_t VTX_POSITIONALLIGHTS = 0x10;
constexpr uint32_t VTX_LOCALVIEWER = 0x20;
constexpr uint32_t VTX_TWEENING = 0x40;
constexpr uint32_t VTX_TEXGEN_SPHEREMAP = 0x100;
constexpr uint32_t VTX_NO_TEXGEN_NONLOCALVIEWER = 0x200;
// declTypes
constexpr uint32_t DT_UBYTE4 = 0x1;
constexpr uint32_t DT_UBYTE4N = 0x2;
constexpr uint32_t DT_SHORT2N = 0x4;
constexpr uint32_t DT_SHORT4N = 0x8;
constexpr uint32_t DT_USHORT2N = 0x10;
constexpr uint32_t DT_USHORT4N = 0x20;
constexpr uint32_t DT_UDEC3 = 0x40;
constexpr uint32_t DT_DEC3N = 0x80;
constexpr uint32_t DT_FLOAT16_2 = 0x100;
constexpr uint32_t DT_FLOAT16_4 = 0x200;
// devCaps2
constexpr uint32_t STREAMOFFSET = 0x1;
constexpr uint32_t DMAPNPATCH = 0x2;
constexpr uint32_t ADAPTIVETESSRTPATCH = 0x4;
constexpr uint32_t ADAPTIVETESSNPATCH = 0x8;
constexpr uint32_t CAN_STRETCHRECT_FROM_TEXTURES = 0x10;
constexpr uint32_t PRESAMPLEDDMAPNPATCH = 0x20;
constexpr uint32_t VERTEXELEMENTSCANSHARESTREAMOFFSET = 0x40;
// shader versions
constexpr uint32_t vertexShaderVersion(const uint32_t major, const uint32_t minor) {
    return 0xFFFE0000u | (major << 8) | minor;
}
constexpr uint32_t pixelShaderVersion(const uint32_t major, const uint32_t minor) {
    return 0xFFFF0000u | (major << 8) | minor;
}
} // namespace caps

} // namespace zqp::gpu
