// Throughput of the framework's block ciphers on 64 KiB pieces beside OpenSSL's libcrypto in
// the same run: AES-128 and AES-256, Camellia-128 and Blowfish, ECB and CBC, enciphering and
// deciphering. OpenSSL runs twice, as linked (its hardware paths) and in a child process with
// every capability bit masked (its portable code); our AES runs on the processor's AES
// instructions and on its portable core. Then reading a 4 MiB enciphered file through
// ZqFile::Io against reading it plain and deciphering with OpenSSL. Repeated, interleaved
// runs; the closing table sets the medians against each other and against the goals.
#include "zq/crypto/ZqAes.h"
#include "zq/crypto/ZqAesCore_internal.h"
#include "zq/crypto/ZqBlowfish.h"
#include "zq/crypto/ZqCamellia.h"
#include "zq/file/ZqFile.h"

#include "ZqCipherFileWriter.h"
#include "bench/support/MaskedPeer.h"
#include "bench/support/MedianReport.h"
#include "bench/support/OpenSslPeer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using zqbench::Ciphers;

constexpr size_t PIECE = 64 * 1024;
constexpr size_t FILE_SIZE = 4 * 1024 * 1024;

std::vector<uint8_t> randomBytes(const size_t n, const uint32_t seed) {
    std::vector<uint8_t> v(n);
    std::mt19937 rng(seed);
    for (auto& b : v) {
        b = static_cast<uint8_t>(rng());
    }
    return v;
}

struct Algo {
    const char* name;
    ZqBlockCipher::TYPE type;
    uint32_t keyLength;
    const char* ecb;
    const char* cbc;
};

const Algo ALGOS[] = {
    {"AES-128", ZqBlockCipher::TYPE_AES, 16, "AES-128-ECB", "AES-128-CBC"},
    {"AES-256", ZqBlockCipher::TYPE_AES, 32, "AES-256-ECB", "AES-256-CBC"},
    {"Camellia-128", ZqBlockCipher::TYPE_CAMELLIA, 16, "CAMELLIA-128-ECB", "CAMELLIA-128-CBC"},
    {"Blowfish", ZqBlockCipher::TYPE_BLOWFISH, 16, "BF-ECB", "BF-CBC"},
};

std::string caseName(const Algo& a, const bool cbc, const bool enc) {
    return std::string(a.name) + (cbc ? "-CBC" : "-ECB") + (enc ? "/enc" : "/dec");
}

void runOurs(benchmark::State& state, const Algo& a, const bool cbc, const bool enc,
             const bool portable) {
    const auto cipher = ZqBlockCipher::create(a.type);
    const std::vector<uint8_t> key = randomBytes(a.keyLength, 1);
    cipher->setKey(key.data(), a.keyLength);
    const std::vector<uint8_t> in = randomBytes(PIECE + 16, 2);
    std::vector<uint8_t> out(PIECE + 16);
    constexpr auto n = static_cast<uint32_t>(PIECE / 16);
    zq_aes::allowHardware(!portable);
    for (auto _ : state) {
        if (cbc && enc) {
            // Chained to the previous output unit, the vector in front.
            cipher->encodeCbc(in.data() + 16, out.data(), out.data() + 16, n);
        } else if (cbc) {
            cipher->decodeCbc(in.data(), in.data() + 16, out.data(), n);
        } else if (enc) {
            cipher->encodeEcb(in.data(), out.data(), n);
        } else {
            cipher->decodeEcb(in.data(), out.data(), n);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    zq_aes::allowHardware(true);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * PIECE));
}

// A cipher set up with its key, enciphering or deciphering one piece per call.
class OpenSslPiece {
public:
    OpenSslPiece(const Ciphers& c, const Algo& a, const bool cbc, const bool enc)
        : m_c(c), m_cipher(c.cipherFetch(nullptr, cbc ? a.cbc : a.ecb, nullptr)), m_ctx(c.ctxNew()),
          m_in(randomBytes(PIECE, 2)), m_out(PIECE + 32) {
        const std::vector<uint8_t> key = randomBytes(a.keyLength, 1);
        const std::vector<uint8_t> iv = randomBytes(16, 3);
        if (m_cipher == nullptr || m_ctx == nullptr ||
            c.init(m_ctx, m_cipher, nullptr, nullptr, enc ? 1 : 0, nullptr) != 1) {
            return;
        }
        // Blowfish's key length is variable; ask for ours before the key goes in.
        OSSL_PARAM params[2] = {OSSL_PARAM_END, OSSL_PARAM_END};
        size_t keyLength = a.keyLength;
        params[0] = OSSL_PARAM_construct_size_t("keylen", &keyLength);
        m_ready = c.init(m_ctx, nullptr, key.data(), iv.data(), enc ? 1 : 0, params) == 1;
        c.setPadding(m_ctx, 0);
    }
    ~OpenSslPiece() {
        if (m_ctx != nullptr) {
            m_c.ctxFree(m_ctx);
        }
        if (m_cipher != nullptr) {
            m_c.cipherFree(m_cipher);
        }
    }
    OpenSslPiece(const OpenSslPiece&) = delete;
    OpenSslPiece& operator=(const OpenSslPiece&) = delete;

    bool ready() const { return m_ready; }
    void run() {
        int n = 0;
        m_c.update(m_ctx, m_out.data(), &n, m_in.data(), static_cast<int>(PIECE));
        benchmark::DoNotOptimize(m_out.data());
        benchmark::ClobberMemory();
    }

private:
    const Ciphers& m_c;
    EVP_CIPHER* m_cipher;
    EVP_CIPHER_CTX* m_ctx;
    const std::vector<uint8_t> m_in;
    std::vector<uint8_t> m_out;
    bool m_ready = false;
};

void runOpenSsl(benchmark::State& state, const Algo& a, const bool cbc, const bool enc) {
    OpenSslPiece piece(zqbench::LINKED_CIPHERS, a, cbc, enc);
    if (!piece.ready()) {
        state.SkipWithError("libcrypto refused the cipher or its key");
        return;
    }
    for (auto _ : state) {
        piece.run();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * PIECE));
}

// Blowfish lives in the legacy provider; the default one must then be loaded by name.
void loadProviders() {
    zqbench::LINKED_CIPHERS.providerLoad(nullptr, "legacy");
    zqbench::LINKED_CIPHERS.providerLoad(nullptr, "default");
}

// The masked child's jobs are the case names ("AES-128-CBC/dec"): one piece each.
std::function<void()> makePeerJob(const std::string& job) {
    static const bool loaded = (loadProviders(), true);
    (void)loaded;
    for (const Algo& a : ALGOS) {
        for (const bool cbc : {false, true}) {
            for (const bool enc : {true, false}) {
                if (caseName(a, cbc, enc) == job) {
                    auto piece =
                        std::make_shared<OpenSslPiece>(zqbench::LINKED_CIPHERS, a, cbc, enc);
                    if (!piece->ready()) {
                        return {};
                    }
                    return [piece] { piece->run(); };
                }
            }
        }
    }
    return {};
}

// The masked peer runs this many pieces per call, so that the call's cost does not count.
constexpr uint64_t PEER_BATCH = 16;

// The 4 MiB file, enciphered with AES-128 in CBC, and the same content plain.
struct Files {
    std::filesystem::path folder;
    std::u16string enciphered;
    std::string plain;
    std::vector<uint8_t> key = randomBytes(16, 4);
};

const Files& files() {
    static const Files f = [] {
        Files out;
        out.folder = std::filesystem::temp_directory_path() / "zq-bench-ciphers";
        std::filesystem::create_directories(out.folder);
        const std::vector<uint8_t> content = randomBytes(FILE_SIZE, 5);
        const std::string enc = (out.folder / "content.enc").string();
        out.plain = (out.folder / "content.bin").string();
        ZqCipherFileWriter writer(ZqBlockCipher::TYPE_AES, ZqBlockCipher::MODE_CBC);
        writer.setKey(out.key.data(), 16);
        writer.write(enc, content.data(), content.size());
        std::FILE* const p = std::fopen(out.plain.c_str(), "wb");
        if (p != nullptr) {
            std::fwrite(content.data(), 1, content.size(), p);
            std::fclose(p);
        }
        out.enciphered.assign(enc.begin(), enc.end());
        return out;
    }();
    return f;
}

void runFileOurs(benchmark::State& state) {
    const Files& f = files();
    ZqFile::Io io(ZqBlockCipher::TYPE_AES, ZqBlockCipher::MODE_CBC);
    io.setKey(f.key.data(), 16);
    std::vector<uint8_t> buffer(FILE_SIZE);
    for (auto _ : state) {
        uint32_t size = 0;
        if (!io.ropen(f.enciphered.c_str(), 0, &size) ||
            io.read(buffer.data(), size) != FILE_SIZE) {
            state.SkipWithError("the enciphered file did not read");
            break;
        }
        io.close();
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FILE_SIZE));
}

// Reading the plain file whole, then deciphering 4 MiB with OpenSSL's AES-128-CBC.
void runFilePeer(benchmark::State& state) {
    const Files& f = files();
    const Ciphers& c = zqbench::LINKED_CIPHERS;
    EVP_CIPHER* const cipher = c.cipherFetch(nullptr, "AES-128-CBC", nullptr);
    EVP_CIPHER_CTX* const ctx = c.ctxNew();
    const std::vector<uint8_t> iv(16, 0);
    std::vector<uint8_t> buffer(FILE_SIZE);
    std::vector<uint8_t> out(FILE_SIZE + 32);
    for (auto _ : state) {
        std::FILE* const p = std::fopen(f.plain.c_str(), "rb");
        if (p == nullptr || std::fread(buffer.data(), 1, FILE_SIZE, p) != FILE_SIZE) {
            state.SkipWithError("the plain file did not read");
            break;
        }
        std::fclose(p);
        int n = 0;
        c.init(ctx, cipher, f.key.data(), iv.data(), 0, nullptr);
        c.setPadding(ctx, 0);
        c.update(ctx, out.data(), &n, buffer.data(), static_cast<int>(FILE_SIZE));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FILE_SIZE));
    c.ctxFree(ctx);
    c.cipherFree(cipher);
}

// The closing table: medians as MB/s side by side, and the ratios against the goals.
void printRatios(const zqbench::MedianReporter& times) {
    // MB/s from the medians.
    const auto rate = [&times](const std::string& name) { return times.bytesRate(name) / 1e6; };
    std::printf("\n%-22s %9s %9s %9s %9s %10s %10s\n", "cipher (MB/s)", "ours", "ours-port",
                "openssl", "ossl-port", "port/port", "ours/ossl");
    for (const Algo& a : ALGOS) {
        for (const bool cbc : {false, true}) {
            for (const bool enc : {true, false}) {
                const std::string c = caseName(a, cbc, enc);
                const double ours = rate(c + "/ours");
                const double oursPortable =
                    a.type == ZqBlockCipher::TYPE_AES ? rate(c + "/ours-portable") : ours;
                const double peer = rate(c + "/openssl");
                const double peerPortable = rate(c + "/openssl-portable");
                if (ours == 0) {
                    continue;
                }
                std::printf("%-22s %9.0f %9.0f %9.0f %9.0f %10.2f %10.2f\n", c.c_str(), ours,
                            oursPortable, peer, peerPortable,
                            peerPortable > 0 ? oursPortable / peerPortable : 0.0,
                            peer > 0 ? ours / peer : 0.0);
            }
        }
    }
    std::printf("port/port: our portable code against OpenSSL's portable code (Camellia and "
                "Blowfish have only portable code here); goal at least %.2f (within 1.5x).\n",
                1.0 / 1.5);
    const double ours = times.time("File-4MiB/ours");
    const double peer = times.time("File-4MiB/plain+openssl");
    std::printf("\nReading 4 MiB enciphered (AES-128 CBC): %.2f ms; plain read + OpenSSL "
                "deciphering: %.2f ms\n\n",
                ours / 1e6, peer / 1e6);
    for (const Algo& a : ALGOS) {
        for (const bool cbc : {false, true}) {
            for (const bool enc : {true, false}) {
                const std::string c = caseName(a, cbc, enc);
                const double oursPortable = a.type == ZqBlockCipher::TYPE_AES
                                                ? rate(c + "/ours-portable")
                                                : rate(c + "/ours");
                const double peerPortable = rate(c + "/openssl-portable");
                zqbench::printFigure(c + " portable / OpenSSL portable",
                                     peerPortable > 0 ? oursPortable / peerPortable : 0,
                                     zqbench::Goal::AT_LEAST, 1.0 / 1.5);
            }
        }
    }
    zqbench::printFigure("4 MiB enciphered read / read + OpenSSL", peer > 0 ? ours / peer : 0,
                         zqbench::Goal::AT_MOST, 2.0);
}

} // namespace

int main(int argc, char** argv) {
    zqbench::servePeerJobs(&makePeerJob);
    loadProviders();
    for (const Algo& a : ALGOS) {
        for (const bool cbc : {false, true}) {
            for (const bool enc : {true, false}) {
                const std::string c = caseName(a, cbc, enc);
                benchmark::RegisterBenchmark((c + "/ours").c_str(), [&a, cbc, enc](auto& st) {
                    runOurs(st, a, cbc, enc, false);
                });
                if (a.type == ZqBlockCipher::TYPE_AES) {
                    benchmark::RegisterBenchmark(
                        (c + "/ours-portable").c_str(),
                        [&a, cbc, enc](auto& st) { runOurs(st, a, cbc, enc, true); });
                }
                benchmark::RegisterBenchmark((c + "/openssl").c_str(), [&a, cbc, enc](auto& st) {
                    runOpenSsl(st, a, cbc, enc);
                });
                benchmark::RegisterBenchmark((c + "/openssl-portable").c_str(), [c](auto& st) {
                    zqbench::runInMaskedPeer(st, c, PEER_BATCH, PIECE);
                })->UseManualTime();
            }
        }
    }
    benchmark::RegisterBenchmark("File-4MiB/ours", runFileOurs)->UseRealTime();
    benchmark::RegisterBenchmark("File-4MiB/plain+openssl", runFilePeer)->UseRealTime();

    // Short runs each, repeated and interleaved; flags on the command line win.
    zqbench::MedianReporter reporter(true);
    if (!zqbench::runRepeated(argc, argv, reporter, {"--benchmark_min_time=0.1"})) {
        return 1;
    }
    printRatios(reporter);
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(files().folder, ec);
    return 0;
}
