// CEventHud: the heads-up panel every event shows over its scene, built from layout 50: the
// event's intro, the player panels (one in single mode, two in battle), the power gauges of
// the gauge events with their follower and "MAX" marker, the row of remaining tickets with
// the move of the ticket being used, and in single mode the event's best record. The intro's
// anchor cells place the other layers. Owned by the event's director; reads the play state
// for mode, tickets and the best value. A layer the layout lacks is simply not drawn; its
// waits (the intro, the end of a ticket move) count as ended. Main thread only.
#pragma once

#include "dorvanex/event/CScoreBase.h"

#include <cstdint>
#include <memory>

class CDldElement;
class CDldElementList;
class CDldFile;
class CDldFrame;
class CDldLayer;
struct CDldCellInfo;

class CEventHud {
public:
    static constexpr uint32_t NR_PLAYERS = 2;
    static constexpr uint32_t NR_ELEMENTS = 16;
    static constexpr uint32_t NR_SLOTS = 5;
    static constexpr int32_t MOVE_FRAMES = 25;
    static constexpr float MARKER_ABOVE = 0.9f;

    // Clears everything and takes the remaining tickets from the play state.
    explicit CEventHud(uint32_t event);
    ~CEventHud();
    CEventHud(const CEventHud&) = delete;
    CEventHud& operator=(const CEventHud&) = delete;

    // The best-record score (single mode) and the element list.
    bool load();
    // The layers from the layout (null: layout 50 of the resource manager), the best record,
    // then the intro plays. False when there is no layout.
    bool create(CDldFile* layout = nullptr);
    // dt in ms.
    void update(float dt);
    void draw();
    void release();

    void setVisible(bool visible);
    void setExtraVisible(bool visible);
    // value taken in [0, 1] (NaN as 0); player 0 or 1.
    void setGauge(float value, uint32_t player);
    void resetGauges();
    void setPlayerValue(int32_t value, uint32_t player);
    // Uses one ticket and moves the icon(s) to the target over 25 frames; a second call while
    // a move runs does nothing.
    void startTicketMove(bool move);
    // True whenever no move runs, also before the first.
    bool isTicketMoveDone() const { return !m_ticketMove; }
    // Stops and hides every layer of the list that plays that layout layer.
    void hideLayer(uint32_t index);

    static bool isGaugeEvent(uint32_t event);
    static bool isDuelEvent(uint32_t event);
    bool isGaugeEvent() const { return isGaugeEvent(m_event); }
    bool isDuelEvent() const { return isDuelEvent(m_event); }

    bool isIntroDone() const { return m_introDone; }
    bool isMarkerShown(uint32_t player) const;
    float getGauge(uint32_t player) const;
    // The gauge layer's frame (-1 without a gauge layer).
    int32_t getGaugeFrame(uint32_t player) const;
    int32_t getMoveFrame() const { return m_moveFrame; }
    // Whether slot k (1..5) of the ticket rows is drawn now.
    bool isSlotDrawn(uint32_t slot) const;
    const CScoreBase* getBestScore() const { return m_pBest.get(); }

private:
    struct PlayerContext {
        CEventHud* hud = nullptr;
        uint32_t player = 0;
    };
    struct Player {
        CDldLayer* panel = nullptr;
        CDldLayer* gauge = nullptr;
        CDldLayer* follower = nullptr;
        CDldLayer* marker = nullptr;
        CDldLayer* ticketRow = nullptr;
        CDldLayer* ticketIcon = nullptr;
        CDldFrame* movingTicket = nullptr;
        int32_t value = 0;
        float gaugeValue = 0.0f;
        bool markerShown = false;
        float gaugeX = 0.0f, gaugeY = 0.0f, gaugeScale = 0.0f;
        float stepX = 0.0f, stepY = 0.0f;
        float targetX = 0.0f, targetY = 0.0f;
        float moveX = 0.0f, moveY = 0.0f;
        bool slotKnown[NR_SLOTS] = {};
        float slotX[NR_SLOTS] = {}, slotY[NR_SLOTS] = {};
        PlayerContext context;
    };

    static void introCallback(const CDldCellInfo& info, void* user);
    static void anchorOnly(const CDldCellInfo& info, void* user);
    static void panelCallback(const CDldCellInfo& info, void* user);
    static void gaugeCallback(const CDldCellInfo& info, void* user);
    static void ticketRowCallback(const CDldCellInfo& info, void* user);
    static void bestCallback(const CDldCellInfo& info, void* user);
    // Places layers by an anchor of the intro; true when the cell was an anchor.
    bool placeByAnchor(const CDldCellInfo& info);
    void placeFromIntro();
    CDldLayer* addLayer(uint32_t layer, uint32_t depth,
                        void (*callback)(const CDldCellInfo&, void*), void* data);
    void showLayer(CDldLayer* layer, bool shown, uint32_t endMode);
    void applyGauge(uint32_t player);
    void stepTicketMove();
    uint32_t playerCount() const;
    bool countsFromOtherEnd() const;
    bool isBattle() const { return m_battle; }

    CDldElementList* m_pList = nullptr;
    CDldFile* m_pFile = nullptr;
    CDldLayer* m_pIntro = nullptr;
    CDldLayer* m_pBestPanel = nullptr;
    std::unique_ptr<CScoreBase> m_pBest;
    Player m_players[NR_PLAYERS];
    uint32_t m_event = 0;
    bool m_battle = false;
    bool m_introDone = false;
    bool m_shown = false;
    bool m_bestShown = false;
    bool m_ticketMove = false;
    int32_t m_ticketsAtStart = 0;
    int32_t m_moveFrame = 0;
};
