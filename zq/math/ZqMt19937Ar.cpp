#include "zq/math/ZqMt19937Ar.h"

namespace {

constexpr unsigned int M = 397;
constexpr uint32_t MATRIX_A = 0x9908B0DFu;
constexpr uint32_t UPPER_MASK = 0x80000000u;
constexpr uint32_t LOWER_MASK = 0x7FFFFFFFu;

} // namespace

void ZqMt19937Ar::init(const uint32_t seed) {
    m_state[0] = seed;
    for (uint32_t i = 1; i < N; ++i) {
        m_state[i] = 1812433253u * (m_state[i - 1] ^ (m_state[i - 1] >> 30)) + i;
    }
    m_index = N;
}

void ZqMt19937Ar::init(const unsigned int key[], const int length) {
    static constexpr unsigned int ZERO_KEY[1] = {0};
    const unsigned int* k = key;
    unsigned int len = length > 0 ? static_cast<unsigned int>(length) : 0;
    if (k == nullptr || len == 0) {
        k = ZERO_KEY;
        len = 1;
    }
    init(19650218u);
    unsigned int i = 1;
    unsigned int j = 0;
    for (unsigned int n = N > len ? N : len; n > 0; --n) {
        m_state[i] =
            (m_state[i] ^ ((m_state[i - 1] ^ (m_state[i - 1] >> 30)) * 1664525u)) + k[j] + j;
        ++i;
        ++j;
        if (i >= N) {
            m_state[0] = m_state[N - 1];
            i = 1;
        }
        if (j >= len) {
            j = 0;
        }
    }
    for (unsigned int n = N - 1; n > 0; --n) {
        m_state[i] = (m_state[i] ^ ((m_state[i - 1] ^ (m_state[i - 1] >> 30)) * 1566083941u)) - i;
        ++i;
        if (i >= N) {
            m_state[0] = m_state[N - 1];
            i = 1;
        }
    }
    m_state[0] = 0x80000000u;
    m_index = N;
}

void ZqMt19937Ar::generate() {
    const auto twist = [](const uint32_t upper, const uint32_t lower) {
        const uint32_t y = (upper & UPPER_MASK) | (lower & LOWER_MASK);
        return (y >> 1) ^ ((y & 1u) != 0 ? MATRIX_A : 0u);
    };
    unsigned int k = 0;
    for (; k < N - M; ++k) {
        m_state[k] = m_state[k + M] ^ twist(m_state[k], m_state[k + 1]);
    }
    for (; k < N - 1; ++k) {
        m_state[k] = m_state[k + M - N] ^ twist(m_state[k], m_state[k + 1]);
    }
    m_state[N - 1] = m_state[M - 1] ^ twist(m_state[N - 1], m_state[0]);
    m_index = 0;
}

uint32_t ZqMt19937Ar::rand() {
    if (m_index >= N) {
        generate();
    }
    uint32_t y = m_state[m_index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

float ZqMt19937Ar::frand() {
    return static_cast<float>(static_cast<double>(rand()) * 0x1p-32);
}

double ZqMt19937Ar::drand() {
    const uint32_t a = rand() >> 5;
    const uint32_t b = rand() >> 6;
    return (a * 67108864.0 + b) * 0x1p-53;
}

void ZqMt19937Ar::getState(uint32_t* const words, uint32_t* const index) const {
    if (words != nullptr) {
        for (unsigned int i = 0; i < N; ++i) {
            words[i] = m_state[i];
        }
    }
    if (index != nullptr) {
        *index = m_index;
    }
}

void ZqMt19937Ar::setState(const uint32_t* const words, const uint32_t index) {
    if (words != nullptr) {
        for (unsigned int i = 0; i < N; ++i) {
            m_state[i] = words[i];
        }
    }
    m_index = index > N ? N : index;
}
