// Test hooks of the simulated I/O board: what a test (or a developer at the keyboard) does to
// the cabinet, the faults a real board shows only now and then, and what the board was sent.
// For tests and the desktop; the game never calls them. Any thread.
#pragma once

#include <cstdint>

namespace zqp::hid::test {

// Faults of the next report exchanges and control calls.
enum class Fault : uint32_t {
    // The write fails (a time-out on the bus); nothing reaches the board.
    WriteFail,
    // Only part of the report is written; the board ignores it.
    ShortWrite,
    // The board answers with another sequence number.
    WrongSequence,
    // The answer arrives cut after three bytes.
    ShortRead,
    // The board takes the report but its answer is lost; the read times out.
    DroppedReply,
    // A control call fails.
    ControlFail,
    Count,
};

// A fresh board: present, enabled, every switch, counter and output 0, no faults, no nodes on
// the serial channels, the clock at 0 and driven by the board's own thread.
void reset();
// The next `times` uses of the call fail in that way (Fault::Count: no effect).
void failNext(Fault fault, uint32_t times = 1);
// Unplugs (false) or plugs in the board. An unplugged board keeps counting coins.
void setPresent(bool present);
// Coins dropped into slot 0 or 1; refused (returned) while that slot's blocker is closed.
void addCoins(uint32_t slot, uint32_t count);
// Sets or clears switch bits of the input status byte 0..3.
void setSwitches(uint32_t statusByte, uint8_t mask, bool on);
// Raw reading of analog input 0..3.
void setAnalog(uint32_t channel, uint16_t raw);
// A key of the framework's key codes going down or up, as from the keyboard (README lists
// the keys the board takes).
void key(uint8_t code, bool down);
// The clock of the board and its serial nodes: manual (tests advance it) or driven by the
// board's thread in real time (the default).
void setManualClock(bool manual);
void advance(uint32_t ms);

// What the board has seen.
struct Seen {
    uint16_t outputWord = 0;
    uint8_t coinControl[4] = {};
    uint8_t watchDogSec = 0;
    uint32_t nrWatchDogs = 0;
    uint32_t nrOpens = 0;
    uint32_t nrDisables = 0;
    uint32_t nrEnables = 0;
    uint32_t nrReports = 0;
    uint16_t coinCounters[2] = {};
    uint32_t nrCoinsReturned = 0;
    uint32_t nrStatusReads = 0;
    // Searches that found no board (unplugged).
    uint32_t nrMissedFinds = 0;
    // Faults asked for and not yet shown.
    uint32_t nrFaultsLeft = 0;
};
Seen seen();

// Serial nodes: a chain of LED controller nodes on channel 0, of ticket dispenser nodes (two
// dispensers and two counters each) on channel 1; 0 nodes takes the chain away.
void attachLedNodes(uint32_t nrNodes);
void attachTicketNodes(uint32_t nrNodes);
// The next `times` answers of the channel's nodes are lost, or arrive with a bad checksum.
void dropAnswers(uint32_t channel, uint32_t times);
void garbleAnswers(uint32_t channel, uint32_t times);

struct LedNode {
    uint32_t mask = 0;
    uint8_t levels[24] = {};
    uint32_t nrMaskCommands = 0;
    uint32_t nrLevelCommands = 0;
};
// False without such a node.
bool ledNode(uint32_t node, LedNode& out);

struct TicketNode {
    uint16_t target[2] = {};
    uint16_t paid[2] = {};
    bool good[2] = {};
    bool stalled[2] = {};
    uint16_t counterTarget[2] = {};
    uint16_t counted[2] = {};
    uint32_t nrDispenseCommands = 0;
    uint32_t nrCountCommands = 0;
};
bool ticketNode(uint32_t node, TicketNode& out);
// A dispenser (0 or 1) that jams (stops paying) or runs again.
void stallDispenser(uint32_t node, uint32_t dispenser, bool stalled);

} // namespace zqp::hid::test
