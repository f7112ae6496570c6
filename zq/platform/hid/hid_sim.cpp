// The simulated I/O board: answers the board's reports and control calls as a board would,
// keeps its switches, analog inputs, coin counters, outputs and watchdog, carries the two
// serial channels to the simulated nodes, takes keys from the keyboard, and shows the faults
// that the tests ask for. Its clock (for the serial nodes) runs on a thread of its own, or is
// advanced by a test.
#include "zq/platform/hid/hid_sim_internal.h"
#include "zq/platform/hid/hid_test.h"
#include "zq/platform/input/input.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace zqp::hidsim {
namespace {

using hid::test::Fault;

constexpr uint32_t NR_CHANNELS = 2;
constexpr uint32_t MAX_PAYLOAD = 60;
constexpr uint32_t MAX_SERIAL_ANSWER = 58;
constexpr uint32_t CLOCK_PERIOD_MS = 5;
constexpr char DRIVER_VERSION[] = "zqsim.sys: 1.00";

// Keys of the board on a desktop (framework key codes): coins, TEST, SERVICE and the two
// players' three buttons, with the switch each one closes.
struct KeySwitch {
    uint8_t code;
    uint8_t statusByte;
    uint8_t mask;
};
constexpr uint8_t KEY_COIN_1 = 0x06; // 5
constexpr uint8_t KEY_COIN_2 = 0x07; // 6
constexpr KeySwitch KEY_SWITCHES[] = {
    {0x0B, 3, 0x10}, // 0: TEST
    {0x0A, 3, 0x02}, // 9: SERVICE
    {0x10, 0, 0x80}, // Q: player 1 button 0
    {0x11, 0, 0x40}, // W: player 1 button 1
    {0x12, 0, 0x20}, // E: player 1 button 2
    {0x17, 1, 0x80}, // I: player 2 button 0
    {0x18, 1, 0x40}, // O: player 2 button 1
    {0x19, 1, 0x20}, // P: player 2 button 2
};

struct Channel {
    uint8_t baud = 0;
    uint8_t parity = 0;
    bool breakOn = false;
    std::vector<uint8_t> received;
    std::unique_ptr<SerialChain> chain;
};

struct Board {
    // On a desktop the board comes with two LED nodes and one ticket dispenser node that tell
    // what they are sent; tests start from reset(), without nodes.
    Board() {
        channels[0].chain = makeLedChain(2, true);
        channels[1].chain = makeTicketChain(1, true);
    }
    std::mutex mutex;
    bool present = true;
    bool enabled = true;
    uint32_t generation = 1;
    uint8_t held[4] = {};
    // Switches closed since the last status reading: a tap between two readings is seen.
    uint8_t latched[4] = {};
    uint16_t analog[4] = {};
    uint16_t coins[2] = {};
    uint8_t reply[HID_REPORT_SIZE] = {};
    bool hasReply = false;
    uint32_t faults[static_cast<uint32_t>(Fault::Count)] = {};
    hid::test::Seen seen;
    Channel channels[NR_CHANNELS];
    bool manualClock = false;
    uint64_t now = 0;
    bool listening = false;
};

Board& board() {
    static Board b;
    return b;
}

bool takeFault(Board& b, const Fault fault) {
    uint32_t& left = b.faults[static_cast<uint32_t>(fault)];
    if (left == 0) {
        return false;
    }
    --left;
    return true;
}

bool usable(const Board& b, const HidDevice* device) {
    return device != nullptr && device->simulated && b.present && b.enabled &&
           device->generation == b.generation;
}

bool coinBlocked(const Board& b, const uint32_t slot) {
    return (b.seen.coinControl[0] & (slot == 0 ? 0x20 : 0x10)) != 0;
}

void dropCoins(Board& b, const uint32_t slot, const uint32_t count) {
    if (slot >= 2) {
        return;
    }
    if (coinBlocked(b, slot)) {
        b.seen.nrCoinsReturned += count;
        return;
    }
    b.coins[slot] = static_cast<uint16_t>(b.coins[slot] + count);
    b.seen.coinCounters[slot] = b.coins[slot];
}

void versionRecord(uint8_t* out) {
    std::memset(out, 0, 44);
    out[0] = 0x0B;
    out[5] = 1;
    out[6] = 0;
    out[7] = 0;
    std::memcpy(out + 8, "BMPU", 4);
    std::memcpy(out + 12, "ZQ SIMULATED IO", 15);
    std::memcpy(out + 28, "DESKTOP", 7);
}

// Carries out one report; the answer's payload length, or -1 for no answer.
int32_t carryOut(Board& b, const uint8_t cmd, const uint8_t* payload, const uint32_t n,
                 uint8_t* answer) {
    switch (cmd) {
    case 0x00:
        answer[0] = 0;
        return 1;
    case 0x01:
        versionRecord(answer);
        return 44;
    case 0x12: {
        if (n < 16) {
            return -1;
        }
        uint16_t word = 0;
        for (uint32_t i = 0; i < 16; ++i) {
            word = static_cast<uint16_t>(word | (payload[i] != 0 ? 1u << i : 0u));
        }
        b.seen.outputWord = word;
        answer[0] = 0;
        return 1;
    }
    case 0x18:
        if (n < 4) {
            return -1;
        }
        std::memcpy(b.seen.coinControl, payload, 4);
        std::memcpy(answer, payload, 4);
        return 4;
    case 0x1C:
        if (n < 1) {
            return -1;
        }
        b.seen.watchDogSec = payload[0];
        ++b.seen.nrWatchDogs;
        answer[0] = 0;
        return 1;
    case 0x20:
        if (n < 3 || payload[0] >= NR_CHANNELS) {
            return -1;
        }
        b.channels[payload[0]].baud = payload[1];
        b.channels[payload[0]].parity = payload[2];
        answer[0] = 0;
        return 1;
    case 0x24:
        if (n < 2 || payload[0] >= NR_CHANNELS) {
            return -1;
        }
        b.channels[payload[0]].breakOn = payload[1] != 0;
        if (b.channels[payload[0]].chain) {
            b.channels[payload[0]].chain->setBreak(payload[1] != 0);
        }
        answer[0] = 0;
        return 1;
    case 0x21: {
        if (n < 1) {
            return -1;
        }
        const uint8_t ch = payload[0];
        answer[0] = ch;
        if (ch >= NR_CHANNELS) {
            answer[1] = 1;
            return 2;
        }
        Channel& c = b.channels[ch];
        // What the nodes answered earlier comes back; what goes out now is answered by the
        // time of the next serial-data report.
        const uint32_t take =
            std::min<uint32_t>(static_cast<uint32_t>(c.received.size()), MAX_SERIAL_ANSWER);
        answer[1] = 0;
        std::copy_n(c.received.begin(), take, answer + 2);
        c.received.erase(c.received.begin(), c.received.begin() + take);
        // Bytes sent in break or with no node attached are lost on the line.
        if (n > 1 && c.chain && !c.breakOn) {
            c.chain->receive(payload + 1, n - 1, c.received);
        }
        return static_cast<int32_t>(2 + take);
    }
    default:
        return -1;
    }
}

void step(Board& b, const uint32_t ms) {
    b.now += ms;
    for (Channel& c : b.channels) {
        if (c.chain) {
            c.chain->step(ms);
        }
    }
}

// Moves the board's clock in real time while it is not manual.
class Clock {
public:
    void ensureRunning() {
        const std::lock_guard<std::mutex> hold(m_mutex);
        if (!m_thread.joinable()) {
            m_thread = std::thread([this] { loop(); });
        }
    }
    ~Clock() {
        {
            const std::lock_guard<std::mutex> hold(m_mutex);
            m_stop = true;
        }
        m_cv.notify_all();
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

private:
    void loop() {
        auto last = std::chrono::steady_clock::now();
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_cv.wait_for(lock, std::chrono::milliseconds(CLOCK_PERIOD_MS),
                              [this] { return m_stop; })) {
            const auto t = std::chrono::steady_clock::now();
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t - last);
            if (ms.count() <= 0) {
                continue;
            }
            last += ms;
            Board& b = board();
            const std::lock_guard<std::mutex> hold(b.mutex);
            if (!b.manualClock) {
                step(b, static_cast<uint32_t>(std::min<int64_t>(ms.count(), 1000)));
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_stop = false;
    std::thread m_thread;
};

Clock& clock() {
    static Clock c;
    return c;
}

void onKey(const uint8_t code, const bool down) {
    hid::test::key(code, down);
}

} // namespace

void withChain(const uint32_t channel, void (*fn)(SerialChain*& chain, void* arg),
               void* const arg) {
    Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    SerialChain* chain = channel < NR_CHANNELS ? b.channels[channel].chain.get() : nullptr;
    fn(chain, arg);
}

void setChain(const uint32_t channel, std::unique_ptr<SerialChain> chain) {
    if (channel >= NR_CHANNELS) {
        return;
    }
    Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    b.channels[channel].chain = std::move(chain);
    b.channels[channel].received.clear();
}

bool find(std::u16string& instanceId) {
    Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    if (!b.present) {
        ++b.seen.nrMissedFinds;
        return false;
    }
    instanceId = INSTANCE_ID;
    return true;
}

HidDevice* open() {
    Board& b = board();
    bool listen = false;
    bool manual = false;
    HidDevice* device = nullptr;
    {
        const std::lock_guard<std::mutex> hold(b.mutex);
        if (!b.present || !b.enabled) {
            return nullptr;
        }
        device = std::make_unique<HidDevice>(HidDevice{true, nullptr, b.generation, INSTANCE_ID})
                     .release();
        ++b.seen.nrOpens;
        b.hasReply = false;
        listen = !b.listening;
        b.listening = true;
        manual = b.manualClock;
    }
    if (listen) {
        inputSetKeyListener(&onKey);
    }
    if (!manual) {
        clock().ensureRunning();
    }
    return device;
}

void close(HidDevice* const device) {
    const std::unique_ptr<HidDevice> owned(device);
}

int32_t write(HidDevice* const device, const uint8_t* const data, const uint32_t size) {
    Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    b.hasReply = false;
    if (!usable(b, device) || data == nullptr || takeFault(b, Fault::WriteFail)) {
        return -1;
    }
    if (takeFault(b, Fault::ShortWrite)) {
        return static_cast<int32_t>(size / 2);
    }
    ++b.seen.nrReports;
    if (size != HID_REPORT_SIZE || data[0] != 0xAA || data[3] > MAX_PAYLOAD) {
        return static_cast<int32_t>(size);
    }
    uint8_t answer[MAX_PAYLOAD] = {};
    const int32_t n = carryOut(b, data[1], data + 4, data[3], answer);
    if (n < 0 || takeFault(b, Fault::DroppedReply)) {
        return static_cast<int32_t>(size);
    }
    std::memset(b.reply, 0, sizeof b.reply);
    b.reply[0] = 0xAA;
    b.reply[1] = data[1];
    b.reply[2] = data[2];
    if (takeFault(b, Fault::WrongSequence)) {
        b.reply[2] = static_cast<uint8_t>((data[2] + 1) & 0x7F);
    }
    b.reply[3] = static_cast<uint8_t>(n);
    std::memcpy(b.reply + 4, answer, static_cast<size_t>(n));
    b.hasReply = true;
    return static_cast<int32_t>(size);
}

int32_t read(HidDevice* const device, uint8_t* const data, const uint32_t size) {
    Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    if (!usable(b, device) || data == nullptr || !b.hasReply) {
        b.hasReply = false;
        return -1;
    }
    b.hasReply = false;
    uint32_t n = std::min(size, HID_REPORT_SIZE);
    if (takeFault(b, Fault::ShortRead)) {
        n = std::min<uint32_t>(n, 3);
    }
    std::memcpy(data, b.reply, n);
    return static_cast<int32_t>(n);
}

int32_t control(HidDevice* const device, const uint32_t code, const uint8_t*, uint32_t,
                uint8_t* const out, const uint32_t outSize) {
    Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    if (!usable(b, device) || takeFault(b, Fault::ControlFail)) {
        return -1;
    }
    switch (code) {
    case HID_CODE_READ_STATUS: {
        if (out == nullptr || outSize < 16) {
            return -1;
        }
        ++b.seen.nrStatusReads;
        for (uint32_t i = 0; i < 4; ++i) {
            out[i] = static_cast<uint8_t>(b.held[i] | b.latched[i]);
            b.latched[i] = 0;
        }
        const uint16_t words[6] = {b.analog[0], b.analog[1], b.analog[2],
                                   b.analog[3], b.coins[0],  b.coins[1]};
        for (uint32_t i = 0; i < 6; ++i) {
            out[4 + 2 * i] = static_cast<uint8_t>(words[i] >> 8);
            out[5 + 2 * i] = static_cast<uint8_t>(words[i]);
        }
        return 16;
    }
    case HID_CODE_CLEAR_ERRORS:
        return 0;
    case HID_CODE_DRIVER_VERSION: {
        if (out == nullptr) {
            return -1;
        }
        const uint32_t n = std::min<uint32_t>(outSize, sizeof DRIVER_VERSION);
        std::memset(out, 0, outSize);
        std::memcpy(out, DRIVER_VERSION, n);
        return static_cast<int32_t>(outSize);
    }
    default:
        return -1;
    }
}

bool setEnabled(const bool enabled) {
    Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    if (!b.present) {
        return false;
    }
    if (enabled) {
        ++b.seen.nrEnables;
    } else {
        ++b.seen.nrDisables;
        ++b.generation;
    }
    b.enabled = enabled;
    return true;
}

} // namespace zqp::hidsim

namespace zqp::hid::test {

using hidsim::board;

void reset() {
    hidsim::Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    b.present = true;
    b.enabled = true;
    ++b.generation;
    std::memset(b.held, 0, sizeof b.held);
    std::memset(b.latched, 0, sizeof b.latched);
    std::memset(b.analog, 0, sizeof b.analog);
    std::memset(b.coins, 0, sizeof b.coins);
    std::memset(b.faults, 0, sizeof b.faults);
    b.hasReply = false;
    b.seen = Seen{};
    for (hidsim::Channel& c : b.channels) {
        c = hidsim::Channel{};
    }
    b.manualClock = false;
    b.now = 0;
}

void failNext(const Fault fault, const uint32_t times) {
    if (fault >= Fault::Count) {
        return;
    }
    hidsim::Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    b.faults[static_cast<uint32_t>(fault)] = times;
}

void setPresent(const bool present) {
    hidsim::Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    if (b.present != present) {
        ++b.generation;
    }
    b.present = present;
    // A board plugged in again comes up enabled.
    b.enabled = true;
}

void addCoins(const uint32_t slot, const uint32_t count) {
    hidsim::Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    hidsim::dropCoins(b, slot, count);
}

void setSwitches(const uint32_t statusByte, const uint8_t mask, const bool on) {
    if (statusByte >= 4) {
        return;
    }
    hidsim::Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    if (on) {
        b.held[statusByte] |= mask;
        b.latched[statusByte] |= mask;
    } else {
        b.held[statusByte] = static_cast<uint8_t>(b.held[statusByte] & ~mask);
    }
}

void setAnalog(const uint32_t channel, const uint16_t raw) {
    if (channel >= 4) {
        return;
    }
    hidsim::Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    b.analog[channel] = raw;
}

void key(const uint8_t code, const bool down) {
    if (code == hidsim::KEY_COIN_1 || code == hidsim::KEY_COIN_2) {
        if (down) {
            addCoins(code == hidsim::KEY_COIN_1 ? 0 : 1, 1);
        }
        return;
    }
    for (const hidsim::KeySwitch& k : hidsim::KEY_SWITCHES) {
        if (k.code == code) {
            setSwitches(k.statusByte, k.mask, down);
        }
    }
}

void setManualClock(const bool manual) {
    hidsim::Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    b.manualClock = manual;
}

void advance(const uint32_t ms) {
    hidsim::Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    hidsim::step(b, ms);
}

Seen seen() {
    hidsim::Board& b = board();
    const std::lock_guard<std::mutex> hold(b.mutex);
    Seen s = b.seen;
    for (const uint32_t left : b.faults) {
        s.nrFaultsLeft += left;
    }
    return s;
}

} // namespace zqp::hid::test
