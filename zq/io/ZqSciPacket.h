// ZqSciPacket: the framed protocol of the nodes on the I/O board's serial channels (LED
// controller, ticket dispenser): building a request packet, checking and unpacking a reply.
// Holds no state; the caller keeps the sequence counter. Plain code, no platform calls.
//
//   byte 0     0xAA (start; a reply may carry more than one)
//   byte 1     address: 0 for command 1 (all nodes), else node + 1; OR 0x80 in a reply
//   byte 2, 3  command high (0 or 1), command low (below 0x80)
//   byte 4     sequence number 0..127
//   byte 5     data length n, below 128 (before escaping)
//   6..        the n data bytes, escaped; then the checksum, escaped
// Escapes (data and checksum only): 0xAA is sent as FF 55, 0xFF as FF 00; on reading, FF x
// stands for NOT x. Checksum: the low byte of the sum of bytes 1-5 and the data.
#pragma once

#include <cstdint>

class ZqSciPacket {
public:
    static constexpr uint32_t MAX_NODES = 15;
    static constexpr uint32_t HEADER_SIZE = 6;
    static constexpr uint32_t MAX_DATA = 127;
    static constexpr uint32_t MIN_REPLY = 6;
    static constexpr uint32_t MAX_REPLY = 57;

    // The room a packet of n data bytes needs in the worst case (every byte and the checksum
    // escaped), with the spare byte the builder asks for.
    static constexpr uint32_t bufferSize(const uint32_t n) { return HEADER_SIZE + 2 * n + 2 + 1; }

    // Advances *sequence (to (sequence + 1) & 127, also when the packet then does not fit) and
    // builds the request into out; its length, or 0 when refused or when the packet would not
    // be shorter than outSize.
    static uint32_t createPacket(uint32_t node, uint32_t command, uint8_t* sequence, uint8_t* out,
                                 uint32_t outSize, const uint8_t* data, uint32_t n);
    // Checks a reply of node to command with *sequence (not advanced) and unpacks its data
    // into out; the number of data bytes, or 0 for a reply that fails any check, has no data
    // or more data than outSize.
    static uint32_t getData(uint32_t node, uint32_t command, const uint8_t* sequence, uint8_t* out,
                            uint32_t outSize, const uint8_t* in, uint32_t inLength);
    // Escapes n bytes; the bytes written, or 0 when they do not fit.
    static uint32_t encode(uint8_t* out, uint32_t outSize, const uint8_t* in, uint32_t n);
    // Unescapes n bytes; the bytes consumed, or 0 when the input runs out.
    static uint32_t decode(uint8_t* out, uint32_t n, const uint8_t* in, uint32_t inSize);
    static uint8_t calcSum(const uint8_t* data, uint32_t n);
};
