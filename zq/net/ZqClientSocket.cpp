#include "zq/net/ZqClientSocket.h"

#include "zq/net/ZqNetAddress.h"
#include "zq/net/ZqNetSystem.h"

void ZqClientSocket::sysInit() {
    init(NR_POOL);
}

unsigned int ZqClientSocket::sysQuit() {
    return m_vPool != nullptr ? quit() : 0;
}

ZqClientSocket* ZqClientSocket::create(const ZqNetAddress& local) {
    if (!ZqNetSystem::isSocketAvailable() ||
        local.getSockaddrIn().family != zqp::SockAddrIn::FAMILY_INET) {
        return nullptr;
    }
    const zqp::SocketHandle s = zqp::openSocket(zqp::SOCKET_STREAM);
    if (s == zqp::INVALID_SOCKET_HANDLE) {
        return nullptr;
    }
    if (!zqp::bindSocket(s, local.getSockaddrIn())) {
        zqp::closeSocket(s);
        return nullptr;
    }
    return createBody(s);
}

ZqClientSocket* ZqClientSocket::createBody(const zqp::SocketHandle socket) {
    if (socket == zqp::INVALID_SOCKET_HANDLE) {
        return nullptr;
    }
    if (m_pCriticalSection == nullptr) {
        zqp::closeSocket(socket);
        return nullptr;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    ZqClientSocket* const c = ZqFixList::create();
    if (c == nullptr) {
        zqp::closeSocket(socket);
        return nullptr;
    }
    if (!zqp::setNonBlocking(socket)) {
        ZqFixList::release(c);
        zqp::closeSocket(socket);
        return nullptr;
    }
    c->m_socket = socket;
    c->m_pEvent = std::make_unique<zqp::NetEvent>(socket);
    return c;
}

bool ZqClientSocket::connect(const char16_t* const host, const uint16_t port) {
    ZqNetAddress resolved;
    if (!resolved.setAddress(ZqNetAddress::SOCKET_TYPE_STREAM, host, port)) {
        return false;
    }
    return connect(resolved);
}

bool ZqClientSocket::connect(const ZqNetAddress& address) {
    return zqp::connectSocket(m_socket, address.getSockaddrIn()) != zqp::ConnectResult::Failed;
}

uint32_t ZqClientSocket::waitEvent(const uint32_t ms) {
    if (!m_pEvent) {
        return 0;
    }
    uint32_t events = 0;
    return m_pEvent->wait(ms, events) == zqp::NetEvent::WaitResult::Signalled ? events : 0;
}

bool ZqClientSocket::send(const void* const data, const int size) {
    if (data == nullptr || size < 0) {
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t left = static_cast<size_t>(size);
    while (left > 0) {
        bool wouldBlock = false;
        const int64_t n = zqp::sendBytes(m_socket, bytes, left, wouldBlock);
        if (n < 0) {
            // A full buffer: the next room to write is reported again.
            if (wouldBlock && m_pEvent) {
                m_pEvent->enableWrite();
            }
            return false;
        }
        bytes += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

int ZqClientSocket::receive(void* const buffer, const int size) {
    if (buffer == nullptr || size < 0) {
        return -1;
    }
    if (m_pEvent) {
        m_pEvent->enableRead();
    }
    return static_cast<int>(zqp::receiveBytes(m_socket, buffer, static_cast<size_t>(size)));
}

unsigned int ZqClientSocket::release() {
    if (m_pCriticalSection == nullptr) {
        return 0;
    }
    const ZqLockGuard hold(*m_pCriticalSection);
    if (searchBody(this) == nullptr) {
        return 0;
    }
    m_pEvent.reset();
    zqp::closeSocket(m_socket);
    m_socket = zqp::INVALID_SOCKET_HANDLE;
    return ZqFixList::release(this);
}
