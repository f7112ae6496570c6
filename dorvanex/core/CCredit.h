// Credits: stand-in until coins and credits land. No coin is counted, so a play never has
// enough credit (state 0); the credit task and its display do nothing.
#pragma once

#include "zq/task/ZqTask.h"

#include <cstdint>

class CCredit {
public:
    enum CREDIT_STATE : int32_t { CREDIT_NONE = 0, CREDIT_PART = 1, CREDIT_ENOUGH = 2 };
    enum MODE : int32_t { MODE_SINGLE = 0, MODE_BATTLE = 1 };
    static int32_t getCreditState(int32_t) { return CREDIT_NONE; }
};

class CTaskCredit : public ZqTask {};
