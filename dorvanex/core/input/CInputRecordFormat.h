// The recorded-input file (".btn"): what the input recorder reads and what the recording
// writer (tools/btn) and the recorder's save write. Constants and the in-memory form only,
// shared by both sides; no code beyond the standard library.
//
// Layout, all values little-endian:
//   u32 word 0 (not read; written as 0)
//   u32 button count B, u32 group count E, u32 frame count T
//   u32 generator index (0..624; 624: the state words are used up)
//   u32 generator state[624]
//   u32 frame times[T] (milliseconds, one per frame)
//   u32 watched buttons[B] (each below 32)
//   E time groups: f32 time (milliseconds, finite), u32 event count n,
//                  then n events of u32 kind (0 on, 1 off) and u32 button (below 32)
// Every count is checked against the bytes that remain before anything is taken over; a file
// that fails any check is refused whole.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace btnfmt {

constexpr uint32_t GENERATOR_WORDS = 624;
constexpr uint32_t MAX_GENERATOR_INDEX = GENERATOR_WORDS;
constexpr uint64_t HEADER_SIZE = 5 * 4 + GENERATOR_WORDS * 4;
constexpr uint64_t GROUP_HEAD_SIZE = 8;
constexpr uint64_t EVENT_SIZE = 8;
// Buttons are bits of a 32-bit mask.
constexpr uint32_t BUTTON_LIMIT = 32;

enum KIND : uint32_t {
    KIND_ON = 0,
    KIND_OFF = 1,
};

struct Event {
    uint32_t kind = KIND_ON;
    uint32_t button = 0;
};

struct Group {
    float time = 0.0f;
    std::vector<Event> events;
};

struct Recording {
    uint32_t generatorIndex = MAX_GENERATOR_INDEX;
    std::array<uint32_t, GENERATOR_WORDS> generatorState{};
    std::vector<uint32_t> frameTimes;
    std::vector<uint32_t> buttons;
    std::vector<Group> groups;
};

} // namespace btnfmt
