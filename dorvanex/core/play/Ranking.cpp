#include "dorvanex/core/play/Ranking.h"

#include "dorvanex/core/play/EventId.h"

#include <cstring>
#include <vector>

namespace {

struct Tables {
    std::vector<CRankEntry> local[RANK_EVENTS];
    CRankEntry pending[RANK_EVENTS] = {};
    bool hasPending[RANK_EVENTS] = {};
};

Tables& tables() {
    static Tables t;
    return t;
}

bool isBetter(const uint32_t event, const float a, const float b) {
    const EventRow* const row = findEvent(event);
    return row != nullptr && row->lowerIsBetter ? a < b : a > b;
}

} // namespace

void clearPendingRankEntries() {
    for (bool& p : tables().hasPending) {
        p = false;
    }
}

int32_t findLocalRank(const CRankEntry& entry, const uint32_t event) {
    if (event >= RANK_EVENTS) {
        return -1;
    }
    const std::vector<CRankEntry>& table = tables().local[event];
    for (size_t i = 0; i < table.size(); ++i) {
        if (isBetter(event, entry.value, table[i].value)) {
            return static_cast<int32_t>(i);
        }
    }
    return table.size() < RANK_ENTRIES ? static_cast<int32_t>(table.size()) : -1;
}

void insertLocalRank(const CRankEntry& entry, const uint32_t event) {
    const int32_t at = findLocalRank(entry, event);
    if (at < 0) {
        return;
    }
    std::vector<CRankEntry>& table = tables().local[event];
    table.insert(table.begin() + at, entry);
    if (table.size() > RANK_ENTRIES) {
        table.pop_back();
    }
}

void getLocalRankingTable(const uint32_t kind, CRankEntry* const buffer, const uint32_t event,
                          const uint32_t count) {
    if (buffer == nullptr) {
        return;
    }
    std::memset(buffer, 0, sizeof(CRankEntry) * count);
    if (kind != 0 || event >= RANK_EVENTS) {
        return;
    }
    const std::vector<CRankEntry>& table = tables().local[event];
    for (uint32_t i = 0; i < count && i < table.size(); ++i) {
        buffer[i] = table[i];
    }
}

void getNetRankingTable(uint32_t, CRankEntry* const buffer, uint32_t) {
    if (buffer != nullptr) {
        std::memset(buffer, 0, sizeof(CRankEntry));
    }
}

void saveRankingData() {}

void setPendingRankEntry(const CRankEntry& entry, const uint32_t event) {
    if (event < RANK_EVENTS) {
        tables().pending[event] = entry;
        tables().hasPending[event] = true;
    }
}

void startScoreUpload(int32_t* const ranks) {
    for (uint32_t i = 0; ranks != nullptr && i < RANK_EVENTS * 3; ++i) {
        ranks[i] = -1;
    }
}

bool getRankingRequestResult(bool* const success) {
    if (success != nullptr) {
        *success = false;
    }
    return true;
}

int32_t getLastUploadStatus() {
    return 0;
}

void resetRankingStandIn() {
    tables() = Tables{};
}
