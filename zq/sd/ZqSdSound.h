// ZqSdSound: stand-in until sound effects and background music are built: the start,
// per-frame work and stop the system calls, doing nothing yet.
#pragma once

class ZqSdSound {
public:
    static void sysInit();
    static void sysMain();
    static void sysQuit();
};
