#include "tests/support/FakeClock.h"

#include "zq/platform/os/os.h"

#include <atomic>

namespace zqtest {

namespace {

std::atomic<uint64_t> g_ms{0};
std::atomic<uint64_t> g_step{0};

// Counter in milliseconds (frequency 1000): each reading advances by the step.
int64_t read() {
    return static_cast<int64_t>(g_ms.fetch_add(g_step.load()));
}

} // namespace

FakeClock::FakeClock(const uint64_t startMs, const uint64_t stepPerReadMs) {
    g_ms = startMs;
    g_step = stepPerReadMs;
    zqp::setPerfCounterSource(&read, 1000);
}

FakeClock::~FakeClock() {
    zqp::setPerfCounterSource(nullptr, 0);
}

void FakeClock::set(const uint64_t ms) {
    g_ms = ms;
}

void FakeClock::advance(const uint64_t ms) {
    g_ms += ms;
}

void FakeClock::setStep(const uint64_t stepPerReadMs) {
    g_step = stepPerReadMs;
}

uint64_t FakeClock::now() {
    return g_ms.load();
}

} // namespace zqtest
