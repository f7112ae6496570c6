// ZqNetSystem: stand-in until the network layer is built (sockets, interface table, HTTP
// pool): the start and stop the system calls. It reads no interface table and reports no
// socket layer available.
#pragma once

class ZqNetSystem {
public:
    static void sysInit();
    static void sysQuit();
    // Will read the network interface table into m_pIfTable; reads nothing yet.
    static void updateInterfaceInfo();

    static bool m_bSocketAvailable;
    static void* m_pIfTable;
};
