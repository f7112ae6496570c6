#include "zq/u/ZquSystem.h"

#include "zq/file/ZquLog.h"
#include "zq/u/pm/ZquPmManager.h"
#include "zq/u/vinput/ZquVirtualInput.h"

void ZquSystem::sysInit() {
    ZquVirtualInput::sysInit();
    ZquPmManager::sysInit();
    ZquLog::sysInit();
}

void ZquSystem::sysMain() {
    ZquVirtualInput::sysMain();
}

void ZquSystem::sysQuit() {
    ZquVirtualInput::sysQuit();
    ZquPmManager::sysQuit();
    ZquLog::sysQuit();
}
