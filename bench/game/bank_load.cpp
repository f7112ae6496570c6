// Loading a chapter's bank with the resource manager: every row of the generated archives 2
// (common layouts and their textures), 21 (stadium models and textures), 30 (camera
// animations), 31 and 32 (scene objects) and 33 (one character's model, animations, textures
// and face), stepped as the game does once a frame, against reading the same members through
// ZqArcFile alone (opens, then every member started and polled, sleeping a millisecond while it
// waits). The peer reads only: it creates no resources from the bytes, which the bank load
// does (textures decoded and uploaded, models and animations built). Headless device,
// wall-clock time, repeated and interleaved; the program ends with the ratio of the medians
// against the goal of 1.3 and the longest single loadStep call against its 16 ms budget.
#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "tools/dataset/DataSetBuilder.h"
#include "zq/file/ZqArcFile.h"
#include "zq/file/ZqFile.h"
#include "zq/memory/ZqMemAlloc.h"
#include "zq/platform/os/os.h"
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"

#include "bench/support/MedianReport.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t ARCHIVES[] = {2, 21, 30, 31, 32, 33};
constexpr double GOAL = 1.3;
constexpr double STEP_BUDGET_MS = 16.0;

using Clock = std::chrono::steady_clock;

std::vector<CResourceManager::Pair> bankList() {
    std::vector<CResourceManager::Pair> pairs;
    for (const uint32_t archive : ARCHIVES) {
        const uint32_t first = getArchiveFirstRow(archive);
        for (uint32_t row = first; row < first + getArchiveRowCount(archive); ++row) {
            pairs.push_back(
                {static_cast<int32_t>(row), getResourceKindOfName(getResourceEntry(row).name)});
        }
    }
    pairs.push_back({0, 0});
    return pairs;
}

// The longest loadStep call seen, in milliseconds, and how many calls there were.
double g_longestStepMs = 0.0;
uint64_t g_steps = 0;

void BM_BankLoad(benchmark::State& state) {
    const std::vector<CResourceManager::Pair> pairs = bankList();
    for (auto _ : state) {
        CResourceManager manager;
        manager.requestList(pairs.data(), CResourceManager::BANK_CHAPTER);
        for (;;) {
            const Clock::time_point t0 = Clock::now();
            const bool done = manager.loadStep(CResourceManager::BANK_CHAPTER);
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            g_longestStepMs = std::max(g_longestStepMs, ms);
            ++g_steps;
            if (done) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!manager.getFailed(CResourceManager::BANK_CHAPTER).empty()) {
            state.SkipWithError("a row failed to load");
            return;
        }
        manager.releaseBank(CResourceManager::BANK_CHAPTER);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(pairs.size() - 1));
}

void BM_ArcFileOnly(benchmark::State& state) {
    const std::vector<CResourceManager::Pair> pairs = bankList();
    for (auto _ : state) {
        struct Open {
            std::unique_ptr<ZqFile::Io> io;
            std::unique_ptr<ZqArcFile> arc;
            uint32_t id = 0;
        };
        std::vector<Open> opens;
        for (const uint32_t archive : ARCHIVES) {
            char16_t path[260] = {};
            getArchivePath(archive, path, 260);
            Open o;
            o.io = std::make_unique<ZqFile::Io>();
            o.arc = std::make_unique<ZqArcFile>(o.io.get());
            o.id = o.arc->ropenStart(path);
            opens.push_back(std::move(o));
        }
        std::vector<std::pair<ZqArcFile*, uint32_t>> reads;
        for (size_t i = 0; i < opens.size(); ++i) {
            bool ok = false;
            while (!opens[i].arc->isRopenFinished(opens[i].id, &ok)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (!ok) {
                state.SkipWithError("an archive did not open");
                return;
            }
            const uint32_t first = getArchiveFirstRow(ARCHIVES[i]);
            for (uint32_t row = first; row < first + getArchiveRowCount(ARCHIVES[i]); ++row) {
                const char16_t* const name = getResourceEntry(row).name;
                uint32_t nr = 0;
                opens[i].arc->searchFileNr(name, &nr);
                const uint32_t size = opens[i].arc->getFileSize(nr);
                reads.push_back({opens[i].arc.get(), opens[i].arc->loadStart(name, size, size)});
            }
        }
        for (const auto& [arc, id] : reads) {
            void* data = nullptr;
            while (!arc->isLoadFinished(id, &data)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (data == nullptr) {
                state.SkipWithError("a member did not load");
                return;
            }
            benchmark::DoNotOptimize(data);
            ZqMemAlloc::deallocate(data);
        }
        for (Open& o : opens) {
            o.arc->close();
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(pairs.size() - 1));
}

class BenchRoot : public ZqTask {
public:
    int argc = 0;
    char** argv = nullptr;
    bool ok = false;
    uint32_t main1(float) override {
        addDrawTask(0, 0.0f);
        return 0;
    }
    void draw(float) override {
        if (m_done) {
            ZqSystem::quit();
            return;
        }
        m_done = true;
        zqbench::MedianReporter reporter(true);
        ok = zqbench::runRepeated(argc, argv, reporter);
        const double ours = reporter.time("BM_BankLoad");
        const double peer = reporter.time("BM_ArcFileOnly");
        std::printf("\nbank load %.2f ms, ZqArcFile alone %.2f ms; longest loadStep %.2f ms over "
                    "%llu calls\n",
                    ours, peer, g_longestStepMs, static_cast<unsigned long long>(g_steps));
        zqbench::printFigure("bank load / ZqArcFile reads alone", peer > 0 ? ours / peer : 0,
                             zqbench::Goal::AT_MOST, GOAL);
        zqbench::printFigure("longest loadStep, ms", g_longestStepMs, zqbench::Goal::AT_MOST,
                             STEP_BUDGET_MS);
    }

private:
    bool m_done = false;
};

BENCHMARK(BM_BankLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArcFileOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // The generated archives in a folder of their own, which is the working folder.
    const std::filesystem::path data =
        std::filesystem::temp_directory_path() / ("zq-bench-bank-" + std::to_string(getpid()));
    std::filesystem::create_directories(data);
    zqds::Inputs inputs;
    for (const uint32_t archive : ARCHIVES) {
        std::string error;
        if (!zqds::writeArchive(data.string(), archive, inputs, error)) {
            std::fprintf(stderr, "cannot write archive %u: %s\n", archive, error.c_str());
            return 1;
        }
    }
    std::filesystem::current_path(data);
    BenchRoot root;
    root.argc = argc;
    root.argv = argv;
    const std::string name = "dorvanexbenchbank" + std::to_string(zqp::currentThreadId());
    const std::u16string wide(name.begin(), name.end());
    ZqSystem::go(nullptr, 0xCA0000u, nullptr, 640, 480, u"bench", false, &root, wide.c_str());
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(data);
    return root.ok ? 0 : 1;
}
