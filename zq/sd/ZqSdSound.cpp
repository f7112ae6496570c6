#include "zq/sd/ZqSdSound.h"

void ZqSdSound::sysInit() {}

void ZqSdSound::sysMain() {}

void ZqSdSound::sysQuit() {}
