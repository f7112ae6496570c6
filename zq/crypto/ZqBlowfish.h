// ZqBlowfish: Blowfish (16 rounds, keys of 4 to 56 bytes) behind ZqBlockCipher. A 16-byte unit
// is two independent 8-byte Blowfish blocks; each block is read and written as two 32-bit
// little-endian words, the first four bytes being the left half. Depends on
// zq/crypto/ZqBlockCipher.h.
#pragma once

#include "zq/crypto/ZqBlockCipher.h"

#include <memory>

namespace zq_blowfish {
struct Schedule;
}

class ZqBlowfish : public ZqBlockCipher {
public:
    // Usable at once with a fixed default key.
    ZqBlowfish();
    ~ZqBlowfish() override;
    ZqBlowfish(const ZqBlowfish&) = delete;
    ZqBlowfish& operator=(const ZqBlowfish&) = delete;

    // 4 to 56 bytes.
    bool setKey(const void* key, uint32_t length) override;
    void encodeEcb(const void* src, void* dst, uint32_t n) const override;
    void encodeCbc(const void* src, const void* chain, void* dst, uint32_t n) const override;
    void decodeEcb(const void* src, void* dst, uint32_t n) const override;
    void decodeCbc(const void* chain, const void* src, void* dst, uint32_t n) const override;
    uint32_t getBlockSize() const override { return UNIT_SIZE; }
    uint32_t getMaxKeyLength() const override { return 56; }
    uint32_t calcEncodedSize(uint32_t size) const override { return roundUpToUnits(size); }

private:
    std::unique_ptr<zq_blowfish::Schedule> m_pSchedule;
};
