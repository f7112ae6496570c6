#include "dorvanex/scene/CCameraManager.h"

#include "dorvanex/scene/CBaseCamera.h"
#include "dorvanex/scene/CCameraAnm.h"
#include "dorvanex/scene/CDbgCamera.h"
#include "zq/zq.h"

std::unique_ptr<CCameraManager> CCameraManager::m_pInstance;

CCameraManager* CCameraManager::getInstance() {
    if (!m_pInstance) {
        m_pInstance = std::make_unique<CCameraManager>();
    }
    return m_pInstance.get();
}

void CCameraManager::deleteInstance() {
    m_pInstance.reset();
}

CCameraManager::~CCameraManager() {
    releaseAll();
}

CBaseCamera* CCameraManager::createCamera(const uint32_t kind) {
    std::unique_ptr<CBaseCamera> camera;
    switch (kind) {
    case KIND_BASE:
        camera = std::make_unique<CBaseCamera>();
        break;
    case KIND_PRO:
        camera = std::make_unique<CProCamera>();
        break;
    case KIND_ANIMATION:
        camera = std::make_unique<CCameraAnm>();
        break;
    case KIND_AIM:
        camera = std::make_unique<CAnmAimCamera>();
        break;
    case KIND_DEBUG:
        camera = std::make_unique<CDbgCamera>();
        break;
    default:
        return nullptr;
    }
    if (camera->getCamera() == nullptr) {
        return nullptr;
    }
    m_cameras.push_back(std::move(camera));
    return m_cameras.back().get();
}

CBaseCamera* CCameraManager::getCamera(const uint32_t i) const {
    return i < m_cameras.size() ? m_cameras[i].get() : nullptr;
}

void CCameraManager::makeCurrent(const CBaseCamera* const camera) {
    if (camera != nullptr && camera->getCamera() != nullptr) {
        ZqGlCamera::setCurrent(camera->getCamera());
    }
}

void CCameraManager::setCamera(const uint32_t i) {
    CBaseCamera* const camera = getCamera(i);
    if (camera == nullptr) {
        return;
    }
    m_pMain = camera;
    makeCurrent(camera);
}

void CCameraManager::setSubCamera(const uint32_t i) {
    if (CBaseCamera* const camera = getCamera(i); camera != nullptr) {
        m_pSub = camera;
    }
}

void CCameraManager::useSubCamera(const bool sub) {
    makeCurrent(sub ? m_pSub : m_pMain);
}

void CCameraManager::update(const float dt) {
    CBaseCamera* const steered = ZqInput::getKeyboardButton(KEY_LEFT_ALT) != 0 ? m_pSub : m_pMain;
    if (steered != nullptr) {
        steered->control(dt);
    }
    updateCamera(dt);
    updateSubCamera(dt);
}

void CCameraManager::updateCamera(const float dt) {
    if (m_pMain != nullptr) {
        m_pMain->update(m_pause ? 0.0f : dt);
    }
}

void CCameraManager::updateSubCamera(const float dt) {
    if (m_pSub != nullptr && !m_pause) {
        m_pSub->update(dt);
    }
}

void CCameraManager::deleteCamera(const uint32_t i) {
    if (i >= m_cameras.size()) {
        return;
    }
    CBaseCamera* const camera = m_cameras[i].get();
    if (camera == m_pMain) {
        m_pMain = nullptr;
    }
    if (camera == m_pSub) {
        m_pSub = nullptr;
    }
    camera->release();
    m_cameras.erase(m_cameras.begin() + i);
}

void CCameraManager::releaseAll() {
    resetCamera();
    for (auto& camera : m_cameras) {
        camera->release();
    }
    m_cameras.clear();
    m_pMain = nullptr;
    m_pSub = nullptr;
}

void CCameraManager::resetCamera() {
    ZqGlCamera::setCurrent(ZqGlCamera::getDefaultCamera());
}
