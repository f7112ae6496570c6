// ZqMarlox4: the cabinet's USB I/O board: digital inputs, four analog inputs, sixteen
// outputs, two coin mechanisms with blockers, lamps and mechanical counters, two serial
// channels for the nodes behind the board (LED controller, ticket dispenser) and a watchdog.
// All board traffic runs on one worker thread (ZqMarlox4::Thread); the main thread queues
// commands (members ending Start, which return the command's id, 0 when not queued) and reads
// state. The board's inputs reach the game as ZqInput's extension device. Static members
// only. Depends on ZqDakt (transport), ZqInput, ZqThread and ZqSystem's clock.
#pragma once

#include <atomic>
#include <cstdint>

struct ZqDaktVersion;

class ZqMarlox4 {
public:
    static constexpr uint32_t MAX_PACKET_DATA = 60;
    static constexpr uint32_t MAX_SERIAL_SEND_DATA = 59;
    static constexpr uint32_t MAX_SERIAL_RECV_DATA = 58;
    static constexpr uint32_t NR_ANALOGS = 4;
    static constexpr uint32_t NR_COIN_SLOTS = 2;
    static constexpr uint32_t NR_SERIAL_CHS = 2;
    static constexpr uint32_t VERSION_TYPE = 0x0B000000u;
    static constexpr uint32_t VERSION_PRODUCT_CODE = 0x424D5055u;
    // Commands that may wait in the queue at once.
    static constexpr uint32_t MAX_QUEUED_COMMANDS = 19;
    static constexpr uint32_t COMMAND_TIMEOUT_MS = 5000;
    static constexpr uint32_t WATCHDOG_PERIOD_MS = 100;

    enum STATE : uint32_t {
        STATE_STOPPED = 0,
        STATE_READY = 2,
        STATE_BUSY = 3,
        STATE_FAILED = 4,
        STATE_TIMEOUT = 5,
    };
    // Baud codes, passed to the board unchanged; the rates are the board's.
    enum SERIAL_BAUD : uint8_t {
        SERIAL_BAUD_9600 = 0,
        SERIAL_BAUD_19200 = 1,
        SERIAL_BAUD_38400 = 2,
        SERIAL_BAUD_57600 = 3,
        SERIAL_BAUD_115200 = 4,
        SERIAL_BAUD_230400 = 5,
    };
    enum SERIAL_PARITY : uint8_t {
        SERIAL_PARITY_NONE = 0,
        SERIAL_PARITY_ODD = 1,
        SERIAL_PARITY_EVEN = 2,
        SERIAL_PARITY_MARK = 3,
    };

    class Thread;

    ZqMarlox4() = default;
    ~ZqMarlox4() = default;

    // Stops a running board, then starts the board thread (state ready).
    static void init();
    // Stops the LED controller, the ticket dispenser and the board thread; false when the
    // thread does not end within 5 s. Rethrows the code the thread ended with.
    static bool quit();
    static void sysQuit();
    // Per frame: the watchdog, and the state from the processed commands.
    static void sysMain();

    static uint64_t setOutputStart(uint16_t word);
    static uint64_t setOutputOnStart(uint16_t bits);
    static uint64_t setOutputOffStart(uint16_t bits);
    // True closes the slot's blocker.
    static uint64_t setCoinBlockersStart(bool slot1, bool slot2);
    static uint64_t setCoinLampsStart(bool lamp1, bool lamp2);
    static uint64_t setSerialModeStart(uint32_t ch, SERIAL_BAUD baud, SERIAL_PARITY parity);
    // n below 60 (the board takes 59 at most: more is refused).
    static uint64_t setSerialDataStart(uint32_t ch, const uint8_t* data, uint32_t n);
    static uint64_t setSerialBreakStart(uint32_t ch, bool on);

    static uint64_t getProcessedCommandId();
    static STATE getState() { return m_state.load(); }
    static uint32_t getCommandQueueSize();
    static uint32_t getMaxCommandQueueSize();
    // Copies of the board's version record and its driver's version text (zeroed while no
    // board is open).
    static void getVersion(ZqDaktVersion* version);
    static void getDriverVersion(char16_t text[256]);

    // Period in seconds after which the board stops its outputs without a watchdog command.
    static void setWatchDogTimer(uint8_t seconds) { m_watchDogTimerSec = seconds; }
    static void setCoinCounterEnable(bool slot1, bool slot2);
    // Counts the coins of both slots on the first mechanical counter.
    static void setCoinCounterCombine(bool on);
    // Coins inserted and not yet consumed; 0 for a slot past 1.
    static uint16_t getCoinStock(uint32_t slot);
    // Takes n (at most 20) coins of the stock; false when there are fewer.
    static bool consumeCoinStock(uint32_t slot, uint32_t n);
    // Analog scaling in 4.12 fixed point (4096 is 1.0) and offset; dead zone low <= v < high
    // (the smaller of a, b is low).
    static void setAnalogMulAdd(uint32_t ch, int16_t mul, int16_t add);
    static void setAnalogThreshold(uint32_t ch, int16_t a, int16_t b);
    // Pops one received record of the channel: copies min(count, *size) bytes and sets
    // *size; with a null buffer or size, or *size 0, the record is dropped. False when the
    // queue is empty.
    static bool getSerialRecvData(uint32_t ch, uint8_t* buffer, uint32_t* size);

    // Null while stopped.
    static Thread* m_pThread;

private:
    static uint64_t setCommand(uint32_t kind, uint32_t value);
    static uint64_t setCommandSerialData(uint32_t kind, uint32_t value, const uint8_t* data,
                                         uint32_t n);

    static std::atomic<STATE> m_state;
    static std::atomic<uint64_t> m_cmdId;
    static std::atomic<uint32_t> m_cmdTimeout;
    static std::atomic<uint8_t> m_watchDogTimerSec;
    static uint32_t m_watchDogTimerMsec;
};
