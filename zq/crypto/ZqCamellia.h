// ZqCamellia: Camellia (128-, 192- and 256-bit keys) behind ZqBlockCipher, standard big-endian
// byte order of blocks and keys. Depends on zq/crypto/ZqBlockCipher.h.
#pragma once

#include "zq/crypto/ZqBlockCipher.h"

#include <memory>

namespace zq_camellia {
struct Schedule;
}

class ZqCamellia : public ZqBlockCipher {
public:
    // Usable at once with a fixed default 16-byte key.
    ZqCamellia();
    ~ZqCamellia() override;
    ZqCamellia(const ZqCamellia&) = delete;
    ZqCamellia& operator=(const ZqCamellia&) = delete;

    // 16, 24 or 32 bytes.
    bool setKey(const void* key, uint32_t length) override;
    void encodeEcb(const void* src, void* dst, uint32_t n) const override;
    void encodeCbc(const void* src, const void* chain, void* dst, uint32_t n) const override;
    void decodeEcb(const void* src, void* dst, uint32_t n) const override;
    void decodeCbc(const void* chain, const void* src, void* dst, uint32_t n) const override;
    uint32_t getBlockSize() const override { return UNIT_SIZE; }
    uint32_t getMaxKeyLength() const override { return 32; }
    uint32_t calcEncodedSize(uint32_t size) const override { return roundUpToUnits(size); }

private:
    std::unique_ptr<zq_camellia::Schedule> m_pSchedule;
};
