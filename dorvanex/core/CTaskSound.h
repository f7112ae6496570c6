// The sound manager: stand-in until the sound list and the sound manager land. No sound is
// loaded or played; the calls the root makes are accepted and do nothing.
#pragma once

#include "zq/task/ZqTask.h"

#include <cstdint>

// The operator's volume factors (levels / 30), kept until the sound manager plays anything.
class CSoundManager {
public:
    static CSoundManager* getInstance() {
        static CSoundManager manager;
        return &manager;
    }
    void setBgmOptionVolume(const float factor) { m_bgmOptionVolume = factor; }
    void setSeMasterVolume(const float volume) { m_seMasterVolume = volume; }
    float getBgmOptionVolume() const { return m_bgmOptionVolume; }
    float getSeMasterVolume() const { return m_seMasterVolume; }

private:
    float m_bgmOptionVolume = 1.0f;
    float m_seMasterVolume = 1.0f;
};

class CTaskSound : public ZqTask {
public:
    static void resetSeRequests() {}
    static void stopSeAll(uint32_t) {}
    static void stopBgm(uint32_t) {}
};
