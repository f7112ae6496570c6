#include "zq/u/ZquSystem.h"

#include "zq/u/pm/ZquPmManager.h"
#include "zq/u/vinput/ZquVirtualInput.h"

void ZquSystem::sysInit() {
    ZquVirtualInput::sysInit();
    ZquPmManager::sysInit();
}

void ZquSystem::sysMain() { ZquVirtualInput::sysMain(); }

void ZquSystem::sysQuit() {
    ZquVirtualInput::sysQuit();
    ZquPmManager::sysQuit();
}
