// CDldTask: the layout task the root starts. It registers its draw at draw priority 5 every
// frame and then flushes the 64 layout quad queues in priority order through technique 8 of
// the default effect, emptying them. Owns the layout vertex declaration.
#pragma once

#include "zq/task/ZqTask.h"

#include <cstdint>

class CDldTask : public ZqTask {
public:
    static constexpr uint16_t DRAW_PRIORITY = 5;

    CDldTask() = default;
    ~CDldTask() override;
    uint32_t init() override;
    void quit() override;
    uint32_t main1(float timeTick) override;
    void draw(float timeTick) override;

    // Draws every queued quad now and empties the queues (the task's draw).
    static void flushQueues();
    // Makes and drops the vertex declaration (init and quit).
    static bool createDeclaration();
    static void releaseDeclaration();
};
