// ZqTicketDispenser: the ticket dispenser on the board's serial line. So far only what the
// system calls exist.
#pragma once

class ZqTicketDispenser {
public:
    static void sysMain();
    static void quit();
};
