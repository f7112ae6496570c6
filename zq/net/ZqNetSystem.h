// ZqNetSystem: start and stop of the network layer (sockets, interface table, HTTP pool).
#pragma once

class ZqNetSystem {
public:
    static void sysInit();
    static void sysQuit();
    // Reads the network interface table into m_pIfTable.
    static void updateInterfaceInfo();

    static bool m_bSocketAvailable;
    static void* m_pIfTable;
};
