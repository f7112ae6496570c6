// The ranking client's request layer: one HTTPS connection to the ranking server, one request
// at a time, started here and polled once per frame. It builds the protocol's records
// (RankingProtocol.h), keeps the last two raw "get_ranking" replies so that an unchanged one
// is not inflated again, and hands an accepted image to its download target.
//
// Servers: row 0 is $DORVANEX_RANKING_SERVER (host[:port], default 127.0.0.1:8443), reached
// by address (certificate name not checked); row 1 the production host. Both present the
// client certificate of the security table.
//
// Poll results: -1 running, 200 done, 400/403/404/405/500/503 as answered, -2 no connection,
// -3 transfer failed (err set), -4 wrong reply size, -5 other status (status set) or no
// Content-Length, -6 a download that does not inflate within the image size. Main thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ZqHttpConnection;

struct RankingServer {
    std::u16string apiUrl;
    std::u16string checkUrl;
    uint32_t securityFlags = 0;
    const uint8_t* clientKey = nullptr;
};

// The address of row 0 and row 1 as configured now.
RankingServer rankingServer(int row);

struct RankingTransport {
    enum Type : int32_t { NONE = -1, CHECK = 0, ENTRY = 1, GET = 2, TABOO = 3 };

    struct ByteBuffer {
        std::vector<uint8_t> data; // capacity: the image's size
        uint32_t used = 0;
    };

    ZqHttpConnection* connection = nullptr;
    RankingServer server;
    uint32_t expectedLength = 0;
    int32_t type = NONE;
    uint8_t* downloadTarget = nullptr;
    ByteBuffer raw[2];
    uint32_t current = 0;
    bool changed = false;
    bool acceptUnchanged = false;
    // The body on the wire: it must outlive the transfer.
    uint8_t record[64] = {};
};

// What the transfer left, split from the connection so that the reply handling runs (and is
// fuzzed) without a network. The body is in the current raw buffer for a download.
struct RankingReply {
    bool ok = false;
    bool hasStatus = false;
    uint32_t status = 0;
    bool hasLength = false;
    uint32_t contentLength = 0;
    uint32_t received = 0;
    uint32_t lastError = 0;
};

bool initRankingTransport(RankingTransport& t, int row);
void shutdownRankingTransport(RankingTransport& t);
bool setRankingHttpTimeout(RankingTransport& t, int ms);

bool startConnectionCheck(RankingTransport& t, uint32_t* err);
// reply28: null for none.
bool startEntryRanking(RankingTransport& t, uint32_t gameId, const char* name, int32_t score100,
                       int32_t country, void* reply28, uint32_t* err);
// target: RankingProtocol's IMAGE_SIZE bytes, cleared first.
bool startGetRanking(RankingTransport& t, uint8_t* target, uint32_t* err);
bool startTabooCheck(RankingTransport& t, const char* name, void* reply4, uint32_t* err);

int32_t pollRankingRequest(RankingTransport& t, uint32_t* err, uint32_t* status);
// The handling of a finished transfer of the given type (see the results above).
int32_t handleRankingReply(RankingTransport& t, int32_t type, const RankingReply& reply,
                           uint32_t* err, uint32_t* status);

bool takeRankingChanged(RankingTransport& t, bool clear);
void setAcceptUnchangedRanking(RankingTransport& t, bool on);
