// Loading a 64 MiB archive of 1,000 files through the file worker (open, then every file
// started and polled as a game frame loop would, each checked against its SHA-256), set in the
// same run against reading the same bytes with read(2) and checking the same digests with
// OpenSSL's SHA-256: as linked (its hardware paths), and, for reference, masked to its
// portable code and with our own SHA-256. A closing line gives the worker's time as a ratio.
#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqArcFile.h"
#include "zq/file/ZqByteReader.h"
#include "zq/memory/ZqMemAlloc.h"

#include "ZqArcWriter.h"
#include "bench/support/OpenSslPeer.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t NR_FILES = 1000;
// 1,000 files of this size with their digests make a 64 MiB archive.
constexpr uint32_t FILE_SIZE = 67072;

// The archive on disk, with the worker running, for the whole program.
class Archive {
public:
    Archive() {
        m_path = (std::filesystem::temp_directory_path() /
                  ("zq-bench-" + std::to_string(getpid()) + ".arc"))
                     .string();
        std::vector<ZqArcEntry> entries(NR_FILES);
        std::mt19937 rng(7);
        for (uint32_t i = 0; i < NR_FILES; ++i) {
            const std::string name = "data\\file" + std::to_string(i) + ".bin";
            entries[i].name.assign(name.begin(), name.end());
            entries[i].data.resize(FILE_SIZE);
            for (auto& b : entries[i].data) {
                b = static_cast<uint8_t>(rng());
            }
        }
        std::string error;
        if (!ZqArcWriter::write(m_path, entries, 1, &error)) {
            std::fprintf(stderr, "cannot write the archive: %s\n", error.c_str());
            std::exit(1);
        }
        for (const ZqArcEntry& e : entries) {
            m_names.push_back(e.name);
        }
        m_size = std::filesystem::file_size(m_path);
        m_wide.assign(m_path.begin(), m_path.end());
        ZqFile::sysInit();
    }
    ~Archive() {
        ZqFile::sysQuit();
        std::filesystem::remove(m_path);
    }

    std::string m_path;
    std::u16string m_wide;
    std::vector<std::u16string> m_names;
    uint64_t m_size = 0;
};

Archive& archive() {
    static Archive a;
    return a;
}

void loadThroughWorker(benchmark::State& state) {
    Archive& a = archive();
    for (auto _ : state) {
        ZqArcFile arc;
        if (!arc.ropen(a.m_wide.c_str())) {
            state.SkipWithError("the archive did not open");
            return;
        }
        std::vector<uint32_t> ids(NR_FILES);
        for (uint32_t i = 0; i < NR_FILES; ++i) {
            ids[i] = arc.loadStart(a.m_names[i].c_str(), 0, 0);
        }
        for (uint32_t i = 0; i < NR_FILES; ++i) {
            void* buffer = nullptr;
            uint32_t size = 0;
            while (!arc.isLoadFinished(ids[i], &buffer, &size)) {
                std::this_thread::yield();
            }
            if (buffer == nullptr || size != FILE_SIZE) {
                state.SkipWithError("a file did not load");
                return;
            }
            benchmark::DoNotOptimize(buffer);
            ZqMemAlloc::deallocate(buffer);
        }
        arc.close();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * a.m_size));
}

using zqbench::Crypto;
using zqbench::LINKED;
using zqbench::loadMasked;

// read(2) of the whole archive, then the header digest and every file's digest checked.
template <class Sha256> void readAndHash(benchmark::State& state, Sha256 sha256) {
    Archive& a = archive();
    std::vector<uint8_t> bytes(a.m_size);
    for (auto _ : state) {
        const int fd = ::open(a.m_path.c_str(), O_RDONLY);
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        ::close(fd);
        uint32_t headerSize = 0;
        ZqByteReader(bytes.data(), done).u32(ZqArcFile::headerSzHeaderPos, headerSize);
        uint8_t digest[32];
        bool ok = done == bytes.size();
        sha256(digest, bytes.data(), headerSize - 32);
        ok = ok && std::memcmp(digest, bytes.data() + headerSize - 32, 32) == 0;
        uint64_t offset = headerSize;
        for (uint32_t i = 0; i < NR_FILES; ++i) {
            sha256(digest, bytes.data() + offset, FILE_SIZE);
            ok = ok && std::memcmp(digest, bytes.data() + offset + FILE_SIZE, 32) == 0;
            offset += FILE_SIZE + 32;
        }
        if (!ok) {
            state.SkipWithError("the archive did not check out");
            return;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * a.m_size));
}

void readPlusOpenSsl(benchmark::State& state, const Crypto& c) {
    EVP_MD* const md = c.mdFetch(nullptr, "SHA256", nullptr);
    if (md == nullptr) {
        state.SkipWithError("libcrypto refused SHA-256");
        return;
    }
    readAndHash(state, [&c, md](uint8_t* out, const uint8_t* p, const uint32_t size) {
        unsigned int length = 0;
        c.digest(p, size, out, &length, md, nullptr);
    });
    c.mdFree(md);
}

// Keeps each run's time for the closing ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
                m_time[r.benchmark_name()] = r.GetAdjustedRealTime();
            }
        }
    }
    void printRatios() const {
        const double worker = time("arc/worker");
        if (worker == 0) {
            return;
        }
        std::printf("\nworker time as a multiple of each peer's (goal: at most 1.20 against "
                    "read + OpenSSL):\n");
        for (const char* const peer :
             {"arc/read+openssl", "arc/read+openssl-portable", "arc/read+zqsha256"}) {
            if (time(peer) > 0) {
                std::printf("  %-28s %6.2f\n", peer, worker / time(peer));
            }
        }
    }

private:
    double time(const std::string& name) const {
        const auto it = m_time.find(name);
        return it != m_time.end() ? it->second : 0.0;
    }
    std::map<std::string, double> m_time;
};

} // namespace

int main(int argc, char** argv) {
    static Crypto masked{};
    const bool haveMasked = loadMasked(masked);
    benchmark::RegisterBenchmark("arc/worker", loadThroughWorker)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("arc/read+openssl", [](auto& st) {
        readPlusOpenSsl(st, LINKED);
    })->Unit(benchmark::kMillisecond);
    if (haveMasked) {
        benchmark::RegisterBenchmark("arc/read+openssl-portable", [](auto& st) {
            readPlusOpenSsl(st, masked);
        })->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("arc/read+zqsha256", [](auto& st) {
        readAndHash(st, [](uint8_t* out, const uint8_t* p, const uint32_t size) {
            zqCalcSha256(out, p, size);
        });
    })->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    archive();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
