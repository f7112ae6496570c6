// ZquVirtualInput: virtual buttons over physical inputs. So far only what the system calls
// exist.
#pragma once

class ZquVirtualInput {
public:
    static constexpr unsigned NR_POOL = 4;
    static constexpr unsigned NR_DEVICES = 8;

    static void sysInit();
    static void sysMain();
    static void sysQuit();

    static void* m_vpDeviceUsed[NR_DEVICES];
};
