#include "dorvanex/core/app/TaskRoot.h"

#include "dorvanex/core/app/CGameStatics.h"
#include "dorvanex/core/cabinet/CCredit.h"
#include "dorvanex/core/cabinet/CSPLCTask.h"
#include "dorvanex/core/cabinet/CabinetIo.h"
#include "dorvanex/core/flow/CSequence.h"
#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/core/flow/OperatorErrors.h"
#include "dorvanex/core/input/CInputManager.h"
#include "dorvanex/core/opdata/CBookkeepings.h"
#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/opdata/CPlayRecorder.h"
#include "dorvanex/core/play/CGameWork.h"
#include "dorvanex/core/play/CLimitTimer.h"
#include "dorvanex/core/play/CTaskBackGround.h"
#include "dorvanex/core/play/RankingStore.h"
#include "dorvanex/core/render/CGameFade.h"
#include "dorvanex/core/render/GameEffects.h"
#include "dorvanex/core/render/GameRender.h"
#include "dorvanex/core/sound/CSoundManager.h"
#include "dorvanex/core/sound/CTaskSound.h"
#include "dorvanex/dld/CDldTask.h"
#include "dorvanex/event/COfflineNotice.h"
#include "dorvanex/scene/CCameraManager.h"
#include "dorvanex/scene/CEffectSystems.h"
#include "dorvanex/scene/CResourceManager.h"
#include "dorvanex/screens/SPInternetRankingTask.h"
#include "zq/gl/ZqGlFont.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/input/ZqInput.h"
#include "zq/system/ZqSystem.h"

#include "zq/platform/os/calendar.h"

std::unique_ptr<TaskRoot> TaskRoot::m_pInstance;

namespace {

constexpr uint16_t PRIORITY_CREDIT = 3;
constexpr uint16_t PRIORITY_LAMP = 3;
constexpr uint16_t PRIORITY_LAYOUT = 5;
constexpr uint16_t PRIORITY_FADE = 6;
constexpr uint16_t PRIORITY_SOUND = 4;
constexpr uint16_t PRIORITY_BACKGROUND = 2;
constexpr float SE_STOP_FADE_MS = 200.0f;

void releaseShader(ZqGlShader*& shader) {
    if (shader != nullptr) {
        shader->release();
        shader = nullptr;
    }
}

} // namespace

TaskRoot* TaskRoot::getInstance() {
    if (!m_pInstance) {
        m_pInstance = std::make_unique<TaskRoot>();
    }
    return m_pInstance.get();
}

void TaskRoot::deleteInstance() {
    m_pInstance.reset();
}

// The generator is made with the root so that the recorder can swap its state before init
// reseeds it.
TaskRoot::TaskRoot() {
    createGameRandom();
}

TaskRoot::~TaskRoot() {
    m_pFadeTask.reset();
    m_pDldTask.reset();
    m_pSoundTask.reset();
    m_pBackGroundTask.reset();
    deleteGameRandom();
}

uint32_t TaskRoot::init() {
    ZqSystem::displayMouseCursor(false);

    m_pDefaultShader = ZqGlShader::getDefaultShader();
    m_pGouraudShader = createGameEffect(GAME_EFFECT_GOURAUD);
    m_pPhongShader = createGameEffect(GAME_EFFECT_PHONG);
    m_pVertexBlendShader = createGameEffect(GAME_EFFECT_VERTEX_BLEND);

    setDebugFont(ZqGlFont::create(8192, 8, 16, u"MS P Gothic"));

    CInputManager::getInstance();
    CSequenceManager::getInstance()->setParentTask(this);
    CResourceManager::getInstance();
    CCameraManager::getInstance();
    CEffectSystems::create();
    // The operator's stores: made empty here, loaded by the operator boot.
    CGameSettings::create();
    bookkeepingCreate();
    playRecorderCreate();
    // The ranking store and its network task, which reads the operator settings.
    createRankingStore(this, &SPInternetRankingTask::create);

    cabinet::boardInit();
    createGameVertexDeclarations();
    initErrorManager();

    CCredit* const credit = CCredit::getInstance();
    credit->createDisplay();
    addChildTask(credit, PRIORITY_CREDIT);
    m_pLampTask = std::make_unique<CSPLCTask>();
    addChildTask(m_pLampTask.get(), PRIORITY_LAMP);
    setLampTask(m_pLampTask.get());

    m_pDldTask = std::make_unique<CDldTask>();
    addChildTask(m_pDldTask.get(), PRIORITY_LAYOUT);
    m_pFadeTask = std::make_unique<CGameFade>();
    addChildTask(m_pFadeTask.get(), PRIORITY_FADE);
    m_pSoundTask = std::make_unique<CTaskSound>();
    addChildTask(m_pSoundTask.get(), PRIORITY_SOUND);
    m_pBackGroundTask = std::make_unique<CTaskBackGround>();
    addChildTask(m_pBackGroundTask.get(), PRIORITY_BACKGROUND);

    CSequenceManager::getInstance()->setNextSequence(chapterNumber(ChapterId::STARTUP));
    CSequenceManager::getInstance()->applyNextSequence();

    createOffscreenTargets();
    seedGameRandom(static_cast<uint32_t>(zqp::calendarSeconds()));
    return 0;
}

uint32_t TaskRoot::main1(const float timeTick) {
    CInputManager::getInstance()->update(timeTick);
    CSequenceManager* const manager = CSequenceManager::getInstance();
    const CSequence* const chapter = manager->getCurrentTask();
    const bool running = chapter != nullptr && chapter->getPhase() == CSequence::PHASE_RUN;
    if (ZqInput::getCancelOn() != 0 && running) {
        ZqSystem::quit();
        return 0;
    }
    if (isTestButtonEnabled() && running && isPlayerButtonOn(0, CInputManager::BUTTON_TEST)) {
        clearPendingRankEntries();
        CGameWork::getInstance().resetRankingCursor();
        CGameFade::clear();
        CSoundManager::resetSeSlots();
        CSoundManager::getInstance()->stopSeAll(SE_STOP_FADE_MS);
        CSoundManager::getInstance()->stopBgm(0.0f);
        manager->setNextSequence(OPERATOR_MENU_CHAPTER);
        manager->applyNextSequence();
    }
    addDrawTask(DRAW_PRIORITY, 0.0f);
    return 0;
}

void TaskRoot::quit() {
    // The children are already unlinked by the scheduler; here they are torn down.
    setLampTask(nullptr);
    m_pLampTask.reset();
    CCredit::deleteInstance();
    if (CLimitTimer* const timer = getLimitTimer(); timer != nullptr) {
        timer->release();
    }
    CSoundManager::deleteInstance();
    quitErrorManager();
    releaseGameVertexDeclarations();
    if (COfflineNotice* const notice = getOfflineNotice(); notice != nullptr) {
        notice->release();
    }
    CSequenceManager::deleteInstance();
    CCameraManager::deleteInstance();
    CResourceManager::deleteInstance();
    CInputManager::deleteInstance();
    CEffectSystems::release();
    releaseRankingStore();
    playRecorderDestroy();
    bookkeepingDestroy();
    CGameSettings::release();
    if (m_pDefaultShader != nullptr) {
        m_pDefaultShader->setTechnique(0);
    }
    releaseShader(m_pGouraudShader);
    releaseShader(m_pPhongShader);
    releaseShader(m_pVertexBlendShader);
    m_pDefaultShader = nullptr;
    if (ZqGlFont* const font = getDebugFont(); font != nullptr) {
        font->release();
        setDebugFont(nullptr);
    }
    releaseOffscreenTargets();
    setTestButtonEnabled(false);
    ZqSystem::displayMouseCursor(true);
}
