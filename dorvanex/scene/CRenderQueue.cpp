#include "dorvanex/scene/CRenderQueue.h"

#include "dorvanex/core/render/GameEffects.h"
#include "dorvanex/core/render/GameRender.h"
#include "zq/zq.h"

#include <algorithm>
#include <cmath>

CRenderQueue* CRenderQueue::m_pLiving = nullptr;

namespace {

// Scratch room for one list: every model piece and sprite the pools can hold.
constexpr size_t LIST_CAPACITY = NR_RENDER_OBJ_SLOTS + NR_RENDER_SPRITE_SLOTS;

const ZqVector4 DEFAULT_LIGHT(1.0f, 1.0f, 0.0f, 0.0f);
const ZqVector3 DEFAULT_GROUND_POINT(0.0f, 4.0f, 0.0f);
const ZqVector3 DEFAULT_GROUND_NORMAL(0.0f, 1.0f, 0.0f);

// A key that is not a number (from a degenerate matrix) sorts as 0, which keeps the order
// strict and weak.
float sortKey(const CRenderBase& object) {
    const float key = object.getSortKey();
    return std::isnan(key) ? 0.0f : key;
}

void drawOne(CRenderBase& object, const bool transparent) {
    object.beginDraw();
    if (transparent) {
        object.setTransparentStates();
    } else {
        object.setOpaqueStates();
    }
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (shader != nullptr && shader->beginTechnique() != 0) {
        if (shader->beginPass(0)) {
            if (transparent) {
                object.drawTransparent();
            } else {
                object.drawOpaque();
            }
            shader->endPass();
        }
        shader->endTechnique();
    }
    object.endDraw();
}

} // namespace

CRenderQueue::CRenderQueue() {
    for (auto& lists : m_lists) {
        for (List& list : lists) {
            list.reserve(LIST_CAPACITY);
        }
    }
    m_sortScratch.reserve(LIST_CAPACITY);
    calcShadowMatrix(DEFAULT_LIGHT, DEFAULT_GROUND_POINT, DEFAULT_GROUND_NORMAL, false);
    m_pLiving = this;
}

CRenderQueue::~CRenderQueue() {
    clear();
    if (m_pLiving == this) {
        m_pLiving = nullptr;
    }
}

CRenderQueue* CRenderQueue::getInstance() {
    return m_pLiving;
}

void CRenderQueue::add(const uint32_t group, CRenderBase* const object, const bool shadow) {
    if (object == nullptr) {
        return;
    }
    if (group >= NR_GROUPS) {
        deleteRenderObject(object);
        return;
    }
    if (object->needsPrepare()) {
        object->prepare();
    }
    if (m_cullEnable && object->isCulled()) {
        deleteRenderObject(object);
        return;
    }
    const LIST list = shadow                    ? LIST_SHADOW
                      : object->isTransparent() ? LIST_TRANSPARENT
                                                : LIST_OPAQUE;
    m_lists[list][group].push_back(object);
}

void CRenderQueue::drawSorted(const List& list, const bool transparent) {
    m_sortScratch.clear();
    for (CRenderBase* const object : list) {
        m_sortScratch.push_back({sortKey(*object), object});
    }
    if (transparent) {
        std::stable_sort(m_sortScratch.begin(), m_sortScratch.end(),
                         [](const Keyed& a, const Keyed& b) { return a.key > b.key; });
    } else {
        std::stable_sort(m_sortScratch.begin(), m_sortScratch.end(),
                         [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
    }
    for (const Keyed& k : m_sortScratch) {
        drawOne(*k.object, transparent);
    }
}

void CRenderQueue::drawShadows(const List& list) {
    ZqGlState* const state = ZqGlState::getCurrent();
    if (list.empty() || state == nullptr) {
        return;
    }
    // The first shadow triangle on a pixel raises its stencil value from 0 and every later
    // one fails the test, so overlapping shadows darken the ground once.
    state->setStencilEnable(true);
    state->setStencilFunc(ZqGlState::CMPFUNC_EQUAL);
    state->setStencilRef(0);
    state->setStencilMask(0xFFFFFFFFu);
    state->setStencilWriteMask(0xFFFFFFFFu);
    state->setStencilFail(ZqGlState::STENCILOP_KEEP);
    state->setStencilZFail(ZqGlState::STENCILOP_KEEP);
    state->setStencilPass(ZqGlState::STENCILOP_INCR);
    state->setAlphaBlendEnable(true);
    state->setBlendOp(ZqGlState::BLENDOP_ADD);
    state->setSrcBlend(ZqGlState::BLEND_SRCALPHA);
    state->setDestBlend(ZqGlState::BLEND_INVSRCALPHA);
    state->setCullMode(ZqGlState::CULLMODE_NONE);
    state->setAlphaTestEnable(false);
    state->setAmbient(0.0f, 0.0f, 0.0f, 1.0f);
    state->setDiffuse(0.0f, 0.0f, 0.0f, SHADOW_ALPHA);
    state->setSpecular(0.0f, 0.0f, 0.0f, 1.0f);
    state->setShininess(0.0f);
    state->setZWriteEnable(false);
    state->setZFunc(ZqGlState::CMPFUNC_LESSEQUAL);
    if (ZqGlShader* const blend = ZqGlShader::getShader(getGameEffectId(GAME_EFFECT_VERTEX_BLEND));
        blend != nullptr) {
        blend->setTechnique(SHADOW_TECHNIQUE);
    }
    ZqGlShader* const shader = ZqGlShader::getCurrent();
    if (shader != nullptr && shader->beginTechnique() != 0) {
        if (shader->beginPass(0)) {
            for (CRenderBase* const object : list) {
                object->beginDraw();
                object->drawShadow();
                object->endDraw();
            }
            shader->endPass();
        }
        shader->endTechnique();
    }
    state->setStencilEnable(false);
    state->setZWriteEnable(true);
    state->setAmbient(0.0f, 0.0f, 0.0f, 1.0f);
    state->setDiffuse(1.0f, 1.0f, 1.0f, 1.0f);
    state->setSpecular(0.5f, 0.5f, 0.5f, 1.0f);
    state->setShininess(1.0f);
}

void CRenderQueue::drawGroup(const float /*dt*/, const uint32_t group) {
    if (group >= NR_GROUPS) {
        return;
    }
    drawSorted(m_lists[LIST_OPAQUE][group], false);
    drawSorted(m_lists[LIST_TRANSPARENT][group], true);
    drawShadows(m_lists[LIST_SHADOW][group]);
}

void CRenderQueue::drawAll(const float dt) {
    resetRenderStates();
    for (uint32_t group = 0; group < LATE_GROUP; ++group) {
        drawGroup(dt, group);
    }
    resetRenderStates();
}

void CRenderQueue::drawLate(const float dt) {
    drawGroup(dt, LATE_GROUP);
    presentRenderTarget();
    setOffscreenTargetSelector(getOffscreenTargetSelector() != 0 ? 0 : 1);
}

void CRenderQueue::clear() {
    for (auto& lists : m_lists) {
        for (List& list : lists) {
            for (CRenderBase* const object : list) {
                deleteRenderObject(object);
            }
            list.clear();
        }
    }
    m_dropped = 0;
}

void CRenderQueue::beginFrame(const float /*dt*/) {
    clearRenderTarget();
}

void CRenderQueue::resetRenderStates() {
    if (ZqGlState* const state = ZqGlState::getCurrent(); state != nullptr) {
        state->resetAllStates();
    }
}

uint32_t CRenderQueue::getListSize(const uint32_t group, const LIST list) const {
    return group < NR_GROUPS && list < NR_LISTS ? static_cast<uint32_t>(m_lists[list][group].size())
                                                : 0;
}

void CRenderQueue::calcShadowMatrix(const ZqVector4& light, const ZqVector3& point,
                                    const ZqVector3& normal, const bool useDefaultLight) {
    ZqVector4 l = light;
    if (useDefaultLight) {
        if (const ZqGlLight* const def = ZqGlLight::getDefaultLight(); def != nullptr) {
            l = def->getDir();
        }
    }
    m_shadowMatrix = shadowMatrix(l, planeFromPointNormal(point, normal));
}

ZqVector4 CRenderQueue::planeFromPointNormal(const ZqVector3& point, const ZqVector3& normal) {
    return ZqVector4(normal.x, normal.y, normal.z, -point.dot(normal));
}

ZqMatrix CRenderQueue::shadowMatrix(const ZqVector4& light, const ZqVector4& plane) {
    ZqVector4 p = plane;
    const float n = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    if (n > 0.0f) {
        p.mul(1.0f / n);
    }
    // M = P^T L - (P . L) I: a point p goes to (p . P) L - (P . L) p, which lies on the plane.
    const float d = -p.dot(light);
    const float pl[4] = {p.x, p.y, p.z, p.w};
    const float ll[4] = {light.x, light.y, light.z, light.w};
    ZqMatrix m;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m.m[i][j] = pl[i] * ll[j] + (i == j ? d : 0.0f);
        }
    }
    if (light.w == 0.0f && d != 0.0f) {
        m.mul(1.0f / d);
    }
    return m;
}
