// The name filter: the name entry refuses a player name that matches a fixed list of short
// words before it goes into the play state and the rankings. Plain code, any thread.
#pragma once

#include <cstdint>

struct NameFilterRow {
    // 1: the name contains the word; 2: the name is the word; 3: the name begins with it.
    uint32_t kind;
    const char* word;
};
constexpr uint32_t NAME_FILTER_ROWS = 88;
extern const NameFilterRow NAME_FILTER[NAME_FILTER_ROWS];

// 1 when the name (its first six bytes at most, up to a terminator) may be used, 0 when a row
// matches it once its spaces are removed. Comparison is exact (case matters).
int32_t isNameAllowed(const char* name);
// Copies the terminated source without its space characters, terminated; destination holds
// at least as many bytes as the source with its terminator.
void removeBlanks(const char* source, char* destination);
