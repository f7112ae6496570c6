#include "zq/io/ZqTicketDispenser.h"

void ZqTicketDispenser::sysMain() {}

void ZqTicketDispenser::quit() {}
