#include "dorvanex/core/cabinet/CabinetIo.h"

#include "zq/io/ZqLedController.h"
#include "zq/io/ZqMarlox4.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace cabinet {

namespace {

// The record: a ring over a fixed array, next the slot the next call goes into.
std::array<Transfer, TRANSFER_RECORD_SIZE> g_transfers{};
size_t g_transferNext = 0;
size_t g_transferCount = 0;
uint32_t g_ledState = STATE_NONE;
uint32_t g_ledNodes = 0;
bool g_ledSending = false;
bool g_boardSending = false;
bool g_boardOpen = false;
// The LED controller runs on the board once the board is open.
bool g_ledReal = false;

// A transfer in flight reads as sending once, then as done.
uint32_t consume(bool& sending, const uint32_t idle) {
    if (sending) {
        sending = false;
        return STATE_SENDING;
    }
    return idle;
}

void record(const Transfer& t) {
    g_transfers[g_transferNext] = t;
    g_transferNext = (g_transferNext + 1) % TRANSFER_RECORD_SIZE;
    g_transferCount = std::min(g_transferCount + 1, TRANSFER_RECORD_SIZE);
}

} // namespace

void boardInit() {
    ZqMarlox4::init();
    ZqMarlox4::setCoinCounterEnable(true, true);
    g_boardOpen = true;
}

bool boardSetOutputStart(const uint8_t output) {
    record({Transfer::BOARD_OUTPUT, 0, output, {}});
    if (ZqMarlox4::m_pThread != nullptr) {
        return ZqMarlox4::setOutputStart(output) != 0;
    }
    g_boardSending = true;
    return true;
}

uint32_t boardGetState() {
    if (ZqMarlox4::m_pThread != nullptr) {
        return ZqMarlox4::getState();
    }
    return consume(g_boardSending, g_boardOpen ? STATE_RUNNING : STATE_NONE);
}

uint32_t boardGetCoinStock(const uint32_t slot) {
    return ZqMarlox4::getCoinStock(slot);
}

void ledInit(const uint32_t nrNodes, const uint32_t baud, const uint32_t parity) {
    g_ledReal = ZqMarlox4::m_pThread != nullptr;
    if (g_ledReal) {
        ZqLedController::init(nrNodes, baud, parity);
        return;
    }
    g_ledNodes = nrNodes;
    g_ledState = STATE_RUNNING;
}

void ledQuit() {
    if (g_ledReal) {
        ZqLedController::quit();
        g_ledReal = false;
    }
    g_ledState = STATE_NONE;
    g_ledNodes = 0;
}

uint32_t ledGetState() {
    if (g_ledReal) {
        return ZqLedController::getState();
    }
    return consume(g_ledSending, g_ledState);
}

uint32_t ledGetNrNodes() {
    return g_ledReal ? ZqLedController::getNrNodes() : g_ledNodes;
}

bool ledSetOutputStart(const uint32_t node, const uint32_t mode) {
    record({Transfer::LED_MODE, node, mode, {}});
    if (g_ledReal) {
        return ZqLedController::setOutputStart(node, mode) != ZqLedController::RESULT_REFUSED;
    }
    g_ledSending = true;
    return true;
}

bool ledSetOutputStart(const uint32_t node, const uint8_t values[24]) {
    Transfer t{Transfer::LED_VALUES, node, 0, {}};
    std::memcpy(t.values, values, sizeof t.values);
    record(t);
    if (g_ledReal) {
        return ZqLedController::setOutputStart(node, values) != ZqLedController::RESULT_REFUSED;
    }
    g_ledSending = true;
    return true;
}

std::vector<Transfer> getTransfers() {
    std::vector<Transfer> out;
    out.reserve(g_transferCount);
    const size_t first =
        (g_transferNext + TRANSFER_RECORD_SIZE - g_transferCount) % TRANSFER_RECORD_SIZE;
    for (size_t i = 0; i < g_transferCount; ++i) {
        out.push_back(g_transfers[(first + i) % TRANSFER_RECORD_SIZE]);
    }
    return out;
}

void clearTransfers() {
    g_transferNext = 0;
    g_transferCount = 0;
    g_ledSending = false;
    g_boardSending = false;
}

} // namespace cabinet
