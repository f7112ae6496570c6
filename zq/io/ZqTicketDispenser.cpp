#include "zq/io/ZqTicketDispenser.h"

#include "zq/io/ZqSciPacket.h"
#include "zq/io/ZqSerialNodeCycle_internal.h"
#include "zq/system/ZqSystem.h"

#include <vector>

struct ZqTicketDispenser::Unit {
    bool good = true;
    uint16_t target = 0;
    uint16_t targetSent = 0;
    uint16_t reported = 0;
    uint16_t reportedAtChange = 0;
    uint32_t changeTime = 0;
};

struct ZqTicketDispenser::Work {
    Unit dispensers[2];
    Unit counters[2];
    bool dispensePending = false;
    bool countPending = false;
    uint32_t dispenserCheckTime = 0;
    uint32_t counterCheckTime = 0;
};

namespace {

constexpr uint32_t CMD_DISPENSE = 0x120;
constexpr uint32_t CMD_COUNT = 0x121;
constexpr uint32_t DISPENSE_BYTES = 5;
constexpr uint32_t COUNT_BYTES = 4;

ZqSerialNodeCycle& cycle() {
    static ZqSerialNodeCycle c(ZqTicketDispenser::SERIAL_CH, ZqTicketDispenser::VERSION_TYPE,
                               ZqTicketDispenser::VERSION_PRODUCT_CODE);
    return c;
}

std::vector<ZqTicketDispenser::Work>& works() {
    static std::vector<ZqTicketDispenser::Work> w;
    return w;
}

} // namespace

bool ZqTicketDispenser::init(const uint32_t nrNodes, const uint32_t baud, const uint32_t parity) {
    if (!cycle().init(nrNodes, baud, parity)) {
        return false;
    }
    works().assign(nrNodes, Work{});
    return true;
}

void ZqTicketDispenser::quit() {
    works().clear();
    cycle().quit();
}

ZqTicketDispenser::STATE ZqTicketDispenser::getState() {
    return static_cast<STATE>(cycle().m_state);
}

uint32_t ZqTicketDispenser::getNrNodes() {
    return cycle().m_nrNodes;
}

bool ZqTicketDispenser::getVersion(const uint32_t node, ZqDaktVersion* const version) {
    return cycle().getVersion(node, version);
}

// Builds the command of the node's dispensers or counters from their targets and sends it.
uint32_t ZqTicketDispenser::send(const uint32_t node, const bool dispense) {
    Work& w = works()[node];
    Unit* const units = dispense ? w.dispensers : w.counters;
    const uint32_t now = ZqSystem::getFrameTime();
    uint8_t data[DISPENSE_BYTES] = {};
    uint8_t flags = 0;
    for (uint32_t i = 0; i < 2; ++i) {
        Unit& u = units[i];
        if (u.good) {
            flags = static_cast<uint8_t>(flags | (i == 0 ? 0x20 : 0x10));
            if (u.target != u.targetSent) {
                flags = static_cast<uint8_t>(flags | (i == 0 ? 0x80 : 0x40));
                u.targetSent = u.target;
                u.reportedAtChange = u.reported;
                u.changeTime = now;
            }
        }
    }
    uint8_t* const targets = dispense ? data + 1 : data;
    data[0] = flags;
    for (uint32_t i = 0; i < 2; ++i) {
        targets[2 * i] = static_cast<uint8_t>(units[i].target >> 8);
        targets[2 * i + 1] = static_cast<uint8_t>(units[i].target);
    }
    const uint32_t n = dispense ? DISPENSE_BYTES : COUNT_BYTES;
    // Room for every byte and the checksum escaped, and the spare byte.
    return cycle().startSub(node, dispense ? CMD_DISPENSE : CMD_COUNT, ZqSciPacket::bufferSize(n),
                            data, n);
}

uint32_t ZqTicketDispenser::add(const uint32_t node, const bool dispense, const uint16_t count1,
                                const uint16_t count2) {
    ZqSerialNodeCycle& c = cycle();
    if (c.m_state < ZqSerialNodeCycle::STATE_READY || count1 > MAX_ADD || count2 > MAX_ADD ||
        node >= c.m_nrNodes || node >= works().size()) {
        return RESULT_REFUSED;
    }
    Work& w = works()[node];
    Unit* const units = dispense ? w.dispensers : w.counters;
    const uint16_t counts[2] = {count1, count2};
    for (uint32_t i = 0; i < 2; ++i) {
        Unit& u = units[i];
        const uint32_t outstanding = static_cast<uint16_t>(u.target - u.reported) + counts[i];
        u.target = outstanding > MAX_OUTSTANDING
                       ? static_cast<uint16_t>(u.reported + MAX_OUTSTANDING)
                       : static_cast<uint16_t>(u.target + counts[i]);
    }
    if (c.m_state == ZqSerialNodeCycle::STATE_BUSY) {
        (dispense ? w.dispensePending : w.countPending) = true;
        return RESULT_PENDING;
    }
    return send(node, dispense);
}

uint32_t ZqTicketDispenser::dispenseStart(const uint32_t node, const uint16_t count1,
                                          const uint16_t count2) {
    return add(node, true, count1, count2);
}

uint32_t ZqTicketDispenser::countStart(const uint32_t node, const uint16_t count1,
                                       const uint16_t count2) {
    return add(node, false, count1, count2);
}

namespace {

ZqTicketDispenser::Unit* unitsOf(const uint32_t node, const bool dispense) {
    if (node >= works().size()) {
        return nullptr;
    }
    return dispense ? works()[node].dispensers : works()[node].counters;
}

bool getCounts(const uint32_t node, const bool dispense, uint16_t* const target1,
               uint16_t* const target2, uint16_t* const reported1, uint16_t* const reported2) {
    const ZqTicketDispenser::Unit* const u = unitsOf(node, dispense);
    if (u == nullptr) {
        return false;
    }
    uint16_t* const out[4] = {target1, target2, reported1, reported2};
    const uint16_t values[4] = {u[0].target, u[1].target, u[0].reported, u[1].reported};
    for (uint32_t i = 0; i < 4; ++i) {
        if (out[i] != nullptr) {
            *out[i] = values[i];
        }
    }
    return true;
}

bool getGood(const uint32_t node, const bool dispense, bool* const good1, bool* const good2) {
    const ZqTicketDispenser::Unit* const u = unitsOf(node, dispense);
    if (u == nullptr) {
        return false;
    }
    if (good1 != nullptr) {
        *good1 = u[0].good;
    }
    if (good2 != nullptr) {
        *good2 = u[1].good;
    }
    return true;
}

// Marks the named faulty units good again, their counts as of now.
bool clearFaults(const uint32_t node, const bool dispense, const bool clear1, const bool clear2) {
    ZqTicketDispenser::Unit* const u = unitsOf(node, dispense);
    if (u == nullptr) {
        return false;
    }
    const uint32_t now = ZqSystem::getFrameTime();
    const bool clear[2] = {clear1, clear2};
    for (uint32_t i = 0; i < 2; ++i) {
        if (clear[i] && !u[i].good) {
            u[i].good = true;
            u[i].reportedAtChange = u[i].reported;
            u[i].changeTime = now;
        }
    }
    return true;
}

} // namespace

bool ZqTicketDispenser::getDispenserCount(const uint32_t node, uint16_t* const target1,
                                          uint16_t* const target2, uint16_t* const reported1,
                                          uint16_t* const reported2) {
    return getCounts(node, true, target1, target2, reported1, reported2);
}

bool ZqTicketDispenser::getCounterCount(const uint32_t node, uint16_t* const target1,
                                        uint16_t* const target2, uint16_t* const reported1,
                                        uint16_t* const reported2) {
    return getCounts(node, false, target1, target2, reported1, reported2);
}

bool ZqTicketDispenser::getDispenserState(const uint32_t node, bool* const good1,
                                          bool* const good2) {
    return getGood(node, true, good1, good2);
}

bool ZqTicketDispenser::getCounterState(const uint32_t node, bool* const good1, bool* const good2) {
    return getGood(node, false, good1, good2);
}

bool ZqTicketDispenser::clearDispenserError(const uint32_t node, const bool clear1,
                                            const bool clear2) {
    if (!clearFaults(node, true, clear1, clear2)) {
        return false;
    }
    dispenseStart(node, 0, 0);
    return true;
}

bool ZqTicketDispenser::clearCounterError(const uint32_t node, const bool clear1,
                                          const bool clear2) {
    if (!clearFaults(node, false, clear1, clear2)) {
        return false;
    }
    countStart(node, 0, 0);
    return true;
}

// Takes the counts of an answer; false (the answer failed) at an implausible count.
bool ZqTicketDispenser::unpack(const uint8_t* const data, const uint32_t n) {
    ZqSerialNodeCycle& c = cycle();
    if (c.m_nodeNr >= works().size()) {
        return false;
    }
    const bool dispense = c.m_cmd == CMD_DISPENSE;
    if (n != (dispense ? DISPENSE_BYTES : COUNT_BYTES)) {
        return false;
    }
    Unit* const units = dispense ? works()[c.m_nodeNr].dispensers : works()[c.m_nodeNr].counters;
    const uint8_t* counts = data;
    if (dispense) {
        if ((data[0] & 0x80) != 0) {
            units[0].good = false;
        }
        if ((data[0] & 0x40) != 0) {
            units[1].good = false;
        }
        counts = data + 1;
    }
    const uint32_t now = ZqSystem::getFrameTime();
    for (uint32_t i = 0; i < 2; ++i) {
        Unit& u = units[i];
        const uint16_t count = static_cast<uint16_t>(counts[2 * i] << 8 | counts[2 * i + 1]);
        if (static_cast<uint16_t>(u.target - count) > MAX_OUTSTANDING) {
            return false;
        }
        u.reported = count;
        if (count == u.target) {
            continue;
        }
        // A count that stays short of its target for too long is a stall.
        if (count != u.reportedAtChange) {
            u.reportedAtChange = count;
            u.changeTime = now;
        } else if (now - u.changeTime > PERIOD_COUNT_NOT_CHANGED) {
            u.good = false;
        }
    }
    return true;
}

// One pending update, nodes in turn: with the counter odd a node's count goes first, else its
// dispense. Every node is looked at.
void ZqTicketDispenser::sendPending() {
    ZqSerialNodeCycle& c = cycle();
    const uint32_t nodes = c.m_nrNodes;
    for (uint32_t i = 0; i < 2 * nodes; ++i) {
        const uint32_t k = ((c.m_rr + i) % (2 * nodes)) / 2;
        Work& w = works()[k];
        const bool countFirst = (c.m_rr & 1) != 0;
        if (countFirst && w.countPending) {
            w.countPending = false;
            send(k, false);
            break;
        }
        if (w.dispensePending) {
            w.dispensePending = false;
            send(k, true);
            break;
        }
        if (!countFirst && w.countPending) {
            w.countPending = false;
            send(k, false);
            break;
        }
    }
    c.m_rr = nodes == 0 ? 0 : (c.m_rr + 1) % (2 * nodes);
}

void ZqTicketDispenser::sysMain() {
    ZqSerialNodeCycle& c = cycle();
    if (ZqMarlox4::getState() == ZqMarlox4::STATE_STOPPED) {
        c.m_nrNodes = 0;
        c.m_state = ZqSerialNodeCycle::STATE_STOPPED;
        return;
    }
    const uint32_t now = ZqSystem::getFrameTime();
    if (c.m_state == ZqSerialNodeCycle::STATE_BOOTING) {
        bool good = false;
        if (c.bootEnded(good) && good) {
            for (Work& w : works()) {
                w.dispenserCheckTime = now;
                w.counterCheckTime = now;
            }
            c.m_errorCount = 0;
        }
        return;
    }
    if (c.m_state == ZqSerialNodeCycle::STATE_READY) {
        for (uint32_t node = 0; node < c.m_nrNodes && node < works().size(); ++node) {
            Work& w = works()[node];
            if (now - w.dispenserCheckTime > PERIOD_CHECK) {
                w.dispenserCheckTime = now;
                for (const Unit& u : w.dispensers) {
                    if (u.good && u.reported != u.target) {
                        dispenseStart(node, 0, 0);
                        break;
                    }
                }
            }
            if (now - w.counterCheckTime > PERIOD_CHECK) {
                w.counterCheckTime = now;
                for (const Unit& u : w.counters) {
                    if (u.good && u.reported != u.target) {
                        countStart(node, 0, 0);
                        break;
                    }
                }
            }
        }
        return;
    }
    if (c.m_state != ZqSerialNodeCycle::STATE_BUSY) {
        return;
    }
    bool failed = false;
    if (c.poll(&ZqTicketDispenser::unpack, failed)) {
        sendPending();
        return;
    }
    if (!failed) {
        return;
    }
    if (++c.m_errorCount >= ERROR_RETRY_COUNT) {
        c.m_errorCount = 0;
        return;
    }
    if (c.m_cmd == CMD_DISPENSE) {
        dispenseStart(c.m_nodeNr, 0, 0);
    } else {
        countStart(c.m_nodeNr, 0, 0);
    }
}
