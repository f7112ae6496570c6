// Test hook of the file worker: the failure it never shows on its own (an exception that ends
// the worker, as running out of memory in an archive load does). For tests only; the game
// never calls it.
#pragma once

#include <cstdint>

namespace zqfile::test {

// After `after` more requests, the worker throws `code` instead of serving the next one,
// which ends it. A code of 0 removes the hook.
void throwFromWorker(uint32_t code, uint32_t after = 0);

// The last quit's view of the queue: how many requests were queued when it began, and how
// many the worker took from the queue after that (never more, since none are accepted).
struct QuitCounts {
    uint32_t queuedAtQuit = 0;
    uint32_t takenAfterQuit = 0;
};
QuitCounts lastQuitCounts();

} // namespace zqfile::test
