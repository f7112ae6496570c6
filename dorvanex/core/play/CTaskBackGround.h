// The shared background: the display record (a layout display list with two side elements
// and an event banner, a lamp-animation timer and flag) and the background task, a child of
// the root at update priority 2 that shows or hides the parts by chapter, animates the
// cabinet lamps and draws the list at draw priority 2.
#pragma once

#include "zq/task/ZqTask.h"

#include <cstdint>
#include <memory>

class CDldElementList;
class CDldElement;

class CBackGroundDisplay {
public:
    CBackGroundDisplay();
    ~CBackGroundDisplay();
    CBackGroundDisplay(const CBackGroundDisplay&) = delete;
    CBackGroundDisplay& operator=(const CBackGroundDisplay&) = delete;

    // Fills the display from the resident layouts; always true.
    bool setup();
    // Drops the list and its elements.
    void release();
    // Plays the banner of an event (layer event + 1), looping and drawn.
    void showEventBanner(int32_t event);

    CDldElementList* getList() const { return m_pList; }
    CDldElement* getSide(uint32_t n) const { return n == 0 ? m_pSide0 : m_pSide1; }
    CDldElement* getBanner() const { return m_pBanner; }

    float m_timer = 0.0f;
    uint8_t m_lampAnimation = 1;

private:
    CDldElementList* m_pList = nullptr;
    CDldElement* m_pSide0 = nullptr;
    CDldElement* m_pSide1 = nullptr;
    CDldElement* m_pBanner = nullptr;
};

CBackGroundDisplay& getBackGround();

class CTaskBackGround : public ZqTask {
public:
    static constexpr uint16_t DRAW_PRIORITY = 2;

    uint32_t init() override { return 0; }
    void quit() override;
    uint32_t main1(float timeTick) override;
    void draw(float timeTick) override;

    // Makes the second side element play layer (looping when loop is non-zero).
    static void setLayer(uint32_t layer, int32_t loop);
    // One step of the lamp animation for the chapter (public for the lamp tests).
    static void animateLamps(CBackGroundDisplay& display, int32_t chapter, float timeTick);
};
