// CGameWork: the shared play state of one credit's play: mode, characters, difficulty,
// tickets, the player's name, the ten event records and the screens' choices and cursors.
// One instance for the whole run (CGameWork::getInstance). In the attract demo nothing is
// recorded or counted. Uses the operator settings (10 difficulty, 16 ranking upload), the play
// recorder, the operation log and the ranking services. Main thread only.
#pragma once

#include "dorvanex/core/play/EventId.h"

#include <cstdint>

struct RankingEntry;

// One entry of the total-result list.
struct CTotalResultEntry {
    uint32_t event = 0;
    float value = 0.0f;
    int32_t key = -1;
    uint8_t hasResult = 0;
    uint8_t extra = 0;
};

class CGameWork {
public:
    static constexpr uint32_t NR_EVENTS = EVENT_COUNT;
    static constexpr uint32_t NAME_SIZE = 6;
    static constexpr int32_t MAX_DIFFICULTY = 4;
    static constexpr int32_t EVENTS_PER_STEP = 3;
    static constexpr float LOWER_BETTER_RESET = 10000.0f;

    struct EventRecord {
        uint8_t grade[2] = {};
        int32_t key = -1;
        uint8_t played = 0;
        uint8_t hasResult = 0;
        uint8_t extra = 0;
        float value[2] = {};
        uint8_t flag[2] = {};
    };

    static CGameWork& getInstance();

    CGameWork();
    virtual ~CGameWork() = default;
    CGameWork(const CGameWork&) = delete;
    CGameWork& operator=(const CGameWork&) = delete;

    // Lookups into the event table (EventId.h); false for a number without an event.
    static bool isLowerBetter(uint32_t event);
    static bool isDuelEvent(uint32_t event);

    int32_t getMode() const { return m_mode; }
    void setMode(int32_t mode) { m_mode = mode; }
    bool isBattleMode() const { return m_mode == 1; }
    bool isDemo() const { return m_demo != 0; }
    void setDemo(bool demo) { m_demo = demo ? 1 : 0; }
    // Player 0 or 1; others read 0 and are not written.
    int32_t getCharacter(uint32_t player) const { return player < 2 ? m_character[player] : 0; }
    void setCharacter(uint32_t player, int32_t number);
    int32_t getDifficulty() const { return m_difficulty; }
    void setDifficulty(int32_t difficulty) { m_difficulty = difficulty; }
    int32_t getTicketsPerCredit() const { return m_ticketsPerCredit; }
    int32_t getTicketsLeft() const { return m_ticketsLeft; }
    int32_t getPlayWord() const { return m_playWord; }
    void setPlayWord(int32_t word) { m_playWord = word; }
    int32_t getCounterWord() const { return m_counterWord; }
    void setCounterWord(int32_t word) { m_counterWord = word; }
    int32_t getModeChoice() const { return m_modeChoice; }
    void setModeChoice(int32_t choice) { m_modeChoice = choice; }
    int32_t getEntryState(uint32_t player) const { return player < 2 ? m_entryState[player] : 0; }
    void setEntryState(uint32_t player, int32_t state);
    int32_t getOfflineWord() const { return m_offlineWord; }
    void setOfflineWord(int32_t word) { m_offlineWord = word; }
    // The six name bytes (not terminated when the name has six).
    const char* getName() const { return m_name; }
    int32_t getRankingPage() const { return m_rankingPage; }
    int32_t getRankingBoard() const { return m_rankingBoard; }
    int32_t getNameEntryResult() const { return m_nameEntryResult; }
    void setNameEntryResult(int32_t code) { m_nameEntryResult = code; }
    bool isAllEventsDone() const { return m_allEventsDone != 0; }
    void setAllEventsDone(bool done) { m_allEventsDone = done ? 1 : 0; }
    uint8_t getModeByte() const { return m_modeByte; }
    void setModeByte(uint8_t value) { m_modeByte = value; }
    int32_t getEventsSinceStep() const { return m_eventsSinceStep; }
    // Null for an event out of range.
    const EventRecord* getEventRecord(uint32_t event) const;
    float getLastValue(uint32_t player) const { return player < 2 ? m_lastValue[player] : 0.0f; }
    uint8_t getLastFlag(uint32_t player) const { return player < 2 ? m_lastFlag[player] : 0; }
    uint8_t getLastGrade(uint32_t player) const { return player < 2 ? m_lastGrade[player] : 0; }
    int32_t getLastKey() const { return m_lastKey; }

    void resetSession();
    void resetForContinue();
    // Stores the value clamped to 1..5 and returns it.
    int32_t setTicketsPerCredit(int32_t n);
    void resetTickets();
    void consumeTicket();
    bool hasNoTicketLeft() const;
    void storeEventResult(uint32_t event, uint32_t player, uint8_t grade, float value,
                          uint8_t played, int32_t key, uint8_t extra);
    void setEventFlag(uint32_t event, uint32_t player, uint8_t flag);
    void resetLastResults();
    int32_t countPlayedEvents() const;
    bool isRankingUploadEnabled() const;
    void registerLocalRanking();
    void uploadEventRecords();
    // False while the upload is pending; else true with 200 or the server's last status.
    bool getUploadStatus(int32_t* status) const;
    float getEventBestValue(uint32_t event) const;
    // Takes at most six bytes of the UTF-8 name, up to its terminator.
    void setPlayerName(const char* name);
    // Page + 1, wrapping into the board; returns the page.
    int32_t advanceRankingCursor();
    void resetRankingCursor();
    void endSession();

private:
    void resetRecords();
    int32_t difficultySetting() const;
    // Player 1's ranking entry for a record: name, character, value.
    RankingEntry rankingEntry(const EventRecord& record) const;

    int32_t m_playWord = 0;
    int32_t m_character[2] = {0, 5};
    int32_t m_mode = 0;
    int32_t m_difficulty = 2;
    int32_t m_ticketsPerCredit = 3;
    uint8_t m_demo = 0;
    EventRecord m_records[NR_EVENTS];
    float m_lastValue[2] = {};
    uint8_t m_lastFlag[2] = {};
    uint8_t m_lastGrade[2] = {};
    int32_t m_lastKey = -1;
    int32_t m_ticketsLeft = 3;
    int32_t m_counterWord = 0;
    int32_t m_modeChoice = 3;
    int32_t m_entryState[2] = {};
    int32_t m_offlineWord = 2;
    uint8_t m_spare = 0;
    char m_name[NAME_SIZE] = {'G', 'U', 'E', 'S', 'T', 0};
    int32_t m_rankingPage = 5;
    int32_t m_rankingBoard = 3;
    int32_t m_nameEntryResult = 3;
    uint8_t m_allEventsDone = 0;
    uint8_t m_modeByte = 0;
    int32_t m_eventsSinceStep = 0;
};

// Fills the ten entries: the events with a result first, then the others, each in event order.
void buildTotalResultList(CTotalResultEntry* list,
                          const CGameWork& work = CGameWork::getInstance());
