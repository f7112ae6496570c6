// The socket service: IPv4 stream and datagram sockets, name resolution both ways, the local
// host name and the table of the machine's network interfaces. Sockets are plain handles;
// a client socket's network events (readable, writable, closed) are reported through a
// NetEvent, a small per-socket record that a wait polls, in place of a kernel event object.
// Not for IPv6, nor for anything blocking without a time-out. Any thread; one socket is used
// by one thread at a time. Depends on nothing above the C++ runtime.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqp {

// One IPv4 socket address as it goes on the wire: family, port in network order, the four
// address bytes (most significant first) and eight zero bytes.
struct SockAddrIn {
    static constexpr uint16_t FAMILY_INET = 2;
    uint16_t family = 0;
    uint16_t portNetworkOrder = 0;
    uint8_t address[4] = {};
    uint8_t zero[8] = {};
};

// Socket kinds as the framework numbers them.
constexpr int SOCKET_STREAM = 1;
constexpr int SOCKET_DATAGRAM = 2;

using SocketHandle = int;
constexpr SocketHandle INVALID_SOCKET_HANDLE = -1;

// A time-out split the way the waits take it: whole seconds and the remaining microseconds.
struct NetTimeout {
    int64_t seconds = 0;
    int64_t microseconds = 0;
};

uint16_t hostToNetwork16(uint16_t value);
uint16_t networkToHost16(uint16_t value);

// Starts the socket service (ignores the broken-pipe signal once per process); false when
// sockets are not to be had.
bool netStartup();
void netCleanup();

// Resolves a host name or dotted address (UTF-8) for IPv4 and the socket kind; appends one
// address per result, in the resolver's order, each with the given port (host order). False
// when the name does not resolve or the kind is neither stream nor datagram.
bool resolveAddresses(const char* host, int socketKind, uint16_t port,
                      std::vector<SockAddrIn>& out);
// The name registered for the address (reverse look-up, UTF-8); false when there is none.
bool reverseLookup(const SockAddrIn& address, std::string& name);
// The local host name (UTF-8, at most 256 bytes); false when the system does not give one.
bool localHostName(std::string& name);

// Sockets. Every call returns false (or INVALID_SOCKET_HANDLE, or -1) on failure.
SocketHandle openSocket(int socketKind);
void closeSocket(SocketHandle socket);
bool bindSocket(SocketHandle socket, const SockAddrIn& address);
bool setNonBlocking(SocketHandle socket);
// The local port the socket is bound to (host order); 0 when it cannot be read.
uint16_t boundPort(SocketHandle socket);
// Listens with the largest backlog the system allows.
bool listenSocket(SocketHandle socket);

enum class ConnectResult : uint8_t { Connected, InProgress, Failed };
ConnectResult connectSocket(SocketHandle socket, const SockAddrIn& address);

// A pending connection, or INVALID_SOCKET_HANDLE when none is waiting or on error.
SocketHandle acceptSocket(SocketHandle listener, SockAddrIn* peer);

// Bytes sent (possibly fewer than size), or -1 on error; wouldBlock says whether the error was
// a full send buffer. Never raises a signal for a closed peer.
int64_t sendBytes(SocketHandle socket, const void* data, size_t size, bool& wouldBlock);
// Bytes received, 0 when the peer closed, -1 on error (also when nothing is waiting on a
// non-blocking socket).
int64_t receiveBytes(SocketHandle socket, void* buffer, size_t size);
int64_t sendDatagram(SocketHandle socket, const void* data, size_t size, const SockAddrIn& to);
int64_t receiveDatagram(SocketHandle socket, void* buffer, size_t size, SockAddrIn* from);

// Waits until the socket can be read (or written); 1 ready, 0 time-out, -1 error.
int waitReadable(SocketHandle socket, const NetTimeout& timeout);
int waitWritable(SocketHandle socket, const NetTimeout& timeout);

// The network events of a connected or connecting stream socket, with the bits the
// framework's interface uses. Each event is reported once and then rests until re-enabled:
// read until the next receive, write until a send finds the buffer full; closed once.
constexpr uint32_t NET_EVENT_READ = 1;
constexpr uint32_t NET_EVENT_WRITE = 2;
// The connection ended: closed by the peer, reset, or the connect failed.
constexpr uint32_t NET_EVENT_CLOSE = 32;

class NetEvent {
public:
    explicit NetEvent(SocketHandle socket) : m_socket(socket) {}

    enum class WaitResult : uint8_t { Signalled, TimedOut, Failed };
    // Waits up to ms for one of the events still enabled; on Signalled, events holds the bits
    // that occurred (and they are now reported).
    WaitResult wait(uint32_t ms, uint32_t& events);
    // Re-enable after the caller received or found the send buffer full.
    void enableRead() { m_readEnabled = true; }
    void enableWrite() { m_writeEnabled = true; }

private:
    SocketHandle m_socket;
    bool m_readEnabled = true;
    bool m_writeEnabled = true;
    bool m_closeReported = false;
};

// One row of the interface table.
constexpr uint32_t INTERFACE_TYPE_OTHER = 1;
constexpr uint32_t INTERFACE_TYPE_ETHERNET = 6;
constexpr uint32_t INTERFACE_TYPE_LOOPBACK = 24;
constexpr uint32_t MAX_PHYSICAL_ADDRESS = 8;

struct InterfaceRow {
    std::u16string name;
    uint32_t index = 0;
    uint32_t type = INTERFACE_TYPE_OTHER;
    uint32_t physicalAddressLength = 0;
    uint8_t physicalAddress[MAX_PHYSICAL_ADDRESS] = {};
};

// Every link-level interface of the machine, unsorted; false when the table cannot be read.
bool readInterfaceTable(std::vector<InterfaceRow>& rows);

} // namespace zqp
