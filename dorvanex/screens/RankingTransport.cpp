#include "dorvanex/screens/RankingTransport.h"

#include "dorvanex/core/opdata/SecurityTable.h"
#include "dorvanex/screens/RankingProtocol.h"
#include "zq/zq.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* DEFAULT_TEST_SERVER = "127.0.0.1:8443";
// The production server's host is not known to this build; the task never selects its row.
constexpr const char* PRODUCTION_SERVER = "ranking.invalid";
constexpr uint32_t INFLATE_STEP = 65536;
constexpr uint32_t NO_CONNECTION_ERROR = ZqHttpConnection::ERROR_NOT_CONNECTED;

std::u16string widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

void setErr(uint32_t* const err, const uint32_t value) {
    if (err != nullptr) {
        *err = value;
    }
}

bool failStart(uint32_t* const err) {
    setErr(err, ZqError::getLastError());
    return false;
}

bool connectTo(RankingTransport& t, const std::u16string& url, const int method,
               uint32_t* const err) {
    if (t.connection == nullptr) {
        setErr(err, NO_CONNECTION_ERROR);
        return false;
    }
    if (!t.connection->connect(url.c_str(), method, t.server.securityFlags, t.server.clientKey)) {
        return failStart(err);
    }
    return true;
}

bool transmit(RankingTransport& t, const uint32_t size, void* const reply, const uint32_t replySize,
              const int32_t type, uint32_t* const err) {
    if (!t.connection->transmitStart(size != 0 ? t.record : nullptr, size, reply, 0, replySize)) {
        return failStart(err);
    }
    t.type = type;
    t.expectedLength = replySize;
    return true;
}

} // namespace

RankingServer rankingServer(const int row) {
    RankingServer s;
    const SecurityRow& security = RANKING_SECURITY_TABLE[row == 0 ? 0 : 1];
    std::string host = PRODUCTION_SERVER;
    if (row == 0) {
        const char* const env = std::getenv("DORVANEX_RANKING_SERVER");
        host = env != nullptr && *env != 0 ? env : DEFAULT_TEST_SERVER;
    }
    s.apiUrl = widen("https://" + host + rankproto::API_PATH);
    s.checkUrl = widen("https://" + host + rankproto::CHECK_PATH);
    s.securityFlags = security.flags;
    s.clientKey = security.clientKey;
    return s;
}

bool initRankingTransport(RankingTransport& t, const int row) {
    shutdownRankingTransport(t);
    t.server = rankingServer(row);
    t.expectedLength = 0;
    t.type = RankingTransport::NONE;
    for (RankingTransport::ByteBuffer& b : t.raw) {
        b.data.assign(rankproto::IMAGE_SIZE, 0);
        b.used = 0;
    }
    t.current = 0;
    t.connection = ZqHttpConnection::create(u"user-agent", nullptr, nullptr);
    if (t.connection == nullptr) {
        shutdownRankingTransport(t);
        return false;
    }
    return true;
}

void shutdownRankingTransport(RankingTransport& t) {
    if (t.connection != nullptr) {
        t.connection->disconnect();
        t.connection->release();
        t.connection = nullptr;
    }
    for (RankingTransport::ByteBuffer& b : t.raw) {
        b.data = {};
        b.used = 0;
    }
    t.type = RankingTransport::NONE;
}

bool setRankingHttpTimeout(RankingTransport& t, const int ms) {
    return t.connection != nullptr && t.connection->setTimeout(ms);
}

bool startConnectionCheck(RankingTransport& t, uint32_t* const err) {
    if (!connectTo(t, t.server.checkUrl, ZqHttpConnection::METHOD_GET, err)) {
        return false;
    }
    return transmit(t, 0, nullptr, 0, RankingTransport::CHECK, err);
}

bool startEntryRanking(RankingTransport& t, const uint32_t gameId, const char* const name,
                       const int32_t score100, const int32_t country, void* const reply28,
                       uint32_t* const err) {
    if (!connectTo(t, t.server.apiUrl, ZqHttpConnection::METHOD_POST, err)) {
        return false;
    }
    std::memset(t.record, 0, sizeof t.record);
    rankproto::writeHeader(t.record, rankproto::COMMAND_ENTRY);
    ZqByteWriter::store<uint32_t>(t.record + rankproto::ENTRY_GAME_ID, gameId);
    rankproto::writeText(t.record + rankproto::ENTRY_NAME, name);
    ZqByteWriter::store<int32_t>(t.record + rankproto::ENTRY_SCORE, score100);
    ZqByteWriter::store<int32_t>(t.record + rankproto::ENTRY_COUNTRY, country);
    return transmit(t, rankproto::ENTRY_SIZE, reply28,
                    reply28 != nullptr ? rankproto::ENTRY_REPLY_SIZE : 0, RankingTransport::ENTRY,
                    err);
}

bool startGetRanking(RankingTransport& t, uint8_t* const target, uint32_t* const err) {
    if (target != nullptr) {
        std::memset(target, 0, rankproto::IMAGE_SIZE);
    }
    if (t.raw[t.current].data.size() != rankproto::IMAGE_SIZE) {
        setErr(err, NO_CONNECTION_ERROR);
        return false;
    }
    if (!connectTo(t, t.server.apiUrl, ZqHttpConnection::METHOD_POST, err)) {
        return false;
    }
    std::memset(t.record, 0, sizeof t.record);
    rankproto::writeHeader(t.record, rankproto::COMMAND_GET);
    if (!transmit(t, rankproto::GET_SIZE, t.raw[t.current].data.data(), rankproto::IMAGE_SIZE,
                  RankingTransport::GET, err)) {
        return false;
    }
    t.downloadTarget = target;
    return true;
}

bool startTabooCheck(RankingTransport& t, const char* const name, void* const reply4,
                     uint32_t* const err) {
    if (!connectTo(t, t.server.apiUrl, ZqHttpConnection::METHOD_POST, err)) {
        return false;
    }
    std::memset(t.record, 0, sizeof t.record);
    rankproto::writeHeader(t.record, rankproto::COMMAND_TABOO);
    rankproto::writeText(t.record + rankproto::TABOO_NAME, name);
    return transmit(t, rankproto::TABOO_SIZE, reply4, rankproto::TABOO_REPLY_SIZE,
                    RankingTransport::TABOO, err);
}

int32_t pollRankingRequest(RankingTransport& t, uint32_t* const err, uint32_t* const status) {
    if (t.connection == nullptr) {
        t.type = RankingTransport::NONE;
        return -2;
    }
    RankingReply reply;
    if (!t.connection->isTransmitFinished(&reply.ok, &reply.received)) {
        return -1;
    }
    reply.lastError = ZqError::getLastError();
    reply.hasStatus = reply.ok && t.connection->getResponseCode(reply.status) && reply.status != 0;
    // getContentLength answers 0 for a missing header: ask for the header itself.
    ZqString text;
    reply.hasLength = reply.hasStatus && t.connection->getHeader(text) &&
                      t.connection->getContentLength(reply.contentLength);
    if (reply.hasLength) {
        std::string lower;
        for (const char16_t c : std::u16string_view(text.c_str(), text.length())) {
            lower += static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
        }
        reply.hasLength = lower.find("\ncontent-length:") != std::string::npos;
    }
    const int32_t type = t.type;
    t.type = RankingTransport::NONE;
    return handleRankingReply(t, type, reply, err, status);
}

int32_t handleRankingReply(RankingTransport& t, const int32_t type, const RankingReply& reply,
                           uint32_t* const err, uint32_t* const status) {
    if (!reply.ok || !reply.hasStatus) {
        setErr(err, reply.lastError);
        return -3;
    }
    switch (reply.status) {
    case 400:
    case 403:
    case 404:
    case 405:
    case 500:
    case 503:
        return static_cast<int32_t>(reply.status);
    case 200:
        break;
    default:
        setErr(status, reply.status);
        return -5;
    }
    if (type != RankingTransport::GET) {
        return reply.received == t.expectedLength ? 200 : -4;
    }
    if (!reply.hasLength) {
        setErr(status, 200);
        return -5;
    }
    RankingTransport::ByteBuffer& cur = t.raw[t.current];
    const RankingTransport::ByteBuffer& other = t.raw[t.current ^ 1u];
    if (cur.data.size() != rankproto::IMAGE_SIZE || other.data.size() != rankproto::IMAGE_SIZE) {
        return -2;
    }
    // The received count is what the buffer holds; a Content-Length that says otherwise (or
    // more than the buffer takes) is a broken answer.
    if (reply.received > rankproto::IMAGE_SIZE || reply.contentLength != reply.received) {
        return -4;
    }
    cur.used = reply.received;
    t.changed = false;
    if (!t.acceptUnchanged && cur.used == other.used &&
        std::memcmp(cur.data.data(), other.data.data(), cur.used) == 0) {
        return 200;
    }
    uint32_t size = rankproto::IMAGE_SIZE;
    void* const image = ZqZlib::inflate(cur.data.data(), cur.used, &size, INFLATE_STEP);
    if (image == nullptr) {
        return -6;
    }
    if (size != rankproto::IMAGE_SIZE) {
        ZqMemAlloc::deallocate(image);
        return -4;
    }
    t.current ^= 1u;
    t.changed = true;
    if (t.downloadTarget != nullptr) {
        std::memcpy(t.downloadTarget, image, rankproto::IMAGE_SIZE);
    }
    ZqMemAlloc::deallocate(image);
    return 200;
}

bool takeRankingChanged(RankingTransport& t, const bool clear) {
    const bool changed = t.changed;
    if (clear) {
        t.changed = false;
    }
    return changed;
}

void setAcceptUnchangedRanking(RankingTransport& t, const bool on) {
    t.acceptUnchanged = on;
}
