// ZquLog: a log file of formatted text lines, optionally stamped with the local time, that any
// thread may write to. Logs come from a pool of four started and stopped with the framework;
// each owns its file and a lock of its own, so one call's text never mixes with another's,
// and every call reaches the file at once. Files are UTF-8 with CR LF line ends; while a log
// is open its file is held with an advisory lock against other writers.
// Not for data files. Depends on ZqFixList, ZqCriticalSection, the wide formatter and the
// platform's log files.
#pragma once

#include "zq/memory/ZqFixList.h"

#include <cstdarg>
#include <memory>

class ZqCriticalSection;
namespace zqp {
class LogFile;
}

class ZquLog : public ZqFixList<ZquLog> {
public:
    static constexpr unsigned int NR_POOL = 4;

    // How create names the file: unchanged, or with the local date and time
    // (yyyymmdd_hhmmss) put in front of its extension.
    enum MODE : int {
        MODE_NORMAL = 0,
        MODE_DATE_TIME = 1,
    };

    // Builds the pool of NR_POOL logs; throws the unsigned code 80 when its lock cannot be made.
    static void sysInit();
    static void sysMain();
    // Closes every log still in use (its file complete) and frees the pool.
    static void sysQuit();

    // A log writing to a newly created (or emptied) file. Null for a name of 259 characters or
    // more (also after the stamp is added), another mode, no free log, a pool not started, or
    // a file that cannot be created or that another writer holds.
    static ZquLog* create(const char16_t* fileName, int mode);
    // Closes the file and returns the log to the pool; 0. The log must not be used afterwards.
    unsigned int release();

    // Writes the text formatted with the framework's wide-format rules; no line end is added.
    // Returns the number of characters formatted, or a negative value on failure.
    int printf(const char16_t* format, ...);
    // The same behind the time stamp and one blank; the count includes both.
    int timePrintf(const char16_t* format, ...);

    // The local time as "MM-DD hh:mm:ss.mmm" into the buffer (size in characters, or in bytes
    // for the narrow form); its length, or -1 when it does not fit.
    static int getTimeString(char16_t* buf, unsigned int size);
    static int getTimeString(char* buf, unsigned int size);

private:
    friend class ZqFixList<ZquLog>;
    ZquLog();
    ~ZquLog() override;

    // Formats and writes under the log's lock, behind prefix.
    int writeBody(const char16_t* prefix, const char16_t* format, va_list args);

    std::unique_ptr<zqp::LogFile> m_pStream;
    std::unique_ptr<ZqCriticalSection> m_pCs;
};
