#include "zq/u/pm/ZquPmManager.h"

void* ZquPmManager::p_fx_list = nullptr;

void ZquPmManager::sysInit() {}

void ZquPmManager::sysQuit() {
    p_fx_list = nullptr;
}
