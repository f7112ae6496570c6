// ZquPmManager: the particle-effect manager. So far only its start and effect list exist.
#pragma once

class ZquPmManager {
public:
    static void sysInit();
    // Empties and frees the effect list, when there is one.
    static void sysQuit();

    static void* p_fx_list;
};
