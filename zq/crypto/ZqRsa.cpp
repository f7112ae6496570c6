// RSA's private-key operation on the Montgomery engine, with the message bits masked below
// the modulus's top 16 bits.
#include "zq/crypto/ZqRsa.h"

namespace {

// Fewer bits than this leave decode no message bits worth the name.
constexpr int32_t MIN_ENCRYPT_MODULUS_BITS = 2034;
constexpr int32_t MASKED_BITS = 16;

bool below(const ZqRsa::Number& a, const ZqRsa::Number& b) {
    for (uint32_t i = 0; i < ZqRsa::NR_DIGITS; ++i) {
        if (a[i] != b[i]) {
            return a[i] < b[i];
        }
    }
    return false;
}

} // namespace

ZqRsa::ZqRsa() = default;

ZqRsa::~ZqRsa() = default;

void ZqRsa::setModulus(const Number& modulus) {
    m_w.modulus = modulus;
    m_engine.setModulus(modulus);
}

int32_t ZqRsa::getNrEncryptBits() const {
    const int32_t k = m_engine.getBitLength();
    return k >= MIN_ENCRYPT_MODULUS_BITS ? k - MASKED_BITS : -1;
}

bool ZqRsa::decode(const Number& in, Number& out) {
    const int32_t k = m_engine.getBitLength();
    // The reduction gives garbage for an even modulus or an input not below it.
    if (!m_engine.isReady() || k < MASKED_BITS || !below(in, m_w.modulus)) {
        out = Number{};
        return false;
    }
    m_engine.power(out, in, m_w.secretKey);
    // Keep bits 0 .. k - 17.
    const auto keep = static_cast<uint32_t>(k - MASKED_BITS);
    for (uint32_t i = 0; i < NR_DIGITS; ++i) {
        const uint32_t low = 32 * (NR_DIGITS - 1 - i);
        if (low >= keep) {
            out[i] = 0;
        } else if (keep - low < 32) {
            out[i] &= (1u << (keep - low)) - 1;
        }
    }
    return true;
}
