// The part shared by every block cipher.
#include "zq/crypto/ZqBlockCipher.h"
#include "zq/crypto/ZqAes.h"
#include "zq/crypto/ZqBlowfish.h"
#include "zq/crypto/ZqCamellia.h"

std::unique_ptr<ZqBlockCipher> ZqBlockCipher::create(const TYPE type) {
    switch (type) {
    case TYPE_AES:
        return std::make_unique<ZqAes>();
    case TYPE_BLOWFISH:
        return std::make_unique<ZqBlowfish>();
    case TYPE_CAMELLIA:
        return std::make_unique<ZqCamellia>();
    }
    return nullptr;
}

uint32_t ZqBlockCipher::roundUpToUnits(const uint32_t size) {
    if (size > MAX_ENCODED_SIZE) {
        return 0;
    }
    return (size + UNIT_SIZE - 1) & ~(UNIT_SIZE - 1);
}
