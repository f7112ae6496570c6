// One downloaded ranking reply handled as the ranking task does (compare with the last reply,
// inflate in 65,536-byte steps, copy to the download target, publish), then the upload's
// prediction of ten entries into 30 published tables and the 30 board reads, set against a
// floor: zlib's uncompress of the same stream, one 72,040-byte memcpy, and per table an append
// and a std::stable_sort. The closing line gives ours as a multiple of the floor (goal: at
// most 1.25).
#include "dorvanex/core/play/RankingStore.h"
#include "dorvanex/screens/RankingProtocol.h"
#include "dorvanex/screens/RankingTransport.h"
#include "dorvanex/screens/SPInternetRankingTask.h"

#include "bench/support/MedianReport.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// A full image as a busy server sends it: every table holds 100 entries, best first.
std::vector<uint8_t> makeImage(const int32_t seed) {
    std::vector<uint8_t> image(rankproto::IMAGE_SIZE, 0);
    const char* const names[] = {"ALPHA", "BRAVO", "CHARLIE", "DELTA", "ECHO", "FOXTROT"};
    for (uint32_t b = 0; b < rankproto::GAMES; ++b) {
        const int32_t gameId = static_cast<int32_t>(b + 1);
        ZqByteWriter::store<uint32_t>(image.data() + b * rankproto::BLOCK_SIZE,
                                      static_cast<uint32_t>(gameId));
        for (uint32_t kind = 0; kind < rankproto::TABLE_KINDS; ++kind) {
            for (int32_t i = 0; i < static_cast<int32_t>(rankproto::TABLE_ROWS); ++i) {
                rankproto::NetRankingEntry e{};
                std::strcpy(e.name, names[(i + seed) % 6]);
                const int32_t step = 1000 + i * 7 + static_cast<int32_t>(kind) + seed;
                e.score100 = rankproto::isAscendingGame(gameId) ? step : 100000 - step;
                e.country = 1 + i % 10;
                rankproto::writeNetEntry(image.data() + rankproto::tableOffset(b, kind) +
                                             static_cast<size_t>(i) * rankproto::NET_ENTRY_SIZE,
                                         e);
            }
        }
    }
    return image;
}

std::vector<uint8_t> deflate(const std::vector<uint8_t>& image) {
    uLongf size = compressBound(static_cast<uLong>(image.size()));
    std::vector<uint8_t> out(size);
    compress2(out.data(), &size, image.data(), static_cast<uLong>(image.size()), 9);
    out.resize(size);
    return out;
}

struct Fixture {
    std::vector<uint8_t> streams[2] = {deflate(makeImage(0)), deflate(makeImage(1))};
    RankingEntry entries[RANKING_EVENTS] = {};
    Fixture() {
        for (uint32_t e = 0; e < RANKING_EVENTS; ++e) {
            std::strcpy(entries[e].name, "PLAYER");
            entries[e].character = static_cast<int32_t>(e);
            entries[e].score = 12.34f + static_cast<float>(e);
        }
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void ours(benchmark::State& state) {
    Fixture& f = fixture();
    SPInternetRankingTask task;
    RankingTransport t;
    for (RankingTransport::ByteBuffer& b : t.raw) {
        b.data.assign(rankproto::IMAGE_SIZE, 0);
    }
    std::vector<uint8_t> download(rankproto::IMAGE_SIZE);
    t.downloadTarget = download.data();
    int32_t ranks[RANKING_UPLOAD_RANKS] = {};
    RankingEntry board[RANKING_BOARD_ROWS] = {};
    uint32_t which = 0;
    for (auto _ : state) {
        // The transfer has put the next (different) reply into the current raw buffer.
        const std::vector<uint8_t>& s = f.streams[which ^= 1u];
        std::memcpy(t.raw[t.current].data.data(), s.data(), s.size());
        RankingReply reply;
        reply.ok = true;
        reply.hasStatus = true;
        reply.status = 200;
        reply.hasLength = true;
        reply.contentLength = static_cast<uint32_t>(s.size());
        reply.received = reply.contentLength;
        uint32_t err = 0;
        uint32_t status = 0;
        if (handleRankingReply(t, RankingTransport::GET, reply, &err, &status) != 200 ||
            !takeRankingChanged(t, true)) {
            state.SkipWithError("reply refused");
            break;
        }
        task.publishImage(download.data());
        task.requestUpload(f.entries, ranks);
        for (uint32_t e = 0; e < RANKING_EVENTS; ++e) {
            for (uint32_t kind = 0; kind < rankproto::TABLE_KINDS; ++kind) {
                task.getNetRankingTable(kind, board, e);
                benchmark::DoNotOptimize(board);
            }
        }
    }
}

void floor(benchmark::State& state) {
    Fixture& f = fixture();
    std::vector<uint8_t> image(rankproto::IMAGE_SIZE);
    std::vector<uint8_t> published(rankproto::IMAGE_SIZE);
    std::vector<rankproto::NetRankingEntry> table;
    table.reserve(rankproto::TABLE_ROWS + 1);
    uint32_t which = 0;
    for (auto _ : state) {
        const std::vector<uint8_t>& s = f.streams[which ^= 1u];
        uLongf size = static_cast<uLongf>(image.size());
        if (uncompress(image.data(), &size, s.data(), static_cast<uLong>(s.size())) != Z_OK) {
            state.SkipWithError("uncompress failed");
            break;
        }
        std::memcpy(published.data(), image.data(), image.size());
        for (uint32_t b = 0; b < rankproto::GAMES; ++b) {
            for (uint32_t kind = 0; kind < rankproto::TABLE_KINDS; ++kind) {
                const uint8_t* const at = published.data() + rankproto::tableOffset(b, kind);
                table.clear();
                for (uint32_t i = 0; i < rankproto::TABLE_ROWS; ++i) {
                    table.push_back(rankproto::readNetEntry(at + i * rankproto::NET_ENTRY_SIZE));
                }
                table.push_back(rankproto::NetRankingEntry{"PLAYER", 1234, 1});
                std::stable_sort(table.begin(), table.end(), [](const auto& a, const auto& c) {
                    return a.score100 < c.score100;
                });
                benchmark::DoNotOptimize(table.data());
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("ranking/reply+predict+read", ours)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("ranking/uncompress+memcpy+sort", floor)
        ->Unit(benchmark::kMicrosecond);
    zqbench::MedianReporter reporter(false);
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    const double a = reporter.time("ranking/reply+predict+read");
    const double b = reporter.time("ranking/uncompress+memcpy+sort");
    if (a > 0 && b > 0) {
        std::printf("\nranking reply as a multiple of the floor, medians (goal: at most 1.25): "
                    "%.2f\n",
                    a / b);
    }
    std::fflush(stdout);
    benchmark::Shutdown();
    return 0;
}
