// Clears and draws of the OpenGL device, and the states reaching OpenGL just before them.
#include "zq/platform/gpu/gpu_gl_internal.h"

#include <algorithm>
#include <cstring>

namespace zqp::gpu::gl {

namespace {

float bitsFloat(const uint32_t u) {
    float f = 0.0f;
    std::memcpy(&f, &u, 4);
    return f;
}

void argbToFloats(const uint32_t argb, float out[4]) {
    out[0] = static_cast<float>((argb >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((argb >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(argb & 0xFF) / 255.0f;
    out[3] = static_cast<float>(argb >> 24) / 255.0f;
}

GLenum cmpOf(const uint32_t f) {
    switch (f) {
    case CMPFUNC_NEVER:
        return GL_NEVER;
    case CMPFUNC_LESS:
        return GL_LESS;
    case CMPFUNC_EQUAL:
        return GL_EQUAL;
    case CMPFUNC_LESSEQUAL:
        return GL_LEQUAL;
    case CMPFUNC_GREATER:
        return GL_GREATER;
    case CMPFUNC_NOTEQUAL:
        return GL_NOTEQUAL;
    case CMPFUNC_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum stencilOpOf(const uint32_t op) {
    switch (op) {
    case STENCILOP_ZERO:
        return GL_ZERO;
    case STENCILOP_REPLACE:
        return GL_REPLACE;
    case STENCILOP_INCRSAT:
        return GL_INCR;
    case STENCILOP_DECRSAT:
        return GL_DECR;
    case STENCILOP_INVERT:
        return GL_INVERT;
    case STENCILOP_INCR:
        return GL_INCR_WRAP;
    case STENCILOP_DECR:
        return GL_DECR_WRAP;
    default:
        return GL_KEEP;
    }
}

GLenum blendOf(const uint32_t b) {
    switch (b) {
    case BLEND_ZERO:
        return GL_ZERO;
    case BLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case BLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case BLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case BLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case BLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case BLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case BLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case BLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case BLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    case BLEND_BLENDFACTOR:
        return GL_CONSTANT_COLOR;
    case BLEND_INVBLENDFACTOR:
        return GL_ONE_MINUS_CONSTANT_COLOR;
    default:
        return GL_ONE;
    }
}

// The two "both" modes set the source and the destination factor together.
void blendPairOf(const uint32_t src, const uint32_t dst, GLenum& s, GLenum& d) {
    if (src == BLEND_BOTHSRCALPHA) {
        s = GL_SRC_ALPHA;
        d = GL_ONE_MINUS_SRC_ALPHA;
    } else if (src == BLEND_BOTHINVSRCALPHA) {
        s = GL_ONE_MINUS_SRC_ALPHA;
        d = GL_SRC_ALPHA;
    } else {
        s = blendOf(src);
        d = blendOf(dst);
    }
}

GLenum blendOpOf(const uint32_t op) {
    switch (op) {
    case BLENDOP_SUBTRACT:
        return GL_FUNC_SUBTRACT;
    case BLENDOP_REVSUBTRACT:
        return GL_FUNC_REVERSE_SUBTRACT;
    case BLENDOP_MIN:
        return GL_MIN;
    case BLENDOP_MAX:
        return GL_MAX;
    default:
        return GL_FUNC_ADD;
    }
}

GLenum addressOf(const uint32_t a) {
    switch (a) {
    case TEXADDR_MIRROR:
        return GL_MIRRORED_REPEAT;
    case TEXADDR_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case TEXADDR_BORDER:
        return GL_CLAMP_TO_BORDER;
    case TEXADDR_MIRRORONCE:
        return GL_MIRROR_CLAMP_TO_EDGE;
    default:
        return GL_REPEAT;
    }
}

GLenum modeOf(const PrimitiveType type) {
    switch (type) {
    case PrimitiveType::PointList:
        return GL_POINTS;
    case PrimitiveType::LineList:
        return GL_LINES;
    case PrimitiveType::LineStrip:
        return GL_LINE_STRIP;
    case PrimitiveType::TriangleList:
        return GL_TRIANGLES;
    case PrimitiveType::TriangleStrip:
        return GL_TRIANGLE_STRIP;
    case PrimitiveType::TriangleFan:
        return GL_TRIANGLE_FAN;
    }
    return GL_POINTS;
}

// Vertices a primitive count takes; 0 for an unknown type.
uint64_t vertexCountOf(const PrimitiveType type, const uint32_t n) {
    switch (type) {
    case PrimitiveType::PointList:
        return n;
    case PrimitiveType::LineList:
        return 2ull * n;
    case PrimitiveType::LineStrip:
        return n + 1ull;
    case PrimitiveType::TriangleList:
        return 3ull * n;
    case PrimitiveType::TriangleStrip:
    case PrimitiveType::TriangleFan:
        return n + 2ull;
    }
    return 0;
}

// Attribute slot of an element, as the shader prelude declares them; -1 for none.
int locationOf(const VertexElement& e) {
    switch (e.usage) {
    case DECLUSAGE_POSITION:
    case DECLUSAGE_POSITIONT:
        return e.usageIndex == 0 ? 0 : -1;
    case DECLUSAGE_BLENDWEIGHT:
        return e.usageIndex == 0 ? 1 : -1;
    case DECLUSAGE_BLENDINDICES:
        return e.usageIndex == 0 ? 2 : -1;
    case DECLUSAGE_NORMAL:
        return e.usageIndex == 0 ? 3 : -1;
    case DECLUSAGE_PSIZE:
        return e.usageIndex == 0 ? 4 : -1;
    case DECLUSAGE_TANGENT:
        return e.usageIndex == 0 ? 5 : -1;
    case DECLUSAGE_BINORMAL:
        return e.usageIndex == 0 ? 6 : -1;
    case DECLUSAGE_COLOR:
        return e.usageIndex < 2 ? 7 + e.usageIndex : -1;
    case DECLUSAGE_TEXCOORD:
        return e.usageIndex < 7 ? 9 + e.usageIndex : -1;
    default:
        return -1;
    }
}

struct AttribFormat {
    GLint size;
    GLenum type;
    GLboolean normalized;
};

AttribFormat attribFormatOf(const uint8_t type) {
    switch (type) {
    case DECLTYPE_FLOAT1:
        return {1, GL_FLOAT, GL_FALSE};
    case DECLTYPE_FLOAT2:
        return {2, GL_FLOAT, GL_FALSE};
    case DECLTYPE_FLOAT3:
        return {3, GL_FLOAT, GL_FALSE};
    case DECLTYPE_FLOAT4:
        return {4, GL_FLOAT, GL_FALSE};
    case DECLTYPE_D3DCOLOR:
        return {GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE};
    case DECLTYPE_UBYTE4:
        return {4, GL_UNSIGNED_BYTE, GL_FALSE};
    case DECLTYPE_SHORT2:
        return {2, GL_SHORT, GL_FALSE};
    case DECLTYPE_SHORT4:
        return {4, GL_SHORT, GL_FALSE};
    case DECLTYPE_UBYTE4N:
        return {4, GL_UNSIGNED_BYTE, GL_TRUE};
    case DECLTYPE_SHORT2N:
        return {2, GL_SHORT, GL_TRUE};
    case DECLTYPE_SHORT4N:
        return {4, GL_SHORT, GL_TRUE};
    case DECLTYPE_USHORT2N:
        return {2, GL_UNSIGNED_SHORT, GL_TRUE};
    case DECLTYPE_USHORT4N:
        return {4, GL_UNSIGNED_SHORT, GL_TRUE};
    case DECLTYPE_UDEC3:
        return {4, GL_UNSIGNED_INT_2_10_10_10_REV, GL_FALSE};
    case DECLTYPE_DEC3N:
        return {4, GL_INT_2_10_10_10_REV, GL_TRUE};
    case DECLTYPE_FLOAT16_2:
        return {2, GL_HALF_FLOAT, GL_FALSE};
    default:
        return {4, GL_HALF_FLOAT, GL_FALSE};
    }
}

// Values of attributes that a declaration leaves out: white diffuse, black specular.
void setDefaultAttribute(const GLuint location) {
    if (location == 7) {
        glVertexAttrib4f(location, 1.0f, 1.0f, 1.0f, 1.0f);
    } else if (location == 8) {
        glVertexAttrib4f(location, 0.0f, 0.0f, 0.0f, 0.0f);
    } else {
        glVertexAttrib4f(location, 0.0f, 0.0f, 0.0f, 1.0f);
    }
}

Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix c;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[i * 4 + k] * b.m[k * 4 + j];
            }
            c.m[i * 4 + j] = sum;
        }
    }
    return c;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Reaching OpenGL

void GlDevice::bindTargets() {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_drawFbo);
    if (!m_targetsDirty) {
        return;
    }
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
    if (m_renderTargets[0] != nullptr) {
        m_renderTargets[0]->attach(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0);
    }
    if (m_depthStencil != nullptr) {
        const Format f = m_depthStencil->desc().format;
        m_depthStencil->attach(GL_DRAW_FRAMEBUFFER, f == Format::D24S8 ? GL_DEPTH_STENCIL_ATTACHMENT
                                                                       : GL_DEPTH_ATTACHMENT);
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    m_targetsDirty = false;
}

void GlDevice::applyRenderStates() {
    if (!m_rsDirty) {
        return;
    }
    const auto rs = [this](const RenderState s) { return m_rs[static_cast<size_t>(s)]; };
    glViewport(static_cast<GLint>(m_viewport.x), static_cast<GLint>(m_viewport.y),
               static_cast<GLsizei>(m_viewport.width), static_cast<GLsizei>(m_viewport.height));
    glDepthRange(m_viewport.minZ, m_viewport.maxZ);

    if (rs(RenderState::ZEnable) != ZBUFFERMODE_OFF) {
        glEnable(GL_DEPTH_TEST);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthFunc(cmpOf(rs(RenderState::ZFunc)));
    glDepthMask(rs(RenderState::ZWriteEnable) != 0 ? GL_TRUE : GL_FALSE);

    switch (rs(RenderState::CullMode)) {
    case CULLMODE_CW:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        break;
    case CULLMODE_CCW:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        break;
    default:
        glDisable(GL_CULL_FACE);
        break;
    }
    const uint32_t fill = rs(RenderState::FillMode);
    glPolygonMode(GL_FRONT_AND_BACK, fill == FILLMODE_POINT       ? GL_POINT
                                     : fill == FILLMODE_WIREFRAME ? GL_LINE
                                                                  : GL_FILL);

    if (rs(RenderState::AlphaBlendEnable) != 0) {
        glEnable(GL_BLEND);
    } else {
        glDisable(GL_BLEND);
    }
    GLenum src = GL_ONE;
    GLenum dst = GL_ZERO;
    blendPairOf(rs(RenderState::SrcBlend), rs(RenderState::DestBlend), src, dst);
    GLenum srcA = src;
    GLenum dstA = dst;
    GLenum opA = blendOpOf(rs(RenderState::BlendOp));
    if (rs(RenderState::SeparateAlphaBlendEnable) != 0) {
        blendPairOf(rs(RenderState::SrcBlendAlpha), rs(RenderState::DestBlendAlpha), srcA, dstA);
        opA = blendOpOf(rs(RenderState::BlendOpAlpha));
    }
    glBlendFuncSeparate(src, dst, srcA, dstA);
    glBlendEquationSeparate(blendOpOf(rs(RenderState::BlendOp)), opA);
    float factor[4];
    argbToFloats(rs(RenderState::BlendFactor), factor);
    glBlendColor(factor[0], factor[1], factor[2], factor[3]);

    const uint32_t mask = rs(RenderState::ColorWriteEnable);
    glColorMask((mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0);

    if (rs(RenderState::StencilEnable) != 0) {
        glEnable(GL_STENCIL_TEST);
    } else {
        glDisable(GL_STENCIL_TEST);
    }
    const auto ref = static_cast<GLint>(rs(RenderState::StencilRef) & 0xFF);
    const GLuint readMask = rs(RenderState::StencilMask);
    // Faces the caller calls clockwise are OpenGL's back faces (see glFrontFace in init).
    glStencilFuncSeparate(GL_BACK, cmpOf(rs(RenderState::StencilFunc)), ref, readMask);
    glStencilOpSeparate(GL_BACK, stencilOpOf(rs(RenderState::StencilFail)),
                        stencilOpOf(rs(RenderState::StencilZFail)),
                        stencilOpOf(rs(RenderState::StencilPass)));
    if (rs(RenderState::TwoSidedStencilMode) != 0) {
        glStencilFuncSeparate(GL_FRONT, cmpOf(rs(RenderState::CcwStencilFunc)), ref, readMask);
        glStencilOpSeparate(GL_FRONT, stencilOpOf(rs(RenderState::CcwStencilFail)),
                            stencilOpOf(rs(RenderState::CcwStencilZFail)),
                            stencilOpOf(rs(RenderState::CcwStencilPass)));
    } else {
        glStencilFuncSeparate(GL_FRONT, cmpOf(rs(RenderState::StencilFunc)), ref, readMask);
        glStencilOpSeparate(GL_FRONT, stencilOpOf(rs(RenderState::StencilFail)),
                            stencilOpOf(rs(RenderState::StencilZFail)),
                            stencilOpOf(rs(RenderState::StencilPass)));
    }
    glStencilMask(rs(RenderState::StencilWriteMask));

    if (rs(RenderState::ScissorTestEnable) != 0) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(m_scissor.left, m_scissor.top, std::max(m_scissor.right - m_scissor.left, 0),
                  std::max(m_scissor.bottom - m_scissor.top, 0));
    } else {
        glDisable(GL_SCISSOR_TEST);
    }
    if (rs(RenderState::MultiSampleAntialias) != 0) {
        glEnable(GL_MULTISAMPLE);
    } else {
        glDisable(GL_MULTISAMPLE);
    }
    const float bias = bitsFloat(rs(RenderState::DepthBias));
    const float slope = bitsFloat(rs(RenderState::SlopeScaleDepthBias));
    if (bias != 0.0f || slope != 0.0f) {
        // The bias is in depth units; OpenGL counts steps of the depth buffer.
        const bool d16 = m_depthStencil != nullptr && m_depthStencil->desc().format == Format::D16;
        glEnable(GL_POLYGON_OFFSET_FILL);
        glEnable(GL_POLYGON_OFFSET_LINE);
        glEnable(GL_POLYGON_OFFSET_POINT);
        glPolygonOffset(slope, bias * (d16 ? 65535.0f : 16777215.0f));
    } else {
        glDisable(GL_POLYGON_OFFSET_FILL);
        glDisable(GL_POLYGON_OFFSET_LINE);
        glDisable(GL_POLYGON_OFFSET_POINT);
    }
    m_rsDirty = false;
}

void GlDevice::applySampler(const uint32_t stage) {
    const auto& s = m_ss[stage];
    const GLuint name = m_samplers[stage];
    const auto ss = [&s](const SamplerState st) { return s[static_cast<size_t>(st)]; };
    glSamplerParameteri(name, GL_TEXTURE_WRAP_S,
                        static_cast<GLint>(addressOf(ss(SamplerState::AddressU))));
    glSamplerParameteri(name, GL_TEXTURE_WRAP_T,
                        static_cast<GLint>(addressOf(ss(SamplerState::AddressV))));
    glSamplerParameteri(name, GL_TEXTURE_WRAP_R,
                        static_cast<GLint>(addressOf(ss(SamplerState::AddressW))));
    const uint32_t mag = ss(SamplerState::MagFilter);
    const uint32_t min = ss(SamplerState::MinFilter);
    const uint32_t mip = ss(SamplerState::MipFilter);
    glSamplerParameteri(name, GL_TEXTURE_MAG_FILTER,
                        mag >= TEXFILTER_LINEAR ? GL_LINEAR : GL_NEAREST);
    const bool minLinear = min >= TEXFILTER_LINEAR;
    GLint minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
    if (mip == TEXFILTER_POINT) {
        minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    } else if (mip >= TEXFILTER_LINEAR) {
        minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    }
    glSamplerParameteri(name, GL_TEXTURE_MIN_FILTER, minFilter);
    glSamplerParameterf(name, GL_TEXTURE_LOD_BIAS, bitsFloat(ss(SamplerState::MipMapLodBias)));
    glSamplerParameterf(name, GL_TEXTURE_MIN_LOD,
                        static_cast<float>(ss(SamplerState::MaxMipLevel)));
    float border[4];
    argbToFloats(ss(SamplerState::BorderColor), border);
    glSamplerParameterfv(name, GL_TEXTURE_BORDER_COLOR, border);
    if (adapterFacts().anisotropic) {
        const bool aniso = mag == TEXFILTER_ANISOTROPIC || min == TEXFILTER_ANISOTROPIC;
        const float level = aniso ? std::clamp(static_cast<float>(ss(SamplerState::MaxAnisotropy)),
                                               1.0f, adapterFacts().maxAnisotropy)
                                  : 1.0f;
        glSamplerParameterf(name, GL_TEXTURE_MAX_ANISOTROPY_EXT, level);
    }
    m_ssDirty[stage] = false;
}

Program* GlDevice::currentProgram(const bool pretransformed) {
    for (const uint32_t dead : takeDeadShaderIds()) {
        for (auto it = m_programs.begin(); it != m_programs.end();) {
            if (it->first.first == dead || it->first.second == dead) {
                if (it->second.name != 0) {
                    glDeleteProgram(it->second.name);
                }
                it = m_programs.erase(it);
            } else {
                ++it;
            }
        }
    }
    // Pre-transformed vertices skip the vertex shader, as they have no vertex processing.
    const bool ownVertex = pretransformed || m_vertexShader == nullptr;
    const uint32_t vsId = ownVertex ? 0 : m_vertexShader->m_shader.m_id;
    const GLuint vs = ownVertex ? m_fixedVs : m_vertexShader->m_shader.name();
    const uint32_t psId = m_pixelShader == nullptr ? 0 : m_pixelShader->m_shader.m_id;
    const GLuint ps = m_pixelShader == nullptr ? m_fixedPs : m_pixelShader->m_shader.name();
    const auto key = std::make_pair(vsId, psId);
    auto it = m_programs.find(key);
    if (it == m_programs.end()) {
        Program program;
        if (!linkProgram(vs, ps, program, m_shaderLog)) {
            program = {};
        }
        it = m_programs.emplace(key, program).first;
    }
    return it->second.name != 0 ? &it->second : nullptr;
}

void GlDevice::uploadUniforms(Program& program, const bool pretransformed) {
    if (program.vc >= 0 && program.vcVersion != m_vcVersion) {
        glUniform4fv(program.vc, std::min<GLint>(program.vcCount, MAX_VERTEX_CONSTANTS),
                     m_vc.data());
        program.vcVersion = m_vcVersion;
    }
    if (program.pc >= 0 && program.pcVersion != m_pcVersion) {
        glUniform4fv(program.pc, std::min<GLint>(program.pcCount, MAX_PIXEL_CONSTANTS),
                     m_pc.data());
        program.pcVersion = m_pcVersion;
    }
    const auto rs = [this](const RenderState s) { return m_rs[static_cast<size_t>(s)]; };
    const bool clipControl = adapterFacts().clipControl;
    glUniform4f(program.posFix, 1.0f / static_cast<float>(m_viewport.width),
                1.0f / static_cast<float>(m_viewport.height), clipControl ? 1.0f : 2.0f,
                clipControl ? 0.0f : -1.0f);
    glUniform4f(program.alphaTest, rs(RenderState::AlphaTestEnable) != 0 ? 1.0f : 0.0f,
                static_cast<float>(rs(RenderState::AlphaFunc)),
                static_cast<float>(rs(RenderState::AlphaRef) & 0xFF), 0.0f);
    if (program.ffpTransform >= 0) {
        const Matrix wvp = multiply(multiply(m_world, m_view), m_projection);
        glUniformMatrix4fv(program.ffpTransform, 1, GL_TRUE, wvp.m);
        glUniform4i(program.ffpMode, pretransformed ? 1 : 0, 0, 0, 0);
        glUniform4f(program.ffpViewport, static_cast<float>(m_viewport.x),
                    static_cast<float>(m_viewport.y), static_cast<float>(m_viewport.width),
                    static_cast<float>(m_viewport.height));
    }
    if (program.ffpStage >= 0) {
        const auto& t = m_tss[0];
        const auto ts = [&t](const TextureStageState s) {
            return static_cast<GLint>(t[static_cast<size_t>(s)]);
        };
        const bool hasTexture = m_textures[0] != nullptr && !m_textures[0]->info().depth;
        glUniform4i(program.ffpStage, ts(TextureStageState::ColorOp),
                    ts(TextureStageState::ColorArg1), ts(TextureStageState::ColorArg2),
                    ts(TextureStageState::AlphaOp));
        glUniform4i(program.ffpStage2, ts(TextureStageState::AlphaArg1),
                    ts(TextureStageState::AlphaArg2), hasTexture ? 1 : 0, 0);
        float tfactor[4];
        argbToFloats(rs(RenderState::TextureFactor), tfactor);
        glUniform4fv(program.ffpFactor, 1, tfactor);
    }
}

void GlDevice::setupVertexInput(const uint8_t*, const uint32_t upStride) {
    uint32_t enabled = 0;
    for (const VertexElement& e : m_declaration->elements()) {
        const int location = locationOf(e);
        if (location < 0) {
            continue;
        }
        GLuint buffer = 0;
        uint32_t stride = 0;
        uint32_t offset = e.offset;
        if (upStride != 0 && e.stream == 0) {
            buffer = m_upVertexBuffer;
            stride = upStride;
        } else {
            const Stream& s = m_streams[e.stream];
            if (s.buffer == nullptr) {
                continue;
            }
            buffer = static_cast<const GlVertexBuffer*>(s.buffer.get())->m_buffer.name();
            stride = s.stride;
            offset += s.offset;
        }
        const AttribFormat f = attribFormatOf(e.type);
        glBindBuffer(GL_ARRAY_BUFFER, buffer);
        glVertexAttribPointer(static_cast<GLuint>(location), f.size, f.type, f.normalized,
                              static_cast<GLsizei>(stride),
                              reinterpret_cast<const void*>(static_cast<uintptr_t>(offset)));
        enabled |= 1u << location;
    }
    for (GLuint location = 0; location < 16; ++location) {
        const uint32_t bit = 1u << location;
        if ((enabled & bit) != 0 && (m_enabledAttributes & bit) == 0) {
            glEnableVertexAttribArray(location);
        } else if ((enabled & bit) == 0 && (m_enabledAttributes & bit) != 0) {
            glDisableVertexAttribArray(location);
        }
        if ((enabled & bit) == 0) {
            setDefaultAttribute(location);
        }
    }
    m_enabledAttributes = enabled;
}

Result GlDevice::draw(const PrimitiveType type, const uint32_t primitiveCount, const bool indexed,
                      const int32_t baseVertex, const uint32_t startIndex,
                      const void* const userIndices, const Format userIndexFormat) {
    const uint64_t count = vertexCountOf(type, primitiveCount);
    if (m_declaration == nullptr || count == 0 || count > 0x7FFFFFFF) {
        return primitiveCount == 0 ? Result::Ok : Result::InvalidCall;
    }
    bindTargets();
    if (glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        return Result::InvalidCall;
    }
    applyRenderStates();
    const bool pretransformed = m_declaration->pretransformed();
    Program* const program = currentProgram(pretransformed);
    if (program == nullptr) {
        return Result::InvalidCall;
    }
    for (uint32_t stage = 0; stage < MAX_SAMPLERS; ++stage) {
        const GlTexture* const t = m_textures[stage].get();
        if (m_ssDirty[stage]) {
            applySampler(stage);
        }
        const bool compare = t != nullptr && t->info().depth;
        if (compare != m_compareMode[stage]) {
            // Depth textures answer comparisons, as shadow maps read them.
            glSamplerParameteri(m_samplers[stage], GL_TEXTURE_COMPARE_MODE,
                                compare ? GL_COMPARE_REF_TO_TEXTURE : GL_NONE);
            glSamplerParameteri(m_samplers[stage], GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
            m_compareMode[stage] = compare;
        }
        glActiveTexture(GL_TEXTURE0 + stage);
        glBindTexture(GL_TEXTURE_2D, t != nullptr ? t->name() : 0);
    }
    glUseProgram(program->name);
    uploadUniforms(*program, pretransformed);
    const GLenum mode = modeOf(type);
    if (!indexed) {
        glDrawArrays(mode, static_cast<GLint>(startIndex), static_cast<GLsizei>(count));
        return Result::Ok;
    }
    const Format indexFormat =
        userIndices != nullptr ? userIndexFormat : m_indices->getDesc().format;
    const GLenum indexType = indexFormat == Format::Index32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    const uint32_t indexSize = indexFormat == Format::Index32 ? 4 : 2;
    if (userIndices != nullptr) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_upIndexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * indexSize), nullptr,
                     GL_STREAM_DRAW);
        glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(count * indexSize),
                        userIndices);
    } else {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER,
                     static_cast<const GlIndexBuffer*>(m_indices.get())->m_buffer.name());
    }
    glDrawElementsBaseVertex(
        mode, static_cast<GLsizei>(count), indexType,
        reinterpret_cast<const void*>(static_cast<uintptr_t>(startIndex) * indexSize), baseVertex);
    return Result::Ok;
}

// ---------------------------------------------------------------------------------------------
// Clears and draws

Result GlDevice::clear(const uint32_t rectCount, const Rect* const rects, const uint32_t flags,
                       const uint32_t color, const float z, const uint32_t stencil) {
    if (flags == 0 || (flags & ~(clear::TARGET | clear::ZBUFFER | clear::STENCIL)) != 0 ||
        ((flags & (clear::ZBUFFER | clear::STENCIL)) != 0 && m_depthStencil == nullptr) ||
        ((flags & clear::STENCIL) != 0 && m_depthStencil->desc().format != Format::D24S8)) {
        return Result::InvalidCall;
    }
    bindTargets();
    // A clear writes every channel whatever the write masks say, within the viewport and,
    // when the scissor test is on, the scissor rectangle.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFF);
    float c[4];
    argbToFloats(color, c);
    glClearColor(c[0], c[1], c[2], c[3]);
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(static_cast<GLint>(stencil & 0xFF));
    const GLbitfield bits = ((flags & clear::TARGET) != 0 ? GL_COLOR_BUFFER_BIT : 0u) |
                            ((flags & clear::ZBUFFER) != 0 ? GL_DEPTH_BUFFER_BIT : 0u) |
                            ((flags & clear::STENCIL) != 0 ? GL_STENCIL_BUFFER_BIT : 0u);
    Rect area{static_cast<int32_t>(m_viewport.x), static_cast<int32_t>(m_viewport.y),
              static_cast<int32_t>(m_viewport.x + m_viewport.width),
              static_cast<int32_t>(m_viewport.y + m_viewport.height)};
    if (m_rs[static_cast<size_t>(RenderState::ScissorTestEnable)] != 0) {
        area = {std::max(area.left, m_scissor.left), std::max(area.top, m_scissor.top),
                std::min(area.right, m_scissor.right), std::min(area.bottom, m_scissor.bottom)};
    }
    glEnable(GL_SCISSOR_TEST);
    const uint32_t n = rects != nullptr ? rectCount : 0;
    for (uint32_t i = 0; i <= n; ++i) {
        Rect r = area;
        if (n > 0) {
            if (i == n) {
                break;
            }
            r = {std::max(area.left, rects[i].left), std::max(area.top, rects[i].top),
                 std::min(area.right, rects[i].right), std::min(area.bottom, rects[i].bottom)};
        }
        if (r.right <= r.left || r.bottom <= r.top) {
            continue;
        }
        glScissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
        glClear(bits);
    }
    m_rsDirty = true;
    return Result::Ok;
}

Result GlDevice::drawPrimitive(const PrimitiveType type, const uint32_t startVertex,
                               const uint32_t primitiveCount) {
    setupVertexInputIfReady(0);
    return draw(type, primitiveCount, false, 0, startVertex, nullptr, Format::Unknown);
}

Result GlDevice::drawIndexedPrimitive(const PrimitiveType type, const int32_t baseVertex, uint32_t,
                                      uint32_t, const uint32_t startIndex,
                                      const uint32_t primitiveCount) {
    if (m_indices == nullptr) {
        return Result::InvalidCall;
    }
    setupVertexInputIfReady(0);
    return draw(type, primitiveCount, true, baseVertex, startIndex, nullptr, Format::Unknown);
}

Result GlDevice::drawPrimitiveUP(const PrimitiveType type, const uint32_t primitiveCount,
                                 const void* const vertices, const uint32_t stride) {
    const uint64_t count = vertexCountOf(type, primitiveCount);
    if (vertices == nullptr || stride == 0 || count * stride > 0x7FFFFFFF) {
        return Result::InvalidCall;
    }
    glBindBuffer(GL_ARRAY_BUFFER, m_upVertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * stride), vertices,
                 GL_STREAM_DRAW);
    setupVertexInputIfReady(stride);
    const Result r = draw(type, primitiveCount, false, 0, 0, nullptr, Format::Unknown);
    m_streams[0] = {};
    m_indices.reset();
    return r;
}

Result GlDevice::drawIndexedPrimitiveUP(const PrimitiveType type, const uint32_t minIndex,
                                        const uint32_t numVertices, const uint32_t primitiveCount,
                                        const void* const indices, const Format indexFormat,
                                        const void* const vertices, const uint32_t stride) {
    const uint64_t size = (static_cast<uint64_t>(minIndex) + numVertices) * stride;
    if (vertices == nullptr || indices == nullptr || stride == 0 || size == 0 ||
        size > 0x7FFFFFFF || (indexFormat != Format::Index16 && indexFormat != Format::Index32)) {
        return Result::InvalidCall;
    }
    glBindBuffer(GL_ARRAY_BUFFER, m_upVertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(size), vertices, GL_STREAM_DRAW);
    setupVertexInputIfReady(stride);
    const Result r = draw(type, primitiveCount, true, 0, 0, indices, indexFormat);
    m_streams[0] = {};
    m_indices.reset();
    return r;
}

void GlDevice::setupVertexInputIfReady(const uint32_t upStride) {
    if (m_declaration != nullptr) {
        glBindVertexArray(m_vao);
        setupVertexInput(nullptr, upStride);
    }
}

} // namespace zqp::gpu::gl
