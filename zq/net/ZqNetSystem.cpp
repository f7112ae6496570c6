#include "zq/net/ZqNetSystem.h"

#include "zq/net/ZqClientSocket.h"
#include "zq/net/ZqHttpConnection.h"
#include "zq/net/ZqServerSocket.h"
#include "zq/net/ZqSocket.h"
#include "zq/platform/net/net.h"

#include <vector>

struct ZqNetInterfaceTable {
    std::vector<zqp::InterfaceRow> rows;
};

bool ZqNetSystem::m_bSocketAvailable = false;
std::unique_ptr<ZqNetInterfaceTable> ZqNetSystem::m_pIfTable;

void ZqNetSystem::sysInit() {
    m_bSocketAvailable = zqp::netStartup();
    ZqServerSocket::sysInit();
    ZqClientSocket::sysInit();
    ZqSocket::sysInit();
    ZqHttpConnection::sysInit();
    m_pIfTable.reset();
    updateInterfaceInfo();
}

void ZqNetSystem::sysQuit() {
    m_pIfTable.reset();
    ZqServerSocket::sysQuit();
    ZqClientSocket::sysQuit();
    ZqSocket::sysQuit();
    if (m_bSocketAvailable) {
        zqp::netCleanup();
        m_bSocketAvailable = false;
    }
    ZqHttpConnection::sysQuit();
}

bool ZqNetSystem::updateInterfaceInfo() {
    auto table = std::make_unique<ZqNetInterfaceTable>();
    if (!zqp::readInterfaceTable(table->rows)) {
        return false;
    }
    m_pIfTable = std::move(table);
    return true;
}

uint32_t ZqNetSystem::getNrInterfaces() {
    return m_pIfTable ? static_cast<uint32_t>(m_pIfTable->rows.size()) : 0;
}

uint32_t ZqNetSystem::getInterfaceIndex(const uint32_t i) {
    return i < getNrInterfaces() ? m_pIfTable->rows[i].index : 0;
}

const uint8_t* ZqNetSystem::getInterfaceMacAddress(const uint32_t i) {
    if (i >= getNrInterfaces() || m_pIfTable->rows[i].type != zqp::INTERFACE_TYPE_ETHERNET) {
        return nullptr;
    }
    return m_pIfTable->rows[i].physicalAddress;
}
