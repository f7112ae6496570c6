// Machine and process facts: processor signature, executable, memory figures, time
// conversion.

#include "zq/platform/os/os.h"
#include "zq/platform/os/utf.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace zqp {

namespace {

// Reads "Name: value kB" fields of a /proc status file, in bytes; false when a name is
// missing.
bool readKbFields(const char* const path, const char* const* const names, uint64_t* const values,
                  const size_t count) {
    FILE* const f = std::fopen(path, "re");
    if (f == nullptr) {
        return false;
    }
    size_t found = 0;
    uint64_t seen = 0;
    char line[256];
    while (found < count && std::fgets(line, sizeof line, f) != nullptr) {
        for (size_t i = 0; i < count; ++i) {
            const size_t n = std::strlen(names[i]);
            if ((seen & (1u << i)) == 0 && std::strncmp(line, names[i], n) == 0 && line[n] == ':') {
                unsigned long long kb = 0;
                if (std::sscanf(line + n + 1, "%llu", &kb) == 1) {
                    values[i] = static_cast<uint64_t>(kb) * 1024u;
                    seen |= 1u << i;
                    ++found;
                }
                break;
            }
        }
    }
    std::fclose(f);
    return found == count;
}

} // namespace

uint32_t processorSignature() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0) {
        return 0;
    }
    return a;
#else
    return 0;
#endif
}

std::u16string executablePath() {
    char path[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
    if (n <= 0) {
        return {};
    }
    return utf8ToUtf16(std::string_view(path, static_cast<size_t>(n)));
}

void* executableModule() {
    // The main program's handle; it is never unloaded, so the reference is not given back.
    return dlopen(nullptr, RTLD_LAZY);
}

bool memoryStatus(uint32_t& loadPercent, uint64_t& totalBytes, uint64_t& availableBytes) {
    static const char* const names[] = {"MemTotal", "MemAvailable"};
    uint64_t values[2] = {};
    if (!readKbFields("/proc/meminfo", names, values, 2) || values[0] == 0) {
        return false;
    }
    const uint64_t available = values[1] < values[0] ? values[1] : values[0];
    totalBytes = values[0];
    availableBytes = available;
    loadPercent = static_cast<uint32_t>((values[0] - available) * 100u / values[0]);
    return true;
}

bool processPrivateBytes(uint64_t& bytes) {
    static const char* const names[] = {"RssAnon", "VmSwap"};
    uint64_t values[2] = {};
    if (!readKbFields("/proc/self/status", names, values, 2)) {
        return false;
    }
    bytes = values[0] + values[1];
    return true;
}

bool systemTimeToFileTime(const SystemTime& t, FileTime& out) {
    if (t.year < 1601 || t.year > 30827 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.hour > 23 || t.minute > 59 || t.second > 59 || t.milliseconds > 999) {
        return false;
    }
    const int64_t y = t.year;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    static constexpr uint8_t monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.day > monthDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0)) {
        return false;
    }
    // Days since 1601-01-01 (proleptic Gregorian), by the civil-from-days arithmetic over
    // 400-year eras with March as the first month.
    const int64_t ym = t.month <= 2 ? y - 1 : y;
    const int64_t era = ym / 400;
    const int64_t yoe = ym - era * 400;
    const int64_t mp = (t.month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + t.day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t daysSince0000 = era * 146097 + doe;
    constexpr int64_t DAYS_TO_1601 = 584694; // the same count for 1601-01-01
    const int64_t days = daysSince0000 - DAYS_TO_1601;
    const int64_t seconds = days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    const uint64_t ticks = static_cast<uint64_t>(seconds * 1000 + t.milliseconds) * 10000u;
    out.low = static_cast<uint32_t>(ticks);
    out.high = static_cast<uint32_t>(ticks >> 32);
    return true;
}

} // namespace zqp
