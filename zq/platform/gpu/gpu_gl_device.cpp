// The OpenGL device: its back buffer, reset, scenes, present, targets and resource creation.
// States and drawing are in gpu_gl_draw.cpp.
//
// The back buffer is an off-screen target of the asked size; present shows it on the window,
// stretched to the window's drawable size and flipped (targets keep their top row first, the
// window's framebuffer its bottom row). Without a window the picture goes into a target of
// the device's own, which getFrontBufferData reads.
#include "zq/platform/gpu/gpu_gl_internal.h"

#include "zq/platform/window/window_sdl2_internal.h"

#include <algorithm>
#include <cstring>

namespace zqp::gpu::gl {

namespace {

bool isBackBufferFormat(const Format f) {
    return f == Format::X8R8G8B8 || f == Format::A8R8G8B8 || f == Format::R5G6B5 ||
           f == Format::X1R5G5B5 || f == Format::A1R5G5B5;
}

GLenum depthAttachmentOf(const Format f) {
    return f == Format::D24S8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
}

bool sampleCountSupported(const MultiSample ms, const bool depth) {
    const auto samples = static_cast<int>(ms);
    if (samples <= 1) {
        return true;
    }
    const auto& counts = depth ? adapterFacts().depthSampleCounts : adapterFacts().sampleCounts;
    return std::find(counts.begin(), counts.end(), samples) != counts.end();
}

GLsizei samplesOf(const MultiSample ms) {
    const auto samples = static_cast<GLsizei>(ms);
    return samples <= 1 ? 0 : samples;
}

Result glFailure() {
    Result r = Result::Ok;
    for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) {
        r = e == GL_OUT_OF_MEMORY ? Result::OutOfVideoMemory : Result::Failed;
    }
    return r;
}

GlSurface* asGl(Surface* const s) {
    return static_cast<GlSurface*>(s);
}

std::shared_ptr<GlSurface> makeRenderbuffer(const std::shared_ptr<Context>& context,
                                            const FormatInfo& info, const uint32_t width,
                                            const uint32_t height, const MultiSample ms,
                                            const uint32_t usageFlags) {
    SurfaceDesc desc;
    desc.format = info.format;
    desc.type = ResourceType::Surface;
    desc.usage = usageFlags;
    desc.pool = Pool::Default;
    desc.multiSampleType = samplesOf(ms) == 0 ? MultiSample::None : ms;
    desc.width = width;
    desc.height = height;
    auto s = std::make_shared<GlSurface>(context, GlSurface::Kind::Renderbuffer, desc);
    glGenRenderbuffers(1, &s->m_renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, s->m_renderbuffer);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samplesOf(ms), info.internalFormat,
                                     static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    return s;
}

} // namespace

GlDevice::GlDevice(std::shared_ptr<Context> context, const uint32_t adapter, const DeviceType type,
                   const uint32_t behaviorFlags)
    : m_context(std::move(context)), m_adapter(adapter), m_type(type),
      m_behaviorFlags(behaviorFlags), m_vc(MAX_VERTEX_CONSTANTS * 4, 0.0f),
      m_pc(MAX_PIXEL_CONSTANTS * 4, 0.0f) {}

GlDevice::~GlDevice() {
    m_context->makeCurrent();
    for (auto& [key, program] : m_programs) {
        if (program.name != 0) {
            glDeleteProgram(program.name);
        }
    }
    if (m_fixedVs != 0) {
        glDeleteShader(m_fixedVs);
    }
    if (m_fixedPs != 0) {
        glDeleteShader(m_fixedPs);
    }
    const GLuint framebuffers[] = {m_drawFbo, m_readFbo, m_resolveFbo};
    glDeleteFramebuffers(3, framebuffers);
    const GLuint renderbuffers[] = {m_resolveRb, m_frontRb};
    glDeleteRenderbuffers(2, renderbuffers);
    const GLuint buffers[] = {m_upVertexBuffer, m_upIndexBuffer};
    glDeleteBuffers(2, buffers);
    glDeleteSamplers(static_cast<GLsizei>(m_samplers.size()), m_samplers.data());
    glDeleteVertexArrays(1, &m_vao);
}

Result GlDevice::init(PresentParams& params) {
    m_caps = deviceCaps();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGenFramebuffers(1, &m_drawFbo);
    glGenFramebuffers(1, &m_readFbo);
    glGenFramebuffers(1, &m_resolveFbo);
    glGenVertexArrays(1, &m_vao);
    glBindVertexArray(m_vao);
    glGenBuffers(1, &m_upVertexBuffer);
    glGenBuffers(1, &m_upIndexBuffer);
    glGenSamplers(static_cast<GLsizei>(m_samplers.size()), m_samplers.data());
    // Each stage keeps its own sampler object; sampler states change the object itself.
    for (GLuint stage = 0; stage < m_samplers.size(); ++stage) {
        glBindSampler(stage, m_samplers[stage]);
    }
    // Targets keep their top row first, so the faces a caller calls clockwise are the ones
    // OpenGL sees counter-clockwise.
    glFrontFace(GL_CW);
    if (adapterFacts().clipControl) {
        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    }
    m_fixedVs = compileFixedVertexShader(m_shaderLog);
    m_fixedPs = m_fixedVs != 0 ? compileFixedPixelShader(m_shaderLog) : 0;
    if (m_fixedVs == 0 || m_fixedPs == 0 || glFailure() != Result::Ok) {
        return Result::NotAvailable;
    }
    const Result r = buildBackBuffer(params);
    if (r != Result::Ok) {
        return r;
    }
    applyWindowMode(params);
    resetStates();
    return Result::Ok;
}

Result GlDevice::buildBackBuffer(PresentParams& params) {
    Format format = params.backBufferFormat;
    if (format == Format::Unknown) {
        DisplayMode mode;
        currentDisplayMode(mode);
        format = mode.format;
    }
    const FormatInfo* const info = formatInfo(format);
    if (!isBackBufferFormat(format) || info == nullptr || params.backBufferCount > 3) {
        return Result::InvalidCall;
    }
    if (!params.windowed && !m_context->hasWindow()) {
        return Result::InvalidCall;
    }
    uint32_t width = params.backBufferWidth;
    uint32_t height = params.backBufferHeight;
    if (width == 0 || height == 0) {
        int w = 0;
        int h = 0;
        m_context->drawableSize(w, h);
        width = width == 0 ? static_cast<uint32_t>(std::max(w, 0)) : width;
        height = height == 0 ? static_cast<uint32_t>(std::max(h, 0)) : height;
    }
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width == 0 || height == 0 || width > static_cast<uint32_t>(maxSize) ||
        height > static_cast<uint32_t>(maxSize)) {
        return Result::InvalidCall;
    }
    const FormatInfo* depthInfo = nullptr;
    if (params.enableAutoDepthStencil) {
        depthInfo = formatInfo(params.autoDepthStencilFormat);
        if (depthInfo == nullptr || !depthInfo->depth) {
            return Result::InvalidCall;
        }
    }
    if (!sampleCountSupported(params.multiSampleType, false) ||
        (depthInfo != nullptr && !sampleCountSupported(params.multiSampleType, true)) ||
        params.multiSampleQuality > 0) {
        return Result::InvalidCall;
    }
    glFailure();
    m_backBuffer = makeRenderbuffer(m_context, *info, width, height, params.multiSampleType,
                                    usage::RENDERTARGET);
    if (depthInfo != nullptr) {
        m_autoDepth = makeRenderbuffer(m_context, *depthInfo, width, height, params.multiSampleType,
                                       usage::DEPTHSTENCIL);
    }
    const Result r = glFailure();
    if (r != Result::Ok) {
        m_backBuffer.reset();
        m_autoDepth.reset();
        return r;
    }
    params.backBufferWidth = width;
    params.backBufferHeight = height;
    params.backBufferFormat = format;
    params.backBufferCount = std::max(params.backBufferCount, 1u);
    m_params = params;
    const uint32_t interval = params.presentationInterval;
    m_context->setSwapInterval(interval == present::INTERVAL_IMMEDIATE ? 0
                               : interval == present::INTERVAL_TWO     ? 2
                                                                       : 1);
    return Result::Ok;
}

void GlDevice::applyWindowMode(const PresentParams& params) {
    SDL_Window* const window = m_context->hasWindow() ? sdlWindow(m_context->window()) : nullptr;
    if (window == nullptr) {
        return;
    }
    const bool isFullScreen = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
    if (!params.windowed) {
        SDL_DisplayMode want{};
        want.format = SDL_PIXELFORMAT_RGB888;
        want.w = static_cast<int>(params.backBufferWidth);
        want.h = static_cast<int>(params.backBufferHeight);
        want.refresh_rate = static_cast<int>(params.fullScreenRefreshRate);
        SDL_DisplayMode closest{};
        if (SDL_GetClosestDisplayMode(0, &want, &closest) != nullptr) {
            SDL_SetWindowDisplayMode(window, &closest);
        }
        if (!isFullScreen) {
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
        }
    } else if (isFullScreen) {
        SDL_SetWindowFullscreen(window, 0);
    }
}

bool GlDevice::trackDefault(const std::shared_ptr<void>& resource) {
    m_defaultResources.erase(std::remove_if(m_defaultResources.begin(), m_defaultResources.end(),
                                            [](const auto& w) { return w.expired(); }),
                             m_defaultResources.end());
    m_defaultResources.push_back(resource);
    return true;
}

bool GlDevice::defaultResourcesAlive() {
    return std::any_of(m_defaultResources.begin(), m_defaultResources.end(),
                       [](const auto& w) { return !w.expired(); });
}

Result GlDevice::getDeviceCaps(Caps& out) const {
    Result r = Result::Ok;
    if (forced(test::Call::GetDeviceCaps, r)) {
        return r;
    }
    out = m_caps;
    return Result::Ok;
}

Result GlDevice::getDisplayMode(DisplayMode& out) const {
    if (!m_params.windowed) {
        out = {m_params.backBufferWidth, m_params.backBufferHeight, m_params.fullScreenRefreshRate,
               m_params.backBufferFormat};
        return Result::Ok;
    }
    return currentDisplayMode(out) ? Result::Ok : Result::NotAvailable;
}

Result GlDevice::getCreationParameters(uint32_t& adapter, DeviceType& type,
                                       uint32_t& behaviorFlags) const {
    adapter = m_adapter;
    type = m_type;
    behaviorFlags = m_behaviorFlags;
    return Result::Ok;
}

Result GlDevice::testCooperativeLevel() {
    Result r = Result::Ok;
    if (forced(test::Call::TestCooperativeLevel, r)) {
        return r;
    }
    return Result::Ok;
}

Result GlDevice::reset(PresentParams& params) {
    Result r = Result::Ok;
    if (forced(test::Call::Reset, r)) {
        return r;
    }
    m_context->makeCurrent();
    // The device lets go of everything it holds; what is still held elsewhere blocks the reset.
    m_renderTargets = {};
    m_depthStencil.reset();
    m_textures = {};
    m_streams = {};
    m_indices.reset();
    m_declaration.reset();
    m_vertexShader.reset();
    m_pixelShader.reset();
    m_inScene = false;
    if (defaultResourcesAlive() || m_backBuffer.use_count() > 1 || m_autoDepth.use_count() > 1) {
        return Result::InvalidCall;
    }
    m_backBuffer.reset();
    m_autoDepth.reset();
    if (m_resolveRb != 0) {
        glDeleteRenderbuffers(1, &m_resolveRb);
        m_resolveRb = 0;
    }
    r = buildBackBuffer(params);
    if (r != Result::Ok) {
        return r;
    }
    applyWindowMode(params);
    resetStates();
    return Result::Ok;
}

Result GlDevice::present() {
    Result r = Result::Ok;
    if (forced(test::Call::Present, r)) {
        return r;
    }
    if (m_backBuffer == nullptr) {
        return Result::InvalidCall;
    }
    const SurfaceDesc& bb = m_backBuffer->desc();
    const auto w = static_cast<GLint>(bb.width);
    const auto h = static_cast<GLint>(bb.height);
    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_readFbo);
    m_backBuffer->attach(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    if (bb.multiSampleType != MultiSample::None) {
        // A multisampled picture is resolved at its own size before it is stretched.
        if (m_resolveRb == 0 || m_resolveWidth != bb.width || m_resolveHeight != bb.height) {
            if (m_resolveRb == 0) {
                glGenRenderbuffers(1, &m_resolveRb);
            }
            // A resolve keeps the format: only the stretch may convert.
            glBindRenderbuffer(GL_RENDERBUFFER, m_resolveRb);
            glRenderbufferStorage(GL_RENDERBUFFER, formatInfo(bb.format)->internalFormat, w, h);
            m_resolveWidth = bb.width;
            m_resolveHeight = bb.height;
        }
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_resolveFbo);
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  m_resolveRb);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_resolveFbo);
    }
    if (m_context->hasWindow()) {
        int dw = 0;
        int dh = 0;
        m_context->drawableSize(dw, dh);
        if (dw > 0 && dh > 0) {
            glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
            glDrawBuffer(m_context->isDoubleBuffered() ? GL_BACK : GL_FRONT);
            glBlitFramebuffer(0, 0, w, h, 0, dh, dw, 0, GL_COLOR_BUFFER_BIT,
                              dw == w && dh == h ? GL_NEAREST : GL_LINEAR);
        }
        m_context->swap();
    } else {
        if (m_frontRb == 0 || m_frontWidth != bb.width || m_frontHeight != bb.height) {
            if (m_frontRb == 0) {
                glGenRenderbuffers(1, &m_frontRb);
            }
            glBindRenderbuffer(GL_RENDERBUFFER, m_frontRb);
            glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
            m_frontWidth = bb.width;
            m_frontHeight = bb.height;
        }
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_resolveFbo);
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  m_frontRb);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glFlush();
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    m_targetsDirty = true;
    m_rsDirty = true;
    return Result::Ok;
}

Result GlDevice::getBackBuffer(const uint32_t index, std::shared_ptr<Surface>& out) {
    out.reset();
    Result r = Result::Ok;
    if (forced(test::Call::GetBackBuffer, r)) {
        return r;
    }
    if (index != 0 || m_backBuffer == nullptr) {
        return Result::InvalidCall;
    }
    out = m_backBuffer;
    return Result::Ok;
}

Result GlDevice::getDepthStencilSurface(std::shared_ptr<Surface>& out) {
    out.reset();
    Result r = Result::Ok;
    if (forced(test::Call::GetDepthStencilSurface, r)) {
        return r;
    }
    if (m_depthStencil == nullptr) {
        return Result::NotAvailable;
    }
    out = m_depthStencil;
    return Result::Ok;
}

Result GlDevice::getFrontBufferData(Surface* const dest) {
    GlSurface* const d = asGl(dest);
    if (d == nullptr || d->kind() != GlSurface::Kind::SystemMemory ||
        d->desc().format != Format::A8R8G8B8) {
        return Result::InvalidCall;
    }
    int w = 0;
    int h = 0;
    if (m_context->hasWindow()) {
        m_context->drawableSize(w, h);
    } else {
        w = static_cast<int>(m_frontWidth);
        h = static_cast<int>(m_frontHeight);
    }
    if (w <= 0 || h <= 0 || d->desc().width != static_cast<uint32_t>(w) ||
        d->desc().height != static_cast<uint32_t>(h)) {
        return Result::InvalidCall;
    }
    const size_t pitch = static_cast<size_t>(w) * 4;
    std::vector<uint8_t>& out = d->memory();
    if (m_context->hasWindow()) {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(m_context->isDoubleBuffered() ? GL_FRONT : GL_BACK);
        std::vector<uint8_t> rows(pitch * static_cast<size_t>(h));
        glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
        // The window's framebuffer keeps its bottom row first.
        for (int y = 0; y < h; ++y) {
            std::memcpy(out.data() + static_cast<size_t>(y) * pitch,
                        rows.data() + static_cast<size_t>(h - 1 - y) * pitch, pitch);
        }
    } else {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_readFbo);
        glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  m_frontRb);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, out.data());
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    return glFailure();
}

Result GlDevice::getRenderTargetData(Surface* const renderTarget, Surface* const dest) {
    GlSurface* const src = asGl(renderTarget);
    GlSurface* const d = asGl(dest);
    if (src == nullptr || d == nullptr || d->kind() != GlSurface::Kind::SystemMemory ||
        src->kind() == GlSurface::Kind::SystemMemory || src->desc().format != d->desc().format ||
        src->desc().width != d->desc().width || src->desc().height != d->desc().height) {
        return Result::InvalidCall;
    }
    const FormatInfo* const info = formatInfo(src->desc().format);
    if (info == nullptr || info->depth || info->compressed) {
        return Result::InvalidCall;
    }
    const auto w = static_cast<GLint>(src->desc().width);
    const auto h = static_cast<GLint>(src->desc().height);
    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_readFbo);
    src->attach(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    GLuint temporary = 0;
    if (src->desc().multiSampleType != MultiSample::None) {
        glGenRenderbuffers(1, &temporary);
        glBindRenderbuffer(GL_RENDERBUFFER, temporary);
        glRenderbufferStorage(GL_RENDERBUFFER, info->internalFormat, w, h);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_resolveFbo);
        glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  temporary);
        glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, m_resolveFbo);
    }
    glReadPixels(0, 0, w, h, info->uploadFormat, info->uploadType, d->memory().data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    if (temporary != 0) {
        glDeleteRenderbuffers(1, &temporary);
    }
    m_targetsDirty = true;
    m_rsDirty = true;
    return glFailure();
}

Result GlDevice::stretchRect(Surface* const src, const Rect* const srcRect, Surface* const dst,
                             const Rect* const dstRect, const TexFilter filter) {
    GlSurface* const s = asGl(src);
    GlSurface* const d = asGl(dst);
    if (s == nullptr || d == nullptr || s == d || s->kind() == GlSurface::Kind::SystemMemory ||
        d->kind() == GlSurface::Kind::SystemMemory) {
        return Result::InvalidCall;
    }
    const FormatInfo* const si = formatInfo(s->desc().format);
    const FormatInfo* const di = formatInfo(d->desc().format);
    if (si == nullptr || di == nullptr || si->depth != di->depth) {
        return Result::InvalidCall;
    }
    const auto whole = [](const SurfaceDesc& desc) {
        return Rect{0, 0, static_cast<int32_t>(desc.width), static_cast<int32_t>(desc.height)};
    };
    const Rect sr = srcRect != nullptr ? *srcRect : whole(s->desc());
    const Rect dr = dstRect != nullptr ? *dstRect : whole(d->desc());
    const auto inside = [](const Rect& r, const SurfaceDesc& desc) {
        return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
               r.right <= static_cast<int32_t>(desc.width) &&
               r.bottom <= static_cast<int32_t>(desc.height);
    };
    if (!inside(sr, s->desc()) || !inside(dr, d->desc())) {
        return Result::InvalidCall;
    }
    const GLenum attachment =
        si->depth ? depthAttachmentOf(s->desc().format) : GL_COLOR_ATTACHMENT0;
    const GLenum dAttachment =
        di->depth ? depthAttachmentOf(d->desc().format) : GL_COLOR_ATTACHMENT0;
    const GLbitfield mask = si->depth ? GL_DEPTH_BUFFER_BIT : GL_COLOR_BUFFER_BIT;
    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_readFbo);
    s->attach(GL_READ_FRAMEBUFFER, attachment);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_resolveFbo);
    d->attach(GL_DRAW_FRAMEBUFFER, dAttachment);
    glReadBuffer(si->depth ? GL_NONE : GL_COLOR_ATTACHMENT0);
    glDrawBuffer(di->depth ? GL_NONE : GL_COLOR_ATTACHMENT0);
    glBlitFramebuffer(sr.left, sr.top, sr.right, sr.bottom, dr.left, dr.top, dr.right, dr.bottom,
                      mask, filter == TEXFILTER_LINEAR && !si->depth ? GL_LINEAR : GL_NEAREST);
    // Leave the helper framebuffers empty so that a later blit finds no stale attachment.
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, dAttachment, GL_RENDERBUFFER, 0);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, dAttachment, GL_TEXTURE_2D, 0, 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, attachment, GL_RENDERBUFFER, 0);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, attachment, GL_TEXTURE_2D, 0, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    m_targetsDirty = true;
    m_rsDirty = true;
    return glFailure();
}

Result GlDevice::beginScene() {
    Result r = Result::Ok;
    if (forced(test::Call::BeginScene, r)) {
        return r;
    }
    if (m_inScene) {
        return Result::InvalidCall;
    }
    m_inScene = true;
    return Result::Ok;
}

Result GlDevice::endScene() {
    if (!m_inScene) {
        return Result::InvalidCall;
    }
    m_inScene = false;
    return Result::Ok;
}

Result GlDevice::setRenderTarget(const uint32_t index, Surface* const surface) {
    if (index >= m_caps.numSimultaneousRTs) {
        return surface == nullptr && index < m_renderTargets.size() ? Result::Ok
                                                                    : Result::InvalidCall;
    }
    GlSurface* const s = asGl(surface);
    if (s == nullptr) {
        return Result::InvalidCall;
    }
    const FormatInfo* const info = formatInfo(s->desc().format);
    if (info == nullptr || info->depth || (s->desc().usage & usage::RENDERTARGET) == 0) {
        return Result::InvalidCall;
    }
    m_renderTargets[index] = s->shared_from_this();
    // A new target 0 brings the viewport and the scissor rectangle to its whole size.
    m_viewport = {0, 0, s->desc().width, s->desc().height, 0.0f, 1.0f};
    m_scissor = {0, 0, static_cast<int32_t>(s->desc().width),
                 static_cast<int32_t>(s->desc().height)};
    m_targetsDirty = true;
    m_rsDirty = true;
    return Result::Ok;
}

Result GlDevice::getRenderTarget(const uint32_t index, std::shared_ptr<Surface>& out) {
    out.reset();
    if (index >= m_renderTargets.size()) {
        return Result::InvalidCall;
    }
    if (m_renderTargets[index] == nullptr) {
        return Result::NotAvailable;
    }
    out = m_renderTargets[index];
    return Result::Ok;
}

Result GlDevice::setDepthStencilSurface(Surface* const surface) {
    GlSurface* const s = asGl(surface);
    if (s == nullptr) {
        m_depthStencil.reset();
    } else {
        const FormatInfo* const info = formatInfo(s->desc().format);
        if (info == nullptr || !info->depth) {
            return Result::InvalidCall;
        }
        m_depthStencil = s->shared_from_this();
    }
    m_targetsDirty = true;
    return Result::Ok;
}

Result GlDevice::createTexture(const uint32_t width, const uint32_t height, uint32_t levels,
                               const uint32_t usageFlags, const Format format, const Pool pool,
                               std::shared_ptr<Texture>& out) {
    out.reset();
    Result r = Result::Ok;
    if (forced(test::Call::CreateTexture, r)) {
        return r;
    }
    if (formatRefused(format)) {
        return Result::NotAvailable;
    }
    const FormatInfo* const info = formatInfo(format);
    if (info == nullptr || info->internalFormat == 0 || width == 0 || height == 0 ||
        width > static_cast<uint32_t>(adapterFacts().maxTextureSize) ||
        height > static_cast<uint32_t>(adapterFacts().maxTextureSize)) {
        return Result::InvalidCall;
    }
    if (info->compressed && !adapterFacts().s3tc) {
        return Result::NotAvailable;
    }
    const bool rt = (usageFlags & usage::RENDERTARGET) != 0;
    const bool ds = (usageFlags & usage::DEPTHSTENCIL) != 0;
    if ((rt || ds) && pool != Pool::Default) {
        return Result::InvalidCall;
    }
    if ((rt && (!info->renderable || info->depth)) || (ds && !info->depth) ||
        (info->depth && !ds) || (info->compressed && (width % 4 != 0 || height % 4 != 0))) {
        return Result::InvalidCall;
    }
    uint32_t full = 1;
    while ((std::max(width, height) >> full) != 0) {
        ++full;
    }
    levels = levels == 0 ? full : std::min(levels, full);
    glFailure();
    auto texture =
        std::make_shared<GlTexture>(m_context, *info, width, height, levels, usageFlags, pool);
    r = glFailure();
    if (r != Result::Ok) {
        return r;
    }
    if (pool == Pool::Default) {
        trackDefault(texture);
    }
    out = std::move(texture);
    return Result::Ok;
}

Result GlDevice::createRenderTarget(const uint32_t width, const uint32_t height,
                                    const Format format, const MultiSample multiSample,
                                    const uint32_t quality, bool, std::shared_ptr<Surface>& out) {
    out.reset();
    const FormatInfo* const info = formatInfo(format);
    if (info == nullptr || !info->renderable || info->depth || width == 0 || height == 0 ||
        quality > 0 || !sampleCountSupported(multiSample, false)) {
        return Result::InvalidCall;
    }
    glFailure();
    auto s = makeRenderbuffer(m_context, *info, width, height, multiSample, usage::RENDERTARGET);
    const Result r = glFailure();
    if (r != Result::Ok) {
        return r;
    }
    trackDefault(s);
    out = std::move(s);
    return Result::Ok;
}

Result GlDevice::createDepthStencilSurface(const uint32_t width, const uint32_t height,
                                           const Format format, const MultiSample multiSample,
                                           const uint32_t quality, bool,
                                           std::shared_ptr<Surface>& out) {
    out.reset();
    Result r = Result::Ok;
    if (forced(test::Call::CreateDepthStencilSurface, r)) {
        return r;
    }
    const FormatInfo* const info = formatInfo(format);
    if (info == nullptr || !info->depth || width == 0 || height == 0 || quality > 0 ||
        !sampleCountSupported(multiSample, true)) {
        return Result::InvalidCall;
    }
    glFailure();
    auto s = makeRenderbuffer(m_context, *info, width, height, multiSample, usage::DEPTHSTENCIL);
    r = glFailure();
    if (r != Result::Ok) {
        return r;
    }
    trackDefault(s);
    out = std::move(s);
    return Result::Ok;
}

Result GlDevice::createOffscreenPlainSurface(const uint32_t width, const uint32_t height,
                                             const Format format, const Pool pool,
                                             std::shared_ptr<Surface>& out) {
    out.reset();
    const FormatInfo* const info = formatInfo(format);
    if (info == nullptr || info->internalFormat == 0 || info->depth || width == 0 || height == 0 ||
        pool == Pool::Managed) {
        return Result::InvalidCall;
    }
    SurfaceDesc desc;
    desc.format = format;
    desc.pool = pool;
    desc.width = width;
    desc.height = height;
    auto s = std::make_shared<GlSurface>(m_context, GlSurface::Kind::SystemMemory, desc);
    if (pool == Pool::Default) {
        trackDefault(s);
    }
    out = std::move(s);
    return Result::Ok;
}

Result GlDevice::createVertexBuffer(const uint32_t length, const uint32_t usageFlags,
                                    const Pool pool, std::shared_ptr<VertexBuffer>& out) {
    out.reset();
    if (length == 0) {
        return Result::InvalidCall;
    }
    glFailure();
    auto b = std::make_shared<GlVertexBuffer>(
        m_context, BufferDesc{length, usageFlags, pool, Format::Unknown});
    const Result r = glFailure();
    if (r != Result::Ok) {
        return r;
    }
    if (pool == Pool::Default) {
        trackDefault(b);
    }
    out = std::move(b);
    return Result::Ok;
}

Result GlDevice::createIndexBuffer(const uint32_t length, const uint32_t usageFlags,
                                   const Format format, const Pool pool,
                                   std::shared_ptr<IndexBuffer>& out) {
    out.reset();
    if (length == 0 || (format != Format::Index16 && format != Format::Index32)) {
        return Result::InvalidCall;
    }
    glFailure();
    auto b =
        std::make_shared<GlIndexBuffer>(m_context, BufferDesc{length, usageFlags, pool, format});
    const Result r = glFailure();
    if (r != Result::Ok) {
        return r;
    }
    if (pool == Pool::Default) {
        trackDefault(b);
    }
    out = std::move(b);
    return Result::Ok;
}

Result GlDevice::createVertexDeclaration(const VertexElement* const elements,
                                         std::shared_ptr<VertexDeclaration>& out) {
    out.reset();
    if (elements == nullptr) {
        return Result::InvalidCall;
    }
    std::vector<VertexElement> list;
    for (const VertexElement* e = elements; e->stream != 0xFF; ++e) {
        if (list.size() >= 64 || e->stream >= MAX_STREAMS || e->type >= DECLTYPE_UNUSED ||
            e->usage > DECLUSAGE_SAMPLE) {
            return Result::InvalidCall;
        }
        for (const VertexElement& seen : list) {
            if (seen.usage == e->usage && seen.usageIndex == e->usageIndex) {
                return Result::InvalidCall;
            }
        }
        list.push_back(*e);
    }
    out = std::make_shared<GlVertexDeclaration>(std::move(list));
    return Result::Ok;
}

Result GlDevice::createVertexShader(const char* const source, std::shared_ptr<VertexShader>& out) {
    out.reset();
    const GLuint name = compileVertexShader(source, m_shaderLog);
    if (name == 0) {
        return Result::InvalidCall;
    }
    out = std::make_shared<GlVertexShader>(m_context, name);
    return Result::Ok;
}

Result GlDevice::createPixelShader(const char* const source, std::shared_ptr<PixelShader>& out) {
    out.reset();
    const GLuint name = compilePixelShader(source, m_shaderLog);
    if (name == 0) {
        return Result::InvalidCall;
    }
    out = std::make_shared<GlPixelShader>(m_context, name);
    return Result::Ok;
}

Result GlDevice::createQuery(const QueryType type, std::shared_ptr<Query>* const out) {
    if (out != nullptr) {
        out->reset();
    }
    Result r = Result::Ok;
    if (forced(test::Call::CreateQuery, r)) {
        return r;
    }
    if (!isQueryTypeSupported(type)) {
        return Result::NotAvailable;
    }
    if (out != nullptr) {
        *out = std::make_shared<GlQuery>(m_context, type);
    }
    return Result::Ok;
}

} // namespace zqp::gpu::gl
