// The calling thread's last-error value: a 32-bit code that a failing call leaves behind for
// its caller to read (the archive reader's 0x200004xx codes, for instance). Each thread has
// its own, 0 until something sets it. Depends on nothing.
#pragma once

#include <cstdint>

namespace zqp {

uint32_t getLastError();
void setLastError(uint32_t code);

} // namespace zqp
