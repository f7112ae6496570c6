#include "dorvanex/core/opdata/COperationLog.h"

#include "dorvanex/core/opdata/CDataFileOps.h"
#include "dorvanex/core/opdata/ErrorLog.h"
#include "zq/platform/os/calendar.h"
#include "zq/system/ZqSprintf.h"
#include "zq/system/ZqString.h"

#include <cmath>
#include <string>

namespace {

constexpr const char16_t* HEADER =
    u"\nRow ID,Date,Time,Event Type,Player Name,Mode,Country,Game,Result,Rank\n";
constexpr const char16_t* MARKER_FORMAT = u"%d,%04d-%02d-%02d,%02d:%02d:%02d:%03d,%s\n";
constexpr const char16_t* LOG_START = u"Log Start";
constexpr const char16_t* LOG_END = u"Log End\n";

constexpr const char16_t* TYPE_TEXTS[] = {u"Game Start",    u"Game Continue", u"Select Mode",
                                          u"Select Player", u"Select Game",   u"Game End"};
constexpr const char16_t* MODE_TEXTS[] = {u"Single", u"VS"};
constexpr const char16_t* COUNTRY_TEXTS[] = {u"China",   u"Japan",  u"Korean",  u"Jamaica",
                                             u"Kenya",   u"USA",    u"Russian", u"French",
                                             u"English", u"Italian"};
constexpr const char16_t* GAME_TEXTS[] = {u"100M",  u"110M",  u"Jump",    u"Javelin",  u"Boxing",
                                          u"Shoot", u"Vault", u"Lifting", u"PingPang", u"Fencing"};

// The text of a value used as a table index (truncated); an empty text outside the table.
template <size_t N> const char16_t* textOf(const char16_t* const (&table)[N], const float value) {
    if (!(value >= 0.0f) || value >= static_cast<float>(N)) {
        return u"";
    }
    return table[static_cast<size_t>(value)];
}

// A value printed as an integer: truncated, held to the 32-bit range, NaN as 0.
int32_t toInt(const float value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0f) {
        return INT32_MAX;
    }
    if (value <= -2147483648.0f) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

char16_t g_todayPaths[2][COperationLog::PATH_SIZE] = {};

std::u16string folderOf(const char16_t* const path) {
    const std::u16string text(path);
    size_t cut = text.rfind(u'\\');
    if (cut == std::u16string::npos) {
        cut = text.rfind(u'/');
    }
    return cut == std::u16string::npos ? std::u16string() : text.substr(0, cut);
}

std::string toUtf8(const std::u16string& text) {
    ZqStringMb utf8;
    zqChar2Utf8(text.c_str(), static_cast<int>(text.size()), utf8);
    return utf8;
}

} // namespace

COperationLog::COperationLog(const Paths paths, const bool append) {
    clear();
    open(paths, append);
}

COperationLog::~COperationLog() {
    quit();
}

COperationLog::Stamp COperationLog::now() {
    const int64_t ms = zqp::calendarMilliseconds();
    const int64_t seconds = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    zqp::CalendarTime local;
    zqp::toLocalTime(seconds, local);
    Stamp stamp;
    stamp.year = local.year + 1900;
    stamp.month = local.month + 1;
    stamp.day = local.day;
    stamp.hour = local.hour;
    stamp.minute = local.minute;
    stamp.second = local.second;
    stamp.milliseconds = static_cast<int32_t>(ms - seconds * 1000);
    return stamp;
}

uint32_t COperationLog::dateKey(const Stamp& time) {
    return (static_cast<uint32_t>(time.year) << 16) | (static_cast<uint32_t>(time.month) << 8) |
           static_cast<uint32_t>(time.day);
}

COperationLog::Paths COperationLog::makeTodayPaths() {
    const Stamp today = now();
    zqSprintf(g_todayPaths[0], PATH_SIZE, u"e:/SPORTS_OPTION\\log\\%04d\\%02d\\%02d.csv",
              today.year, today.month, today.day);
    zqSprintf(g_todayPaths[1], PATH_SIZE, u"f:/SPORTS_OPTION\\log\\%04d\\%02d\\%02d.csv",
              today.year, today.month, today.day);
    return {g_todayPaths[0], g_todayPaths[1]};
}

void COperationLog::open(const Paths paths, const bool append) {
    m_dateKey = dateKey(now());
    close();
    m_rowId = 1;
    CDataFileOps& ops = getDataFileOps();
    const char16_t* const list[2] = {paths.first, paths.second};
    for (int drive = 0; drive < 2; ++drive) {
        if (list[drive] == nullptr) {
            continue;
        }
        const std::u16string path(list[drive]);
        const std::u16string folder = folderOf(list[drive]);
        // Opening is making the file (empty when not appending), so that a drive that cannot
        // take it is known at once.
        const bool opened = (folder.empty() || ops.makeFolder(folder)) &&
                            (append ? ops.append(path, {}) : ops.replace(path, {}));
        if (opened) {
            m_paths[drive] = path;
        } else {
            reportDriveFault("The operation log \"" + toUtf8(path) + "\" cannot be opened.",
                             1 - drive);
        }
    }
    writeLine(false, HEADER);
    writeLine(true, LOG_START);
}

void COperationLog::close() {
    writeLine(true, LOG_END);
    for (std::u16string& path : m_paths) {
        path.clear();
    }
}

void COperationLog::writeText(const char16_t* const text, const size_t length) {
    // UTF-8 with every line feed written as CR LF.
    ZqStringMb utf8;
    zqChar2Utf8(text, static_cast<int>(length), utf8);
    std::string out;
    out.reserve(utf8.size() + 16);
    for (const char c : utf8) {
        if (c == '\n') {
            out.push_back('\r');
        }
        out.push_back(c);
    }
    const std::vector<uint8_t> bytes(out.begin(), out.end());
    CDataFileOps& ops = getDataFileOps();
    for (int drive = 0; drive < 2; ++drive) {
        if (m_paths[drive].empty() || ops.append(m_paths[drive], bytes)) {
            continue;
        }
        // A full or failing drive fails every write: once a day is enough to tell.
        if (m_failedDay[drive] != m_dateKey) {
            m_failedDay[drive] = m_dateKey;
            reportDriveFault("The operation log \"" + toUtf8(m_paths[drive]) +
                                 "\" could not be written.",
                             1 - drive);
        }
    }
}

void COperationLog::writeLine(const bool prefixed, const char16_t* const text) {
    if ((m_paths[0].empty() && m_paths[1].empty()) || text == nullptr) {
        return;
    }
    if (!prefixed) {
        writeText(text, std::char_traits<char16_t>::length(text));
        return;
    }
    const Stamp t = now();
    char16_t line[LINE_SIZE] = {};
    zqSprintf(line, LINE_SIZE, MARKER_FORMAT, m_rowId, t.year, t.month, t.day, t.hour, t.minute,
              t.second, t.milliseconds, text);
    writeText(line, std::char_traits<char16_t>::length(line));
    ++m_rowId;
}

void COperationLog::setPlayerName(const char16_t* const name) {
    size_t n = 0;
    for (; name != nullptr && n + 1 < NAME_SIZE && name[n] != 0; ++n) {
        m_name[n] = name[n];
    }
    for (; n < NAME_SIZE; ++n) {
        m_name[n] = 0;
    }
}

void COperationLog::addRecord(const int32_t type, const float a, const float b, const float c) {
    m_records.push_back({type, now(), a, b, c});
}

size_t COperationLog::formatRecord(const Record& r, const bool battle, char16_t* const line) {
    if (r.type < GAME_START || r.type > GAME_END) {
        line[0] = 0;
        return 0;
    }
    const Stamp& t = r.time;
    const char16_t* const type = TYPE_TEXTS[r.type];
    int written = 0;
    switch (r.type) {
    case SELECT_MODE:
        written = zqSprintf(line, LINE_SIZE, u"%d,%04d-%02d-%02d,%02d:%02d:%02d:%03d,%s,%s,%s\n",
                            m_rowId, t.year, t.month, t.day, t.hour, t.minute, t.second,
                            t.milliseconds, type, m_name, textOf(MODE_TEXTS, r.a));
        break;
    case SELECT_PLAYER:
        if (battle) {
            written = zqSprintf(
                line, LINE_SIZE, u"%d,%04d-%02d-%02d,%02d:%02d:%02d:%03d,%s,%s,,%s - %s\n", m_rowId,
                t.year, t.month, t.day, t.hour, t.minute, t.second, t.milliseconds, type, m_name,
                textOf(COUNTRY_TEXTS, r.a), textOf(COUNTRY_TEXTS, r.b));
        } else {
            written =
                zqSprintf(line, LINE_SIZE, u"%d,%04d-%02d-%02d,%02d:%02d:%02d:%03d,%s,%s,,%s\n",
                          m_rowId, t.year, t.month, t.day, t.hour, t.minute, t.second,
                          t.milliseconds, type, m_name, textOf(COUNTRY_TEXTS, r.a));
        }
        break;
    case SELECT_GAME:
        if (battle) {
            written = zqSprintf(line, LINE_SIZE,
                                u"%d,%04d-%02d-%02d,%02d:%02d:%02d:%03d,%s,%s,,,%s,%f - %f\n",
                                m_rowId, t.year, t.month, t.day, t.hour, t.minute, t.second,
                                t.milliseconds, type, m_name, textOf(GAME_TEXTS, r.a),
                                static_cast<double>(r.b), static_cast<double>(r.c));
        } else {
            written = zqSprintf(
                line, LINE_SIZE, u"%d,%04d-%02d-%02d,%02d:%02d:%02d:%03d,%s,%s,,,%s,%f,%d\n",
                m_rowId, t.year, t.month, t.day, t.hour, t.minute, t.second, t.milliseconds, type,
                m_name, textOf(GAME_TEXTS, r.a), static_cast<double>(r.b), toInt(r.c));
        }
        break;
    default:
        written = zqSprintf(line, LINE_SIZE, u"%d,%04d-%02d-%02d,%02d:%02d:%02d:%03d,%s,%s\n",
                            m_rowId, t.year, t.month, t.day, t.hour, t.minute, t.second,
                            t.milliseconds, type, m_name);
        break;
    }
    ++m_rowId;
    (void)written;
    return std::char_traits<char16_t>::length(line);
}

void COperationLog::flush() {
    if (dateKey(now()) != m_dateKey) {
        open(makeTodayPaths(), true);
    }
    char16_t chunk[CHUNK_SIZE] = {};
    size_t used = 0;
    size_t free = CHUNK_SIZE - 1;
    bool battle = false;
    for (const Record& record : m_records) {
        if (record.type == SELECT_MODE) {
            battle = toInt(record.a) == 1;
        }
        char16_t line[LINE_SIZE] = {};
        const size_t length = formatRecord(record, battle, line);
        if (length > free) {
            writeText(chunk, used);
            used = 0;
            free = CHUNK_SIZE - 1;
        }
        std::char_traits<char16_t>::copy(chunk + used, line, length);
        used += length;
        free -= length;
    }
    // Each write is synced: the game's rows are on the disk before the next game starts.
    writeText(chunk, used);
    clear();
}

void COperationLog::clear() {
    for (char16_t& c : m_name) {
        c = 0;
    }
    m_records.clear();
}

void COperationLog::quit() {
    close();
    m_records.clear();
    m_records.shrink_to_fit();
}
