#include "zq/task/ZqTask.h"

#include "zq/system/ZqError.h"
#include "zq/thread/ZqCriticalSection.h"

#include <limits>
#include <memory>
#include <mutex>
#include <new>

ZqTask* ZqTask::m_vpTasks[NR_PRIORITIES] = {};
ZqTask* ZqTask::m_vpDrawTasks[NR_DRAW_PRIORITIES] = {};
ZqCriticalSection* ZqTask::m_pCriticalSection = nullptr;

namespace {
// Owns the scheduler's lock between sysInit and sysQuit.
std::unique_ptr<ZqCriticalSection> g_lock;

// Per draw list: its last task and the root of its search tree; and the weights that keep the
// trees balanced (a fixed pseudo-random sequence, so runs repeat).
ZqTask* g_drawTails[ZqTask::NR_DRAW_PRIORITIES] = {};
ZqTask* g_drawRoots[ZqTask::NR_DRAW_PRIORITIES] = {};
uint32_t g_drawSeed = 0x9E3779B9u;

// The larger of two depths where NaN stands for "none": a NaN depth is never found by a search.
float largerDepth(const float a, const float b) {
    if (a != a) {
        return b;
    }
    if (b != b) {
        return a;
    }
    return a < b ? b : a;
}

bool sameDepth(const float a, const float b) {
    return a == b || (a != a && b != b);
}
} // namespace

// A treap in list order: the in-order walk is the draw list, the weights form a heap, and each
// node keeps the largest depth of its subtree. Changed under the scheduler's lock only.
struct ZqTask::DrawTree {
    static float maxOf(const ZqTask* const t) {
        return t != nullptr ? t->m_drawMax : std::numeric_limits<float>::quiet_NaN();
    }

    static void pull(ZqTask* const t) {
        t->m_drawMax =
            largerDepth(largerDepth(t->m_depth, maxOf(t->m_pDrawLeft)), maxOf(t->m_pDrawRight));
    }

    static void replaceChild(ZqTask*& root, ZqTask* const up, const ZqTask* const old,
                             ZqTask* const now) {
        if (up == nullptr) {
            root = now;
        } else if (up->m_pDrawLeft == old) {
            up->m_pDrawLeft = now;
        } else {
            up->m_pDrawRight = now;
        }
        if (now != nullptr) {
            now->m_pDrawUp = up;
        }
    }

    // Turns t's link with its parent so that t takes the parent's place; list order is kept.
    static void rotateUp(ZqTask*& root, ZqTask* const t) {
        ZqTask* const p = t->m_pDrawUp;
        ZqTask* const grand = p->m_pDrawUp;
        if (p->m_pDrawLeft == t) {
            p->m_pDrawLeft = t->m_pDrawRight;
            if (p->m_pDrawLeft != nullptr) {
                p->m_pDrawLeft->m_pDrawUp = p;
            }
            t->m_pDrawRight = p;
        } else {
            p->m_pDrawRight = t->m_pDrawLeft;
            if (p->m_pDrawRight != nullptr) {
                p->m_pDrawRight->m_pDrawUp = p;
            }
            t->m_pDrawLeft = p;
        }
        p->m_pDrawUp = t;
        replaceChild(root, grand, p, t);
        pull(p);
        pull(t);
    }

    // Recomputes the maxima from t to the root, stopping where nothing changes.
    static void pullUp(ZqTask* t) {
        for (; t != nullptr; t = t->m_pDrawUp) {
            const float before = t->m_drawMax;
            pull(t);
            if (sameDepth(before, t->m_drawMax)) {
                break;
            }
        }
    }

    // The first task in list order whose depth is >= depth; none for a NaN depth.
    static ZqTask* firstNotSmaller(ZqTask* t, const float depth) {
        if (!(maxOf(t) >= depth)) {
            return nullptr;
        }
        for (;;) {
            if (t->m_pDrawLeft != nullptr && t->m_pDrawLeft->m_drawMax >= depth) {
                t = t->m_pDrawLeft;
            } else if (t->m_depth >= depth) {
                return t;
            } else {
                t = t->m_pDrawRight;
            }
        }
    }

    // Links t between prev and at, which are neighbours in the list (either may be none).
    static void insert(ZqTask*& root, ZqTask* const t, ZqTask* const prev, ZqTask* const at) {
        g_drawSeed ^= g_drawSeed << 13;
        g_drawSeed ^= g_drawSeed >> 17;
        g_drawSeed ^= g_drawSeed << 5;
        t->m_drawWeight = g_drawSeed;
        t->m_pDrawLeft = nullptr;
        t->m_pDrawRight = nullptr;
        t->m_drawMax = t->m_depth;
        if (root == nullptr) {
            t->m_pDrawUp = nullptr;
            root = t;
            return;
        }
        // Of two neighbours one lies below the other, and that side of it is free.
        if (prev != nullptr && prev->m_pDrawRight == nullptr) {
            prev->m_pDrawRight = t;
            t->m_pDrawUp = prev;
        } else {
            at->m_pDrawLeft = t;
            t->m_pDrawUp = at;
        }
        while (t->m_pDrawUp != nullptr && t->m_pDrawUp->m_drawWeight < t->m_drawWeight) {
            rotateUp(root, t);
        }
        pullUp(t->m_pDrawUp);
    }

    static void remove(ZqTask*& root, ZqTask* const t) {
        while (t->m_pDrawLeft != nullptr && t->m_pDrawRight != nullptr) {
            rotateUp(root, t->m_pDrawLeft->m_drawWeight > t->m_pDrawRight->m_drawWeight
                               ? t->m_pDrawLeft
                               : t->m_pDrawRight);
        }
        ZqTask* const child = t->m_pDrawLeft != nullptr ? t->m_pDrawLeft : t->m_pDrawRight;
        ZqTask* const up = t->m_pDrawUp;
        replaceChild(root, up, t, child);
        t->m_pDrawLeft = nullptr;
        t->m_pDrawRight = nullptr;
        t->m_pDrawUp = nullptr;
        pullUp(up);
    }
};

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
    unlinkDraw();
    m_state = STATE_IDLE;
    quit();
}

void ZqTask::unlinkDraw() {
    // Registration may come from another thread; the draw lists change under the lock only.
    const std::unique_lock<ZqCriticalSection> hold = lockDrawLists();
    if (m_drawRegistered) {
        DrawTree::remove(g_drawRoots[m_drawPriority], this);
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
}

bool ZqTask::removeTask(ZqTask* const task) {
    if (task != nullptr && task->m_state == STATE_RUNNING) {
        task->detachFromParent();
        task->removeTaskBody();
    }
    return true;
}

void ZqTask::addDrawTask(const uint16_t drawPriority, const float depth) {
    if (drawPriority >= NR_DRAW_PRIORITIES || m_pCriticalSection == nullptr) {
        return;
    }
    {
        // The flag is read under the lock too: the drawing clears it under the lock.
        const ZqLockGuard hold(*m_pCriticalSection);
        if (m_drawRegistered) {
            return;
        }
        // Ascending depth: in front of the first task whose depth is not smaller, so equal
        // depths put the newest first; NaN compares false, goes last and is passed over.
        ZqTask* const at = DrawTree::firstNotSmaller(g_drawRoots[drawPriority], depth);
        ZqTask* const prev = at != nullptr ? at->m_pDrawPrev : g_drawTails[drawPriority];
        m_depth = depth;
        DrawTree::insert(g_drawRoots[drawPriority], this, prev, at);
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
        g_drawRoots[p] = nullptr;
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

std::unique_lock<ZqCriticalSection> ZqTask::lockDrawLists() {
    return m_pCriticalSection != nullptr ? std::unique_lock<ZqCriticalSection>(*m_pCriticalSection)
                                         : std::unique_lock<ZqCriticalSection>();
}

void ZqTask::sysDraw(const float timeTick) {
    for (uint16_t p = 0; p < NR_DRAW_PRIORITIES; ++p) {
        const std::unique_lock<ZqCriticalSection> hold = lockDrawLists();
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
        g_drawRoots[p] = nullptr;
    }
}

void ZqTask::sysDrawDiscard() {
    for (uint16_t p = 0; p < NR_DRAW_PRIORITIES; ++p) {
        const std::unique_lock<ZqCriticalSection> hold = lockDrawLists();
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
        g_drawRoots[p] = nullptr;
    }
}
