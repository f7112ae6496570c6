#include "zq/io/ZqSerialNodeCycle_internal.h"

#include "zq/io/ZqSciPacket.h"
#include "zq/system/ZqSystem.h"

#include <algorithm>

namespace {

constexpr uint32_t BREAK_MS = 250;
constexpr uint32_t BREAK_RECOVERY_MS_PER_NODE = 200;
constexpr uint32_t PROBE_MS_PER_NODE = 1000;
constexpr uint32_t PROBE_RECORD = 10;
constexpr uint32_t BOOT_PACKET_SIZE = 59;
constexpr uint32_t PROCESS_POLL_MS = 5;
constexpr uint32_t PROCESS_LIMIT_MS = 5000;

} // namespace

ZqSerialNodeCycle::BootThread::BootThread(ZqSerialNodeCycle& owner, const uint32_t nrNodes,
                                          const ZqMarlox4::SERIAL_BAUD baud,
                                          const ZqMarlox4::SERIAL_PARITY parity)
    : m_owner(owner), m_nrNodes(nrNodes), m_baud(baud), m_parity(parity) {}

void ZqSerialNodeCycle::BootThread::run() {
    // The end is marked however the boot ends, also by an exception.
    struct MarkEnd {
        std::atomic<bool>& ended;
        ~MarkEnd() { ended = true; }
    } const mark{m_ended};
    m_done = boot();
}

bool ZqSerialNodeCycle::BootThread::pause(const uint32_t ms) {
    if (m_stop.load()) {
        return false;
    }
    return !(waitEvent(ms) && m_stop.load()) && !m_stop.load();
}

bool ZqSerialNodeCycle::BootThread::waitProcessed(const uint64_t id) {
    if (id == 0) {
        return false;
    }
    for (uint32_t waited = 0; waited <= PROCESS_LIMIT_MS; waited += PROCESS_POLL_MS) {
        if (ZqMarlox4::getProcessedCommandId() >= id) {
            return true;
        }
        if (ZqMarlox4::getState() == ZqMarlox4::STATE_TIMEOUT || !pause(PROCESS_POLL_MS)) {
            return false;
        }
    }
    return false;
}

uint32_t ZqSerialNodeCycle::BootThread::exchange(const uint32_t node, const uint32_t command,
                                                 const uint8_t* const data, const uint32_t n,
                                                 uint8_t* const answer) {
    const uint32_t ch = m_owner.m_channel;
    uint8_t packet[BOOT_PACKET_SIZE] = {};
    const uint32_t length =
        ZqSciPacket::createPacket(node, command, &m_owner.m_cmdId, packet, sizeof packet, data, n);
    if (length == 0 || length > ZqMarlox4::MAX_SERIAL_SEND_DATA ||
        !waitProcessed(ZqMarlox4::setSerialDataStart(ch, packet, length))) {
        return 0;
    }
    ZqMarlox4::getSerialRecvData(ch, nullptr, nullptr);
    if (!pause((m_nrNodes * 20000 + 59000) / 1200) ||
        !waitProcessed(ZqMarlox4::setSerialDataStart(ch, nullptr, 0))) {
        return 0;
    }
    uint8_t record[ZqMarlox4::MAX_SERIAL_RECV_DATA] = {};
    uint32_t size = sizeof record;
    if (!ZqMarlox4::getSerialRecvData(ch, record, &size)) {
        return 0;
    }
    return ZqSciPacket::getData(node, command, &m_owner.m_cmdId, answer,
                                ZqMarlox4::MAX_SERIAL_RECV_DATA, record, size);
}

bool ZqSerialNodeCycle::BootThread::boot() {
    const uint32_t ch = m_owner.m_channel;
    const uint32_t n = m_nrNodes;
    if (!waitProcessed(ZqMarlox4::setSerialBreakStart(ch, true)) || !pause(BREAK_MS) ||
        !waitProcessed(ZqMarlox4::setSerialBreakStart(ch, false)) ||
        !pause(n * BREAK_RECOVERY_MS_PER_NODE) ||
        !waitProcessed(ZqMarlox4::setSerialModeStart(ch, m_baud, m_parity))) {
        return false;
    }
    // The chain answers the probe byte with itself once it is up.
    bool found = false;
    const uint32_t start = ZqSystem::getTime();
    while (!found && ZqSystem::getTime() - start < (n + 1) * PROBE_MS_PER_NODE) {
        const uint8_t probe[1] = {0xAA};
        if (!pause(1) || !waitProcessed(ZqMarlox4::setSerialDataStart(ch, probe, 1))) {
            return false;
        }
        uint8_t record[PROBE_RECORD] = {};
        uint32_t size = sizeof record;
        if (ZqMarlox4::getSerialRecvData(ch, record, &size) && size > 0) {
            found = std::all_of(record, record + size, [](const uint8_t b) { return b == 0xAA; });
        }
    }
    if (!waitProcessed(ZqMarlox4::setSerialModeStart(ch, m_baud, m_parity))) {
        return false;
    }
    while (ZqMarlox4::getSerialRecvData(ch, nullptr, nullptr)) {
    }
    if (!found) {
        return false;
    }
    uint8_t answer[ZqMarlox4::MAX_SERIAL_RECV_DATA] = {};
    const uint8_t all[1] = {0};
    if (exchange(0, 0x001, all, 1, answer) != 1 || answer[0] < n) {
        return false;
    }
    m_versions.assign(n, ZqDaktVersion{});
    for (uint32_t node = 0; node < n; ++node) {
        if (exchange(node, 0x002, nullptr, 0, answer) != ZqDaktVersion::RECORD_SIZE) {
            return false;
        }
        m_versions[node].setRecord(answer);
        if (!m_versions[node].check(m_owner.m_versionType, m_owner.m_versionProductCode)) {
            m_versions[node].clear();
            return false;
        }
    }
    for (const uint32_t command : {0x003u, 0x100u}) {
        for (uint32_t node = 0; node < n; ++node) {
            if (exchange(node, command, nullptr, 0, answer) == 0 || answer[0] != 0) {
                return false;
            }
        }
    }
    return true;
}

ZqSerialNodeCycle::ZqSerialNodeCycle(const uint32_t channel, const uint32_t versionType,
                                     const uint32_t versionProductCode)
    : m_channel(channel), m_versionType(versionType), m_versionProductCode(versionProductCode) {}

bool ZqSerialNodeCycle::init(const uint32_t nrNodes, const uint32_t baud, const uint32_t parity) {
    if (nrNodes < 1 || nrNodes > MAX_NODES || baud >= 6 || parity >= 4 ||
        m_state == STATE_BOOTING) {
        return false;
    }
    quit();
    m_substateBusy = 0;
    m_errorCount = 0;
    m_nodeNr = 0;
    m_cmd = 0;
    m_time = 0;
    m_rr = 0;
    m_p4cmdId = 0;
    m_cmdId = 0;
    m_nrNodes = static_cast<uint8_t>(nrNodes);
    m_versions.assign(nrNodes, ZqDaktVersion{});
    m_pBootThread =
        std::make_unique<BootThread>(*this, nrNodes, static_cast<ZqMarlox4::SERIAL_BAUD>(baud),
                                     static_cast<ZqMarlox4::SERIAL_PARITY>(parity));
    m_pBootThread->start();
    m_state = STATE_BOOTING;
    return true;
}

void ZqSerialNodeCycle::quit() {
    uint32_t code = 0;
    if (m_pBootThread) {
        m_pBootThread->stop();
        m_pBootThread->join(ZqThread::INFINITE_WAIT);
        code = m_pBootThread->getErrorCode();
        m_pBootThread.reset();
    }
    m_versions.clear();
    m_nrNodes = 0;
    m_state = STATE_STOPPED;
    if (code != 0) {
        throw code;
    }
}

bool ZqSerialNodeCycle::bootEnded(bool& good) {
    good = false;
    if (!m_pBootThread || !m_pBootThread->isEnded()) {
        return false;
    }
    m_pBootThread->join(ZqThread::INFINITE_WAIT);
    const uint32_t code = m_pBootThread->getErrorCode();
    good = code == 0 && m_pBootThread->isDone();
    if (good) {
        m_versions = m_pBootThread->m_versions;
        m_state = STATE_READY;
    } else {
        m_versions.clear();
        m_nrNodes = 0;
        m_state = STATE_STOPPED;
    }
    m_pBootThread.reset();
    if (code != 0) {
        throw code;
    }
    return true;
}

bool ZqSerialNodeCycle::getVersion(const uint32_t node, ZqDaktVersion* const version) const {
    if (m_state < STATE_READY || node >= m_nrNodes || version == nullptr ||
        node >= m_versions.size()) {
        return false;
    }
    *version = m_versions[node];
    return true;
}

uint32_t ZqSerialNodeCycle::startSub(const uint32_t node, const uint32_t command,
                                     const uint32_t bufferSize, const uint8_t* const data,
                                     const uint32_t n) {
    uint8_t packet[64] = {};
    const uint32_t length = ZqSciPacket::createPacket(
        node, command, &m_cmdId, packet, std::min<uint32_t>(bufferSize, sizeof packet), data, n);
    if (length == 0 || length >= ZqMarlox4::MAX_PACKET_DATA) {
        return 0;
    }
    const uint64_t id = ZqMarlox4::setSerialDataStart(m_channel, packet, length);
    if (id == 0) {
        return 0;
    }
    m_p4cmdId = id;
    m_nodeNr = node;
    m_cmd = static_cast<uint16_t>(command);
    m_time = ZqSystem::getFrameTime();
    m_state = STATE_BUSY;
    m_substateBusy = 0;
    return 2;
}

bool ZqSerialNodeCycle::pollBody(uint8_t* const data, uint32_t& n, bool& failed) {
    failed = false;
    if (ZqMarlox4::getProcessedCommandId() < m_p4cmdId) {
        if (ZqMarlox4::getState() == ZqMarlox4::STATE_TIMEOUT) {
            m_state = STATE_BOARD_TIMEOUT;
        }
        return false;
    }
    if (m_substateBusy == 0) {
        ZqMarlox4::getSerialRecvData(m_channel, nullptr, nullptr);
        if (ZqSystem::getFrameTime() - m_time > POLL_WAIT_MS) {
            const uint64_t id = ZqMarlox4::setSerialDataStart(m_channel, nullptr, 0);
            if (id == 0) {
                m_state = STATE_ERROR;
                failed = true;
                return false;
            }
            m_p4cmdId = id;
            m_substateBusy = 1;
        }
        return false;
    }
    m_state = STATE_ERROR;
    failed = true;
    uint8_t record[ZqMarlox4::MAX_SERIAL_RECV_DATA] = {};
    uint32_t size = sizeof record;
    if (!ZqMarlox4::getSerialRecvData(m_channel, record, &size)) {
        return false;
    }
    n = ZqSciPacket::getData(m_nodeNr, m_cmd, &m_cmdId, data, ZqMarlox4::MAX_SERIAL_RECV_DATA,
                             record, size);
    if (n == 0) {
        return false;
    }
    failed = false;
    return true;
}
