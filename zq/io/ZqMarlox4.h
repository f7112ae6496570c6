// ZqMarlox4: stand-in until the cabinet I/O board is built: what the system calls, doing
// nothing yet (no board thread is ever started).
#pragma once

class ZqThread;

class ZqMarlox4 {
public:
    static void sysMain();
    // Will stop the board's thread; there is none yet.
    static void quit();
    static void sysQuit();

    static ZqThread* m_pThread;
};
