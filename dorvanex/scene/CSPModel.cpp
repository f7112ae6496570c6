#include "dorvanex/scene/CSPModel.h"

#include "dorvanex/scene/CRenderObj.h"
#include "dorvanex/scene/CRenderQueue.h"
#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/scene/CSPBoneNoBlendAnim.h"
#include "zq/zq.h"

#include <algorithm>

CSPModel::CSPModel(const uint32_t group) : m_group(group) {}

CSPModel::~CSPModel() = default;

bool CSPModel::load(const int32_t modelId) {
    const CResourceManager::ModelEntry& entry =
        CResourceManager::getInstance()->getModel(modelId, CResourceManager::BANK_CHAPTER);
    if (entry.model == nullptr) {
        return false;
    }
    m_pModel = entry.model;
    m_textures = entry.textures;
    // Every texture slot the model names has an entry, empty where none was loaded.
    m_textures.resize(std::max<size_t>(m_textures.size(), m_pModel->getNrTextures()), nullptr);
    m_modelId = modelId;
    m_submodelFlags.assign(m_pModel->getNrSubmodels(), 1);
    return true;
}

void CSPModel::update(const float /*dt*/) {}

void CSPModel::setModel(ZqGlModel* const model, ZqGlTexture* const* const textures,
                        const uint32_t count) {
    m_pModel = model;
    m_textures.clear();
    if (model == nullptr) {
        m_submodelFlags.clear();
        return;
    }
    model->setCullingEnable(true);
    if (textures != nullptr) {
        m_textures.assign(textures, textures + count);
    }
    m_textures.resize(std::max<size_t>(m_textures.size(), model->getNrTextures()), nullptr);
    m_submodelFlags.assign(model->getNrSubmodels(), 1);
}

void CSPModel::setSubmodelEnables(const uint8_t* const flags, const uint32_t count) {
    if (m_pModel == nullptr || flags == nullptr) {
        return;
    }
    if (m_submodelFlags.empty()) {
        m_submodelFlags.assign(m_pModel->getNrSubmodels(), 1);
    }
    const size_t n = std::min<size_t>(count, m_submodelFlags.size());
    std::copy(flags, flags + n, m_submodelFlags.begin());
}

bool CSPModel::isSubmodelEnabled(const uint32_t s) const {
    return s >= m_submodelFlags.size() || m_submodelFlags[s] != 0;
}

int32_t CSPModel::searchBone(const char* const name) const {
    return m_pModel != nullptr ? m_pModel->searchBoneNr(name) : -1;
}

ZqDgSphere CSPModel::getWorldBoundingSphere() const {
    if (m_pModel == nullptr) {
        return ZqDgSphere(ZqVector3(0.0f, 0.0f, 0.0f), 0.0f);
    }
    const ZqDgSphere& s = m_pModel->getBoundingSphere();
    const ZqMatrix& m = m_pParent != nullptr ? m_world : m_local;
    return ZqDgSphere(s.getCenter() * m, s.getRadius());
}

ZqDgAxisAlignedBoundingBox CSPModel::getWorldBoundingBox() const {
    if (m_pModel == nullptr) {
        return ZqDgAxisAlignedBoundingBox(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    }
    ZqDgAxisAlignedBoundingBox box = m_pModel->getBoundingBox();
    const ZqMatrix& m = m_pParent != nullptr ? m_world : m_local;
    const ZqVector3 c = box.getCenter() * m;
    box.setCenter(c.x, c.y, c.z);
    return box;
}

void CSPModel::attach(CSPBoneNoBlendAnim* const parent, const int32_t bone) {
    if (parent == nullptr || bone < 0 || static_cast<uint32_t>(bone) >= parent->getNrBones()) {
        return;
    }
    m_pParent = parent;
    m_parentBone = bone;
}

CSPBoneNoBlendAnim* CSPModel::detach() {
    if (m_pParent == nullptr) {
        return nullptr;
    }
    CSPBoneNoBlendAnim* const parent = m_pParent;
    m_local = m_world;
    m_pParent = nullptr;
    m_parentBone = -1;
    return parent;
}

void CSPModel::calcWorldMatrix() {
    if (m_pParent != nullptr) {
        m_world = m_pParent->getBoneMatrix(m_parentBone) * m_pParent->getMatrix() * m_local;
    } else {
        m_world = m_local;
    }
}

void CSPModel::setScale(const float x, const float y, const float z) {
    m_local.setScale(x, y, z);
}

void CSPModel::scale(const ZqVector3& s) {
    m_local.scale(s);
}

void CSPModel::scaleZ(const float z) {
    m_local.scaleZ(z);
}

void CSPModel::setRotY(const float angle) {
    m_local.setRotY(angle);
}

void CSPModel::setRotXYZ(const ZqVector3& angles) {
    m_local.setRotXYZ(angles);
}

void CSPModel::rotY(const float angle) {
    m_local.rotY(angle);
}

void CSPModel::setTrans(const ZqVector3& t) {
    m_local.setTrans(t);
}

void CSPModel::setTransXYZ(const float x, const float y, const float z) {
    m_local.setTrans(x, y, z);
}

ZqVector3 CSPModel::getTrans() const {
    return ZqVector3(m_local._41, m_local._42, m_local._43);
}

void CSPModel::getTransXYZ(float& x, float& y, float& z) const {
    x = m_local._41;
    y = m_local._42;
    z = m_local._43;
}

void CSPModel::setAlpha(const float alpha) {
    m_alpha = std::clamp(alpha, 0.0f, 1.0f);
}

void CSPModel::queuePieces(const ZqMatrix* const world, const ZqMatrix* const bones,
                           ZqGlTextureAnimationPlayer* const* const players,
                           const uint32_t nrPlayers, const float alpha, const bool shadow) {
    CRenderQueue* const queue = CRenderQueue::getInstance();
    if (queue == nullptr) {
        return;
    }
    const uint32_t n = m_pModel->getNrSubmodels();
    for (uint32_t s = 0; s < n; ++s) {
        if (!isSubmodelEnabled(s)) {
            continue;
        }
        CRenderObj* const piece =
            createRenderObj(m_pModel, s, world, textureArray(), bones, players, nrPlayers, alpha);
        if (piece == nullptr) {
            queue->countDropped();
            continue;
        }
        queue->add(m_group, piece, shadow);
    }
}

void CSPModel::draw(const float dt, const ZqMatrix* const bones,
                    ZqGlTextureAnimationPlayer* const* const players, const uint32_t nrPlayers) {
    if (!canDraw()) {
        return;
    }
    preDraw();
    calcWorldMatrix();
    queuePieces(&m_world, bones, players, nrPlayers, m_alpha, false);
    m_drawnImmediately = false;
    if (m_shadowEnable) {
        drawShadow(dt, bones);
    }
    postDraw();
}

void CSPModel::drawShadow(const float /*dt*/, const ZqMatrix* const bones) {
    const CRenderQueue* const queue = CRenderQueue::getInstance();
    if (m_pModel == nullptr || queue == nullptr) {
        return;
    }
    // Pieces keep a pointer to their matrix until the queue is drawn, so the flattened world
    // is kept here.
    m_shadowWorld = m_world * queue->getShadowMatrix();
    queuePieces(&m_shadowWorld, bones, nullptr, 0, 1.0f, true);
}

void CSPModel::drawImmediate(const float dt, const ZqMatrix* const bones,
                             ZqGlTextureAnimationPlayer* const* const players,
                             const uint32_t nrPlayers) {
    if (!canDraw()) {
        return;
    }
    preDraw();
    calcWorldMatrix();
    m_pModel->drawMaterial(textureArray(), bones, &m_world, players, nrPlayers, 0);
    m_drawnImmediately = true;
    if (m_shadowEnable) {
        drawShadow(dt, bones);
    }
    postDraw();
}

CSPModelAnm::CSPModelAnm(const int32_t modelId) : CSPModel(GROUP_CHARACTER) {
    m_modelId = modelId;
}
