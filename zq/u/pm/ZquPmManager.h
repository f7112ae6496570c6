// ZquPmManager: stand-in until the particle-effect manager is built: its start and stop and
// the effect list, which stays empty.
#pragma once

class ZquPmManager {
public:
    static void sysInit();
    // Empties and frees the effect list, when there is one.
    static void sysQuit();

    static void* p_fx_list;
};
