// ZqClientSocket: a non-blocking TCP connection that reports its network events (data to
// read, room to write, connection ended) through an event that waitEvent waits on. Pooled
// (16), made by create or by a listening socket's accept. One thread per socket. Depends on
// ZqFixList and the platform's socket service.
#pragma once

#include "zq/memory/ZqFixList.h"
#include "zq/platform/net/net.h"

#include <cstdint>
#include <memory>

class ZqNetAddress;

class ZqClientSocket : public ZqFixList<ZqClientSocket> {
public:
    static constexpr unsigned int NR_POOL = 16;
    // waitEvent's bits.
    static constexpr uint32_t EVENT_READ = zqp::NET_EVENT_READ;
    static constexpr uint32_t EVENT_WRITE = zqp::NET_EVENT_WRITE;
    static constexpr uint32_t EVENT_CLOSE = zqp::NET_EVENT_CLOSE;
    // The events a socket reports.
    static constexpr uint32_t EVENT_MASK = EVENT_READ | EVENT_WRITE | EVENT_CLOSE;

    static void sysInit();
    // Closes every socket still open; returns how many there were.
    static unsigned int sysQuit();

    // A TCP socket bound to the local address (IPv4; port 0 for any). Null when sockets are
    // not available, the address is not IPv4, or binding fails or the pool is empty.
    static ZqClientSocket* create(const ZqNetAddress& local);
    // Takes over an open socket (closed on failure): its event, non-blocking mode, a pool
    // object. Null on failure.
    static ZqClientSocket* createBody(zqp::SocketHandle socket);

    // Connects to the host (resolved for a stream socket) or address; true when connected or
    // when the connection is under way (waitEvent then reports write, or close on failure).
    bool connect(const char16_t* host, uint16_t port);
    bool connect(const ZqNetAddress& address);
    // Waits up to ms for an event; the events that occurred (EVENT_ bits), 0 on a time-out or
    // failure. Read is reported again after the next receive, write after a send that found
    // the buffer full.
    uint32_t waitEvent(uint32_t ms);
    // Sends all bytes, continuing after partial sends; false on any error, also when the send
    // buffer is full, or for a negative size or null data. Size 0: true.
    bool send(const void* data, int size);
    // Bytes received, 0 when the peer closed, -1 on error, for null buffer or negative size.
    int receive(void* buffer, int size);
    // Closes event and socket and returns the object to the pool; 0.
    unsigned int release();

private:
    friend class ZqFixList<ZqClientSocket>;
    ZqClientSocket() = default;
    ~ZqClientSocket() override = default;

    zqp::SocketHandle m_socket = zqp::INVALID_SOCKET_HANDLE;
    std::unique_ptr<zqp::NetEvent> m_pEvent;
};
