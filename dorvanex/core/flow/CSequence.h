// CSequence: the base of every chapter (screen or event). A chapter is a child task of the
// root at update priority 3 that runs create once, then load, isLoadFinished and start until
// each answers true (one frame at least per phase), then update and render every frame.
// Made and deleted only by the chapter manager (CSequenceManager).
#pragma once

#include "zq/task/ZqTask.h"

#include <cstdint>

class CSequence : public ZqTask {
public:
    enum PHASE : uint32_t {
        PHASE_NONE = 0,
        PHASE_LOAD = 1,
        PHASE_WAIT_RESOURCES = 2,
        PHASE_START = 3,
        PHASE_RUN = 4,
    };
    static constexpr uint16_t UPDATE_PRIORITY = 3;
    static constexpr uint16_t DRAW_PRIORITY = 3;
    // A chapter still loading (phases 1 to 3) this long is treated as failed.
    static constexpr uint32_t LOAD_TIME_LIMIT_MS = 60000;

    CSequence() = default;
    ~CSequence() override = default;
    CSequence(const CSequence&) = delete;
    CSequence& operator=(const CSequence&) = delete;

    // create: true gives phase 1 and 0, false gives RESULT_REMOVE.
    uint32_t init() override;
    void quit() override { release(); }
    uint32_t main0(float) override { return 0; }
    uint32_t main1(float timeTick) override;
    void draw(float timeTick) override;

    virtual bool create() = 0;
    virtual bool load() = 0;
    // Default: steps the per-chapter resource bank and answers true once it is complete.
    virtual bool isLoadFinished();
    virtual bool start() = 0;
    // True exactly when the chapter has just been replaced (the object is gone).
    virtual bool update(float timeTick) = 0;
    virtual void render(float timeTick) = 0;
    virtual void release() {}

    uint32_t getPhase() const { return m_phase; }
    // Also clears the step word.
    void setPhase(uint32_t phase) {
        m_phase = phase;
        m_step = 0;
    }
    uint32_t getStep() const { return m_step; }
    void setStep(uint32_t step) { m_step = step; }

private:
    uint32_t m_phase = PHASE_NONE;
    uint32_t m_step = 0;
    // Clock value when loading began, for the load time limit.
    uint32_t m_loadStart = 0;
};
