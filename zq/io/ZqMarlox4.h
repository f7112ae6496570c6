// ZqMarlox4: the cabinet I/O board. So far only what the system calls exist.
#pragma once

class ZqThread;

class ZqMarlox4 {
public:
    static void sysMain();
    // Stops the board's thread.
    static void quit();
    static void sysQuit();

    static ZqThread* m_pThread;
};
