// A fake clock for tests: replaces the framework's counter with a millisecond value that the
// test sets, and that can advance by a step on every reading (so a loop that waits for time
// to pass ends without the test sleeping).
#pragma once

#include <cstdint>

namespace zqtest {

class FakeClock {
public:
    // Installs the fake clock at `startMs`; the destructor restores the real one.
    explicit FakeClock(uint64_t startMs = 1000, uint64_t stepPerReadMs = 0);
    ~FakeClock();
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    static void set(uint64_t ms);
    static void advance(uint64_t ms);
    static void setStep(uint64_t stepPerReadMs);
    static uint64_t now();
};

} // namespace zqtest
