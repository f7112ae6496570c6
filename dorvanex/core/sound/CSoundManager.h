// CSoundManager: the game's layer over the framework's sound. It sets the sound directories,
// keeps the operator's volume factors and turns play and stop requests into framework calls
// through a table of 192 request slots (slot 0 the background music, 1..191 sound effects)
// that the sound task works off once a frame. Sounds are named by file name; priority, play
// mode, exclusive key and volume come from the game's sound list. One manager, made on first
// use. Main thread only. Depends on zq/sd and the resource manager's sound list.
#pragma once

#include "dorvanex/scene/CResourceManager.h"
#include "zq/sd/ZqSdSound.h"

#include <cstdint>
#include <memory>

class CSoundManager {
public:
    static constexpr uint32_t NR_SLOTS = 192;
    static constexpr uint32_t NAME_SIZE = 64;
    static constexpr float DEFAULT_BGM_FADE_MS = 1000.0f;
    static constexpr float BGM_CHANGE_FADE_MS = 500.0f;
    static constexpr float BGM_FADE_IN_MS = 300.0f;
    static constexpr float KEY_REPLACE_FADE_MS = 50.0f;
    enum KIND : uint32_t { KIND_BGM = 0, KIND_SE = 1 };
    enum STATE : uint32_t {
        STATE_FREE = 0,
        STATE_REQUESTED = 1,
        STATE_PLAYING = 2,
        STATE_STOPPING = 3
    };
    enum GROUP : uint32_t { GROUP_COMMON = 0, GROUP_EVENT = 1 };

    // One request slot. The handle is the framework's sound effect (SE slots only).
    struct Slot {
        uint32_t kind = KIND_SE;
        ZqSdSound::Se* handle = nullptr;
        char16_t name[NAME_SIZE] = {};
        uint32_t playCount = 0;
        uint32_t priority = 0;
        uint32_t key = 0;
        float volume = 1.0f;
        uint32_t group = 0;
        uint32_t state = STATE_FREE;
        float fade = 0.0f;
    };

    static CSoundManager* getInstance();
    static void deleteInstance();
    CSoundManager();
    ~CSoundManager();
    CSoundManager(const CSoundManager&) = delete;
    CSoundManager& operator=(const CSoundManager&) = delete;

    // Volumes, directories and the slots as at start-up; false when the framework refuses the
    // music settings (no sound layer).
    bool init();

    void setMasterVolume(float volume);
    // The operator's music factor; the framework's music volume becomes factor x current.
    void setBgmOptionVolume(float factor);
    void setBgmVolume(float volume);
    void setBgmPan(float pan);
    void setBgmPitch(float pitch);
    void setSeMasterVolume(float volume);
    float getBgmOptionVolume() const { return m_bgmOptionVolume; }
    float getSeMasterVolume() const { return m_seMasterVolume; }

    // A looping track already playing is not restarted; any other track replaces the current
    // one once it has faded out over 500 ms.
    void playBgm(const char16_t* name);
    void playBgmEx(const char16_t* name, int32_t, int32_t) { playBgm(name); }
    void stopBgm(float fade);
    void stopBgmDefaultFade() { stopBgm(m_defaultBgmFade); }

    void playCommonSe(const char16_t* name);
    void playSe(const char16_t* name);
    // The caller's group and play-count code instead of the sound list's code.
    void playSeInGroup(const char16_t* name, uint32_t group, uint32_t code);
    void stopSe(const char16_t* name, float fade);
    void stopSeAll(float fade);
    bool isPlayingSe(const char16_t* name) const;
    // Stops the music and every sound effect at once and unloads every sound-effect group.
    void stopAll();

    // Once a frame from the sound task: starts, watches and stops the slots' sounds.
    void update();

    // SE slots 1..191 free, the active count 1.
    static void resetSeSlots();
    static const Slot& getSlot(uint32_t index) { return m_slots[index < NR_SLOTS ? index : 0]; }
    // 1 plus the SE slots in use (NR_SLOTS: every SE slot busy).
    static uint32_t getActiveCount() { return m_activeCount; }

    // The table the names are looked up in: null for the resource manager's (tests give
    // their own).
    static void setSoundList(const CResourceManager::SoundList* list);

private:
    struct Entry {
        uint32_t priority = 0;
        uint32_t code = 0;
        uint32_t key = 0;
        uint32_t volume = 100;
    };
    static Entry lookUpBody(const char16_t* name);
    void requestSeBody(const char16_t* name, uint32_t group, uint32_t code, bool ownCode);
    uint32_t chooseSeSlotBody(uint32_t key);
    void updateSeBody(Slot& slot);
    void updateBgmBody(Slot& slot);

    float m_masterVolume = 1.0f;
    float m_bgmOptionVolume = 1.0f;
    float m_bgmVolume = 1.0f;
    float m_defaultBgmFade = DEFAULT_BGM_FADE_MS;
    float m_bgmPan = 0.0f;
    float m_bgmPitch = 1.0f;
    float m_seMasterVolume = 1.0f;
    ZqFile::Io m_bgmIo;
    ZqFile::Io m_seIo;

    static Slot m_slots[NR_SLOTS];
    static uint32_t m_activeCount;
    static std::unique_ptr<CSoundManager> m_pInstance;
};

// Over the one manager, for callers that do not hold it.
void playSeInGroup(const char16_t* name, uint32_t group, uint32_t code);
// The confirm sound of the select screens and event menus, once.
void playCursorOkSound();
