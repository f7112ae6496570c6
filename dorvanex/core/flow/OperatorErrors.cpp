#include "dorvanex/core/flow/OperatorErrors.h"

namespace {

constexpr int32_t NR_ROWS = 31;

int32_t gRow = -1;
uint16_t gSubCode = 0;

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
    if (priorityOf(row) >= priorityOf(gRow)) {
        gRow = row;
        gSubCode = subCode;
    }
}

int32_t getOperatorErrorRow(uint16_t* const subCode) {
    if (subCode != nullptr) {
        *subCode = gSubCode;
    }
    return gRow;
}

int32_t hasOperatorError() {
    return gRow >= 0 ? -1 : 0;
}

void clearOperatorError() {
    gRow = -1;
    gSubCode = 0;
}
