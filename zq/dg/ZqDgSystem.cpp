#include "zq/dg/ZqDgSystem.h"

void ZqDgSystem::sysInit() {}

void ZqDgSystem::sysQuit() {}
