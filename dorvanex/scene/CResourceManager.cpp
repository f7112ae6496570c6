#include "dorvanex/scene/CResourceManager.h"

std::unique_ptr<CResourceManager> CResourceManager::m_pInstance;

CResourceManager* CResourceManager::getInstance() {
    if (!m_pInstance) {
        m_pInstance = std::make_unique<CResourceManager>();
    }
    return m_pInstance.get();
}

void CResourceManager::deleteInstance() {
    m_pInstance.reset();
}
