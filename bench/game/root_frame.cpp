// The game root's frame against the framework's bare frame, both at 1024 x 768 on the same
// device in one run. Bare: an empty root task (the framework's own clear and present). Root:
// the game's root task with an idle chapter (input, lamps, background, idle fade, and the
// chapter drawn into the off-screen target and presented through it). A frame is timed from
// the frame-time hook (before the devices and tasks run) to the next turn of the message pump
// after it (drawing and presentation done). Runs are interleaved and repeated; the program
// prints the ratio of the medians against the goal of 1.5.
#include "dorvanex/core/app/GameEntry.h"
#include "dorvanex/core/app/TaskRoot.h"
#include "dorvanex/core/flow/CSequenceManager.h"
#include "zq/platform/os/os.h"
#include "zq/platform/window/window.h"
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr uint32_t WARM_UP_FRAMES = 60;
constexpr uint32_t MEASURED_FRAMES = 240;
constexpr double GOAL = 1.5;

using Clock = std::chrono::steady_clock;

struct Run {
    uint32_t frame = 0;
    bool inFrame = false;
    Clock::time_point start;
    std::vector<double> seconds;
};

void onFrameStart(uint32_t& timeTick, void* const arg) {
    Run& run = *static_cast<Run*>(arg);
    // A steady, small step: the idle chapter never times out during the run.
    timeTick = 1;
    run.inFrame = true;
    run.start = Clock::now();
}

void onPump(void* const arg) {
    Run& run = *static_cast<Run*>(arg);
    // The framework clears the frame-time hook when it starts; put it back.
    ZqSystem::setTimeTickCallback(&onFrameStart, arg);
    if (!run.inFrame) {
        return;
    }
    run.inFrame = false;
    const double s = std::chrono::duration<double>(Clock::now() - run.start).count();
    if (++run.frame > WARM_UP_FRAMES) {
        run.seconds.push_back(s);
    }
    if (run.frame >= WARM_UP_FRAMES + MEASURED_FRAMES) {
        ZqSystem::quit();
    }
}

class BareRoot : public ZqTask {};

std::u16string instanceName(const char* what) {
    const std::string s =
        std::string("dorvanexbench") + what + std::to_string(zqp::currentThreadId());
    return std::u16string(s.begin(), s.end());
}

std::vector<double> gBare;
std::vector<double> gRoot;

void runFrames(benchmark::State& state, ZqTask* const root, const char* const what,
               std::vector<double>& all) {
    Run run;
    zqp::addPumpHook(&onPump, &run);
    const std::u16string name = instanceName(what);
    int status = 0;
    if (root != nullptr) {
        status = ZqSystem::go(nullptr, 0xCA0000u, nullptr, 1024, 768, u"bench", false, root,
                              name.c_str());
    } else {
        status = runGame(TaskRoot::getInstance(), "", name.c_str());
        TaskRoot::deleteInstance();
    }
    zqp::removePumpHook(&onPump, &run);
    ZqSystem::setTimeTickCallback(nullptr, nullptr);
    if (status != 0 || run.seconds.empty()) {
        state.SkipWithError("the run did not complete");
        return;
    }
    size_t i = 0;
    for (auto _ : state) {
        state.SetIterationTime(run.seconds[i++ % run.seconds.size()]);
    }
    all.insert(all.end(), run.seconds.begin(), run.seconds.end());
}

void BM_BareFrame(benchmark::State& state) {
    BareRoot root;
    runFrames(state, &root, "bare", gBare);
}

void BM_RootFrame(benchmark::State& state) {
    runFrames(state, nullptr, "root", gRoot);
}

BENCHMARK(BM_BareFrame)
    ->UseManualTime()
    ->Iterations(MEASURED_FRAMES)
    ->Repetitions(5)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RootFrame)
    ->UseManualTime()
    ->Iterations(MEASURED_FRAMES)
    ->Repetitions(5)
    ->Unit(benchmark::kMicrosecond);

double median(std::vector<double> v) {
    if (v.empty()) {
        return 0.0;
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    // Headless unless the caller chose a video driver.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.push_back(interleave.data());
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double bare = median(gBare);
    const double root = median(gRoot);
    if (bare > 0.0 && root > 0.0) {
        const double ratio = root / bare;
        std::printf("root frame %.1f us, bare frame %.1f us (medians of %zu and %zu frames): "
                    "ratio %.2f, goal <= %.1f: %s\n",
                    root * 1e6, bare * 1e6, gRoot.size(), gBare.size(), ratio, GOAL,
                    ratio <= GOAL ? "met" : "missed");
    }
    return 0;
}
