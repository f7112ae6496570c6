#include "dorvanex/core/play/CGameWork.h"

#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/opdata/COperationLog.h"
#include "dorvanex/core/opdata/CPlayRecorder.h"
#include "dorvanex/core/play/RankingStore.h"
#include "zq/system/ZqString.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t SETTING_DIFFICULTY = 10;
constexpr int32_t SETTING_RANKING_UPLOAD = 16;
constexpr int32_t MIN_TICKETS = 1;
constexpr int32_t MAX_TICKETS = 5;
// A top value this close to 0 is an empty table.
constexpr float EMPTY_VALUE = 0.009f;

int32_t setting(const int32_t n) {
    const CGameSettings* const settings = CGameSettings::getInstance();
    return settings != nullptr ? settings->getValue(n) : CGameSettings::DEFAULTS[n].value;
}

} // namespace

CGameWork& CGameWork::getInstance() {
    static CGameWork work;
    return work;
}

CGameWork::CGameWork() {
    resetRecords();
    m_ticketsLeft = m_ticketsPerCredit;
}

bool CGameWork::isLowerBetter(const uint32_t event) {
    const EventRow* const row = findEvent(event);
    return row != nullptr && row->lowerIsBetter;
}

bool CGameWork::isDuelEvent(const uint32_t event) {
    const EventRow* const row = findEvent(event);
    return row != nullptr && row->duel;
}

void CGameWork::setCharacter(const uint32_t player, const int32_t number) {
    if (player < 2) {
        m_character[player] = number;
    }
}

void CGameWork::setEntryState(const uint32_t player, const int32_t state) {
    if (player < 2) {
        m_entryState[player] = state;
    }
}

const CGameWork::EventRecord* CGameWork::getEventRecord(const uint32_t event) const {
    return event < NR_EVENTS ? &m_records[event] : nullptr;
}

void CGameWork::resetRecords() {
    for (uint32_t e = 0; e < NR_EVENTS; ++e) {
        EventRecord& r = m_records[e];
        r = EventRecord{};
        const float value = isLowerBetter(e) ? LOWER_BETTER_RESET : 0.0f;
        r.value[0] = value;
        r.value[1] = value;
    }
}

int32_t CGameWork::difficultySetting() const {
    return setting(SETTING_DIFFICULTY);
}

void CGameWork::resetSession() {
    m_playWord = 0;
    m_mode = 0;
    m_counterWord = 0;
    m_entryState[0] = 0;
    m_entryState[1] = 0;
    resetRecords();
    m_ticketsLeft = m_ticketsPerCredit;
    m_difficulty = difficultySetting();
    m_eventsSinceStep = 0;
    m_character[0] = 0;
    m_character[1] = 5;
    m_allEventsDone = 0;
    std::memset(m_name, 0, sizeof(m_name));
}

void CGameWork::resetForContinue() {
    m_ticketsLeft = m_ticketsPerCredit;
    m_difficulty = difficultySetting();
    m_eventsSinceStep = 0;
    m_counterWord = 0;
}

int32_t CGameWork::setTicketsPerCredit(const int32_t n) {
    // An out-of-range count would let a credit buy nothing or too much: keep it in range.
    m_ticketsPerCredit = std::clamp(n, MIN_TICKETS, MAX_TICKETS);
    return m_ticketsPerCredit;
}

void CGameWork::resetTickets() {
    m_ticketsLeft = m_ticketsPerCredit;
}

void CGameWork::consumeTicket() {
    if (m_ticketsLeft <= 0) {
        m_ticketsLeft = 0;
        return;
    }
    if (!isDemo()) {
        playRecordAddGameTime();
    }
    --m_ticketsLeft;
    if (m_ticketsLeft > 0 && !isDemo()) {
        playRecordStartGame();
    }
}

bool CGameWork::hasNoTicketLeft() const {
    return m_ticketsLeft <= 0 && !isDemo();
}

void CGameWork::storeEventResult(const uint32_t event, const uint32_t player, const uint8_t grade,
                                 const float value, const uint8_t played, const int32_t key,
                                 const uint8_t extra) {
    if (isDemo() || event >= NR_EVENTS || player >= 2) {
        return;
    }
    m_lastValue[player] = value;
    m_lastGrade[player] = grade;
    if (player == 0) {
        m_lastKey = key;
    }
    EventRecord& r = m_records[event];
    uint32_t slot = player;
    bool replace = true;
    if (!isBattleMode()) {
        slot = 0;
        const bool better = isLowerBetter(event) ? value < r.value[0] : value > r.value[0];
        replace = r.key == -1 || key < r.key || (key == r.key && better);
    }
    if (replace) {
        r.grade[slot] = grade;
        r.value[slot] = value;
        r.hasResult = 1;
        r.key = key;
        r.extra = extra;
    }
    r.played = played;
    if (played != 0 && !isBattleMode()) {
        if (++m_eventsSinceStep >= EVENTS_PER_STEP) {
            m_difficulty = std::min(m_difficulty + 1, MAX_DIFFICULTY);
            m_eventsSinceStep = 0;
        }
    }
}

void CGameWork::setEventFlag(const uint32_t event, const uint32_t player, const uint8_t flag) {
    if (isDemo() || event >= NR_EVENTS || player >= 2) {
        return;
    }
    m_records[event].flag[player] = flag;
    m_lastFlag[player] = flag;
}

void CGameWork::resetLastResults() {
    m_lastValue[0] = m_lastValue[1] = 0.0f;
    m_lastFlag[0] = m_lastFlag[1] = 0;
    m_lastGrade[0] = m_lastGrade[1] = 0;
    m_lastKey = -1;
}

int32_t CGameWork::countPlayedEvents() const {
    return static_cast<int32_t>(std::count_if(std::begin(m_records), std::end(m_records),
                                              [](const EventRecord& r) { return r.played != 0; }));
}

RankingEntry CGameWork::rankingEntry(const EventRecord& record) const {
    // The name may fill all six bytes: the entry's twelve keep it terminated.
    RankingEntry entry{};
    std::memcpy(entry.name, m_name, NAME_SIZE);
    entry.character = m_character[0];
    entry.score = record.value[0];
    return entry;
}

bool CGameWork::isRankingUploadEnabled() const {
    return setting(SETTING_RANKING_UPLOAD) != 0;
}

void CGameWork::registerLocalRanking() {
    if (isBattleMode()) {
        return;
    }
    for (uint32_t e = 0; e < NR_EVENTS; ++e) {
        EventRecord& r = m_records[e];
        if (r.hasResult == 0) {
            continue;
        }
        if (isDuelEvent(e) && r.key != 0) {
            r.key = -1;
            continue;
        }
        const RankingEntry entry = rankingEntry(r);
        r.key = findLocalRank(entry, e);
        insertLocalRank(entry, e);
    }
    saveRankingData();
}

void CGameWork::uploadEventRecords() {
    if (isBattleMode()) {
        return;
    }
    for (uint32_t e = 0; e < NR_EVENTS; ++e) {
        const EventRecord& r = m_records[e];
        if (r.hasResult == 0 || (isDuelEvent(e) && r.key != 0)) {
            continue;
        }
        RankingEntry entry = rankingEntry(r);
        setPendingRankEntry(entry, e);
    }
    int32_t ranks[RANKING_UPLOAD_RANKS] = {};
    startScoreUpload(ranks);
    for (uint32_t e = 0; e < NR_EVENTS; ++e) {
        EventRecord& r = m_records[e];
        if (r.hasResult != 0 && !(isDuelEvent(e) && r.key != 0)) {
            r.key = ranks[e * 3];
        }
    }
}

bool CGameWork::getUploadStatus(int32_t* const status) const {
    bool success = false;
    if (!getRankingRequestResult(&success)) {
        return false;
    }
    if (status != nullptr) {
        *status = success ? 200 : getLastUploadStatus();
    }
    return true;
}

float CGameWork::getEventBestValue(const uint32_t event) const {
    if (event >= NR_EVENTS) {
        return 0.0f;
    }
    // Every table read hands out a whole board.
    RankingEntry board[RANKING_BOARD_ROWS] = {};
    if (isRankingUploadEnabled()) {
        getNetRankingTable(0, board, event);
    } else {
        getLocalRankingTable(0, board, event);
    }
    const RankingEntry& top = board[0];
    const float reference = EVENT_ROWS[event].referenceValue;
    if (isLowerBetter(event)) {
        if (top.score > -EMPTY_VALUE && top.score < EMPTY_VALUE) {
            return reference;
        }
        return std::min(top.score, reference);
    }
    return std::max(top.score, reference);
}

void CGameWork::setPlayerName(const char* const name) {
    // A name of six bytes has no terminator: copy and convert by length, never past six.
    std::memset(m_name, 0, sizeof(m_name));
    const size_t length = name != nullptr ? strnlen(name, NAME_SIZE) : 0;
    std::memcpy(m_name, name, length);
    ZqString wide;
    zqUtf82Char(m_name, static_cast<int>(length), wide);
    char16_t units[NAME_SIZE + 1] = {};
    for (uint32_t i = 0; i < NAME_SIZE && i < wide.length(); ++i) {
        units[i] = wide.c_str()[i];
    }
    if (COperationLog* const log = getOperationLog()) {
        log->setPlayerName(units);
    }
}

int32_t CGameWork::advanceRankingCursor() {
    if (++m_rankingPage >= 5) {
        m_rankingPage = 0;
        if (++m_rankingBoard >= 3) {
            m_rankingBoard = 0;
        }
    }
    return m_rankingPage;
}

void CGameWork::resetRankingCursor() {
    m_rankingPage = 5;
    m_rankingBoard = 3;
}

void CGameWork::endSession() {
    playRecordAddSessionTime();
    playRecordAddModeTime();
    playRecordEnd();
    m_entryState[0] = 0;
    m_entryState[1] = 0;
    if (COperationLog* const log = getOperationLog()) {
        log->addRecord(COperationLog::GAME_END, -1.0f, -1.0f, -1.0f);
        log->flush();
    }
}

void buildTotalResultList(CTotalResultEntry* const list, const CGameWork& work) {
    if (list == nullptr) {
        return;
    }
    uint32_t n = 0;
    for (const bool withResult : {true, false}) {
        for (uint32_t e = 0; e < CGameWork::NR_EVENTS && n < CGameWork::NR_EVENTS; ++e) {
            const CGameWork::EventRecord& r = *work.getEventRecord(e);
            if ((r.hasResult != 0) != withResult) {
                continue;
            }
            CTotalResultEntry& entry = list[n++];
            entry.event = e;
            entry.value = r.value[0];
            entry.key = r.key;
            entry.hasResult = withResult ? 1 : 0;
            entry.extra = r.extra;
            const bool zeroed = withResult ? r.played == 0 : r.key != 0;
            if (CGameWork::isDuelEvent(e) && zeroed) {
                entry.value = 0.0f;
            }
        }
    }
}
