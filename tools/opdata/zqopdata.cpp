// zqopdata: writes one operator data file in the two-drive layout (time stamp, payload, byte
// sum, complement).
//   zqopdata [--time SECONDS] [--damage] (--settings [--set N=V]... | --bookkeeping |
//            --ranking | --payload FILE) OUT
// --time: the stamp's moment in seconds since 1970, broken down in the local zone (TZ);
// default now. --settings: the 78 default operator settings, each --set N=V replacing setting
// N. --ranking: the default ranking tables ("ranking.dat"). --bookkeeping: an empty
// bookkeeping block with coins on the stamp's date. --damage: flips one payload bit after
// the sums are made.
#include "dorvanex/core/opdata/CBookkeepings.h"
#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/opdata/DataFileFormat.h"
#include "dorvanex/core/play/RankingStore.h"
#include "zq/file/ZqByteWriter.h"
#include "zq/platform/fs/readfile.h"
#include "zq/platform/os/calendar.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

int usage() {
    std::fputs("usage: zqopdata [--time SECONDS] [--damage] (--settings [--set N=V]... | "
               "--bookkeeping | --ranking | --payload FILE) OUT\n",
               stderr);
    return 2;
}

// The defaults with the given settings replaced.
std::vector<uint8_t> settingsPayload(const std::vector<std::pair<int32_t, int32_t>>& changes) {
    std::vector<int32_t> values;
    for (const CGameSettings::Row& row : CGameSettings::DEFAULTS) {
        values.push_back(row.value);
    }
    for (const auto& [n, v] : changes) {
        values[static_cast<size_t>(n)] = v;
    }
    ZqByteWriter w;
    for (const int32_t value : values) {
        w.i32(value);
    }
    return w.take();
}

std::vector<uint8_t> rankingPayload() {
    std::vector<uint8_t> payload(RANKING_PAYLOAD_SIZE);
    encodeDefaultRankingTables(payload.data());
    return payload;
}

// "N=V" with N a setting's number.
bool parseSet(const char* const text, std::pair<int32_t, int32_t>& out) {
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '=' || n < 0 ||
        n >= static_cast<long>(std::size(CGameSettings::DEFAULTS))) {
        return false;
    }
    const char* const value = end + 1;
    const long long v = std::strtoll(value, &end, 10);
    if (end == value || *end != 0 || v < INT32_MIN || v > INT32_MAX) {
        return false;
    }
    out = {static_cast<int32_t>(n), static_cast<int32_t>(v)};
    return true;
}

std::vector<uint8_t> bookkeepingPayload(const int64_t time) {
    std::vector<int32_t> block(bookkeeping::SLOTS * bookkeeping::COUNTERS, -1);
    int32_t fields[9] = {};
    const int32_t slot = bookkeeping::slotOf(time);
    if (slot >= 0 && bookkeeping::breakDown(time, fields)) {
        int32_t* const s = block.data() + static_cast<size_t>(slot) * bookkeeping::COUNTERS;
        std::copy(fields, fields + 9, s);
        s[bookkeeping::DAY_COINS] = 12;
        s[bookkeeping::HOUR_COINS + fields[2]] = 12;
        s[bookkeeping::CHARACTER_PLAYS] = 3;
    }
    ZqByteWriter w;
    for (const int32_t counter : block) {
        w.i32(counter);
    }
    return w.take();
}

} // namespace

int main(int argc, char** argv) {
    int64_t time = zqp::calendarSeconds();
    bool damage = false;
    enum class Kind { None, Settings, Bookkeeping, Ranking, Payload } kind = Kind::None;
    std::vector<std::pair<int32_t, int32_t>> changes;
    std::string payloadPath;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--time" && i + 1 < argc) {
            time = std::strtoll(argv[++i], nullptr, 10);
        } else if (arg == "--damage") {
            damage = true;
        } else if (arg == "--settings") {
            kind = Kind::Settings;
        } else if (arg == "--bookkeeping") {
            kind = Kind::Bookkeeping;
        } else if (arg == "--ranking") {
            kind = Kind::Ranking;
        } else if (arg == "--set" && i + 1 < argc) {
            std::pair<int32_t, int32_t> change;
            if (!parseSet(argv[++i], change)) {
                return usage();
            }
            changes.push_back(change);
        } else if (arg == "--payload" && i + 1 < argc) {
            kind = Kind::Payload;
            payloadPath = argv[++i];
        } else if (out.empty() && arg[0] != '-') {
            out = arg;
        } else {
            return usage();
        }
    }
    if (kind == Kind::None || out.empty() || (!changes.empty() && kind != Kind::Settings)) {
        return usage();
    }
    std::vector<uint8_t> payload;
    if (kind == Kind::Settings) {
        payload = settingsPayload(changes);
    } else if (kind == Kind::Bookkeeping) {
        payload = bookkeepingPayload(time);
    } else if (kind == Kind::Ranking) {
        payload = rankingPayload();
    } else {
        std::string error;
        if (!zqp::readWholeFile(payloadPath, 64u << 20, payload, &error)) {
            std::fprintf(stderr, "zqopdata: %s\n", error.c_str());
            return 1;
        }
    }
    zqp::CalendarTime stamp;
    zqp::toLocalTime(time, stamp);
    std::vector<uint8_t> bytes = encodeDataFile(stamp, payload.data(), payload.size());
    if (damage && !payload.empty()) {
        bytes[DATA_FILE_STAMP_SIZE] ^= 1;
    }
    std::FILE* const file = std::fopen(out.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::fprintf(stderr, "zqopdata: cannot write %s\n", out.c_str());
        if (file != nullptr) {
            std::fclose(file);
        }
        return 1;
    }
    return std::fclose(file) == 0 ? 0 : 1;
}
