// The ranking client's handling of what the server sends. The first byte picks the mode:
//  even: a finished transfer through the request layer's reply handling: byte 1 the request
//        type (mod 4), byte 2 the status (a table index), byte 3 whether a Content-Length came,
//        bytes 4-7 its value, then the body;
//  odd:  the rest as a raw image (zero-padded to its size), published directly.
// Then every net table is read, ten entries from the input are uploaded (predicted into the
// published tables) and a name-check reply is handled.
#include "dorvanex/core/play/RankingStore.h"
#include "dorvanex/screens/RankingProtocol.h"
#include "dorvanex/screens/RankingTransport.h"
#include "dorvanex/screens/SPInternetRankingTask.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t STATUSES[] = {200, 400, 403, 404, 405, 500, 503, 206, 418, 0};
constexpr uint32_t EXPECTED[] = {0, 0, rankproto::IMAGE_SIZE, rankproto::TABOO_REPLY_SIZE};
constexpr size_t REPLY_HEAD = 8;

RankingReply replyOf(const uint8_t* const data, const size_t size, const uint32_t received) {
    RankingReply r;
    const uint32_t status = STATUSES[data[2] % std::size(STATUSES)];
    r.ok = true;
    r.hasStatus = status != 0;
    r.status = status;
    r.hasLength = (data[3] & 1) != 0;
    r.contentLength = ZqByteReader::load<uint32_t>(data + 4);
    r.received = received;
    (void)size;
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    SPInternetRankingTask task;
    std::vector<uint8_t> target(rankproto::IMAGE_SIZE, 0);
    const uint8_t* body = data + 1;
    size_t bodySize = size - 1;
    if ((data[0] & 1) != 0) {
        std::copy_n(body, std::min<size_t>(bodySize, target.size()), target.begin());
        task.publishImage(target.data());
    } else if (size >= REPLY_HEAD) {
        body = data + REPLY_HEAD;
        bodySize = size - REPLY_HEAD;
        RankingTransport t;
        for (RankingTransport::ByteBuffer& b : t.raw) {
            b.data.assign(rankproto::IMAGE_SIZE, 0);
        }
        const int32_t type = data[1] % 4;
        t.expectedLength = EXPECTED[type];
        t.downloadTarget = target.data();
        const uint32_t received =
            static_cast<uint32_t>(std::min<size_t>(bodySize, t.expectedLength));
        std::copy_n(body, received, t.raw[t.current].data.begin());
        uint32_t err = 0;
        uint32_t status = 0;
        const int32_t result =
            handleRankingReply(t, type, replyOf(data, size, received), &err, &status);
        if (result == 200 && takeRankingChanged(t, true)) {
            task.publishImage(target.data());
        }
        // The same reply again: now equal to the other buffer unless it was taken.
        handleRankingReply(t, type, replyOf(data, size, received), &err, &status);
    }
    RankingEntry board[RANKING_BOARD_ROWS] = {};
    for (uint32_t event = 0; event <= RANKING_EVENTS; ++event) {
        for (uint32_t kind = 0; kind <= 3; ++kind) {
            task.getNetRankingTable(kind, board, event);
        }
    }
    RankingEntry entries[RANKING_EVENTS] = {};
    for (uint32_t i = 0; i < RANKING_EVENTS; ++i) {
        const size_t at = i * RANKING_ENTRY_SIZE;
        if (at + RANKING_ENTRY_SIZE <= bodySize) {
            std::memcpy(entries[i].name, body + at, sizeof entries[i].name);
            entries[i].character = ZqByteReader::load<int32_t>(body + at + 12);
            entries[i].score = ZqByteReader::load<float>(body + at + 16);
        } else {
            entries[i].character = -1;
        }
    }
    int32_t ranks[RANKING_UPLOAD_RANKS] = {};
    task.requestUpload(entries, ranks);
    for (uint32_t kind = 0; kind < 3; ++kind) {
        task.getNetRankingTable(kind, board, 0);
    }
    // A name-check reply of any length up to its size.
    RankingTransport names;
    names.expectedLength = rankproto::TABOO_REPLY_SIZE;
    RankingReply reply;
    reply.ok = true;
    reply.hasStatus = true;
    reply.status = 200;
    reply.received = static_cast<uint32_t>(std::min<size_t>(size, 4));
    uint32_t err = 0;
    uint32_t status = 0;
    handleRankingReply(names, RankingTransport::TABOO, reply, &err, &status);
    return 0;
}
