// ZqLedController: stand-in until the LED controller on the board's serial line is built:
// what the system calls, doing nothing yet.
#pragma once

class ZqLedController {
public:
    static void sysMain();
    static void quit();
};
