// bookkeepingSave (two durable 358,652-byte copies, each read back, through the real disk in
// a temporary folder) set in the same run against writing the same bytes twice with plain
// write(2) and fsync(2). Runs are repeated and interleaved, timed by the wall clock; the
// closing table gives the save's median as a multiple of the peer's (goal: at most 1.5) and
// its main-thread time against one 16.7 ms frame.
#include "dorvanex/core/opdata/CBookkeepings.h"

#include "bench/support/MedianReport.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr size_t FILE_BYTES = 358652;

// Drives e: and f: in a temporary folder for the whole program, with a store to save.
class Drives {
public:
    Drives() {
        m_root =
            std::filesystem::temp_directory_path() / ("zq-bench-bk-" + std::to_string(getpid()));
        std::filesystem::create_directories(m_root / "e");
        std::filesystem::create_directories(m_root / "f");
        setenv("DORVANEX_DRIVE_E", (m_root / "e").c_str(), 1);
        setenv("DORVANEX_DRIVE_F", (m_root / "f").c_str(), 1);
        bookkeepingCreate();
        bookkeepingLoad();
        bookkeepingAddCoin(1);
        m_bytes.assign(FILE_BYTES, 0x5A);
    }
    ~Drives() {
        bookkeepingDestroy();
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }
    std::filesystem::path m_root;
    std::vector<uint8_t> m_bytes;
};

Drives& drives() {
    static Drives d;
    return d;
}

void save(benchmark::State& state) {
    drives();
    for (auto _ : state) {
        if (bookkeepingSave() != 1) {
            state.SkipWithError("bookkeepingSave failed");
            break;
        }
    }
}

void writeAndSync(benchmark::State& state) {
    Drives& d = drives();
    const std::string paths[2] = {(d.m_root / "e/peer.bin").string(),
                                  (d.m_root / "f/peer.bin").string()};
    for (auto _ : state) {
        for (const std::string& path : paths) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::write(fd, d.m_bytes.data(), d.m_bytes.size()) !=
                              static_cast<ssize_t>(d.m_bytes.size())) {
                state.SkipWithError("write failed");
            }
            ::fsync(fd);
            ::close(fd);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("bookkeeping/save", save)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("bookkeeping/write+fsync", writeAndSync)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    drives();
    zqbench::MedianReporter reporter(true);
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    const double ours = reporter.time("bookkeeping/save");
    const double peer = reporter.time("bookkeeping/write+fsync");
    if (ours > 0 && peer > 0) {
        std::printf("\nbookkeepingSave as a multiple of write + fsync, medians (goal: at most "
                    "1.5): %.2f\n",
                    ours / peer);
        std::printf("main-thread time of one save: %.2f ms (%s one 16.7 ms frame)\n", ours,
                    ours > 16.7 ? "more than" : "within");
    }
    std::fflush(stdout);
    benchmark::Shutdown();
    return 0;
}
