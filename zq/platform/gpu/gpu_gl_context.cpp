// OpenGL contexts of the device: from the SDL window, or EGL surfaceless when there is no
// window; the adapter facts read once from a short-lived context; the display's modes.
#include "zq/platform/gpu/gpu_gl_internal.h"

#include "zq/platform/gpu/gpu_gl_surfaceless_internal.h"
#include "zq/platform/window/window_sdl2_internal.h"

#include <algorithm>
#include <cstring>

namespace zqp::gpu::gl {

namespace {

void setSdlContextAttributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
}

// Whatever context was current before a probe, so that it can be made current again.
struct SavedCurrent {
    SDL_Window* sdlWindow = nullptr;
    SDL_GLContext sdlContext = nullptr;
    EGLDisplay eglDisplay = EGL_NO_DISPLAY;
    EGLContext eglContext = EGL_NO_CONTEXT;
    EGLSurface eglDraw = EGL_NO_SURFACE;
    EGLSurface eglRead = EGL_NO_SURFACE;

    SavedCurrent() {
        if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
            sdlWindow = SDL_GL_GetCurrentWindow();
            sdlContext = SDL_GL_GetCurrentContext();
        }
        eglContext = eglGetCurrentContext();
        if (eglContext != EGL_NO_CONTEXT) {
            eglDisplay = eglGetCurrentDisplay();
            eglDraw = eglGetCurrentSurface(EGL_DRAW);
            eglRead = eglGetCurrentSurface(EGL_READ);
        }
    }
    void restore() const {
        if (sdlContext != nullptr) {
            SDL_GL_MakeCurrent(sdlWindow, sdlContext);
        } else if (eglContext != EGL_NO_CONTEXT) {
            eglMakeCurrent(eglDisplay, eglDraw, eglRead, eglContext);
        }
    }
};

std::vector<int> sampleCountsOf(const GLenum internalFormat) {
    std::vector<int> counts;
    GLint n = 0;
    glGetInternalformativ(GL_RENDERBUFFER, internalFormat, GL_NUM_SAMPLE_COUNTS, 1, &n);
    if (n > 0 && n <= 64) {
        counts.resize(static_cast<size_t>(n));
        glGetInternalformativ(GL_RENDERBUFFER, internalFormat, GL_SAMPLES, n, counts.data());
    }
    return counts;
}

void readFacts(AdapterFacts& f) {
    const auto text = [](const GLenum name) {
        const auto* const s = reinterpret_cast<const char*>(glGetString(name));
        return std::string(s != nullptr ? s : "");
    };
    f.vendor = text(GL_VENDOR);
    f.renderer = text(GL_RENDERER);
    f.version = text(GL_VERSION);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &f.maxTextureSize);
    glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &f.max3dTextureSize);
    glGetIntegerv(GL_MAX_CUBE_MAP_TEXTURE_SIZE, &f.maxCubeSize);
    glGetIntegerv(GL_MAX_SAMPLES, &f.maxSamples);
    glGetIntegerv(GL_MAX_VERTEX_UNIFORM_VECTORS, &f.maxVertexUniformVectors);
    glGetIntegerv(GL_MAX_FRAGMENT_UNIFORM_VECTORS, &f.maxFragmentUniformVectors);
    glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &f.maxTextureUnits);
    glGetIntegerv(GL_MAX_CLIP_DISTANCES, &f.maxClipDistances);
    GLfloat pointRange[2] = {1.0f, 1.0f};
    glGetFloatv(GL_POINT_SIZE_RANGE, pointRange);
    f.maxPointSize = pointRange[1];
    const int glVersion = epoxy_gl_version();
    f.clipControl = glVersion >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
    f.s3tc = epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
    f.anisotropic = glVersion >= 46 ||
                    epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") ||
                    epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic");
    if (f.anisotropic) {
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &f.maxAnisotropy);
    }
    if (glVersion >= 42 || epoxy_has_gl_extension("GL_ARB_internalformat_query")) {
        f.sampleCounts = sampleCountsOf(GL_RGBA8);
        f.depthSampleCounts = sampleCountsOf(GL_DEPTH24_STENCIL8);
    } else {
        for (int s = f.maxSamples; s >= 2; --s) {
            f.sampleCounts.push_back(s);
            f.depthSampleCounts.push_back(s);
        }
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    f.valid = glVersion >= 33;
}

AdapterFacts probe() {
    AdapterFacts facts;
    const SavedCurrent saved;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        setSdlContextAttributes();
        SDL_Window* const w =
            SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (w != nullptr) {
            const SDL_GLContext c = SDL_GL_CreateContext(w);
            if (c != nullptr) {
                readFacts(facts);
                SDL_GL_MakeCurrent(w, nullptr);
                SDL_GL_DeleteContext(c);
            }
            SDL_DestroyWindow(w);
        }
    }
    if (!facts.valid) {
        const EGLContext c = createSurfacelessContext();
        if (c != EGL_NO_CONTEXT) {
            if (eglMakeCurrent(surfacelessDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, c) ==
                EGL_TRUE) {
                readFacts(facts);
            }
            eglMakeCurrent(surfacelessDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            eglDestroyContext(surfacelessDisplay(), c);
        }
    }
    saved.restore();
    return facts;
}

Format formatOfSdl(const uint32_t sdlFormat) {
    switch (sdlFormat) {
    case SDL_PIXELFORMAT_ARGB8888:
        return Format::A8R8G8B8;
    case SDL_PIXELFORMAT_RGB565:
        return Format::R5G6B5;
    default:
        return SDL_BITSPERPIXEL(sdlFormat) >= 24 ? Format::X8R8G8B8 : Format::Unknown;
    }
}

} // namespace

const AdapterFacts& adapterFacts() {
    static AdapterFacts facts;
    if (!facts.valid) {
        facts = probe();
    }
    return facts;
}

bool currentDisplayMode(DisplayMode& out) {
    out = {};
    out.format = Format::X8R8G8B8;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return true;
    }
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        return false;
    }
    out.width = static_cast<uint32_t>(std::max(mode.w, 0));
    out.height = static_cast<uint32_t>(std::max(mode.h, 0));
    out.refreshRate = static_cast<uint32_t>(std::max(mode.refresh_rate, 0));
    const Format f = formatOfSdl(mode.format);
    out.format = f == Format::Unknown ? Format::X8R8G8B8 : f;
    return true;
}

std::vector<DisplayMode> fullScreenModes(const Format format) {
    std::vector<DisplayMode> modes;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return modes;
    }
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(0, i, &m) != 0 || m.w <= 0 || m.h <= 0 ||
            formatOfSdl(m.format) != format) {
            continue;
        }
        modes.push_back({static_cast<uint32_t>(m.w), static_cast<uint32_t>(m.h),
                         static_cast<uint32_t>(std::max(m.refresh_rate, 0)), format});
    }
    // Drivers without a mode list (offscreen, some virtual displays) still have the desktop.
    DisplayMode desktop;
    if (modes.empty() && currentDisplayMode(desktop) && desktop.width > 0 &&
        desktop.format == format) {
        modes.push_back(desktop);
    }
    return modes;
}

std::shared_ptr<Context> Context::create(const WindowHandle window) {
    const auto c = std::make_shared<Context>();
    c->m_window = window;
    if (window != nullptr) {
        SDL_Window* const sdl = sdlWindow(window);
        if (sdl == nullptr || (SDL_GetWindowFlags(sdl) & SDL_WINDOW_OPENGL) == 0) {
            return nullptr;
        }
        setSdlContextAttributes();
        c->m_sdlContext = SDL_GL_CreateContext(sdl);
        if (c->m_sdlContext == nullptr) {
            return nullptr;
        }
    } else {
        const EGLContext e = createSurfacelessContext();
        if (e == EGL_NO_CONTEXT) {
            return nullptr;
        }
        c->m_eglContext = e;
    }
    c->makeCurrent();
    if (epoxy_gl_version() < 33) {
        return nullptr;
    }
    GLint doubleBuffered = 0;
    if (window != nullptr) {
        glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
    }
    c->m_doubleBuffered = doubleBuffered != 0;
    return c;
}

Context::~Context() {
    if (m_sdlContext != nullptr) {
        if (SDL_GL_GetCurrentContext() == m_sdlContext) {
            SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
        }
        SDL_GL_DeleteContext(m_sdlContext);
    }
    if (m_eglContext != nullptr) {
        if (eglGetCurrentContext() == m_eglContext) {
            eglMakeCurrent(surfacelessDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        }
        eglDestroyContext(surfacelessDisplay(), m_eglContext);
    }
}

void Context::makeCurrent() const {
    if (m_sdlContext != nullptr) {
        SDL_GL_MakeCurrent(sdlWindow(m_window), m_sdlContext);
    } else if (m_eglContext != nullptr) {
        eglMakeCurrent(surfacelessDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, m_eglContext);
    }
}

bool Context::isCurrent() const {
    if (m_sdlContext != nullptr) {
        return SDL_GL_GetCurrentContext() == m_sdlContext;
    }
    return m_eglContext != nullptr && eglGetCurrentContext() == m_eglContext;
}

void Context::drawableSize(int& width, int& height) const {
    width = 0;
    height = 0;
    SDL_Window* const sdl = m_window != nullptr ? sdlWindow(m_window) : nullptr;
    if (sdl != nullptr) {
        SDL_GL_GetDrawableSize(sdl, &width, &height);
    }
}

void Context::swap() const {
    SDL_Window* const sdl = m_window != nullptr ? sdlWindow(m_window) : nullptr;
    if (sdl != nullptr) {
        SDL_GL_SwapWindow(sdl);
    }
}

void Context::setSwapInterval(const int interval) const {
    if (m_sdlContext != nullptr) {
        SDL_GL_SetSwapInterval(interval);
    }
}

} // namespace zqp::gpu::gl
