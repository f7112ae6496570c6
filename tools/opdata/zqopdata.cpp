// zqopdata: writes one operator data file in the two-drive layout (time stamp, payload, byte
// sum, complement).
//   zqopdata [--time SECONDS] [--damage] (--settings | --bookkeeping | --payload FILE) OUT
// --time: the stamp's moment in seconds since 1970, broken down in the local zone (TZ);
// default now. --settings: the 78 default operator settings. --bookkeeping: an empty
// bookkeeping block with coins on the stamp's date. --damage: flips one payload bit after
// the sums are made.
#include "dorvanex/core/opdata/CBookkeepings.h"
#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/opdata/DataFileFormat.h"
#include "zq/file/ZqByteWriter.h"
#include "zq/platform/fs/readfile.h"
#include "zq/platform/os/calendar.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int usage() {
    std::fputs("usage: zqopdata [--time SECONDS] [--damage] (--settings | --bookkeeping | "
               "--payload FILE) OUT\n",
               stderr);
    return 2;
}

std::vector<uint8_t> settingsPayload() {
    ZqByteWriter w;
    for (const CGameSettings::Row& row : CGameSettings::DEFAULTS) {
        w.i32(row.value);
    }
    return w.take();
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
    enum class Kind { None, Settings, Bookkeeping, Payload } kind = Kind::None;
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
        } else if (arg == "--payload" && i + 1 < argc) {
            kind = Kind::Payload;
            payloadPath = argv[++i];
        } else if (out.empty() && arg[0] != '-') {
            out = arg;
        } else {
            return usage();
        }
    }
    if (kind == Kind::None || out.empty()) {
        return usage();
    }
    std::vector<uint8_t> payload;
    if (kind == Kind::Settings) {
        payload = settingsPayload();
    } else if (kind == Kind::Bookkeeping) {
        payload = bookkeepingPayload(time);
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
