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

// The process's command line, one UTF-16 string per argument.
std::vector<std::u16string> processArguments();

// A locale object with the "C" conventions; null on failure. Free with freeLocale.
void* createCLocale();
void freeLocale(void* locale);

} // namespace zqp
