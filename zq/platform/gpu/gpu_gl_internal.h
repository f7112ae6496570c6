// Internals of the OpenGL 3.3 device: the context, the adapter facts read from it, the format
// table, the resource classes and the device class. Only the gpu_gl*.cpp files include this.
#pragma once

#include "zq/platform/gpu/gpu.h"
#include "zq/platform/gpu/gpu_caps.h"
#include "zq/platform/gpu/gpu_test.h"

#include <epoxy/gl.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zqp::gpu::gl {

// ---------------------------------------------------------------------------------------------
// Context

// One OpenGL context: from a window of the window service, or EGL surfaceless with no
// display. Resources hold it so that their GL names are deleted while it still exists.
class Context {
public:
    // Null when no 3.3 core context can be made.
    static std::shared_ptr<Context> create(WindowHandle window);
    Context() = default;
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    bool hasWindow() const { return m_window != nullptr; }
    WindowHandle window() const { return m_window; }
    void makeCurrent() const;
    // The window's drawable size in pixels (0 without a window).
    void drawableSize(int& width, int& height) const;
    void swap() const;
    // Presentation interval: 0 none, 1 every retrace. Refusal is not an error.
    void setSwapInterval(int interval) const;
    bool isDoubleBuffered() const { return m_doubleBuffered; }
    bool isCurrent() const;

private:
    WindowHandle m_window = nullptr;
    void* m_sdlContext = nullptr;
    void* m_eglContext = nullptr;
    bool m_doubleBuffered = true;
};

// Adapter facts, read once per process from a short-lived context.
struct AdapterFacts {
    bool valid = false;
    std::string vendor;
    std::string renderer;
    std::string version;
    int maxTextureSize = 0;
    int max3dTextureSize = 0;
    int maxCubeSize = 0;
    int maxSamples = 0;
    std::vector<int> sampleCounts; // of RGBA8 renderbuffers
    std::vector<int> depthSampleCounts;
    float maxAnisotropy = 1.0f;
    float maxPointSize = 1.0f;
    int maxVertexUniformVectors = 0;
    int maxFragmentUniformVectors = 0;
    int maxTextureUnits = 0;
    int maxClipDistances = 0;
    bool clipControl = false;
    bool s3tc = false;
    bool anisotropic = false;
};
const AdapterFacts& adapterFacts();
// The display's current mode and full-screen modes (from the window service's displays).
bool currentDisplayMode(DisplayMode& out);
std::vector<DisplayMode> fullScreenModes(Format format);

// ---------------------------------------------------------------------------------------------
// Test hooks

// True (and the forced result in out) when a test forced this call.
bool forced(test::Call call, Result& out);
// The capability record of the adapter, test filter applied.
Caps deviceCaps();
void applyCapsFilter(Caps& caps);
uint32_t vendorIdOverride();
// Whether a test refused this format.
bool formatRefused(Format format);

// ---------------------------------------------------------------------------------------------
// Formats

struct FormatInfo {
    Format format = Format::Unknown;
    GLenum internalFormat = 0;
    GLenum uploadFormat = 0;
    GLenum uploadType = 0;
    uint32_t bytesPerPixel = 0; // bytes per 4x4 block when compressed
    bool compressed = false;
    bool depth = false;
    bool renderable = false;
    std::array<GLint, 4> swizzle = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
};
// Null for a format the device does not have.
const FormatInfo* formatInfo(Format format);
// Bytes of one row of blocks or pixels, and of a whole level.
uint32_t rowPitch(const FormatInfo& info, uint32_t width);
uint32_t levelSize(const FormatInfo& info, uint32_t width, uint32_t height);

// ---------------------------------------------------------------------------------------------
// Resources

class GlDevice;
class GlTexture;

class GlSurface final : public Surface, public std::enable_shared_from_this<GlSurface> {
public:
    enum class Kind { Renderbuffer, TextureLevel, SystemMemory };

    GlSurface(std::shared_ptr<Context> context, Kind kind, const SurfaceDesc& desc);
    ~GlSurface() override;

    Result getDesc(SurfaceDesc& out) const override;
    Result lockRect(LockedRect& out, const Rect* rect, uint32_t flags) override;
    Result unlockRect() override;

    Kind kind() const { return m_kind; }
    const SurfaceDesc& desc() const { return m_desc; }
    GLuint renderbuffer() const { return m_renderbuffer; }
    GLuint textureName() const;
    uint32_t level() const { return m_level; }
    std::vector<uint8_t>& memory() { return m_memory; }
    // Attaches this surface to the bound draw or read framebuffer.
    void attach(GLenum target, GLenum attachment) const;

    GLuint m_renderbuffer = 0;
    std::shared_ptr<GlTexture> m_texture; // the texture of a level surface
    uint32_t m_level = 0;

private:
    std::shared_ptr<Context> m_context;
    Kind m_kind;
    SurfaceDesc m_desc;
    std::vector<uint8_t> m_memory; // system-memory surfaces
    bool m_locked = false;
};

class GlTexture final : public Texture, public std::enable_shared_from_this<GlTexture> {
public:
    GlTexture(std::shared_ptr<Context> context, const FormatInfo& info, uint32_t width,
              uint32_t height, uint32_t levels, uint32_t usage, Pool pool);
    ~GlTexture() override;

    uint32_t getLevelCount() const override { return m_levels; }
    Result getLevelDesc(uint32_t level, SurfaceDesc& out) const override;
    Result getSurfaceLevel(uint32_t level, std::shared_ptr<Surface>& out) override;
    Result lockRect(uint32_t level, LockedRect& out, const Rect* rect, uint32_t flags) override;
    Result unlockRect(uint32_t level) override;
    void generateMipSubLevels() override;

    GLuint name() const { return m_name; }
    const FormatInfo& info() const { return m_info; }
    Pool pool() const { return m_pool; }
    uint32_t usage() const { return m_usage; }
    uint32_t width() const { return m_width; }
    uint32_t height() const { return m_height; }

private:
    struct LevelLock {
        bool locked = false;
        bool readOnly = false;
        std::vector<uint8_t> staging;
    };
    uint32_t levelWidth(uint32_t level) const;
    uint32_t levelHeight(uint32_t level) const;

    std::shared_ptr<Context> m_context;
    const FormatInfo& m_info;
    GLuint m_name = 0;
    uint32_t m_width;
    uint32_t m_height;
    uint32_t m_levels;
    uint32_t m_usage;
    Pool m_pool;
    std::vector<LevelLock> m_locks;
};

// Vertex and index data: a GL buffer with a copy in memory that locks hand out.
class GlBuffer {
public:
    GlBuffer(std::shared_ptr<Context> context, const BufferDesc& desc);
    ~GlBuffer();
    GlBuffer(const GlBuffer&) = delete;
    GlBuffer& operator=(const GlBuffer&) = delete;
    Result lock(uint32_t offset, uint32_t size, void** data, uint32_t flags);
    Result unlock();
    GLuint name() const { return m_name; }
    const BufferDesc& desc() const { return m_desc; }
    const uint8_t* data() const { return m_shadow.data(); }

private:
    std::shared_ptr<Context> m_context;
    BufferDesc m_desc;
    GLuint m_name = 0;
    std::vector<uint8_t> m_shadow;
    bool m_locked = false;
    bool m_readOnly = false;
    uint32_t m_lockOffset = 0;
    uint32_t m_lockSize = 0;
};

class GlVertexBuffer final : public VertexBuffer,
                             public std::enable_shared_from_this<GlVertexBuffer> {
public:
    GlVertexBuffer(std::shared_ptr<Context> context, const BufferDesc& desc)
        : m_buffer(std::move(context), desc) {}
    BufferDesc getDesc() const override { return m_buffer.desc(); }
    Result lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override {
        return m_buffer.lock(offset, size, data, flags);
    }
    Result unlock() override { return m_buffer.unlock(); }
    GlBuffer m_buffer;
};

class GlIndexBuffer final : public IndexBuffer, public std::enable_shared_from_this<GlIndexBuffer> {
public:
    GlIndexBuffer(std::shared_ptr<Context> context, const BufferDesc& desc)
        : m_buffer(std::move(context), desc) {}
    BufferDesc getDesc() const override { return m_buffer.desc(); }
    Result lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override {
        return m_buffer.lock(offset, size, data, flags);
    }
    Result unlock() override { return m_buffer.unlock(); }
    GlBuffer m_buffer;
};

class GlVertexDeclaration final : public VertexDeclaration,
                                  public std::enable_shared_from_this<GlVertexDeclaration> {
public:
    explicit GlVertexDeclaration(std::vector<VertexElement> elements);
    uint32_t getElements(VertexElement* out, uint32_t capacity) const override;
    // Elements without the end marker.
    const std::vector<VertexElement>& elements() const { return m_elements; }
    bool pretransformed() const { return m_pretransformed; }
    const uint32_t m_id;

private:
    std::vector<VertexElement> m_elements;
    bool m_pretransformed = false;
};

class GlShader {
public:
    GlShader(std::shared_ptr<Context> context, GLuint name);
    ~GlShader();
    GlShader(const GlShader&) = delete;
    GlShader& operator=(const GlShader&) = delete;
    GLuint name() const { return m_name; }
    const uint32_t m_id;

private:
    std::shared_ptr<Context> m_context;
    GLuint m_name;
};

class GlVertexShader final : public VertexShader,
                             public std::enable_shared_from_this<GlVertexShader> {
public:
    GlVertexShader(std::shared_ptr<Context> context, GLuint name)
        : m_shader(std::move(context), name) {}
    GlShader m_shader;
};

class GlPixelShader final : public PixelShader, public std::enable_shared_from_this<GlPixelShader> {
public:
    GlPixelShader(std::shared_ptr<Context> context, GLuint name)
        : m_shader(std::move(context), name) {}
    GlShader m_shader;
};

class GlQuery final : public Query {
public:
    GlQuery(std::shared_ptr<Context> context, QueryType type);
    ~GlQuery() override;
    QueryType getType() const override { return m_type; }
    uint32_t getDataSize() const override;
    Result issue(uint32_t flags) override;
    Result getData(void* data, uint32_t size, uint32_t flags) override;

private:
    enum class Phase { Idle, Building, Issued };
    std::shared_ptr<Context> m_context;
    QueryType m_type;
    GLuint m_name = 0;
    GLsync m_sync = nullptr;
    Phase m_phase = Phase::Idle;
};
bool isQueryTypeSupported(QueryType type);

// ---------------------------------------------------------------------------------------------
// Programs: a vertex stage and a pixel stage linked with the device's own parts.

// Shader stages made from the caller's GLSL body; 0 on failure with the log in log.
GLuint compileVertexShader(const char* body, std::string& log);
GLuint compilePixelShader(const char* body, std::string& log);
// The device's own stages used without a caller's shader.
GLuint compileFixedVertexShader(std::string& log);
GLuint compileFixedPixelShader(std::string& log);
// Ids of shaders and declarations, never reused; 0 stands for the device's own stage.
uint32_t nextObjectId();
// Ids of shaders destroyed since the last call (their programs can go).
std::vector<uint32_t> takeDeadShaderIds();

struct Program {
    GLuint name = 0;
    GLint vc = -1; // zq_vc
    GLint pc = -1; // zq_pc
    GLint vcCount = 0;
    GLint pcCount = 0;
    GLint posFix = -1;
    GLint alphaTest = -1;
    GLint ffpTransform = -1;
    GLint ffpMode = -1;
    GLint ffpViewport = -1;
    GLint ffpStage = -1;
    GLint ffpStage2 = -1;
    GLint ffpFactor = -1;
    uint64_t vcVersion = 0;
    uint64_t pcVersion = 0;
};
// Links two compiled stages; the program's samplers are bound to their stages.
bool linkProgram(GLuint vs, GLuint ps, Program& out, std::string& log);

// ---------------------------------------------------------------------------------------------
// Device

class GlDevice final : public Device, public std::enable_shared_from_this<GlDevice> {
public:
    GlDevice(std::shared_ptr<Context> context, uint32_t adapter, DeviceType type,
             uint32_t behaviorFlags);
    ~GlDevice() override;
    // Builds the device's own objects and the back buffer; false on failure.
    Result init(PresentParams& params);

    Result getDeviceCaps(Caps& out) const override;
    Result getDisplayMode(DisplayMode& out) const override;
    Result getCreationParameters(uint32_t& adapter, DeviceType& type,
                                 uint32_t& behaviorFlags) const override;
    Result testCooperativeLevel() override;
    Result reset(PresentParams& params) override;
    Result present() override;
    Result getBackBuffer(uint32_t index, std::shared_ptr<Surface>& out) override;
    Result getDepthStencilSurface(std::shared_ptr<Surface>& out) override;
    Result getFrontBufferData(Surface* dest) override;
    Result getRenderTargetData(Surface* renderTarget, Surface* dest) override;
    Result stretchRect(Surface* src, const Rect* srcRect, Surface* dst, const Rect* dstRect,
                       TexFilter filter) override;
    Result beginScene() override;
    Result endScene() override;
    Result clear(uint32_t rectCount, const Rect* rects, uint32_t flags, uint32_t color, float z,
                 uint32_t stencil) override;
    Result setRenderTarget(uint32_t index, Surface* surface) override;
    Result getRenderTarget(uint32_t index, std::shared_ptr<Surface>& out) override;
    Result setDepthStencilSurface(Surface* surface) override;
    Result setViewport(const Viewport& viewport) override;
    Result getViewport(Viewport& out) const override;
    Result setScissorRect(const Rect& rect) override;
    Result getScissorRect(Rect& out) const override;
    Result setRenderState(RenderState state, uint32_t value) override;
    Result getRenderState(RenderState state, uint32_t& out) const override;
    Result setSamplerState(uint32_t sampler, SamplerState state, uint32_t value) override;
    Result getSamplerState(uint32_t sampler, SamplerState state, uint32_t& out) const override;
    Result setTextureStageState(uint32_t stage, TextureStageState state, uint32_t value) override;
    Result getTextureStageState(uint32_t stage, TextureStageState state,
                                uint32_t& out) const override;
    Result setTransform(TransformState state, const Matrix& matrix) override;
    Result getTransform(TransformState state, Matrix& out) const override;
    Result setTexture(uint32_t stage, Texture* texture) override;
    Result createTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                         Format format, Pool pool, std::shared_ptr<Texture>& out) override;
    Result createRenderTarget(uint32_t width, uint32_t height, Format format,
                              MultiSample multiSample, uint32_t quality, bool lockable,
                              std::shared_ptr<Surface>& out) override;
    Result createDepthStencilSurface(uint32_t width, uint32_t height, Format format,
                                     MultiSample multiSample, uint32_t quality, bool discard,
                                     std::shared_ptr<Surface>& out) override;
    Result createOffscreenPlainSurface(uint32_t width, uint32_t height, Format format, Pool pool,
                                       std::shared_ptr<Surface>& out) override;
    Result createVertexBuffer(uint32_t length, uint32_t usage, Pool pool,
                              std::shared_ptr<VertexBuffer>& out) override;
    Result createIndexBuffer(uint32_t length, uint32_t usage, Format format, Pool pool,
                             std::shared_ptr<IndexBuffer>& out) override;
    Result createVertexDeclaration(const VertexElement* elements,
                                   std::shared_ptr<VertexDeclaration>& out) override;
    Result createVertexShader(const char* source, std::shared_ptr<VertexShader>& out) override;
    Result createPixelShader(const char* source, std::shared_ptr<PixelShader>& out) override;
    const char* getLastShaderLog() const override { return m_shaderLog.c_str(); }
    Result createQuery(QueryType type, std::shared_ptr<Query>* out) override;
    Result setVertexDeclaration(VertexDeclaration* declaration) override;
    Result getVertexDeclaration(std::shared_ptr<VertexDeclaration>& out) override;
    Result setStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t offset,
                           uint32_t stride) override;
    Result setIndices(IndexBuffer* buffer) override;
    Result setVertexShader(VertexShader* shader) override;
    Result setPixelShader(PixelShader* shader) override;
    Result setVertexShaderConstantF(uint32_t start, const float* data, uint32_t vec4Count) override;
    Result setPixelShaderConstantF(uint32_t start, const float* data, uint32_t vec4Count) override;
    Result drawPrimitive(PrimitiveType type, uint32_t startVertex,
                         uint32_t primitiveCount) override;
    Result drawIndexedPrimitive(PrimitiveType type, int32_t baseVertex, uint32_t minIndex,
                                uint32_t numVertices, uint32_t startIndex,
                                uint32_t primitiveCount) override;
    Result drawPrimitiveUP(PrimitiveType type, uint32_t primitiveCount, const void* vertices,
                           uint32_t stride) override;
    Result drawIndexedPrimitiveUP(PrimitiveType type, uint32_t minIndex, uint32_t numVertices,
                                  uint32_t primitiveCount, const void* indices, Format indexFormat,
                                  const void* vertices, uint32_t stride) override;

private:
    struct Stream {
        std::shared_ptr<VertexBuffer> buffer;
        uint32_t offset = 0;
        uint32_t stride = 0;
    };

    Result buildBackBuffer(PresentParams& params);
    void applyWindowMode(const PresentParams& params);
    void resetStates();
    void applyRenderStates();
    void applySampler(uint32_t stage);
    void bindTargets();
    Program* currentProgram(bool pretransformed);
    void setupVertexInput(const uint8_t* userVertices, uint32_t userStride);
    // Points the attributes at the streams, or stream 0 at the caller's vertices.
    void setupVertexInputIfReady(uint32_t upStride);
    void uploadUniforms(Program& program, bool pretransformed);
    Result draw(PrimitiveType type, uint32_t primitiveCount, bool indexed, int32_t baseVertex,
                uint32_t startIndex, const void* userIndices, Format userIndexFormat);
    bool trackDefault(const std::shared_ptr<void>& resource);
    bool defaultResourcesAlive();

    std::shared_ptr<Context> m_context;
    uint32_t m_adapter;
    DeviceType m_type;
    uint32_t m_behaviorFlags;
    PresentParams m_params;
    Caps m_caps;

    std::shared_ptr<GlSurface> m_backBuffer;
    std::shared_ptr<GlSurface> m_autoDepth;
    GLuint m_drawFbo = 0;
    GLuint m_readFbo = 0;
    GLuint m_resolveFbo = 0;
    GLuint m_resolveRb = 0;
    uint32_t m_resolveWidth = 0;
    uint32_t m_resolveHeight = 0;
    // The picture shown last when there is no window (top row first).
    GLuint m_frontRb = 0;
    uint32_t m_frontWidth = 0;
    uint32_t m_frontHeight = 0;
    GLuint m_vao = 0;
    GLuint m_upVertexBuffer = 0;
    GLuint m_upIndexBuffer = 0;
    std::array<GLuint, MAX_SAMPLERS> m_samplers = {};

    std::array<std::shared_ptr<GlSurface>, 4> m_renderTargets;
    std::shared_ptr<GlSurface> m_depthStencil;
    bool m_targetsDirty = true;
    Viewport m_viewport;
    Rect m_scissor;
    bool m_inScene = false;

    std::array<uint32_t, RENDER_STATE_COUNT> m_rs = {};
    bool m_rsDirty = true;
    std::array<std::array<uint32_t, SAMPLER_STATE_COUNT>, MAX_SAMPLERS> m_ss = {};
    std::array<bool, MAX_SAMPLERS> m_ssDirty = {};
    std::array<std::array<uint32_t, TEXTURE_STAGE_STATE_COUNT>, 8> m_tss = {};
    Matrix m_world;
    Matrix m_view;
    Matrix m_projection;
    std::array<std::shared_ptr<GlTexture>, MAX_SAMPLERS> m_textures;
    std::array<bool, MAX_SAMPLERS> m_compareMode = {};

    std::shared_ptr<GlVertexDeclaration> m_declaration;
    std::array<Stream, MAX_STREAMS> m_streams;
    std::shared_ptr<IndexBuffer> m_indices;
    std::shared_ptr<GlVertexShader> m_vertexShader;
    std::shared_ptr<GlPixelShader> m_pixelShader;
    std::vector<float> m_vc;
    std::vector<float> m_pc;
    uint64_t m_vcVersion = 1;
    uint64_t m_pcVersion = 1;

    GLuint m_fixedVs = 0;
    GLuint m_fixedPs = 0;
    std::map<std::pair<uint32_t, uint32_t>, Program> m_programs;
    std::string m_shaderLog;
    uint32_t m_enabledAttributes = 0;

    std::vector<std::weak_ptr<void>> m_defaultResources;
};

} // namespace zqp::gpu::gl
