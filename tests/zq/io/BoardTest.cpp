// The board transport and the cabinet I/O against the simulated board: report checks, coins,
// outputs, faults and their recovery, unplugging.
#include "zq/input/ZqInput.h"
#include "zq/io/ZqDakt.h"
#include "zq/io/ZqMarlox4.h"
#include "zq/platform/hid/hid.h"
#include "zq/platform/hid/hid_test.h"
#include "zq/thread/ZqThread.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

namespace sim = zqp::hid::test;
using Fault = sim::Fault;

// Polls (running the board's frame work) until the condition holds; the board thread runs
// its cycle every millisecond, so the limit is only there to end a broken run.
bool waitFor(const std::function<bool()>& condition, const uint32_t limitMs = 10000) {
    for (uint32_t i = 0; i < limitMs; ++i) {
        ZqMarlox4::sysMain();
        if (condition()) {
            return true;
        }
        ZqThread::sleep(1);
    }
    return condition();
}

bool processed(const uint64_t id) {
    return id != 0 && ZqMarlox4::getProcessedCommandId() >= id;
}

class Board : public ::testing::Test {
protected:
    void SetUp() override {
        sim::reset();
        sim::setManualClock(true);
        ZqInput::sysInit();
        ZqMarlox4::init();
        ZqMarlox4::setCoinCounterEnable(true, true);
        ASSERT_TRUE(waitFor([] { return sim::seen().nrOpens == 1; }));
        // Wait for one command, so the board has surely opened and runs its cycle.
        ASSERT_TRUE(waitFor([id = ZqMarlox4::setOutputStart(0)] { return processed(id); }));
    }
    void TearDown() override {
        EXPECT_TRUE(ZqMarlox4::quit());
        EXPECT_EQ(ZqMarlox4::getState(), ZqMarlox4::STATE_STOPPED);
        ZqInput::sysQuit();
        sim::reset();
    }
};

TEST(ZqDaktVersion, CheckComparesBytesHighFirst) {
    const uint8_t type[4] = {0x0B, 0, 0, 0};
    const uint8_t product[4] = {'B', 'M', 'P', 'U'};
    const uint8_t text[16] = {'A', 'B', 'C'};
    uint8_t full[16];
    std::fill_n(full, 16, uint8_t{'x'});
    ZqDaktVersion v;
    v.set(type, 1, 2, 3, product, text, full);
    EXPECT_TRUE(v.check(0x0B000000u, 0x424D5055u));
    EXPECT_FALSE(v.check(0x0000000Bu, 0x424D5055u));
    EXPECT_FALSE(v.check(0x0B000000u, 0x554D5042u));
    EXPECT_EQ(v.version[0], 0);
    EXPECT_EQ(v.version[3], 3);
    EXPECT_EQ(std::u16string(v.text1, 3), u"ABC");
    EXPECT_EQ(v.text1[3], 0);
    // Sixteen bytes fill the text with no terminator.
    EXPECT_EQ(std::u16string(v.text2, 16), std::u16string(16, u'x'));
    v.clear();
    EXPECT_FALSE(v.check(0x0B000000u, 0x424D5055u));
}

TEST(ZqDakt, ReportExchangeChecksEveryReply) {
    sim::reset();
    sim::setManualClock(true);
    ZqString id;
    const ZqDakt::Handle h = ZqDakt::open(&zqp::HID_BOARD_CLASS, u"m3io", &id);
    ASSERT_NE(h, nullptr);
    EXPECT_FALSE(id.empty());
    uint8_t reply[60] = {};
    EXPECT_EQ(ZqDakt::exchange(h, 0x00, 5, nullptr, 0, reply, 1, true), 1);
    uint8_t record[44] = {};
    ASSERT_EQ(ZqDakt::exchange(h, 0x01, 6, nullptr, 0, record, 44, true), 44);
    ZqDaktVersion v;
    v.setRecord(record);
    EXPECT_TRUE(v.check(ZqMarlox4::VERSION_TYPE, ZqMarlox4::VERSION_PRODUCT_CODE));
    // The version asked with the wrong exact length is refused.
    EXPECT_EQ(ZqDakt::exchange(h, 0x01, 6, nullptr, 0, record, 40, true), ZqDakt::BAD_REPLY);

    const uint8_t big[61] = {};
    EXPECT_EQ(ZqDakt::exchange(h, 0x00, 1, big, 61, reply, 1, true), -1);
    EXPECT_EQ(ZqDakt::exchange(h, 0x00, 1, nullptr, 0, reply, 0, true), -1);
    EXPECT_EQ(ZqDakt::exchange(h, 0x00, 1, nullptr, 0, reply, 61, true), -1);

    struct Row {
        Fault fault;
        int32_t result;
        uint32_t readErrors;
        uint32_t writeErrors;
    };
    const Row rows[] = {
        {Fault::WrongSequence, ZqDakt::BAD_REPLY, 0, 0},
        {Fault::ShortRead, ZqDakt::BAD_REPLY, 0, 0},
        {Fault::ShortWrite, ZqDakt::SHORT_WRITE, 0, 0},
        {Fault::WriteFail, -1, 0, 1},
        {Fault::DroppedReply, ZqDakt::BAD_REPLY, 1, 0},
    };
    for (const Row& row : rows) {
        ZqDakt::clearErrors();
        sim::failNext(row.fault);
        EXPECT_EQ(ZqDakt::exchange(h, 0x00, 9, nullptr, 0, reply, 1, true), row.result)
            << static_cast<int>(row.fault);
        EXPECT_EQ(ZqDakt::getNrBulkReadErrors(), row.readErrors);
        EXPECT_EQ(ZqDakt::getNrBulkWriteErrors(), row.writeErrors);
        // The next exchange is good again.
        EXPECT_EQ(ZqDakt::exchange(h, 0x00, 9, nullptr, 0, reply, 1, true), 1);
    }

    uint8_t status[16] = {};
    sim::failNext(Fault::ControlFail);
    EXPECT_EQ(ZqDakt::interrupt(h, ZqDakt::IOCTL_READ_STATUS, nullptr, 0, status, 16), -1);
    EXPECT_EQ(ZqDakt::getNrInterruptErrors(), 1u);
    // A good clear-device-errors call zeroes the counters.
    EXPECT_EQ(ZqDakt::interrupt(h, ZqDakt::IOCTL_CLEAR_ERRORS, nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(ZqDakt::getNrInterruptErrors(), 0u);

    // Resetting disables the board: its open handle fails from then on.
    const ZqString unknown = u"no such device";
    EXPECT_FALSE(ZqDakt::reset(&unknown));
    EXPECT_TRUE(ZqDakt::reset(&id));
    EXPECT_EQ(ZqDakt::exchange(h, 0x00, 1, nullptr, 0, reply, 1, true), -1);
    ZqDakt::close(h);
    EXPECT_EQ(sim::seen().nrDisables, 1u);
    EXPECT_EQ(sim::seen().nrEnables, 1u);
}

TEST_F(Board, OpensAndReportsItsVersions) {
    ZqDaktVersion v;
    ZqMarlox4::getVersion(&v);
    EXPECT_TRUE(v.check(ZqMarlox4::VERSION_TYPE, ZqMarlox4::VERSION_PRODUCT_CODE));
    char16_t driver[256] = {};
    ZqMarlox4::getDriverVersion(driver);
    EXPECT_NE(driver[0], 0);
    EXPECT_EQ(ZqMarlox4::getState(), ZqMarlox4::STATE_READY);
}

TEST_F(Board, CoinsReachTheStockOnceEach) {
    sim::addCoins(0, 1);
    sim::key(0x06, true); // the coin key of slot 1
    sim::key(0x06, false);
    sim::addCoins(1, 2);
    ASSERT_TRUE(waitFor([] { return ZqMarlox4::getCoinStock(0) == 2; }));
    ASSERT_TRUE(waitFor([] { return ZqMarlox4::getCoinStock(1) == 2; }));
    // The mechanical counters were told.
    ASSERT_TRUE(waitFor([] { return sim::seen().coinControl[2] == 2; }));
    EXPECT_EQ(sim::seen().coinControl[3], 2);

    // Sixteen coins between two readings count; seventeen are discarded whole.
    sim::addCoins(0, 16);
    ASSERT_TRUE(waitFor([] { return ZqMarlox4::getCoinStock(0) == 18; }));
    sim::addCoins(0, 17);
    // Two status readings later the board has surely read the jump on its own.
    ASSERT_TRUE(
        waitFor([n = sim::seen().nrStatusReads + 2] { return sim::seen().nrStatusReads >= n; }));
    sim::addCoins(0, 1);
    ASSERT_TRUE(waitFor([] { return ZqMarlox4::getCoinStock(0) == 19; }));

    EXPECT_FALSE(ZqMarlox4::consumeCoinStock(0, 21));
    EXPECT_FALSE(ZqMarlox4::consumeCoinStock(2, 1));
    EXPECT_FALSE(ZqMarlox4::consumeCoinStock(1, 3));
    EXPECT_TRUE(ZqMarlox4::consumeCoinStock(0, 19));
    EXPECT_EQ(ZqMarlox4::getCoinStock(0), 0);
    EXPECT_EQ(ZqMarlox4::getCoinStock(2), 0);

    // A closed blocker returns the coin; counting disabled discards it.
    ASSERT_TRUE(
        waitFor([id = ZqMarlox4::setCoinBlockersStart(true, false)] { return processed(id); }));
    EXPECT_EQ(sim::seen().coinControl[0], 0x20);
    sim::addCoins(0, 1);
    EXPECT_EQ(sim::seen().nrCoinsReturned, 1u);
    ZqMarlox4::setCoinCounterEnable(true, false);
    sim::addCoins(1, 1);
    ASSERT_TRUE(waitFor([] { return sim::seen().coinCounters[1] == 3; }));
    ASSERT_TRUE(waitFor([id = ZqMarlox4::setCoinLampsStart(true, true)] { return processed(id); }));
    EXPECT_EQ(sim::seen().coinControl[0], 0x20 | 0x08 | 0x04);
    EXPECT_EQ(ZqMarlox4::getCoinStock(0), 0);
    EXPECT_EQ(ZqMarlox4::getCoinStock(1), 2);
}

TEST_F(Board, OutputsAndSerialCommandsReachTheBoard) {
    ZqMarlox4::setOutputStart(0x00F0);
    ZqMarlox4::setOutputOnStart(0x8001);
    const uint64_t id = ZqMarlox4::setOutputOffStart(0x0010);
    ASSERT_TRUE(waitFor([id] { return processed(id); }));
    EXPECT_EQ(sim::seen().outputWord, 0x80E1);
    ZqMarlox4::sysMain();
    EXPECT_EQ(ZqMarlox4::getState(), ZqMarlox4::STATE_READY);

    // No node answers on the channel: the data goes out, an empty record comes back.
    const uint8_t data[3] = {1, 2, 3};
    const uint64_t serial = ZqMarlox4::setSerialDataStart(0, data, 3);
    ASSERT_TRUE(waitFor([serial] { return processed(serial); }));
    uint8_t buffer[58] = {};
    uint32_t size = sizeof buffer;
    EXPECT_TRUE(ZqMarlox4::getSerialRecvData(0, buffer, &size));
    EXPECT_EQ(size, 0u);
    EXPECT_FALSE(ZqMarlox4::getSerialRecvData(0, buffer, &size));
    EXPECT_EQ(ZqMarlox4::setSerialDataStart(0, data, 60), 0u);
    // A serial-data command for a channel the board does not have fails.
    const uint64_t bad = ZqMarlox4::setSerialDataStart(5, data, 3);
    ASSERT_TRUE(waitFor([bad] { return processed(bad); }));
    ZqMarlox4::sysMain();
    EXPECT_EQ(ZqMarlox4::getState(), ZqMarlox4::STATE_FAILED);
}

TEST_F(Board, AFullQueueRefusesYetConsumesAnId) {
    // An unplugged board takes no commands: they wait.
    sim::setPresent(false);
    ASSERT_TRUE(waitFor([] { return sim::seen().nrMissedFinds > 0; }));
    uint64_t last = 0;
    for (uint32_t i = 0; i < ZqMarlox4::MAX_QUEUED_COMMANDS; ++i) {
        last = ZqMarlox4::setOutputStart(static_cast<uint16_t>(i));
        ASSERT_NE(last, 0u);
    }
    EXPECT_EQ(ZqMarlox4::getCommandQueueSize(), ZqMarlox4::MAX_QUEUED_COMMANDS);
    EXPECT_EQ(ZqMarlox4::setOutputStart(1), 0u);
    EXPECT_EQ(ZqMarlox4::getMaxCommandQueueSize(), ZqMarlox4::MAX_QUEUED_COMMANDS);
    EXPECT_EQ(ZqMarlox4::getState(), ZqMarlox4::STATE_BUSY);
    sim::setPresent(true);
    ASSERT_TRUE(waitFor([] { return ZqMarlox4::getCommandQueueSize() == 0; }));
    const uint64_t next = ZqMarlox4::setOutputStart(7);
    EXPECT_EQ(next, last + 2);
    ASSERT_TRUE(waitFor([next] { return processed(next); }));
    EXPECT_EQ(sim::seen().outputWord, 7);
}

// Every fault, shown long enough, takes the board through closing, failed opens and the
// reset of the device; afterwards it answers again and has lost no coin.
TEST_F(Board, EveryFaultLeadsThroughTheResetBack) {
    for (uint32_t f = 0; f < static_cast<uint32_t>(Fault::Count); ++f) {
        SCOPED_TRACE(f);
        const sim::Seen before = sim::seen();
        sim::addCoins(0, 1);
        ASSERT_TRUE(waitFor([n = f + 1] { return ZqMarlox4::getCoinStock(0) == n; }));
        // The fault lasts until the board has been reset, then goes away.
        sim::failNext(static_cast<Fault>(f), 1000000);
        // Commands keep coming, several a cycle, so that report faults fail whole cycles.
        ASSERT_TRUE(waitFor([&before] {
            while (ZqMarlox4::getCommandQueueSize() < ZqMarlox4::MAX_QUEUED_COMMANDS) {
                ZqMarlox4::setOutputStart(0x55);
            }
            return sim::seen().nrDisables > before.nrDisables;
        }));
        sim::failNext(static_cast<Fault>(f), 0);
        ASSERT_TRUE(waitFor([] { return ZqMarlox4::getCommandQueueSize() == 0; }));
        const sim::Seen after = sim::seen();
        EXPECT_GT(after.nrDisables, before.nrDisables);
        EXPECT_GT(after.nrOpens, before.nrOpens);
        const uint64_t id = ZqMarlox4::setOutputStart(static_cast<uint16_t>(f));
        ASSERT_TRUE(waitFor([id] { return processed(id); }));
        ZqMarlox4::sysMain();
        EXPECT_EQ(ZqMarlox4::getState(), ZqMarlox4::STATE_READY);
        EXPECT_EQ(sim::seen().outputWord, f);
        EXPECT_EQ(ZqMarlox4::getCoinStock(0), f + 1);
    }
}

TEST_F(Board, UnplugAndReplugLoseNoCoin) {
    sim::addCoins(0, 2);
    ASSERT_TRUE(waitFor([] { return ZqMarlox4::getCoinStock(0) == 2; }));
    sim::setPresent(false);
    ASSERT_TRUE(waitFor([] { return sim::seen().nrMissedFinds > 0; }));
    // Coins dropped while the cable is out are counted by the board and seen afterwards.
    sim::addCoins(0, 3);
    sim::setPresent(true);
    ASSERT_TRUE(waitFor([] { return sim::seen().nrOpens >= 2; }));
    ASSERT_TRUE(waitFor([] { return ZqMarlox4::getCoinStock(0) == 5; }));
    EXPECT_TRUE(ZqMarlox4::consumeCoinStock(0, 5));
}

TEST_F(Board, SwitchesAndAnalogsReachTheExtensionDevice) {
    ZqInput* const ext = ZqInput::getDevice(ZqInput::DEVICE_NR_EXTENSION);
    ASSERT_NE(ext, nullptr);
    // Twice the reading, less 100; readings that land in -50..49 count as 0.
    ext->setAxisMulAdd(1, 8192, -100);
    ext->setAxisThreshold(1, 50, -50);
    const auto frame = [] {
        ZqInput::sysMain();
        return true;
    };
    sim::setSwitches(0, 0x20, true); // input 5
    sim::setSwitches(3, 0x01, true); // input 23
    sim::setAnalog(1, 1000);
    ASSERT_TRUE(waitFor([&] { return frame() && ext->getButton(5) == 1; }));
    ASSERT_TRUE(waitFor([&] { return frame() && ext->getButton(23) == 1; }));
    ASSERT_TRUE(waitFor([&] { return frame() && ext->getAxis(1) == 1900; }));
    sim::setAnalog(1, 70);
    ASSERT_TRUE(waitFor([&] { return frame() && ext->getAxis(1) == 40 - 40; }));
    sim::setAnalog(1, 30000);
    ASSERT_TRUE(waitFor([&] { return frame() && ext->getAxis(1) == 32767; }));
    sim::setSwitches(0, 0x20, false);
    ASSERT_TRUE(waitFor([&] { return frame() && ext->getButton(5) == 0; }));
    // A tap between two readings is still seen.
    sim::key(0x12, true); // E: the same switch as input 5
    sim::key(0x12, false);
    ASSERT_TRUE(waitFor([&] { return frame() && ext->getButtonOn(5) == 1; }));
}

} // namespace
