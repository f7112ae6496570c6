// Compiling shader bodies with the OpenGL driver's own compiler, away from any window or
// device, so that the effect compiler (tools/effect) refuses GLSL that the device would refuse
// when the effect is loaded. A body is completed exactly as the device completes it (its
// prelude of inputs, outputs and constant registers, and its main()).
// Not for drawing: no device, no resources. Depends on libepoxy and EGL surfaceless only, so
// that a tool builds it without libzq; where no context can be made, nothing is checked.
#pragma once

#include <string>

namespace zqp::gpu {

class GlslChecker {
public:
    enum class Stage { Vertex, Pixel };

    // Makes a context of its own for the checks.
    GlslChecker();
    ~GlslChecker();
    GlslChecker(const GlslChecker&) = delete;
    GlslChecker& operator=(const GlslChecker&) = delete;

    // False when no OpenGL 3.3 core context could be made here (no EGL surfaceless platform,
    // no driver): then nothing can be checked.
    bool isReady() const { return m_context != nullptr; }

    // True when the body compiles for the stage; otherwise false with the driver's log, whose
    // lines locate each error in the body's own lines ("0:12(5): error: ..." on Mesa). False
    // with a log saying so when the checker is not ready. Leaves the checker's own context
    // current on the calling thread.
    bool compile(Stage stage, const std::string& body, std::string& log) const;

private:
    void* m_context = nullptr;
};

} // namespace zqp::gpu
