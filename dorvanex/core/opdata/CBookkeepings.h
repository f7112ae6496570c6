// The cabinet's play statistics for the operator ("BOOKKEEPING" on both drives): per
// calendar date the coins (per day and hour), the running time and what was played, one year
// of dates in 372 day slots (month x 31 + day - 1). It runs on its own clock, the calendar
// clock plus the operator's offset, broken down by the calendar alone (no time zone); only the
// date and time texts use local time. Three logs on e:. Free functions over one store; each
// does nothing (0) without the store. Main thread only.
#pragma once

#include <cstdint>

namespace bookkeeping {

constexpr int32_t SLOTS = 372;
constexpr int32_t COUNTERS = 241;
constexpr uint32_t PAYLOAD_SIZE = SLOTS * COUNTERS * 4;
constexpr int32_t COUNTER_CAP = 999999999;
constexpr int32_t RECORD_FIELDS = 146;
constexpr int32_t STATISTIC_COUNTERS = 136;
constexpr const char* FILE_NAME = "BOOKKEEPING";

// Counters of a slot.
constexpr int32_t GRADES = 9;
constexpr int32_t SECOND_FLAGS = 49;
constexpr int32_t FIRST_FLAGS = 69;
constexpr int32_t CHARACTER_PLAYS = 89;
constexpr int32_t CONTINUES = 109;
constexpr int32_t EVENT_TIMES = 111;
constexpr int32_t MODE_TIMES = 191;
constexpr int32_t SESSION_TIMES = 199;
constexpr int32_t TICKET_TIMES = 207;
constexpr int32_t RUNNING_TIME = 215;
constexpr int32_t DAY_COINS = 216;
constexpr int32_t HOUR_COINS = 217;

// The time-zone-free calendar of the bookkeeping clock: the nine broken-down fields of a time
// in -43,200 .. 32,535,291,599 seconds; false (all fields 0) outside.
bool breakDown(int64_t seconds, int32_t fields[9]);
// The slot of a time, or -1 outside the calendar's range.
int32_t slotOf(int64_t seconds);

} // namespace bookkeeping

int32_t bookkeepingCreate();
void bookkeepingDestroy();
// 1 when a copy was taken, 0 when none was (the block is then empty and the store dirty).
int32_t bookkeepingLoad();
// 1, or -1 when a copy could not be written (a line goes to the game's error log).
int32_t bookkeepingSave();
int32_t bookkeepingAddCoin(int32_t coins);
// Merges the play recorder's record (RECORD_FIELDS fields) into today's slot.
int32_t bookkeepingAddPlayRecord(const int32_t* record);
// Sets the clock offset to target + extraSeconds - now; -1 for a target outside the range.
int32_t bookkeepingSetClock(int64_t targetTime, int64_t extraSeconds);
int32_t bookkeepingClearAll();
int32_t bookkeepingIsDirty();
void bookkeepingClearDirty();
// The bookkeeping clock: now plus the offset, in seconds since 1970.
int64_t bookkeepingNow();

int32_t bookkeepingGetLast7DayRecords(int32_t* out);       // 7 x 241
int32_t bookkeepingGetCoinDataOfLast7Days(int32_t* out);   // 10
int32_t bookkeepingGetCoinDataOfEachDay(int32_t* out);     // 7, Monday first
int32_t bookkeepingGetCoinDataOfEachHour(int32_t* out);    // 24
int32_t bookkeepingGetCoinDataOfLast52Weeks(int32_t* out); // 52
int32_t bookkeepingGetGameTimesStatistic(int32_t* out);    // 136
