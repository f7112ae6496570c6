// TaskRoot: the root task of the game, the parent of every game task. Its init makes the
// shared effects, the debug font, the game singletons, the cabinet I/O, the vertex
// declarations, the frame-level child tasks (credit 3, lamps 3, layout 5, fade 6, sound 4,
// background 2), asks for chapter 0 and makes the two off-screen targets and the random
// generator; each frame it ticks the input and watches the cancel key (quits in a running
// chapter) and TEST (opens the operator menu once enabled); its quit tears everything down.
// Also the render services every chapter shares (see GameRender.h). Main thread only.
#pragma once

#include "zq/math/ZqMt19937Ar.h"
#include "zq/task/ZqTask.h"

#include <cstdint>
#include <memory>

class CDldTask;
class CGameFade;
class CSPLCTask;
class CTaskBackGround;
class CTaskSound;
class ZqGlFont;
class ZqGlShader;

class TaskRoot : public ZqTask {
public:
    static constexpr uint16_t DRAW_PRIORITY = 8;
    static constexpr int32_t OPERATOR_MENU_CHAPTER = 40;

    // Made (not initialised) on first use.
    static TaskRoot* getInstance();
    // Deletes the root once the framework is done with it (after ZqSystem::go returns).
    static void deleteInstance();

    TaskRoot() = default;
    ~TaskRoot() override;
    TaskRoot(const TaskRoot&) = delete;
    TaskRoot& operator=(const TaskRoot&) = delete;

    uint32_t init() override;
    void quit() override;
    uint32_t main1(float timeTick) override;
    void draw(float) override {}

    static ZqGlFont* getFont() { return m_pFont; }
    // Next 32-bit value of the generator; 0 without one.
    static uint32_t getRandom();
    // The generator's 624 state words and its index; nothing without a generator.
    static void getRandomState(uint32_t* words, uint32_t* index);
    static void setRandomState(const uint32_t* words, uint32_t index);

    ZqGlShader* getGouraudShader() const { return m_pGouraudShader; }
    ZqGlShader* getPhongShader() const { return m_pPhongShader; }
    ZqGlShader* getVertexBlendShader() const { return m_pVertexBlendShader; }

private:
    ZqGlShader* m_pDefaultShader = nullptr;
    ZqGlShader* m_pGouraudShader = nullptr;
    ZqGlShader* m_pPhongShader = nullptr;
    ZqGlShader* m_pVertexBlendShader = nullptr;
    std::unique_ptr<CGameFade> m_pFadeTask;
    std::unique_ptr<CDldTask> m_pDldTask;
    std::unique_ptr<CTaskSound> m_pSoundTask;
    std::unique_ptr<CTaskBackGround> m_pBackGroundTask;
    // Made with the root so that the recorder can swap its state before init reseeds it.
    std::unique_ptr<ZqMt19937Ar> m_pRandom = std::make_unique<ZqMt19937Ar>();
    std::unique_ptr<CSPLCTask> m_pLampTask;

    static ZqGlFont* m_pFont;
    static std::unique_ptr<TaskRoot> m_pInstance;
};

// Makes the test switch open the operator menu (the boot and self-check chapters set it).
void setTestButtonEnabled(bool enabled);
bool isTestButtonEnabled();
