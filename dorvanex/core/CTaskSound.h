// The sound manager: stand-in until the sound list and the sound manager land. No sound is
// loaded or played; the calls the root makes are accepted and do nothing.
#pragma once

#include "zq/task/ZqTask.h"

#include <cstdint>

class CTaskSound : public ZqTask {
public:
    static void resetSeRequests() {}
    static void stopSeAll(uint32_t) {}
    static void stopBgm(uint32_t) {}
};
