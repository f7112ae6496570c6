#include "zq/memory/ZqRefAlloc.h"

void ZqRefAlloc::sysInit() {}

void ZqRefAlloc::sysQuit() {}
