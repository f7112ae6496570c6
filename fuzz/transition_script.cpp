// Feeds the screen-transition player with arbitrary script images: a player is made and run
// for a number of frames without a font, with menu input taken from the bytes themselves and
// child tasks that end at once with a value of their own. Seeds: scripts that
// tools/transition writes (fuzz/transition_script_seeds.cmake).
#include "zq/task/ZqTask.h"
#include "zq/u/transition/ZquScreenTransition.h"
#include "zq/u/transition/ZquScreenTransition_test.h"

#include <cstddef>
#include <cstdint>

namespace {

const uint8_t* g_data = nullptr;
size_t g_size = 0;
uint32_t g_frame = 0;

// A child task that refuses to start: it has ended by the next frame, leaving a value that
// depends on how often tasks were started.
class QuickTask : public ZqTask {
public:
    uint32_t init() override {
        setValue(reinterpret_cast<void*>(static_cast<uintptr_t>(m_runs++ % 5)));
        return RESULT_REMOVE;
    }

private:
    uint32_t m_runs = 0;
};

void input(zqu::test::InputFrame& in) {
    const uint8_t b = g_size != 0 ? g_data[(g_frame * 7u) % g_size] : 0;
    in.select = (b & 0x01) != 0;
    in.cancel = (b & 0x02) != 0;
    in.up = (b & 0x04) != 0;
    in.down = (b & 0x08) != 0;
    in.mouseOn = (b & 0x10) != 0;
    in.mouseX = static_cast<int32_t>(b) * 3 - 40;
    in.mouseY = static_cast<int32_t>(b >> 1) * 5 - 20;
}

uint32_t frameCounter() {
    return g_frame;
}

bool start() {
    ZquScreenTransition::sysInit();
    zqu::test::setInputSource(input);
    zqu::test::setFrameCounter(frameCounter);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = start();
    (void)started;
    g_data = data;
    g_size = size;
    ZqTask parent;
    QuickTask tasks[3];
    ZqTask* const table[4] = {&tasks[0], &tasks[1], nullptr, &tasks[2]};
    ZquScreenTransition* const p =
        ZquScreenTransition::create(data, static_cast<uint32_t>(size), nullptr, &parent, table, 4);
    if (p == nullptr) {
        return 0;
    }
    for (g_frame = 0; g_frame < 96 && p->getState() != ZquScreenTransition::STATE_END; ++g_frame) {
        ZquScreenTransition::sysMain();
        ZquScreenTransition::sysDraw();
        // The player never stands on a screen the image does not have.
        if (p->getScreenTransitionNr() >= p->getNrScreenTransitions() &&
            p->getNrScreenTransitions() != 0) {
            __builtin_trap();
        }
    }
    if (p->release() != 0) {
        __builtin_trap();
    }
    return 0;
}
