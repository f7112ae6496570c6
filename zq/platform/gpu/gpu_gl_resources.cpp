// Resources of the OpenGL device: the format table, surfaces, textures, vertex and index
// buffers, vertex declarations, shader stages and queries.
//
// Resource work binds on texture unit 31 and the copy buffer targets only, so it never
// disturbs the stage bindings and the vertex array state the device keeps for drawing.
#include "zq/platform/gpu/gpu_gl_internal.h"

#include <algorithm>
#include <cstring>

namespace zqp::gpu::gl {

namespace {

constexpr GLenum SCRATCH_UNIT = GL_TEXTURE31;

const FormatInfo FORMATS[] = {
    {Format::A8R8G8B8, GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4, false, false, true},
    {Format::X8R8G8B8,
     GL_RGBA8,
     GL_BGRA,
     GL_UNSIGNED_INT_8_8_8_8_REV,
     4,
     false,
     false,
     true,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {Format::A8B8G8R8, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, false, false, true},
    {Format::X8B8G8R8,
     GL_RGBA8,
     GL_RGBA,
     GL_UNSIGNED_BYTE,
     4,
     false,
     false,
     true,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {Format::R8G8B8, GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, 3, false, false, false},
    {Format::R5G6B5, GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2, false, false, true},
    {Format::X1R5G5B5,
     GL_RGB5_A1,
     GL_BGRA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV,
     2,
     false,
     false,
     true,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {Format::A1R5G5B5, GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, false, false, true},
    {Format::A4R4G4B4, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2, false, false, true},
    {Format::A8,
     GL_R8,
     GL_RED,
     GL_UNSIGNED_BYTE,
     1,
     false,
     false,
     false,
     {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}},
    {Format::L8,
     GL_R8,
     GL_RED,
     GL_UNSIGNED_BYTE,
     1,
     false,
     false,
     false,
     {GL_RED, GL_RED, GL_RED, GL_ONE}},
    {Format::A8L8,
     GL_RG8,
     GL_RG,
     GL_UNSIGNED_BYTE,
     2,
     false,
     false,
     false,
     {GL_RED, GL_RED, GL_RED, GL_GREEN}},
    {Format::R16F,
     GL_R16F,
     GL_RED,
     GL_HALF_FLOAT,
     2,
     false,
     false,
     true,
     {GL_RED, GL_ONE, GL_ONE, GL_ONE}},
    {Format::R32F,
     GL_R32F,
     GL_RED,
     GL_FLOAT,
     4,
     false,
     false,
     true,
     {GL_RED, GL_ONE, GL_ONE, GL_ONE}},
    {Format::A16B16G16R16F, GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, 8, false, false, true},
    {Format::A32B32G32R32F, GL_RGBA32F, GL_RGBA, GL_FLOAT, 16, false, false, true},
    {Format::D16, GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, 2, false, true,
     true},
    {Format::D24S8, GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, 4, false, true,
     true},
    {Format::D24X8, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, 4, false, true,
     true},
    {Format::Dxt1, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, 8, true, false, false},
    {Format::Dxt3, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, 16, true, false, false},
    {Format::Dxt5, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, 16, true, false, false},
    // Index formats exist for buffers only.
    {Format::Index16, 0, 0, 0, 2, false, false, false},
    {Format::Index32, 0, 0, 0, 4, false, false, false},
};

uint32_t g_nextId = 1;
std::vector<uint32_t> g_deadShaderIds;

} // namespace

const FormatInfo* formatInfo(const Format format) {
    for (const FormatInfo& f : FORMATS) {
        if (f.format == format) {
            return &f;
        }
    }
    return nullptr;
}

uint32_t rowPitch(const FormatInfo& info, const uint32_t width) {
    return info.compressed ? std::max(1u, (width + 3) / 4) * info.bytesPerPixel
                           : width * info.bytesPerPixel;
}

uint32_t levelSize(const FormatInfo& info, const uint32_t width, const uint32_t height) {
    const uint32_t rows = info.compressed ? std::max(1u, (height + 3) / 4) : height;
    return rowPitch(info, width) * rows;
}

uint32_t nextObjectId() {
    return g_nextId++;
}

std::vector<uint32_t> takeDeadShaderIds() {
    std::vector<uint32_t> ids;
    ids.swap(g_deadShaderIds);
    return ids;
}

// ---------------------------------------------------------------------------------------------
// Surfaces

GlSurface::GlSurface(std::shared_ptr<Context> context, const Kind kind, const SurfaceDesc& desc)
    : m_context(std::move(context)), m_kind(kind), m_desc(desc) {
    if (kind == Kind::SystemMemory) {
        const FormatInfo* const info = formatInfo(desc.format);
        m_memory.resize(info != nullptr ? levelSize(*info, desc.width, desc.height) : 0);
    }
}

GlSurface::~GlSurface() {
    if (m_renderbuffer != 0) {
        glDeleteRenderbuffers(1, &m_renderbuffer);
    }
}

Result GlSurface::getDesc(SurfaceDesc& out) const {
    Result r = Result::Ok;
    if (forced(test::Call::SurfaceGetDesc, r)) {
        return r;
    }
    out = m_desc;
    return Result::Ok;
}

GLuint GlSurface::textureName() const {
    return m_texture != nullptr ? m_texture->name() : 0;
}

Result GlSurface::lockRect(LockedRect& out, const Rect* const rect, const uint32_t flags) {
    out = {};
    switch (m_kind) {
    case Kind::TextureLevel:
        return m_texture->lockRect(m_level, out, rect, flags);
    case Kind::Renderbuffer:
        return Result::InvalidCall;
    case Kind::SystemMemory:
        break;
    }
    const FormatInfo* const info = formatInfo(m_desc.format);
    if (m_locked || info == nullptr) {
        return Result::InvalidCall;
    }
    const uint32_t pitch = rowPitch(*info, m_desc.width);
    size_t offset = 0;
    if (rect != nullptr) {
        if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<int32_t>(m_desc.width) ||
            rect->bottom > static_cast<int32_t>(m_desc.height) || rect->left >= rect->right ||
            rect->top >= rect->bottom) {
            return Result::InvalidCall;
        }
        const uint32_t block = info->compressed ? 4 : 1;
        offset = static_cast<size_t>(rect->top / block) * pitch +
                 static_cast<size_t>(rect->left / block) * info->bytesPerPixel;
    }
    m_locked = true;
    out.pitch = static_cast<int32_t>(pitch);
    out.bits = m_memory.data() + offset;
    return Result::Ok;
}

Result GlSurface::unlockRect() {
    if (m_kind == Kind::TextureLevel) {
        return m_texture->unlockRect(m_level);
    }
    if (!m_locked) {
        return Result::InvalidCall;
    }
    m_locked = false;
    return Result::Ok;
}

void GlSurface::attach(const GLenum target, const GLenum attachment) const {
    if (m_kind == Kind::Renderbuffer) {
        glFramebufferRenderbuffer(target, attachment, GL_RENDERBUFFER, m_renderbuffer);
    } else if (m_kind == Kind::TextureLevel) {
        glFramebufferTexture2D(target, attachment, GL_TEXTURE_2D, m_texture->name(),
                               static_cast<GLint>(m_level));
    }
}

// ---------------------------------------------------------------------------------------------
// Textures

GlTexture::GlTexture(std::shared_ptr<Context> context, const FormatInfo& info, const uint32_t width,
                     const uint32_t height, const uint32_t levels, const uint32_t usageFlags,
                     const Pool pool)
    : m_context(std::move(context)), m_info(info), m_width(width), m_height(height),
      m_levels(levels), m_usage(usageFlags), m_pool(pool), m_locks(levels) {
    glActiveTexture(SCRATCH_UNIT);
    glGenTextures(1, &m_name);
    glBindTexture(GL_TEXTURE_2D, m_name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, info.swizzle.data());
    for (uint32_t level = 0; level < levels; ++level) {
        const auto w = static_cast<GLsizei>(levelWidth(level));
        const auto h = static_cast<GLsizei>(levelHeight(level));
        if (info.compressed) {
            const std::vector<uint8_t> zeros(levelSize(info, w, h));
            glCompressedTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), info.internalFormat, w,
                                   h, 0, static_cast<GLsizei>(zeros.size()), zeros.data());
        } else {
            glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level),
                         static_cast<GLint>(info.internalFormat), w, h, 0, info.uploadFormat,
                         info.uploadType, nullptr);
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

GlTexture::~GlTexture() {
    if (m_name != 0) {
        glDeleteTextures(1, &m_name);
    }
}

uint32_t GlTexture::levelWidth(const uint32_t level) const {
    return std::max(1u, m_width >> level);
}

uint32_t GlTexture::levelHeight(const uint32_t level) const {
    return std::max(1u, m_height >> level);
}

Result GlTexture::getLevelDesc(const uint32_t level, SurfaceDesc& out) const {
    if (level >= m_levels) {
        return Result::InvalidCall;
    }
    out = {};
    out.format = m_info.format;
    out.type = ResourceType::Surface;
    out.usage = m_usage;
    out.pool = m_pool;
    out.width = levelWidth(level);
    out.height = levelHeight(level);
    return Result::Ok;
}

Result GlTexture::getSurfaceLevel(const uint32_t level, std::shared_ptr<Surface>& out) {
    out.reset();
    Result r = Result::Ok;
    if (forced(test::Call::GetSurfaceLevel, r)) {
        return r;
    }
    SurfaceDesc desc;
    if (getLevelDesc(level, desc) != Result::Ok) {
        return Result::InvalidCall;
    }
    auto surface = std::make_shared<GlSurface>(m_context, GlSurface::Kind::TextureLevel, desc);
    surface->m_texture = shared_from_this();
    surface->m_level = level;
    out = std::move(surface);
    return Result::Ok;
}

Result GlTexture::lockRect(const uint32_t level, LockedRect& out, const Rect* const rect,
                           const uint32_t flags) {
    out = {};
    if (level >= m_levels || m_locks[level].locked || m_info.depth) {
        return Result::InvalidCall;
    }
    // As on any device, default-pool textures are locked only when made dynamic.
    if (m_pool == Pool::Default && (m_usage & usage::DYNAMIC) == 0) {
        return Result::InvalidCall;
    }
    const uint32_t w = levelWidth(level);
    const uint32_t h = levelHeight(level);
    const uint32_t pitch = rowPitch(m_info, w);
    size_t offset = 0;
    if (rect != nullptr) {
        if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<int32_t>(w) ||
            rect->bottom > static_cast<int32_t>(h) || rect->left >= rect->right ||
            rect->top >= rect->bottom) {
            return Result::InvalidCall;
        }
        const uint32_t block = m_info.compressed ? 4 : 1;
        offset = static_cast<size_t>(rect->top / block) * pitch +
                 static_cast<size_t>(rect->left / block) * m_info.bytesPerPixel;
    }
    LevelLock& l = m_locks[level];
    l.staging.resize(levelSize(m_info, w, h));
    if ((flags & lock::DISCARD) == 0) {
        glActiveTexture(SCRATCH_UNIT);
        glBindTexture(GL_TEXTURE_2D, m_name);
        if (m_info.compressed) {
            glGetCompressedTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), l.staging.data());
        } else {
            glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), m_info.uploadFormat,
                          m_info.uploadType, l.staging.data());
        }
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    l.locked = true;
    l.readOnly = (flags & lock::READONLY) != 0;
    out.pitch = static_cast<int32_t>(pitch);
    out.bits = l.staging.data() + offset;
    return Result::Ok;
}

Result GlTexture::unlockRect(const uint32_t level) {
    if (level >= m_levels || !m_locks[level].locked) {
        return Result::InvalidCall;
    }
    LevelLock& l = m_locks[level];
    if (!l.readOnly) {
        const auto w = static_cast<GLsizei>(levelWidth(level));
        const auto h = static_cast<GLsizei>(levelHeight(level));
        glActiveTexture(SCRATCH_UNIT);
        glBindTexture(GL_TEXTURE_2D, m_name);
        if (m_info.compressed) {
            glCompressedTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, w, h,
                                      m_info.internalFormat, static_cast<GLsizei>(l.staging.size()),
                                      l.staging.data());
        } else {
            glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, w, h,
                            m_info.uploadFormat, m_info.uploadType, l.staging.data());
        }
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    l.locked = false;
    // Textures filled once give their copy back; dynamic ones keep it for the next frame.
    if ((m_usage & usage::DYNAMIC) == 0) {
        std::vector<uint8_t>().swap(l.staging);
    }
    return Result::Ok;
}

void GlTexture::generateMipSubLevels() {
    if (m_levels < 2 || m_info.compressed || m_info.depth) {
        return;
    }
    glActiveTexture(SCRATCH_UNIT);
    glBindTexture(GL_TEXTURE_2D, m_name);
    glGenerateMipmap(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// ---------------------------------------------------------------------------------------------
// Buffers

GlBuffer::GlBuffer(std::shared_ptr<Context> context, const BufferDesc& desc)
    : m_context(std::move(context)), m_desc(desc), m_shadow(desc.size) {
    glGenBuffers(1, &m_name);
    glBindBuffer(GL_COPY_WRITE_BUFFER, m_name);
    glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(desc.size), m_shadow.data(),
                 (desc.usage & usage::DYNAMIC) != 0 ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
}

GlBuffer::~GlBuffer() {
    if (m_name != 0) {
        glDeleteBuffers(1, &m_name);
    }
}

Result GlBuffer::lock(const uint32_t offset, const uint32_t size, void** const data,
                      const uint32_t flags) {
    if (data == nullptr) {
        return Result::InvalidCall;
    }
    *data = nullptr;
    const uint64_t end = static_cast<uint64_t>(offset) + (size == 0 ? 0 : size);
    if (m_locked || offset > m_desc.size || end > m_desc.size) {
        return Result::InvalidCall;
    }
    m_locked = true;
    m_readOnly = (flags & lock::READONLY) != 0;
    m_lockOffset = offset;
    m_lockSize = size == 0 ? m_desc.size - offset : size;
    if ((flags & lock::DISCARD) != 0) {
        // A discarded range is the whole buffer, as the caller gave up its old contents.
        m_lockOffset = 0;
        m_lockSize = m_desc.size;
    }
    *data = m_shadow.data() + offset;
    return Result::Ok;
}

Result GlBuffer::unlock() {
    if (!m_locked) {
        return Result::InvalidCall;
    }
    m_locked = false;
    if (!m_readOnly && m_lockSize > 0) {
        glBindBuffer(GL_COPY_WRITE_BUFFER, m_name);
        if (m_lockSize == m_desc.size) {
            glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(m_desc.size),
                         m_shadow.data(),
                         (m_desc.usage & usage::DYNAMIC) != 0 ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
        } else {
            glBufferSubData(GL_COPY_WRITE_BUFFER, static_cast<GLintptr>(m_lockOffset),
                            static_cast<GLsizeiptr>(m_lockSize), m_shadow.data() + m_lockOffset);
        }
        glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    }
    return Result::Ok;
}

// ---------------------------------------------------------------------------------------------
// Declarations and shaders

GlVertexDeclaration::GlVertexDeclaration(std::vector<VertexElement> elements)
    : m_id(nextObjectId()), m_elements(std::move(elements)) {
    m_pretransformed =
        std::any_of(m_elements.begin(), m_elements.end(),
                    [](const VertexElement& e) { return e.usage == DECLUSAGE_POSITIONT; });
}

uint32_t GlVertexDeclaration::getElements(VertexElement* const out, const uint32_t capacity) const {
    const auto total = static_cast<uint32_t>(m_elements.size() + 1);
    if (out != nullptr) {
        for (uint32_t i = 0; i < total && i < capacity; ++i) {
            out[i] = i < m_elements.size() ? m_elements[i] : declEnd();
        }
    }
    return total;
}

GlShader::GlShader(std::shared_ptr<Context> context, const GLuint name)
    : m_id(nextObjectId()), m_context(std::move(context)), m_name(name) {}

GlShader::~GlShader() {
    glDeleteShader(m_name);
    g_deadShaderIds.push_back(m_id);
}

// ---------------------------------------------------------------------------------------------
// Queries

bool isQueryTypeSupported(const QueryType type) {
    switch (type) {
    case QueryType::Event:
    case QueryType::Occlusion:
    case QueryType::Timestamp:
    case QueryType::TimestampDisjoint:
    case QueryType::TimestampFreq:
        return true;
    default:
        return false;
    }
}

GlQuery::GlQuery(std::shared_ptr<Context> context, const QueryType type)
    : m_context(std::move(context)), m_type(type) {
    if (type == QueryType::Occlusion || type == QueryType::Timestamp) {
        glGenQueries(1, &m_name);
    }
}

GlQuery::~GlQuery() {
    if (m_phase == Phase::Building && m_type == QueryType::Occlusion) {
        glEndQuery(GL_SAMPLES_PASSED);
    }
    if (m_name != 0) {
        glDeleteQueries(1, &m_name);
    }
    if (m_sync != nullptr) {
        glDeleteSync(m_sync);
    }
}

uint32_t GlQuery::getDataSize() const {
    switch (m_type) {
    case QueryType::Timestamp:
    case QueryType::TimestampFreq:
        return 8;
    default:
        return 4;
    }
}

Result GlQuery::issue(const uint32_t flags) {
    const bool begin = (flags & issue::BEGIN) != 0;
    const bool end = (flags & issue::END) != 0;
    if (begin == end) {
        return Result::InvalidCall;
    }
    switch (m_type) {
    case QueryType::Occlusion:
        if (begin) {
            if (m_phase == Phase::Building) {
                glEndQuery(GL_SAMPLES_PASSED);
            }
            glBeginQuery(GL_SAMPLES_PASSED, m_name);
            m_phase = Phase::Building;
        } else {
            if (m_phase != Phase::Building) {
                return Result::InvalidCall;
            }
            glEndQuery(GL_SAMPLES_PASSED);
            m_phase = Phase::Issued;
        }
        return Result::Ok;
    case QueryType::TimestampDisjoint:
        m_phase = begin ? Phase::Building : Phase::Issued;
        return Result::Ok;
    case QueryType::Event:
    case QueryType::Timestamp:
    case QueryType::TimestampFreq:
        if (begin) {
            return Result::InvalidCall;
        }
        if (m_type == QueryType::Event) {
            if (m_sync != nullptr) {
                glDeleteSync(m_sync);
            }
            m_sync = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        } else if (m_type == QueryType::Timestamp) {
            glQueryCounter(m_name, GL_TIMESTAMP);
        }
        m_phase = Phase::Issued;
        return Result::Ok;
    default:
        return Result::InvalidCall;
    }
}

Result GlQuery::getData(void* const data, const uint32_t size, const uint32_t flags) {
    if (m_phase != Phase::Issued) {
        return Result::InvalidCall;
    }
    if (data != nullptr && size != 0 && size < getDataSize()) {
        return Result::InvalidCall;
    }
    const bool flush = (flags & getdata::FLUSH) != 0;
    uint64_t value = 0;
    switch (m_type) {
    case QueryType::Occlusion:
    case QueryType::Timestamp: {
        GLuint available = 0;
        glGetQueryObjectuiv(m_name, GL_QUERY_RESULT_AVAILABLE, &available);
        if (available == 0) {
            if (flush) {
                glFlush();
            }
            return Result::NotReady;
        }
        GLuint64 result = 0;
        glGetQueryObjectui64v(m_name, GL_QUERY_RESULT, &result);
        value = result;
        break;
    }
    case QueryType::Event: {
        const GLenum status = glClientWaitSync(m_sync, flush ? GL_SYNC_FLUSH_COMMANDS_BIT : 0, 0);
        if (status == GL_TIMEOUT_EXPIRED) {
            return Result::NotReady;
        }
        if (status == GL_WAIT_FAILED) {
            return Result::Failed;
        }
        value = 1;
        break;
    }
    case QueryType::TimestampDisjoint:
        value = 0;
        break;
    case QueryType::TimestampFreq:
        value = 1000000000ull; // timestamps count nanoseconds
        break;
    default:
        return Result::InvalidCall;
    }
    if (data != nullptr && size != 0) {
        if (getDataSize() == 8) {
            std::memcpy(data, &value, 8);
        } else {
            const auto v32 = static_cast<uint32_t>(std::min<uint64_t>(value, 0xFFFFFFFFu));
            std::memcpy(data, &v32, 4);
        }
    }
    return Result::Ok;
}

} // namespace zqp::gpu::gl
