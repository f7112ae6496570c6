// ZqDgSystem: start and stop of the geometry pools (cloth simulators, rigid bodies, box
// trees) and the collision sets.
#pragma once

class ZqDgSystem {
public:
    static void sysInit();
    static void sysQuit();
};
