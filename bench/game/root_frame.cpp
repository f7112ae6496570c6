// The game root's frame against a plain frame doing the same drawing, both at 1024 x 768 on
// the same device in one run. Root: the game's root task with its idle start-up chapter
// (input, lamps, sound, background, fade and credit tasks; the chapter clears the off-screen
// target, writes its status line and presents the target). Plain: one task that does that
// drawing itself through the framework's device: the off-screen target of the same size
// cleared, the same line written with the same font, and the target copied onto the back
// buffer (the root copies it too; a textured quad costs about seven times as much on a software
// rasteriser). The last frames of the two are checked equal, pixel for pixel. A
// frame is timed from the frame-time hook (before the devices and tasks run) to the next turn
// of the message pump after it (drawing and presentation done). Runs are interleaved and
// repeated; the program ends with the ratio of the medians against the goal of 1.3.
#include "dorvanex/core/app/GameEntry.h"
#include "dorvanex/core/app/TaskRoot.h"
#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/core/render/GameRender.h"
#include "zq/gl/ZqGlFont.h"
#include "zq/gl/ZqGlSystem.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/platform/os/os.h"
#include "zq/platform/window/window.h"
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"

#include "bench/support/MedianReport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t WARM_UP_FRAMES = 60;
constexpr uint32_t MEASURED_FRAMES = 240;
constexpr double GOAL = 1.3;
constexpr uint32_t WIDTH = 1024;
constexpr uint32_t HEIGHT = 768;

namespace gpu = zqp::gpu;

using Clock = std::chrono::steady_clock;

struct Run {
    uint32_t frame = 0;
    bool inFrame = false;
    Clock::time_point start;
    std::vector<double> seconds;
    std::vector<uint8_t> lastFrame; // the presented picture of the last frame, BGRA rows
};

// The presented picture, read back from the device's front buffer.
std::vector<uint8_t> readFrontBuffer() {
    gpu::Device* const device = ZqGlSystem::getD3dDevice();
    std::shared_ptr<gpu::Surface> surface;
    gpu::LockedRect rect;
    if (device == nullptr ||
        device->createOffscreenPlainSurface(WIDTH, HEIGHT, gpu::Format::A8R8G8B8,
                                            gpu::Pool::SystemMem, surface) != gpu::Result::Ok ||
        device->getFrontBufferData(surface.get()) != gpu::Result::Ok ||
        surface->lockRect(rect, nullptr, 0) != gpu::Result::Ok) {
        return {};
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(WIDTH) * HEIGHT * 4);
    for (uint32_t y = 0; y < HEIGHT; ++y) {
        std::memcpy(pixels.data() + static_cast<size_t>(y) * WIDTH * 4,
                    static_cast<const uint8_t*>(rect.bits) + static_cast<size_t>(y) * rect.pitch,
                    static_cast<size_t>(WIDTH) * 4);
    }
    surface->unlockRect();
    return pixels;
}

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
        run.lastFrame = readFrontBuffer();
        ZqSystem::quit();
    }
}

// The plain frame: what the idle start-up chapter draws, done directly.
class PlainFrame : public ZqTask {
public:
    uint32_t init() override {
        m_pFont = ZqGlFont::create(8192, 8, 16, u"MS P Gothic");
        m_pTarget = ZqGlTexture::createRenderTarget(WIDTH, HEIGHT, 21, true);
        return 0;
    }
    void quit() override {
        if (m_pFont != nullptr) {
            m_pFont->release();
        }
        if (m_pTarget != nullptr) {
            m_pTarget->release();
        }
    }
    uint32_t main1(float) override {
        addDrawTask(0, 0.0f);
        return 0;
    }
    void draw(float) override {
        gpu::Device* const device = ZqGlSystem::getD3dDevice();
        if (device == nullptr || m_pTarget == nullptr || m_pFont == nullptr) {
            return;
        }
        ZqGlSystem::setRenderTarget(m_pTarget);
        ZqGlSystem::clear(7, 0xFF000000u, 1.0f, 0);
        ZqGlFont::begin();
        ZqGlFont::setLocation(32, 32);
        ZqGlFont::setColor(0xFFFFFFFFu);
        m_pFont->simplePrintf(u"%s", u"chapter 0  coins 0 0");
        ZqGlFont::end();
        ZqGlSystem::setRenderTarget(nullptr);
        ZqGlSystem::clear(7, 0xFF000000u, 1.0f, 0);
        // The target onto the back buffer: one copy of the whole picture (a textured quad
        // gives the same pixels at about seven times the cost on a software rasteriser).
        std::shared_ptr<gpu::Surface> src;
        std::shared_ptr<gpu::Surface> dst;
        if (m_pTarget->getD3dTexture()->getSurfaceLevel(0, src) == gpu::Result::Ok &&
            device->getRenderTarget(0, dst) == gpu::Result::Ok) {
            device->stretchRect(src.get(), nullptr, dst.get(), nullptr, gpu::TEXFILTER_POINT);
        }
    }

private:
    ZqGlFont* m_pFont = nullptr;
    ZqGlTexture* m_pTarget = nullptr;
};

std::u16string instanceName(const char* what) {
    const std::string s =
        std::string("dorvanexbench") + what + std::to_string(zqp::currentThreadId());
    return std::u16string(s.begin(), s.end());
}

std::vector<double> gPlain;
std::vector<double> gRoot;
std::vector<uint8_t> gPlainPicture;
std::vector<uint8_t> gRootPicture;

void runFrames(benchmark::State& state, ZqTask* const root, const char* const what,
               std::vector<double>& all, std::vector<uint8_t>& picture) {
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
    picture = run.lastFrame;
}

void BM_PlainFrame(benchmark::State& state) {
    PlainFrame root;
    runFrames(state, &root, "plain", gPlain, gPlainPicture);
}

void BM_RootFrame(benchmark::State& state) {
    runFrames(state, nullptr, "root", gRoot, gRootPicture);
}

BENCHMARK(BM_PlainFrame)
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
    const double plain = median(gPlain);
    const double root = median(gRoot);
    std::printf("\nroot frame %.1f us, plain frame %.1f us (medians of %zu and %zu frames)\n",
                root * 1e6, plain * 1e6, gRoot.size(), gPlain.size());
    if (!gRootPicture.empty() && gRootPicture != gPlainPicture) {
        std::fprintf(stderr, "the root's last frame and the plain frame's differ\n");
        return 1;
    }
    if (gRootPicture.empty()) {
        std::printf("the presented frames could not be read back to compare\n");
    }
    zqbench::printFigure("root frame / plain frame", plain > 0 ? root / plain : 0,
                         zqbench::Goal::AT_MOST, GOAL);
    return 0;
}
