// The graphics device's value types: results, the numbered enumerations and flags the
// graphics classes store (formats, pools, usages, render, sampler and texture-stage states,
// vertex element types, queries) and the plain records passed to and from the device
// (display modes, present parameters, viewports, surface and buffer descriptions, matrices).
// The numbers are the ones the graphics classes' tables and files hold.
// Not for: the capability record (gpu_caps.h) or the device objects (gpu.h).
// Depends on: the window service's handle and rectangle.
#pragma once

#include "zq/platform/gpu/gpu_values.h"
#include "zq/platform/window/window.h"

#include <cstdint>

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

// Vertex declarations: elements in stream order, ended by declEnd(); types and usages are in
// gpu_values.h.
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

} // namespace zqp::gpu
