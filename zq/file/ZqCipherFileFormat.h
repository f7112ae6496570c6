// The enciphered file container: what ZqFile::Io writes and reads in its cipher modes and what
// the container writer (tools/cipherfile) makes. Constants and the two small rules both sides
// share (the generator bytes and the length bits); no dependencies beyond the standard types.
//
// Layout, B = the cipher's block size (16), L = the length of the plain content:
//   ECB  offset 0   B   the length block: B generator bytes with the 32 bits of L put at the
//                       LENGTH_BITS positions, enciphered alone
//        offset B       the content, each B-byte block enciphered alone
//   CBC  offset 0   B   the chaining start: B generator bytes, stored as they are
//        offset B   B   the length block combined with the chaining start, then enciphered
//        offset 2B      the content in CBC, the first block chained to the length block
// The content takes L rounded up to B; its last block is filled up with generator bytes. The
// file is therefore the header (B or 2B) plus L rounded up to B, and always a multiple of B.
//
// Generator: state x and modulus m (32 bits each). A step is x = x * x mod m in 64 bits; a byte
// takes two steps, its low four bits from the first state, its high four from the second.
#pragma once

#include <cstdint>

namespace zqcf {

// The generator of a new Io.
constexpr uint32_t DEFAULT_MODULUS = 0x40070021;
constexpr uint32_t DEFAULT_SEED = 0x10000;
// Content moves in pieces of this many bytes.
constexpr uint32_t PIECE_SIZE = 0x10000;

// Bit k of L lives at bit LENGTH_BITS[k] of the length block (byte = bit / 8, bit 0 the least
// significant of its byte). Fixed for the life of stored containers.
constexpr uint8_t LENGTH_BITS[32] = {
    11, 48, 85, 122, 31,  68, 105, 14, 51, 88, 125, 34,  71, 108, 17, 54,
    91, 0,  37, 74,  111, 20, 57,  94, 3,  40, 77,  114, 23, 60,  97, 6,
};

// The blocks in front of the content in each mode (1 ECB, 2 CBC).
constexpr uint32_t headerBlocks(const uint32_t mode) {
    return mode == 2 ? 2 : 1;
}

struct Generator {
    uint32_t modulus = DEFAULT_MODULUS;
    uint32_t state = DEFAULT_SEED;

    uint32_t step() {
        state = static_cast<uint32_t>(uint64_t{state} * state % modulus);
        return state;
    }
    uint8_t next() {
        const uint32_t low = step() & 0xF;
        const uint32_t high = step() & 0xF;
        return static_cast<uint8_t>((high << 4) | low);
    }
};

inline void putLength(uint8_t* const block, const uint32_t length) {
    for (uint32_t k = 0; k < 32; ++k) {
        const uint32_t at = LENGTH_BITS[k];
        const auto bit = static_cast<uint8_t>(1u << (at % 8));
        block[at / 8] =
            static_cast<uint8_t>((length >> k) & 1 ? block[at / 8] | bit : block[at / 8] & ~bit);
    }
}

inline uint32_t getLength(const uint8_t* const block) {
    uint32_t length = 0;
    for (uint32_t k = 0; k < 32; ++k) {
        const uint32_t at = LENGTH_BITS[k];
        length |= static_cast<uint32_t>((block[at / 8] >> (at % 8)) & 1) << k;
    }
    return length;
}

} // namespace zqcf
