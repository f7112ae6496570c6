#include "tests/support/FrameScript.h"

#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"

#include <memory>
#include <unistd.h>

namespace zqtest {

class FrameScriptRoot : public ZqTask {
public:
    FrameScriptRoot(FrameScript& script, const uint32_t maxFrames)
        : m_script(script), m_maxFrames(maxFrames) {}

    uint32_t main1(float) override {
        FrameScript& s = m_script;
        if (s.m_current < s.m_steps.size()) {
            if (s.m_frame >= m_maxFrames) {
                timedOut = true;
                ZqSystem::quit();
            } else if (s.m_steps[s.m_current].step()) {
                ++s.m_current;
            }
        }
        if (s.m_current >= s.m_steps.size()) {
            ZqSystem::quit();
        }
        ++s.m_frame;
        return 0;
    }

    bool timedOut = false;

private:
    FrameScript& m_script;
    const uint32_t m_maxFrames;
};

FrameScript& FrameScript::then(std::string name, Step step) {
    m_steps.push_back({std::move(name), std::move(step)});
    return *this;
}

FrameScript& FrameScript::wait(const uint32_t frames) {
    auto left = std::make_shared<uint32_t>(frames);
    return then("wait " + std::to_string(frames), [left] { return *left == 0 || --*left == 0; });
}

std::string FrameScript::run(const char* const tag, const uint32_t maxFrames) {
    m_current = 0;
    m_frame = 0;
    FrameScriptRoot root(*this, maxFrames);
    const std::string name = std::string("zq script ") + tag + " " + std::to_string(getpid());
    const std::u16string mutexName(name.begin(), name.end());
    ZqSystem::go(nullptr, ZqSystem::DEFAULT_STYLE, nullptr, 320, 240, u"zq script", false, &root,
                 mutexName.c_str());
    if (m_current < m_steps.size()) {
        return m_steps[m_current].name;
    }
    return "";
}

} // namespace zqtest
