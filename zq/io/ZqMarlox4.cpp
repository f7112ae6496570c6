// ZqMarlox4 on the main thread: start and stop of the board thread, the command queue, the
// per-frame watchdog and state, and the state getters.
#include "zq/io/ZqMarlox4.h"

#include "zq/io/ZqLedController.h"
#include "zq/io/ZqMarlox4Thread_internal.h"
#include "zq/io/ZqTicketDispenser.h"
#include "zq/system/ZqSystem.h"

#include <algorithm>
#include <cstring>
#include <memory>

ZqMarlox4::Thread* ZqMarlox4::m_pThread = nullptr;
std::atomic<ZqMarlox4::STATE> ZqMarlox4::m_state{ZqMarlox4::STATE_STOPPED};
std::atomic<uint64_t> ZqMarlox4::m_cmdId{0};
std::atomic<uint32_t> ZqMarlox4::m_cmdTimeout{0};
std::atomic<uint8_t> ZqMarlox4::m_watchDogTimerSec{0};
uint32_t ZqMarlox4::m_watchDogTimerMsec = 0;

namespace {

// Owns the thread m_pThread points at.
std::unique_ptr<ZqMarlox4::Thread> g_thread;

// Commands are queued from the main thread and from the serial nodes' boot threads.
ZqCriticalSection& commandLock() {
    static ZqCriticalSection cs;
    return cs;
}

} // namespace

void ZqMarlox4::init() {
    quit();
    m_cmdTimeout = 0;
    m_watchDogTimerSec = 0;
    m_watchDogTimerMsec = ZqSystem::getFrameTime();
    g_thread = std::make_unique<Thread>();
    m_pThread = g_thread.get();
    m_pThread->start();
    m_state = STATE_READY;
}

bool ZqMarlox4::quit() {
    ZqLedController::quit();
    ZqTicketDispenser::quit();
    if (m_pThread == nullptr) {
        return true;
    }
    m_state = STATE_STOPPED;
    {
        const ZqLockGuard hold(commandLock());
        Thread::Command dropped{};
        while (m_pThread->m_cmdFifo.pop(dropped)) {
        }
    }
    m_pThread->stop();
    if (!m_pThread->join(COMMAND_TIMEOUT_MS)) {
        return false;
    }
    const uint32_t code = m_pThread->getErrorCode();
    g_thread.reset();
    m_pThread = nullptr;
    if (code != 0) {
        throw code;
    }
    return true;
}

void ZqMarlox4::sysQuit() {
    quit();
}

void ZqMarlox4::sysMain() {
    if (m_pThread == nullptr) {
        return;
    }
    const uint32_t now = ZqSystem::getFrameTime();
    if (m_pThread->m_connection.load() == Thread::CONNECTION_RUNNING &&
        now - m_watchDogTimerMsec > WATCHDOG_PERIOD_MS) {
        m_watchDogTimerMsec = now;
        setCommand(8, m_watchDogTimerSec);
    }
    uint64_t processed = 0;
    uint32_t result = 0;
    {
        const ZqLockGuard hold(m_pThread->m_cs);
        processed = m_pThread->m_processedId;
        result = m_pThread->m_lastResult;
    }
    if (processed < m_cmdId.load()) {
        if (now - m_cmdTimeout.load() >= COMMAND_TIMEOUT_MS) {
            m_state = STATE_TIMEOUT;
        }
    } else {
        m_state = result == 0 ? STATE_FAILED : STATE_READY;
    }
}

uint64_t ZqMarlox4::setCommand(const uint32_t kind, const uint32_t value) {
    return setCommandSerialData(kind, value, nullptr, 0);
}

uint64_t ZqMarlox4::setCommandSerialData(const uint32_t kind, const uint32_t value,
                                         const uint8_t* const data, const uint32_t n) {
    const ZqLockGuard hold(commandLock());
    const uint64_t id = ++m_cmdId;
    if (m_pThread == nullptr) {
        return 0;
    }
    Thread& t = *m_pThread;
    const uint32_t queued = t.m_cmdFifo.getNrQueued();
    if (queued >= MAX_QUEUED_COMMANDS) {
        return 0;
    }
    if (kind == 6) {
        Thread::SerialSend send{};
        if (data != nullptr) {
            std::memcpy(send.data, data, std::min(n, MAX_SERIAL_SEND_DATA));
        }
        if (!t.m_serialSendFifo.push(send)) {
            return 0;
        }
    }
    if (!t.m_cmdFifo.push(Thread::Command{id, kind, value})) {
        return 0;
    }
    t.m_maxCmdQueue = std::max(t.m_maxCmdQueue.load(), queued + 1);
    m_cmdTimeout = ZqSystem::getFrameTime();
    m_state = STATE_BUSY;
    return id;
}

uint64_t ZqMarlox4::setOutputStart(const uint16_t word) {
    return setCommand(0, word);
}

uint64_t ZqMarlox4::setOutputOnStart(const uint16_t bits) {
    return setCommand(1, bits);
}

uint64_t ZqMarlox4::setOutputOffStart(const uint16_t bits) {
    return setCommand(2, bits);
}

uint64_t ZqMarlox4::setCoinBlockersStart(const bool slot1, const bool slot2) {
    return setCommand(3, (slot1 ? 0x20u : 0u) + (slot2 ? 0x10u : 0u));
}

uint64_t ZqMarlox4::setCoinLampsStart(const bool lamp1, const bool lamp2) {
    return setCommand(4, (lamp1 ? 0x08u : 0u) + (lamp2 ? 0x04u : 0u));
}

uint64_t ZqMarlox4::setSerialModeStart(const uint32_t ch, const SERIAL_BAUD baud,
                                       const SERIAL_PARITY parity) {
    return setCommand(5, (ch & 0xFF) + (static_cast<uint32_t>(baud) << 16) +
                             (static_cast<uint32_t>(parity) << 24));
}

uint64_t ZqMarlox4::setSerialDataStart(const uint32_t ch, const uint8_t* const data,
                                       const uint32_t n) {
    // The board's serial-data report holds the channel and 59 bytes at most.
    if (n > MAX_SERIAL_SEND_DATA || (n > 0 && data == nullptr)) {
        return 0;
    }
    return setCommandSerialData(6, (ch & 0xFF) + (n << 16), data, n);
}

uint64_t ZqMarlox4::setSerialBreakStart(const uint32_t ch, const bool on) {
    return setCommand(7, (ch & 0xFF) + (on ? 0x10000u : 0u));
}

uint64_t ZqMarlox4::getProcessedCommandId() {
    if (m_pThread == nullptr) {
        return 0;
    }
    const ZqLockGuard hold(m_pThread->m_cs);
    return m_pThread->m_processedId;
}

uint32_t ZqMarlox4::getCommandQueueSize() {
    return m_pThread != nullptr ? m_pThread->m_cmdFifo.getNrQueued() : 0;
}

uint32_t ZqMarlox4::getMaxCommandQueueSize() {
    return m_pThread != nullptr ? m_pThread->m_maxCmdQueue.load() : 0;
}

void ZqMarlox4::getVersion(ZqDaktVersion* const version) {
    if (version == nullptr) {
        return;
    }
    if (m_pThread == nullptr) {
        version->clear();
        return;
    }
    const ZqLockGuard hold(m_pThread->m_cs);
    *version = m_pThread->m_version;
}

void ZqMarlox4::getDriverVersion(char16_t text[256]) {
    if (text == nullptr) {
        return;
    }
    std::fill_n(text, 256, u'\0');
    if (m_pThread == nullptr) {
        return;
    }
    const ZqLockGuard hold(m_pThread->m_cs);
    std::copy_n(m_pThread->m_driverVersion, 256, text);
}

void ZqMarlox4::setCoinCounterEnable(const bool slot1, const bool slot2) {
    if (m_pThread == nullptr) {
        return;
    }
    const ZqLockGuard hold(m_pThread->m_cs);
    m_pThread->m_coinCountEnable[0] = slot1;
    m_pThread->m_coinCountEnable[1] = slot2;
}

void ZqMarlox4::setCoinCounterCombine(const bool on) {
    if (m_pThread == nullptr) {
        return;
    }
    const ZqLockGuard hold(m_pThread->m_cs);
    m_pThread->m_combine = on;
}

uint16_t ZqMarlox4::getCoinStock(const uint32_t slot) {
    if (slot >= NR_COIN_SLOTS || m_pThread == nullptr) {
        return 0;
    }
    const ZqLockGuard hold(m_pThread->m_cs);
    return m_pThread->m_coins[slot].stock;
}

bool ZqMarlox4::consumeCoinStock(const uint32_t slot, const uint32_t n) {
    if (slot >= NR_COIN_SLOTS || n > 20 || m_pThread == nullptr) {
        return false;
    }
    const ZqLockGuard hold(m_pThread->m_cs);
    Thread::CoinSlot& c = m_pThread->m_coins[slot];
    if (n > c.stock) {
        return false;
    }
    c.discarded = static_cast<uint16_t>(c.discarded + n);
    c.stock = static_cast<uint16_t>(c.lastReading - c.discarded);
    return true;
}

void ZqMarlox4::setAnalogMulAdd(const uint32_t ch, const int16_t mul, const int16_t add) {
    if (ch >= NR_ANALOGS || m_pThread == nullptr) {
        return;
    }
    const ZqLockGuard hold(m_pThread->m_cs);
    m_pThread->m_analogs[ch].mul = mul;
    m_pThread->m_analogs[ch].add = add;
}

void ZqMarlox4::setAnalogThreshold(const uint32_t ch, const int16_t a, const int16_t b) {
    if (ch >= NR_ANALOGS || m_pThread == nullptr) {
        return;
    }
    const ZqLockGuard hold(m_pThread->m_cs);
    m_pThread->m_analogs[ch].low = std::min(a, b);
    m_pThread->m_analogs[ch].high = std::max(a, b);
}

bool ZqMarlox4::getSerialRecvData(const uint32_t ch, uint8_t* const buffer, uint32_t* const size) {
    if (ch >= NR_SERIAL_CHS || m_pThread == nullptr) {
        return false;
    }
    Thread::SerialRecv record{};
    if (!m_pThread->m_serialRecvFifo[ch].pop(record)) {
        return false;
    }
    if (buffer != nullptr && size != nullptr && *size != 0) {
        const uint32_t n = std::min<uint32_t>(record.count, *size);
        std::memcpy(buffer, record.data, n);
        *size = n;
    }
    return true;
}
