// CGameFade: fades the whole screen to or from black or white. One fade for the program: its
// state is static, so any chapter starts a fade or asks whether it ended without holding the
// task. The task (a child of the root at update priority 6) advances the fade and draws one
// full-screen quad at draw priority 6 with the default effect's technique 7.
#pragma once

#include "zq/task/ZqTask.h"

#include <cstdint>

class ZqGlTexture;

class CGameFade : public ZqTask {
public:
    enum COLOR : int32_t { COLOR_BLACK = 0, COLOR_WHITE = 1 };
    enum STATE : int32_t {
        STATE_IDLE = 0,
        STATE_FADE_IN = 1, // the cover going away
        STATE_COVERED = 2,
        STATE_FADE_OUT = 3, // the cover coming
    };

    CGameFade() = default;
    ~CGameFade() override;
    CGameFade(const CGameFade&) = delete;
    CGameFade& operator=(const CGameFade&) = delete;

    // Makes the black and the white 16 x 16 textures.
    uint32_t init() override;
    // Releases the textures while the graphics system still runs (the root is deleted only
    // after the framework has shut down).
    void quit() override { releaseTextures(); }
    uint32_t main1(float timeTick) override;
    void draw(float timeTick) override;

    // A new start replaces a running fade at once. Durations in milliseconds.
    static void startFadeOut(uint32_t ms) { startFadeOutColor(COLOR_BLACK, ms); }
    static void startFadeOutColor(int32_t color, uint32_t ms);
    static void startFadeIn(uint32_t ms) { startFadeInColor(COLOR_BLACK, ms); }
    static void startFadeInColor(int32_t color, uint32_t ms);
    static bool isFadedOut() { return m_state == STATE_COVERED; }
    static bool isFadeIdle() { return m_state == STATE_IDLE; }
    static int32_t getColor() { return m_color; }
    static int32_t getState() { return m_state; }
    // The cover disappears at once.
    static void clear() { m_state = STATE_IDLE; }
    // The cover's opacity the next draw uses: 0 when idle.
    static float getAlpha();

private:
    static ZqGlTexture* makeTexture(uint32_t argb);
    void releaseTextures();

    ZqGlTexture* m_pBlack = nullptr;
    ZqGlTexture* m_pWhite = nullptr;

    static int32_t m_color;
    static int32_t m_state;
    static uint32_t m_duration;
    static uint32_t m_elapsed;
};

bool isFadeOutFinished();
bool isFadeInFinished();
