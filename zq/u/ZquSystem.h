// ZquSystem: the utility group's start, per-frame work and stop (virtual inputs, particle
// effects, logs).
#pragma once

class ZquSystem {
public:
    static void sysInit();
    static void sysMain();
    static void sysQuit();
};
