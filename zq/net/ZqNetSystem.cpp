#include "zq/net/ZqNetSystem.h"

bool ZqNetSystem::m_bSocketAvailable = false;
void* ZqNetSystem::m_pIfTable = nullptr;

void ZqNetSystem::sysInit() {
    // POSIX sockets need no start-up.
    m_bSocketAvailable = true;
    m_pIfTable = nullptr;
    updateInterfaceInfo();
}

void ZqNetSystem::sysQuit() {
    m_pIfTable = nullptr;
    m_bSocketAvailable = false;
}

void ZqNetSystem::updateInterfaceInfo() {}
