#include "dorvanex/dld/CDldTask.h"

#include "dorvanex/dld/CDldDraw.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlState.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/platform/gpu/gpu.h"

#include <memory>

namespace gpu = zqp::gpu;

namespace {

constexpr unsigned int LAYOUT_TECHNIQUE = ZqGlShader::TECHNIQUE_DIFFUSE_TEX_2D;
// Slots drawn together when they share texture, blend and filter.
constexpr uint32_t BATCH_VERTICES = 600;

std::shared_ptr<gpu::VertexDeclaration> g_declaration;

// The layout states; the previous declaration to put back afterwards.
struct LayoutStates {
    std::shared_ptr<gpu::VertexDeclaration> previous;
    bool begun = false;
};

bool beginLayout(LayoutStates& s) {
    ZqGlShader* const shader = ZqGlShader::getDefaultShader();
    ZqGlState* const state = ZqGlState::getCurrent();
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (shader == nullptr || state == nullptr || device == nullptr || g_declaration == nullptr) {
        return false;
    }
    state->setAlphaBlendEnable(true);
    state->setAlphaTestEnable(true);
    state->setAlphaFunc(ZqGlState::CMPFUNC_GREATER);
    state->setAlphaRef(static_cast<uint8_t>(5));
    state->setZWriteEnable(true);
    state->setZFunc(ZqGlState::CMPFUNC_ALWAYS);
    state->setCullMode(ZqGlState::CULLMODE_NONE);
    device->getVertexDeclaration(s.previous);
    device->setVertexDeclaration(g_declaration.get());
    shader->setTechnique(LAYOUT_TECHNIQUE);
    shader->beginTechnique();
    s.begun = shader->beginPass(0);
    ZqGlState::setTextureAddressingU(0, ZqGlState::TEXADDR_CLAMP);
    ZqGlState::setTextureAddressingV(0, ZqGlState::TEXADDR_CLAMP);
    ZqGlState::setTextureAddressingW(0, ZqGlState::TEXADDR_CLAMP);
    return true;
}

void endLayout(LayoutStates& s) {
    ZqGlShader* const shader = ZqGlShader::getDefaultShader();
    if (s.begun) {
        shader->endPass();
    }
    shader->endTechnique();
    ZqGlSystem::getD3dDevice()->setVertexDeclaration(s.previous.get());
}

void setFilter(const uint32_t filter) {
    const ZqGlState::TEXFILTER f =
        filter != 0 ? ZqGlState::TEXFILTER_LINEAR : ZqGlState::TEXFILTER_POINT;
    ZqGlState::setTextureMinFilter(0, f);
    ZqGlState::setTextureMagFilter(0, f);
    ZqGlState::setTextureMipFilter(0, f);
}

// Blend modes: (source, destination, operation).
void setBlend(const uint32_t blend) {
    ZqGlState* const state = ZqGlState::getCurrent();
    switch (blend) {
    case 1:
        state->setSrcBlend(ZqGlState::BLEND_SRCALPHA);
        state->setDestBlend(ZqGlState::BLEND_ONE);
        state->setBlendOp(ZqGlState::BLENDOP_ADD);
        break;
    case 2:
        state->setSrcBlend(ZqGlState::BLEND_DESTALPHA);
        state->setDestBlend(ZqGlState::BLEND_ONE);
        state->setBlendOp(ZqGlState::BLENDOP_SUBTRACT);
        break;
    case 3:
        state->setSrcBlend(ZqGlState::BLEND_SRCALPHA);
        state->setDestBlend(ZqGlState::BLEND_INVSRCALPHA);
        state->setBlendOp(ZqGlState::BLENDOP_MAX);
        break;
    default:
        state->setSrcBlend(ZqGlState::BLEND_SRCALPHA);
        state->setDestBlend(ZqGlState::BLEND_INVSRCALPHA);
        state->setBlendOp(ZqGlState::BLENDOP_ADD);
        break;
    }
}

void drawTriangles(const ZqGlTexture* const texture, const CDldVertex* const vertices,
                   const uint32_t count) {
    ZqGlShader* const shader = ZqGlShader::getDefaultShader();
    shader->setParamTexture(0, texture);
    shader->commitParamChanges();
    ZqGlSystem::getD3dDevice()->drawPrimitiveUP(gpu::PrimitiveType::TriangleList, count / 3,
                                                vertices, sizeof(CDldVertex));
}

} // namespace

void dldDrawImmediate(const ZqGlTexture* const texture, const uint32_t blend, const uint32_t filter,
                      const CDldVertex* const vertices, const uint32_t count) {
    LayoutStates s;
    if (texture == nullptr || count < 3 || !beginLayout(s)) {
        return;
    }
    setFilter(filter);
    setBlend(blend);
    drawTriangles(texture, vertices, count);
    endLayout(s);
}

CDldTask::~CDldTask() {
    releaseDeclaration();
    CDldQueues::clearAll();
}

bool CDldTask::createDeclaration() {
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    if (device == nullptr) {
        return false;
    }
    const gpu::VertexElement elements[] = {
        {0, 0, gpu::DECLTYPE_FLOAT4, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_POSITIONT, 0},
        {0, 16, gpu::DECLTYPE_D3DCOLOR, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_COLOR, 0},
        {0, 20, gpu::DECLTYPE_FLOAT2, gpu::DECLMETHOD_DEFAULT, gpu::DECLUSAGE_TEXCOORD, 0},
        gpu::declEnd(),
    };
    return device->createVertexDeclaration(elements, g_declaration) == gpu::Result::Ok;
}

void CDldTask::releaseDeclaration() {
    g_declaration.reset();
}

uint32_t CDldTask::init() {
    CDldQueues::clearAll();
    dldSetCurrentPriority(CDldQueues::IDLE_PRIORITY);
    createDeclaration();
    return 0;
}

void CDldTask::quit() {
    releaseDeclaration();
    CDldQueues::clearAll();
}

uint32_t CDldTask::main1(float) {
    addDrawTask(DRAW_PRIORITY, 0.0f);
    return 0;
}

void CDldTask::draw(float) {
    flushQueues();
}

void CDldTask::flushQueues() {
    static CDldVertex batch[BATCH_VERTICES];
    for (uint32_t p = 0; p < CDldQueues::NR_QUEUES; ++p) {
        const uint32_t n = CDldQueues::getCount(p);
        if (n == 0) {
            continue;
        }
        LayoutStates s;
        if (!beginLayout(s)) {
            break;
        }
        uint32_t filter = 0, blend = 0;
        const ZqGlTexture* texture = nullptr;
        uint32_t used = 0;
        for (uint32_t i = 0; i < n; ++i) {
            const CDldQuadSlot& slot = CDldQueues::getSlot(p, i);
            const bool same =
                i != 0 && slot.texture == texture && slot.filter == filter && slot.blend == blend;
            if (!same || used + slot.count > BATCH_VERTICES) {
                if (used != 0) {
                    drawTriangles(texture, batch, used);
                    used = 0;
                }
                if (i == 0 || slot.filter != filter) {
                    setFilter(slot.filter);
                }
                if (i == 0 || slot.blend != blend) {
                    setBlend(slot.blend);
                }
                texture = slot.texture;
                filter = slot.filter;
                blend = slot.blend;
            }
            for (uint32_t v = 0; v < slot.count; ++v) {
                batch[used++] = slot.vertices[v];
            }
        }
        if (used != 0) {
            drawTriangles(texture, batch, used);
        }
        endLayout(s);
    }
    CDldQueues::clearAll();
}
