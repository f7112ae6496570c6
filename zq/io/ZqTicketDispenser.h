// ZqTicketDispenser: stand-in until the ticket dispenser on the board's serial line is
// built: what the system calls, doing nothing yet.
#pragma once

class ZqTicketDispenser {
public:
    static void sysMain();
    static void quit();
};
