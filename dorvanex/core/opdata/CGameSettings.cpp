#include "dorvanex/core/opdata/CGameSettings.h"

#include "dorvanex/core/cabinet/CCredit.h"
#include "dorvanex/core/opdata/DataFile.h"
#include "dorvanex/core/opdata/ErrorLog.h"
#include "dorvanex/core/sound/CSoundManager.h"
#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqByteWriter.h"

#include <cstring>
#include <string>

namespace {

constexpr uint32_t Y = CGameSettings::FACTORY_RESET;
constexpr uint32_t N = 0;

// The ranges a loaded file must keep: what the game uses as an index, a price or a level.
struct Range {
    int32_t first;
    int32_t last;
    int32_t low;
    int32_t high;
};
constexpr Range RANGES[] = {
    {0, 1, 0, 30},  {3, 3, 0, 10},   {4, 4, 1, 32},  {5, 6, 1, 16},
    {8, 8, 0, 1},   {10, 10, 1, 4},  {11, 11, 0, 0}, {15, 15, 1, 5},
    {44, 44, 0, 1}, {46, 46, 1, 10}, {67, 67, 0, 1}, {68, 77, 0, 99},
};

constexpr int32_t SOUND_LEVELS = 30;

float volumeOf(const int32_t level) {
    return (level >= 0 && level <= SOUND_LEVELS ? static_cast<float>(level) : 0.0f) /
           static_cast<float>(SOUND_LEVELS);
}

void decode(const uint8_t* const payload, int32_t* const values) {
    const ZqByteReader r(payload, CGameSettings::FILE_SIZE);
    for (int32_t i = 0; i < CGameSettings::COUNT; ++i) {
        r.i32(static_cast<uint64_t>(i) * 4, values[i]);
    }
}

uint8_t asByte(const int32_t value) {
    return static_cast<uint8_t>(value);
}

} // namespace

// clang-format off
const CGameSettings::Row CGameSettings::DEFAULTS[COUNT] = {
    {20, Y}, {20, Y}, {20, Y}, {10, Y}, {1, Y}, {1, Y}, {1, Y}, {4, Y}, {0, Y}, {0, Y},  // 0
    {2, Y}, {0, Y}, {0, Y}, {264, Y}, {0, Y}, {3, Y}, {0, Y}, {48, Y}, {0, Y}, {0, Y},   // 10
    {0, Y}, {0, Y}, {0, Y}, {0, Y}, {1, N}, {-15, N}, {0, N}, {11, N}, {0, N}, {1, N},   // 20
    {0, N}, {0, N}, {0, N}, {0, N}, {0, N}, {0, N}, {0, Y}, {1, Y}, {5, Y}, {0, Y},      // 30
    {127, N}, {0, N}, {0, N}, {1, N}, {0, Y}, {0, Y}, {1, Y}, {0, Y}, {0, Y}, {0, Y},    // 40
    {0, Y}, {0, Y}, {0, Y}, {0, Y}, {0, Y}, {0, Y}, {0, Y}, {0, Y}, {0, Y}, {0, Y},      // 50
    {0, Y}, {0, Y}, {0, Y}, {0, Y}, {0, Y}, {0, Y}, {0, Y}, {0, Y}, {1, Y}, {10, Y},     // 60
    {7, Y}, {6, Y}, {5, Y}, {4, Y}, {3, Y}, {3, Y}, {2, Y}, {2, Y},                      // 70
};
// clang-format on

std::unique_ptr<CGameSettings> CGameSettings::m_pInstance;

CGameSettings::CGameSettings() {
    for (int32_t i = 0; i < COUNT; ++i) {
        m_defaults[i] = DEFAULTS[i].value;
    }
}

int32_t CGameSettings::create() {
    if (m_pInstance != nullptr) {
        return -1;
    }
    m_pInstance = std::make_unique<CGameSettings>();
    return 0;
}

CGameSettings* CGameSettings::getInstance() {
    return m_pInstance.get();
}

void CGameSettings::release() {
    m_pInstance.reset();
}

int32_t CGameSettings::getValue(const int32_t n) const {
    return n >= 0 && n < COUNT ? m_values[n] : 0;
}

void CGameSettings::setValue(const int32_t n, const int32_t value) {
    if (n >= 0 && n < COUNT) {
        m_values[n] = value;
    }
}

int32_t CGameSettings::getDefault(const int32_t n) const {
    return n >= 0 && n < COUNT ? m_defaults[n] : 0;
}

int64_t CGameSettings::getClockOffset() const {
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(m_values[34])) << 32) |
                                static_cast<uint32_t>(m_values[33]));
}

int32_t CGameSettings::takeResetFlag() {
    const int32_t word = m_resetWord;
    m_resetWord = 0;
    return word;
}

bool CGameSettings::isValidFile(const uint8_t* const payload, const uint32_t size) {
    if (payload == nullptr || size != FILE_SIZE) {
        return false;
    }
    int32_t values[COUNT] = {};
    decode(payload, values);
    for (const Range& range : RANGES) {
        for (int32_t n = range.first; n <= range.last; ++n) {
            if (values[n] < range.low || values[n] > range.high) {
                return false;
            }
        }
    }
    return true;
}

int32_t CGameSettings::load() {
    uint8_t payload[FILE_SIZE] = {};
    const int32_t result = loadDataFile(FILE_NAME, payload, FILE_SIZE, &isValidFile);
    if (result == LOAD_TAKEN) {
        decode(payload, m_values);
        // Both drives again hold the same valid copy.
        save();
        return 0;
    }
    std::memcpy(m_values, m_defaults, sizeof m_values);
    if (result == LOAD_NO_FILE) {
        // A first start: the defaults go to both drives.
        save();
        return 0;
    }
    // Damaged copies or a dead drive: the game runs on the defaults, the boot reports the
    // damage, and nothing is written until the operator resets.
    return -1;
}

int32_t CGameSettings::save() {
    ZqByteWriter w;
    for (const int32_t value : m_values) {
        w.i32(value);
    }
    const int32_t result = saveDataFile(FILE_NAME, w.data().data(), FILE_SIZE, 0);
    if (result != 0) {
        writeErrorLog(std::string("The operator settings \"") + FILE_NAME +
                      "\" could not be saved (result " + std::to_string(result) + ").");
    }
    return result;
}

void CGameSettings::applyVolumes() const {
    CSoundManager* const sound = CSoundManager::getInstance();
    sound->setBgmOptionVolume(volumeOf(m_values[0]));
    sound->setSeMasterVolume(volumeOf(m_values[1]));
}

int32_t CGameSettings::resetAll() {
    std::memcpy(m_values, m_defaults, sizeof m_values);
    applyVolumes();
    const int32_t result = save();
    m_resetWord = -1;
    return result;
}

int32_t CGameSettings::resetFactory() {
    for (int32_t i = 0; i < COUNT; ++i) {
        if ((DEFAULTS[i].flags & FACTORY_RESET) != 0) {
            m_values[i] = m_defaults[i];
        }
    }
    CCredit::setCoinSettings(asByte(m_values[4]), asByte(m_values[5]), asByte(m_values[6]),
                             asByte(m_values[7]), asByte(m_values[9]), asByte(m_values[8]));
    applyVolumes();
    const int32_t result = save();
    m_resetWord = -1;
    return result;
}
