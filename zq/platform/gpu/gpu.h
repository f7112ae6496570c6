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
//
// The value types are in gpu_types.h, the capability record in gpu_caps.h.
#pragma once

#include "zq/platform/gpu/gpu_types.h"

#include <cstdint>
#include <memory>

namespace zqp::gpu {

struct Caps;

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
