// The I/O board's worker thread: opening the board, the exchange cycle (inputs, analogs,
// coins, queued commands), and the reset of a board that stopped answering.
#include "zq/io/ZqMarlox4Thread_internal.h"

#include "zq/input/ZqInput.h"
#include "zq/platform/hid/hid.h"
#include "zq/system/ZqSystem.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char16_t BOARD_NAME[] = u"m3io";
constexpr char16_t DEFAULT_DRIVER_VERSION[] = u"m4io.sys: 0.00";
constexpr uint32_t OPEN_RETRY_WAIT_MS = 10;
constexpr uint32_t RESET_RETRY_WAIT_MS = 100;
constexpr uint32_t PASS_WAIT_MS = 1;
constexpr uint32_t MAX_FAILED_CYCLES = 10;
// A counter that moved this much between two readings did not count coins.
constexpr uint16_t MAX_COIN_DELTA = 16;

// Input bits of the status bytes 0-3 and the input ids they post, in posting order.
struct InputBit {
    uint8_t statusByte;
    uint8_t mask;
    uint8_t id;
};
constexpr InputBit INPUT_BITS[] = {
    {0, 0x01, 0},  {0, 0x02, 1},  {0, 0x04, 2},  {0, 0x08, 3},  {0, 0x10, 4},
    {0, 0x20, 5},  {0, 0x40, 6},  {0, 0x80, 7},  {1, 0x01, 10}, {1, 0x02, 11},
    {1, 0x04, 12}, {1, 0x08, 13}, {1, 0x10, 14}, {1, 0x20, 15}, {1, 0x40, 16},
    {1, 0x80, 17}, {2, 0x01, 8},  {2, 0x02, 9},  {2, 0x10, 18}, {2, 0x20, 19},
    {3, 0x10, 20}, {3, 0x02, 21}, {3, 0x08, 22}, {3, 0x01, 23}, {3, 0x04, 24},
};

// Words 2-7 of the status arrive big-endian.
uint16_t statusWord(const uint8_t* status, const uint32_t word) {
    return static_cast<uint16_t>(status[2 * word] << 8 | status[2 * word + 1]);
}

int16_t scaleAnalog(const ZqMarlox4::Thread::Analog& a, const uint16_t raw) {
    int64_t v = ((static_cast<int64_t>(a.mul) * raw) >> 12) + a.add;
    v = std::clamp<int64_t>(v, -32767, 32767);
    if (a.low <= v && v < a.high) {
        v = 0;
    }
    return static_cast<int16_t>(v);
}

constexpr uint8_t PARITY_CODES[4] = {0, 2, 3, 0};

} // namespace

void ZqMarlox4::Thread::run() {
    for (;;) {
        uint32_t wait = PASS_WAIT_MS;
        switch (m_connection.load()) {
        case CONNECTION_OPEN:
            if (open()) {
                m_retryCount = 0;
                m_connection = CONNECTION_RUNNING;
            } else if (m_retryCount < MAX_RETRIES) {
                ++m_retryCount;
                wait = OPEN_RETRY_WAIT_MS;
            } else {
                m_connection = CONNECTION_RESET;
            }
            break;
        case CONNECTION_RUNNING:
            // The eleventh failed cycle closes the board; a good cycle leaves the count.
            if (!cycle() && ++m_retryCount > MAX_FAILED_CYCLES) {
                closeHandle();
                m_retryCount = 0;
                m_connection = CONNECTION_OPEN;
            }
            break;
        default:
            if (ZqDakt::reset(&m_instanceId) || m_retryCount >= MAX_RETRIES) {
                m_retryCount = 0;
                m_connection = CONNECTION_OPEN;
            } else {
                wait = RESET_RETRY_WAIT_MS;
            }
            break;
        }
        if (m_stop.load() || (waitEvent(wait) && m_stop.load())) {
            break;
        }
    }
    closeHandle();
}

void ZqMarlox4::Thread::closeHandle() {
    ZqDakt::close(m_handle);
    m_handle = nullptr;
}

uint8_t ZqMarlox4::Thread::sequence() const {
    const ZqLockGuard hold(m_cs);
    return static_cast<uint8_t>(m_processedId & 0x7F);
}

bool ZqMarlox4::Thread::sendFixed(const uint8_t code, const uint8_t* const payload,
                                  const uint32_t n, const uint32_t expected) {
    uint8_t reply[MAX_PACKET_DATA] = {};
    return ZqDakt::exchange(m_handle, code, sequence(), payload, n, reply, expected, true) ==
           static_cast<int32_t>(expected);
}

bool ZqMarlox4::Thread::sendOutputs() {
    uint8_t payload[16] = {};
    for (uint32_t i = 0; i < 16; ++i) {
        payload[i] = (m_outputWord >> i & 1u) != 0 ? 16 : 0;
    }
    return sendFixed(0x12, payload, 16, 1);
}

bool ZqMarlox4::Thread::sendCoinControl() {
    const uint8_t payload[4] = {static_cast<uint8_t>(m_coinBlockers | m_coinLamps), 0,
                                m_coinCounterTotal[0], m_coinCounterTotal[1]};
    return sendFixed(0x18, payload, 4, 4);
}

bool ZqMarlox4::Thread::readStatus(uint8_t status[STATUS_SIZE]) {
    return ZqDakt::interrupt(m_handle, ZqDakt::IOCTL_READ_STATUS, nullptr, 0, status,
                             STATUS_SIZE) == static_cast<int32_t>(STATUS_SIZE);
}

bool ZqMarlox4::Thread::open() {
    m_handle = ZqDakt::open(&zqp::HID_BOARD_CLASS, BOARD_NAME, &m_instanceId);
    if (m_handle == nullptr) {
        return false;
    }
    const auto fail = [this] {
        closeHandle();
        return false;
    };
    if (ZqDakt::interrupt(m_handle, ZqDakt::IOCTL_CLEAR_ERRORS, nullptr, 0, nullptr, 0) < 0) {
        return fail();
    }
    uint8_t hello[1] = {};
    if (ZqDakt::exchange(m_handle, 0x00, sequence(), nullptr, 0, hello, 1, true) != 1) {
        return fail();
    }
    {
        const ZqLockGuard hold(m_cs);
        m_version.clear();
        std::fill(std::begin(m_driverVersion), std::end(m_driverVersion), u'\0');
    }
    uint8_t record[ZqDaktVersion::RECORD_SIZE] = {};
    if (ZqDakt::exchange(m_handle, 0x01, sequence(), nullptr, 0, record, sizeof record, true) !=
        static_cast<int32_t>(sizeof record)) {
        return fail();
    }
    ZqDaktVersion version;
    version.setRecord(record);
    if (!version.check(VERSION_TYPE, VERSION_PRODUCT_CODE)) {
        return fail();
    }
    uint8_t driverText[256] = {};
    ZqString driver;
    if (ZqDakt::interrupt(m_handle, ZqDakt::IOCTL_DRIVER_VERSION, nullptr, 0, driverText,
                          sizeof driverText) < 0) {
        driver = DEFAULT_DRIVER_VERSION;
    } else {
        const size_t n = std::find(driverText, driverText + 255, uint8_t{0}) - driverText;
        zqUtf82Char(reinterpret_cast<const char*>(driverText), static_cast<int>(n), driver);
    }
    {
        const ZqLockGuard hold(m_cs);
        m_version = version;
        std::copy_n(driver.begin(), std::min<size_t>(driver.size(), 255), m_driverVersion);
    }
    if (!sendOutputs()) {
        return fail();
    }
    std::memset(m_prevStatus, 0, sizeof m_prevStatus);
    uint8_t status[STATUS_SIZE] = {};
    if (!readStatus(status)) {
        return fail();
    }
    {
        const ZqLockGuard hold(m_cs);
        // The first open takes the counters as they stand. A board opened again (after an
        // unplug or a reset) keeps the stock, and the next cycle counts what came meanwhile.
        if (!m_openedBefore) {
            for (uint32_t slot = 0; slot < NR_COIN_SLOTS; ++slot) {
                m_coins[slot].lastReading = statusWord(status, 6 + slot);
                m_coins[slot].discarded = m_coins[slot].lastReading;
                m_coins[slot].stock = 0;
            }
        }
        m_openedBefore = true;
    }
    m_coinCounterTotal[0] = 0;
    m_coinCounterTotal[1] = 0;
    const uint32_t time = ZqSystem::getTime();
    postButtons(status, nullptr, time);
    postAnalogs(status, true, time);
    return true;
}

void ZqMarlox4::Thread::postButtons(const uint8_t status[STATUS_SIZE],
                                    const uint8_t* const previous, const uint32_t time) {
    for (const InputBit& bit : INPUT_BITS) {
        const bool on = (status[bit.statusByte] & bit.mask) != 0;
        if (previous != nullptr && on == ((previous[bit.statusByte] & bit.mask) != 0)) {
            continue;
        }
        ZqInput::pushExtensionInputData(time, ZqInput::OBJECT_TYPE_BUTTON, bit.id, on ? 1 : 0);
    }
}

void ZqMarlox4::Thread::postAnalogs(const uint8_t status[STATUS_SIZE], const bool raw,
                                    const uint32_t time) {
    for (uint32_t ch = 0; ch < NR_ANALOGS; ++ch) {
        const uint16_t reading = statusWord(status, 2 + ch);
        if (!raw && reading == statusWord(m_prevStatus, 2 + ch)) {
            continue;
        }
        int16_t value = static_cast<int16_t>(reading);
        if (!raw) {
            const ZqLockGuard hold(m_cs);
            value = scaleAnalog(m_analogs[ch], reading);
        }
        ZqInput::pushExtensionInputData(time, ZqInput::OBJECT_TYPE_AXIS, static_cast<uint8_t>(ch),
                                        value);
    }
}

bool ZqMarlox4::Thread::countCoins(const uint8_t status[STATUS_SIZE]) {
    bool seen = false;
    const ZqLockGuard hold(m_cs);
    for (uint32_t slot = 0; slot < NR_COIN_SLOTS; ++slot) {
        CoinSlot& c = m_coins[slot];
        const uint16_t reading = statusWord(status, 6 + slot);
        const uint16_t delta = static_cast<uint16_t>(reading - c.lastReading);
        if (delta <= MAX_COIN_DELTA && m_coinCountEnable[slot]) {
            if (delta != 0) {
                uint8_t& total = m_coinCounterTotal[m_combine ? 0 : slot];
                total = static_cast<uint8_t>(total + delta);
                seen = true;
            }
        } else {
            c.discarded = static_cast<uint16_t>(c.discarded + delta);
        }
        c.lastReading = reading;
        c.stock = static_cast<uint16_t>(c.lastReading - c.discarded);
    }
    return seen;
}

bool ZqMarlox4::Thread::cycle() {
    if (!ZqInput::isActive(ZqInput::DEVICE_NR_EXTENSION)) {
        return true;
    }
    bool good = true;
    const uint32_t time = ZqSystem::getTime();
    uint8_t status[STATUS_SIZE] = {};
    if (!readStatus(status)) {
        good = false;
    } else {
        postButtons(status, m_prevStatus, time);
        postAnalogs(status, false, time);
        if (countCoins(status) && !sendCoinControl()) {
            good = false;
        }
        std::memcpy(m_prevStatus, status, STATUS_SIZE);
    }
    uint32_t failed = 0;
    Command command{};
    while (failed < 2 && m_cmdFifo.pop(command)) {
        if (command.kind > 8) {
            continue;
        }
        const bool ok = carryOut(command);
        {
            const ZqLockGuard hold(m_cs);
            m_lastResult = ok ? 1 : 0;
            m_processedId = command.id;
        }
        if (!ok) {
            ++failed;
        }
    }
    return good && failed < 2;
}

bool ZqMarlox4::Thread::sendSerialData(const uint32_t ch, const uint32_t n) {
    SerialSend send{};
    if (!m_serialSendFifo.pop(send) || n > MAX_SERIAL_SEND_DATA) {
        return false;
    }
    uint8_t payload[MAX_PACKET_DATA] = {static_cast<uint8_t>(ch)};
    std::memcpy(payload + 1, send.data, n);
    uint8_t reply[MAX_PACKET_DATA] = {};
    const int32_t got =
        ZqDakt::exchange(m_handle, 0x21, sequence(), payload, n + 1, reply, MAX_PACKET_DATA, false);
    if (got < 2 || reply[1] != 0 || ch >= NR_SERIAL_CHS) {
        return false;
    }
    SerialRecv record{};
    record.count = static_cast<uint8_t>(got - 2);
    std::memcpy(record.data, reply + 2, record.count);
    return m_serialRecvFifo[ch].push(record);
}

bool ZqMarlox4::Thread::carryOut(const Command& command) {
    const uint32_t v = command.value;
    const uint8_t ch = static_cast<uint8_t>(v);
    switch (command.kind) {
    case 0:
        m_outputWord = static_cast<uint16_t>(v);
        return sendOutputs();
    case 1:
        m_outputWord = static_cast<uint16_t>(m_outputWord | v);
        return sendOutputs();
    case 2:
        m_outputWord = static_cast<uint16_t>(m_outputWord & ~v);
        return sendOutputs();
    case 3:
        m_coinBlockers = static_cast<uint8_t>(v);
        return sendCoinControl();
    case 4:
        m_coinLamps = static_cast<uint8_t>(v);
        return sendCoinControl();
    case 5: {
        const uint8_t payload[3] = {ch, static_cast<uint8_t>(v >> 16), PARITY_CODES[(v >> 24) & 3]};
        return sendFixed(0x20, payload, 3, 1);
    }
    case 6:
        return sendSerialData(ch, (v >> 16) & 0xFFFF);
    case 7: {
        const uint8_t payload[2] = {ch, static_cast<uint8_t>((v >> 16) & 1)};
        return sendFixed(0x24, payload, 2, 1);
    }
    case 8: {
        const uint8_t payload[1] = {static_cast<uint8_t>(v)};
        return sendFixed(0x1C, payload, 1, 1);
    }
    default:
        return false;
    }
}
