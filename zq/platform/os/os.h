// Operating-system services for the framework: the monotonic clock, sleeping, thread
// priority and affinity, processor facts, the process's arguments and the "C" locale.
// The only place that reaches the kernel for these; everything above uses this contract.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zqp {

// High-resolution monotonic counter and its ticks per second.
int64_t perfCounter();
int64_t perfFrequency();
// Replaces the counter (tests drive time with a fake clock); null restores the real one.
using PerfCounterSource = int64_t (*)();
void setPerfCounterSource(PerfCounterSource source, int64_t frequency);

// Suspends the calling thread; 0 yields the rest of the time slice.
void sleepMs(long ms);
// Gives up the processor until shortly before perfCounter reaches deadline: sleeps while more
// than a short margin is left, yields within it, returns at once after it. Callers loop on
// their own reading, so the wait ends as precisely as a yielding loop, without spinning. Never
// longer than maxMs. With a replaced counter (a test's clock moves on readings) it only
// yields, and reads no counter.
void sleepUntil(int64_t deadline, uint32_t maxMs = 1000);

// The kernel's id of the calling thread (never 0).
int32_t currentThreadId();
// Priority level (-15 idle .. 15 time critical) of a thread; tid 0 is the calling thread.
bool setThreadPriority(int32_t tid, int level);
// Processors a thread may run on; tid 0 is the calling thread. False for an empty mask.
bool setThreadAffinity(int32_t tid, uint32_t mask);

bool cpuHasSse();
uint32_t processorCount();
// The process's processor mask (low 32 processors); 0 when it cannot be read.
uint32_t processAffinityMask();
// The processor's brand string (up to 48 bytes of UTF-8); empty when it has none.
std::string processorBrand();

// The first result word of processor identification function 1 (stepping, model, family and
// type fields); 0 when the processor does not report it.
uint32_t processorSignature();

// Priority classes of the process, with the values the framework's interface uses. A class
// shifts every thread of the process alike; thread levels (setThreadPriority) stay relative to
// it. Raising the priority may need privileges; false when refused or for another value.
constexpr uint32_t PRIORITY_CLASS_IDLE = 0x40;
constexpr uint32_t PRIORITY_CLASS_BELOW_NORMAL = 0x4000;
constexpr uint32_t PRIORITY_CLASS_NORMAL = 0x20;
constexpr uint32_t PRIORITY_CLASS_ABOVE_NORMAL = 0x8000;
constexpr uint32_t PRIORITY_CLASS_HIGH = 0x80;
constexpr uint32_t PRIORITY_CLASS_REALTIME = 0x100;
bool setProcessPriorityClass(uint32_t priorityClass);

// The program's executable file (not a library's); empty when it cannot be read.
std::u16string executablePath();
// An opaque handle of the program's executable module.
void* executableModule();

// Physical memory: the share in use (percent), total and available bytes. False when the
// figures cannot be read.
bool memoryStatus(uint32_t& loadPercent, uint64_t& totalBytes, uint64_t& availableBytes);
// Memory the process holds privately (anonymous memory, resident or swapped out), in bytes.
bool processPrivateBytes(uint64_t& bytes);

// Times of the platform's interfaces: a file time counts 100-ns units since 1601-01-01 UTC;
// a calendar time is a UTC date and time of day (the day of the week is not read).
struct FileTime {
    uint32_t low = 0;
    uint32_t high = 0;
};
struct SystemTime {
    uint16_t year = 0;
    uint16_t month = 0; // 1..12
    uint16_t dayOfWeek = 0;
    uint16_t day = 0; // 1..31
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};
// False for a field out of range (year 1601..30827, a day the month does not have ...).
bool systemTimeToFileTime(const SystemTime& time, FileTime& out);

// The process's command line, one UTF-16 string per argument.
std::vector<std::u16string> processArguments();

// A locale object with the "C" conventions; null on failure. Free with freeLocale.
void* createCLocale();
void freeLocale(void* locale);

} // namespace zqp
