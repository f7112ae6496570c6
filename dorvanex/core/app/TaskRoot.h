// TaskRoot: the root task of the game, the parent of every game task. Its init makes the
// shared effects, the debug font, the game singletons, the cabinet I/O, the vertex
// declarations, the frame-level child tasks (credit 3, lamps 3, layout 5, fade 6, sound 4,
// background 2), asks for chapter 0 and makes the two off-screen targets and the random
// generator; each frame it ticks the input and watches the cancel key (quits in a running
// chapter) and TEST (opens the operator menu once enabled); its quit tears everything down.
// Also the render services every chapter shares (see GameRender.h). Main thread only.
#pragma once

#include "dorvanex/core/flow/ChapterId.h"
#include "dorvanex/core/input/GameRandom.h"
#include "dorvanex/core/render/GameDebug.h"
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
    static constexpr int32_t OPERATOR_MENU_CHAPTER = chapterNumber(ChapterId::OPERATOR_MENU);

    // Made (not initialised) on first use.
    static TaskRoot* getInstance();
    // Deletes the root once the framework is done with it (after ZqSystem::go returns).
    static void deleteInstance();

    TaskRoot();
    ~TaskRoot() override;
    TaskRoot(const TaskRoot&) = delete;
    TaskRoot& operator=(const TaskRoot&) = delete;

    uint32_t init() override;
    void quit() override;
    uint32_t main1(float timeTick) override;
    void draw(float) override {}

    // The debug font and the game's generator are kept by their layers (GameDebug.h,
    // GameRandom.h); these are the root's names for them.
    static ZqGlFont* getFont() { return getDebugFont(); }
    // Next 32-bit value of the generator; 0 without one.
    static uint32_t getRandom() { return getGameRandom(); }
    // The generator's 624 state words and its index; nothing without a generator.
    static void getRandomState(uint32_t* const words, uint32_t* const index) {
        getGameRandomState(words, index);
    }
    static void setRandomState(const uint32_t* const words, const uint32_t index) {
        setGameRandomState(words, index);
    }

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
    std::unique_ptr<CSPLCTask> m_pLampTask;

    static std::unique_ptr<TaskRoot> m_pInstance;
};
