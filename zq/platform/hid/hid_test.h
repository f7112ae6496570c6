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

} // namespace zqp::hid::test
