#include "zq/platform/gpu/gpu_gl_surfaceless_internal.h"

#include <cstring>

namespace zqp::gpu::gl {

// Terminating the display would make the driver unload while allocations of its own are
// still alive: it is kept.
EGLDisplay surfacelessDisplay() {
    static EGLDisplay display = [] {
        const char* const clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
        if (clientExtensions == nullptr ||
            std::strstr(clientExtensions, "EGL_MESA_platform_surfaceless") == nullptr ||
            std::strstr(clientExtensions, "EGL_EXT_platform_base") == nullptr) {
            return EGL_NO_DISPLAY;
        }
        EGLDisplay d =
            eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (d == EGL_NO_DISPLAY) {
            return EGL_NO_DISPLAY;
        }
        EGLint major = 0;
        EGLint minor = 0;
        if (eglInitialize(d, &major, &minor) != EGL_TRUE) {
            return EGL_NO_DISPLAY;
        }
        return d;
    }();
    return display;
}

EGLContext createSurfacelessContext() {
    const EGLDisplay display = surfacelessDisplay();
    if (display == EGL_NO_DISPLAY || eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
        return EGL_NO_CONTEXT;
    }
    const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                 3,
                                 EGL_CONTEXT_MINOR_VERSION,
                                 3,
                                 EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                 EGL_NONE};
    return eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
}

} // namespace zqp::gpu::gl
