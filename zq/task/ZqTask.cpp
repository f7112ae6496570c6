#include "zq/task/ZqTask.h"

#include "zq/system/ZqError.h"
#include "zq/thread/ZqCriticalSection.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

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

// A draw list's registrations and withdrawals in the order they came. A list is drawn in the
// order of the rule "each registration goes in front of the first registered task whose depth
// is not smaller". Without a NaN depth that order is ascending depth, the newest first among
// equal depths, so the log is sorted once; a NaN (never found by the rule) breaks the sorted
// order, and such a log is replayed one insertion at a time through a search tree instead.
struct DrawEvent {
    float depth;
    uint32_t ref; // a registration: its flags; a withdrawal: EVENT_REMOVE | the slot withdrawn
    ZqTask* task;
};
constexpr uint32_t EVENT_REMOVE = 0x80000000u;
constexpr uint32_t EVENT_WITHDRAWN = 0x40000000u;
constexpr uint32_t EVENT_SLOT = 0x3FFFFFFFu;

struct DrawLog {
    std::vector<DrawEvent> events;
    size_t base = 0;     // the first event not yet taken by a drawing under way
    bool hasNaN = false; // a NaN depth among the events from base on
};
DrawLog g_drawLogs[ZqTask::NR_DRAW_PRIORITIES];

struct DrawKey {
    float depth;
    uint32_t slot;
};
std::vector<DrawKey> g_drawKeys;
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

    // The rule's insertion into the linked list p: in front of the first task whose depth is
    // not smaller, so equal depths put the newest first; NaN compares false, goes last and is
    // passed over.
    static void link(const uint16_t p, ZqTask* const t) {
        ZqTask* const at = firstNotSmaller(g_drawRoots[p], t->m_depth);
        ZqTask* const prev = at != nullptr ? at->m_pDrawPrev : g_drawTails[p];
        insert(g_drawRoots[p], t, prev, at);
        t->m_pDrawPrev = prev;
        t->m_pDrawNext = at;
        if (prev != nullptr) {
            prev->m_pDrawNext = t;
        } else {
            m_vpDrawTasks[p] = t;
        }
        if (at != nullptr) {
            at->m_pDrawPrev = t;
        } else {
            g_drawTails[p] = t;
        }
        t->m_drawInList = true;
    }

    static void unlink(const uint16_t p, ZqTask* const t) {
        remove(g_drawRoots[p], t);
        if (t->m_pDrawPrev != nullptr) {
            t->m_pDrawPrev->m_pDrawNext = t->m_pDrawNext;
        } else if (m_vpDrawTasks[p] == t) {
            m_vpDrawTasks[p] = t->m_pDrawNext;
        }
        if (t->m_pDrawNext != nullptr) {
            t->m_pDrawNext->m_pDrawPrev = t->m_pDrawPrev;
        } else if (g_drawTails[p] == t) {
            g_drawTails[p] = t->m_pDrawPrev;
        }
        t->m_pDrawPrev = nullptr;
        t->m_pDrawNext = nullptr;
        t->m_drawInList = false;
    }

    // Draws the events [begin, end) of list p sorted: ascending depth, newest first on ties.
    static void drawSorted(const uint16_t p, const size_t begin, const size_t end,
                           const float timeTick) {
        DrawLog& log = g_drawLogs[p];
        std::vector<DrawKey>& keys = g_drawKeys;
        keys.clear();
        bool ascending = true; // strictly: no ties to put newest first
        for (size_t i = begin; i < end; ++i) {
            const DrawEvent& e = log.events[i];
            if ((e.ref & (EVENT_REMOVE | EVENT_WITHDRAWN)) == 0) {
                ascending = ascending && (keys.empty() || keys.back().depth < e.depth);
                keys.push_back({e.depth, static_cast<uint32_t>(i)});
            }
        }
        if (!ascending) {
            // Newest first, then a stable sort by depth keeps ties newest first. Scenes often
            // register in depth order, either way round: sorted input skips the sort.
            std::reverse(keys.begin(), keys.end());
            const auto shallower = [](const DrawKey& x, const DrawKey& y) {
                return x.depth < y.depth;
            };
            if (!std::is_sorted(keys.begin(), keys.end(), shallower)) {
                std::stable_sort(keys.begin(), keys.end(), shallower);
            }
        }
        for (size_t k = 0; k < keys.size(); ++k) {
            const uint32_t slot = keys[k].slot;
            // Indexed anew each time: a drawing may register tasks and grow the log.
            if ((log.events[slot].ref & EVENT_WITHDRAWN) != 0) {
                continue; // removed by a task drawn before it
            }
            ZqTask* const t = log.events[slot].task;
            t->draw(timeTick);
            if (t->m_drawPriority == p && t->m_drawSlot == slot && !t->m_drawInList) {
                t->m_drawRegistered = false;
            }
        }
    }

    // Draws the events [begin, end) of list p by replaying them through the linked list.
    static void drawReplayed(const uint16_t p, const size_t begin, const size_t end,
                             const float timeTick) {
        DrawLog& log = g_drawLogs[p];
        for (size_t i = begin; i < end; ++i) {
            const DrawEvent e = log.events[i];
            ZqTask* const t = e.task;
            if ((e.ref & EVENT_REMOVE) != 0) {
                if ((e.ref & EVENT_SLOT) >= begin && t->m_drawInList) {
                    unlink(p, t);
                }
                continue;
            }
            if (t->m_drawInList) {
                unlink(p, t);
            }
            t->m_depth = e.depth;
            link(p, t);
        }
        // A withdrawal that could not be logged still keeps its task out.
        for (size_t i = begin; i < end; ++i) {
            const DrawEvent& e = log.events[i];
            if ((e.ref & (EVENT_REMOVE | EVENT_WITHDRAWN)) == EVENT_WITHDRAWN &&
                e.task->m_drawInList && e.task->m_drawSlot == i) {
                unlink(p, e.task);
            }
        }
        for (ZqTask* t = m_vpDrawTasks[p]; t != nullptr;) {
            t->draw(timeTick);
            ZqTask* const next = t->m_pDrawNext;
            if (t->m_drawInList) {
                t->m_drawRegistered = false;
                t->m_drawInList = false;
            }
            t->m_pDrawPrev = nullptr;
            t->m_pDrawNext = nullptr;
            t = next;
        }
        clearList(p);
    }

    static void clearList(const uint16_t p) {
        m_vpDrawTasks[p] = nullptr;
        g_drawTails[p] = nullptr;
        g_drawRoots[p] = nullptr;
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
    unlinkDraw();
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
    if (!m_drawRegistered) {
        return;
    }
    m_drawRegistered = false;
    if (m_drawInList) {
        DrawTree::unlink(m_drawPriority, this);
        return;
    }
    DrawLog& log = g_drawLogs[m_drawPriority];
    if (m_drawSlot >= log.events.size() || log.events[m_drawSlot].task != this) {
        return; // a copy of a registered task: the registration is the original's
    }
    log.events[m_drawSlot].ref |= EVENT_WITHDRAWN;
    try {
        // A replay needs to know when the task left; the mark alone keeps it from being drawn.
        log.events.push_back({m_depth, EVENT_REMOVE | m_drawSlot, this});
    } catch (const std::bad_alloc&) {
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
    // The flag is read under the lock too: the drawing clears it under the lock.
    const ZqLockGuard hold(*m_pCriticalSection);
    if (m_drawRegistered) {
        return;
    }
    DrawLog& log = g_drawLogs[drawPriority];
    if (log.events.size() >= EVENT_SLOT) {
        return;
    }
    try {
        log.events.push_back({depth, 0, this});
    } catch (const std::bad_alloc&) {
        return; // not registered: the task is not drawn this frame
    }
    m_drawSlot = static_cast<uint32_t>(log.events.size() - 1);
    m_depth = depth;
    m_drawPriority = drawPriority;
    m_drawInList = false;
    m_drawRegistered = true;
    if (depth != depth) {
        log.hasNaN = true;
    }
}

void ZqTask::sysInit(ZqTask* const root) {
    for (auto& head : m_vpTasks) {
        head = nullptr;
    }
    for (uint16_t p = 0; p < NR_DRAW_PRIORITIES; ++p) {
        DrawTree::clearList(p);
        g_drawLogs[p].events.clear();
        g_drawLogs[p].base = 0;
        g_drawLogs[p].hasNaN = false;
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
    for (DrawLog& log : g_drawLogs) {
        log = DrawLog(); // gives the memory back
    }
    g_drawKeys = std::vector<DrawKey>();
    m_pCriticalSection = nullptr;
    g_lock.reset();
}

std::unique_lock<ZqCriticalSection> ZqTask::lockDrawLists() {
    return m_pCriticalSection != nullptr ? std::unique_lock<ZqCriticalSection>(*m_pCriticalSection)
                                         : std::unique_lock<ZqCriticalSection>();
}

void ZqTask::drawList(const uint16_t p, const float timeTick) {
    const std::unique_lock<ZqCriticalSection> hold = lockDrawLists();
    DrawLog& log = g_drawLogs[p];
    // Tasks registered by the drawings themselves form a batch of their own, drawn after.
    while (log.base < log.events.size()) {
        const size_t begin = log.base;
        const size_t end = log.events.size();
        const bool replay = log.hasNaN;
        log.base = end;
        log.hasNaN = false;
        if (replay) {
            DrawTree::drawReplayed(p, begin, end, timeTick);
        } else {
            DrawTree::drawSorted(p, begin, end, timeTick);
        }
    }
    log.events.clear();
    log.base = 0;
    log.hasNaN = false;
}

void ZqTask::discardList(const uint16_t p) {
    const std::unique_lock<ZqCriticalSection> hold = lockDrawLists();
    DrawLog& log = g_drawLogs[p];
    for (size_t i = 0; i < log.events.size(); ++i) {
        const DrawEvent& e = log.events[i];
        ZqTask* const t = e.task;
        if ((e.ref & (EVENT_REMOVE | EVENT_WITHDRAWN)) == 0 && t->m_drawPriority == p &&
            t->m_drawSlot == i) {
            t->m_drawRegistered = false;
            t->m_drawInList = false;
        }
    }
    log.events.clear();
    log.base = 0;
    log.hasNaN = false;
}

void ZqTask::sysDraw(const float timeTick) {
    // Other threads register under the lock: the emptiness checks read the logs under it too.
    const std::unique_lock<ZqCriticalSection> hold = lockDrawLists();
    for (uint16_t p = 0; p < NR_DRAW_PRIORITIES; ++p) {
        if (!g_drawLogs[p].events.empty()) {
            drawList(p, timeTick);
        }
    }
}

void ZqTask::sysDrawDiscard() {
    const std::unique_lock<ZqCriticalSection> hold = lockDrawLists();
    for (uint16_t p = 0; p < NR_DRAW_PRIORITIES; ++p) {
        if (!g_drawLogs[p].events.empty()) {
            discardList(p);
        }
    }
}
