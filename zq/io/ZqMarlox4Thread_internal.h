// ZqMarlox4::Thread: the I/O board's worker thread with its command and serial queues and the
// board state it keeps. Private to zq/io.
#pragma once

#include "zq/io/ZqDakt.h"
#include "zq/io/ZqMarlox4.h"
#include "zq/thread/ZqCriticalSection.h"
#include "zq/thread/ZqFifo.h"
#include "zq/thread/ZqThread.h"

#include <atomic>
#include <cstdint>

class ZqMarlox4::Thread : public ZqThread {
public:
    struct Command {
        uint64_t id;
        uint32_t kind;
        uint32_t value;
    };
    struct SerialSend {
        uint8_t data[MAX_SERIAL_SEND_DATA];
    };
    struct SerialRecv {
        uint8_t count;
        uint8_t zero;
        uint8_t data[MAX_SERIAL_RECV_DATA];
    };
    struct Analog {
        int16_t mul = 4096;
        int16_t add = 0;
        int16_t low = 0;
        int16_t high = 0;
    };
    struct CoinSlot {
        uint16_t stock = 0;
        uint16_t lastReading = 0;
        uint16_t discarded = 0;
    };
    enum CONNECTION : uint8_t { CONNECTION_OPEN = 0, CONNECTION_RUNNING = 1, CONNECTION_RESET = 2 };

    static constexpr uint32_t NR_COMMAND_SLOTS = MAX_QUEUED_COMMANDS + 1;
    static constexpr uint32_t NR_SERIAL_SLOTS = 8;
    static constexpr uint32_t STATUS_SIZE = 16;
    static constexpr uint32_t MAX_RETRIES = 10;

    Thread() = default;
    void run() override;
    void stop() {
        m_stop = true;
        setEvent();
    }

    ZqFifo<Command> m_cmdFifo{NR_COMMAND_SLOTS};
    ZqFifo<SerialSend> m_serialSendFifo{NR_SERIAL_SLOTS};
    ZqFifo<SerialRecv> m_serialRecvFifo[NR_SERIAL_CHS] = {ZqFifo<SerialRecv>(NR_SERIAL_SLOTS),
                                                          ZqFifo<SerialRecv>(NR_SERIAL_SLOTS)};
    // Guarded by m_cs.
    uint32_t m_lastResult = 1;
    uint64_t m_processedId = 0;

    ZqDakt::Handle m_handle = nullptr;
    std::atomic<uint8_t> m_connection{CONNECTION_OPEN};
    uint32_t m_retryCount = 0;
    mutable ZqCriticalSection m_cs;
    ZqString m_instanceId;
    uint8_t m_prevStatus[STATUS_SIZE] = {};
    // Board thread only, except where noted.
    uint16_t m_outputWord = 0;
    uint8_t m_coinBlockers = 0;
    uint8_t m_coinLamps = 0;
    uint8_t m_coinCounterTotal[NR_COIN_SLOTS] = {};
    // Guarded by m_cs.
    bool m_coinCountEnable[NR_COIN_SLOTS] = {};
    bool m_combine = false;
    std::atomic<uint32_t> m_maxCmdQueue{0};
    Analog m_analogs[NR_ANALOGS];
    CoinSlot m_coins[NR_COIN_SLOTS];
    ZqDaktVersion m_version;
    char16_t m_driverVersion[256] = {};

private:
    bool open();
    void closeHandle();
    // One pass of the running state; false when it failed.
    bool cycle();
    bool readStatus(uint8_t status[STATUS_SIZE]);
    void postButtons(const uint8_t status[STATUS_SIZE], const uint8_t* previous, uint32_t time);
    void postAnalogs(const uint8_t status[STATUS_SIZE], bool raw, uint32_t time);
    // Counts the coins of a status; true when the mechanical counters moved.
    bool countCoins(const uint8_t status[STATUS_SIZE]);
    bool carryOut(const Command& command);
    bool sendFixed(uint8_t code, const uint8_t* payload, uint32_t n, uint32_t expected);
    bool sendCoinControl();
    bool sendOutputs();
    bool sendSerialData(uint32_t ch, uint32_t n);
    uint8_t sequence() const;

    std::atomic<bool> m_stop{false};
    // The board has been opened once since init: a later open keeps the coin stock.
    bool m_openedBefore = false;
};
