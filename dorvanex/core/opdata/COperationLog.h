// The daily operation log: one CSV file per day on each operator drive
// ("e:/SPORTS_OPTION\log\YYYY\MM\DD.csv" and its f: twin, the same text in both). A header
// block and "Log Start" at each program start and change of day; the records of one game
// (from "Game Start" to "Game End") queued in memory and written in one block, synced, when
// the game ends; "Log End" at program exit. Rows are UTF-8 with CR LF line ends. Each write
// is appended and synced through the store's file operations (CDataFileOps); folders are made
// only on a drive that is there. A write that fails is reported once per drive and day, on
// standard error and in the error log (the other drive's first). The one object is a static
// of the game (CGameStatics). Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class COperationLog {
public:
    enum RECORD_TYPE : int32_t {
        GAME_START = 0,
        GAME_CONTINUE = 1,
        SELECT_MODE = 2,
        SELECT_PLAYER = 3,
        SELECT_GAME = 4,
        GAME_END = 5,
    };
    static constexpr size_t PATH_SIZE = 260;
    static constexpr size_t LINE_SIZE = 256;
    static constexpr size_t CHUNK_SIZE = 2560;
    // Six characters and the terminator: a name of six keeps all of them.
    static constexpr size_t NAME_SIZE = 7;

    // e: first, then f:.
    using Paths = std::pair<const char16_t*, const char16_t*>;

    // Opens the paths' files (append) at once; a null path is not written.
    COperationLog(Paths paths, bool append);
    // Writes "Log End" and closes the files.
    ~COperationLog();
    COperationLog(const COperationLog&) = delete;
    COperationLog& operator=(const COperationLog&) = delete;

    // Today's two paths (local date), in two static buffers.
    static Paths makeTodayPaths();

    void open(Paths paths, bool append);
    void close();
    // Prefixed: the marker row (row id, local date and time, text), the row id advanced once.
    // Not prefixed: the text as it is.
    void writeLine(bool prefixed, const char16_t* text);
    void setPlayerName(const char16_t* name);
    // Queues a record stamped with the local time; unused values are -1.
    void addRecord(int32_t type, float a, float b, float c);
    // Writes the queued records as rows (after opening the new day's files when the date has
    // changed), syncs the files and clears the log.
    void flush();
    void clear();
    void quit();

    int32_t getRowId() const { return m_rowId; }
    size_t getRecordCount() const { return m_records.size(); }

private:
    struct Stamp {
        int32_t year = 0;
        int32_t month = 0;
        int32_t day = 0;
        int32_t hour = 0;
        int32_t minute = 0;
        int32_t second = 0;
        int32_t milliseconds = 0;
    };
    struct Record {
        int32_t type = 0;
        Stamp time;
        float a = 0.0f;
        float b = 0.0f;
        float c = 0.0f;
    };
    static Stamp now();
    static uint32_t dateKey(const Stamp& time);
    void writeText(const char16_t* text, size_t length);
    // The row of a record into line; its length (0 for an unknown type).
    size_t formatRecord(const Record& record, bool battle, char16_t* line);

    // The open files (an empty path: not open) and the day a failed write of each was last
    // reported.
    std::u16string m_paths[2];
    uint32_t m_failedDay[2] = {};
    uint32_t m_dateKey = 0;
    int32_t m_rowId = 1;
    char16_t m_name[NAME_SIZE] = {};
    std::vector<Record> m_records;
};

// The operation log of the living set of static objects (CGameStatics, which defines this);
// null outside it (tests that run parts of the game without main).
COperationLog* getOperationLog();
