// The simulated serial nodes behind the simulated board: LED controller nodes on channel 0 and
// ticket dispenser nodes on channel 1. Each chain echoes the line probe (a lone 0xAA), answers
// the node packets addressed to it, and the ticket nodes pay out as their clock runs.
#include "zq/platform/hid/hid_sim_internal.h"
#include "zq/platform/hid/hid_test.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace zqp::hidsim {
namespace {

constexpr uint8_t START = 0xAA;
constexpr uint8_t ESCAPE = 0xFF;
constexpr uint32_t MAX_CHAIN = 14;
// One ticket (or counter step) every so many milliseconds.
constexpr uint32_t PAYOUT_PERIOD_MS = 40;

enum class Kind { Led, Ticket };

struct Node {
    hid::test::LedNode led;
    hid::test::TicketNode ticket;
    uint32_t payoutMs[4] = {};
    std::string told; // the state last printed, so that only changes are printed
};

class NodeChain : public SerialChain {
public:
    NodeChain(const Kind kind, const uint32_t nrNodes, const bool verbose)
        : m_kind(kind), m_nodes(std::min(nrNodes, MAX_CHAIN)), m_verbose(verbose) {}

    void setBreak(const bool) override {}

    void receive(const uint8_t* data, uint32_t n, std::vector<uint8_t>& answer) override {
        if (n == 1 && data[0] == START) {
            answer.push_back(START);
            return;
        }
        uint8_t body[128] = {};
        if (n < 7 || data[0] != START) {
            return;
        }
        const uint8_t addr = data[1];
        const uint32_t command = static_cast<uint32_t>(data[2]) << 8 | data[3];
        const uint8_t sequence = data[4];
        const uint32_t length = data[5];
        uint32_t p = 6;
        uint32_t sum = addr + data[2] + data[3] + sequence + length;
        for (uint32_t i = 0; i < length; ++i) {
            if (!next(data, n, p, body[i])) {
                return;
            }
            sum += body[i];
        }
        uint8_t check = 0;
        if (!next(data, n, p, check) || check != static_cast<uint8_t>(sum)) {
            return;
        }
        uint8_t reply[64] = {};
        int32_t replyLength = -1;
        if (command == 1 && addr == 0) {
            reply[0] = static_cast<uint8_t>(m_nodes.size());
            replyLength = 1;
        } else if (addr >= 1 && addr <= m_nodes.size()) {
            replyLength = carryOut(m_nodes[addr - 1], command, body, length, reply);
        }
        if (replyLength < 0) {
            return;
        }
        if (drops > 0) {
            --drops;
            return;
        }
        const uint8_t replyAddr = command == 1 ? 0 : static_cast<uint8_t>(addr | 0x80);
        const uint8_t head[6] = {START,   replyAddr, data[2],
                                 data[3], sequence,  static_cast<uint8_t>(replyLength)};
        answer.insert(answer.end(), head, head + 6);
        uint32_t replySum = replyAddr + data[2] + data[3] + sequence + replyLength;
        for (int32_t i = 0; i < replyLength; ++i) {
            put(answer, reply[i]);
            replySum += reply[i];
        }
        if (garbles > 0) {
            --garbles;
            ++replySum;
        }
        put(answer, static_cast<uint8_t>(replySum));
    }

    void step(const uint32_t ms) override {
        if (m_kind != Kind::Ticket) {
            return;
        }
        for (Node& node : m_nodes) {
            hid::test::TicketNode& t = node.ticket;
            for (uint32_t u = 0; u < 4; ++u) {
                const bool dispenser = u < 2;
                uint16_t& done = dispenser ? t.paid[u] : t.counted[u - 2];
                const uint16_t target = dispenser ? t.target[u] : t.counterTarget[u - 2];
                const bool runs = dispenser ? t.good[u] && !t.stalled[u] : true;
                if (!runs || done == target) {
                    node.payoutMs[u] = 0;
                    continue;
                }
                node.payoutMs[u] += ms;
                while (node.payoutMs[u] >= PAYOUT_PERIOD_MS && done != target) {
                    node.payoutMs[u] -= PAYOUT_PERIOD_MS;
                    ++done;
                }
            }
        }
    }

    Node* node(const uint32_t n) { return n < m_nodes.size() ? &m_nodes[n] : nullptr; }

    uint32_t drops = 0;
    uint32_t garbles = 0;

private:
    static bool next(const uint8_t* data, const uint32_t n, uint32_t& p, uint8_t& out) {
        if (p >= n) {
            return false;
        }
        out = data[p++];
        if (out == ESCAPE) {
            if (p >= n) {
                return false;
            }
            out = static_cast<uint8_t>(~data[p++]);
        }
        return true;
    }

    static void put(std::vector<uint8_t>& out, const uint8_t b) {
        if (b == START || b == ESCAPE) {
            out.push_back(ESCAPE);
            out.push_back(static_cast<uint8_t>(~b));
        } else {
            out.push_back(b);
        }
    }

    int32_t carryOut(Node& node, const uint32_t command, const uint8_t* data, const uint32_t n,
                     uint8_t* reply) const {
        switch (command) {
        case 0x002: {
            std::memset(reply, 0, 44);
            if (m_kind == Kind::Led) {
                reply[0] = 0x09;
                reply[1] = 0x04;
                std::memcpy(reply + 8, "VN1L", 4);
                std::memcpy(reply + 12, "ZQ SIM LED", 10);
            } else {
                reply[0] = 0x0A;
                reply[1] = 0x03;
                std::memcpy(reply + 8, "VN1B", 4);
                std::memcpy(reply + 12, "ZQ SIM TICKET", 13);
            }
            reply[5] = 1;
            return 44;
        }
        case 0x003:
        case 0x100:
            reply[0] = 0;
            return 1;
        }
        if (m_kind == Kind::Led) {
            if (command == 0x130 && n == 3) {
                uint32_t mask = 0;
                for (uint32_t i = 0; i < 24; ++i) {
                    // Bit 0 of the mask travels as bit 7 of the first byte.
                    if ((data[i / 8] >> (7 - i % 8) & 1) != 0) {
                        mask |= 1u << i;
                    }
                }
                node.led.mask = mask;
                ++node.led.nrMaskCommands;
                tell(node, "mask");
                reply[0] = 0;
                return 1;
            }
            if (command == 0x132 && n == 24) {
                std::memcpy(node.led.levels, data, 24);
                ++node.led.nrLevelCommands;
                tell(node, "levels");
                reply[0] = 0;
                return 1;
            }
            return -1;
        }
        hid::test::TicketNode& t = node.ticket;
        if (command == 0x120 && n == 5) {
            const uint8_t flags = data[0];
            t.good[0] = (flags & 0x20) != 0;
            t.good[1] = (flags & 0x10) != 0;
            if ((flags & 0x80) != 0) {
                t.target[0] = static_cast<uint16_t>(data[1] << 8 | data[2]);
            }
            if ((flags & 0x40) != 0) {
                t.target[1] = static_cast<uint16_t>(data[3] << 8 | data[4]);
            }
            ++t.nrDispenseCommands;
            tell(node, "dispense");
            reply[0] = 0;
            reply[1] = static_cast<uint8_t>(t.paid[0] >> 8);
            reply[2] = static_cast<uint8_t>(t.paid[0]);
            reply[3] = static_cast<uint8_t>(t.paid[1] >> 8);
            reply[4] = static_cast<uint8_t>(t.paid[1]);
            return 5;
        }
        if (command == 0x121 && n == 4) {
            t.counterTarget[0] = static_cast<uint16_t>(data[0] << 8 | data[1]);
            t.counterTarget[1] = static_cast<uint16_t>(data[2] << 8 | data[3]);
            ++t.nrCountCommands;
            reply[0] = static_cast<uint8_t>(t.counted[0] >> 8);
            reply[1] = static_cast<uint8_t>(t.counted[0]);
            reply[2] = static_cast<uint8_t>(t.counted[1] >> 8);
            reply[3] = static_cast<uint8_t>(t.counted[1]);
            return 4;
        }
        return -1;
    }

    void tell(Node& node, const char* what) const {
        if (!m_verbose) {
            return;
        }
        char line[128];
        if (m_kind == Kind::Led) {
            std::snprintf(line, sizeof line, "mask %06X, level 0 %u",
                          static_cast<unsigned>(node.led.mask),
                          static_cast<unsigned>(node.led.levels[0]));
        } else {
            const hid::test::TicketNode& t = node.ticket;
            std::snprintf(line, sizeof line, "paid %u/%u and %u/%u",
                          static_cast<unsigned>(t.paid[0]), static_cast<unsigned>(t.target[0]),
                          static_cast<unsigned>(t.paid[1]), static_cast<unsigned>(t.target[1]));
        }
        if (node.told == line) {
            return;
        }
        node.told = line;
        const size_t nr = static_cast<size_t>(&node - m_nodes.data());
        std::fprintf(stderr, "board: %s node %zu %s: %s\n", m_kind == Kind::Led ? "LED" : "ticket",
                     nr, what, line);
    }

    Kind m_kind;
    std::vector<Node> m_nodes;
    bool m_verbose;
};

struct Query {
    uint32_t node;
    uint32_t dispenser;
    bool flag;
    uint32_t times;
    Node found;
    bool ok;
};

} // namespace

std::unique_ptr<SerialChain> makeLedChain(const uint32_t nrNodes, const bool verbose) {
    return std::make_unique<NodeChain>(Kind::Led, nrNodes, verbose);
}

std::unique_ptr<SerialChain> makeTicketChain(const uint32_t nrNodes, const bool verbose) {
    return std::make_unique<NodeChain>(Kind::Ticket, nrNodes, verbose);
}

} // namespace zqp::hidsim

namespace zqp::hid::test {

using hidsim::NodeChain;
using hidsim::Query;

void attachLedNodes(const uint32_t nrNodes) {
    hidsim::setChain(0, nrNodes == 0 ? nullptr : hidsim::makeLedChain(nrNodes, false));
}

void attachTicketNodes(const uint32_t nrNodes) {
    hidsim::setChain(1, nrNodes == 0 ? nullptr : hidsim::makeTicketChain(nrNodes, false));
}

void dropAnswers(const uint32_t channel, const uint32_t times) {
    Query q{0, 0, false, times, {}, false};
    hidsim::withChain(
        channel,
        [](hidsim::SerialChain*& chain, void* arg) {
            if (chain != nullptr) {
                static_cast<NodeChain*>(chain)->drops = static_cast<Query*>(arg)->times;
            }
        },
        &q);
}

void garbleAnswers(const uint32_t channel, const uint32_t times) {
    Query q{0, 0, false, times, {}, false};
    hidsim::withChain(
        channel,
        [](hidsim::SerialChain*& chain, void* arg) {
            if (chain != nullptr) {
                static_cast<NodeChain*>(chain)->garbles = static_cast<Query*>(arg)->times;
            }
        },
        &q);
}

namespace {

bool findNode(const uint32_t channel, const uint32_t node, hidsim::Node& out) {
    Query q{node, 0, false, 0, {}, false};
    hidsim::withChain(
        channel,
        [](hidsim::SerialChain*& chain, void* arg) {
            Query& query = *static_cast<Query*>(arg);
            hidsim::Node* const n =
                chain != nullptr ? static_cast<NodeChain*>(chain)->node(query.node) : nullptr;
            if (n != nullptr) {
                query.found = *n;
                query.ok = true;
            }
        },
        &q);
    out = q.found;
    return q.ok;
}

} // namespace

bool ledNode(const uint32_t node, LedNode& out) {
    hidsim::Node n;
    if (!findNode(0, node, n)) {
        return false;
    }
    out = n.led;
    return true;
}

bool ticketNode(const uint32_t node, TicketNode& out) {
    hidsim::Node n;
    if (!findNode(1, node, n)) {
        return false;
    }
    out = n.ticket;
    return true;
}

void stallDispenser(const uint32_t node, const uint32_t dispenser, const bool stalled) {
    Query q{node, dispenser, stalled, 0, {}, false};
    hidsim::withChain(
        1,
        [](hidsim::SerialChain*& chain, void* arg) {
            const Query& query = *static_cast<Query*>(arg);
            hidsim::Node* const n =
                chain != nullptr ? static_cast<NodeChain*>(chain)->node(query.node) : nullptr;
            if (n != nullptr && query.dispenser < 2) {
                n->ticket.stalled[query.dispenser] = query.flag;
            }
        },
        &q);
}

} // namespace zqp::hid::test
