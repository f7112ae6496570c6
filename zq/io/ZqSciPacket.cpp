#include "zq/io/ZqSciPacket.h"

namespace {

constexpr uint8_t START = 0xAA;
constexpr uint8_t ESCAPE = 0xFF;
constexpr uint8_t REPLY_FLAG = 0x80;

bool needsEscape(const uint8_t b) {
    return b == START || b == ESCAPE;
}

uint8_t address(const uint32_t node, const uint32_t command) {
    return command == 1 ? 0 : static_cast<uint8_t>(node + 1);
}

} // namespace

uint8_t ZqSciPacket::calcSum(const uint8_t* const data, const uint32_t n) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < n; ++i) {
        sum += data[i];
    }
    return static_cast<uint8_t>(sum);
}

uint32_t ZqSciPacket::encode(uint8_t* const out, const uint32_t outSize, const uint8_t* const in,
                             const uint32_t n) {
    if (out == nullptr || in == nullptr) {
        return 0;
    }
    uint32_t w = 0;
    for (uint32_t i = 0; i < n; ++i) {
        const uint8_t b = in[i];
        if (needsEscape(b)) {
            if (w >= outSize || outSize - w < 2) {
                return 0;
            }
            out[w++] = ESCAPE;
            out[w++] = static_cast<uint8_t>(~b);
        } else {
            if (w >= outSize) {
                return 0;
            }
            out[w++] = b;
        }
    }
    return w;
}

uint32_t ZqSciPacket::decode(uint8_t* const out, const uint32_t n, const uint8_t* const in,
                             const uint32_t inSize) {
    if (in == nullptr || (out == nullptr && n > 0)) {
        return 0;
    }
    uint32_t r = 0;
    for (uint32_t i = 0; i < n; ++i) {
        if (r >= inSize) {
            return 0;
        }
        uint8_t b = in[r++];
        if (b == ESCAPE) {
            if (r >= inSize) {
                return 0;
            }
            b = static_cast<uint8_t>(~in[r++]);
        }
        out[i] = b;
    }
    return r;
}

uint32_t ZqSciPacket::createPacket(const uint32_t node, const uint32_t command,
                                   uint8_t* const sequence, uint8_t* const out,
                                   const uint32_t outSize, const uint8_t* const data,
                                   const uint32_t n) {
    if (node >= MAX_NODES || (command >> 8) > 1 || out == nullptr || (command & 0xFF) >= 0x80 ||
        n > MAX_DATA || outSize < HEADER_SIZE + 1 || sequence == nullptr) {
        return 0;
    }
    *sequence = static_cast<uint8_t>((*sequence + 1) & 0x7F);
    out[0] = START;
    out[1] = address(node, command);
    out[2] = static_cast<uint8_t>(command >> 8);
    out[3] = static_cast<uint8_t>(command);
    out[4] = *sequence;
    out[5] = static_cast<uint8_t>(n);
    uint32_t escaped = 0;
    if (data != nullptr && n > 0) {
        escaped = encode(out + HEADER_SIZE, outSize - HEADER_SIZE, data, n);
        if (escaped == 0) {
            return 0;
        }
    }
    const uint8_t sum =
        static_cast<uint8_t>(calcSum(out + 1, 5) + (data != nullptr ? calcSum(data, n) : 0));
    const uint32_t length = HEADER_SIZE + escaped + (needsEscape(sum) ? 2 : 1);
    // One spare byte is always left.
    if (outSize <= length) {
        return 0;
    }
    if (needsEscape(sum)) {
        out[HEADER_SIZE + escaped] = ESCAPE;
        out[HEADER_SIZE + escaped + 1] = static_cast<uint8_t>(~sum);
    } else {
        out[HEADER_SIZE + escaped] = sum;
    }
    return length;
}

uint32_t ZqSciPacket::getData(const uint32_t node, const uint32_t command,
                              const uint8_t* const sequence, uint8_t* const out,
                              const uint32_t outSize, const uint8_t* const in,
                              const uint32_t inLength) {
    if (in == nullptr || sequence == nullptr || inLength < MIN_REPLY || inLength > MAX_REPLY ||
        in[0] != START) {
        return 0;
    }
    uint32_t p = 1;
    while (inLength - p > MIN_REPLY && in[p] == START) {
        ++p;
    }
    if (inLength - p < 5) {
        return 0;
    }
    const uint8_t expected =
        command == 1 ? 0 : static_cast<uint8_t>(address(node, command) | REPLY_FLAG);
    if (in[p] != expected || in[p + 1] != static_cast<uint8_t>(command >> 8) ||
        in[p + 2] != static_cast<uint8_t>(command) || in[p + 3] != *sequence) {
        return 0;
    }
    const uint32_t n = in[p + 4];
    if (n == 0 || n > outSize || out == nullptr) {
        return 0;
    }
    const uint8_t headerSum = calcSum(in + p, 5);
    p += 5;
    const uint32_t used = decode(out, n, in + p, inLength - p);
    if (used == 0) {
        return 0;
    }
    p += used;
    if (p >= inLength) {
        return 0;
    }
    uint8_t sum = in[p++];
    if (sum == ESCAPE) {
        if (p >= inLength) {
            return 0;
        }
        sum = static_cast<uint8_t>(~in[p]);
    }
    return static_cast<uint8_t>(headerSum + calcSum(out, n)) == sum ? n : 0;
}
