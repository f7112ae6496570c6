// ZqSerialNodeCycle: what the LED controller and the ticket dispenser share on their serial
// channel of the I/O board: the boot thread (line reset, chain probe, node count, versions)
// and the node command cycle (send a packet, wait 30 ms of frame time, poll the answer,
// unpack it, retry). Each controller keeps one and adds its commands and round-robin of
// pending updates. Private to zq/io; depends on ZqMarlox4, ZqSciPacket and ZqThread.
#pragma once

#include "zq/io/ZqDakt.h"
#include "zq/io/ZqMarlox4.h"
#include "zq/thread/ZqThread.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class ZqSerialNodeCycle {
public:
    enum STATE : uint32_t {
        STATE_STOPPED = 0,
        STATE_BOOTING = 1,
        STATE_READY = 2,
        STATE_BUSY = 3,
        STATE_ERROR = 4,
        STATE_BOARD_TIMEOUT = 5,
    };
    static constexpr uint32_t POLL_WAIT_MS = 30;
    static constexpr uint32_t ERROR_RETRY_COUNT = 10;
    static constexpr uint32_t MAX_NODES = 14;

    // Finds the chain and checks its nodes; the versions are read by the main thread only
    // once the thread has ended.
    class BootThread : public ZqThread {
    public:
        BootThread(ZqSerialNodeCycle& owner, uint32_t nrNodes, ZqMarlox4::SERIAL_BAUD baud,
                   ZqMarlox4::SERIAL_PARITY parity);
        void run() override;
        void stop() {
            m_stop = true;
            setEvent();
        }
        bool isEnded() const { return m_ended.load(); }
        bool isDone() const { return m_done.load(); }
        std::vector<ZqDaktVersion> m_versions;

    private:
        bool boot();
        // Waits ms on the stop event; false when stopped.
        bool pause(uint32_t ms);
        bool waitProcessed(uint64_t id);
        // One node command; the answer's data length (0 on any failure).
        uint32_t exchange(uint32_t node, uint32_t command, const uint8_t* data, uint32_t n,
                          uint8_t* answer);

        ZqSerialNodeCycle& m_owner;
        const uint32_t m_nrNodes;
        const ZqMarlox4::SERIAL_BAUD m_baud;
        const ZqMarlox4::SERIAL_PARITY m_parity;
        std::atomic<bool> m_stop{false};
        std::atomic<bool> m_done{false};
        std::atomic<bool> m_ended{false};
    };

    ZqSerialNodeCycle(uint32_t channel, uint32_t versionType, uint32_t versionProductCode);

    // Refused for a node count outside 1..14, a baud code from 6 or a parity code from 4, or
    // while booting. Otherwise stops, clears and starts the boot thread.
    bool init(uint32_t nrNodes, uint32_t baud, uint32_t parity);
    // Stops the boot thread (without a time limit) and rethrows the code it ended with.
    void quit();
    // Frame work up to the answer. Returns true in the frame a command completed well (the
    // caller then sends its next pending update) and calls `unpack` with the answer's data;
    // sets `failed` when the state became 4 in this frame (the caller retries).
    template <class Unpack> bool poll(Unpack unpack, bool& failed);
    // Sends a node command: 0 when not queued, else 2.
    uint32_t startSub(uint32_t node, uint32_t command, uint32_t bufferSize, const uint8_t* data,
                      uint32_t n);
    // True when the boot ended well this frame.
    bool bootEnded(bool& good);
    bool getVersion(uint32_t node, ZqDaktVersion* version) const;

    const uint32_t m_channel;
    const uint32_t m_versionType;
    const uint32_t m_versionProductCode;

    std::unique_ptr<BootThread> m_pBootThread;
    STATE m_state = STATE_STOPPED;
    uint8_t m_substateBusy = 0;
    uint8_t m_nrNodes = 0;
    uint8_t m_errorCount = 0;
    uint32_t m_nodeNr = 0;
    uint16_t m_cmd = 0;
    uint32_t m_time = 0;
    uint32_t m_rr = 0;
    uint64_t m_p4cmdId = 0;
    uint8_t m_cmdId = 0;
    std::vector<ZqDaktVersion> m_versions;

private:
    bool pollBody(uint8_t* data, uint32_t& n, bool& failed);
};

template <class Unpack> bool ZqSerialNodeCycle::poll(Unpack unpack, bool& failed) {
    uint8_t data[ZqMarlox4::MAX_SERIAL_RECV_DATA] = {};
    uint32_t n = 0;
    if (!pollBody(data, n, failed)) {
        return false;
    }
    if (unpack(data, n)) {
        m_state = STATE_READY;
        m_errorCount = 0;
        return true;
    }
    failed = true;
    return false;
}
