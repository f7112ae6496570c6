// ZqTicketDispenser: the chain of ticket dispenser nodes on serial channel 1 of the I/O board,
// each with two dispensers and two counters. The caller raises running targets; the node pays
// out until its reported count reaches the target, and a unit whose count stops advancing for
// 3 s is marked faulty until the caller clears it. Boot and command cycle as the LED
// controller's. Static members only; main thread. Depends on ZqMarlox4 and ZqSciPacket.
#pragma once

#include <cstdint>

struct ZqDaktVersion;

class ZqTicketDispenser {
public:
    static constexpr uint32_t MAX_NODES = 14;
    static constexpr uint32_t VERSION_TYPE = 0x0A030000u;
    static constexpr uint32_t VERSION_PRODUCT_CODE = 0x564E3142u; // "VN1B"
    static constexpr uint32_t SERIAL_CH = 1;
    static constexpr uint32_t PERIOD_CHECK = 1000;
    static constexpr uint32_t PERIOD_COUNT_NOT_CHANGED = 3000;
    static constexpr uint32_t ERROR_RETRY_COUNT = 10;
    // A target never runs further ahead of the reported count.
    static constexpr uint16_t MAX_OUTSTANDING = 30000;
    static constexpr uint16_t MAX_ADD = 256;

    enum STATE : uint32_t {
        STATE_STOPPED = 0,
        STATE_BOOTING = 1,
        STATE_READY = 2,
        STATE_BUSY = 3,
        STATE_ERROR = 4,
        STATE_BOARD_TIMEOUT = 5,
    };
    static constexpr uint32_t RESULT_REFUSED = 0;
    static constexpr uint32_t RESULT_SENT = 2;
    static constexpr uint32_t RESULT_PENDING = 3;

    // Per-node state (defined in the source).
    struct Unit;
    struct Work;

    static bool init(uint32_t nrNodes, uint32_t baud, uint32_t parity);
    static void quit();
    static void sysQuit() { quit(); }
    static void sysMain();
    static STATE getState();
    static uint32_t getNrNodes();
    static bool isCommandReady() { return getState() >= STATE_READY; }
    static bool getVersion(uint32_t node, ZqDaktVersion* version);

    // Adds up to 256 tickets to each dispenser's target (0 refused, 2 sent, 3 sent later).
    static uint32_t dispenseStart(uint32_t node, uint16_t count1, uint16_t count2);
    // The same for the two counters.
    static uint32_t countStart(uint32_t node, uint16_t count1, uint16_t count2);
    // False for a node out of range; null pointers are skipped.
    static bool getDispenserCount(uint32_t node, uint16_t* target1, uint16_t* target2,
                                  uint16_t* reported1, uint16_t* reported2);
    static bool getCounterCount(uint32_t node, uint16_t* target1, uint16_t* target2,
                                uint16_t* reported1, uint16_t* reported2);
    static bool getDispenserState(uint32_t node, bool* good1, bool* good2);
    static bool getCounterState(uint32_t node, bool* good1, bool* good2);
    // Marks the named faulty units good again and sends the node its targets once.
    static bool clearDispenserError(uint32_t node, bool clear1, bool clear2);
    static bool clearCounterError(uint32_t node, bool clear1, bool clear2);

private:
    static uint32_t send(uint32_t node, bool dispense);
    static uint32_t add(uint32_t node, bool dispense, uint16_t count1, uint16_t count2);
    static bool unpack(const uint8_t* data, uint32_t n);
    static void sendPending();
};
