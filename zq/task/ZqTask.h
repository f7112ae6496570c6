// ZqTask: the node of the task scheduler. Everything a program does per frame runs as a task
// on the main thread: 8 update lists by priority (two passes: main0 on all, then main1 on the
// running ones), and 256 draw lists, registered anew each frame with a depth. Tasks are made
// and destroyed by their owner; the scheduler only links them. The update lists are intrusive:
// adding, removing and updating allocate nothing. Draw registrations are logged per list (the
// log keeps its capacity from frame to frame) and put in order when the list is drawn.
#pragma once

#include <cstdint>
#include <mutex>

class ZqCriticalSection;

class ZqTask {
public:
    enum STATE : uint8_t {
        STATE_IDLE = 0,
        STATE_RUNNING = 1,
    };
    static constexpr uint16_t NR_PRIORITIES = 8;
    static constexpr uint16_t NR_DRAW_PRIORITIES = 256;
    // Returned by init to refuse, and by main1 to be removed.
    static constexpr uint32_t RESULT_REMOVE = 0xFFFFFFFFu;

    ZqTask();
    virtual ~ZqTask();
    ZqTask(const ZqTask&) = default;
    ZqTask& operator=(const ZqTask&) = default;

    virtual uint32_t init();
    virtual void quit();
    virtual uint32_t main0(float timeTick);
    virtual uint32_t main1(float timeTick);
    virtual void draw(float timeTick);

    // Schedules a top-level task at a priority below 8; false when its init refused.
    static bool addTask(ZqTask* task, uint16_t priority);
    static bool addTask(ZqTask* task, uint16_t priority, void* value);
    // Schedules a child of this task; false when its init refused.
    bool addChildTask(ZqTask* child, uint16_t priority);
    bool addChildTask(ZqTask* child, uint16_t priority, void* value);
    // Removes a task and its descendants (newest child first, each subtree before its root).
    static bool removeTask(ZqTask* task);
    // Registers this task for the coming drawing in a list below 256, sorted by depth.
    // A second registration before the drawing is ignored. Any thread: the draw lists are
    // changed and walked under the scheduler's lock only.
    void addDrawTask(uint16_t drawPriority, float depth);

    uint16_t getPriority() const { return m_priority; }
    STATE getState() const { return m_state; }
    void* getValue() const { return m_value; }
    void setValue(void* value) { m_value = value; }
    ZqTask* getParent() const { return m_pParent; }
    ZqTask* getChildFirst() const { return m_pChildFirst; }
    ZqTask* getSiblingNext() const { return m_pSiblingNext; }
    ZqTask* getSiblingPrev() const { return m_pSiblingPrev; }
    uint32_t getNrChildren() const { return m_nrChildren; }

    // Called by the system class and by the graphics system's frame.
    static void sysInit(ZqTask* root);
    static void sysMain(float timeTick);
    static void sysQuit();
    static void sysDraw(float timeTick);
    // Empties the draw lists without drawing (a frame that does not render).
    static void sysDrawDiscard();

private:
    bool addTaskBody();
    void removeTaskBody();
    void detachFromParent();
    void resetLinks(uint16_t priority);
    // Takes this task out of its draw list, if it is in one.
    void unlinkDraw();
    // The scheduler's lock, held; empty between runs.
    static std::unique_lock<ZqCriticalSection> lockDrawLists();
    // Draws, or only forgets, one draw list's registrations.
    static void drawList(uint16_t drawPriority, float timeTick);
    static void discardList(uint16_t drawPriority);
    // The search tree over a draw list that is built one insertion at a time (ZqTask.cpp).
    struct DrawTree;
    friend struct DrawTree;

    uint16_t m_priority = 0;
    uint16_t m_drawPriority = 0;
    float m_depth = 0.0f;
    STATE m_state = STATE_IDLE;
    bool m_drawRegistered = false;
    // Set while the registration sits in a linked draw list rather than in the log.
    bool m_drawInList = false;
    // Where the registration sits in its draw list's log.
    uint32_t m_drawSlot = 0;
    ZqTask* m_pUpdatePrev = nullptr;
    ZqTask* m_pUpdateNext = nullptr;
    ZqTask* m_pDrawPrev = nullptr;
    ZqTask* m_pDrawNext = nullptr;
    // A linked draw list is also a randomised search tree in list order whose nodes keep the
    // largest depth below them, so each insertion finds its place in logarithmic time.
    ZqTask* m_pDrawLeft = nullptr;
    ZqTask* m_pDrawRight = nullptr;
    ZqTask* m_pDrawUp = nullptr;
    float m_drawMax = 0.0f;
    uint32_t m_drawWeight = 0;
    void* m_value = nullptr;
    ZqTask* m_pParent = nullptr;
    ZqTask* m_pChildFirst = nullptr;
    ZqTask* m_pSiblingNext = nullptr;
    ZqTask* m_pSiblingPrev = nullptr;
    uint32_t m_nrChildren = 0;

    static ZqTask* m_vpTasks[NR_PRIORITIES];
    static ZqTask* m_vpDrawTasks[NR_DRAW_PRIORITIES];
    static ZqCriticalSection* m_pCriticalSection;
};
