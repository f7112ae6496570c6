// CLimitTimer: the on-screen countdown of the screens and events that give the player a time
// limit: two whole-second digits from layout 48 that roll when the second changes, with the
// warning sound in the last ten seconds. One counter, a static object reached through
// getLimitTimer; the chapters make its elements with create, the root's quit releases them.
// Main thread only. Depends on the layout player (dorvanex/dld) and the sound manager.
#pragma once

#include <cstdint>

class CDldElementList;
class CDldFile;
class CDldLayer;
struct CDldCellInfo;

class CLimitTimer {
public:
    static constexpr uint32_t LAYOUT_INDEX = 48;
    static constexpr uint32_t ROLL_OUT_LAYER = 1;
    static constexpr uint32_t ROLL_IN_LAYER = 3;
    static constexpr uint32_t DRAW_DEPTH = 36;
    static constexpr float WARNING_FROM_MS = 10000.0f;
    static constexpr float HIDE_BELOW_MS = 1.0f;
    static constexpr float TIME_UP_BELOW_MS = 0.0001f;
    enum ANIMATION : int32_t { ANIM_NONE = 0, ANIM_ROLL_IN = 1, ANIM_ROLL_BOTH = 2, ANIM_DONE = 3 };

    CLimitTimer() = default;
    ~CLimitTimer();
    CLimitTimer(const CLimitTimer&) = delete;
    CLimitTimer& operator=(const CLimitTimer&) = delete;

    // The element list and the two layers with the digit callback, over the layout (null:
    // layout 48 of the resident bank). False when there is no layout or no list.
    bool create(CDldFile* layout = nullptr);
    // Gives the elements back (the root's quit); the counting state stays.
    void release();

    void setTime(int32_t seconds);
    // Rolls both digits in with the first update; warns at once with 10 s or less left.
    void start();
    void setRunning(bool running) { m_running = running; }
    void setVisible(bool shown) { m_shown = shown; }

    // dt in milliseconds.
    void update(float dt);
    void draw();

    bool isTimeUp() const { return m_timeUp; }
    bool isRunning() const { return m_running; }
    bool isVisible() const { return m_visible; }
    float getRemaining() const { return m_remaining; }
    int32_t getSeconds() const { return m_current; }
    int32_t getPreviousSeconds() const { return m_previous; }
    int32_t getAnimation() const { return m_animation; }
    const CDldLayer* getRollOutLayer() const { return m_pRollOut; }
    const CDldLayer* getRollInLayer() const { return m_pRollIn; }

private:
    static void digitCallback(const CDldCellInfo& info, void* user);
    static void warn();

    CDldElementList* m_pList = nullptr;
    CDldLayer* m_pRollOut = nullptr;
    CDldLayer* m_pRollIn = nullptr;
    int32_t m_animation = ANIM_NONE;
    bool m_timeUp = false;
    bool m_running = false;
    bool m_shown = true;
    bool m_visible = false;
    float m_remaining = 0.0f;
    int32_t m_previous = 0;
    int32_t m_current = 0;
};

// The one counter of the game's static objects; null outside them.
CLimitTimer* getLimitTimer();
