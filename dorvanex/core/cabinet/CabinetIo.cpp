#include "dorvanex/core/cabinet/CabinetIo.h"

#include "zq/io/ZqLedController.h"
#include "zq/io/ZqMarlox4.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace cabinet {

namespace {

// The record: a ring over a fixed array, next the slot the next call goes into.
std::array<Transfer, TRANSFER_RECORD_SIZE> gTransfers{};
size_t gTransferNext = 0;
size_t gTransferCount = 0;
uint32_t gLedState = STATE_NONE;
uint32_t gLedNodes = 0;
bool gLedSending = false;
bool gBoardSending = false;
bool gBoardOpen = false;
// The LED controller runs on the board once the board is open.
bool gLedReal = false;

// A transfer in flight reads as sending once, then as done.
uint32_t consume(bool& sending, const uint32_t idle) {
    if (sending) {
        sending = false;
        return STATE_SENDING;
    }
    return idle;
}

void record(const Transfer& t) {
    gTransfers[gTransferNext] = t;
    gTransferNext = (gTransferNext + 1) % TRANSFER_RECORD_SIZE;
    gTransferCount = std::min(gTransferCount + 1, TRANSFER_RECORD_SIZE);
}

} // namespace

void boardInit() {
    ZqMarlox4::init();
    ZqMarlox4::setCoinCounterEnable(true, true);
    gBoardOpen = true;
}

bool boardSetOutputStart(const uint8_t output) {
    record({Transfer::BOARD_OUTPUT, 0, output, {}});
    if (ZqMarlox4::m_pThread != nullptr) {
        return ZqMarlox4::setOutputStart(output) != 0;
    }
    gBoardSending = true;
    return true;
}

uint32_t boardGetState() {
    if (ZqMarlox4::m_pThread != nullptr) {
        return ZqMarlox4::getState();
    }
    return consume(gBoardSending, gBoardOpen ? STATE_RUNNING : STATE_NONE);
}

uint32_t boardGetCoinStock(const uint32_t slot) {
    return ZqMarlox4::getCoinStock(slot);
}

void ledInit(const uint32_t nrNodes, const uint32_t baud, const uint32_t parity) {
    gLedReal = ZqMarlox4::m_pThread != nullptr;
    if (gLedReal) {
        ZqLedController::init(nrNodes, baud, parity);
        return;
    }
    gLedNodes = nrNodes;
    gLedState = STATE_RUNNING;
}

void ledQuit() {
    if (gLedReal) {
        ZqLedController::quit();
        gLedReal = false;
    }
    gLedState = STATE_NONE;
    gLedNodes = 0;
}

uint32_t ledGetState() {
    if (gLedReal) {
        return ZqLedController::getState();
    }
    return consume(gLedSending, gLedState);
}

uint32_t ledGetNrNodes() {
    return gLedReal ? ZqLedController::getNrNodes() : gLedNodes;
}

bool ledSetOutputStart(const uint32_t node, const uint32_t mode) {
    record({Transfer::LED_MODE, node, mode, {}});
    if (gLedReal) {
        return ZqLedController::setOutputStart(node, mode) != ZqLedController::RESULT_REFUSED;
    }
    gLedSending = true;
    return true;
}

bool ledSetOutputStart(const uint32_t node, const uint8_t values[24]) {
    Transfer t{Transfer::LED_VALUES, node, 0, {}};
    std::memcpy(t.values, values, sizeof t.values);
    record(t);
    if (gLedReal) {
        return ZqLedController::setOutputStart(node, values) != ZqLedController::RESULT_REFUSED;
    }
    gLedSending = true;
    return true;
}

std::vector<Transfer> getTransfers() {
    std::vector<Transfer> out;
    out.reserve(gTransferCount);
    const size_t first =
        (gTransferNext + TRANSFER_RECORD_SIZE - gTransferCount) % TRANSFER_RECORD_SIZE;
    for (size_t i = 0; i < gTransferCount; ++i) {
        out.push_back(gTransfers[(first + i) % TRANSFER_RECORD_SIZE]);
    }
    return out;
}

void clearTransfers() {
    gTransferNext = 0;
    gTransferCount = 0;
    gLedSending = false;
    gBoardSending = false;
}

} // namespace cabinet
