// Credits: stand-in until coins and credits land. No coin is counted, so a play never has
// enough credit (state 0); the credit task and its display do nothing.
#pragma once

#include "zq/task/ZqTask.h"

#include <array>
#include <cstdint>

class CCredit {
public:
    enum CREDIT_STATE : int32_t { CREDIT_NONE = 0, CREDIT_PART = 1, CREDIT_ENOUGH = 2 };
    enum MODE : int32_t { MODE_SINGLE = 0, MODE_BATTLE = 1 };
    static int32_t getCreditState(int32_t) { return CREDIT_NONE; }
    // The coin unit's six settings (row, play price, continue price, settings 7 and 9, free
    // play), kept for when coins count.
    static void setCoinSettings(const uint8_t row, const uint8_t playPrice,
                                const uint8_t continuePrice, const uint8_t setting7,
                                const uint8_t setting9, const uint8_t freePlay) {
        coinSettings() = {row, playPrice, continuePrice, setting7, setting9, freePlay};
    }
    static std::array<uint8_t, 6>& coinSettings() {
        static std::array<uint8_t, 6> settings = {1, 1, 1, 4, 0, 0};
        return settings;
    }
};

class CTaskCredit : public ZqTask {};
