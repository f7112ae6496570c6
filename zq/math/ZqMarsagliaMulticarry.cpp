#include "zq/math/ZqMarsagliaMulticarry.h"

#include "zq/platform/os/os.h"

void ZqMarsagliaMulticarry::init() {
    const uint64_t t = static_cast<uint64_t>(zqp::perfCounter());
    init(static_cast<uint32_t>(t >> 32), static_cast<uint32_t>(t));
}

void ZqMarsagliaMulticarry::init(const uint32_t z, const uint32_t w) {
    m_z = z;
    m_w = w;
}

uint32_t ZqMarsagliaMulticarry::rand() {
    m_z = 36969u * (m_z & 0xFFFFu) + (m_z >> 16);
    m_w = 18000u * (m_w & 0xFFFFu) + (m_w >> 16);
    return (m_z << 16) + m_w;
}

float ZqMarsagliaMulticarry::frand() {
    return static_cast<float>(static_cast<double>(rand()) * 0x1p-32);
}

double ZqMarsagliaMulticarry::drand() {
    const uint32_t a = rand();
    const uint32_t b = rand();
    return ((a >> 5) * 67108864.0 + (b >> 6)) * 0x1p-53;
}
