// ZqLedController: the LED controller on the board's serial line. So far only what the
// system calls exist.
#pragma once

class ZqLedController {
public:
    static void sysMain();
    static void quit();
};
