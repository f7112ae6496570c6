// The graphics device service: one adapter object (display modes, formats, capability record,
// device creation) and the device the graphics classes draw with (present parameters, reset
// with lost and not-reset states, back buffer and depth-stencil surfaces, render targets,
// clear, scenes and present, viewport and scissor, render, sampler and texture-stage states,
// transforms, vertex declarations, vertex and index buffers, textures and surfaces with
// lock/unlock, shaders with constant registers, queries and fences).
//
// The shape and the numbers follow what the graphics classes expect of their device: state
// and enumeration values are the ones their tables store, matrices are row vectors with the
// translation in the fourth row, clip depth runs 0..1, row 0 of every texture and target is
// its top, and pixel centres lie on integer coordinates.
//
// Not for: image decoding, effects, sprites, fonts or lines (they are built on this device).
// Depends on: the window service (the device draws into a window, or into a picture of its
// own when it has none). No library type appears here; the implementation is OpenGL 3.3.
//
// Shaders are GLSL 330 bodies, completed by the device:
// - a vertex shader defines `vec4 vertexMain()`, which returns the clip-space position, reads
//   the inputs `inPosition`, `inBlendWeight`, `inBlendIndices`, `inNormal`, `inPSize`,
//   `inTangent`, `inBinormal`, `inColor0`, `inColor1`, `inTexCoord0` .. `inTexCoord6`, and
//   writes the outputs `vColor0`, `vColor1`, `vTexCoord0` .. `vTexCoord7` (all vec4);
// - a pixel shader defines `vec4 pixelMain()`, which returns the colour, and reads those;
// - constant registers are `vec4 zq_vc[256]` (vertex) and `vec4 zq_pc[224]` (pixel);
// - a sampler of any kind named `zq_s0` .. `zq_s15` reads the texture of that stage.
// Without a vertex shader, and for pre-transformed positions, the device transforms itself
// (world x view x projection, or screen pixels); without a pixel shader it combines texture
// stage 0 with the diffuse colour. Alpha test applies after every pixel shader.
#pragma once

#include "zq/platform/window/window.h"

#include <cstdint>
#include <memory>

namespace zqp::gpu {

// ---------------------------------------------------------------------------------------------
// Results

enum class Result : uint32_t {
    Ok = 0,
    // Success without a result yet (a query still running).
    NotReady = 1,
    DeviceLost = 0x80000001u,
    DeviceNotReset = 0x80000002u,
    NotAvailable = 0x80000003u,
    InvalidCall = 0x80000004u,
    OutOfMemory = 0x80000005u,
    OutOfVideoMemory = 0x80000006u,
    Failed = 0x80000007u,
    WasStillDrawing = 0x80000008u,
};
constexpr bool succeeded(const Result r) {
    return static_cast<uint32_t>(r) < 0x80000000u;
}

// ---------------------------------------------------------------------------------------------
// Enumerations (values as the graphics classes store them)

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

enum class DeviceType : uint32_t { Hal = 1, Ref = 2, Sw = 3 };

// Behaviour flags of device creation.
namespace create {
constexpr uint32_t MULTITHREADED = 0x04;
constexpr uint32_t SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr uint32_t HARDWARE_VERTEXPROCESSING = 0x40;
} // namespace create

enum class ResourceType : uint32_t {
    Surface = 1,
    Volume = 2,
    Texture = 3,
    VolumeTexture = 4,
    CubeTexture = 5,
    VertexBuffer = 6,
    IndexBuffer = 7,
};

namespace usage {
constexpr uint32_t RENDERTARGET = 0x01;
constexpr uint32_t DEPTHSTENCIL = 0x02;
constexpr uint32_t WRITEONLY = 0x08;
constexpr uint32_t DYNAMIC = 0x200;
constexpr uint32_t AUTOGENMIPMAP = 0x400;
} // namespace usage

// Default resources are lost with the device and must be released before a reset;
// managed and system-memory resources survive it.
enum class Pool : uint32_t { Default = 0, Managed = 1, SystemMem = 2, Scratch = 3 };

namespace lock {
constexpr uint32_t READONLY = 0x10;
constexpr uint32_t NOOVERWRITE = 0x1000;
constexpr uint32_t DISCARD = 0x2000;
} // namespace lock

namespace clear {
constexpr uint32_t TARGET = 1;
constexpr uint32_t ZBUFFER = 2;
constexpr uint32_t STENCIL = 4;
} // namespace clear

// Sample count: None, or 2 to 16.
enum class MultiSample : uint32_t { None = 0, NonMaskable = 1 };
constexpr MultiSample multiSampleOf(const uint32_t samples) {
    return static_cast<MultiSample>(samples);
}

enum class SwapEffect : uint32_t { Discard = 1, Flip = 2, Copy = 3 };

namespace present {
// Presentation intervals: 0 waits for the retrace once (the default).
constexpr uint32_t INTERVAL_DEFAULT = 0;
constexpr uint32_t INTERVAL_ONE = 1;
constexpr uint32_t INTERVAL_TWO = 2;
constexpr uint32_t INTERVAL_THREE = 4;
constexpr uint32_t INTERVAL_IMMEDIATE = 0x80000000u;
} // namespace present

enum class PrimitiveType : uint32_t {
    PointList = 1,
    LineList = 2,
    LineStrip = 3,
    TriangleList = 4,
    TriangleStrip = 5,
    TriangleFan = 6,
};

enum class RenderState : uint32_t {
    ZEnable = 7,
    FillMode = 8,
    ShadeMode = 9,
    ZWriteEnable = 14,
    AlphaTestEnable = 15,
    LastPixel = 16,
    SrcBlend = 19,
    DestBlend = 20,
    CullMode = 22,
    ZFunc = 23,
    AlphaRef = 24,
    AlphaFunc = 25,
    DitherEnable = 26,
    AlphaBlendEnable = 27,
    FogEnable = 28,
    SpecularEnable = 29,
    FogColor = 34,
    FogTableMode = 35,
    FogStart = 36,
    FogEnd = 37,
    FogDensity = 38,
    RangeFogEnable = 48,
    StencilEnable = 52,
    StencilFail = 53,
    StencilZFail = 54,
    StencilPass = 55,
    StencilFunc = 56,
    StencilRef = 57,
    StencilMask = 58,
    StencilWriteMask = 59,
    TextureFactor = 60,
    Wrap0 = 128,
    Clipping = 136,
    Lighting = 137,
    Ambient = 139,
    FogVertexMode = 140,
    ColorVertex = 141,
    LocalViewer = 142,
    NormalizeNormals = 143,
    DiffuseMaterialSource = 145,
    SpecularMaterialSource = 146,
    AmbientMaterialSource = 147,
    EmissiveMaterialSource = 148,
    VertexBlend = 151,
    ClipPlaneEnable = 152,
    PointSize = 154,
    PointSizeMin = 155,
    PointSpriteEnable = 156,
    MultiSampleAntialias = 161,
    MultiSampleMask = 162,
    ColorWriteEnable = 168,
    BlendOp = 171,
    ScissorTestEnable = 174,
    SlopeScaleDepthBias = 175,
    AntialiasedLineEnable = 176,
    TwoSidedStencilMode = 185,
    CcwStencilFail = 186,
    CcwStencilZFail = 187,
    CcwStencilPass = 188,
    CcwStencilFunc = 189,
    ColorWriteEnable1 = 190,
    ColorWriteEnable2 = 191,
    ColorWriteEnable3 = 192,
    BlendFactor = 193,
    SrgbWriteEnable = 194,
    DepthBias = 195,
    SeparateAlphaBlendEnable = 206,
    SrcBlendAlpha = 207,
    DestBlendAlpha = 208,
    BlendOpAlpha = 209,
};
constexpr uint32_t RENDER_STATE_COUNT = 210;

enum ZBufferType : uint32_t { ZB_FALSE = 0, ZB_TRUE = 1, ZB_USEW = 2 };
enum FillMode : uint32_t { FILL_POINT = 1, FILL_WIREFRAME = 2, FILL_SOLID = 3 };
enum Cull : uint32_t { CULL_NONE = 1, CULL_CW = 2, CULL_CCW = 3 };
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
    CMP_NEVER = 1,
    CMP_LESS = 2,
    CMP_EQUAL = 3,
    CMP_LESSEQUAL = 4,
    CMP_GREATER = 5,
    CMP_NOTEQUAL = 6,
    CMP_GREATEREQUAL = 7,
    CMP_ALWAYS = 8,
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

enum class SamplerState : uint32_t {
    AddressU = 1,
    AddressV = 2,
    AddressW = 3,
    BorderColor = 4,
    MagFilter = 5,
    MinFilter = 6,
    MipFilter = 7,
    MipMapLodBias = 8, // the float's bit pattern
    MaxMipLevel = 9,
    MaxAnisotropy = 10,
};
constexpr uint32_t SAMPLER_STATE_COUNT = 11;
enum TexAddress : uint32_t {
    TADDRESS_WRAP = 1,
    TADDRESS_MIRROR = 2,
    TADDRESS_CLAMP = 3,
    TADDRESS_BORDER = 4,
    TADDRESS_MIRRORONCE = 5,
};
enum TexFilter : uint32_t {
    TEXF_NONE = 0,
    TEXF_POINT = 1,
    TEXF_LINEAR = 2,
    TEXF_ANISOTROPIC = 3,
};

// Texture-stage states of the built-in pixel stage (used when no pixel shader is set).
enum class TextureStageState : uint32_t {
    ColorOp = 1,
    ColorArg1 = 2,
    ColorArg2 = 3,
    AlphaOp = 4,
    AlphaArg1 = 5,
    AlphaArg2 = 6,
    TexCoordIndex = 11,
    TextureTransformFlags = 24,
};
constexpr uint32_t TEXTURE_STAGE_STATE_COUNT = 33;
enum TextureOp : uint32_t {
    TOP_DISABLE = 1,
    TOP_SELECTARG1 = 2,
    TOP_SELECTARG2 = 3,
    TOP_MODULATE = 4,
    TOP_MODULATE2X = 5,
    TOP_MODULATE4X = 6,
    TOP_ADD = 7,
};
enum TextureArg : uint32_t {
    TA_DIFFUSE = 0,
    TA_CURRENT = 1,
    TA_TEXTURE = 2,
    TA_TFACTOR = 3,
};

enum class TransformState : uint32_t { View = 2, Projection = 3, Texture0 = 16, World = 256 };

// Vertex declarations: elements in stream order, ended by declEnd().
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
constexpr uint8_t DECLMETHOD_DEFAULT = 0;
constexpr uint32_t MAX_STREAMS = 16;
constexpr uint32_t MAX_SAMPLERS = 16;
constexpr uint32_t MAX_VERTEX_CONSTANTS = 256;
constexpr uint32_t MAX_PIXEL_CONSTANTS = 224;

struct VertexElement {
    uint16_t stream = 0;
    uint16_t offset = 0;
    uint8_t type = DECLTYPE_FLOAT3;
    uint8_t method = DECLMETHOD_DEFAULT;
    uint8_t usage = DECLUSAGE_POSITION;
    uint8_t usageIndex = 0;
};
constexpr VertexElement declEnd() {
    return {0xFF, 0, DECLTYPE_UNUSED, 0, 0, 0};
}

enum class QueryType : uint32_t {
    VCache = 4,
    ResourceManager = 5,
    VertexStats = 6,
    Event = 8,
    Occlusion = 9,
    Timestamp = 10,
    TimestampDisjoint = 11,
    TimestampFreq = 12,
    PipelineTimings = 13,
    InterfaceTimings = 14,
    VertexTimings = 15,
    PixelTimings = 16,
    BandwidthTimings = 17,
    CacheUtilization = 18,
};
namespace issue {
constexpr uint32_t END = 1;
constexpr uint32_t BEGIN = 2;
} // namespace issue
namespace getdata {
constexpr uint32_t FLUSH = 1;
} // namespace getdata

// ---------------------------------------------------------------------------------------------
// Records

struct DisplayMode {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t refreshRate = 0;
    Format format = Format::Unknown;
};

struct AdapterIdentifier {
    char driver[512] = {};
    char description[512] = {};
    char deviceName[32] = {};
    uint64_t driverVersion = 0;
    uint32_t vendorId = 0;
    uint32_t deviceId = 0;
    uint32_t subSysId = 0;
    uint32_t revision = 0;
    uint8_t deviceIdentifier[16] = {};
    uint32_t whqlLevel = 0;
};

struct PresentParams {
    // 0 takes the window's client size.
    uint32_t backBufferWidth = 0;
    uint32_t backBufferHeight = 0;
    Format backBufferFormat = Format::Unknown;
    uint32_t backBufferCount = 0;
    MultiSample multiSampleType = MultiSample::None;
    uint32_t multiSampleQuality = 0;
    SwapEffect swapEffect = SwapEffect::Discard;
    // The window to show the picture in; null keeps the picture inside the device.
    WindowHandle deviceWindow = nullptr;
    bool windowed = true;
    bool enableAutoDepthStencil = false;
    Format autoDepthStencilFormat = Format::Unknown;
    uint32_t flags = 0;
    uint32_t fullScreenRefreshRate = 0;
    uint32_t presentationInterval = present::INTERVAL_DEFAULT;
};

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

struct Viewport {
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    float minZ = 0.0f;
    float maxZ = 1.0f;
};

struct SurfaceDesc {
    Format format = Format::Unknown;
    ResourceType type = ResourceType::Surface;
    uint32_t usage = 0;
    Pool pool = Pool::Default;
    MultiSample multiSampleType = MultiSample::None;
    uint32_t multiSampleQuality = 0;
    uint32_t width = 0;
    uint32_t height = 0;
};

struct LockedRect {
    int32_t pitch = 0; // bytes from one row (or block row) to the next
    void* bits = nullptr;
};

struct BufferDesc {
    uint32_t size = 0;
    uint32_t usage = 0;
    Pool pool = Pool::Default;
    Format format = Format::Unknown; // index buffers: Index16 or Index32
};

// A row-major 4x4 matrix, row vectors, translation in elements 12..14.
struct Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

// ---------------------------------------------------------------------------------------------
// Objects. Every object is shared: the device and its users hold it by std::shared_ptr, and the
// last holder frees it. Objects are used on the thread that owns the device.

class Surface {
public:
    virtual ~Surface() = default;
    virtual Result getDesc(SurfaceDesc& out) const = 0;
    // Write or read access to a rectangle (null: all). InvalidCall for surfaces that cannot be
    // locked (render targets, depth-stencil surfaces) or a surface already locked.
    virtual Result lockRect(LockedRect& out, const Rect* rect, uint32_t flags) = 0;
    virtual Result unlockRect() = 0;
};

class Texture {
public:
    virtual ~Texture() = default;
    virtual uint32_t getLevelCount() const = 0;
    virtual Result getLevelDesc(uint32_t level, SurfaceDesc& out) const = 0;
    // The surface of one level; a render target's level 0 can be made the render target.
    virtual Result getSurfaceLevel(uint32_t level, std::shared_ptr<Surface>& out) = 0;
    virtual Result lockRect(uint32_t level, LockedRect& out, const Rect* rect, uint32_t flags) = 0;
    virtual Result unlockRect(uint32_t level) = 0;
    // Rebuilds levels 1.. from level 0 with a box filter.
    virtual void generateMipSubLevels() = 0;
};

class VertexBuffer {
public:
    virtual ~VertexBuffer() = default;
    virtual BufferDesc getDesc() const = 0;
    // size 0 locks from offset to the end.
    virtual Result lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
    virtual Result unlock() = 0;
};

class IndexBuffer {
public:
    virtual ~IndexBuffer() = default;
    virtual BufferDesc getDesc() const = 0;
    virtual Result lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
    virtual Result unlock() = 0;
};

class VertexDeclaration {
public:
    virtual ~VertexDeclaration() = default;
    // The elements including the end marker.
    virtual uint32_t getElements(VertexElement* out, uint32_t capacity) const = 0;
};

class VertexShader {
public:
    virtual ~VertexShader() = default;
};

class PixelShader {
public:
    virtual ~PixelShader() = default;
};

class Query {
public:
    virtual ~Query() = default;
    virtual QueryType getType() const = 0;
    // Size of the result: 4 for event, occlusion and disjoint, 8 for timestamps.
    virtual uint32_t getDataSize() const = 0;
    // issue::BEGIN or issue::END; a type that has no begin refuses it with InvalidCall.
    virtual Result issue(uint32_t flags) = 0;
    // Ok with the result copied, NotReady while it runs, an error otherwise.
    virtual Result getData(void* data, uint32_t size, uint32_t flags) = 0;
};

class Device {
public:
    virtual ~Device() = default;

    virtual Result getDeviceCaps(Caps& out) const = 0;
    virtual Result getDisplayMode(DisplayMode& out) const = 0;
    virtual Result getCreationParameters(uint32_t& adapter, DeviceType& type,
                                         uint32_t& behaviorFlags) const = 0;

    // Ok, DeviceLost (not yet resettable) or DeviceNotReset (reset now).
    virtual Result testCooperativeLevel() = 0;
    // Rebuilds the back buffer and depth-stencil surface with new parameters (0 sizes take
    // the window's client size and are written back). InvalidCall while a default-pool
    // resource or a reference to the back buffer or depth-stencil surface is alive. Every
    // state goes back to its default.
    virtual Result reset(PresentParams& params) = 0;
    // Shows the back buffer on the window, stretched to the window's size.
    virtual Result present() = 0;
    virtual Result getBackBuffer(uint32_t index, std::shared_ptr<Surface>& out) = 0;
    virtual Result getDepthStencilSurface(std::shared_ptr<Surface>& out) = 0;
    // The window's picture as last presented, into a system-memory A8R8G8B8 surface of its
    // size (top row first).
    virtual Result getFrontBufferData(Surface* dest) = 0;
    // Copies a render target into a system-memory surface of the same size and format.
    virtual Result getRenderTargetData(Surface* renderTarget, Surface* dest) = 0;
    // Copies (and scales with a point or linear filter) between render-target surfaces.
    virtual Result stretchRect(Surface* src, const Rect* srcRect, Surface* dst, const Rect* dstRect,
                               TexFilter filter) = 0;

    virtual Result beginScene() = 0;
    virtual Result endScene() = 0;
    // Clears the viewport (or the given rectangles within it) of the current targets.
    virtual Result clear(uint32_t rectCount, const Rect* rects, uint32_t flags, uint32_t color,
                         float z, uint32_t stencil) = 0;

    // Target 0 also resets the viewport to the whole surface; null is refused for target 0.
    virtual Result setRenderTarget(uint32_t index, Surface* surface) = 0;
    virtual Result getRenderTarget(uint32_t index, std::shared_ptr<Surface>& out) = 0;
    virtual Result setDepthStencilSurface(Surface* surface) = 0;
    virtual Result setViewport(const Viewport& viewport) = 0;
    virtual Result getViewport(Viewport& out) const = 0;
    virtual Result setScissorRect(const Rect& rect) = 0;
    virtual Result getScissorRect(Rect& out) const = 0;

    virtual Result setRenderState(RenderState state, uint32_t value) = 0;
    virtual Result getRenderState(RenderState state, uint32_t& out) const = 0;
    virtual Result setSamplerState(uint32_t sampler, SamplerState state, uint32_t value) = 0;
    virtual Result getSamplerState(uint32_t sampler, SamplerState state, uint32_t& out) const = 0;
    virtual Result setTextureStageState(uint32_t stage, TextureStageState state,
                                        uint32_t value) = 0;
    virtual Result getTextureStageState(uint32_t stage, TextureStageState state,
                                        uint32_t& out) const = 0;
    virtual Result setTransform(TransformState state, const Matrix& matrix) = 0;
    virtual Result getTransform(TransformState state, Matrix& out) const = 0;
    virtual Result setTexture(uint32_t stage, Texture* texture) = 0;

    virtual Result createTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                 Format format, Pool pool, std::shared_ptr<Texture>& out) = 0;
    virtual Result createRenderTarget(uint32_t width, uint32_t height, Format format,
                                      MultiSample multiSample, uint32_t quality, bool lockable,
                                      std::shared_ptr<Surface>& out) = 0;
    virtual Result createDepthStencilSurface(uint32_t width, uint32_t height, Format format,
                                             MultiSample multiSample, uint32_t quality,
                                             bool discard, std::shared_ptr<Surface>& out) = 0;
    virtual Result createOffscreenPlainSurface(uint32_t width, uint32_t height, Format format,
                                               Pool pool, std::shared_ptr<Surface>& out) = 0;
    virtual Result createVertexBuffer(uint32_t length, uint32_t usage, Pool pool,
                                      std::shared_ptr<VertexBuffer>& out) = 0;
    virtual Result createIndexBuffer(uint32_t length, uint32_t usage, Format format, Pool pool,
                                     std::shared_ptr<IndexBuffer>& out) = 0;
    virtual Result createVertexDeclaration(const VertexElement* elements,
                                           std::shared_ptr<VertexDeclaration>& out) = 0;
    // GLSL bodies as described at the top; InvalidCall with the compiler's log kept for
    // getLastShaderLog when they do not compile.
    virtual Result createVertexShader(const char* source, std::shared_ptr<VertexShader>& out) = 0;
    virtual Result createPixelShader(const char* source, std::shared_ptr<PixelShader>& out) = 0;
    virtual const char* getLastShaderLog() const = 0;
    virtual Result createQuery(QueryType type, std::shared_ptr<Query>* out) = 0;

    virtual Result setVertexDeclaration(VertexDeclaration* declaration) = 0;
    virtual Result getVertexDeclaration(std::shared_ptr<VertexDeclaration>& out) = 0;
    virtual Result setStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t offset,
                                   uint32_t stride) = 0;
    virtual Result setIndices(IndexBuffer* buffer) = 0;
    virtual Result setVertexShader(VertexShader* shader) = 0;
    virtual Result setPixelShader(PixelShader* shader) = 0;
    virtual Result setVertexShaderConstantF(uint32_t start, const float* data,
                                            uint32_t vec4Count) = 0;
    virtual Result setPixelShaderConstantF(uint32_t start, const float* data,
                                           uint32_t vec4Count) = 0;

    virtual Result drawPrimitive(PrimitiveType type, uint32_t startVertex,
                                 uint32_t primitiveCount) = 0;
    virtual Result drawIndexedPrimitive(PrimitiveType type, int32_t baseVertex, uint32_t minIndex,
                                        uint32_t numVertices, uint32_t startIndex,
                                        uint32_t primitiveCount) = 0;
    // Draws from the caller's memory; stream 0 and the index buffer are unset afterwards.
    virtual Result drawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount,
                                   const void* vertices, uint32_t stride) = 0;
    virtual Result drawIndexedPrimitiveUP(PrimitiveType type, uint32_t minIndex,
                                          uint32_t numVertices, uint32_t primitiveCount,
                                          const void* indices, Format indexFormat,
                                          const void* vertices, uint32_t stride) = 0;
};

// The adapter object, made first; it answers for adapter 0 (the display the window is on).
class System {
public:
    virtual ~System() = default;
    virtual uint32_t getAdapterCount() const = 0;
    virtual Result getAdapterIdentifier(uint32_t adapter, AdapterIdentifier& out) const = 0;
    // Full-screen modes of a display format (X8R8G8B8 or A8R8G8B8).
    virtual uint32_t getAdapterModeCount(uint32_t adapter, Format format) const = 0;
    virtual Result enumAdapterModes(uint32_t adapter, Format format, uint32_t index,
                                    DisplayMode& out) const = 0;
    virtual Result getAdapterDisplayMode(uint32_t adapter, DisplayMode& out) const = 0;
    virtual Result checkDeviceFormat(uint32_t adapter, DeviceType type, Format displayFormat,
                                     uint32_t usage, ResourceType resourceType,
                                     Format format) const = 0;
    virtual Result checkDeviceMultiSampleType(uint32_t adapter, DeviceType type, Format format,
                                              bool windowed, MultiSample multiSample,
                                              uint32_t* qualityLevels) const = 0;
    virtual Result getDeviceCaps(uint32_t adapter, DeviceType type, Caps& out) const = 0;
    // One device per process; focusWindow may be null (the picture then stays in the device).
    virtual Result createDevice(uint32_t adapter, DeviceType type, WindowHandle focusWindow,
                                uint32_t behaviorFlags, PresentParams& params,
                                std::shared_ptr<Device>& out) = 0;
};

// Makes the adapter object; null when no OpenGL 3.3 implementation can be reached.
std::shared_ptr<System> createSystem();

} // namespace zqp::gpu
