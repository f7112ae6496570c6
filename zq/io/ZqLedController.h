// ZqLedController: the chain of LED controller nodes on serial channel 0 of the I/O board. A
// boot thread resets the line, finds the nodes and checks their versions; then the main thread
// sends one node command at a time (an output mask or 24 output levels), polls the answer,
// retries failures and keeps later updates per node while a command is in flight, sending
// them in turn. Static members only; main thread. Depends on ZqMarlox4 and ZqSciPacket.
#pragma once

#include <cstdint>
#include <memory>

struct ZqDaktVersion;
class ZqSerialNodeCycle;

class ZqLedController {
public:
    static constexpr uint32_t MAX_NODES = 14;
    static constexpr uint32_t NR_PC_OUTPUTS = 6;
    static constexpr uint32_t NR_OC_OUTPUTS = 24;
    static constexpr uint32_t VERSION_TYPE = 0x09040000u;
    static constexpr uint32_t VERSION_PRODUCT_CODE = 0x564E314Cu; // "VN1L"
    static constexpr uint32_t SERIAL_CH = 0;
    static constexpr uint32_t ERROR_RETRY_COUNT = 10;

    enum STATE : uint32_t {
        STATE_STOPPED = 0,
        STATE_BOOTING = 1,
        STATE_READY = 2,
        STATE_BUSY = 3,
        STATE_ERROR = 4,
        STATE_BOARD_TIMEOUT = 5,
    };
    // Results of the output calls.
    static constexpr uint32_t RESULT_REFUSED = 0;
    static constexpr uint32_t RESULT_SENT = 2;
    static constexpr uint32_t RESULT_PENDING = 3;

    // Refused for nrNodes outside 1..14, a baud code from 6, a parity code from 4, or while
    // booting; otherwise restarts the controller and boots the chain (state 1).
    // Per-node state (defined in the source).
    struct Work;

    static bool init(uint32_t nrNodes, uint32_t baud, uint32_t parity);
    // Stops the boot thread (rethrowing a code it ended with) and forgets the nodes.
    static void quit();
    static void sysQuit() { quit(); }
    // Per frame, after ZqMarlox4::sysMain.
    static void sysMain();

    static STATE getState();
    static uint32_t getNrNodes();
    static bool isCommandReady() { return getState() >= STATE_READY; }
    static bool getVersion(uint32_t node, ZqDaktVersion* version);

    // The node's output mask (bit i: output i), and its 24 levels 0..255 (sent as 0..128).
    static uint32_t setOutputStart(uint32_t node, uint32_t mask);
    static uint32_t setOutputStart(uint32_t node, const uint8_t levels[NR_OC_OUTPUTS]);
    static uint32_t setOutputOnStart(uint32_t node, uint32_t bits);
    static uint32_t setOutputOffStart(uint32_t node, uint32_t bits);

private:
    static uint32_t sendMask(uint32_t node);
    static uint32_t sendLevels(uint32_t node);
    static void sendPending();
};
