#include "dorvanex/core/sound/CSoundManager.h"

#include "dorvanex/core/opdata/CGameSettings.h"

#include <algorithm>

CSoundManager::Slot CSoundManager::m_slots[NR_SLOTS];
uint32_t CSoundManager::m_activeCount = 1;
std::unique_ptr<CSoundManager> CSoundManager::m_pInstance;

namespace {

constexpr char16_t BGM_DIRECTORY[] = u"sound\\bgm\\";
constexpr char16_t SE_DIRECTORY[] = u"sound\\se\\";
constexpr char16_t CURSOR_OK_SOUND[] = u"SPCommonCursorOK.adpcm.sound";
constexpr uint32_t LOOP_ONCE = 1;
// Codes above this one give an SE its play count directly (code - 10).
constexpr uint32_t DIRECT_COUNT_CODE = 10;

const CResourceManager::SoundList* g_soundList = nullptr;

// The operator levels 0..30 of settings 0 (music) and 1 (effects) as factors; full volume
// before the settings store exists.
float operatorFactor(const int32_t setting) {
    const CGameSettings* const settings = CGameSettings::getInstance();
    return settings != nullptr ? static_cast<float>(settings->getValue(setting)) / 30.0f : 1.0f;
}

// The play count a code gives; false leaves the slot's previous one.
bool playCountOf(const uint32_t code, const bool se, uint32_t& count) {
    switch (code) {
    case 0:
        count = LOOP_ONCE;
        return true;
    case 1:
        count = ZqSdSound::LOOP_ENDLESS;
        return true;
    case 2:
        count = ZqSdSound::LOOP_FILE;
        return true;
    default:
        if (se && code > DIRECT_COUNT_CODE) {
            count = code - DIRECT_COUNT_CODE;
            return true;
        }
        return false;
    }
}

bool sameName(const char16_t* const a, const char16_t* const b) {
    std::u16string_view x(a);
    return x == std::u16string_view(b);
}

void copyName(char16_t* const out, const char16_t* const name) {
    const std::u16string_view n(name);
    const size_t len = std::min<size_t>(n.size(), CSoundManager::NAME_SIZE - 1);
    std::copy_n(n.data(), len, out);
    out[len] = 0;
}

void decreaseActive(uint32_t& count) {
    if (count > 1) {
        --count;
    }
}

} // namespace

CSoundManager* CSoundManager::getInstance() {
    if (!m_pInstance) {
        m_pInstance = std::make_unique<CSoundManager>();
    }
    return m_pInstance.get();
}

void CSoundManager::deleteInstance() {
    m_pInstance.reset();
}

CSoundManager::CSoundManager() = default;

CSoundManager::~CSoundManager() {
    // A manager outliving the sound layer (one made before it, or after its shut-down) has
    // nothing left to stop or detach.
    if (ZqSdSound::m_pXAudio == nullptr) {
        return;
    }
    stopAll();
    ZqSdSound::setBgmFileIo(nullptr);
    ZqSdSound::setSeFileIo(nullptr);
}

void CSoundManager::setSoundList(const CResourceManager::SoundList* const list) {
    g_soundList = list;
}

bool CSoundManager::init() {
    m_masterVolume = 1.0f;
    setMasterVolume(m_masterVolume);
    for (uint32_t i = 0; i < NR_SLOTS; ++i) {
        m_slots[i] = Slot{};
        m_slots[i].kind = i == 0 ? KIND_BGM : KIND_SE;
    }
    m_activeCount = 1;

    m_defaultBgmFade = DEFAULT_BGM_FADE_MS;
    m_bgmVolume = 1.0f;
    m_bgmOptionVolume = operatorFactor(0);
    setBgmVolume(1.0f);
    setBgmPan(0.0f);
    setBgmPitch(1.0f);
    const bool bgmIo = ZqSdSound::setBgmFileIo(&m_bgmIo);
    const bool bgmDirectory = ZqSdSound::setBgmDirectory(BGM_DIRECTORY);

    setSeMasterVolume(operatorFactor(1));
    ZqSdSound::setSeFileIo(&m_seIo);
    ZqSdSound::setSeDirectory(SE_DIRECTORY);
    return bgmIo && bgmDirectory;
}

void CSoundManager::setMasterVolume(const float volume) {
    m_masterVolume = volume;
    ZqSdSound::setMasterVolume(volume);
}

void CSoundManager::setBgmOptionVolume(const float factor) {
    m_bgmOptionVolume = factor;
    ZqSdSound::setBgmVolume(factor * m_bgmVolume);
}

void CSoundManager::setBgmVolume(const float volume) {
    m_bgmVolume = volume;
    ZqSdSound::setBgmVolume(volume * m_bgmOptionVolume);
}

void CSoundManager::setBgmPan(const float pan) {
    m_bgmPan = pan;
    ZqSdSound::setBgmPan(pan);
}

void CSoundManager::setBgmPitch(const float pitch) {
    m_bgmPitch = pitch;
    ZqSdSound::setBgmPitch(pitch);
}

void CSoundManager::setSeMasterVolume(const float volume) {
    m_seMasterVolume = volume;
    ZqSdSound::setSeMasterVolume(volume);
}

CSoundManager::Entry CSoundManager::lookUpBody(const char16_t* const name) {
    const CResourceManager::SoundList& list =
        g_soundList != nullptr ? *g_soundList : CResourceManager::getInstance()->getSoundList();
    Entry e;
    const auto it = list.find(name);
    if (it != list.end()) {
        e.priority = it->second.words[0];
        e.code = it->second.words[1];
        e.key = it->second.words[2];
        e.volume = it->second.words[3];
    }
    return e;
}

void CSoundManager::playBgm(const char16_t* const name) {
    if (name == nullptr) {
        return;
    }
    Slot& bgm = m_slots[0];
    if (bgm.state == STATE_PLAYING && bgm.playCount == ZqSdSound::LOOP_ENDLESS &&
        sameName(bgm.name, name)) {
        return;
    }
    const Entry e = lookUpBody(name);
    if (ZqSdSound::isPlayingBgm()) {
        ZqSdSound::stopBgm(BGM_CHANGE_FADE_MS);
    }
    copyName(bgm.name, name);
    playCountOf(e.code, false, bgm.playCount);
    bgm.priority = e.priority;
    bgm.volume = static_cast<float>(e.volume) / 100.0f;
    bgm.group = GROUP_COMMON;
    bgm.state = STATE_REQUESTED;
}

void CSoundManager::stopBgm(const float fade) {
    ZqSdSound::stopBgm(fade);
}

void CSoundManager::playCommonSe(const char16_t* const name) {
    requestSeBody(name, GROUP_COMMON, 0, false);
}

void CSoundManager::playSe(const char16_t* const name) {
    requestSeBody(name, GROUP_EVENT, 0, false);
}

void CSoundManager::playSeInGroup(const char16_t* const name, const uint32_t group,
                                  const uint32_t code) {
    requestSeBody(name, group, code, true);
}

uint32_t CSoundManager::chooseSeSlotBody(const uint32_t key) {
    if (key != 0) {
        for (uint32_t i = 1; i < NR_SLOTS; ++i) {
            Slot& s = m_slots[i];
            if (s.state != STATE_FREE && s.key == key) {
                if (s.state == STATE_PLAYING) {
                    ZqSdSound::stopSe(s.handle, KEY_REPLACE_FADE_MS);
                } else if (s.state == STATE_STOPPING) {
                    // Its stop would be lost with the slot: carry it out now.
                    ZqSdSound::stopSe(s.handle, s.fade > 1.0f ? s.fade : 0.0f);
                }
                return i;
            }
        }
    }
    if (m_activeCount >= NR_SLOTS) {
        uint32_t lowest = 1;
        bool found = false;
        for (uint32_t i = 1; i < NR_SLOTS; ++i) {
            const Slot& s = m_slots[i];
            if (s.state != STATE_REQUESTED && s.state != STATE_PLAYING) {
                continue;
            }
            if (!found || s.priority < m_slots[lowest].priority) {
                lowest = i;
                found = true;
            }
        }
        if (m_slots[lowest].state == STATE_PLAYING) {
            ZqSdSound::stopSe(m_slots[lowest].handle, 0.0f);
        }
        return lowest;
    }
    for (uint32_t i = 1; i < NR_SLOTS; ++i) {
        if (m_slots[i].state == STATE_FREE) {
            ++m_activeCount;
            return i;
        }
    }
    return 0;
}

void CSoundManager::requestSeBody(const char16_t* const name, const uint32_t group,
                                  const uint32_t code, const bool ownCode) {
    if (name == nullptr) {
        return;
    }
    const Entry e = lookUpBody(name);
    ZqSdSound::Se* const handle = ZqSdSound::getSeHandle(name, group);
    if (handle == nullptr) {
        return;
    }
    const uint32_t index = chooseSeSlotBody(e.key);
    if (index == 0) {
        return;
    }
    Slot& s = m_slots[index];
    copyName(s.name, name);
    s.handle = handle;
    playCountOf(ownCode ? code : e.code, true, s.playCount);
    s.priority = e.priority;
    s.key = e.key;
    s.volume = static_cast<float>(e.volume) / 100.0f;
    s.group = group;
    s.state = STATE_REQUESTED;
}

void CSoundManager::stopSe(const char16_t* const name, const float fade) {
    if (name == nullptr) {
        return;
    }
    for (uint32_t i = 1; i < NR_SLOTS; ++i) {
        Slot& s = m_slots[i];
        if ((s.state == STATE_REQUESTED || s.state == STATE_PLAYING) && sameName(s.name, name)) {
            s.state = STATE_STOPPING;
            s.fade = fade;
        }
    }
}

void CSoundManager::stopSeAll(const float fade) {
    for (uint32_t i = 1; i < NR_SLOTS; ++i) {
        Slot& s = m_slots[i];
        if (s.state == STATE_REQUESTED || s.state == STATE_PLAYING) {
            s.state = STATE_STOPPING;
            s.fade = fade;
        }
    }
}

bool CSoundManager::isPlayingSe(const char16_t* const name) const {
    if (name == nullptr) {
        return false;
    }
    for (uint32_t i = 1; i < NR_SLOTS; ++i) {
        const Slot& s = m_slots[i];
        if (s.state == STATE_PLAYING && s.handle != nullptr && sameName(s.name, name) &&
            ZqSdSound::isPlayingSe(s.handle)) {
            return true;
        }
    }
    return false;
}

void CSoundManager::stopAll() {
    ZqSdSound::stopBgm(0.0f);
    ZqSdSound::stopSeAll(0.0f);
    ZqSdSound::unloadSeAll();
    // The handles died with their groups.
    resetSeSlots();
    m_slots[0].state = STATE_FREE;
}

void CSoundManager::resetSeSlots() {
    for (uint32_t i = 1; i < NR_SLOTS; ++i) {
        m_slots[i] = Slot{};
        m_slots[i].kind = KIND_SE;
    }
    m_activeCount = 1;
}

void CSoundManager::updateSeBody(Slot& s) {
    switch (s.state) {
    case STATE_REQUESTED:
        ZqSdSound::setSeVolume(s.handle, s.volume, false);
        ZqSdSound::setSeSilentAfterStopEnable(s.handle, true);
        ZqSdSound::playSe(s.handle, s.playCount, 0.0f);
        s.state = STATE_PLAYING;
        break;
    case STATE_PLAYING:
        if (!ZqSdSound::isPlayingSe(s.handle)) {
            s.state = STATE_FREE;
            decreaseActive(m_activeCount);
        }
        break;
    case STATE_STOPPING:
        ZqSdSound::stopSe(s.handle, s.fade > 1.0f ? s.fade : 0.0f);
        s.state = STATE_FREE;
        s.fade = 0.0f;
        decreaseActive(m_activeCount);
        break;
    default:
        break;
    }
}

void CSoundManager::updateBgmBody(Slot& s) {
    const bool playing = ZqSdSound::isPlayingBgm();
    if (s.state == STATE_REQUESTED && !playing) {
        setBgmVolume(s.volume);
        ZqSdSound::playBgm(s.name, s.playCount, BGM_FADE_IN_MS, 0.0f);
        s.state = STATE_PLAYING;
    } else if (s.state == STATE_PLAYING && !playing) {
        s.state = STATE_STOPPING;
    }
}

void CSoundManager::update() {
    updateBgmBody(m_slots[0]);
    for (uint32_t i = 1; i < NR_SLOTS; ++i) {
        if (m_slots[i].handle != nullptr) {
            updateSeBody(m_slots[i]);
        }
    }
}

void playSeInGroup(const char16_t* const name, const uint32_t group, const uint32_t code) {
    CSoundManager::getInstance()->playSeInGroup(name, group, code);
}

void playCursorOkSound() {
    playSeInGroup(CURSOR_OK_SOUND, CSoundManager::GROUP_COMMON, 0);
}
