// ZqDgSystem: start-up and shut-down of the geometry library's pools: cloth simulators, rigid
// bodies, box trees and collision sets. Called by the framework's start-up and shut-down.
#pragma once

class ZqDgSystem {
public:
    // Pools of 1024 cloth simulators, 1024 rigid bodies and 32 box trees, then the collision
    // sets.
    static void sysInit();
    // Quits the pools of cloth simulators, rigid bodies, box trees and collision sets, in that
    // order; whatever is still in use is released.
    static void sysQuit();
};
