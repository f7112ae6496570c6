// The ranking services the play state and the root use: stand-ins until the front-end
// screens and the ranking land. The local tables are kept in memory (best first, 100 a
// event) and are not saved; there is no network table, no upload and no server.
#pragma once

#include <cstdint>

struct CRankEntry {
    // The player name in its multibyte form, zero-filled.
    char name[6];
    float value;
    int32_t character;
};

constexpr uint32_t RANK_EVENTS = 10;
constexpr uint32_t RANK_ENTRIES = 100;

// Gives the pending upload entries the rank -1.
void clearPendingRankEntries();
// The position the entry earns in the event's local table, -1 when none.
int32_t findLocalRank(const CRankEntry& entry, uint32_t event);
void insertLocalRank(const CRankEntry& entry, uint32_t event);
// Copies the event's top count entries (zero-filled past the filled ones): kind 0 the local
// table, 1 the downloaded network table.
void getLocalRankingTable(uint32_t kind, CRankEntry* buffer, uint32_t event, uint32_t count);
void getNetRankingTable(uint32_t kind, CRankEntry* buffer, uint32_t event);
void saveRankingData();
void setPendingRankEntry(const CRankEntry& entry, uint32_t event);
// Starts the upload of the pending entries; ranks gets three numbers per event (-1 none).
void startScoreUpload(int32_t* ranks);
bool getRankingRequestResult(bool* success);
int32_t getLastUploadStatus();

// Test hooks of the stand-in: empties every table and pending entry.
void resetRankingStandIn();
