#include "dorvanex/scene/CRenderObj.h"

#include "dorvanex/core/render/GameRender.h"
#include "dorvanex/scene/CSPSprite.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/zq.h"

#include <cmath>

namespace {

using Material = ZqGlModel::Material;

// The material bytes' "not given" value. A material decoded from a file never holds it (the
// decoder writes -2 for "off" and real values otherwise); it is kept for materials made by
// hand.
constexpr int8_t UNSET = -1;

int8_t asSigned(const uint8_t b) {
    return static_cast<int8_t>(b);
}

const ZqMatrix& currentView() {
    const ZqGlCamera* const camera = ZqGlCamera::getCurrent();
    return camera != nullptr ? camera->getWorldViewMatrix() : ZqMatrix::UNIT;
}

} // namespace

CRenderObj::CRenderObj(ZqGlModel* const model, const uint32_t submodel, const ZqMatrix* const world,
                       ZqGlTexture* const* const textures, const ZqMatrix* const bones,
                       ZqGlTextureAnimationPlayer* const* const players, const uint32_t nrPlayers,
                       const float alpha)
    : m_pWorld(world), m_pModel(model), m_submodel(submodel), m_pTextures(textures),
      m_pBones(bones), m_pPlayers(players), m_nrPlayers(nrPlayers), m_alpha(alpha) {
    prepare();
}

void CRenderObj::prepare() {
    m_needsPrepare = false;
    if (m_pModel == nullptr || m_submodel >= m_pModel->getNrSubmodels()) {
        return;
    }
    const ZqMatrix& world = m_pWorld != nullptr ? *m_pWorld : ZqMatrix::UNIT;
    ZqMatrix m = world * currentView();
    if (m_pBones != nullptr && m_pModel->getNrBones() > 0) {
        m = m_pModel->getBoneBindInvertMatrix(0) * m_pBones[0] * m;
    }
    m_centre = m_pModel->getBoundingSphere(m_submodel).getCenter() * m;
}

float CRenderObj::getSortKey() const {
    return std::fabs(m_centre.z);
}

bool CRenderObj::isCulled() const {
    const ZqGlCamera* const camera = ZqGlCamera::getCurrent();
    if (camera == nullptr || m_pModel == nullptr || m_submodel >= m_pModel->getNrSubmodels()) {
        return false;
    }
    const float radius = m_pModel->getBoundingSphere(m_submodel).getRadius() + CULL_MARGIN;
    return !camera->intersect(ZqDgSphere(m_centre, radius));
}

bool CRenderObj::isTransparent() const {
    const Material* const m = m_pModel != nullptr && m_submodel < m_pModel->getNrSubmodels()
                                  ? m_pModel->getSubmodelMaterial(m_submodel)
                                  : nullptr;
    if (m != nullptr && m->blendOp >= 0) {
        return true;
    }
    return m_alpha < OPAQUE_ALPHA;
}

void CRenderObj::setOpaqueStates() {
    const Material* const m = m_pModel != nullptr && m_submodel < m_pModel->getNrSubmodels()
                                  ? m_pModel->getSubmodelMaterial(m_submodel)
                                  : nullptr;
    ZqGlState* const state = ZqGlState::getCurrent();
    if (m == nullptr || state == nullptr) {
        return;
    }
    // A shader number that names no effect keeps the current one, as the framework's own
    // material draw does.
    if (ZqGlShader* const shader = ZqGlShader::getShader(m->shader); shader != nullptr) {
        shader->setTechnique(m->technique);
    }
    state->setAmbient(ZqVector4(m->ambient.x, m->ambient.y, m->ambient.z, 0.0f));
    state->setDiffuse(m->diffuse);
    state->setSpecular(m->specular);
    state->setShininess(m->shininess);
    state->setCullMode(asSigned(m->cullMode) == UNSET
                           ? ZqGlState::CULLMODE_CW
                           : static_cast<ZqGlState::CULLMODE>(m->cullMode));
    if (m->alphaFunc == UNSET || m->alphaFunc == Material::OFF) {
        state->setAlphaTestEnable(false);
    } else {
        state->setAlphaTestEnable(true);
        state->setAlphaFunc(static_cast<ZqGlState::CMPFUNC>(m->alphaFunc));
        state->setAlphaRef(m->alphaRef);
    }
    if (asSigned(m->depthFunc) == UNSET) {
        state->setZWriteEnable(true);
        state->setZFunc(ZqGlState::CMPFUNC_LESSEQUAL);
    } else {
        state->setZWriteEnable(m->depthWrite != 0);
        state->setZFunc(static_cast<ZqGlState::CMPFUNC>(m->depthFunc));
    }
    if (m->blendOp == UNSET) {
        state->setAlphaBlendEnable(true);
        state->setBlendOp(ZqGlState::BLENDOP_ADD);
        state->setSrcBlend(ZqGlState::BLEND_SRCALPHA);
        state->setDestBlend(ZqGlState::BLEND_INVSRCALPHA);
    } else if (m->blendOp == Material::OFF) {
        state->setAlphaBlendEnable(false);
    } else {
        state->setAlphaBlendEnable(true);
        state->setBlendOp(static_cast<ZqGlState::BLENDOP>(m->blendOp));
    }
    if (asSigned(m->srcBlend) != UNSET) {
        state->setSrcBlend(static_cast<ZqGlState::BLEND>(m->srcBlend));
    }
    if (asSigned(m->dstBlend) != UNSET) {
        state->setDestBlend(static_cast<ZqGlState::BLEND>(m->dstBlend));
    }
    if (m->useBlendFactor) {
        state->setBlendFactor(m->blendFactor);
    }
    if (m_pPlayers != nullptr) {
        if (ZqGlShader* const current = ZqGlShader::getCurrent(); current != nullptr) {
            current->setParamTextureMatrix(ZqMatrix::UNIT);
        }
    }
}

void CRenderObj::setTransparentStates() {
    setOpaqueStates();
    const Material* const m = m_pModel != nullptr && m_submodel < m_pModel->getNrSubmodels()
                                  ? m_pModel->getSubmodelMaterial(m_submodel)
                                  : nullptr;
    ZqGlState* const state = ZqGlState::getCurrent();
    if (m == nullptr || state == nullptr) {
        return;
    }
    state->setDiffuse(ZqVector4(m->diffuse.x, m->diffuse.y, m->diffuse.z, m_alpha));
    state->setAlphaBlendEnable(true);
    state->setBlendOp(ZqGlState::BLENDOP_ADD);
    state->setSrcBlend(ZqGlState::BLEND_SRCALPHA);
    state->setDestBlend(ZqGlState::BLEND_INVSRCALPHA);
}

void CRenderObj::drawOpaque() {
    if (m_pModel != nullptr && m_submodel < m_pModel->getNrSubmodels()) {
        m_pModel->draw(m_submodel, m_pTextures, m_pBones, m_pWorld, m_pPlayers, m_nrPlayers);
    }
}

void CRenderObj::drawShadow() {
    if (m_pModel != nullptr && m_submodel < m_pModel->getNrSubmodels()) {
        m_pModel->draw(m_submodel, m_pTextures, m_pBones, m_pWorld, nullptr, 0);
    }
}

CRenderSprite::~CRenderSprite() = default;

void CRenderSprite::beginDraw() {
    if (zqp::gpu::Device* const device = ZqGlSystem::getD3dDevice(); device != nullptr) {
        device->getVertexDeclaration(m_savedDeclaration);
    }
}

void CRenderSprite::endDraw() {
    if (zqp::gpu::Device* const device = ZqGlSystem::getD3dDevice(); device != nullptr) {
        device->setVertexDeclaration(m_savedDeclaration.get());
    }
    m_savedDeclaration.reset();
}

void CRenderSprite::setTransparentStates() {
    if (m_pSprite != nullptr) {
        setSpriteRenderState(m_pSprite->getKind(), m_pSprite->getBlendMode(),
                             m_pSprite->getZWrite(), m_pSprite->getTexture());
    }
}

void CRenderSprite::drawTransparent() {
    if (m_pSprite != nullptr) {
        drawSpriteQuad(m_pSprite->getVertices());
    }
}

float CRenderSprite::getSortKey() const {
    return m_pSprite != nullptr ? std::fabs(m_pSprite->getDepth()) : 0.0f;
}

CRenderObj* createRenderObj(ZqGlModel* const model, const uint32_t submodel,
                            const ZqMatrix* const world, ZqGlTexture* const* const textures,
                            const ZqMatrix* const bones,
                            ZqGlTextureAnimationPlayer* const* const players,
                            const uint32_t nrPlayers, const float alpha) {
    CRenderObjPool* const pool = CRenderObjPool::getLiving();
    return pool != nullptr ? pool->create<CRenderObj>(model, submodel, world, textures, bones,
                                                      players, nrPlayers, alpha)
                           : nullptr;
}

CRenderSprite* createRenderSprite(const CSPSpriteBase* const sprite) {
    CRenderSpritePool* const pool = CRenderSpritePool::getLiving();
    return pool != nullptr ? pool->create<CRenderSprite>(sprite) : nullptr;
}

void deleteRenderObject(CRenderBase* const object) {
    if (object == nullptr) {
        return;
    }
    if (CRenderObjPool* const pool = CRenderObjPool::getLiving();
        pool != nullptr && pool->destroy(object)) {
        return;
    }
    if (CRenderSpritePool* const pool = CRenderSpritePool::getLiving(); pool != nullptr) {
        pool->destroy(object);
    }
}
