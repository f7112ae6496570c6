// Test hooks of the file worker: the failures it never shows on its own (an exception that
// ends the worker, as running out of memory in an archive load does; a request that never
// finishes). For tests only; the game
// never calls it.
#pragma once

#include <cstdint>
#include <string>

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

// While held, the worker waits before serving each request (a file that never finishes
// opening or reading); releasing lets it go on. A quit releases it.
void holdWorker(bool hold);

// Waits in real time, up to maxMs, until no request is queued or being served (the
// framework's fixed-step frames call it before each frame). False when time ran out, with
// the name of the request being served, else of the next one queued, in pending.
bool waitForRequests(uint32_t maxMs, std::u16string& pending);

} // namespace zqfile::test
