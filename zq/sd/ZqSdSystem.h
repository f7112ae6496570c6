// ZqSdSystem: the sound group's start, per-frame work and stop.
#pragma once

class ZqSdSystem {
public:
    static void sysInit();
    static void sysMain();
    static void sysQuit();
};
