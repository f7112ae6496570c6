#include "zq/platform/os/lasterror.h"

namespace zqp {

namespace {

thread_local uint32_t t_lastError = 0;

} // namespace

uint32_t getLastError() {
    return t_lastError;
}

void setLastError(const uint32_t code) {
    t_lastError = code;
}

} // namespace zqp
