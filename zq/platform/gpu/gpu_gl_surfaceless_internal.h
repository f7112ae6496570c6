// EGL surfaceless contexts (Mesa), for a device without a window and for the shader check of
// the effect compiler: OpenGL 3.3 core with no display at all. Only zq/platform/gpu includes
// this; it depends on libepoxy's EGL alone, so that a tool can build it without libzq.
#pragma once

#include <epoxy/egl.h>

namespace zqp::gpu::gl {

// The EGL display of surfaceless contexts, made once and kept for the life of the process;
// EGL_NO_DISPLAY where the platform is missing.
EGLDisplay surfacelessDisplay();
// A new OpenGL 3.3 core context on that display, current nowhere; EGL_NO_CONTEXT on failure.
EGLContext createSurfacelessContext();

} // namespace zqp::gpu::gl
