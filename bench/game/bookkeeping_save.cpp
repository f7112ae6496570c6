// bookkeepingSave (two durable 358,652-byte copies, each read back, and a line appended to the
// save log, through the real disk in a temporary folder) set in the same run against a peer
// doing the same plainly with POSIX calls on the same bytes: for each drive write a temporary
// file, fsync it, rename it over the copy, fsync the folder and read the copy back, then append
// a line of the same length to a log. The peer's copies are checked equal to the save's first.
// Runs are repeated and interleaved, timed by the wall clock; the closing lines give the save's
// median as a multiple of the peer's (goal: at most 1.2) and its time against one 16.7 ms
// frame.
#include "dorvanex/core/opdata/CBookkeepings.h"

#include "bench/support/MedianReport.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr size_t FILE_BYTES = 358652;
// The save log's line: seven day counts of one coin and six zeros.
constexpr const char* LOG_LINE = "1 0 0 0 0 0 0\n";

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
        // The peer writes what a save writes.
        bookkeepingSave();
        m_bytes = readAll(folder(0) / "BOOKKEEPING");
    }
    std::filesystem::path folder(const int drive) const {
        return m_root / (drive == 0 ? "e" : "f") / "SPORTS_OPTION";
    }
    static std::vector<uint8_t> readAll(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
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

bool writeAll(const int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// The peer's copy on one drive: the durable replace, then the read-back.
bool plainCopy(const std::filesystem::path& folder, const std::vector<uint8_t>& bytes,
               std::vector<uint8_t>& back) {
    const std::string path = (folder / "PEER").string();
    const std::string temp = path + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        return false;
    }
    fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ok = ::fsync(fd) == 0;
    ::close(fd);
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (!ok || fd < 0) {
        return false;
    }
    back.resize(bytes.size() + 1);
    size_t got = 0;
    for (ssize_t n = 1; n > 0 && got < back.size(); got += static_cast<size_t>(n)) {
        n = ::read(fd, back.data() + got, back.size() - got);
        if (n <= 0) {
            break;
        }
    }
    ::close(fd);
    back.resize(got);
    return back == bytes;
}

bool plainSave(const Drives& d, std::vector<uint8_t>& back) {
    for (int drive = 0; drive < 2; ++drive) {
        if (!plainCopy(d.folder(drive), d.m_bytes, back)) {
            return false;
        }
    }
    const std::string log = (d.folder(0) / "PEER_save_log.txt").string();
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const size_t length = std::strlen(LOG_LINE);
    const bool ok = fd >= 0 && ::write(fd, LOG_LINE, length) == static_cast<ssize_t>(length);
    return fd >= 0 && ::close(fd) == 0 && ok;
}

void plain(benchmark::State& state) {
    const Drives& d = drives();
    std::vector<uint8_t> back;
    for (auto _ : state) {
        if (!plainSave(d, back)) {
            state.SkipWithError("the plain save failed");
            break;
        }
    }
}

// The save's copies and the peer's hold the same bytes on both drives, of the expected size.
bool sameAsPlain() {
    const Drives& d = drives();
    std::vector<uint8_t> back;
    if (d.m_bytes.size() != FILE_BYTES || !plainSave(d, back)) {
        return false;
    }
    for (int drive = 0; drive < 2; ++drive) {
        if (Drives::readAll(d.folder(drive) / "BOOKKEEPING") !=
            Drives::readAll(d.folder(drive) / "PEER")) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (!sameAsPlain()) {
        std::fprintf(stderr, "the save's copies and the plain save's differ\n");
        return 1;
    }
    benchmark::RegisterBenchmark("bookkeeping/save", save)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("bookkeeping/plain-durable-save", plain)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    zqbench::MedianReporter reporter(true);
    if (!zqbench::runRepeated(argc, argv, reporter)) {
        return 1;
    }
    const double ours = reporter.time("bookkeeping/save");
    const double peer = reporter.time("bookkeeping/plain-durable-save");
    std::printf("\nmedian save %.2f ms, plain durable save %.2f ms\n", ours, peer);
    zqbench::printFigure("bookkeepingSave / plain durable save", peer > 0 ? ours / peer : 0,
                         zqbench::Goal::AT_MOST, 1.2);
    zqbench::printFigure("bookkeepingSave, ms of a 16.7 ms frame", ours, zqbench::Goal::AT_MOST,
                         16.7);
    std::fflush(stdout);
    benchmark::Shutdown();
    return 0;
}
