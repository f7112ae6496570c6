// ZqDakt: the cabinet I/O group's start, per-frame work and stop (board, LED controller,
// ticket dispenser), which run theirs.
#pragma once

class ZqDakt {
public:
    static void sysInit();
    static void sysMain();
    static void sysQuit();
};
