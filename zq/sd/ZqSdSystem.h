// ZqSdSystem: the sound group's start, per-frame work and stop (they run ZqSdSound's), and the
// machine's own speaker volume, set outside the audio engine through the platform's mixer.
#pragma once

#include <cstdint>

class ZqSdSystem {
public:
    static void sysInit();
    static void sysMain();
    static void sysQuit();

    // Mixer devices (sound cards); 0 without any.
    static uint32_t getNrDevices();
    // Sets the device's speaker volume to `volume`, 0.0 to 1.0 of the control's range, on
    // every channel. False for a volume or device out of range, or when the device has no
    // speaker volume control or refuses the values.
    static bool setMasterVolume(uint32_t device, float volume);
};
