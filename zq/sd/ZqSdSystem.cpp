#include "zq/sd/ZqSdSystem.h"

#include "zq/sd/ZqSdSound.h"

void ZqSdSystem::sysInit() {
    ZqSdSound::sysInit();
}

void ZqSdSystem::sysMain() {
    ZqSdSound::sysMain();
}

void ZqSdSystem::sysQuit() {
    ZqSdSound::sysQuit();
}
