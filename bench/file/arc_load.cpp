// Loading a 64 MiB archive of 1,000 files through the file worker (open, then every file
// started and polled as a game frame loop would, sleeping a millisecond while it waits, each
// checked against its SHA-256), set in the same run against reading the same bytes with
// read(2) and checking the same digests with OpenSSL's SHA-256: as linked (its hardware
// paths), and, for reference, masked to its portable code (in a child process) and with our
// own SHA-256. Runs are
// repeated and interleaved, timed by the wall clock; a closing table gives the worker's median
// time as a ratio of each peer's.
#include "zq/crypto/ZqHash.h"
#include "zq/file/ZqArcFile.h"
#include "zq/file/ZqByteReader.h"
#include "zq/memory/ZqMemAlloc.h"

#include "ZqArcWriter.h"
#include "bench/support/MaskedPeer.h"
#include "bench/support/MedianReport.h"
#include "bench/support/OpenSslPeer.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
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
        // The peers' buffer is made and touched once, so that no run pays its page faults.
        m_bytes.assign(m_size, 0);
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
    std::vector<uint8_t> m_bytes;
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
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
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

// read(2) of the whole file at `path` into `bytes` (sized to it), then the archive's header
// digest and every file's digest checked; false when anything is off.
template <class Sha256>
bool readAndHashOnce(const std::string& path, std::vector<uint8_t>& bytes, Sha256& sha256) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    size_t done = 0;
    while (fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    uint32_t headerSize = 0;
    if (done != bytes.size() ||
        !ZqByteReader(bytes.data(), done).u32(ZqArcFile::headerSzHeaderPos, headerSize) ||
        headerSize < 32 || headerSize + uint64_t{NR_FILES} * (FILE_SIZE + 32) > done) {
        return false;
    }
    uint8_t digest[32];
    sha256(digest, bytes.data(), headerSize - 32);
    bool ok = std::memcmp(digest, bytes.data() + headerSize - 32, 32) == 0;
    uint64_t offset = headerSize;
    for (uint32_t i = 0; i < NR_FILES; ++i) {
        sha256(digest, bytes.data() + offset, FILE_SIZE);
        ok = ok && std::memcmp(digest, bytes.data() + offset + FILE_SIZE, 32) == 0;
        offset += FILE_SIZE + 32;
    }
    return ok;
}

template <class Sha256> void readAndHash(benchmark::State& state, Sha256 sha256) {
    Archive& a = archive();
    for (auto _ : state) {
        if (!readAndHashOnce(a.m_path, a.m_bytes, sha256)) {
            state.SkipWithError("the archive did not check out");
            return;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * a.m_size));
}

// OpenSSL's one-shot SHA-256, the digest fetched once.
class OpenSslSha256 {
public:
    explicit OpenSslSha256(const Crypto& c) : m_c(c), m_md(c.mdFetch(nullptr, "SHA256", nullptr)) {}
    ~OpenSslSha256() {
        if (m_md != nullptr) {
            m_c.mdFree(m_md);
        }
    }
    OpenSslSha256(const OpenSslSha256&) = delete;
    OpenSslSha256& operator=(const OpenSslSha256&) = delete;

    bool valid() const { return m_md != nullptr; }
    void operator()(uint8_t* out, const uint8_t* p, const uint32_t size) const {
        unsigned int length = 0;
        m_c.digest(p, size, out, &length, m_md, nullptr);
    }

private:
    const Crypto& m_c;
    EVP_MD* m_md;
};

void readPlusOpenSsl(benchmark::State& state) {
    OpenSslSha256 sha256(LINKED);
    if (!sha256.valid()) {
        state.SkipWithError("libcrypto refused SHA-256");
        return;
    }
    readAndHash(state, std::ref(sha256));
}

// The masked child's job "read+openssl <path>": the same work on its own buffer.
std::function<void()> makePeerJob(const std::string& job) {
    const std::string prefix = "read+openssl ";
    if (job.rfind(prefix, 0) != 0) {
        return {};
    }
    struct Work {
        std::string path;
        std::vector<uint8_t> bytes;
        OpenSslSha256 sha256{LINKED};
    };
    auto work = std::make_shared<Work>();
    work->path = job.substr(prefix.size());
    std::error_code ec;
    work->bytes.assign(std::filesystem::file_size(work->path, ec), 0);
    if (ec || !work->sha256.valid()) {
        return {};
    }
    return [work] {
        if (!readAndHashOnce(work->path, work->bytes, work->sha256)) {
            std::fprintf(stderr, "the masked peer could not check the archive\n");
        }
    };
}

} // namespace

int main(int argc, char** argv) {
    zqbench::servePeerJobs(&makePeerJob);
    benchmark::RegisterBenchmark("arc/worker", loadThroughWorker)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("arc/read+openssl", readPlusOpenSsl)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("arc/read+openssl-portable",
                                 [](auto& st) {
                                     const Archive& a = archive();
                                     zqbench::runInMaskedPeer(st, "read+openssl " + a.m_path, 1,
                                                              a.m_size);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark(
        "arc/read+zqsha256",
        [](auto& st) {
            readAndHash(st, [](uint8_t* out, const uint8_t* p, const uint32_t size) {
                zqCalcSha256(out, p, size);
            });
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    archive();
    zqbench::MedianReporter reporter(true);
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    const double worker = reporter.time("arc/worker");
    if (worker > 0) {
        std::printf("\nworker time as a multiple of each peer's, medians (goal: at most 1.20 "
                    "against read + OpenSSL):\n");
        for (const char* const peer :
             {"arc/read+openssl", "arc/read+openssl-portable", "arc/read+zqsha256"}) {
            if (reporter.time(peer) > 0) {
                std::printf("  %-28s %6.2f\n", peer, worker / reporter.time(peer));
            }
        }
    }
    const double peer = reporter.time("arc/read+openssl");
    zqbench::printFigure("archive load / read + OpenSSL SHA-256", peer > 0 ? worker / peer : 0,
                         zqbench::Goal::AT_MOST, 1.2);
    benchmark::Shutdown();
    return 0;
}
