#include "dorvanex/core/flow/CSequenceManager.h"

#include "dorvanex/core/flow/CSequence.h"
#include "dorvanex/core/flow/OperatorErrors.h"
#include "dorvanex/core/render/GameDebug.h"

std::unique_ptr<CSequenceManager> CSequenceManager::m_pInstance;

namespace {

bool g_testButtonEnabled = false;

} // namespace

void setTestButtonEnabled(const bool enabled) {
    g_testButtonEnabled = enabled;
}

bool isTestButtonEnabled() {
    return g_testButtonEnabled;
}

CSequenceManager* CSequenceManager::getInstance() {
    if (!m_pInstance) {
        m_pInstance = std::make_unique<CSequenceManager>();
    }
    return m_pInstance.get();
}

void CSequenceManager::deleteInstance() {
    m_pInstance.reset();
}

CSequenceManager::~CSequenceManager() {
    releaseCurrent();
}

void CSequenceManager::setFactory(const Factory factory) {
    m_factory = factory;
}

void CSequenceManager::releaseCurrent() {
    m_pTask.reset();
}

bool CSequenceManager::changeSequence(const int32_t number) {
    // Everything that can refuse the switch is checked before the running chapter goes, so a
    // refused switch leaves it running and current.
    std::unique_ptr<CSequence> next =
        m_factory != nullptr ? m_factory(number) : SequenceFactory(number);
    if (!next) {
        debugPrintf(u"chapter %d has no class; chapter %d keeps running", number, m_current);
        return false;
    }
    if (m_pParent == nullptr) {
        debugPrintf(u"chapter %d has no parent task; chapter %d keeps running", number, m_current);
        return false;
    }
    // The old chapter's quit (hence release, which frees the per-chapter bank) runs before the
    // new chapter's create fills it again.
    if (m_pTask) {
        ZqTask::removeTask(m_pTask.get());
        m_pTask.reset();
        m_previous = m_current;
        m_current = NONE;
    }
    m_pending = NONE;
    if (!m_pParent->addChildTask(next.get(), CSequence::UPDATE_PRIORITY)) {
        debugPrintf(u"chapter %d failed to start", number);
        return recover(number);
    }
    m_pTask = std::move(next);
    m_current = number;
    return true;
}

bool CSequenceManager::recover(const int32_t failedNumber) {
    postOperatorError(FILE_BROKEN_ERROR_ROW, static_cast<uint16_t>(failedNumber));
    if (failedNumber == SELF_CHECK_CHAPTER || !changeSequence(SELF_CHECK_CHAPTER)) {
        throw FATAL_NO_CHAPTER;
    }
    return false;
}

void CSequenceManager::onChapterStalled(CSequence* const chapter) {
    if (chapter == nullptr || chapter != m_pTask.get()) {
        return;
    }
    const int32_t number = m_current;
    debugPrintf(u"chapter %d is still loading after %u ms", number, CSequence::LOAD_TIME_LIMIT_MS);
    ZqTask::removeTask(chapter);
    m_pTask.reset();
    m_previous = number;
    m_current = NONE;
    recover(number);
}
