#include "dorvanex/core/flow/OperatorErrors.h"

namespace {

constexpr int32_t NR_ROWS = 31;

int32_t g_row = -1;
uint16_t g_subCode = 0;

int32_t priorityOf(const int32_t row) {
    return row < 0 ? 0 : 1;
}

} // namespace

void initErrorManager() {
    clearOperatorError();
}

void quitErrorManager() {}

void postOperatorError(const int32_t row, const uint16_t subCode) {
    if (row < 0 || row >= NR_ROWS) {
        return;
    }
    if (priorityOf(row) >= priorityOf(g_row)) {
        g_row = row;
        g_subCode = subCode;
    }
}

int32_t getOperatorErrorRow(uint16_t* const subCode) {
    if (subCode != nullptr) {
        *subCode = g_subCode;
    }
    return g_row;
}

int32_t hasOperatorError() {
    return g_row >= 0 ? -1 : 0;
}

void clearOperatorError() {
    g_row = -1;
    g_subCode = 0;
}
