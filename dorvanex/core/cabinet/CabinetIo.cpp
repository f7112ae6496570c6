#include "dorvanex/core/cabinet/CabinetIo.h"

#include "zq/io/ZqLedController.h"
#include "zq/io/ZqMarlox4.h"

#include <cstring>

namespace cabinet {

namespace {

std::vector<Transfer> gTransfers;
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

} // namespace

void boardInit() {
    ZqMarlox4::init();
    ZqMarlox4::setCoinCounterEnable(true, true);
    gBoardOpen = true;
}

bool boardSetOutputStart(const uint8_t output) {
    gTransfers.push_back({Transfer::BOARD_OUTPUT, 0, output, {}});
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
    gTransfers.push_back({Transfer::LED_MODE, node, mode, {}});
    if (gLedReal) {
        return ZqLedController::setOutputStart(node, mode) != ZqLedController::RESULT_REFUSED;
    }
    gLedSending = true;
    return true;
}

bool ledSetOutputStart(const uint32_t node, const uint8_t values[24]) {
    Transfer t{Transfer::LED_VALUES, node, 0, {}};
    std::memcpy(t.values, values, sizeof t.values);
    gTransfers.push_back(t);
    if (gLedReal) {
        return ZqLedController::setOutputStart(node, values) != ZqLedController::RESULT_REFUSED;
    }
    gLedSending = true;
    return true;
}

const std::vector<Transfer>& getTransfers() {
    return gTransfers;
}

void clearTransfers() {
    gTransfers.clear();
    gLedSending = false;
    gBoardSending = false;
}

} // namespace cabinet
