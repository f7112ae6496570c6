// Runs the framework for a test: a root task calls the test's frame function each frame
// (until it returns false) and draws with its draw function inside the frame.
#pragma once

#include "zq/platform/os/os.h"
#include "zq/zq.h"

#include <functional>
#include <string>

namespace zqtest {

class ScriptTask : public ZqTask {
public:
    std::function<bool(uint32_t frame)> onFrame;
    std::function<void()> onDraw;

    uint32_t main1(float) override {
        if (!onFrame || !onFrame(m_frame++)) {
            ZqSystem::quit();
        }
        if (onDraw) {
            addDrawTask(0, 0.0f);
        }
        return 0;
    }
    void draw(float) override { onDraw(); }

private:
    uint32_t m_frame = 0;
};

// The exit code, or the unsigned code the framework threw (thrown again to the caller).
inline int runFramework(ScriptTask& root, const uint16_t width = 1024,
                        const uint16_t height = 768) {
    // A name of this process only, so that test programs running side by side never meet.
    const std::string pid = std::to_string(zqp::currentThreadId());
    const std::u16string title = u"zqgltest" + std::u16string(pid.begin(), pid.end());
    const std::u16string mutex = title + u"mutex";
    return ZqSystem::go(nullptr, 0xCA0000u, nullptr, width, height, title.c_str(), false, &root,
                        mutex.c_str());
}

// The unsigned code a run throws, 0 when it ends normally.
inline unsigned runFrameworkCode(ScriptTask& root, const uint16_t width = 1024,
                                 const uint16_t height = 768) {
    try {
        runFramework(root, width, height);
    } catch (const unsigned code) {
        return code;
    }
    return 0;
}

// Runs body once inside the first frame's drawing; true when body ran and the run ended
// normally.
inline bool runOnceInFrame(const std::function<void()>& body, const uint16_t width = 320,
                           const uint16_t height = 240) {
    ScriptTask root;
    bool done = false;
    root.onFrame = [](const uint32_t frame) { return frame == 0; };
    root.onDraw = [&] {
        if (!done) {
            done = true;
            body();
        }
    };
    return runFrameworkCode(root, width, height) == 0 && done;
}

} // namespace zqtest
