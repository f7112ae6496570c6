#include "zq/file/ZqFile.h"
#include "zq/platform/instance/instance.h"
#include "zq/platform/window/window.h"
#include "zq/system/ZqError.h"
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"

#include "tests/support/FakeClock.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// A root task driven by a function called from main1 with the frame number (0-based).
class ScriptRoot : public ZqTask {
public:
    std::function<uint32_t()> onInit;
    std::function<void(uint32_t frame, float step)> onFrame;
    std::function<void()> onDraw;
    bool quitCalled = false;
    uint32_t frames = 0;

    uint32_t init() override { return onInit ? onInit() : 0; }
    void quit() override { quitCalled = true; }
    uint32_t main1(const float step) override {
        if (onFrame) {
            onFrame(frames, step);
        }
        ++frames;
        return 0;
    }
    void draw(float) override {
        if (onDraw) {
            onDraw();
        }
    }
};

// A mutex name of this test process, so parallel test processes do not meet.
std::u16string uniqueName(const char* tag) {
    const std::string s = std::string("zq test ") + tag + " " + std::to_string(getpid());
    return std::u16string(s.begin(), s.end());
}

// Kills and reaps a forked first instance however the test ends, so a failed check or an
// exception never leaves it running (it would hold the test's output open).
struct ChildGuard {
    pid_t pid;
    ~ChildGuard() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

int runGo(ScriptRoot& root, const char* tag, const uint16_t w = 320, const uint16_t h = 240) {
    const std::u16string name = uniqueName(tag);
    return ZqSystem::go(nullptr, ZqSystem::DEFAULT_STYLE, nullptr, w, h, u"zq test", false, &root,
                        name.c_str());
}

// Runs go and returns the code it threw, or ~0u when it returned.
uint32_t goThrows(ScriptRoot& root, const char* tag, const uint16_t w = 320,
                  const uint16_t h = 240) {
    try {
        runGo(root, tag, w, h);
    } catch (const unsigned code) {
        return code;
    }
    return ~0u;
}

TEST(ZqSystem, FramesStartNineMillisecondsApartAndQuitEndsWithZero) {
    const zqtest::FakeClock clock(5000, 1);
    ScriptRoot root;
    std::vector<uint32_t> times, ticks;
    root.onFrame = [&](const uint32_t frame, const float step) {
        times.push_back(ZqSystem::getFrameTime());
        ticks.push_back(ZqSystem::getTimeTick());
        EXPECT_EQ(step, ZqSystem::getTimeTickFloat());
        EXPECT_EQ(ZqSystem::getFrameCount(), frame);
        if (frame == 20) {
            ZqSystem::quit();
        }
    };
    EXPECT_EQ(runGo(root, "frames"), 0);
    ASSERT_GE(times.size(), 21u);
    EXPECT_TRUE(root.quitCalled);
    for (size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1], 9u) << "frame " << i;
        EXPECT_EQ(ticks[i], times[i] - times[i - 1]);
    }
}

TEST(ZqSystem, CallbackRewritesTickBeforeClampAndLongPauseIsClamped) {
    const zqtest::FakeClock clock(5000, 1);
    ScriptRoot root;
    std::vector<float> steps;
    std::vector<uint32_t> times;
    ZqSystem::TimeTickCallback zero = [](uint32_t& tick, void* arg) {
        ++*static_cast<int*>(arg);
        tick = 0;
    };
    int calls = 0;
    root.onFrame = [&](const uint32_t frame, const float step) {
        steps.push_back(step);
        times.push_back(ZqSystem::getFrameTime());
        if (frame == 1) {
            ZqSystem::setTimeTickCallback(zero, &calls);
        } else if (frame == 3) {
            ZqSystem::setTimeTickCallback(nullptr, nullptr);
            zqtest::FakeClock::advance(3000);
        } else if (frame == 5) {
            ZqSystem::quit();
        }
    };
    EXPECT_EQ(runGo(root, "callback"), 0);
    ASSERT_GE(steps.size(), 6u);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(steps[2], 1.0f) << "a tick of 0 from the callback reaches the tasks as 1";
    EXPECT_EQ(steps[3], 1.0f);
    EXPECT_EQ(steps[4], 1000.0f) << "a 3 s pause is clamped";
    EXPECT_GE(times[4] - times[3], 3000u) << "the frame clock keeps real time";
}

TEST(ZqSystem, CloseRequestRaisedTwiceIsSeenInExactlyOneFrame) {
    const zqtest::FakeClock clock(5000, 1);
    ScriptRoot root;
    std::vector<uint32_t> seen;
    root.onFrame = [&](const uint32_t frame, float) {
        if (ZqSystem::isCloseDestroyMessageDetected()) {
            seen.push_back(frame);
        }
        if (frame == 2) {
            ZqSystem::winProcCloseDestroy(0, 0);
            ZqSystem::winProcCloseDestroy(0, 0);
        }
        if (frame == 6) {
            ZqSystem::quit();
        }
    };
    EXPECT_EQ(runGo(root, "close"), 0);
    EXPECT_EQ(seen, (std::vector<uint32_t>{3}));
}

TEST(ZqSystem, FailureCodeFromTaskEndsGoAfterFullShutdown) {
    const zqtest::FakeClock clock(5000, 1);
    ScriptRoot root;
    root.onFrame = [](const uint32_t frame, float) {
        if (frame == 3) {
            throw 0x2000ABCDu;
        }
    };
    EXPECT_EQ(goThrows(root, "failure"), 0x2000ABCDu);
    EXPECT_TRUE(root.quitCalled) << "tasks are stopped by the shut-down";
    EXPECT_EQ(root.frames, 3u) << "no frame runs after the failure in frame 3";
}

TEST(ZqSystem, ShutDownStopsEveryGroupAfterAFailingOne) {
    // The tasks end first; a code thrown there must not leave the later groups running.
    struct Root : ScriptRoot {
        void quit() override {
            ScriptRoot::quit();
            throw 77u;
        }
    } root;
    root.onInit = [] {
        ZqSystem::quit();
        return 0u;
    };
    EXPECT_EQ(goThrows(root, "quitall"), 77u);
    EXPECT_TRUE(root.quitCalled);
    EXPECT_FALSE(ZqFile::isWorkerAlive()) << "the file worker is stopped as well";
}

TEST(ZqSystem, OtherExceptionsBecomeTheirCodes) {
    const zqtest::FakeClock clock(5000, 1);
    ScriptRoot other, memory;
    other.onFrame = [](uint32_t, float) { throw std::runtime_error("x"); };
    memory.onFrame = [](uint32_t, float) { throw std::bad_alloc(); };
    EXPECT_EQ(goThrows(other, "other"), 0xF00u);
    EXPECT_EQ(goThrows(memory, "memory"), 0xFFFu);
}

TEST(ZqSystem, RefusingRootThrows48AfterShutdown) {
    ScriptRoot root;
    root.onInit = [] { return ZqTask::RESULT_REMOVE; };
    EXPECT_EQ(goThrows(root, "refuse"), 48u);
    EXPECT_TRUE(root.quitCalled);
}

TEST(ZqSystem, RenderingDisabledDrawsNothing) {
    const zqtest::FakeClock clock(5000, 1);
    ScriptRoot root;
    int draws = 0;
    root.onDraw = [&] { ++draws; };
    root.onFrame = [&](const uint32_t frame, float) {
        root.addDrawTask(10, 0.0f);
        if (frame == 0) {
            ZqSystem::setRenderEnable(false);
        }
        if (frame == 10) {
            ZqSystem::quit();
        }
    };
    EXPECT_EQ(runGo(root, "norender"), 0);
    ZqSystem::setRenderEnable(true);
    EXPECT_EQ(draws, 0);
    EXPECT_LE(ZqSystem::getDrawTaskTime(), 1u);
}

TEST(ZqSystem, RenderingDrawsRegisteredTasksEachFrame) {
    const zqtest::FakeClock clock(5000, 1);
    ScriptRoot root;
    int draws = 0;
    root.onDraw = [&] { ++draws; };
    root.onFrame = [&](const uint32_t frame, float) {
        if (frame % 2 == 0) {
            root.addDrawTask(10, 0.0f);
        }
        if (frame == 9) {
            ZqSystem::quit();
        }
    };
    EXPECT_EQ(runGo(root, "render"), 0);
    EXPECT_EQ(draws, 5);
}

TEST(ZqSystem, ClientSizeLimits) {
    // The window takes 100 to 2048 a side (16 otherwise); the graphics device then holds the
    // game size to 150 and more (1026).
    struct Case {
        uint16_t w, h;
        uint32_t code;
    };
    for (const Case c : {Case{99, 200, 16u}, Case{200, 99, 16u}, Case{2049, 200, 16u},
                         Case{200, 2049, 16u}, Case{100, 100, 1026u}, Case{2048, 2048, ~0u}}) {
        ScriptRoot root;
        root.onInit = [] {
            ZqSystem::quit();
            return 0u;
        };
        const uint32_t code = goThrows(root, "limits", c.w, c.h);
        EXPECT_EQ(code, c.code) << c.w << "x" << c.h;
    }
}

TEST(ZqSystem, WindowLargerThanEveryMonitorIsScaledProportionally) {
    // The offscreen driver reports its monitors like any other; fit to the largest.
    uint32_t maxW = 0, maxH = 0;
    struct Max {
        uint32_t* w;
        uint32_t* h;
    } m{&maxW, &maxH};
    zqp::enumMonitors(
        [](const zqp::Rect& r, void* arg) {
            auto& mm = *static_cast<Max*>(arg);
            *mm.w = std::max<uint32_t>(*mm.w, static_cast<uint32_t>(r.right - r.left));
            *mm.h = std::max<uint32_t>(*mm.h, static_cast<uint32_t>(r.bottom - r.top));
        },
        &m);
    ASSERT_GT(maxW, 0u);
    ASSERT_LT(maxW, 2000u) << "the test needs a monitor narrower than 2000";
    ScriptRoot root;
    uint16_t w = 0, h = 0;
    zqp::Rect placed, monitor;
    root.onFrame = [&](uint32_t, float) {
        EXPECT_TRUE(zqp::getWindowRect(ZqSystem::getWindowHandle(), placed));
        EXPECT_TRUE(zqp::getMonitorRect(ZqSystem::getWindowHandle(), monitor));
        ZqSystem::quit();
    };
    root.onInit = [&] {
        w = ZqSystem::getClientWidth();
        h = ZqSystem::getClientHeight();
        return 0u;
    };
    EXPECT_EQ(runGo(root, "scale", 2000, 200), 0);
    EXPECT_EQ(w, maxW);
    EXPECT_EQ(h, 200u * maxW / 2000u);
    // Placed on the monitor, not where the unscaled window would have been centred.
    EXPECT_GE(placed.left, monitor.left);
    EXPECT_GE(placed.top, monitor.top);
    EXPECT_LE(placed.right, monitor.right);
    EXPECT_LE(placed.bottom, monitor.bottom);
}

TEST(ZqSystem, SecondStartRaisesTheFirstAndReturnsZero) {
    const std::u16string name = uniqueName("second");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The first instance: says it runs once its first frames are past (the first ones
        // pay for the graphics driver's start-up and may take seconds under load, time in
        // which it answers no raise request), then runs until it is told to end.
        close(ready[0]);
        struct Root : ZqTask {
            int fd;
            int frames = 0;
            bool told = false;
            uint32_t main1(float) override {
                if (!told && ++frames == 30) {
                    told = true;
                    const char c = 1;
                    (void)!write(fd, &c, 1);
                }
                return 0;
            }
        } root;
        root.fd = ready[1];
        int code = 3;
        try {
            code = ZqSystem::go(nullptr, ZqSystem::DEFAULT_STYLE, nullptr, 320, 240, u"zq first",
                                false, &root, name.c_str());
        } catch (...) {
            code = 4;
        }
        _exit(code);
    }
    ChildGuard guard{child};
    close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1) << "the first instance did not start";
    close(ready[0]);

    ScriptRoot second;
    second.onInit = [] {
        ADD_FAILURE() << "the second start must not run";
        return 0u;
    };
    EXPECT_EQ(ZqSystem::go(nullptr, ZqSystem::DEFAULT_STYLE, nullptr, 320, 240, u"zq first", false,
                           &second, name.c_str()),
              0);
    kill(child, SIGTERM);
    int status = 0;
    // Bounded: a first instance that ignores the signal fails the test instead of hanging it.
    pid_t reaped = 0;
    for (int i = 0; i < 6000 && reaped == 0; ++i) {
        reaped = waitpid(child, &status, WNOHANG);
        if (reaped == 0) {
            usleep(10000);
        }
    }
    ASSERT_EQ(reaped, child) << "the first instance did not end on SIGTERM";
    guard.pid = 0;
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ZqSystem, SecondStartThrows1WhenTheFirstHasNoWindow) {
    const std::u16string name = uniqueName("nowindow");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Holds the lock and answers requests, but its window is gone.
        close(ready[0]);
        zqp::InstanceLock::Result r{};
        const auto lock = zqp::InstanceLock::acquire(name.c_str(), r);
        const char c = lock ? 1 : 0;
        (void)!write(ready[1], &c, 1);
        for (int i = 0; i < 2000; ++i) {
            zqp::Message m;
            zqp::peekMessage(m);
            usleep(1000);
        }
        _exit(0);
    }
    const ChildGuard guard{child};
    close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 1);
    close(ready[0]);
    ScriptRoot second;
    uint32_t code = 0;
    try {
        ZqSystem::go(nullptr, ZqSystem::DEFAULT_STYLE, nullptr, 320, 240, u"zq first", false,
                     &second, name.c_str());
    } catch (const unsigned c2) {
        code = c2;
    }
    EXPECT_EQ(code, ZqError::INSTANCE);
}

TEST(ZqSystem, DefaultWindowProcedureAnswers) {
    struct Case {
        uint32_t message;
        zqp::WParam w;
        zqp::LParam l;
        zqp::LResult expected;
    };
    const Case cases[] = {
        {zqp::msg::SYSCOMMAND, zqp::SYSCOMMAND_SCREENSAVE, 0, 1},
        {zqp::msg::SYSCOMMAND, zqp::SYSCOMMAND_MONITORPOWER | 2, 0, 1},
        {zqp::msg::SYSCOMMAND, 0xF020, 0, 0},
        {zqp::msg::DISPLAYCHANGE, 32, 0, 1},
        {zqp::msg::DEVICECHANGE, zqp::DEVICECHANGE_NODES_CHANGED, 0, 1},
        {zqp::msg::TIMER, 1234, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZqSystem::winProcDefault(nullptr, c.message, c.w, c.l), c.expected)
            << std::hex << c.message;
    }
}

} // namespace
