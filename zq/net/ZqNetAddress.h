// ZqNetAddress: one IPv4 socket address (family, port, 4 address bytes) with name resolution
// both ways; and zqGetHostName, the local host's name. IPv4 only. Any thread. Depends on the
// platform's socket service and the framework's strings.
#pragma once

#include "zq/file/ZqContainer.h"
#include "zq/platform/net/net.h"
#include "zq/system/ZqString.h"

#include <cstdint>

class ZqNetAddress {
public:
    // Socket types a name is resolved for.
    static constexpr int SOCKET_TYPE_STREAM = zqp::SOCKET_STREAM;
    static constexpr int SOCKET_TYPE_DATAGRAM = zqp::SOCKET_DATAGRAM;

    // Family 0, port 0, address 0.
    ZqNetAddress() = default;
    // As setAddress.
    ZqNetAddress(int socketType, const char16_t* host, uint16_t port);
    virtual ~ZqNetAddress() = default;
    ZqNetAddress(const ZqNetAddress&) = default;
    ZqNetAddress& operator=(const ZqNetAddress&) = default;

    // Family IPv4, the port (host order) and the address of the first result of resolving the
    // host (a name or dotted address) for the socket type. False for another socket type than
    // stream or datagram, or when the host does not resolve; the address is then all ones.
    bool setAddress(int socketType, const char16_t* host, uint16_t port);
    // Appends one address per result, in the resolver's order; true when the host resolved.
    static bool createAddresses(ZqVector<ZqNetAddress>& addresses, int socketType,
                                const char16_t* host, uint16_t port);

    // The port in host order.
    uint16_t getPort() const;
    // The 4 address bytes, most significant first.
    const uint8_t* getAddress() const { return m_addr.address; }
    const zqp::SockAddrIn& getSockaddrIn() const { return m_addr; }

    // The name registered for the address; false when there is none.
    bool getHostName(ZqString& name) const;
    // "[name](a.b.c.d):port" (at most 255 characters); false when the address has no name.
    bool calcString(ZqString& text) const;

private:
    friend class ZqServerSocket;
    friend class ZqSocket;
    explicit ZqNetAddress(const zqp::SockAddrIn& address) : m_addr(address) {}

    zqp::SockAddrIn m_addr;
};

// The local host's name; false when the system does not give one.
bool zqGetHostName(ZqString& name);
