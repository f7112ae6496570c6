// Operator errors: stand-in until the operator error manager lands. It keeps one pending row
// (index 0..30) with its sub-code: a posted row replaces the pending one when its priority is
// at least the pending one's. Every row has the same priority here, so the latest post wins;
// the real table's priorities come with the manager. Nothing is drawn or logged by it; the
// stand-in self-check chapter shows the pending row.
// Stand-in: keeps the latest pending row, draws and logs nothing; replaced by #61.
#pragma once

#include <cstdint>

void initErrorManager();
void quitErrorManager();
void postOperatorError(int32_t row, uint16_t subCode);
// The pending row, -1 when none; the sub-code through subCode when given.
int32_t getOperatorErrorRow(uint16_t* subCode = nullptr);
// -1 when an error is pending, else 0.
int32_t hasOperatorError();
void clearOperatorError();
