// Log files for the framework: a text file written from the start, held with an exclusive
// advisory lock (flock) while it is open so that a second writer that asks for the lock is
// refused; readers are never kept out. Text arrives as UTF-16 and is stored as UTF-8 with
// CR LF line ends. Also the local wall-clock time the logs stamp their names and lines with.
// Paths are the framework's (see zq/platform/fs). Not for data files; not locked against
// threads (the caller serialises writes).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace zqp {

struct LocalTime {
    uint16_t year = 0;
    uint16_t month = 0; // 1..12
    uint16_t day = 0;   // 1..31
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

// The local date and time now.
LocalTime localTime();
// Replaces the clock behind localTime (tests fix the time); null restores the real one.
using LocalTimeSource = LocalTime (*)();
void setLocalTimeSource(LocalTimeSource source);

class LogFile {
public:
    // Creates the file, or empties an existing one, for writing. Null when it cannot be opened
    // or another writer holds its lock (the file is then left as it was).
    static std::unique_ptr<LogFile> create(const char16_t* path);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Appends the text as UTF-8, each LF written as CR LF, and pushes it to the file at once.
    // False when writing failed.
    bool write(std::u16string_view text);
    // Closes the file and drops the lock; false when the last data could not be written.
    bool close();

private:
    explicit LogFile(int fd);
    int m_fd = -1;
};

} // namespace zqp
