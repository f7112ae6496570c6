// ZquPathList: checks every file a path list names against the size and CRC-32C the list
// records, on a thread of its own, while the caller polls the progress and at the end reads
// which files failed. One check at a time, driven by the static members from one controlling
// thread. A list that cannot be read, a bad line, a file that cannot be read and a failed
// allocation are all failures; a check that ends without one, complete or stopped early,
// ends in STATE_OK.
// Not for archives. Depends on ZqThread, ZqCriticalSection, ZqFile::Io and zqCalcCrc32.
#pragma once

#include "zq/system/ZqString.h"
#include "zq/thread/ZqThread.h"

#include <cstdint>
#include <memory>

class ZqCriticalSection;

class ZquPathList : public ZqThread {
public:
    enum STATE : int {
        STATE_NONE = 0,     // no checker exists
        STATE_ERROR = 1,    // finished with failures, or the check failed as a whole
        STATE_CHECKING = 2, // the thread is checking
        STATE_OK = 3,       // finished or stopped without failures
    };
    static constexpr unsigned int MAX_ERRORS = 100;
    // Characters kept of a failure's name, terminator included.
    static constexpr unsigned int NAME_SIZE = 256;
    // Characters read per list line, terminator included; a longer line reads as several.
    static constexpr unsigned int LINE_SIZE = 256;
    // Files are read in pieces of this many bytes; a stop takes effect after each.
    static constexpr uint32_t BUFFER_SIZE = 0x100000;

    // Starts checking the list (entries whose first field begins with prefix); false when a
    // checker exists already or an argument is null. Both strings are copied.
    static bool startCheck(const char16_t* listPath, const char16_t* prefix);
    // Stops the thread and waits for it; the checker and its results stay.
    static void stopCheck();
    // Stops the thread, waits and destroys the checker; the state reads STATE_NONE again.
    static void quitCheck();
    // The state and, for each output given, the progress: entries done and in all, their
    // listed bytes done and in all. STATE_NONE, outputs untouched, without a checker.
    static STATE getState(uint32_t* filesDone = nullptr, uint32_t* totalFiles = nullptr,
                          uint64_t* bytesDone = nullptr, uint64_t* totalBytes = nullptr);
    // Failures recorded (at most MAX_ERRORS), in the order found.
    static unsigned int getNrErrorFiles();
    // The entry number (counting entries checked, from 0) of failure i; 0 when out of range.
    static unsigned int getErrorFileNr(unsigned int i);
    // The reported name of failure i, valid until quitCheck; null when out of range.
    static const char16_t* getErrorFileName(unsigned int i);

    ~ZquPathList() override;

private:
    struct ErrorFile {
        uint32_t number = 0;
        char16_t name[NAME_SIZE] = {};
    };

    ZquPathList(const char16_t* listPath, const char16_t* prefix);
    void run() override;
    // Asks the thread to stop.
    void quit();
    // The check itself; returns the final state.
    STATE check();
    bool stopRequested();
    void addError(uint32_t number, const ZqString& name);

    static std::unique_ptr<ZquPathList> m_pPathList;

    std::unique_ptr<ZqCriticalSection> m_pCs;
    uint32_t m_filesDone = 0;
    uint32_t m_totalFiles = 0;
    uint32_t m_nrErrors = 0;
    ErrorFile m_errors[MAX_ERRORS];
    uint64_t m_bytesDone = 0;
    uint64_t m_totalBytes = 0;
    const ZqString m_listPath;
    const ZqString m_prefix;
    STATE m_state = STATE_CHECKING;
};
