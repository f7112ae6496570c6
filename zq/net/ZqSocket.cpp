#include "zq/net/ZqSocket.h"

#include "zq/net/ZqNetAddress.h"
#include "zq/net/ZqNetSystem.h"

void ZqSocket::sysInit() {
    init(NR_POOL);
}

unsigned int ZqSocket::sysQuit() {
    return m_vPool != nullptr ? quit() : 0;
}

zqp::NetTimeout ZqSocket::splitTimeout(const uint32_t ms) {
    return zqp::NetTimeout{ms / 1000, static_cast<int64_t>(ms % 1000) * 1000};
}

ZqSocket* ZqSocket::create(const uint16_t port) {
    if (!ZqNetSystem::isSocketAvailable() || m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const zqp::SocketHandle s = zqp::openSocket(zqp::SOCKET_DATAGRAM);
    if (s == zqp::INVALID_SOCKET_HANDLE) {
        return nullptr;
    }
    zqp::SockAddrIn any;
    any.family = zqp::SockAddrIn::FAMILY_INET;
    any.portNetworkOrder = zqp::hostToNetwork16(port);
    if (!zqp::bindSocket(s, any)) {
        zqp::closeSocket(s);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqSocket* const socket = ZqFixList::create();
    if (socket == nullptr) {
        zqp::closeSocket(s);
        return nullptr;
    }
    socket->m_socket = s;
    return socket;
}

bool ZqSocket::sendTo(const void* const data, const int size, const ZqNetAddress* const address,
                      const uint32_t ms) {
    if (address == nullptr || size < 0 || (data == nullptr && size != 0)) {
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t left = static_cast<size_t>(size);
    while (left > 0) {
        if (zqp::waitWritable(m_socket, splitTimeout(ms)) != 1) {
            return false;
        }
        const int64_t n = zqp::sendDatagram(m_socket, bytes, left, address->getSockaddrIn());
        if (n < 0) {
            return false;
        }
        bytes += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

int ZqSocket::receiveFrom(void* const buffer, const int size, ZqNetAddress* const address,
                          const uint32_t ms) {
    if (buffer == nullptr || size < 0) {
        return -1;
    }
    if (zqp::waitReadable(m_socket, splitTimeout(ms)) != 1) {
        return -1;
    }
    zqp::SockAddrIn from;
    const int64_t n = zqp::receiveDatagram(m_socket, buffer, static_cast<size_t>(size), &from);
    if (n >= 0 && address != nullptr) {
        *address = ZqNetAddress(from);
    }
    return static_cast<int>(n);
}

uint16_t ZqSocket::getPort() const {
    return zqp::boundPort(m_socket);
}

unsigned int ZqSocket::release() {
    if (m_pCriticalSection == nullptr) {
        return 0;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    if (searchBody(this) == nullptr) {
        return 0;
    }
    zqp::closeSocket(m_socket);
    m_socket = zqp::INVALID_SOCKET_HANDLE;
    return ZqFixList::release(this);
}
