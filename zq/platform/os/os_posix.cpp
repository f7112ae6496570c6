#include "zq/platform/os/os.h"

#include "zq/platform/os/utf.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <locale.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <time.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace zqp {

namespace {

int64_t realCounter() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

std::atomic<PerfCounterSource> g_source{&realCounter};
std::atomic<int64_t> g_frequency{1000000};

} // namespace

int64_t perfCounter() {
    return g_source.load(std::memory_order_acquire)();
}

int64_t perfFrequency() {
    return g_frequency.load(std::memory_order_acquire);
}

void setPerfCounterSource(const PerfCounterSource source, const int64_t frequency) {
    if (source == nullptr || frequency <= 0) {
        g_frequency.store(1000000, std::memory_order_release);
        g_source.store(&realCounter, std::memory_order_release);
    } else {
        g_frequency.store(frequency, std::memory_order_release);
        g_source.store(source, std::memory_order_release);
    }
}

void sleepUntil(const int64_t deadline, const uint32_t maxMs) {
    // The kernel wakes a sleeper up to about 50 us late (the default timer slack): the last
    // stretch before the deadline is yielded away instead.
    constexpr int64_t YIELD_MARGIN_US = 200;
    if (g_source.load(std::memory_order_acquire) != &realCounter) {
        sched_yield();
        return;
    }
    const int64_t left = deadline - realCounter();
    if (left <= 0) {
        return;
    }
    if (left <= YIELD_MARGIN_US) {
        sched_yield();
        return;
    }
    const int64_t us = std::min<int64_t>(left - YIELD_MARGIN_US, int64_t{maxMs} * 1000);
    const timespec ts{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
    // An interrupted sleep ends early; the caller's loop reads its clock and waits again.
    nanosleep(&ts, nullptr);
}

void sleepMs(const long ms) {
    if (ms <= 0) {
        sched_yield();
        return;
    }
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

int32_t currentThreadId() {
    return static_cast<int32_t>(syscall(SYS_gettid));
}

namespace {

// Nice value of the process's priority class; thread levels are offsets from it.
std::atomic<int> g_classNice{0};

int clampNice(const int nice) {
    return std::clamp(nice, -20, 19);
}

} // namespace

bool setThreadPriority(const int32_t tid, const int level) {
    // Linux threads carry their own nice value; map the level range onto it.
    int nice = 0;
    if (level <= -15) {
        nice = 19;
    } else if (level >= 15) {
        nice = -20;
    } else {
        nice = clampNice(g_classNice.load() - 5 * level);
    }
    const int target = tid == 0 ? currentThreadId() : tid;
    return setpriority(PRIO_PROCESS, static_cast<id_t>(target), nice) == 0;
}

bool setProcessPriorityClass(const uint32_t priorityClass) {
    int nice = 0;
    switch (priorityClass) {
    case PRIORITY_CLASS_IDLE:
        nice = 19;
        break;
    case PRIORITY_CLASS_BELOW_NORMAL:
        nice = 10;
        break;
    case PRIORITY_CLASS_NORMAL:
        nice = 0;
        break;
    case PRIORITY_CLASS_ABOVE_NORMAL:
        nice = -5;
        break;
    case PRIORITY_CLASS_HIGH:
        nice = -10;
        break;
    case PRIORITY_CLASS_REALTIME:
        nice = -20;
        break;
    default:
        return false;
    }
    // Every thread moves by the same amount, so that their levels stay apart as they were.
    const int shift = nice - g_classNice.load();
    bool ok = true;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", error)) {
        const id_t tid =
            static_cast<id_t>(std::strtol(entry.path().filename().c_str(), nullptr, 10));
        errno = 0;
        const int current = getpriority(PRIO_PROCESS, tid);
        if (errno != 0) {
            continue; // the thread has ended meanwhile
        }
        if (setpriority(PRIO_PROCESS, tid, clampNice(current + shift)) != 0 && errno != ESRCH) {
            ok = false;
        }
    }
    if (error || !ok) {
        return false;
    }
    g_classNice.store(nice);
    return true;
}

bool setThreadAffinity(const int32_t tid, const uint32_t mask) {
    if (mask == 0) {
        return false;
    }
    cpu_set_t set;
    CPU_ZERO(&set);
    for (unsigned i = 0; i < 32; ++i) {
        if ((mask >> i) & 1u) {
            CPU_SET(i, &set);
        }
    }
    return sched_setaffinity(tid, sizeof set, &set) == 0;
}

bool cpuHasSse() {
#if defined(__x86_64__) || defined(__i386__)
    return __builtin_cpu_supports("sse");
#else
    return true;
#endif
}

uint32_t processorCount() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<uint32_t>(n) : 1u;
}

uint32_t processAffinityMask() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0) {
        return 0;
    }
    uint32_t mask = 0;
    for (unsigned i = 0; i < 32; ++i) {
        if (CPU_ISSET(i, &set)) {
            mask |= 1u << i;
        }
    }
    return mask;
}

std::string processorBrand() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid(0x80000000u, a, b, c, d);
    if (a < 0x80000004u) {
        return {};
    }
    char brand[49] = {};
    for (unsigned i = 0; i < 3; ++i) {
        __cpuid(0x80000002u + i, a, b, c, d);
        const unsigned regs[4] = {a, b, c, d};
        std::memcpy(brand + 16 * i, regs, 16);
    }
    return std::string(brand);
#else
    return {};
#endif
}

std::vector<std::u16string> processArguments() {
    std::vector<std::u16string> args;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos) {
            end = all.size();
        }
        args.push_back(utf8ToUtf16(std::string_view(all).substr(start, end - start)));
        start = end + 1;
    }
    return args;
}

void* createCLocale() {
    return newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
}

void freeLocale(void* const locale) {
    if (locale != nullptr) {
        freelocale(static_cast<locale_t>(locale));
    }
}

} // namespace zqp
