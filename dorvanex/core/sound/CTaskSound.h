// CTaskSound: the task that runs the sound manager: starts it at the root's start-up, works
// off its request slots once a frame and stops every sound at quit. Main thread only.
#pragma once

#include "zq/task/ZqTask.h"

#include <cstdint>

class CTaskSound : public ZqTask {
public:
    // 0, or -1 (the task is removed) when the manager cannot start.
    uint32_t init() override;
    void quit() override;
    uint32_t main1(float timeTick) override;
    void draw(float) override {}
};
