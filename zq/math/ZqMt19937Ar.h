// ZqMt19937Ar: the Mersenne Twister MT19937, the framework's general-purpose pseudo-random
// generator. Bit-exact with the published generator for the same seed; an object is always
// seeded when it is made (19650218 when no seed is given). A plain value: copying copies the
// whole state. Not for cryptography; one object per thread.
#pragma once

#include <cstdint>

class ZqMt19937Ar {
public:
    static constexpr unsigned int N = 624;

    ZqMt19937Ar() { init(); }
    explicit ZqMt19937Ar(const uint32_t seed) { init(seed); }

    // init(19650218).
    void init() { init(19650218u); }
    // Seeds from one 32-bit value.
    void init(uint32_t seed);
    // Seeds from an array of words (the published init_by_array); an empty or null key
    // seeds as the one-word key {0}.
    void init(const unsigned int key[], int length);

    // The next 32-bit output.
    uint32_t rand();
    // rand() * 2^-32 rounded to float: [0, 1], outputs from 4294967168 up give exactly 1.0.
    float frand();
    // 53 random bits from two outputs: [0, 1).
    double drand();

    // The whole state: the N state words and the index of the next word (0..N; N means the
    // words are used up). Saving and restoring them repeats the same outputs (demo replay).
    void getState(uint32_t* words, uint32_t* index) const;
    // An index above N is taken as N (the next output regenerates the words).
    void setState(const uint32_t* words, uint32_t index);

private:
    void generate();

    uint32_t m_state[N];
    uint32_t m_index;
};
