#include "zq/io/ZqDakt.h"

#include "zq/io/ZqLedController.h"
#include "zq/io/ZqMarlox4.h"
#include "zq/io/ZqTicketDispenser.h"

// The board itself is opened later, by the program.
void ZqDakt::sysInit() { ZqMarlox4::m_pThread = nullptr; }

void ZqDakt::sysMain() {
    ZqMarlox4::sysMain();
    ZqLedController::sysMain();
    ZqTicketDispenser::sysMain();
}

void ZqDakt::sysQuit() {
    ZqLedController::quit();
    ZqTicketDispenser::quit();
    ZqMarlox4::quit();
}
