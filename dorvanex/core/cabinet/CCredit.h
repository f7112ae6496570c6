// CCredit: turns coins from the cabinet's coin mechanism into credits, tells the screens
// whether a play or a continue can start, takes the price when one does, hands coin counts to
// the bookkeeping and shows the credit line at the bottom of the screen. One object, made on
// first use; a task that the root adds at priority 3 once it has built the display. Credits
// are not saved. The static members are the screens' calls over the one object. Main thread
// only. Depends on the I/O board (zq/io), the input, settings and bookkeeping of the game.
#pragma once

#include "zq/task/ZqTask.h"

#include <cstdint>
#include <memory>

class ZqGlTexture;

class CCredit : public ZqTask {
public:
    enum CREDIT_STATE : int32_t { CREDIT_NONE = 0, CREDIT_PART = 1, CREDIT_ENOUGH = 2 };
    enum MODE : int32_t { MODE_SINGLE = 0, MODE_BATTLE = 1 };
    static constexpr uint32_t NR_COIN_ROWS = 32;
    static constexpr int32_t SHOWN_CREDITS_MAX = 99;
    static constexpr uint32_t DRAW_PRIORITY = 7;
    static constexpr uint32_t TEXT_SIZE = 8;
    // Coins the board hands over in one consume call at most.
    static constexpr uint32_t CONSUME_PORTION = 20;
    static constexpr int32_t BOOKKEEPING_SETTING = 35;

    struct CoinPair {
        uint8_t coins;
        uint8_t credits;
    };

    static CCredit* getInstance();
    // Deletes the object (the root's quit, after releasing the display).
    static void deleteInstance();
    CCredit();
    ~CCredit() override;
    CCredit(const CCredit&) = delete;
    CCredit& operator=(const CCredit&) = delete;

    // 2 with free play or credits for a play (continue) of the mode, 1 with some credit
    // (for a play also pending coins), else 0. A non-zero battle doubles the price.
    static int32_t getCreditState(int32_t battle);
    static int32_t getContinueState(int32_t battle);
    static void consumePlay(int32_t battle);
    static void consumeContinue(int32_t battle);
    // Coins still to insert for one play of the mode.
    static int32_t getCoinsNeeded(int32_t battle);
    // Coins counted this frame; marks them read.
    static int32_t getCoinsInserted();
    static bool isFreePlay();
    static void setDisplay(bool shown);
    // On: the coin counter enabled, the blockers closed in free play and open otherwise.
    // Off: blockers closed, counter disabled.
    static void setCoinAccept(bool on);
    // Takes the whole stock off the board uncounted and clears coins and credits.
    static void resetCoins();
    static void getCoinSettings(uint8_t* row, uint8_t* playPrice, uint8_t* continuePrice,
                                uint8_t* setting7, uint8_t* setting9, uint8_t* freePlay);
    // A row outside 1..32 keeps the previous row (and is logged).
    static void setCoinSettings(uint8_t row, uint8_t playPrice, uint8_t continuePrice,
                                uint8_t setting7, uint8_t setting9, uint8_t freePlay);
    // The {coins, credits} pair of a 1-based row; {1, 1} outside the table.
    static CoinPair getCoinTableEntry(uint32_t row);

    static int32_t getCredits();
    static int32_t getPendingCoins();
    // The two texts of the credit line as last formatted (credits, then coins).
    static const char* getCreditText();
    static const char* getCoinText();

    // The credit texture, sprites and digit strips; false when the texture cannot be made.
    bool createDisplay();
    void releaseDisplay();

    uint32_t init() override { return 0; }
    void quit() override {}
    uint32_t main1(float timeTick) override;
    void draw(float timeTick) override;

    // The frame's work, without the draw registration.
    void update();

private:
    int32_t playPrice(int32_t battle) const;
    int32_t continuePrice(int32_t battle) const;
    void convert();
    void refreshTexts();
    void drawCell(uint32_t u, uint32_t v, uint32_t width, float x) const;
    void drawText(const char* text, float x) const;
    void drawLine() const;

    int32_t m_displayShown = 0;
    int32_t m_pendingCoins = 0;
    int32_t m_coinsThisFrame = 0;
    int32_t m_coinsRead = 0;
    int32_t m_credits = 0;
    int32_t m_coinAccept = 0;
    uint8_t m_freePlay = 0;
    uint8_t m_playPrice = 1;
    uint8_t m_continuePrice = 1;
    uint8_t m_setting7 = 4;
    uint8_t m_setting9 = 0;
    uint8_t m_row = 1;
    uint8_t m_coinsPerBlock = 1;
    uint8_t m_creditsPerBlock = 1;
    int32_t m_refresh = -1;
    int32_t m_shownStatus = 0;
    char m_creditText[TEXT_SIZE] = "0";
    char m_coinText[TEXT_SIZE] = "0'1";
    ZqGlTexture* m_pTexture = nullptr;

    static std::unique_ptr<CCredit> m_pInstance;
};
