// Serial node packets: building, escaping, checking and unpacking.
#include "zq/io/ZqSciPacket.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A reply as a node sends it: the request's header with the reply address, the data and sum.
std::vector<uint8_t> reply(const uint32_t node, const uint32_t command, const uint8_t sequence,
                           const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out(ZqSciPacket::bufferSize(static_cast<uint32_t>(data.size())) + 8);
    uint8_t before = static_cast<uint8_t>((sequence - 1) & 0x7F);
    const uint32_t n = ZqSciPacket::createPacket(node, command, &before, out.data(),
                                                 static_cast<uint32_t>(out.size()), data.data(),
                                                 static_cast<uint32_t>(data.size()));
    out.resize(n);
    if (command != 1) {
        // The address byte (unescaped) and the sum change by the flag alike.
        out[1] |= 0x80;
        std::vector<uint8_t> fixed(out.begin(), out.end());
        uint8_t sum = static_cast<uint8_t>(
            ZqSciPacket::calcSum(out.data() + 1, 5) +
            ZqSciPacket::calcSum(data.data(), static_cast<uint32_t>(data.size())));
        // Rebuild the tail: data as escaped, then the new sum.
        std::vector<uint8_t> tail(2 * data.size() + 2);
        const uint32_t e = ZqSciPacket::encode(tail.data(), static_cast<uint32_t>(tail.size()),
                                               data.data(), static_cast<uint32_t>(data.size()));
        fixed.resize(6);
        fixed.insert(fixed.end(), tail.begin(), tail.begin() + e);
        const uint8_t s[1] = {sum};
        uint8_t es[2] = {};
        fixed.insert(fixed.end(), es, es + ZqSciPacket::encode(es, 2, s, 1));
        return fixed;
    }
    return out;
}

TEST(ZqSciPacket, RequestLayoutAndEscapes) {
    uint8_t seq = 127;
    uint8_t out[32] = {};
    const uint8_t data[3] = {0xAA, 0x01, 0xFF};
    const uint32_t n = ZqSciPacket::createPacket(2, 0x130, &seq, out, sizeof out, data, 3);
    EXPECT_EQ(seq, 0) << "the counter wraps at 128";
    const uint8_t sum = static_cast<uint8_t>(3 + 1 + 0x30 + 0 + 3 + 0xAA + 0x01 + 0xFF);
    const std::vector<uint8_t> expect = {0xAA, 3, 1, 0x30, 0, 3, 0xFF, 0x55, 0x01, 0xFF, 0x00, sum};
    EXPECT_EQ(std::vector<uint8_t>(out, out + n), expect);

    // Command 1 goes to address 0.
    EXPECT_GT(ZqSciPacket::createPacket(5, 1, &seq, out, sizeof out, data, 1), 0u);
    EXPECT_EQ(out[1], 0);
}

TEST(ZqSciPacket, RefusalsAndTheSpareByte) {
    uint8_t seq = 0;
    uint8_t out[64] = {};
    const uint8_t data[1] = {7};
    struct Row {
        uint32_t node, command, outSize, n;
        bool nullOut;
    };
    const Row refused[] = {
        {15, 2, 64, 1, false},  {0, 0x200, 64, 1, false}, {0, 0x80, 64, 1, false},
        {0, 2, 64, 128, false}, {0, 2, 6, 0, false},      {0, 2, 64, 1, true},
    };
    for (const Row& r : refused) {
        EXPECT_EQ(ZqSciPacket::createPacket(r.node, r.command, &seq, r.nullOut ? nullptr : out,
                                            r.outSize, data, r.n),
                  0u)
            << r.node << " " << r.command << " " << r.outSize << " " << r.n;
    }
    // A packet exactly as long as the buffer is refused (and still advances the counter).
    seq = 0;
    EXPECT_EQ(ZqSciPacket::createPacket(0, 2, &seq, out, 8, data, 1), 0u);
    EXPECT_EQ(seq, 1);
    EXPECT_EQ(ZqSciPacket::createPacket(0, 2, &seq, out, 9, data, 1), 8u);
}

// Every byte value that needs escaping, in every place, and the worst case of the buffer
// size the controllers use.
TEST(ZqSciPacket, RoundTripsIncludingAllEscapes) {
    const std::vector<std::vector<uint8_t>> payloads = {
        {0xFF, 0xFF, 0xFF},
        {0xAA, 0xAA, 0xAA},
        {0x00},
        std::vector<uint8_t>(24, 0x80),
        {0x80, 0xFF, 0xAA, 0x00, 0x55},
    };
    for (uint32_t node = 0; node < 14; node += 13) {
        for (const std::vector<uint8_t>& p : payloads) {
            for (uint8_t seq = 0; seq < 128; seq += 37) {
                SCOPED_TRACE(testing::Message() << node << " " << p.size() << " " << int(seq));
                const std::vector<uint8_t> r = reply(node, 0x120, seq, p);
                ASSERT_FALSE(r.empty());
                uint8_t out[64] = {};
                EXPECT_EQ(ZqSciPacket::getData(node, 0x120, &seq, out, sizeof out, r.data(),
                                               static_cast<uint32_t>(r.size())),
                          p.size());
                EXPECT_EQ(std::vector<uint8_t>(out, out + p.size()), p);
                // Extra start bytes before the address are skipped.
                std::vector<uint8_t> more = r;
                more.insert(more.begin(), 0xAA);
                EXPECT_EQ(ZqSciPacket::getData(node, 0x120, &seq, out, sizeof out, more.data(),
                                               static_cast<uint32_t>(more.size())),
                          p.size());
                // Another node, command or sequence, or a bad sum, is refused.
                const uint8_t other = static_cast<uint8_t>(seq + 1);
                EXPECT_EQ(ZqSciPacket::getData(node + 1, 0x120, &seq, out, 64, r.data(),
                                               static_cast<uint32_t>(r.size())),
                          0u);
                EXPECT_EQ(ZqSciPacket::getData(node, 0x121, &seq, out, 64, r.data(),
                                               static_cast<uint32_t>(r.size())),
                          0u);
                EXPECT_EQ(ZqSciPacket::getData(node, 0x120, &other, out, 64, r.data(),
                                               static_cast<uint32_t>(r.size())),
                          0u);
                std::vector<uint8_t> bad = r;
                bad.back() ^= 1;
                if (bad.back() != 0xAA && bad.back() != 0xFF) {
                    EXPECT_EQ(ZqSciPacket::getData(node, 0x120, &seq, out, 64, bad.data(),
                                                   static_cast<uint32_t>(bad.size())),
                              0u);
                }
            }
        }
    }
    // The worst case of a three-byte mask: every data byte and the sum escaped. The buffer of
    // 6 + 2n + 2 + 1 bytes takes it.
    const uint8_t mask[3] = {0xFF, 0xFF, 0xFF};
    for (uint8_t seq0 = 0; seq0 < 128; ++seq0) {
        uint8_t seq = seq0;
        uint8_t out[ZqSciPacket::bufferSize(3)] = {};
        const uint32_t n = ZqSciPacket::createPacket(0, 0x130, &seq, out, sizeof out, mask, 3);
        ASSERT_GT(n, 0u) << int(seq0);
        if (n == 14) {
            // Its sum needed escaping too: the short buffer of 14 would have refused it.
            uint8_t seqAgain = seq0;
            uint8_t shortOut[14] = {};
            EXPECT_EQ(ZqSciPacket::createPacket(0, 0x130, &seqAgain, shortOut, 14, mask, 3), 0u);
        }
    }
}

TEST(ZqSciPacket, RepliesOfCommandOneAndBadLengths) {
    const uint8_t seq = 9;
    // Command 1: address 0 without the reply flag.
    const std::vector<uint8_t> r = reply(3, 1, seq, {4});
    EXPECT_EQ(r[1], 0);
    uint8_t out[8] = {};
    EXPECT_EQ(ZqSciPacket::getData(3, 1, &seq, out, 8, r.data(), static_cast<uint32_t>(r.size())),
              1u);
    EXPECT_EQ(out[0], 4);
    // No data reads as a failure.
    const std::vector<uint8_t> empty = {
        0xAA, 0x81, 0x01, 0x20, seq, 0, static_cast<uint8_t>(0x81 + 0x01 + 0x20 + seq)};
    EXPECT_EQ(ZqSciPacket::getData(0, 0x120, &seq, out, 8, empty.data(), 7), 0u);
    // Replies shorter than 6 or longer than 57 bytes are refused outright.
    std::vector<uint8_t> longReply(58, 0x00);
    longReply[0] = 0xAA;
    EXPECT_EQ(ZqSciPacket::getData(0, 0x120, &seq, out, 8, longReply.data(), 58), 0u);
    EXPECT_EQ(ZqSciPacket::getData(0, 0x120, &seq, out, 8, empty.data(), 5), 0u);
    // More data than the caller's buffer holds is refused.
    const std::vector<uint8_t> big = reply(0, 0x120, seq, std::vector<uint8_t>(9, 1));
    EXPECT_EQ(
        ZqSciPacket::getData(0, 0x120, &seq, out, 8, big.data(), static_cast<uint32_t>(big.size())),
        0u);
    // decode stops where its input runs out, also inside an escape.
    const uint8_t cut[2] = {0x01, 0xFF};
    uint8_t two[2] = {};
    EXPECT_EQ(ZqSciPacket::decode(two, 2, cut, 2), 0u);
    EXPECT_EQ(ZqSciPacket::decode(two, 1, cut, 2), 1u);
}

} // namespace
