// ZqSdSound: sound effects and background music. So far only the system's start, per-frame
// work and stop exist.
#pragma once

class ZqSdSound {
public:
    static void sysInit();
    static void sysMain();
    static void sysQuit();
};
