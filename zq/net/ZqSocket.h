// ZqSocket: a UDP socket on a local port whose sends and receives wait a bounded time.
// Pooled (16). One thread per socket. Depends on ZqFixList and the platform's socket service.
#pragma once

#include "zq/memory/ZqFixList.h"
#include "zq/platform/net/net.h"

#include <cstdint>

class ZqNetAddress;

class ZqSocket : public ZqFixList<ZqSocket> {
public:
    static constexpr unsigned int NR_POOL = 16;

    static void sysInit();
    // Closes every socket still open; returns how many there were.
    static unsigned int sysQuit();

    // A UDP socket bound to any local address at port (0: a free port); null when sockets are
    // not available, on failure or when the pool is empty.
    static ZqSocket* create(uint16_t port);
    // Sends the datagram to the address, waiting up to ms each time for room; true when all
    // was sent. Null address, negative size or null data: false; size 0: true at once.
    bool sendTo(const void* data, int size, const ZqNetAddress* address, uint32_t ms);
    // Waits up to ms for a datagram and receives it (the sender's address when asked); its
    // size, or -1 on a time-out or error.
    int receiveFrom(void* buffer, int size, ZqNetAddress* address, uint32_t ms);
    // The port bound (host order); 0 when it cannot be read.
    uint16_t getPort() const;
    // Closes the socket, back to the pool; 0.
    unsigned int release();

    // A time-out in ms as the waits take it: whole seconds and the rest in microseconds.
    static zqp::NetTimeout splitTimeout(uint32_t ms);

private:
    friend class ZqFixList<ZqSocket>;
    ZqSocket() = default;
    ~ZqSocket() override = default;

    zqp::SocketHandle m_socket = zqp::INVALID_SOCKET_HANDLE;
};
