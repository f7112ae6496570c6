// ZqSdSystem: the sound group's start, per-frame work and stop, which run ZqSdSound's.
#pragma once

class ZqSdSystem {
public:
    static void sysInit();
    static void sysMain();
    static void sysQuit();
};
