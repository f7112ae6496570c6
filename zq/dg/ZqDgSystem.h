// ZqDgSystem: stand-in until the geometry pools are built (cloth simulators, rigid bodies,
// box trees) and the collision sets: the start and stop the system calls, doing nothing yet.
#pragma once

class ZqDgSystem {
public:
    static void sysInit();
    static void sysQuit();
};
