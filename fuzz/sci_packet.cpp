// Feeds serial node replies to the packet checker and unpacker. Input: byte 0 the node (low
// four bits) and the room the caller gives (high four bits, times 4), bytes 1-2 the command,
// byte 3 the sequence number, then the reply as it came from the board. The same bytes, taken
// as request data, must also survive a round trip through the builder and the unescaper.
#include "zq/io/ZqSciPacket.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    const uint32_t node = data[0] & 0x0F;
    const uint32_t room = (data[0] >> 4) * 4u;
    const uint32_t command = static_cast<uint32_t>(data[1]) << 8 | data[2];
    const uint8_t sequence = data[3];
    const uint8_t* const reply = data + 4;
    const uint32_t length = static_cast<uint32_t>(size - 4 > 4096 ? 4096 : size - 4);

    uint8_t out[64];
    std::memset(out, 0xCD, sizeof out);
    const uint32_t n = ZqSciPacket::getData(node, command, &sequence, out, room, reply, length);
    if (n > room) {
        std::abort();
    }
    // Nothing past the caller's room is written.
    for (uint32_t i = room; i < sizeof out; ++i) {
        if (out[i] != 0xCD) {
            std::abort();
        }
    }

    const uint32_t dataLength = length > ZqSciPacket::MAX_DATA ? ZqSciPacket::MAX_DATA : length;
    uint8_t packet[ZqSciPacket::bufferSize(ZqSciPacket::MAX_DATA)];
    uint8_t seq = sequence;
    const uint32_t built =
        ZqSciPacket::createPacket(node, command, &seq, packet, sizeof packet, reply, dataLength);
    if (built == 0) {
        return 0;
    }
    uint8_t back[ZqSciPacket::MAX_DATA];
    const uint32_t used = ZqSciPacket::decode(back, dataLength, packet + ZqSciPacket::HEADER_SIZE,
                                              built - ZqSciPacket::HEADER_SIZE);
    if ((dataLength > 0 && used == 0) || std::memcmp(back, reply, dataLength) != 0) {
        std::abort();
    }
    return 0;
}
