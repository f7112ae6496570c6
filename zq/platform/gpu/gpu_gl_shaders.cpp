// Shader stages of the OpenGL device. A caller's GLSL body is wrapped in the device's own
// prelude (inputs by usage, the standard outputs, constant registers) and epilogue (clip-space
// fix-up, alpha test), so that every program follows the same conventions: the vertex stage
// returns a clip position with depth 0..1 and y up, the device flips it so that row 0 of a
// target is its top, and shifts it by half a pixel so that pixel centres lie on integers.
#include "zq/platform/gpu/gpu_gl_internal.h"

#include <cstdio>
#include <cstring>

namespace zqp::gpu::gl {

namespace {

constexpr const char* VERTEX_PRELUDE = R"(#version 330 core
layout(location = 0) in vec4 inPosition;
layout(location = 1) in vec4 inBlendWeight;
layout(location = 2) in vec4 inBlendIndices;
layout(location = 3) in vec3 inNormal;
layout(location = 4) in float inPSize;
layout(location = 5) in vec3 inTangent;
layout(location = 6) in vec3 inBinormal;
layout(location = 7) in vec4 inColor0;
layout(location = 8) in vec4 inColor1;
layout(location = 9) in vec4 inTexCoord0;
layout(location = 10) in vec4 inTexCoord1;
layout(location = 11) in vec4 inTexCoord2;
layout(location = 12) in vec4 inTexCoord3;
layout(location = 13) in vec4 inTexCoord4;
layout(location = 14) in vec4 inTexCoord5;
layout(location = 15) in vec4 inTexCoord6;
out vec4 vColor0;
out vec4 vColor1;
out vec4 vTexCoord0;
out vec4 vTexCoord1;
out vec4 vTexCoord2;
out vec4 vTexCoord3;
out vec4 vTexCoord4;
out vec4 vTexCoord5;
out vec4 vTexCoord6;
out vec4 vTexCoord7;
uniform vec4 zq_vc[256];
uniform vec4 zq_posFix;
#line 1
)";

// x, y: one pixel of the viewport in clip units (half-pixel shift, y flipped);
// z, w: depth scale and offset (identity where clip control maps depth 0..1 itself).
constexpr const char* VERTEX_EPILOGUE = R"(
void main() {
    vec4 p = vertexMain();
    gl_Position = vec4(p.x + p.w * zq_posFix.x, -p.y + p.w * zq_posFix.y,
                       p.z * zq_posFix.z + p.w * zq_posFix.w, p.w);
}
)";

constexpr const char* PIXEL_PRELUDE = R"(#version 330 core
in vec4 vColor0;
in vec4 vColor1;
in vec4 vTexCoord0;
in vec4 vTexCoord1;
in vec4 vTexCoord2;
in vec4 vTexCoord3;
in vec4 vTexCoord4;
in vec4 vTexCoord5;
in vec4 vTexCoord6;
in vec4 vTexCoord7;
uniform vec4 zq_pc[224];
uniform vec4 zq_alphaTest;
layout(location = 0) out vec4 zq_fragColor;
#line 1
)";

// The alpha test compares the colour's alpha as a byte with the reference, as the
// comparison numbers say (1 never .. 8 always).
constexpr const char* PIXEL_EPILOGUE = R"(
void main() {
    vec4 c = pixelMain();
    if (zq_alphaTest.x > 0.5) {
        float a = floor(clamp(c.a, 0.0, 1.0) * 255.0 + 0.5);
        float r = zq_alphaTest.z;
        int f = int(zq_alphaTest.y);
        bool pass = f == 2 ? a < r : f == 3 ? a == r : f == 4 ? a <= r : f == 5 ? a > r
                  : f == 6 ? a != r : f == 7 ? a >= r : f != 1;
        if (!pass) {
            discard;
        }
    }
    zq_fragColor = c;
}
)";

constexpr const char* FIXED_VERTEX_BODY = R"(
uniform mat4 zq_ffpTransform;
uniform ivec4 zq_ffpMode;
uniform vec4 zq_ffpViewport;
vec4 vertexMain() {
    vColor0 = inColor0;
    vColor1 = inColor1;
    vTexCoord0 = inTexCoord0;
    vTexCoord1 = inTexCoord1;
    vTexCoord2 = vec4(0.0);
    vTexCoord3 = vec4(0.0);
    vTexCoord4 = vec4(0.0);
    vTexCoord5 = vec4(0.0);
    vTexCoord6 = vec4(0.0);
    vTexCoord7 = vec4(0.0);
    if (zq_ffpMode.x != 0) {
        // Screen pixels with the reciprocal of w.
        float w = inPosition.w != 0.0 ? 1.0 / inPosition.w : 1.0;
        vec2 ndc = vec2((inPosition.x - zq_ffpViewport.x) / zq_ffpViewport.z * 2.0 - 1.0,
                        1.0 - (inPosition.y - zq_ffpViewport.y) / zq_ffpViewport.w * 2.0);
        return vec4(ndc * w, inPosition.z * w, w);
    }
    return inPosition * zq_ffpTransform;
}
)";

// Texture stage 0: an operation on two arguments for colour and one for alpha.
constexpr const char* FIXED_PIXEL_BODY = R"(
uniform sampler2D zq_s0;
uniform ivec4 zq_ffpStage;
uniform ivec4 zq_ffpStage2;
uniform vec4 zq_ffpFactor;
vec4 zqArg(int a, vec4 tex) {
    a = a & 7;
    return a == 2 ? tex : a == 3 ? zq_ffpFactor : vColor0;
}
vec4 zqOp(int op, vec4 a1, vec4 a2) {
    return op == 2 ? a1 : op == 3 ? a2 : op == 4 ? a1 * a2 : op == 5 ? a1 * a2 * 2.0
         : op == 6 ? a1 * a2 * 4.0 : op == 7 ? a1 + a2 : vColor0;
}
vec4 pixelMain() {
    vec4 tex = zq_ffpStage2.z != 0 ? texture(zq_s0, vTexCoord0.xy) : vec4(1.0);
    vec4 c = zqOp(zq_ffpStage.x, zqArg(zq_ffpStage.y, tex), zqArg(zq_ffpStage.z, tex));
    vec4 a = zqOp(zq_ffpStage.w, zqArg(zq_ffpStage2.x, tex), zqArg(zq_ffpStage2.y, tex));
    return clamp(vec4(c.rgb, a.a), 0.0, 1.0);
}
)";

GLuint compile(const GLenum type, const char* const prelude, const char* const body,
               const char* const epilogue, std::string& log) {
    log.clear();
    if (body == nullptr) {
        log = "no source";
        return 0;
    }
    const GLuint shader = glCreateShader(type);
    const char* const parts[] = {prelude, body, epilogue};
    glShaderSource(shader, 3, parts, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        GLint length = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
        log.resize(static_cast<size_t>(std::max(length, 1)));
        glGetShaderInfoLog(shader, length, nullptr, log.data());
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLint arraySize(const GLuint program, const char* const name) {
    GLint count = 0;
    glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
    const size_t nameLength = std::strlen(name);
    for (GLint i = 0; i < count; ++i) {
        char buffer[64] = {};
        GLint size = 0;
        GLenum type = 0;
        glGetActiveUniform(program, static_cast<GLuint>(i), sizeof buffer, nullptr, &size, &type,
                           buffer);
        if (std::strncmp(buffer, name, nameLength) == 0 &&
            (buffer[nameLength] == 0 || buffer[nameLength] == '[')) {
            return size;
        }
    }
    return 0;
}

} // namespace

GLuint compileVertexShader(const char* const body, std::string& log) {
    return compile(GL_VERTEX_SHADER, VERTEX_PRELUDE, body, VERTEX_EPILOGUE, log);
}

GLuint compilePixelShader(const char* const body, std::string& log) {
    return compile(GL_FRAGMENT_SHADER, PIXEL_PRELUDE, body, PIXEL_EPILOGUE, log);
}

GLuint compileFixedVertexShader(std::string& log) {
    return compileVertexShader(FIXED_VERTEX_BODY, log);
}

GLuint compileFixedPixelShader(std::string& log) {
    return compilePixelShader(FIXED_PIXEL_BODY, log);
}

bool linkProgram(const GLuint vs, const GLuint ps, Program& out, std::string& log) {
    out = {};
    log.clear();
    const GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, ps);
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        GLint length = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        log.resize(static_cast<size_t>(std::max(length, 1)));
        glGetProgramInfoLog(program, length, nullptr, log.data());
        glDeleteProgram(program);
        return false;
    }
    // Stages stay attached: a shader deleted by its owner lives on inside the program.
    out.name = program;
    out.vc = glGetUniformLocation(program, "zq_vc");
    out.pc = glGetUniformLocation(program, "zq_pc");
    out.vcCount = arraySize(program, "zq_vc");
    out.pcCount = arraySize(program, "zq_pc");
    out.posFix = glGetUniformLocation(program, "zq_posFix");
    out.alphaTest = glGetUniformLocation(program, "zq_alphaTest");
    out.ffpTransform = glGetUniformLocation(program, "zq_ffpTransform");
    out.ffpMode = glGetUniformLocation(program, "zq_ffpMode");
    out.ffpViewport = glGetUniformLocation(program, "zq_ffpViewport");
    out.ffpStage = glGetUniformLocation(program, "zq_ffpStage");
    out.ffpStage2 = glGetUniformLocation(program, "zq_ffpStage2");
    out.ffpFactor = glGetUniformLocation(program, "zq_ffpFactor");
    glUseProgram(program);
    for (int i = 0; i < static_cast<int>(MAX_SAMPLERS); ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "zq_s%d", i);
        const GLint location = glGetUniformLocation(program, name);
        if (location >= 0) {
            glUniform1i(location, i);
        }
    }
    return true;
}

} // namespace zqp::gpu::gl
