// Cabinet I/O calls of the game. The board calls go to the framework's I/O board once
// boardInit has opened it (the simulated board on a desktop); before that, and for the LED
// controller until the game's LED calls land, every call is only accepted. The latest calls
// are recorded (a fixed ring: the lamp task calls all the time, for as long as the game runs,
// so the record never grows). An accepted-only transfer shows as sending (state 3) to the next
// state query, then the controller or board is running again (2). The LED controller reports two
// nodes once initialised.
// Stand-in: LED calls before the board opens are only recorded; replaced by #61 and #62.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cabinet {

enum STATE : uint32_t { STATE_NONE = 0, STATE_BOOTING = 1, STATE_RUNNING = 2, STATE_SENDING = 3 };

// One recorded call.
struct Transfer {
    enum KIND : uint32_t { LED_MODE, LED_VALUES, BOARD_OUTPUT } kind;
    uint32_t node;      // LED node; 0 for the board
    uint32_t value;     // mode word or output byte; 0 for values
    uint8_t values[24]; // LED values
};

// Opens the I/O board with coin counting on both slots.
void boardInit();
bool boardSetOutputStart(uint8_t output);
uint32_t boardGetState();
// Coins of a slot (0 or 1) inserted and not yet taken.
uint32_t boardGetCoinStock(uint32_t slot);

void ledInit(uint32_t nrNodes, uint32_t baud, uint32_t parity);
void ledQuit();
uint32_t ledGetState();
uint32_t ledGetNrNodes();
bool ledSetOutputStart(uint32_t node, uint32_t mode);
bool ledSetOutputStart(uint32_t node, const uint8_t values[24]);

// How many calls the record keeps; older ones are dropped.
constexpr size_t TRANSFER_RECORD_SIZE = 64;

// The latest calls (at most TRANSFER_RECORD_SIZE), oldest first; clearing also forgets the
// states.
std::vector<Transfer> getTransfers();
void clearTransfers();

} // namespace cabinet
