// Idle frames: the framework's main loop running a fixed number of frames with nothing to do
// but clear and present, against a minimal SDL2 + OpenGL loop that does the same drawing and
// sleeps until its next 9 ms frame. Both run headless on the same driver; the figure is the
// process's processor time per frame (render threads included) after a short warm-up, and
// the spread of the intervals between frame starts. Repetitions run interleaved; the closing
// lines give medians and our processor time per frame as a ratio of the peer's (goal: at
// most 1.20).
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"

#include "bench/support/MedianReport.h"
#include <SDL.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t WARM_UP_FRAMES = 20;
constexpr uint32_t FRAMES = 220;
constexpr int WIDTH = 1024;
constexpr int HEIGHT = 768;

double processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double wallMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Measures the frames after the warm-up: processor time, and the interval between starts.
struct FrameMeter {
    std::vector<double> starts;
    double cpuAtWarm = 0.0;
    double cpuAtEnd = 0.0;

    // Called at the start of every frame; false once enough frames have run.
    bool frame() {
        if (starts.size() == WARM_UP_FRAMES) {
            cpuAtWarm = processCpuMs();
        }
        starts.push_back(wallMs());
        if (starts.size() == WARM_UP_FRAMES + FRAMES + 1) {
            cpuAtEnd = processCpuMs();
            return false;
        }
        return true;
    }

    void report(benchmark::State& state) const {
        std::vector<double> intervals;
        for (size_t i = WARM_UP_FRAMES + 1; i < starts.size(); ++i) {
            intervals.push_back(starts[i] - starts[i - 1]);
        }
        if (intervals.empty()) {
            state.SkipWithError("no frames ran");
            return;
        }
        double mean = 0.0;
        for (const double v : intervals) {
            mean += v;
        }
        mean /= static_cast<double>(intervals.size());
        double var = 0.0;
        for (const double v : intervals) {
            var += (v - mean) * (v - mean);
        }
        const auto [lo, hi] = std::minmax_element(intervals.begin(), intervals.end());
        state.SetIterationTime((starts.back() - starts[WARM_UP_FRAMES]) / 1e3);
        state.counters["cpu_ms_per_frame"] = (cpuAtEnd - cpuAtWarm) / FRAMES;
        state.counters["interval_ms"] = mean;
        state.counters["interval_sd_ms"] = std::sqrt(var / static_cast<double>(intervals.size()));
        state.counters["interval_min_ms"] = *lo;
        state.counters["interval_max_ms"] = *hi;
    }
};

class IdleRoot : public ZqTask {
public:
    FrameMeter meter;
    uint32_t main1(float) override {
        if (!meter.frame()) {
            ZqSystem::quit();
        }
        return 0;
    }
};

void framework(benchmark::State& state) {
    for (auto _ : state) {
        IdleRoot root;
        const std::string name = "zq bench idle " + std::to_string(getpid());
        const std::u16string mutex(name.begin(), name.end());
        try {
            ZqSystem::go(nullptr, ZqSystem::DEFAULT_STYLE, nullptr, WIDTH, HEIGHT, u"zq idle",
                         false, &root, mutex.c_str());
        } catch (const unsigned code) {
            state.SkipWithError(("the framework failed with code " + std::to_string(code)).c_str());
            return;
        }
        root.meter.report(state);
    }
}

// The peer: what a program needs at the least to show frames at the same pace with the
// framework's device model, which draws into a frame buffer of the game's size (colour, depth
// and stencil) and blits it upside down into the window when it presents.
void minimalLoop(benchmark::State& state) {
    using GlClearColor = void (*)(float, float, float, float);
    using GlClear = void (*)(unsigned);
    using GlGen = void (*)(int, unsigned*);
    using GlBind = void (*)(unsigned, unsigned);
    using GlStorage = void (*)(unsigned, unsigned, int, int);
    using GlAttach = void (*)(unsigned, unsigned, unsigned, unsigned);
    using GlBlit = void (*)(int, int, int, int, int, int, int, int, unsigned, unsigned);
    constexpr unsigned GL_COLOR_BUFFER_BIT = 0x4000;
    constexpr unsigned GL_DEPTH_BUFFER_BIT = 0x0100;
    constexpr unsigned GL_STENCIL_BUFFER_BIT = 0x0400;
    constexpr unsigned GL_FRAMEBUFFER = 0x8D40;
    constexpr unsigned GL_READ_FRAMEBUFFER = 0x8CA8;
    constexpr unsigned GL_DRAW_FRAMEBUFFER = 0x8CA9;
    constexpr unsigned GL_RENDERBUFFER = 0x8D41;
    constexpr unsigned GL_RGBA8 = 0x8058;
    constexpr unsigned GL_DEPTH24_STENCIL8 = 0x88F0;
    constexpr unsigned GL_COLOR_ATTACHMENT0 = 0x8CE0;
    constexpr unsigned GL_DEPTH_STENCIL_ATTACHMENT = 0x821A;
    constexpr unsigned GL_NEAREST = 0x2600;
    for (auto _ : state) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            state.SkipWithError(SDL_GetError());
            return;
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_Window* const window =
            SDL_CreateWindow("peer", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, WIDTH,
                             HEIGHT, SDL_WINDOW_OPENGL);
        SDL_GLContext context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
        if (context == nullptr) {
            state.SkipWithError(SDL_GetError());
            return;
        }
        SDL_GL_SetSwapInterval(0);
        const auto gl = [](const char* name) { return SDL_GL_GetProcAddress(name); };
        const auto clearColor = reinterpret_cast<GlClearColor>(gl("glClearColor"));
        const auto clear = reinterpret_cast<GlClear>(gl("glClear"));
        const auto genFramebuffers = reinterpret_cast<GlGen>(gl("glGenFramebuffers"));
        const auto bindFramebuffer = reinterpret_cast<GlBind>(gl("glBindFramebuffer"));
        const auto genRenderbuffers = reinterpret_cast<GlGen>(gl("glGenRenderbuffers"));
        const auto bindRenderbuffer = reinterpret_cast<GlBind>(gl("glBindRenderbuffer"));
        const auto storage = reinterpret_cast<GlStorage>(gl("glRenderbufferStorage"));
        const auto attach = reinterpret_cast<GlAttach>(gl("glFramebufferRenderbuffer"));
        const auto blit = reinterpret_cast<GlBlit>(gl("glBlitFramebuffer"));
        unsigned fbo = 0;
        unsigned buffers[2] = {};
        genFramebuffers(1, &fbo);
        genRenderbuffers(2, buffers);
        bindFramebuffer(GL_FRAMEBUFFER, fbo);
        bindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
        storage(GL_RENDERBUFFER, GL_RGBA8, WIDTH, HEIGHT);
        attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
        bindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
        storage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, WIDTH, HEIGHT);
        attach(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
        FrameMeter meter;
        timespec next{};
        clock_gettime(CLOCK_MONOTONIC, &next);
        while (meter.frame()) {
            SDL_Event e;
            while (SDL_PollEvent(&e) != 0) {
            }
            bindFramebuffer(GL_FRAMEBUFFER, fbo);
            clearColor(0.0f, 0.0f, 0.0f, 1.0f);
            clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
            bindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
            bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
            blit(0, 0, WIDTH, HEIGHT, 0, HEIGHT, WIDTH, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
            SDL_GL_SwapWindow(window);
            next.tv_nsec += 9000000;
            if (next.tv_nsec >= 1000000000) {
                next.tv_nsec -= 1000000000;
                ++next.tv_sec;
            }
            while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) != 0) {
            }
        }
        SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        meter.report(state);
    }
}

// Keeps each repetition's counters for the closing medians and ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.error_occurred) {
                continue;
            }
            for (const auto& [name, counter] : r.counters) {
                m_values[r.run_name.function_name][name].push_back(counter.value);
            }
        }
    }
    void printRatios() const {
        std::printf("\nmedians of the repetitions (ms):\n");
        for (const char* const run : {"idle/framework", "idle/sdl2+gl-sleeping"}) {
            std::printf("  %-22s cpu/frame %6.3f  interval %6.3f  sd %6.3f  min %6.3f  "
                        "max %6.3f\n",
                        run, median(run, "cpu_ms_per_frame"), median(run, "interval_ms"),
                        median(run, "interval_sd_ms"), median(run, "interval_min_ms"),
                        median(run, "interval_max_ms"));
        }
        const double peer = median("idle/sdl2+gl-sleeping", "cpu_ms_per_frame");
        zqbench::printFigure("idle frame cpu / SDL2 + GL loop",
                             peer > 0.0 ? median("idle/framework", "cpu_ms_per_frame") / peer : 0,
                             zqbench::Goal::AT_MOST, 1.2);
    }

private:
    double median(const std::string& run, const std::string& counter) const {
        const auto r = m_values.find(run);
        if (r == m_values.end()) {
            return 0.0;
        }
        const auto c = r->second.find(counter);
        if (c == r->second.end() || c->second.empty()) {
            return 0.0;
        }
        std::vector<double> v = c->second;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
    }
    std::map<std::string, std::map<std::string, std::vector<double>>> m_values;
};

} // namespace

int main(int argc, char** argv) {
    // Headless unless told otherwise, and repeated with the runs interleaved.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::vector<char*> args(argv, argv + argc);
    static char repetitions[] = "--benchmark_repetitions=5";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, {repetitions, interleave});
    int count = static_cast<int>(args.size());
    benchmark::RegisterBenchmark("idle/framework", framework)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("idle/sdl2+gl-sleeping", minimalLoop)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
