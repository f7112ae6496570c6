#include "zq/net/ZqNetSystem.h"

bool ZqNetSystem::m_bSocketAvailable = false;
void* ZqNetSystem::m_pIfTable = nullptr;

// Nothing is started, so nothing is reported available.
void ZqNetSystem::sysInit() {
    m_bSocketAvailable = false;
    m_pIfTable = nullptr;
    updateInterfaceInfo();
}

void ZqNetSystem::sysQuit() {
    m_pIfTable = nullptr;
    m_bSocketAvailable = false;
}

void ZqNetSystem::updateInterfaceInfo() {}
