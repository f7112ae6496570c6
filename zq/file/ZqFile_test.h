// Test hook of the file worker: the failure it never shows on its own (an exception that ends
// the worker, as running out of memory in an archive load does). For tests only; the game
// never calls it.
#pragma once

#include <cstdint>

namespace zqfile::test {

// After `after` more requests, the worker throws `code` instead of serving the next one,
// which ends it. A code of 0 removes the hook.
void throwFromWorker(uint32_t code, uint32_t after = 0);

} // namespace zqfile::test
