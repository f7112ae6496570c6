#include "zq/net/ZqServerSocket.h"

#include "zq/net/ZqClientSocket.h"
#include "zq/net/ZqNetAddress.h"
#include "zq/net/ZqNetSystem.h"

void ZqServerSocket::sysInit() {
    init(NR_POOL);
}

unsigned int ZqServerSocket::sysQuit() {
    return m_vPool != nullptr ? quit() : 0;
}

ZqServerSocket* ZqServerSocket::create(const uint16_t port) {
    if (!ZqNetSystem::isSocketAvailable() || m_pCriticalSection == nullptr) {
        return nullptr;
    }
    const zqp::SocketHandle s = zqp::openSocket(zqp::SOCKET_STREAM);
    if (s == zqp::INVALID_SOCKET_HANDLE) {
        return nullptr;
    }
    zqp::SockAddrIn any;
    any.family = zqp::SockAddrIn::FAMILY_INET;
    any.portNetworkOrder = zqp::hostToNetwork16(port);
    if (!zqp::setNonBlocking(s) || !zqp::bindSocket(s, any) || !zqp::listenSocket(s)) {
        zqp::closeSocket(s);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqServerSocket* const server = ZqFixList::create();
    if (server == nullptr) {
        zqp::closeSocket(s);
        return nullptr;
    }
    server->m_socket = s;
    return server;
}

ZqClientSocket* ZqServerSocket::accept(ZqNetAddress* const peer) {
    zqp::SockAddrIn from;
    const zqp::SocketHandle c = zqp::acceptSocket(m_socket, &from);
    if (c == zqp::INVALID_SOCKET_HANDLE) {
        return nullptr;
    }
    ZqClientSocket* const client = ZqClientSocket::createBody(c);
    if (client != nullptr && peer != nullptr) {
        *peer = ZqNetAddress(from);
    }
    return client;
}

uint16_t ZqServerSocket::getPort() const {
    return zqp::boundPort(m_socket);
}

unsigned int ZqServerSocket::release() {
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
