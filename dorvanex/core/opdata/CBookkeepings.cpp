#include "dorvanex/core/opdata/CBookkeepings.h"

#include "dorvanex/core/opdata/CDataFileOps.h"
#include "dorvanex/core/opdata/DataFile.h"
#include "dorvanex/core/opdata/ErrorLog.h"
#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqByteWriter.h"
#include "zq/platform/os/calendar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace bookkeeping;

namespace {

constexpr int64_t DAY = 86400;
constexpr int64_t HOUR = 3600;
constexpr int64_t FIRST_TIME = -43200;
constexpr int64_t LAST_TIME = 32535291599;
constexpr int64_t LAST_CLOCK_TARGET = 32535244799;
constexpr int32_t DAYS_OF_YEAR = 365;
constexpr const char16_t* LOAD_LOG = u"e:/SPORTS_OPTION/BOOKKEEPING_load_log.txt";
constexpr const char16_t* SAVE_LOG = u"e:/SPORTS_OPTION/BOOKKEEPING_save_log.txt";
constexpr const char16_t* SETC_LOG = u"e:/SPORTS_OPTION/BOOKKEEPING_setc_log.txt";
constexpr const char* WEEKDAYS[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

using Slot = std::vector<int32_t>;

struct Store {
    bool loaded = false;
    std::vector<int32_t> block = std::vector<int32_t>(SLOTS * COUNTERS, -1);
    int32_t loadFailed = 0;
    // Damaged copies found by the last load, moved aside by the next save.
    bool moveAside = false;
    int64_t clockOffset = 0;
    int64_t runningStamp = 0;
    // The payload and the file of a save, kept so that each save reuses their memory.
    std::vector<uint8_t> payload;
    std::vector<uint8_t> file;
};

std::unique_ptr<Store> g_store;

int64_t now() {
    return zqp::calendarSeconds();
}

int64_t clockNow() {
    return now() + g_store->clockOffset;
}

int32_t cap(const int64_t value) {
    return static_cast<int32_t>(std::min<int64_t>(value, COUNTER_CAP));
}

// Adding to a counter: no data (below 0) becomes the amount.
void addTo(int32_t& counter, const int64_t n, const bool capped = true) {
    const int64_t sum = counter < 0 ? n : int64_t{counter} + n;
    counter = capped ? cap(sum) : static_cast<int32_t>(std::min<int64_t>(sum, INT32_MAX));
}

// Appends a text line to a log on e:.
void appendLog(const char16_t* const path, const std::string& text) {
    CDataFileOps& ops = getDataFileOps();
    if (!ops.isDrivePresent(0) || !ops.makeFolder(DATA_FOLDER_E)) {
        return;
    }
    ops.append(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// Local date and time texts of a moment.
void localTexts(const int64_t seconds, char* const date, char* const time) {
    zqp::CalendarTime t;
    if (!zqp::toLocalTime(seconds, t)) {
        t = {};
        t.weekDay = -1;
    }
    if (t.weekDay >= 0 && t.weekDay <= 6) {
        std::snprintf(date, 40, "%.4d-%.2d-%.2d(%s)", t.year + 1900, t.month + 1, t.day,
                      WEEKDAYS[t.weekDay]);
    } else {
        date[0] = 0;
    }
    std::snprintf(time, 40, "%.2d:%.2d:%.2d", t.hour, t.minute, t.second);
}

void setClockLog(const char* const message, const int32_t value, const int64_t time) {
    char date[40] = {};
    char clock[40] = {};
    localTexts(time + value, date, clock);
    char text[256] = {};
    std::snprintf(text, sizeof text, "%s %d %i\n\t%s %s\n", message, value,
                  static_cast<int32_t>(static_cast<uint32_t>(time)), date, clock);
    appendLog(SETC_LOG, text);
}

int32_t* slotAt(const int32_t slot) {
    return g_store->block.data() + static_cast<size_t>(slot) * COUNTERS;
}

// The counters of a date; last year's slot for the same date reads as no data. False (all
// -1) for a time outside the calendar.
bool readSlot(const int64_t time, Slot& out, int32_t* slotIndex = nullptr) {
    out.assign(COUNTERS, -1);
    int32_t fields[9] = {};
    const int32_t slot = slotOf(time);
    if (slotIndex != nullptr) {
        *slotIndex = slot;
    }
    if (slot < 0 || !breakDown(time, fields)) {
        return false;
    }
    const int32_t* const stored = slotAt(slot);
    if (stored[5] == fields[5]) {
        out.assign(stored, stored + COUNTERS);
    }
    return true;
}

void writeSlot(const int64_t time, const int32_t slot, Slot& counters) {
    int32_t fields[9] = {};
    breakDown(time, fields);
    std::copy(fields, fields + 9, counters.begin());
    std::copy(counters.begin(), counters.end(), slotAt(slot));
}

// A clock outside the calendar books nothing, with a line in the set-clock log.
bool todaysSlot(const int64_t time, Slot& counters, int32_t& slot) {
    if (readSlot(time, counters, &slot)) {
        return true;
    }
    setClockLog("CBookkeepings out of the calendar's range", 0, time);
    return false;
}

void bookRunningTime() {
    const int64_t current = now();
    const int64_t delta = current - g_store->runningStamp;
    g_store->runningStamp = current;
    // A clock set back books nothing.
    if (delta <= 0) {
        return;
    }
    const int64_t time = clockNow();
    Slot counters;
    int32_t slot = -1;
    if (todaysSlot(time, counters, slot)) {
        addTo(counters[RUNNING_TIME], delta, false);
        writeSlot(time, slot, counters);
    }
}

void addCoins(const int32_t coins) {
    const int64_t time = clockNow();
    setClockLog("CBookkeepings::AddCoin addcount", coins, time);
    Slot counters;
    int32_t slot = -1;
    int32_t fields[9] = {};
    if (!todaysSlot(time, counters, slot) || !breakDown(time, fields)) {
        return;
    }
    addTo(counters[DAY_COINS], coins);
    addTo(counters[HOUR_COINS + fields[2]], coins);
    writeSlot(time, slot, counters);
}

// The day coins of the seven days ending at a time, that day first.
std::string sevenDayLine(const int64_t time) {
    std::string line;
    Slot counters;
    for (int k = 0; k < 7; ++k) {
        readSlot(time - k * DAY, counters);
        line += std::to_string(counters[DAY_COINS]);
        line += k < 6 ? " " : "\n";
    }
    return line;
}

void encodeBlock(const std::vector<int32_t>& block, std::vector<uint8_t>& out) {
    out.resize(block.size() * 4);
    for (size_t i = 0; i < block.size(); ++i) {
        ZqByteWriter::store(out.data() + i * 4, block[i]);
    }
}

// Counts booked before the first load are added into what the load found.
void mergeEarlierCounts(const std::vector<int32_t>& earlier) {
    for (int32_t slot = 0; slot < SLOTS; ++slot) {
        const int32_t* const mine = earlier.data() + static_cast<size_t>(slot) * COUNTERS;
        if (mine[5] < 0 && mine[3] < 0) {
            continue;
        }
        int32_t* const loaded = slotAt(slot);
        if (loaded[5] != mine[5]) {
            std::copy(mine, mine + COUNTERS, loaded);
            continue;
        }
        for (int32_t i = 9; i < COUNTERS; ++i) {
            if (mine[i] >= 0) {
                addTo(loaded[i], mine[i], i != RUNNING_TIME);
            }
        }
        std::copy(mine, mine + 9, loaded);
    }
}

void mergeStatistic(int32_t* const slot, const int32_t* const record) {
    if (record[0] <= 0) {
        return;
    }
    if (slot[0] < 0) {
        std::copy(record, record + 4, slot);
        return;
    }
    slot[0] = cap(int64_t{slot[0]} + record[0]);
    slot[1] = cap(int64_t{slot[1]} + record[1]);
    slot[2] = std::min(slot[2], record[2]);
    slot[3] = std::max(slot[3], record[3]);
}

} // namespace

namespace bookkeeping {

bool breakDown(const int64_t seconds, int32_t fields[9]) {
    std::fill(fields, fields + 9, 0);
    if (seconds < FIRST_TIME || seconds > LAST_TIME) {
        return false;
    }
    const int64_t days = seconds >= 0 ? seconds / DAY : (seconds - DAY + 1) / DAY;
    const int64_t rest = seconds - days * DAY;
    // Civil date from a day count (1970-01-01 is day 0), in 400-year eras.
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static constexpr int32_t BEFORE[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    fields[0] = static_cast<int32_t>(rest % 60);
    fields[1] = static_cast<int32_t>(rest / 60 % 60);
    fields[2] = static_cast<int32_t>(rest / 3600);
    fields[3] = static_cast<int32_t>(day);
    fields[4] = static_cast<int32_t>(month - 1);
    fields[5] = static_cast<int32_t>(year - 1900);
    fields[6] = static_cast<int32_t>(((days % 7) + 11) % 7);
    fields[7] = BEFORE[month - 1] + static_cast<int32_t>(day) - 1 + (leap && month > 2 ? 1 : 0);
    fields[8] = 0;
    return true;
}

int32_t slotOf(const int64_t seconds) {
    int32_t fields[9] = {};
    if (!breakDown(seconds, fields)) {
        return -1;
    }
    return fields[4] * 31 + fields[3] - 1;
}

} // namespace bookkeeping

int32_t bookkeepingCreate() {
    if (g_store != nullptr) {
        return 0;
    }
    g_store = std::make_unique<Store>();
    // Running time is booked from the moment the store is made.
    g_store->runningStamp = now();
    return 1;
}

void bookkeepingDestroy() {
    g_store.reset();
}

int64_t bookkeepingNow() {
    return g_store != nullptr ? clockNow() : now();
}

int32_t bookkeepingLoad() {
    if (g_store == nullptr) {
        return 0;
    }
    bookRunningTime();
    const bool first = !g_store->loaded;
    std::vector<int32_t> earlier;
    if (first) {
        earlier = g_store->block;
    }
    std::fill(g_store->block.begin(), g_store->block.end(), -1);
    g_store->loadFailed = 0;
    g_store->loaded = true;
    std::vector<uint8_t> payload(PAYLOAD_SIZE);
    const int32_t result = loadDataFile(FILE_NAME, payload.data(), PAYLOAD_SIZE);
    if (result == LOAD_TAKEN) {
        const ZqByteReader r(payload.data(), payload.size());
        for (size_t i = 0; i < g_store->block.size(); ++i) {
            r.i32(i * 4, g_store->block[i]);
        }
    } else {
        g_store->loadFailed = 1;
        g_store->moveAside = result == LOAD_DAMAGED;
    }
    if (first) {
        mergeEarlierCounts(earlier);
    }
    appendLog(LOAD_LOG, sevenDayLine(clockNow()));
    return result == LOAD_TAKEN ? 1 : 0;
}

int32_t bookkeepingSave() {
    if (g_store == nullptr) {
        return 0;
    }
    if (!g_store->loaded) {
        bookkeepingLoad();
    }
    bookRunningTime();
    addCoins(0);
    const int64_t time = clockNow();
    CDataFileOps& ops = getDataFileOps();
    if (g_store->moveAside) {
        // The damaged copies stay beside the new file, named with the date and time.
        zqp::CalendarTime t;
        zqp::toLocalTime(now(), t);
        char suffix[40] = {};
        std::snprintf(suffix, sizeof suffix, "_%04d%02d%02d_%02d%02d%02d", t.year + 1900,
                      t.month + 1, t.day, t.hour, t.minute, t.second);
        for (int drive = 0; drive < 2; ++drive) {
            const std::u16string path = dataFilePath(drive, FILE_NAME);
            if (ops.exists(path)) {
                ops.rename(path, dataFilePath(drive, (std::string(FILE_NAME) + suffix).c_str()));
            }
        }
        g_store->moveAside = false;
    }
    int32_t fields[9] = {};
    breakDown(time, fields);
    const zqp::CalendarTime stamp{fields[0], fields[1], fields[2], fields[3], fields[4],
                                  fields[5], fields[6], fields[7], fields[8]};
    encodeBlock(g_store->block, g_store->payload);
    encodeDataFile(stamp, g_store->payload.data(), g_store->payload.size(), g_store->file);
    const int32_t result = saveDataFileBytes(FILE_NAME, g_store->file);
    appendLog(SAVE_LOG, sevenDayLine(time));
    if (result != 0) {
        writeErrorLog("The bookkeeping \"BOOKKEEPING\" could not be saved (result " +
                      std::to_string(result) + ").");
        return -1;
    }
    return 1;
}

int32_t bookkeepingAddCoin(const int32_t coins) {
    if (g_store == nullptr) {
        return 0;
    }
    bookRunningTime();
    addCoins(coins);
    return 1;
}

int32_t bookkeepingAddPlayRecord(const int32_t* const record) {
    if (g_store == nullptr || record == nullptr) {
        return 0;
    }
    bookRunningTime();
    const int64_t time = clockNow();
    Slot s;
    int32_t slot = -1;
    if (!todaysSlot(time, s, slot)) {
        return 1;
    }
    const int32_t mode = record[0];
    for (int32_t e = 0; e < 10 && mode == 0; ++e) {
        for (int32_t g = 0; g < 4; ++g) {
            if (record[96 + 4 * e + g] > 0) {
                addTo(s[GRADES + 4 * e + g], record[96 + 4 * e + g]);
            }
        }
        for (int32_t k = 0; k < 2; ++k) {
            if (record[56 + 2 * e + k] > 0) {
                addTo(s[SECOND_FLAGS + 2 * e + k], record[56 + 2 * e + k]);
            }
            if (record[76 + 2 * e + k] > 0) {
                addTo(s[FIRST_FLAGS + 2 * e + k], record[76 + 2 * e + k]);
            }
        }
    }
    if (record[1] >= 0 && record[1] <= 9) {
        addTo(s[CHARACTER_PLAYS + 2 * record[1]], 1);
    }
    if (mode == 1 && record[2] >= 0 && record[2] <= 9) {
        addTo(s[CHARACTER_PLAYS + 2 * record[2] + 1], 1);
    }
    if (mode == 0 || mode == 1) {
        if (record[3] > 0) {
            addTo(s[CONTINUES + mode], record[3]);
        }
        for (int32_t e = 0; e < 10; ++e) {
            mergeStatistic(&s[EVENT_TIMES + 8 * e + 4 * mode], record + 16 + 4 * e);
        }
        mergeStatistic(&s[MODE_TIMES + 4 * mode], record + 4);
        mergeStatistic(&s[SESSION_TIMES + 4 * mode], record + 8);
        mergeStatistic(&s[TICKET_TIMES + 4 * mode], record + 12);
    }
    writeSlot(time, slot, s);
    return 1;
}

int32_t bookkeepingSetClock(const int64_t targetTime, const int64_t extraSeconds) {
    if (g_store == nullptr) {
        return 0;
    }
    if (targetTime < 0 || targetTime >= LAST_CLOCK_TARGET) {
        setClockLog("CBookkeepings::SetClock failed.", 0, targetTime);
        return -1;
    }
    setClockLog("CBookkeepings::SetClock success.", 0, targetTime);
    const int64_t current = now();
    g_store->clockOffset = targetTime + extraSeconds - current;
    setClockLog("\t now_time", 1, current);
    setClockLog("\t dis_time", 2, g_store->clockOffset);
    return 0;
}

int32_t bookkeepingClearAll() {
    if (g_store == nullptr) {
        return 0;
    }
    bookRunningTime();
    std::fill(g_store->block.begin(), g_store->block.end(), -1);
    g_store->loadFailed = 0;
    return 1;
}

int32_t bookkeepingIsDirty() {
    return g_store != nullptr && g_store->loadFailed != 0 ? -1 : 0;
}

void bookkeepingClearDirty() {
    if (g_store != nullptr) {
        g_store->loadFailed = 0;
    }
}

int32_t bookkeepingGetLast7DayRecords(int32_t* const out) {
    if (g_store == nullptr) {
        return 0;
    }
    bookRunningTime();
    const int64_t time = clockNow();
    Slot s;
    for (int k = 0; k < 7; ++k) {
        readSlot(time - k * DAY, s);
        std::copy(s.begin(), s.end(), out + k * COUNTERS);
    }
    return 1;
}

int32_t bookkeepingGetCoinDataOfLast7Days(int32_t* const out) {
    if (g_store == nullptr) {
        return 0;
    }
    bookRunningTime();
    const int64_t time = clockNow();
    std::fill(out, out + 10, -1);
    Slot s;
    readSlot(time, s);
    out[0] = s[DAY_COINS] >= 0 ? cap(s[DAY_COINS]) : -1;
    int64_t sum = 0;
    int32_t days = 0;
    for (int k = 1; k <= 7; ++k) {
        readSlot(time - k * DAY, s);
        if (s[DAY_COINS] >= 0) {
            out[2 + k] = cap(s[DAY_COINS]);
            sum += s[DAY_COINS];
            ++days;
        }
    }
    if (days > 0) {
        out[2] = cap(sum);
        out[1] = cap(sum / days);
    }
    return 1;
}

int32_t bookkeepingGetCoinDataOfEachDay(int32_t* const out) {
    if (g_store == nullptr) {
        return 0;
    }
    const int64_t time = clockNow();
    int64_t sums[7] = {-1, -1, -1, -1, -1, -1, -1};
    Slot s;
    int32_t fields[9] = {};
    for (int k = 0; k < DAYS_OF_YEAR; ++k) {
        const int64_t day = time - k * DAY;
        if (readSlot(day, s) && s[DAY_COINS] >= 0 && breakDown(day, fields)) {
            int64_t& sum = sums[(fields[6] + 6) % 7];
            sum = (sum < 0 ? 0 : sum) + s[DAY_COINS];
        }
    }
    for (int i = 0; i < 7; ++i) {
        out[i] = sums[i] < 0 ? -1 : cap(sums[i]);
    }
    return 1;
}

int32_t bookkeepingGetCoinDataOfEachHour(int32_t* const out) {
    if (g_store == nullptr) {
        return 0;
    }
    const int64_t time = clockNow();
    int64_t sums[24];
    std::fill(sums, sums + 24, -1);
    Slot s;
    int32_t fields[9] = {};
    // Consecutive hours share a date: its slot is read once.
    int32_t lastDate = -1;
    bool readable = false;
    for (int k = 0; k < DAYS_OF_YEAR * 24; ++k) {
        const int64_t hour = time - k * HOUR;
        if (!breakDown(hour, fields)) {
            continue;
        }
        const int32_t date = fields[5] * 400 + fields[7];
        if (date != lastDate) {
            lastDate = date;
            readable = readSlot(hour, s);
        }
        if (readable && s[HOUR_COINS + fields[2]] >= 0) {
            int64_t& sum = sums[fields[2]];
            sum = (sum < 0 ? 0 : sum) + s[HOUR_COINS + fields[2]];
        }
    }
    for (int i = 0; i < 24; ++i) {
        out[i] = sums[i] < 0 ? -1 : cap(sums[i]);
    }
    return 1;
}

int32_t bookkeepingGetCoinDataOfLast52Weeks(int32_t* const out) {
    if (g_store == nullptr) {
        return 0;
    }
    const int64_t time = clockNow();
    int32_t fields[9] = {};
    breakDown(time, fields);
    const int64_t start = time - (fields[6] == 0 ? 7 : fields[6]) * DAY;
    Slot s;
    for (int week = 0; week < 52; ++week) {
        int64_t sum = -1;
        for (int d = 0; d < 7; ++d) {
            if (readSlot(start - (7 * week + d) * DAY, s) && s[DAY_COINS] >= 0) {
                sum = (sum < 0 ? 0 : sum) + s[DAY_COINS];
            }
        }
        out[week] = sum < 0 ? -1 : cap(sum);
    }
    return 1;
}

int32_t bookkeepingGetGameTimesStatistic(int32_t* const out) {
    if (g_store == nullptr) {
        return 0;
    }
    const int64_t time = clockNow();
    std::fill(out, out + STATISTIC_COUNTERS, -1);
    char date[40] = {};
    char clock[40] = {};
    localTexts(time, date, clock);
    // Each text zero-filled into its 32-byte field, stored as eight little-endian words.
    uint8_t texts[64] = {};
    std::memcpy(texts, clock, std::min<size_t>(std::strlen(clock), 32));
    std::memcpy(texts + 32, date, std::min<size_t>(std::strlen(date), 32));
    const ZqByteReader r(texts, sizeof texts);
    for (int i = 0; i < 16; ++i) {
        r.i32(static_cast<uint64_t>(i) * 4, out[i]);
    }
    int64_t sums[STATISTIC_COUNTERS];
    std::fill(sums, sums + STATISTIC_COUNTERS, -1);
    const auto add = [&sums](const int32_t at, const int32_t value) {
        if (value >= 0) {
            sums[at] = (sums[at] < 0 ? 0 : sums[at]) + value;
        }
    };
    Slot s;
    for (int k = 0; k < DAYS_OF_YEAR; ++k) {
        if (!readSlot(time - k * DAY, s)) {
            continue;
        }
        for (int i = 0; i < 40; ++i) {
            add(16 + i, s[GRADES + i]);
        }
        for (int i = 0; i < 20; ++i) {
            add(56 + i, s[SECOND_FLAGS + i]);
            add(76 + i, s[FIRST_FLAGS + i]);
            add(116 + i, s[CHARACTER_PLAYS + i]);
        }
        for (int e = 0; e < 10; ++e) {
            for (int m = 0; m < 2; ++m) {
                add(96 + 2 * e + m, s[EVENT_TIMES + 8 * e + 4 * m]);
            }
        }
    }
    for (int i = 16; i < STATISTIC_COUNTERS; ++i) {
        out[i] = sums[i] < 0 ? -1 : cap(sums[i]);
    }
    return 1;
}
