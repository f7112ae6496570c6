// ZqNetSystem: the network start-up and shut-down that the system runs (the socket service,
// the pools of listening, client and UDP sockets and of HTTP connections) and the table of the
// machine's network interfaces with their hardware addresses. Main thread. Depends on the
// platform's socket service and the pooled socket and HTTP classes.
#pragma once

#include <cstdint>
#include <memory>

struct ZqNetInterfaceTable;

class ZqNetSystem {
public:
    // Starts the socket service (its success is isSocketAvailable), makes the pools (2
    // listening, 16 client, 16 UDP sockets, 1 HTTP connection) and reads the interface table.
    static void sysInit();
    // Frees the interface table, closes every socket still open and frees the pools.
    static void sysQuit();

    static bool isSocketAvailable() { return m_bSocketAvailable; }

    // Reads the interface table anew; false, keeping the old table, when it cannot be read.
    static bool updateInterfaceInfo();
    // Entries of the kept table; 0 without one.
    static uint32_t getNrInterfaces();
    // The system's index of entry i; 0 when i is out of range.
    static uint32_t getInterfaceIndex(uint32_t i);
    // The hardware address bytes of entry i when it is an Ethernet interface (its length is
    // the entry's, at most 8: 6 for Ethernet); null for another kind or out of range. Valid
    // until the next update.
    static const uint8_t* getInterfaceMacAddress(uint32_t i);

    static bool m_bSocketAvailable;
    static std::unique_ptr<ZqNetInterfaceTable> m_pIfTable;
};
