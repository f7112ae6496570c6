#include "zq/io/ZqLedController.h"

void ZqLedController::sysMain() {}

void ZqLedController::quit() {}
