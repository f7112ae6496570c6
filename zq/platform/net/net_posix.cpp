// The socket service on POSIX sockets, getaddrinfo/getnameinfo and getifaddrs.
#include "zq/platform/net/net.h"

#include "zq/platform/os/utf.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <ifaddrs.h>
#include <limits>
#include <linux/if_packet.h>
#include <mutex>
#include <net/if.h>
#include <net/if_arp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zqp {

namespace {

sockaddr_in toNative(const SockAddrIn& a) {
    sockaddr_in s{};
    s.sin_family = AF_INET;
    s.sin_port = a.portNetworkOrder;
    std::memcpy(&s.sin_addr.s_addr, a.address, 4);
    return s;
}

SockAddrIn fromNative(const sockaddr_in& s) {
    SockAddrIn a;
    a.family = SockAddrIn::FAMILY_INET;
    a.portNetworkOrder = s.sin_port;
    std::memcpy(a.address, &s.sin_addr.s_addr, 4);
    return a;
}

// Milliseconds for poll(), rounded up so that a short remainder still waits; capped.
int toPollMs(const NetTimeout& t) {
    if (t.seconds < 0 || t.microseconds < 0) {
        return 0;
    }
    const int64_t ms = t.seconds * 1000 + (t.microseconds + 999) / 1000;
    return static_cast<int>(std::min<int64_t>(ms, std::numeric_limits<int>::max()));
}

int waitFor(const SocketHandle socket, const short events, const NetTimeout& timeout) {
    if (socket < 0) {
        return -1;
    }
    pollfd p{socket, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, toPollMs(timeout));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            return 0;
        }
        // An error or hang-up also ends a wait: the next call reports it.
        return 1;
    }
}

} // namespace

uint16_t hostToNetwork16(const uint16_t value) {
    return htons(value);
}

uint16_t networkToHost16(const uint16_t value) {
    return ntohs(value);
}

bool netStartup() {
    // A send to a peer that has gone must fail, not end the process.
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
    return true;
}

void netCleanup() {}

bool resolveAddresses(const char* const host, const int socketKind, const uint16_t port,
                      std::vector<SockAddrIn>& out) {
    if (host == nullptr || (socketKind != SOCKET_STREAM && socketKind != SOCKET_DATAGRAM)) {
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = socketKind == SOCKET_STREAM ? SOCK_STREAM : SOCK_DGRAM;
    addrinfo* list = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &list) != 0 || list == nullptr) {
        return false;
    }
    for (const addrinfo* a = list; a != nullptr; a = a->ai_next) {
        if (a->ai_family != AF_INET || a->ai_addrlen < sizeof(sockaddr_in)) {
            continue;
        }
        sockaddr_in s{};
        std::memcpy(&s, a->ai_addr, sizeof s);
        s.sin_port = htons(port);
        out.push_back(fromNative(s));
    }
    ::freeaddrinfo(list);
    return true;
}

bool reverseLookup(const SockAddrIn& address, std::string& name) {
    const sockaddr_in s = toNative(address);
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&s), sizeof s, host, sizeof host, nullptr,
                      0, NI_NAMEREQD) != 0) {
        return false;
    }
    name = host;
    return true;
}

bool localHostName(std::string& name) {
    char buffer[257] = {};
    if (::gethostname(buffer, 256) != 0) {
        return false;
    }
    name = buffer;
    return true;
}

SocketHandle openSocket(const int socketKind) {
    const int type = socketKind == SOCKET_STREAM     ? SOCK_STREAM
                     : socketKind == SOCKET_DATAGRAM ? SOCK_DGRAM
                                                     : -1;
    if (type < 0) {
        return INVALID_SOCKET_HANDLE;
    }
    const int s = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
    return s < 0 ? INVALID_SOCKET_HANDLE : s;
}

void closeSocket(const SocketHandle socket) {
    if (socket >= 0) {
        ::close(socket);
    }
}

bool bindSocket(const SocketHandle socket, const SockAddrIn& address) {
    // A listener restarted on its port must not wait for the old connections to time out.
    // Datagram sockets keep the plain rule: one socket per port.
    int type = 0;
    socklen_t length = sizeof type;
    if (::getsockopt(socket, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_STREAM) {
        const int on = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    const sockaddr_in s = toNative(address);
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&s), sizeof s) == 0;
}

bool setNonBlocking(const SocketHandle socket) {
    const int flags = ::fcntl(socket, F_GETFL, 0);
    return flags >= 0 && ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}

uint16_t boundPort(const SocketHandle socket) {
    sockaddr_in s{};
    socklen_t length = sizeof s;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&s), &length) != 0 ||
        s.sin_family != AF_INET) {
        return 0;
    }
    return ntohs(s.sin_port);
}

bool listenSocket(const SocketHandle socket) {
    return ::listen(socket, SOMAXCONN) == 0;
}

ConnectResult connectSocket(const SocketHandle socket, const SockAddrIn& address) {
    const sockaddr_in s = toNative(address);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&s), sizeof s) == 0) {
        return ConnectResult::Connected;
    }
    return errno == EINPROGRESS || errno == EWOULDBLOCK ? ConnectResult::InProgress
                                                        : ConnectResult::Failed;
}

SocketHandle acceptSocket(const SocketHandle listener, SockAddrIn* const peer) {
    sockaddr_in s{};
    socklen_t length = sizeof s;
    const int c = ::accept4(listener, reinterpret_cast<sockaddr*>(&s), &length, SOCK_CLOEXEC);
    if (c < 0) {
        return INVALID_SOCKET_HANDLE;
    }
    if (peer != nullptr) {
        *peer = fromNative(s);
    }
    return c;
}

int64_t sendBytes(const SocketHandle socket, const void* const data, const size_t size,
                  bool& wouldBlock) {
    wouldBlock = false;
    const ssize_t n = ::send(socket, data, size, MSG_NOSIGNAL);
    if (n < 0) {
        wouldBlock = errno == EAGAIN || errno == EWOULDBLOCK;
        return -1;
    }
    return n;
}

int64_t receiveBytes(const SocketHandle socket, void* const buffer, const size_t size) {
    const ssize_t n = ::recv(socket, buffer, size, 0);
    return n < 0 ? -1 : n;
}

int64_t sendDatagram(const SocketHandle socket, const void* const data, const size_t size,
                     const SockAddrIn& to) {
    const sockaddr_in s = toNative(to);
    const ssize_t n =
        ::sendto(socket, data, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&s), sizeof s);
    return n < 0 ? -1 : n;
}

int64_t receiveDatagram(const SocketHandle socket, void* const buffer, const size_t size,
                        SockAddrIn* const from) {
    sockaddr_in s{};
    socklen_t length = sizeof s;
    const ssize_t n = ::recvfrom(socket, buffer, size, 0, reinterpret_cast<sockaddr*>(&s), &length);
    if (n < 0) {
        return -1;
    }
    if (from != nullptr) {
        *from = fromNative(s);
    }
    return n;
}

int waitReadable(const SocketHandle socket, const NetTimeout& timeout) {
    return waitFor(socket, POLLIN, timeout);
}

int waitWritable(const SocketHandle socket, const NetTimeout& timeout) {
    return waitFor(socket, POLLOUT, timeout);
}

NetEvent::WaitResult NetEvent::wait(const uint32_t ms, uint32_t& events) {
    events = 0;
    if (m_socket < 0) {
        return WaitResult::Failed;
    }
    short interest = 0;
    if (m_readEnabled || !m_closeReported) {
        interest |= POLLIN;
    }
    if (m_writeEnabled) {
        interest |= POLLOUT;
    }
    pollfd p{m_socket, interest, 0};
    int n = 0;
    do {
        n = ::poll(&p, 1, static_cast<int>(std::min<uint32_t>(ms, INT32_MAX)));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return WaitResult::Failed;
    }
    if (n == 0) {
        return WaitResult::TimedOut;
    }
    bool closed = (p.revents & (POLLERR | POLLHUP)) != 0;
    if ((p.revents & POLLIN) != 0) {
        // Readable with nothing to read means the peer has closed.
        char probe = 0;
        const ssize_t k = ::recv(m_socket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        if (k > 0) {
            if (m_readEnabled) {
                events |= NET_EVENT_READ;
                m_readEnabled = false;
            }
        } else if (k == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            closed = true;
        }
    }
    if ((p.revents & POLLOUT) != 0 && m_writeEnabled && !closed) {
        events |= NET_EVENT_WRITE;
        m_writeEnabled = false;
    }
    if (closed && !m_closeReported) {
        events |= NET_EVENT_CLOSE;
        m_closeReported = true;
        m_writeEnabled = false;
    }
    if (events == 0) {
        // Only events already reported are pending: nothing new within this wait.
        return WaitResult::TimedOut;
    }
    return WaitResult::Signalled;
}

bool readInterfaceTable(std::vector<InterfaceRow>& rows) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return false;
    }
    rows.clear();
    for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_PACKET ||
            a->ifa_name == nullptr) {
            continue;
        }
        sockaddr_ll link{};
        std::memcpy(&link, a->ifa_addr, sizeof link);
        InterfaceRow row;
        row.name = utf8ToUtf16(a->ifa_name);
        row.index = static_cast<uint32_t>(link.sll_ifindex);
        row.type = link.sll_hatype == ARPHRD_ETHER      ? INTERFACE_TYPE_ETHERNET
                   : link.sll_hatype == ARPHRD_LOOPBACK ? INTERFACE_TYPE_LOOPBACK
                                                        : INTERFACE_TYPE_OTHER;
        row.physicalAddressLength = std::min<uint32_t>(link.sll_halen, MAX_PHYSICAL_ADDRESS);
        std::memcpy(row.physicalAddress, link.sll_addr, row.physicalAddressLength);
        rows.push_back(std::move(row));
    }
    ::freeifaddrs(list);
    return true;
}

} // namespace zqp
