#include "dorvanex/core/opdata/CPlayRecorder.h"

#include "dorvanex/core/opdata/CBookkeepings.h"
#include "dorvanex/core/opdata/CGameSettings.h"
#include "zq/platform/os/calendar.h"

#include <algorithm>
#include <memory>

namespace {

constexpr int32_t FIELDS = bookkeeping::RECORD_FIELDS;
constexpr int32_t MODE = 0;
constexpr int32_t CONTINUES = 3;
constexpr int32_t MODE_TIME = 4;
constexpr int32_t SESSION_TIME = 8;
constexpr int32_t GAME_TIME = 12;
constexpr int32_t EVENT_TIMES = 16;
constexpr int32_t SECOND_FLAGS = 56;
constexpr int32_t FIRST_FLAGS = 76;
constexpr int32_t GRADES = 96;
constexpr int32_t FLAGS = 136;
constexpr int32_t EVENT = 137;
constexpr int32_t MODE_START = 138;
constexpr int32_t SESSION_START = 140;
constexpr int32_t GAME_START = 142;
constexpr int32_t EVENT_START = 144;
constexpr int32_t OPEN = 1;
constexpr int32_t TIME_CAP = 359999999;
constexpr int32_t NO_MINIMUM = 2147483647;
constexpr int32_t BOOKKEEPING_ON = 35;

struct Recorder {
    int32_t fields[FIELDS] = {};
};

std::unique_ptr<Recorder> g_recorder;

void clearRecord(int32_t* const r) {
    std::fill(r, r + FIELDS, 0);
    r[0] = r[1] = r[2] = -1;
    for (int32_t s = MODE_TIME; s < SECOND_FLAGS; s += 4) {
        r[s] = 0;
        r[s + 1] = 0;
        r[s + 2] = NO_MINIMUM;
        r[s + 3] = -1;
    }
}

int64_t now() {
    return zqp::calendarSeconds();
}

void setTime(int32_t* const r, const int32_t at, const int64_t time) {
    r[at] = static_cast<int32_t>(static_cast<uint64_t>(time));
    r[at + 1] = static_cast<int32_t>(static_cast<uint64_t>(time) >> 32);
}

int64_t getTime(const int32_t* const r, const int32_t at) {
    return static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(r[at + 1])) << 32) |
                                static_cast<uint32_t>(r[at]));
}

// Adds the seconds since a stored start to a time statistic.
void addDuration(int32_t* const r, const int32_t statistic, const int32_t startAt) {
    const int64_t d64 = std::clamp<int64_t>(now() - getTime(r, startAt), INT32_MIN, INT32_MAX);
    const int32_t d = static_cast<int32_t>(d64);
    int32_t* const s = r + statistic;
    s[0] = s[0] < INT32_MAX ? s[0] + 1 : s[0];
    s[1] = static_cast<int32_t>(std::clamp<int64_t>(int64_t{s[1]} + d, INT32_MIN, INT32_MAX));
    if (d < s[2]) {
        s[2] = d;
    }
    if (d > s[3]) {
        s[3] = d;
    }
}

void count(int32_t& counter) {
    if (counter < INT32_MAX) {
        ++counter;
    }
}

} // namespace

int32_t playRecorderCreate() {
    if (g_recorder != nullptr) {
        return 0;
    }
    g_recorder = std::make_unique<Recorder>();
    clearRecord(g_recorder->fields);
    return 1;
}

void playRecorderDestroy() {
    g_recorder.reset();
}

const int32_t* playRecordFields() {
    return g_recorder != nullptr ? g_recorder->fields : nullptr;
}

void playRecordBegin() {
    if (g_recorder == nullptr || (g_recorder->fields[FLAGS] & OPEN) != 0) {
        return;
    }
    clearRecord(g_recorder->fields);
    g_recorder->fields[FLAGS] |= OPEN;
}

void playRecordSetMode(const int32_t mode) {
    if (g_recorder != nullptr) {
        g_recorder->fields[MODE] = mode;
        setTime(g_recorder->fields, MODE_START, now());
    }
}

void playRecordStartSession() {
    if (g_recorder != nullptr) {
        setTime(g_recorder->fields, SESSION_START, now());
    }
}

void playRecordSetCharacters(const int32_t p1, const int32_t p2) {
    if (g_recorder != nullptr) {
        g_recorder->fields[1] = p1;
        if (g_recorder->fields[MODE] == 1) {
            g_recorder->fields[2] = p2;
        }
    }
}

void playRecordStartGame() {
    if (g_recorder != nullptr) {
        setTime(g_recorder->fields, GAME_START, now());
    }
}

void playRecordSetEvent(const int32_t event) {
    if (g_recorder != nullptr) {
        g_recorder->fields[EVENT] = event;
        setTime(g_recorder->fields, EVENT_START, now());
    }
}

void playRecordEventResult(const int32_t flag1, const int32_t flag2, const int32_t grade) {
    if (g_recorder == nullptr) {
        return;
    }
    int32_t* const r = g_recorder->fields;
    const int32_t e = r[EVENT];
    // An event outside 0..9 has no counters.
    if (e < 0 || e > 9) {
        return;
    }
    addDuration(r, EVENT_TIMES + 4 * e, EVENT_START);
    if (flag1 != 0) {
        count(r[FIRST_FLAGS + 2 * e]);
    } else {
        count(r[FIRST_FLAGS + 2 * e + 1]);
        count(r[SECOND_FLAGS + 2 * e + (flag2 > 0 ? 0 : 1)]);
    }
    if (grade >= 0 && grade <= 3) {
        count(r[GRADES + 4 * e + grade]);
    }
}

void playRecordAddGameTime() {
    if (g_recorder != nullptr) {
        addDuration(g_recorder->fields, GAME_TIME, GAME_START);
    }
}

void playRecordAddSessionTime() {
    if (g_recorder != nullptr) {
        addDuration(g_recorder->fields, SESSION_TIME, SESSION_START);
    }
}

void playRecordCountContinue() {
    if (g_recorder != nullptr && (g_recorder->fields[FLAGS] & OPEN) != 0) {
        count(g_recorder->fields[CONTINUES]);
    }
}

void playRecordAddModeTime() {
    if (g_recorder != nullptr) {
        addDuration(g_recorder->fields, MODE_TIME, MODE_START);
    }
}

void playRecordEnd() {
    if (g_recorder == nullptr || (g_recorder->fields[FLAGS] & OPEN) == 0) {
        return;
    }
    int32_t* const r = g_recorder->fields;
    r[CONTINUES] = std::clamp(r[CONTINUES], 0, bookkeeping::COUNTER_CAP);
    for (int32_t s = MODE_TIME; s < SECOND_FLAGS; s += 4) {
        r[s] = std::clamp(r[s], 0, bookkeeping::COUNTER_CAP);
        r[s + 1] = std::clamp(r[s + 1], 0, TIME_CAP);
        if (r[s + 2] != NO_MINIMUM) {
            r[s + 2] = std::clamp(r[s + 2], 0, TIME_CAP);
        }
        if (r[s + 3] != -1) {
            r[s + 3] = std::clamp(r[s + 3], 0, TIME_CAP);
        }
    }
    const CGameSettings* const settings = CGameSettings::getInstance();
    if (settings != nullptr && settings->getValue(BOOKKEEPING_ON) != 0 && r[MODE] >= 0) {
        bookkeepingAddPlayRecord(r);
        bookkeepingSave();
    }
    clearRecord(r);
}
