#include "zq/task/ZqTask.h"

#include "zq/system/ZqError.h"
#include "zq/thread/ZqCriticalSection.h"

#include <memory>
#include <new>

ZqTask* ZqTask::m_vpTasks[NR_PRIORITIES] = {};
ZqTask* ZqTask::m_vpDrawTasks[NR_DRAW_PRIORITIES] = {};
ZqCriticalSection* ZqTask::m_pCriticalSection = nullptr;

namespace {
// Owns the scheduler's lock between sysInit and sysQuit.
std::unique_ptr<ZqCriticalSection> g_lock;

// Per draw list: its last task, and whether the list is still in ascending depth (a NaN depth
// breaks the order until the list is emptied). A sorted list whose last depth is below the new
// one takes the task at its end without a walk: scenes mostly register back to front.
ZqTask* g_drawTails[ZqTask::NR_DRAW_PRIORITIES] = {};
bool g_drawUnsorted[ZqTask::NR_DRAW_PRIORITIES] = {};
} // namespace

ZqTask::ZqTask() = default;

ZqTask::~ZqTask() = default;

uint32_t ZqTask::init() {
    return 0;
}

void ZqTask::quit() {}

uint32_t ZqTask::main0(float) {
    return 0;
}

uint32_t ZqTask::main1(float) {
    return 0;
}

void ZqTask::draw(float) {}

void ZqTask::resetLinks(const uint16_t priority) {
    m_priority = priority;
    m_pDrawPrev = nullptr;
    m_pDrawNext = nullptr;
    m_drawRegistered = false;
}

bool ZqTask::addTask(ZqTask* const task, const uint16_t priority) {
    if (task == nullptr || priority >= NR_PRIORITIES) {
        return false;
    }
    task->m_pParent = nullptr;
    task->m_pChildFirst = nullptr;
    task->m_pSiblingNext = nullptr;
    task->m_pSiblingPrev = nullptr;
    task->m_nrChildren = 0;
    task->resetLinks(priority);
    return task->addTaskBody();
}

bool ZqTask::addTask(ZqTask* const task, const uint16_t priority, void* const value) {
    if (task == nullptr) {
        return false;
    }
    task->m_value = value;
    return addTask(task, priority);
}

bool ZqTask::addChildTask(ZqTask* const child, const uint16_t priority) {
    if (child == nullptr || priority >= NR_PRIORITIES) {
        return false;
    }
    child->m_pParent = this;
    child->m_pChildFirst = nullptr;
    child->m_pSiblingPrev = nullptr;
    child->m_pSiblingNext = m_pChildFirst;
    if (m_pChildFirst != nullptr) {
        m_pChildFirst->m_pSiblingPrev = child;
    }
    child->m_nrChildren = 0;
    child->resetLinks(priority);
    ++m_nrChildren;
    m_pChildFirst = child;
    return child->addTaskBody();
}

bool ZqTask::addChildTask(ZqTask* const child, const uint16_t priority, void* const value) {
    if (child == nullptr) {
        return false;
    }
    child->m_value = value;
    return addChildTask(child, priority);
}

bool ZqTask::addTaskBody() {
    ZqTask*& head = m_vpTasks[m_priority];
    m_pUpdatePrev = nullptr;
    m_pUpdateNext = head;
    if (head != nullptr) {
        head->m_pUpdatePrev = this;
    }
    head = this;
    m_state = STATE_RUNNING;
    if (init() == RESULT_REMOVE) {
        detachFromParent();
        removeTaskBody();
        return false;
    }
    return true;
}

void ZqTask::detachFromParent() {
    if (m_pSiblingNext != nullptr) {
        m_pSiblingNext->m_pSiblingPrev = m_pSiblingPrev;
    }
    if (m_pParent == nullptr) {
        return;
    }
    if (m_pSiblingPrev != nullptr) {
        m_pSiblingPrev->m_pSiblingNext = m_pSiblingNext;
    } else {
        m_pParent->m_pChildFirst = m_pSiblingNext;
    }
    --m_pParent->m_nrChildren;
}

void ZqTask::removeTaskBody() {
    // Children are removed but not detached: this task's own child list stays as it was.
    for (ZqTask* child = m_pChildFirst; child != nullptr; child = child->m_pSiblingNext) {
        if (child->m_state == STATE_RUNNING) {
            child->removeTaskBody();
        }
    }
    if (m_pUpdatePrev != nullptr) {
        m_pUpdatePrev->m_pUpdateNext = m_pUpdateNext;
    } else if (m_vpTasks[m_priority] == this) {
        m_vpTasks[m_priority] = m_pUpdateNext;
    }
    if (m_pUpdateNext != nullptr) {
        m_pUpdateNext->m_pUpdatePrev = m_pUpdatePrev;
    }
    // The update-next link is kept: a pass that already holds this task walks on through it.
    m_pUpdatePrev = nullptr;
    if (m_drawRegistered) {
        if (m_pDrawPrev != nullptr) {
            m_pDrawPrev->m_pDrawNext = m_pDrawNext;
        } else if (m_vpDrawTasks[m_drawPriority] == this) {
            m_vpDrawTasks[m_drawPriority] = m_pDrawNext;
        }
        if (m_pDrawNext != nullptr) {
            m_pDrawNext->m_pDrawPrev = m_pDrawPrev;
        } else if (g_drawTails[m_drawPriority] == this) {
            g_drawTails[m_drawPriority] = m_pDrawPrev;
        }
        m_pDrawPrev = nullptr;
        m_pDrawNext = nullptr;
        m_drawRegistered = false;
    }
    m_state = STATE_IDLE;
    quit();
}

bool ZqTask::removeTask(ZqTask* const task) {
    if (task != nullptr && task->m_state == STATE_RUNNING) {
        task->detachFromParent();
        task->removeTaskBody();
    }
    return true;
}

void ZqTask::addDrawTask(const uint16_t drawPriority, const float depth) {
    if (drawPriority >= NR_DRAW_PRIORITIES || m_drawRegistered || m_pCriticalSection == nullptr) {
        return;
    }
    {
        const ZqLockGuard hold(*m_pCriticalSection);
        // Ascending depth; equal depths put the newest first; NaN compares false and goes last.
        ZqTask* prev = nullptr;
        ZqTask* at = m_vpDrawTasks[drawPriority];
        ZqTask* const tail = g_drawTails[drawPriority];
        if (tail != nullptr && !g_drawUnsorted[drawPriority] && tail->m_depth < depth) {
            prev = tail;
            at = nullptr;
        } else {
            while (at != nullptr && !(at->m_depth >= depth)) {
                prev = at;
                at = at->m_pDrawNext;
            }
        }
        if (depth != depth) {
            g_drawUnsorted[drawPriority] = true;
        }
        m_pDrawPrev = prev;
        m_pDrawNext = at;
        if (prev != nullptr) {
            prev->m_pDrawNext = this;
        } else {
            m_vpDrawTasks[drawPriority] = this;
        }
        if (at != nullptr) {
            at->m_pDrawPrev = this;
        } else {
            g_drawTails[drawPriority] = this;
        }
        m_drawPriority = drawPriority;
        m_depth = depth;
        m_drawRegistered = true;
    }
}

void ZqTask::sysInit(ZqTask* const root) {
    for (auto& head : m_vpTasks) {
        head = nullptr;
    }
    for (uint16_t p = 0; p < NR_DRAW_PRIORITIES; ++p) {
        m_vpDrawTasks[p] = nullptr;
        g_drawTails[p] = nullptr;
        g_drawUnsorted[p] = false;
    }
    try {
        g_lock = std::make_unique<ZqCriticalSection>();
    } catch (const std::bad_alloc&) {
        throw ZqError::LOCK;
    }
    m_pCriticalSection = g_lock.get();
    if (root == nullptr) {
        throw ZqError::ROOT_TASK;
    }
    root->m_pParent = nullptr;
    root->m_pChildFirst = nullptr;
    root->m_pSiblingNext = nullptr;
    root->m_pSiblingPrev = nullptr;
    root->m_nrChildren = 0;
    root->resetLinks(0);
    if (!root->addTaskBody()) {
        throw ZqError::ROOT_TASK;
    }
}

void ZqTask::sysMain(const float timeTick) {
    for (uint16_t p = 0; p < NR_PRIORITIES; ++p) {
        for (ZqTask* t = m_vpTasks[p]; t != nullptr;) {
            t->main0(timeTick);
            t = t->m_pUpdateNext;
        }
    }
    for (uint16_t p = 0; p < NR_PRIORITIES; ++p) {
        for (ZqTask* t = m_vpTasks[p]; t != nullptr;) {
            ZqTask* const next = t->m_pUpdateNext;
            if (t->m_state == STATE_RUNNING && t->main1(timeTick) == RESULT_REMOVE &&
                t->m_state == STATE_RUNNING) {
                t->detachFromParent();
                t->removeTaskBody();
            }
            t = next;
        }
    }
}

void ZqTask::sysQuit() {
    for (uint16_t p = 0; p < NR_PRIORITIES; ++p) {
        for (ZqTask* t = m_vpTasks[p]; t != nullptr;) {
            ZqTask* const next = t->m_pUpdateNext;
            if (t->m_pParent == nullptr && t->m_state == STATE_RUNNING) {
                t->removeTaskBody();
            }
            t = next;
        }
    }
    m_pCriticalSection = nullptr;
    g_lock.reset();
}

void ZqTask::sysDraw(const float timeTick) {
    for (uint16_t p = 0; p < NR_DRAW_PRIORITIES; ++p) {
        ZqTask*& head = m_vpDrawTasks[p];
        for (ZqTask* t = head; t != nullptr;) {
            t->draw(timeTick);
            t->m_drawRegistered = false;
            ZqTask* const next = t->m_pDrawNext;
            t->m_pDrawPrev = nullptr;
            t->m_pDrawNext = nullptr;
            t = next;
        }
        head = nullptr;
        g_drawTails[p] = nullptr;
        g_drawUnsorted[p] = false;
    }
}

void ZqTask::sysDrawDiscard() {
    for (uint16_t p = 0; p < NR_DRAW_PRIORITIES; ++p) {
        ZqTask*& head = m_vpDrawTasks[p];
        for (ZqTask* t = head; t != nullptr;) {
            ZqTask* const next = t->m_pDrawNext;
            t->m_drawRegistered = false;
            t->m_pDrawPrev = nullptr;
            t->m_pDrawNext = nullptr;
            t = next;
        }
        head = nullptr;
        g_drawTails[p] = nullptr;
        g_drawUnsorted[p] = false;
    }
}
