// Test hook of the background-music thread: a look at its stream, so that a test rendering the
// null sink offline can keep pace with the thread (render only what is queued) and count the
// file reads and seeks. For tests only; the game never calls it.
#pragma once

#include <cstdint>

namespace zqsd::test {

struct BgmState {
    bool thread = false;
    // A track's voice exists, the buffers queued at it and the frames they still hold.
    bool voice = false;
    uint32_t queued = 0;
    uint64_t framesQueued = 0;
    // The whole track is queued; what is left only plays out.
    bool draining = false;
    // Since the thread was made: chunks read, seeks back to the loop start, buffers submitted.
    uint32_t reads = 0;
    uint32_t seeks = 0;
    uint32_t submits = 0;
    // Commands waiting in the queue.
    uint32_t commands = 0;
    // A fade-out has been set going (its start time is taken) and has not ended yet.
    bool fadingOut = false;
    // Tracks started since the thread was made.
    uint32_t starts = 0;
};
BgmState bgmState();

} // namespace zqsd::test
