#include "dorvanex/core/cabinet/CCredit.h"

#include "dorvanex/core/flow/CSequenceManager.h"
#include "dorvanex/core/input/CInputManager.h"
#include "dorvanex/core/opdata/CBookkeepings.h"
#include "dorvanex/core/opdata/CGameSettings.h"
#include "dorvanex/core/opdata/ErrorLog.h"
#include "dorvanex/core/play/CGameWork.h"
#include "dorvanex/core/render/GameRender.h"
#include "dorvanex/core/sound/CSoundManager.h"
#include "zq/gl/ZqGlShader.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/io/ZqMarlox4.h"

#include <algorithm>
#include <cstdio>
#include <string>

std::unique_ptr<CCredit> CCredit::m_pInstance;

namespace {

constexpr CCredit::CoinPair COIN_TABLE[CCredit::NR_COIN_ROWS] = {
    {1, 1}, {1, 2}, {1, 3}, {1, 4},  {1, 5},  {1, 6},  {1, 7},  {2, 1},  {2, 3},  {2, 5},  {3, 1},
    {3, 2}, {3, 4}, {4, 1}, {4, 3},  {4, 5},  {5, 1},  {5, 2},  {6, 1},  {6, 5},  {7, 1},  {7, 2},
    {8, 1}, {8, 3}, {9, 1}, {10, 1}, {11, 1}, {12, 1}, {13, 1}, {14, 1}, {15, 1}, {16, 1},
};

constexpr char16_t CREDIT_TEXTURE[] = u"TestMenu\\spuicom_credit.png";
constexpr char16_t ADD_COIN_SOUND[] = u"SPCommonAddCoin.adpcm.sound";

// The credit line on a 1024 x 768 screen: every part's top at y 740, 26 texels high.
constexpr float LINE_Y = 740.0f;
constexpr uint32_t LINE_HEIGHT = 26;
constexpr uint32_t LABEL_WIDTH = 124;
constexpr uint32_t LABEL_ROW = 104;
constexpr float LABEL_CENTRE_X = 256.0f;
constexpr uint32_t CAPTION_WIDTH = 94;
constexpr float CREDITS_CAPTION_X = 458.0f;
constexpr float COINS_CAPTION_X = 708.0f;
constexpr uint32_t FREE_PLAY_ROW = 78;
constexpr float FREE_PLAY_CENTRE_X = 512.0f;
constexpr float CREDITS_TEXT_X = 552.0f;
constexpr float COINS_TEXT_X = 802.0f;
// The digit strip: glyphs side by side on one row of the texture, '0'..'9' then the marks.
constexpr uint32_t GLYPH_ROW = 182;
constexpr uint32_t GLYPH_WIDTHS[15] = {17, 14, 16, 15, 16, 16, 16, 15, 15, 16, 0, 14, 0, 17, 0};
constexpr uint32_t GLYPH_APOSTROPHE = 11;

CCredit& self() {
    return *CCredit::getInstance();
}

// Takes coins off slot 0's stock, in the portions the board takes at most.
void takeStock(uint32_t coins) {
    while (coins > 0) {
        const uint32_t portion = std::min(coins, CCredit::CONSUME_PORTION);
        if (!ZqMarlox4::consumeCoinStock(0, portion)) {
            return;
        }
        coins -= portion;
    }
}

int32_t glyphOf(const char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c == '\'' ? static_cast<int32_t>(GLYPH_APOSTROPHE) : -1;
}

} // namespace

CCredit* CCredit::getInstance() {
    if (!m_pInstance) {
        m_pInstance = std::make_unique<CCredit>();
    }
    return m_pInstance.get();
}

void CCredit::deleteInstance() {
    if (m_pInstance) {
        m_pInstance->releaseDisplay();
    }
    m_pInstance.reset();
}

CCredit::CCredit() : m_shownStatus(CGameWork::getInstance().getOfflineWord()) {}

CCredit::~CCredit() {
    releaseDisplay();
}

CCredit::CoinPair CCredit::getCoinTableEntry(const uint32_t row) {
    return row >= 1 && row <= NR_COIN_ROWS ? COIN_TABLE[row - 1] : CoinPair{1, 1};
}

int32_t CCredit::playPrice(const int32_t battle) const {
    if (m_freePlay != 0) {
        return 0;
    }
    return battle != 0 ? 2 * m_playPrice : m_playPrice;
}

int32_t CCredit::continuePrice(const int32_t battle) const {
    if (m_freePlay != 0) {
        return 0;
    }
    return battle != 0 ? 2 * m_continuePrice : m_continuePrice;
}

int32_t CCredit::getCreditState(const int32_t battle) {
    const CCredit& c = self();
    if (c.m_freePlay != 0 || c.m_credits >= c.playPrice(battle)) {
        return CREDIT_ENOUGH;
    }
    return c.m_credits > 0 || c.m_pendingCoins > 0 ? CREDIT_PART : CREDIT_NONE;
}

int32_t CCredit::getContinueState(const int32_t battle) {
    const CCredit& c = self();
    if (c.m_freePlay != 0 || c.m_credits >= c.continuePrice(battle)) {
        return CREDIT_ENOUGH;
    }
    return c.m_credits > 0 ? CREDIT_PART : CREDIT_NONE;
}

void CCredit::consumePlay(const int32_t battle) {
    CCredit& c = self();
    if (c.m_freePlay == 0) {
        c.m_credits -= c.playPrice(battle);
        c.m_refresh = -1;
    }
}

void CCredit::consumeContinue(const int32_t battle) {
    CCredit& c = self();
    if (c.m_freePlay == 0) {
        c.m_credits -= c.continuePrice(battle);
        c.m_refresh = -1;
    }
}

int32_t CCredit::getCoinsNeeded(const int32_t battle) {
    const CCredit& c = self();
    const int64_t missing = static_cast<int64_t>(c.playPrice(battle)) - c.m_credits;
    if (missing < 1) {
        return 0;
    }
    const int64_t perBlock = std::max<int64_t>(c.m_coinsPerBlock, 1);
    const int64_t creditsPerBlock = std::max<int64_t>(c.m_creditsPerBlock, 1);
    int64_t coins = (missing * perBlock + creditsPerBlock - 1) / creditsPerBlock;
    coins = (coins + perBlock - 1) / perBlock * perBlock;
    const int64_t needed = coins - c.m_pendingCoins;
    return needed > 0 ? static_cast<int32_t>(needed) : 0;
}

int32_t CCredit::getCoinsInserted() {
    CCredit& c = self();
    c.m_coinsRead = 1;
    return c.m_coinsThisFrame;
}

bool CCredit::isFreePlay() {
    return self().m_freePlay != 0;
}

void CCredit::setDisplay(const bool shown) {
    CCredit& c = self();
    c.m_displayShown = shown ? 1 : 0;
    c.m_refresh = -1;
}

void CCredit::setCoinAccept(const bool on) {
    CCredit& c = self();
    if (on) {
        ZqMarlox4::setCoinCounterEnable(true, true);
        const bool closed = c.m_freePlay != 0;
        ZqMarlox4::setCoinBlockersStart(closed, closed);
    } else {
        ZqMarlox4::setCoinBlockersStart(true, true);
        ZqMarlox4::setCoinCounterEnable(false, false);
    }
    c.m_coinAccept = on ? 1 : 0;
}

void CCredit::resetCoins() {
    CCredit& c = self();
    takeStock(ZqMarlox4::getCoinStock(0));
    c.m_pendingCoins = 0;
    c.m_coinsThisFrame = 0;
    c.m_coinsRead = 0;
    c.m_credits = 0;
    c.m_refresh = -1;
}

void CCredit::getCoinSettings(uint8_t* const row, uint8_t* const playPrice,
                              uint8_t* const continuePrice, uint8_t* const setting7,
                              uint8_t* const setting9, uint8_t* const freePlay) {
    CCredit& c = self();
    const CoinPair pair = getCoinTableEntry(c.m_row);
    c.m_coinsPerBlock = pair.coins;
    c.m_creditsPerBlock = pair.credits;
    *row = c.m_row;
    *playPrice = c.m_playPrice;
    *continuePrice = c.m_continuePrice;
    *setting7 = c.m_setting7;
    *setting9 = c.m_setting9;
    *freePlay = c.m_freePlay;
}

void CCredit::setCoinSettings(const uint8_t row, const uint8_t playPrice,
                              const uint8_t continuePrice, const uint8_t setting7,
                              const uint8_t setting9, const uint8_t freePlay) {
    CCredit& c = self();
    // A row outside the table would read past it: keep the row in force.
    if (row >= 1 && row <= NR_COIN_ROWS) {
        c.m_row = row;
    } else {
        writeErrorLog("Coin table row " + std::to_string(row) + " is outside 1..32; row " +
                      std::to_string(c.m_row) + " stays.");
    }
    c.m_playPrice = playPrice;
    c.m_continuePrice = continuePrice;
    c.m_setting7 = setting7;
    c.m_setting9 = setting9;
    c.m_freePlay = freePlay;
    const CoinPair pair = getCoinTableEntry(c.m_row);
    c.m_coinsPerBlock = pair.coins;
    c.m_creditsPerBlock = pair.credits;
    c.m_refresh = -1;
}

int32_t CCredit::getCredits() {
    return self().m_credits;
}

int32_t CCredit::getPendingCoins() {
    return self().m_pendingCoins;
}

const char* CCredit::getCreditText() {
    return self().m_creditText;
}

const char* CCredit::getCoinText() {
    return self().m_coinText;
}

void CCredit::convert() {
    const int32_t perBlock = std::max<int32_t>(m_coinsPerBlock, 1);
    const int32_t blocks = m_pendingCoins / perBlock;
    m_pendingCoins %= perBlock;
    m_credits += m_creditsPerBlock * blocks;
}

void CCredit::refreshTexts() {
    std::snprintf(m_creditText, TEXT_SIZE, "%d", std::clamp(m_credits, 0, SHOWN_CREDITS_MAX));
    std::snprintf(m_coinText, TEXT_SIZE, "%d'%d", m_pendingCoins,
                  m_freePlay != 0 ? 0 : static_cast<int32_t>(m_coinsPerBlock));
}

void CCredit::update() {
    const int32_t status = CGameWork::getInstance().getOfflineWord();
    if (status != m_shownStatus) {
        m_shownStatus = status;
    }
    m_coinsThisFrame = 0;
    m_coinsRead = 0;
    const int32_t stock = static_cast<int32_t>(ZqMarlox4::getCoinStock(0));
    if (m_coinAccept == 1) {
        if (isPlayerButtonOn(0, CInputManager::BUTTON_SERVICE)) {
            // A service coin: counted and converted, never booked.
            m_coinsThisFrame += 1;
            m_pendingCoins += 1;
            convert();
            playSeInGroup(ADD_COIN_SOUND, CSoundManager::GROUP_COMMON, 0);
            m_refresh = -1;
        }
        if (stock > 0) {
            takeStock(static_cast<uint32_t>(stock));
            m_coinsThisFrame = stock;
            m_pendingCoins += stock;
            convert();
            playSeInGroup(ADD_COIN_SOUND, CSoundManager::GROUP_COMMON, 0);
            const CGameSettings* const settings = CGameSettings::getInstance();
            const bool booking =
                settings != nullptr && settings->getValue(BOOKKEEPING_SETTING) != 0;
            if (booking && CSequenceManager::getInstance()->getCurrentSequence() !=
                               chapterNumber(ChapterId::OPERATOR_MENU)) {
                bookkeepingAddCoin(stock);
            }
            m_refresh = -1;
        }
    }
    if (m_refresh != 0) {
        m_refresh = 0;
        refreshTexts();
    }
}

uint32_t CCredit::main1(float) {
    update();
    addDrawTask(DRAW_PRIORITY, 0.0f);
    return 0;
}

bool CCredit::createDisplay() {
    if (m_pTexture == nullptr) {
        m_pTexture = ZqGlTexture::create(CREDIT_TEXTURE, CREDIT_TEXTURE, 1);
    }
    return m_pTexture != nullptr;
}

void CCredit::releaseDisplay() {
    if (m_pTexture != nullptr) {
        m_pTexture->release();
        m_pTexture = nullptr;
    }
}

// One texture cell of the line's height, its left edge at x.
void CCredit::drawCell(const uint32_t u, const uint32_t v, const uint32_t width,
                       const float x) const {
    if (width == 0) {
        return;
    }
    const float iw = m_pTexture->getWidthReciprocal();
    const float ih = m_pTexture->getHeightReciprocal();
    const float u0 = static_cast<float>(u) * iw;
    const float u1 = static_cast<float>(u + width) * iw;
    const float v0 = static_cast<float>(v) * ih;
    const float v1 = static_cast<float>(v + LINE_HEIGHT) * ih;
    const float x1 = x + static_cast<float>(width);
    const float y1 = LINE_Y + static_cast<float>(LINE_HEIGHT);
    const GameVertex quad[4] = {
        {x, LINE_Y, 0.0f, 1.0f, 0xFFFFFFFFu, u0, v0},
        {x1, LINE_Y, 0.0f, 1.0f, 0xFFFFFFFFu, u1, v0},
        {x, y1, 0.0f, 1.0f, 0xFFFFFFFFu, u0, v1},
        {x1, y1, 0.0f, 1.0f, 0xFFFFFFFFu, u1, v1},
    };
    drawSpriteQuad(quad);
}

void CCredit::drawText(const char* const text, float x) const {
    for (const char* p = text; *p != 0; ++p) {
        const int32_t glyph = glyphOf(*p);
        if (glyph < 0) {
            continue;
        }
        uint32_t u = 0;
        for (int32_t g = 0; g < glyph; ++g) {
            u += GLYPH_WIDTHS[g];
        }
        drawCell(u, GLYPH_ROW, GLYPH_WIDTHS[glyph], x);
        x += static_cast<float>(GLYPH_WIDTHS[glyph]);
    }
}

void CCredit::draw(float) {
    ZqGlShader* const shader = ZqGlShader::getDefaultShader();
    if (m_displayShown != 1 || m_pTexture == nullptr || shader == nullptr) {
        return;
    }
    setSpriteRenderState(VERTEX_KIND_SCREEN, 0, false, m_pTexture);
    const unsigned int passes = shader->beginTechnique();
    for (unsigned int pass = 0; pass < passes; ++pass) {
        if (shader->beginPass(pass)) {
            drawLine();
            shader->endPass();
        }
    }
    shader->endTechnique();
}

void CCredit::drawLine() const {
    // Three labels lie above the digit strip; another status shows the last of them.
    const uint32_t labelRow =
        LABEL_ROW + LINE_HEIGHT * static_cast<uint32_t>(std::clamp(m_shownStatus, 0, 2));
    drawCell(0, labelRow, LABEL_WIDTH, LABEL_CENTRE_X - LABEL_WIDTH / 2.0f);
    if (m_freePlay == 0) {
        drawText(m_creditText, CREDITS_TEXT_X);
        drawText(m_coinText, COINS_TEXT_X);
        drawCell(0, 0, CAPTION_WIDTH, CREDITS_CAPTION_X);
        drawCell(0, LINE_HEIGHT, CAPTION_WIDTH, COINS_CAPTION_X);
    } else {
        drawCell(0, FREE_PLAY_ROW, LABEL_WIDTH, FREE_PLAY_CENTRE_X - LABEL_WIDTH / 2.0f);
    }
}
