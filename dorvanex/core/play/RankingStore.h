// The cabinet's local ranking: ten top-100 tables (one per event, best first) kept in the
// operator data file "ranking.dat" on both drives, the ten results waiting for the network
// upload, and the mappings between events, characters and the ranking server's numbers. The
// store also owns the network ranking client and forwards the game's ranking calls to it; the
// client itself lives with the screens and reaches the store through CRankingClient only.
//
// "ranking.dat" payload: 10 tables x 100 entries x 24 bytes = 24,000 bytes, event order.
//
//   entry (24 bytes, little-endian)
//   +0   name[12]   NUL-terminated printable ASCII, at most 8 characters kept
//   +12  character  i32, 0..9
//   +16  score      f32, finite, not negative
//   +20  played     u8, 1 from play, 0 a default
//   +21  reserved   3 bytes, ignored
//
// The file is read on the run's first table operation (or by loadRankingData); a copy that
// fails the entry checks counts as damaged. Main thread only.
#pragma once

#include "dorvanex/core/play/EventId.h"
#include "zq/task/ZqTask.h"

#include <cstdint>
#include <memory>

struct RankingEntry {
    char name[12];
    int32_t character;
    float score;
    uint8_t played;
    uint8_t reserved[3];
};

constexpr uint32_t RANKING_EVENTS = EVENT_COUNT;
constexpr uint32_t RANKING_TABLE_SIZE = 100;
// Rows of a ranking board: every table read hands out this many entries.
constexpr uint32_t RANKING_BOARD_ROWS = 10;
constexpr uint32_t RANKING_ENTRY_SIZE = 24;
constexpr uint32_t RANKING_PAYLOAD_SIZE = RANKING_EVENTS * RANKING_TABLE_SIZE * RANKING_ENTRY_SIZE;
// Name bytes a table keeps, the NUL included.
constexpr uint32_t RANKING_NAME_KEPT = 9;
constexpr const char* RANKING_FILE_NAME = "ranking.dat";
// Three predicted positions (all-time, monthly, weekly) per event.
constexpr uint32_t RANKING_UPLOAD_RANKS = RANKING_EVENTS * 3;
constexpr uint32_t RANKING_DEFAULT_TIMEOUT_MS = 60000;

// The network ranking client as the store sees it; SPInternetRankingTask implements it.
class CRankingClient : public ZqTask {
public:
    // Sets the HTTP time-outs; true when the transport took them.
    virtual bool setTimeout(uint32_t ms) = 0;
    virtual void requestConnectionCheck() = 0;
    virtual bool isConnectionCheckDone() const = 0;
    virtual bool isOnline() const = 0;
    // The last result of an upload or name check: 200 on success, else a poll result.
    virtual int32_t getLastUploadStatus() const = 0;
    // False while an upload or name check is pending; else ok gets its success.
    virtual bool getRequestResult(bool* ok) const = 0;
    // The name is copied (at most 15 characters).
    virtual void requestNameCheck(const char* name) = 0;
    virtual bool isNameAccepted() const = 0;
    // Queues the ten entries (copied) and fills ranksOut[RANKING_UPLOAD_RANKS].
    virtual void requestUpload(const RankingEntry* entries, int32_t* ranksOut) = 0;
    virtual void setActive(bool on) = 0;
    // Fills out[RANKING_BOARD_ROWS] from the downloaded image; kind 0 all-time, 1 month, 2 week.
    virtual bool getNetRankingTable(uint32_t kind, RankingEntry* out, uint32_t event) const = 0;
};

using RankingClientFactory = std::unique_ptr<CRankingClient> (*)();

// Makes the store once (later calls do nothing) and, when makeClient is given, the client,
// added to root (when not null) as a child at priority 3. False when the client was refused.
bool createRankingStore(ZqTask* root, RankingClientFactory makeClient);
// Removes and deletes the client and the store.
void releaseRankingStore();
// The store's client; null without one.
CRankingClient* getRankingClient();

// Reads "ranking.dat": 0 when taken or re-created with defaults (missing), -1 when no good
// copy exists (defaults in memory, nothing written).
int32_t loadRankingData();
// Writes the tables (after the first read); the storage's result, 0 on success.
int32_t saveRankingData();
// All tables to defaults, then saved.
int32_t resetRankingData();
// Fills a caller's 100-entry table with the event's defaults.
void resetRankingTable(RankingEntry* table, uint32_t event);

// Kind 0: copies the event's first RANKING_BOARD_ROWS entries to out, true. Other kinds (the
// store has no monthly or weekly tables) leave out alone and give false.
bool getLocalRankingTable(uint32_t kind, RankingEntry* out, uint32_t event);
// The position 0..99 the entry's score takes in the event's table, or -1.
int32_t findLocalRank(const RankingEntry& entry, uint32_t event);
// Enters the entry (played 1) where findLocalRank puts it; its result. Nothing is saved.
int32_t insertLocalRank(const RankingEntry& entry, uint32_t event);

// Clamps the score into the event's upload range (written back into entry) and queues the
// entry for upload when it was inside.
void setPendingRankEntry(RankingEntry& entry, uint32_t event);
void clearPendingRankEntries();
// The queued entry of an event (character -1: none); null without a store or event.
const RankingEntry* getPendingRankEntry(uint32_t event);

// Server numbers: event 0..9 to game id, character 0..9 to country code and back.
int32_t eventToGameId(int32_t event);
int32_t characterToCountryCode(int32_t character);
int32_t countryCodeToCharacter(int32_t country);

// Forwarders to the client (answers without one: false, done, offline, -2).
bool setRankingTimeout(uint32_t ms);
uint32_t getRankingTimeout();
void requestConnectionCheck();
bool isConnectionCheckDone();
bool isRankingServerOnline();
int32_t getLastUploadStatus();
bool getRankingRequestResult(bool* ok);
void startNameCheck(const char* name);
bool isNameAccepted();
// Sends the pending entries; ranksOut[RANKING_UPLOAD_RANKS] gets the predicted positions.
void startScoreUpload(int32_t* ranksOut);
void setRankingTaskActive(bool on);
// Fills out[RANKING_BOARD_ROWS]; without a client the placeholders ("GUEST   ", 0.0).
bool getNetRankingTable(uint32_t kind, RankingEntry* out, uint32_t event);

// The file image, entry by entry.
void encodeRankingTables(const RankingEntry* tables, uint8_t* payload);
void decodeRankingTables(const uint8_t* payload, RankingEntry* tables);
// The file image of ten default tables.
void encodeDefaultRankingTables(uint8_t* payload);
// The entry checks of a loaded payload (the data file's own check).
bool isRankingPayloadValid(const uint8_t* payload, uint32_t size);
