#include "zq/gl/ZqGlLine.h"

#include "zq/gl/ZqGlCamera.h"
#include "zq/gl/ZqGlPrimitive.h"
#include "zq/gl/ZqGlScreen.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/math/ZqVector4.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/system/ZqError.h"

#include <algorithm>

namespace gpu = zqp::gpu;

uint32_t ZqGlLine::m_color = 0xFFFFFFFFu;
std::unique_ptr<ZqGlScreenLine> ZqGlLine::m_pLine;
std::shared_ptr<gpu::VertexDeclaration> ZqGlLine::m_pVtxDecl;
uint32_t ZqGlLine::m_dim = ZqGlLine::DIM_NONE;
ZqVector2 ZqGlLine::m_pos2[2] = {{0.0f, 0.0f}, {0.0f, 0.0f}};
ZqVector3 ZqGlLine::m_pos3{0.0f, 0.0f, 0.0f};

namespace {

constexpr gpu::VertexElement LINE_3D_ELEMENTS[] = {
    {0, 0, gpu::DECLTYPE_FLOAT3, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_POSITION, 0},
    {0, 12, gpu::DECLTYPE_D3DCOLOR, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_COLOR, 0},
    gpu::declEnd()};

struct Vertex3 {
    float x, y, z;
    uint32_t color;
};
static_assert(sizeof(Vertex3) == 16);

// A channel of 0..1 as a byte, truncated; out-of-range values (and NaN) are held to 0..255 so
// that they cannot spill into the neighbouring channels.
uint32_t byteOf(const float v) {
    const float scaled = v * 255.0f;
    if (!(scaled > 0.0f)) {
        return 0;
    }
    return scaled >= 255.0f ? 255u : static_cast<uint32_t>(scaled);
}

} // namespace

void ZqGlLine::sysInit() {
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    m_pLine = std::make_unique<ZqGlScreenLine>();
    if (device == nullptr || !m_pLine->create() ||
        device->createVertexDeclaration(LINE_3D_ELEMENTS, m_pVtxDecl) != gpu::Result::Ok) {
        m_pLine.reset();
        m_pVtxDecl.reset();
        throw ZqError::LINE_START;
    }
    sysMain();
}

void ZqGlLine::sysQuit() {
    if (m_pLine != nullptr) {
        m_pLine->release();
        m_pLine.reset();
    }
    m_pVtxDecl.reset();
    m_dim = DIM_NONE;
}

void ZqGlLine::sysMain() {
    m_color = 0xFFFFFFFFu;
    if (m_pLine != nullptr) {
        m_pLine->setPattern(0xFFFFFFFFu);
        m_pLine->setPatternScale(1.0f);
        m_pLine->setWidth(1.0f);
        m_pLine->setAntialias(false);
    }
    m_pos2[0] = ZqVector2(0.0f, 0.0f);
    m_pos3 = ZqVector3(0.0f, 0.0f, 0.0f);
}

void ZqGlLine::setColor(const uint32_t argb) {
    m_color = argb;
}

void ZqGlLine::setColor(const float r, const float g, const float b, const float a) {
    m_color = (byteOf(a) << 24) | (byteOf(r) << 16) | (byteOf(g) << 8) | byteOf(b);
}

void ZqGlLine::setColor(const ZqVector4& color) {
    setColor(color.x, color.y, color.z, color.w);
}

void ZqGlLine::setWidth(const float width) {
    if (m_pLine != nullptr) {
        m_pLine->setWidth(width);
    }
}

void ZqGlLine::setPattern(const uint32_t bits) {
    if (m_pLine != nullptr) {
        m_pLine->setPattern(bits);
    }
}

void ZqGlLine::setPatternScale(const float scale) {
    if (m_pLine != nullptr) {
        m_pLine->setPatternScale(scale);
    }
}

void ZqGlLine::setAntialiasEnable(const bool on) {
    if (m_pLine != nullptr) {
        m_pLine->setAntialias(on);
    }
}

// ---------------------------------------------------------------------------------------------
// Modes

void ZqGlLine::begin() {
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (device != nullptr && m_pVtxDecl != nullptr &&
        ZqGlPrimitive::VertexDeclaration::m_currentVertexFormatMask != VERTEX_FORMAT_3D) {
        device->setVertexDeclaration(m_pVtxDecl.get());
        ZqGlPrimitive::VertexDeclaration::m_currentVertexFormatMask = VERTEX_FORMAT_3D;
    }
    m_dim = DIM_NONE;
}

void ZqGlLine::end() {
    endMode();
}

void ZqGlLine::endMode() {
    if (m_dim == DIM_2D) {
        if (m_pLine != nullptr) {
            m_pLine->end();
        }
    } else if (m_dim == DIM_3D) {
        if (ZqGlShader* const shader = ZqGlShader::getCurrent()) {
            shader->endTechnique();
        }
    }
}

void ZqGlLine::begin2D() {
    if (m_dim == DIM_3D) {
        endMode();
    }
    if (m_dim != DIM_2D) {
        if (m_pLine != nullptr) {
            m_pLine->begin();
        }
        m_dim = DIM_2D;
    }
}

void ZqGlLine::begin3D() {
    if (m_dim == DIM_2D) {
        endMode();
    }
    if (m_dim != DIM_3D) {
        if (ZqGlShader* const shader = ZqGlShader::getDefaultShader()) {
            shader->setTechnique(ZqGlShader::TECHNIQUE_DIFFUSE);
            shader->beginTechnique();
        }
        m_dim = DIM_3D;
    }
}

// ---------------------------------------------------------------------------------------------
// 2D

void ZqGlLine::drawStrip2D(const ZqVector2* const points, const uint32_t count) {
    begin2D();
    if (m_pLine != nullptr) {
        m_pLine->draw(points, count, m_color);
    }
}

void ZqGlLine::draw(const ZqVector2& a, const ZqVector2& b) {
    // Drawn from b to a, as the strip (b, a).
    m_pos2[0] = b;
    m_pos2[1] = a;
    drawStrip2D(m_pos2, 2);
}

void ZqGlLine::draw(const ZqVector2& p) {
    m_pos2[1] = p;
    drawStrip2D(m_pos2, 2);
    m_pos2[0] = p;
}

void ZqGlLine::draw(const ZqVector2* const points, const uint32_t count) {
    if (points == nullptr || count == 0) {
        return;
    }
    drawStrip2D(points, count);
    m_pos2[0] = points[count - 1];
}

void ZqGlLine::move(const ZqVector2& p) {
    m_pos2[0] = p;
}

// ---------------------------------------------------------------------------------------------
// 3D

void ZqGlLine::draw3D(const uint32_t type, const ZqVector3* const points, const uint32_t count) {
    begin3D();
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (shader == nullptr || device == nullptr) {
        return;
    }
    const ZqGlCamera* const camera = ZqGlCamera::getCurrent();
    const ZqMatrix view = camera != nullptr ? camera->getWorldViewMatrix() : ZqMatrix::UNIT;
    shader->setParamMatrixArray(ZqGlShader::PARAM_MODEL_VIEW, &view, 1);
    Vertex3 vertices[MAX_3D_VERTICES];
    for (uint32_t i = 0; i < count; ++i) {
        vertices[i] = {points[i].x, points[i].y, points[i].z, m_color};
    }
    if (shader->beginPass(0)) {
        const uint32_t primitives =
            type == static_cast<uint32_t>(gpu::PrimitiveType::LineList) ? count / 2 : count - 1;
        device->drawPrimitiveUP(static_cast<gpu::PrimitiveType>(type), primitives, vertices,
                                sizeof(Vertex3));
        shader->endPass();
    }
}

void ZqGlLine::draw(const ZqVector3& a, const ZqVector3& b) {
    const ZqVector3 line[2] = {a, b};
    draw3D(static_cast<uint32_t>(gpu::PrimitiveType::LineList), line, 2);
    m_pos3 = b;
}

void ZqGlLine::draw(const ZqVector3& p) {
    const ZqVector3 line[2] = {m_pos3, p};
    draw3D(static_cast<uint32_t>(gpu::PrimitiveType::LineList), line, 2);
    m_pos3 = p;
}

void ZqGlLine::draw(const ZqVector3* const points, const uint32_t count) {
    if (points == nullptr || count == 0) {
        return;
    }
    // Strips of at most 100 points, each after the first starting again at the last point
    // of the one before.
    for (uint32_t start = 0; start + 1 < count; start += MAX_3D_VERTICES - 1) {
        const uint32_t n = std::min(count - start, MAX_3D_VERTICES);
        draw3D(static_cast<uint32_t>(gpu::PrimitiveType::LineStrip), points + start, n);
    }
    m_pos3 = points[count - 1];
}

void ZqGlLine::move(const ZqVector3& p) {
    m_pos3 = p;
}

// ---------------------------------------------------------------------------------------------

void ZqGlLine::simpleDraw(const ZqVector2& a, const ZqVector2& b) {
    begin();
    draw(a, b);
    end();
}

void ZqGlLine::simpleDraw(const ZqVector3& a, const ZqVector3& b) {
    begin();
    draw(a, b);
    end();
}

void ZqGlLine::simpleDraw(const ZqVector2& p) {
    begin();
    draw(p);
    end();
}

void ZqGlLine::simpleDraw(const ZqVector3& p) {
    begin();
    draw(p);
    end();
}

void ZqGlLine::simpleDraw(const ZqVector2* const points, const uint32_t count) {
    begin();
    draw(points, count);
    end();
}

void ZqGlLine::simpleDraw(const ZqVector3* const points, const uint32_t count) {
    begin();
    draw(points, count);
    end();
}
