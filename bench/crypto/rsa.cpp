// ZqRsa::decode with a 2,047-bit modulus and a full-length secret exponent, beside GMP's
// mpz_powm on the same numbers in the same run (decode adds only its mask); the two results are
// checked equal, masked alike, before anything is timed. Repeated, interleaved runs; the
// closing line gives the ratio of the medians against its goal.
#include "zq/crypto/ZqRsa.h"

#include "bench/support/MedianReport.h"

#include <benchmark/benchmark.h>
#include <gmp.h>

#include <cstdio>
#include <cstring>

namespace {

struct Key {
    mpz_t n;
    mpz_t d;
    mpz_t in;
    ZqRsa::Number zn;
    ZqRsa::Number zd;
    ZqRsa::Number zin;
};

ZqRsa::Number toNumber(const mpz_t v) {
    ZqRsa::Number out;
    const size_t words = (mpz_sizeinbase(v, 2) + 31) / 32;
    size_t count = 0;
    mpz_export(out.data() + (ZqRsa::NR_DIGITS - words), &count, 1, sizeof(uint32_t), 0, 0, v);
    return out;
}

const Key& key() {
    static Key k = [] {
        Key out;
        gmp_randstate_t state;
        gmp_randinit_mt(state);
        gmp_randseed_ui(state, 2047);
        mpz_inits(out.n, out.d, out.in, nullptr);
        mpz_urandomb(out.n, state, 2047);
        mpz_setbit(out.n, 2046);
        mpz_setbit(out.n, 0);
        mpz_urandomb(out.d, state, 2047);
        mpz_setbit(out.d, 2046);
        mpz_urandomm(out.in, state, out.n);
        gmp_randclear(state);
        out.zn = toNumber(out.n);
        out.zd = toNumber(out.d);
        out.zin = toNumber(out.in);
        return out;
    }();
    return k;
}

void decodeOurs(benchmark::State& state) {
    const Key& k = key();
    ZqRsa rsa;
    rsa.setModulus(k.zn);
    rsa.setSecretKey(k.zd);
    ZqRsa::Number out;
    for (auto _ : state) {
        rsa.decode(k.zin, out);
        benchmark::DoNotOptimize(out.data());
    }
}

void powmGmp(benchmark::State& state) {
    const Key& k = key();
    mpz_t out;
    mpz_init(out);
    for (auto _ : state) {
        mpz_powm(out, k.in, k.d, k.n);
        benchmark::DoNotOptimize(out);
    }
    mpz_clear(out);
}

// Our decode against GMP's power masked to the same low 2031 bits.
bool sameAsGmp() {
    const Key& k = key();
    ZqRsa rsa;
    rsa.setModulus(k.zn);
    rsa.setSecretKey(k.zd);
    ZqRsa::Number ours;
    if (!rsa.decode(k.zin, ours)) {
        return false;
    }
    mpz_t peer;
    mpz_init(peer);
    mpz_powm(peer, k.in, k.d, k.n);
    mpz_fdiv_r_2exp(peer, peer, static_cast<mp_bitcnt_t>(rsa.getNrEncryptBits()));
    const ZqRsa::Number expected = toNumber(peer);
    mpz_clear(peer);
    return std::memcmp(ours.data(), expected.data(), sizeof ours.m_digits) == 0;
}

BENCHMARK(decodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(powmGmp)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!sameAsGmp()) {
        std::fprintf(stderr, "ZqRsa::decode differs from GMP's mpz_powm\n");
        return 1;
    }
    zqbench::MedianReporter reporter(false);
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    const double ours = reporter.time("decodeOurs");
    const double gmp = reporter.time("powmGmp");
    std::printf("\nZqRsa::decode, 2047-bit modulus: %.2f ms; GMP mpz_powm: %.2f ms.\n", ours, gmp);
    zqbench::printFigure("RSA decode / GMP mpz_powm", gmp > 0 ? ours / gmp : 0,
                         zqbench::Goal::AT_MOST, 2.0);
    benchmark::Shutdown();
    return 0;
}
