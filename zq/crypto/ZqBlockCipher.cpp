// The part shared by every block cipher.
#include "zq/crypto/ZqBlockCipher.h"

uint32_t ZqBlockCipher::roundUpToUnits(const uint32_t size) {
    if (size > MAX_ENCODED_SIZE) {
        return 0;
    }
    return (size + UNIT_SIZE - 1) & ~(UNIT_SIZE - 1);
}
