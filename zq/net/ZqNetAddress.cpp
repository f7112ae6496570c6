#include "zq/net/ZqNetAddress.h"

#include "zq/system/ZqSprintf.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

// The host in UTF-8 for the resolver; false when it cannot be converted.
bool toUtf8(const char16_t* const host, ZqStringMb& out) {
    return host != nullptr && zqChar2Utf8(host, -1, out) != 0;
}

} // namespace

ZqNetAddress::ZqNetAddress(const int socketType, const char16_t* const host, const uint16_t port) {
    setAddress(socketType, host, port);
}

bool ZqNetAddress::setAddress(const int socketType, const char16_t* const host,
                              const uint16_t port) {
    m_addr = zqp::SockAddrIn{};
    m_addr.family = zqp::SockAddrIn::FAMILY_INET;
    m_addr.portNetworkOrder = zqp::hostToNetwork16(port);
    std::memset(m_addr.address, 0xFF, sizeof m_addr.address);
    if (socketType != SOCKET_TYPE_STREAM && socketType != SOCKET_TYPE_DATAGRAM) {
        return false;
    }
    ZqStringMb name;
    std::vector<zqp::SockAddrIn> found;
    if (!toUtf8(host, name) || !zqp::resolveAddresses(name.c_str(), socketType, port, found) ||
        found.empty()) {
        return false;
    }
    m_addr = found.front();
    return true;
}

bool ZqNetAddress::createAddresses(ZqVector<ZqNetAddress>& addresses, const int socketType,
                                   const char16_t* const host, const uint16_t port) {
    ZqStringMb name;
    std::vector<zqp::SockAddrIn> found;
    if (!toUtf8(host, name) || !zqp::resolveAddresses(name.c_str(), socketType, port, found)) {
        return false;
    }
    for (const zqp::SockAddrIn& a : found) {
        addresses.push_back(ZqNetAddress(a));
    }
    return true;
}

uint16_t ZqNetAddress::getPort() const {
    return zqp::networkToHost16(m_addr.portNetworkOrder);
}

bool ZqNetAddress::getHostName(ZqString& name) const {
    std::string found;
    if (!zqp::reverseLookup(m_addr, found)) {
        return false;
    }
    name.clear();
    if (!found.empty()) {
        zqUtf82Char(found.data(), static_cast<int>(found.size()), name);
    }
    return true;
}

bool ZqNetAddress::calcString(ZqString& text) const {
    ZqString name;
    if (!getHostName(name)) {
        return false;
    }
    char16_t buffer[256] = {};
    const uint8_t* const a = m_addr.address;
    zqSprintf(buffer, sizeof buffer / sizeof buffer[0], u"[%s](%d.%d.%d.%d):%d", name.c_str(), a[0],
              a[1], a[2], a[3], getPort());
    text = buffer;
    return true;
}

bool zqGetHostName(ZqString& name) {
    std::string found;
    if (!zqp::localHostName(found)) {
        return false;
    }
    name.clear();
    if (!found.empty()) {
        zqUtf82Char(found.data(), static_cast<int>(found.size()), name);
    }
    return true;
}
