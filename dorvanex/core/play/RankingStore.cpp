#include "dorvanex/core/play/RankingStore.h"

#include "dorvanex/core/opdata/DataFile.h"
#include "dorvanex/core/play/EventId.h"
#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqByteWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// How close a result may come to an entry and still go ahead of it.
constexpr float TIE_MARGIN = 0.009f;
constexpr uint8_t DEFAULT_NAME[] = "GUEST   ";
// Pending entries with this character are empty.
constexpr int32_t NO_ENTRY = -1;
constexpr uint32_t CHARACTERS = 10;

// Which way an event ranks comes from its row in EventId.h.
struct EventLimits {
    double first; // default place 1
    double limit; // default place 100 is reached at 1 - 1/100 of the way to this
    float uploadMax;
};
// Rows by event: 100 m, 110 m hurdles, long jump, javelin, boxing, clay shooting, pole vault,
// weight lifting, table tennis, fencing.
constexpr EventLimits EVENTS[RANKING_EVENTS] = {
    {10.83, 20.00, 99.99f},  {16.10, 25.00, 99.99f}, {8.20, 4.00, 99.99f},
    {82.56, 30.00, 999.99f}, {30.00, 50.00, 99.99f}, {39.00, 26.00, 9999.0f},
    {19.52, 10.00, 99.99f},  {210.0, 170.0, 999.0f}, {30.00, 50.00, 99.99f},
    {30.00, 50.00, 99.99f},
};

constexpr int32_t GAME_IDS[RANKING_EVENTS] = {1, 2, 3, 4, 10, 5, 8, 6, 7, 9};
constexpr int32_t COUNTRY_CODES[CHARACTERS] = {1, 2, 3, 9, 10, 4, 7, 8, 5, 6};

struct RankingStore {
    RankingEntry tables[RANKING_EVENTS][RANKING_TABLE_SIZE] = {};
    RankingEntry pending[RANKING_EVENTS] = {};
    // A good or missing file was read (or re-created); never cleared.
    bool loaded = false;
    // A read was tried: after a damaged file the defaults in memory stand, and the file is not
    // read again over them.
    bool readTried = false;
    uint32_t rankingTimeout = RANKING_DEFAULT_TIMEOUT_MS;
    std::unique_ptr<CRankingClient> client;
};

std::unique_ptr<RankingStore> g_store;

void clearPending(RankingStore& store) {
    for (RankingEntry& p : store.pending) {
        p = RankingEntry{};
        p.character = NO_ENTRY;
    }
}

// Copies a name into a table entry: at most RANKING_NAME_KEPT bytes, the NUL included.
void copyKeptName(char* const to, const char* const from) {
    std::memset(to, 0, sizeof(RankingEntry::name));
    const size_t n = strnlen(from, sizeof(RankingEntry::name));
    std::memcpy(to, from, std::min<size_t>(n, RANKING_NAME_KEPT - 1));
}

void resetAllTables(RankingStore& store) {
    for (uint32_t e = 0; e < RANKING_EVENTS; ++e) {
        resetRankingTable(store.tables[e], e);
    }
}

// The first table operation of the run reads the file, so that a save never writes an image
// that was not read over a good file.
void ensureRead() {
    if (g_store != nullptr && !g_store->readTried) {
        loadRankingData();
    }
}

bool isPrintable(const uint8_t c) {
    return c >= 0x20 && c < 0x7F;
}

} // namespace

bool createRankingStore(ZqTask* const root, const RankingClientFactory makeClient) {
    if (g_store != nullptr) {
        return true;
    }
    g_store = std::make_unique<RankingStore>();
    clearPending(*g_store);
    if (makeClient == nullptr) {
        return true;
    }
    g_store->client = makeClient();
    if (g_store->client != nullptr && root != nullptr &&
        !root->addChildTask(g_store->client.get(), 3)) {
        g_store->client.reset();
        return false;
    }
    return g_store->client != nullptr;
}

void releaseRankingStore() {
    if (g_store == nullptr) {
        return;
    }
    if (g_store->client != nullptr) {
        ZqTask::removeTask(g_store->client.get());
        g_store->client.reset();
    }
    g_store.reset();
}

CRankingClient* getRankingClient() {
    return g_store != nullptr ? g_store->client.get() : nullptr;
}

int32_t loadRankingData() {
    if (g_store == nullptr) {
        return -1;
    }
    g_store->readTried = true;
    uint8_t payload[RANKING_PAYLOAD_SIZE] = {};
    const int32_t result =
        loadDataFile(RANKING_FILE_NAME, payload, RANKING_PAYLOAD_SIZE, &isRankingPayloadValid);
    if (result == LOAD_TAKEN) {
        decodeRankingTables(payload, &g_store->tables[0][0]);
        g_store->loaded = true;
        return 0;
    }
    resetAllTables(*g_store);
    if (result == LOAD_NO_FILE) {
        saveRankingData();
        g_store->loaded = true;
        return 0;
    }
    // Damaged copies or a dead drive: play goes on over the defaults; the next save (the
    // operator's repair or a play) replaces the copies.
    return -1;
}

int32_t saveRankingData() {
    if (g_store == nullptr) {
        return -1;
    }
    ensureRead();
    uint8_t payload[RANKING_PAYLOAD_SIZE] = {};
    encodeRankingTables(&g_store->tables[0][0], payload);
    return saveDataFile(RANKING_FILE_NAME, payload, RANKING_PAYLOAD_SIZE, 0);
}

int32_t resetRankingData() {
    if (g_store == nullptr) {
        return -1;
    }
    g_store->readTried = true;
    resetAllTables(*g_store);
    return saveRankingData();
}

void resetRankingTable(RankingEntry* const table, const uint32_t event) {
    if (table == nullptr || event >= RANKING_EVENTS) {
        return;
    }
    const EventLimits& ev = EVENTS[event];
    for (uint32_t i = 0; i < RANKING_TABLE_SIZE; ++i) {
        RankingEntry& e = table[i];
        e = RankingEntry{};
        std::memcpy(e.name, DEFAULT_NAME, sizeof DEFAULT_NAME);
        e.character = static_cast<int32_t>(i % CHARACTERS);
        e.score = static_cast<float>(ev.first - (ev.first - ev.limit) / 100.0 * i);
        e.played = 0;
    }
}

bool getLocalRankingTable(const uint32_t kind, RankingEntry* const out, const uint32_t event) {
    if (g_store == nullptr || out == nullptr || kind != 0 || event >= RANKING_EVENTS) {
        return false;
    }
    ensureRead();
    std::copy_n(g_store->tables[event], RANKING_BOARD_ROWS, out);
    return true;
}

int32_t findLocalRank(const RankingEntry& entry, const uint32_t event) {
    // NaN fails the test too.
    if (g_store == nullptr || event >= RANKING_EVENTS || !(entry.score > 0.0f)) {
        return -1;
    }
    ensureRead();
    const bool lower = EVENT_ROWS[event].lowerIsBetter;
    const double d = TIE_MARGIN;
    const double bound = lower ? double{entry.score} - d : double{entry.score} + d;
    const RankingEntry* const table = g_store->tables[event];
    for (uint32_t i = 0; i < RANKING_TABLE_SIZE; ++i) {
        const double s = table[i].score;
        if (lower ? s > bound : s < bound) {
            return static_cast<int32_t>(i);
        }
        if (s == bound) {
            return static_cast<int32_t>(std::min(i + 1, RANKING_TABLE_SIZE - 1));
        }
    }
    return -1;
}

int32_t insertLocalRank(const RankingEntry& entry, const uint32_t event) {
    const int32_t at = findLocalRank(entry, event);
    if (at < 0) {
        return at;
    }
    RankingEntry* const table = g_store->tables[event];
    std::copy_backward(table + at, table + RANKING_TABLE_SIZE - 1, table + RANKING_TABLE_SIZE);
    RankingEntry& e = table[at];
    e = RankingEntry{};
    copyKeptName(e.name, entry.name);
    e.character = entry.character;
    e.score = entry.score;
    e.played = 1;
    return at;
}

void setPendingRankEntry(RankingEntry& entry, const uint32_t event) {
    if (g_store == nullptr || event >= RANKING_EVENTS) {
        return;
    }
    const float high = EVENTS[event].uploadMax;
    // A score that is no number is outside every range; it is sent as 0.
    const float clamped = std::isnan(entry.score) ? 0.0f : std::clamp(entry.score, 0.0f, high);
    const bool inside = clamped == entry.score;
    entry.score = clamped;
    if (inside) {
        g_store->pending[event] = entry;
        g_store->pending[event].played = 1;
    }
}

void clearPendingRankEntries() {
    if (g_store != nullptr) {
        clearPending(*g_store);
    }
}

const RankingEntry* getPendingRankEntry(const uint32_t event) {
    return g_store != nullptr && event < RANKING_EVENTS ? &g_store->pending[event] : nullptr;
}

int32_t eventToGameId(const int32_t event) {
    return event >= 0 && event < static_cast<int32_t>(RANKING_EVENTS) ? GAME_IDS[event] : 1;
}

int32_t characterToCountryCode(const int32_t character) {
    return character >= 0 && character < static_cast<int32_t>(CHARACTERS) ? COUNTRY_CODES[character]
                                                                          : 1;
}

int32_t countryCodeToCharacter(const int32_t country) {
    for (uint32_t c = 0; c < CHARACTERS; ++c) {
        if (COUNTRY_CODES[c] == country) {
            return static_cast<int32_t>(c);
        }
    }
    return -1;
}

bool setRankingTimeout(const uint32_t ms) {
    if (g_store == nullptr) {
        return false;
    }
    g_store->rankingTimeout = ms;
    return g_store->client != nullptr && g_store->client->setTimeout(ms);
}

uint32_t getRankingTimeout() {
    return g_store != nullptr ? g_store->rankingTimeout : RANKING_DEFAULT_TIMEOUT_MS;
}

void requestConnectionCheck() {
    if (CRankingClient* const c = getRankingClient()) {
        c->requestConnectionCheck();
    }
}

bool isConnectionCheckDone() {
    const CRankingClient* const c = getRankingClient();
    return c == nullptr || c->isConnectionCheckDone();
}

bool isRankingServerOnline() {
    const CRankingClient* const c = getRankingClient();
    return c != nullptr && c->isOnline();
}

int32_t getLastUploadStatus() {
    const CRankingClient* const c = getRankingClient();
    return c != nullptr ? c->getLastUploadStatus() : -2;
}

bool getRankingRequestResult(bool* const ok) {
    if (const CRankingClient* const c = getRankingClient()) {
        return c->getRequestResult(ok);
    }
    if (ok != nullptr) {
        *ok = false;
    }
    return true;
}

void startNameCheck(const char* const name) {
    if (CRankingClient* const c = getRankingClient(); c != nullptr && name != nullptr) {
        c->requestNameCheck(name);
    }
}

bool isNameAccepted() {
    const CRankingClient* const c = getRankingClient();
    return c != nullptr && c->isNameAccepted();
}

void startScoreUpload(int32_t* const ranksOut) {
    if (ranksOut == nullptr) {
        return;
    }
    if (CRankingClient* const c = getRankingClient()) {
        c->requestUpload(g_store->pending, ranksOut);
        return;
    }
    std::fill_n(ranksOut, RANKING_UPLOAD_RANKS, -1);
}

void setRankingTaskActive(const bool on) {
    if (CRankingClient* const c = getRankingClient()) {
        c->setActive(on);
    }
}

bool getNetRankingTable(const uint32_t kind, RankingEntry* const out, const uint32_t event) {
    if (out == nullptr) {
        return false;
    }
    if (const CRankingClient* const c = getRankingClient()) {
        return c->getNetRankingTable(kind, out, event);
    }
    for (uint32_t i = 0; i < RANKING_BOARD_ROWS; ++i) {
        out[i] = RankingEntry{};
        std::memcpy(out[i].name, DEFAULT_NAME, sizeof DEFAULT_NAME);
        out[i].character = static_cast<int32_t>(CHARACTERS);
    }
    return true;
}

void encodeRankingTables(const RankingEntry* const tables, uint8_t* const payload) {
    for (uint32_t i = 0; i < RANKING_EVENTS * RANKING_TABLE_SIZE; ++i) {
        const RankingEntry& e = tables[i];
        uint8_t* const p = payload + static_cast<size_t>(i) * RANKING_ENTRY_SIZE;
        std::memcpy(p, e.name, sizeof e.name);
        ZqByteWriter::store<int32_t>(p + 12, e.character);
        ZqByteWriter::store<float>(p + 16, e.score);
        p[20] = e.played;
        std::memset(p + 21, 0, 3);
    }
}

void decodeRankingTables(const uint8_t* const payload, RankingEntry* const tables) {
    const ZqByteReader r(payload, RANKING_PAYLOAD_SIZE);
    for (uint32_t i = 0; i < RANKING_EVENTS * RANKING_TABLE_SIZE; ++i) {
        RankingEntry& e = tables[i];
        const uint64_t at = static_cast<uint64_t>(i) * RANKING_ENTRY_SIZE;
        e = RankingEntry{};
        std::memcpy(e.name, r.bytes(at, sizeof e.name), sizeof e.name);
        r.i32(at + 12, e.character);
        r.f32(at + 16, e.score);
        r.u8(at + 20, e.played);
    }
}

void encodeDefaultRankingTables(uint8_t* const payload) {
    RankingStore defaults;
    resetAllTables(defaults);
    encodeRankingTables(&defaults.tables[0][0], payload);
}

bool isRankingPayloadValid(const uint8_t* const payload, const uint32_t size) {
    if (payload == nullptr || size != RANKING_PAYLOAD_SIZE) {
        return false;
    }
    const ZqByteReader r(payload, size);
    for (uint32_t i = 0; i < RANKING_EVENTS * RANKING_TABLE_SIZE; ++i) {
        const uint64_t at = static_cast<uint64_t>(i) * RANKING_ENTRY_SIZE;
        const uint8_t* const name = r.bytes(at, RANKING_NAME_KEPT);
        const uint8_t* const end = std::find(name, name + RANKING_NAME_KEPT, 0);
        if (end == name + RANKING_NAME_KEPT || !std::all_of(name, end, isPrintable)) {
            return false;
        }
        int32_t character = 0;
        float score = 0.0f;
        r.i32(at + 12, character);
        r.f32(at + 16, score);
        if (character < 0 || character >= static_cast<int32_t>(CHARACTERS) ||
            !std::isfinite(score) || score < 0.0f) {
            return false;
        }
    }
    return true;
}
