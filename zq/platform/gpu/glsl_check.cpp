#include "zq/platform/gpu/glsl_check.h"

#include "zq/platform/gpu/gpu_gl_internal.h"
#include "zq/platform/gpu/gpu_gl_surfaceless_internal.h"

namespace zqp::gpu {

GlslChecker::GlslChecker() {
    const EGLContext context = gl::createSurfacelessContext();
    m_context = context != EGL_NO_CONTEXT ? context : nullptr;
}

GlslChecker::~GlslChecker() {
    if (m_context == nullptr) {
        return;
    }
    const EGLDisplay display = gl::surfacelessDisplay();
    if (eglGetCurrentContext() == m_context) {
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    eglDestroyContext(display, m_context);
}

bool GlslChecker::compile(const Stage stage, const std::string& body, std::string& log) const {
    log.clear();
    if (m_context == nullptr) {
        log = "no OpenGL context for the shader compiler";
        return false;
    }
    if (eglMakeCurrent(gl::surfacelessDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, m_context) !=
        EGL_TRUE) {
        log = "the shader compiler's context cannot be made current";
        return false;
    }
    const GLuint shader = stage == Stage::Vertex ? gl::compileVertexShader(body.c_str(), log)
                                                 : gl::compilePixelShader(body.c_str(), log);
    if (shader == 0) {
        return false;
    }
    glDeleteShader(shader);
    return true;
}

} // namespace zqp::gpu
