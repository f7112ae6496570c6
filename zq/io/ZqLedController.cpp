#include "zq/io/ZqLedController.h"

#include "zq/io/ZqSciPacket.h"
#include "zq/io/ZqSerialNodeCycle_internal.h"

#include <vector>

struct ZqLedController::Work {
    uint32_t mask = 0;
    uint8_t levels[NR_OC_OUTPUTS] = {};
    bool maskPending = false;
    bool levelsPending = false;
};

namespace {

constexpr uint32_t CMD_MASK = 0x130;
constexpr uint32_t CMD_LEVELS = 0x132;
constexpr uint32_t MASK_BYTES = 3;

ZqSerialNodeCycle& cycle() {
    static ZqSerialNodeCycle c(ZqLedController::SERIAL_CH, ZqLedController::VERSION_TYPE,
                               ZqLedController::VERSION_PRODUCT_CODE);
    return c;
}

std::vector<ZqLedController::Work>& works() {
    static std::vector<ZqLedController::Work> w;
    return w;
}

uint8_t reverseBits(uint8_t b) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i) {
        r = static_cast<uint8_t>(r << 1 | (b & 1));
        b = static_cast<uint8_t>(b >> 1);
    }
    return r;
}

} // namespace

bool ZqLedController::init(const uint32_t nrNodes, const uint32_t baud, const uint32_t parity) {
    if (!cycle().init(nrNodes, baud, parity)) {
        return false;
    }
    works().assign(nrNodes, Work{});
    return true;
}

void ZqLedController::quit() {
    works().clear();
    cycle().quit();
}

ZqLedController::STATE ZqLedController::getState() {
    return static_cast<STATE>(cycle().m_state);
}

uint32_t ZqLedController::getNrNodes() {
    return cycle().m_nrNodes;
}

bool ZqLedController::getVersion(const uint32_t node, ZqDaktVersion* const version) {
    return cycle().getVersion(node, version);
}

uint32_t ZqLedController::sendMask(const uint32_t node) {
    const uint32_t mask = works()[node].mask;
    const uint8_t data[MASK_BYTES] = {reverseBits(static_cast<uint8_t>(mask)),
                                      reverseBits(static_cast<uint8_t>(mask >> 8)),
                                      reverseBits(static_cast<uint8_t>(mask >> 16))};
    // Room for every byte and the checksum escaped, and the spare byte.
    return cycle().startSub(node, CMD_MASK, ZqSciPacket::bufferSize(MASK_BYTES), data, MASK_BYTES);
}

uint32_t ZqLedController::sendLevels(const uint32_t node) {
    return cycle().startSub(node, CMD_LEVELS, ZqSciPacket::bufferSize(NR_OC_OUTPUTS),
                            works()[node].levels, NR_OC_OUTPUTS);
}

uint32_t ZqLedController::setOutputStart(const uint32_t node, const uint32_t mask) {
    ZqSerialNodeCycle& c = cycle();
    if (c.m_state < ZqSerialNodeCycle::STATE_READY || node >= c.m_nrNodes) {
        return RESULT_REFUSED;
    }
    works()[node].mask = mask;
    if (c.m_state == ZqSerialNodeCycle::STATE_BUSY) {
        works()[node].maskPending = true;
        return RESULT_PENDING;
    }
    return sendMask(node);
}

uint32_t ZqLedController::setOutputStart(const uint32_t node, const uint8_t levels[NR_OC_OUTPUTS]) {
    ZqSerialNodeCycle& c = cycle();
    if (c.m_state < ZqSerialNodeCycle::STATE_READY || node >= c.m_nrNodes || levels == nullptr) {
        return RESULT_REFUSED;
    }
    for (uint32_t i = 0; i < NR_OC_OUTPUTS; ++i) {
        works()[node].levels[i] = static_cast<uint8_t>(levels[i] * 129 >> 8);
    }
    if (c.m_state == ZqSerialNodeCycle::STATE_BUSY) {
        works()[node].levelsPending = true;
        return RESULT_PENDING;
    }
    return sendLevels(node);
}

uint32_t ZqLedController::setOutputOnStart(const uint32_t node, const uint32_t bits) {
    if (node >= works().size()) {
        return RESULT_REFUSED;
    }
    return setOutputStart(node, works()[node].mask | bits);
}

uint32_t ZqLedController::setOutputOffStart(const uint32_t node, const uint32_t bits) {
    if (node >= works().size()) {
        return RESULT_REFUSED;
    }
    return setOutputStart(node, works()[node].mask & ~bits);
}

// One pending update, nodes in turn: with the counter odd a node's levels go first, else its
// mask. Every node is looked at (each twice over the counter's range).
void ZqLedController::sendPending() {
    ZqSerialNodeCycle& c = cycle();
    const uint32_t nodes = c.m_nrNodes;
    for (uint32_t i = 0; i < 2 * nodes; ++i) {
        const uint32_t k = ((c.m_rr + i) % (2 * nodes)) / 2;
        Work& w = works()[k];
        const bool levelsFirst = (c.m_rr & 1) != 0;
        if (levelsFirst && w.levelsPending) {
            w.levelsPending = false;
            sendLevels(k);
            break;
        }
        if (w.maskPending) {
            w.maskPending = false;
            sendMask(k);
            break;
        }
        if (!levelsFirst && w.levelsPending) {
            w.levelsPending = false;
            sendLevels(k);
            break;
        }
    }
    c.m_rr = nodes == 0 ? 0 : (c.m_rr + 1) % (2 * nodes);
}

void ZqLedController::sysMain() {
    ZqSerialNodeCycle& c = cycle();
    if (ZqMarlox4::getState() == ZqMarlox4::STATE_STOPPED) {
        c.m_nrNodes = 0;
        c.m_state = ZqSerialNodeCycle::STATE_STOPPED;
        return;
    }
    if (c.m_state == ZqSerialNodeCycle::STATE_BOOTING) {
        bool good = false;
        c.bootEnded(good);
        return;
    }
    if (c.m_state != ZqSerialNodeCycle::STATE_BUSY) {
        return;
    }
    bool failed = false;
    if (c.poll([](const uint8_t* data, const uint32_t n) { return n > 0 && data[0] == 0; },
               failed)) {
        sendPending();
        return;
    }
    if (!failed) {
        return;
    }
    // A failed command is sent again, ten times at most.
    if (++c.m_errorCount >= ERROR_RETRY_COUNT) {
        c.m_errorCount = 0;
        return;
    }
    if (c.m_cmd == CMD_MASK) {
        sendMask(c.m_nodeNr);
    } else {
        sendLevels(c.m_nodeNr);
    }
}
