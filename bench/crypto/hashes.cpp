// Throughput of the framework's SHA-256, SHA-512, MD5 and CRC-32C at 64 B, 4 KiB and 1 MiB,
// side by side with OpenSSL's libcrypto in the same run: once as linked (its hardware paths)
// and once in a child process with every capability bit masked through OPENSSL_ia32cap (its
// portable integer code). OpenSSL has no CRC-32C, so the CRC is set against the byte-wise
// table that defines it. Every digest is first checked equal to the linked peer's (the masked
// child runs the same library). Runs are repeated and interleaved; at the end a table gives our
// median throughput as a ratio of each peer's, and one line per goal.
#include "zq/crypto/ZqCrc32c_internal.h"
#include "zq/crypto/ZqHash.h"
#include "zq/crypto/ZqSha256Core_internal.h"
#include "zq/file/ZqByteOrder.h"

#include "bench/support/MaskedPeer.h"
#include "bench/support/MedianReport.h"
#include "bench/support/OpenSslPeer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr size_t SIZES[] = {64, 4096, 1u << 20};

using zqbench::Crypto;
using zqbench::LINKED;

// The masked peer hashes this many bytes per call, so that the call's cost does not count.
constexpr uint64_t PEER_BATCH_BYTES = 1u << 20;

const std::vector<uint8_t>& data() {
    static const std::vector<uint8_t> buf = [] {
        std::vector<uint8_t> v(SIZES[2]);
        std::mt19937 rng(5);
        for (auto& b : v) {
            b = static_cast<uint8_t>(rng());
        }
        return v;
    }();
    return buf;
}

// A whole SHA-256 on the portable core alone, padding included (sizes are whole blocks).
void sha256Portable(uint8_t* const digest, const void* const data, const uint32_t size) {
    uint32_t state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                         0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    zq_sha256::portable(state, static_cast<const uint8_t*>(data), size / 64);
    uint8_t block[64] = {0x80};
    zq_bytes::storeBe<uint64_t>(block + 56, static_cast<uint64_t>(size) * 8u);
    zq_sha256::portable(state, block, 1);
    for (int i = 0; i < 8; ++i) {
        zq_bytes::storeBe<uint32_t>(digest + 4 * i, state[i]);
    }
}

struct Algo {
    const char* name;
    const char* opensslName; // null: no OpenSSL peer
    void (*ours)(uint8_t*, const void*, uint32_t);
    void (*portable)(uint8_t*, const void*, uint32_t); // null: ours is portable already
};

const Algo ALGOS[] = {
    {"SHA-256", "SHA256", &zqCalcSha256, &sha256Portable},
    {"SHA-512", "SHA512", &zqCalcSha512, nullptr},
    {"MD5", "MD5", &zqCalcMd5, nullptr},
    {"CRC-32C", nullptr, nullptr, nullptr},
};

void runOurs(benchmark::State& state, const Algo& algo, const size_t size, const bool portable) {
    const uint8_t* const p = data().data();
    uint8_t digest[64];
    const auto hash = portable ? algo.portable : algo.ours;
    for (auto _ : state) {
        if (hash != nullptr) {
            hash(digest, p, static_cast<uint32_t>(size));
            benchmark::DoNotOptimize(digest);
        } else {
            benchmark::DoNotOptimize(zqCalcCrc32(p, static_cast<uint32_t>(size)));
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// A fetched digest and a reused context, so that only the hashing is measured.
class OpenSslDigest {
public:
    OpenSslDigest(const Crypto& c, const char* name)
        : m_c(c), m_md(c.mdFetch(nullptr, name, nullptr)), m_ctx(c.ctxNew()) {}
    ~OpenSslDigest() {
        if (m_ctx != nullptr) {
            m_c.ctxFree(m_ctx);
        }
        if (m_md != nullptr) {
            m_c.mdFree(m_md);
        }
    }
    OpenSslDigest(const OpenSslDigest&) = delete;
    OpenSslDigest& operator=(const OpenSslDigest&) = delete;

    bool valid() const { return m_md != nullptr && m_ctx != nullptr; }
    void hash(const uint8_t* p, const size_t size) {
        unsigned int length = 0;
        m_c.init(m_ctx, m_md, nullptr);
        m_c.update(m_ctx, p, size);
        m_c.final(m_ctx, m_digest, &length);
        m_length = length;
        benchmark::DoNotOptimize(m_digest);
        benchmark::ClobberMemory();
    }
    const unsigned char* digest() const { return m_digest; }
    unsigned int length() const { return m_length; }

private:
    const Crypto& m_c;
    EVP_MD* m_md;
    EVP_MD_CTX* m_ctx;
    unsigned char m_digest[EVP_MAX_MD_SIZE] = {};
    unsigned int m_length = 0;
};

// Our digests (and our portable SHA-256 core's) against the linked peer's, CRC-32C against the
// table, at every size; false, after naming it, at the first difference.
bool sameAsPeers() {
    const uint8_t* const p = data().data();
    for (const Algo& a : ALGOS) {
        for (const size_t size : SIZES) {
            const auto n = static_cast<uint32_t>(size);
            if (a.opensslName == nullptr) {
                if (zqCalcCrc32(p, n) != ~zq_crc32c::bytewise(~0u, p, size)) {
                    std::fprintf(stderr, "%s differs at %zu bytes\n", a.name, size);
                    return false;
                }
                continue;
            }
            OpenSslDigest peer(LINKED, a.opensslName);
            if (!peer.valid()) {
                continue; // reported by its benchmark
            }
            peer.hash(p, size);
            uint8_t ours[64] = {};
            for (const auto hash : {a.ours, a.portable}) {
                if (hash == nullptr) {
                    continue;
                }
                hash(ours, p, n);
                if (peer.length() > sizeof ours ||
                    std::memcmp(ours, peer.digest(), peer.length()) != 0) {
                    std::fprintf(stderr, "%s differs from OpenSSL at %zu bytes\n", a.name, size);
                    return false;
                }
            }
        }
    }
    return true;
}

void runOpenSsl(benchmark::State& state, const Algo& algo, const size_t size) {
    OpenSslDigest digest(LINKED, algo.opensslName);
    if (!digest.valid()) {
        state.SkipWithError("libcrypto refused the digest");
        return;
    }
    const uint8_t* const p = data().data();
    for (auto _ : state) {
        digest.hash(p, size);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// The masked child's job "<digest name> <size>": one hash of that many bytes.
std::function<void()> makePeerJob(const std::string& job) {
    std::istringstream words(job);
    std::string name;
    size_t size = 0;
    if (!(words >> name >> size) || size > data().size()) {
        return {};
    }
    auto digest = std::make_shared<OpenSslDigest>(LINKED, name.c_str());
    if (!digest->valid()) {
        return {};
    }
    return [digest, size] { digest->hash(data().data(), size); };
}

void runCrcTable(benchmark::State& state, const size_t size) {
    const uint8_t* const p = data().data();
    for (auto _ : state) {
        benchmark::DoNotOptimize(zq_crc32c::bytewise(~0u, p, size));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}

// The median run of each benchmark, read back as bytes per second for the closing table.
class RatioReporter : public zqbench::MedianReporter {
public:
    RatioReporter() : MedianReporter(false) {}

    void printRatios() const {
        std::printf("\n%-8s %8s %10s %10s %10s %11s %10s %10s\n", "hash", "size", "ours GB/s",
                    "peer GB/s", "vs peer", "ours-p GB/s", "peer2 GB/s", "vs peer2");
        for (const Algo& a : ALGOS) {
            const bool crc = a.opensslName == nullptr;
            for (const size_t size : SIZES) {
                const std::string s = std::to_string(size);
                const double ours = rate(std::string(a.name) + "/ours/" + s);
                if (ours == 0) {
                    continue; // filtered out of this run
                }
                const double peer = rate(std::string(a.name) + (crc ? "/table/" : "/openssl/") + s);
                std::printf("%-8s %8zu %10.2f %10.2f %10.2f", a.name, size, ours / 1e9, peer / 1e9,
                            peer > 0 ? ours / peer : 0.0);
                const double portable = a.portable != nullptr
                                            ? rate(std::string(a.name) + "/ours-portable/" + s)
                                            : ours;
                const double peer2 =
                    crc ? 0.0 : rate(std::string(a.name) + "/openssl-portable/" + s);
                if (peer2 > 0 && portable > 0) {
                    std::printf(" %11.2f %10.2f %10.2f\n", portable / 1e9, peer2 / 1e9,
                                portable / peer2);
                } else {
                    std::printf(" %11s %10s %10s\n", "-", "-", "-");
                }
            }
        }
        std::printf("peer: OpenSSL with its hardware paths (CRC-32C: the byte-wise table); "
                    "ours-p: our portable core; peer2: OpenSSL masked to its portable code.\n");
        std::printf("\n");
        for (const Algo& a : ALGOS) {
            for (const size_t size : SIZES) {
                const std::string s = std::to_string(size);
                const std::string n = std::string(a.name) + " " + s + " B";
                const double ours = rate(std::string(a.name) + "/ours/" + s);
                if (a.opensslName == nullptr) {
                    if (size == SIZES[2]) {
                        zqbench::printFigure(n + " GB/s", ours / 1e9, zqbench::Goal::AT_LEAST, 4.0);
                    }
                    continue;
                }
                const double peer = rate(std::string(a.name) + "/openssl/" + s);
                const double peer2 = rate(std::string(a.name) + "/openssl-portable/" + s);
                const double portable = a.portable != nullptr
                                            ? rate(std::string(a.name) + "/ours-portable/" + s)
                                            : ours;
                const auto ratio = [](const double x, const double y) {
                    return x > 0 && y > 0 ? x / y : 0.0;
                };
                if (a.portable != nullptr) {
                    zqbench::printFigure(n + " / OpenSSL", ratio(ours, peer),
                                         zqbench::Goal::AT_LEAST, 0.95);
                    zqbench::printFigure(n + " portable / OpenSSL portable", ratio(portable, peer2),
                                         zqbench::Goal::AT_LEAST, 0.95);
                } else if (std::string(a.name) == "SHA-512") {
                    zqbench::printFigure(n + " / OpenSSL portable", ratio(ours, peer2),
                                         zqbench::Goal::AT_LEAST, 0.95);
                } else {
                    zqbench::printFigure(n + " / OpenSSL", ratio(ours, peer),
                                         zqbench::Goal::AT_LEAST, 0.90);
                }
            }
        }
    }

private:
    double rate(const std::string& name) const { return bytesRate(name); }
};

} // namespace

int main(int argc, char** argv) {
    zqbench::servePeerJobs(&makePeerJob);
    if (!sameAsPeers()) {
        return 1;
    }
    for (const Algo& a : ALGOS) {
        for (const size_t size : SIZES) {
            const std::string s = std::to_string(size);
            const std::string base = a.name;
            benchmark::RegisterBenchmark((base + "/ours/" + s).c_str(),
                                         [&a, size](auto& st) { runOurs(st, a, size, false); });
            if (a.portable != nullptr) {
                benchmark::RegisterBenchmark((base + "/ours-portable/" + s).c_str(),
                                             [&a, size](auto& st) { runOurs(st, a, size, true); });
            }
            if (a.opensslName == nullptr) {
                benchmark::RegisterBenchmark((base + "/table/" + s).c_str(),
                                             [size](auto& st) { runCrcTable(st, size); });
                continue;
            }
            benchmark::RegisterBenchmark((base + "/openssl/" + s).c_str(),
                                         [&a, size](auto& st) { runOpenSsl(st, a, size); });
            const std::string job = std::string(a.opensslName) + " " + s;
            benchmark::RegisterBenchmark((base + "/openssl-portable/" + s).c_str(), [job, size](
                                                                                        auto& st) {
                zqbench::runInMaskedPeer(st, job, PEER_BATCH_BYTES / size, size);
            })->UseManualTime();
        }
    }
    RatioReporter reporter;
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
