// ZqServerSocket: a non-blocking TCP listening socket on a local port whose connections come
// out as ZqClientSockets. Pooled (2). Depends on ZqFixList, ZqClientSocket and the platform's
// socket service.
#pragma once

#include "zq/memory/ZqFixList.h"
#include "zq/platform/net/net.h"

#include <cstdint>

class ZqClientSocket;
class ZqNetAddress;

class ZqServerSocket : public ZqFixList<ZqServerSocket> {
public:
    static constexpr unsigned int NR_POOL = 2;

    static void sysInit();
    // Closes every listening socket still open; returns how many there were.
    static unsigned int sysQuit();

    // Listens on any local address at port (0: a free port, see getPort); null when sockets
    // are not available, on any failure, or when the pool is empty.
    static ZqServerSocket* create(uint16_t port);
    // One pending connection as a client socket, with the peer's address when asked; null
    // when none is pending or the client pool is empty.
    ZqClientSocket* accept(ZqNetAddress* peer);
    // The port listened on (host order); 0 when it cannot be read.
    uint16_t getPort() const;
    // Closes the socket, back to the pool; 0.
    unsigned int release();

private:
    friend class ZqFixList<ZqServerSocket>;
    ZqServerSocket() = default;
    ~ZqServerSocket() override = default;

    zqp::SocketHandle m_socket = zqp::INVALID_SOCKET_HANDLE;
};
