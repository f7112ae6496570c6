#include "zq/u/vinput/ZquVirtualInput.h"

void* ZquVirtualInput::m_vpDeviceUsed[NR_DEVICES] = {};

void ZquVirtualInput::sysInit() {
    for (auto& d : m_vpDeviceUsed) {
        d = nullptr;
    }
}

void ZquVirtualInput::sysMain() {}

void ZquVirtualInput::sysQuit() {}
