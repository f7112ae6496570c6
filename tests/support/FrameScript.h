// A scripted run of the framework: ZqSystem::go with a root task that walks a list of steps,
// one call per frame. A step is called in every frame until it returns true; the next step
// starts in the following frame. The run quits after the last step, or fails when a frame
// budget is spent (tests of input wait on real devices and threads, so they wait by frames).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zqtest {

class FrameScript {
public:
    using Step = std::function<bool()>;

    // Adds a step; the name shows in the failure report.
    FrameScript& then(std::string name, Step step);
    // A step that holds for n frames.
    FrameScript& wait(uint32_t frames);

    // Runs go(); returns "" when every step finished, else the name of the step that ran out
    // of frames. `tag` keeps the instance names of parallel test processes apart.
    std::string run(const char* tag, uint32_t maxFrames = 3000);

    // Frames run so far in the current run.
    uint32_t frame() const { return m_frame; }

private:
    struct Entry {
        std::string name;
        Step step;
    };
    std::vector<Entry> m_steps;
    size_t m_current = 0;
    uint32_t m_frame = 0;
    friend class FrameScriptRoot;
};

} // namespace zqtest
