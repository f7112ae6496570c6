// The game's random generator: one Mersenne Twister the whole game draws from (attract order,
// shuffled voices, the events' chances). It lives here, beside the recorder, because a
// recording carries its state: replaying a demo swaps the recorded state in and the live one
// back. The root task makes it when it is made, reseeds it from the clock in its init and
// deletes it with itself (TaskRoot::getRandom and its siblings forward here). Main thread only.
#pragma once

#include <cstdint>

// Makes the generator in its default seeding; replaces one already made.
void createGameRandom();
// Seeds the generator afresh; nothing without one.
void seedGameRandom(uint32_t seed);
void deleteGameRandom();
// Next 32-bit value of the generator; 0 without one.
uint32_t getGameRandom();
// The generator's 624 state words and its index; nothing without a generator.
void getGameRandomState(uint32_t* words, uint32_t* index);
void setGameRandomState(const uint32_t* words, uint32_t index);
