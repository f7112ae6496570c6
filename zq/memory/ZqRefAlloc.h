// ZqRefAlloc: named, reference-counted shared memory blocks. Only the pool's start and stop
// exist so far; the blocks themselves come with the pool templates.
#pragma once

class ZqRefAlloc {
public:
    static void sysInit();
    static void sysQuit();
};
