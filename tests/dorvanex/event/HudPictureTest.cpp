// The score displays, the record board, the event panel and the offline banner drawn
// headless through the layout task from the generated data set's bank-0 resources, against
// golden pictures; every text they show is read back out of the picture with the data set's
// own font and must be exactly the text that was set, as must the captions of the shared
// banners. Then, with the layouts gone from the bank, nothing is drawn and nothing waits for
// ever.
#include "TextReader.h"

#include "dorvanex/core/play/CGameWork.h"
#include "dorvanex/dld/CDldElementList.h"
#include "dorvanex/dld/CDldFrame.h"
#include "dorvanex/dld/CDldLayer.h"
#include "dorvanex/dld/CDldTask.h"
#include "dorvanex/event/CEventHud.h"
#include "dorvanex/event/COfflineNotice.h"
#include "dorvanex/event/CRankBoard.h"
#include "dorvanex/event/CResultScore.h"
#include "dorvanex/scene/CResourceManager.h"
#include "tests/support/FileTestSupport.h"
#include "tests/support/GoldenImage.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "tools/dataset/DataSetBuilder.h"
#include "tools/dataset/DataSetHud.h"
#include "tools/dataset/DataSetText.h"
#include "zq/gl/ZqGlSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace {

using zqtest::Image;
using zqtest::readText;
using zqtest::TextArea;

constexpr uint16_t SCREEN_W = 640;
constexpr uint16_t SCREEN_H = 480;
constexpr float FRAME_MS = 1000.0f / 60.0f;
constexpr uint32_t TICKET_RGB = 0xF0C020;

void setPlay(const int32_t mode, const int32_t tickets) {
    CGameWork& work = CGameWork::getInstance();
    work.setDemo(true);
    work.setMode(mode);
    work.setTicketsPerCredit(tickets);
    work.resetTickets();
}

// Loads the rows into the resident bank; false when the bank does not complete in time.
bool loadBank(const std::initializer_list<CResourceManager::Pair> rows) {
    std::vector<CResourceManager::Pair> list(rows);
    list.push_back({0, 0});
    CResourceManager* const manager = CResourceManager::getInstance();
    manager->requestList(list.data(), CResourceManager::BANK_RESIDENT);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < until) {
        if (manager->loadStep(CResourceManager::BANK_RESIDENT)) {
            return manager->getFailed(CResourceManager::BANK_RESIDENT).empty();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return false;
}

class Camera {
public:
    Camera() { m_task.init(); }
    ~Camera() { m_task.quit(); }
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;
    Image shoot(const std::function<void()>& draw) {
        ZqGlSystem::clear(1 | 2 | 4, 0xFF000000u, 1.0f, 0);
        draw();
        m_task.draw(0.0f);
        return zqtest::readRenderTarget(*ZqGlSystem::getD3dDevice());
    }

private:
    CDldTask m_task;
};

uint32_t countLit(const Image& image) {
    uint32_t n = 0;
    for (const uint32_t p : image.pixels) {
        n += (p & 0xFFFFFFu) != 0 ? 1 : 0;
    }
    return n;
}

// Whether a ticket's top left corner is at (x, y): its light rim three pixels in.
bool isTicketAt(const Image& image, const int32_t x, const int32_t y) {
    return (image.at(static_cast<uint32_t>(x + 3), static_cast<uint32_t>(y + 3)) & 0xFFFFFFu) ==
           TICKET_RGB;
}

void checkDigitStrips(Camera& camera) {
    ZqGlTexture* const digits = CResourceManager::getInstance()->getTexture(163, 0);
    ASSERT_NE(digits, nullptr);
    CScoreBase lines[4];
    for (uint32_t i = 0; i < 4; ++i) {
        ASSERT_TRUE(lines[i].create(digits, 10, nullptr, i >= 2));
        lines[i].setPosition(10.0f, 10.0f + 40.0f * static_cast<float>(i));
    }
    lines[0].setText("0123456789");
    lines[1].setText("1'2.3-4 5"); // the alternate point at construction
    lines[2].setText("0123456789");
    lines[3].setValue(5.2f, false); // the plain point
    const Image shot = camera.shoot([&] {
        for (CScoreBase& s : lines) {
            s.draw();
        }
    });
    EXPECT_TRUE(zqtest::matchesGolden(shot, "dorvanex/event_digit_strips.png"));
    const char* const expected[4] = {"0123456789", "1'2.3-4 5", "0123456789", "05.20"};
    for (uint32_t i = 0; i < 4; ++i) {
        const TextArea area{10, static_cast<int32_t>(10 + 40 * i), 300, 32};
        EXPECT_EQ(readText(shot, area, zqds::DIGIT_TEXTURE_SCALE,
                           i >= 2 ? zqds::AMBER_RGB : zqds::WHITE_RGB),
                  expected[i])
            << i;
    }
}

void checkResultScores(Camera& camera) {
    struct Row {
        uint32_t event;
        float value;
        const char* text;
        const char* unit;
    };
    const Row rows[3] = {
        {0, 9.58f, "9.58", "SEC"}, {3, 82.56f, "82.56", "M"}, {7, 210.0f, "210", "KG"}};
    CResultScore plain[3];
    CResultScore small[3];
    for (uint32_t i = 0; i < 3; ++i) {
        const float y = 10.0f + 50.0f * static_cast<float>(i);
        ASSERT_TRUE(plain[i].createFromLayout(rows[i].event));
        ASSERT_TRUE(small[i].createFromLayout(rows[i].event));
        plain[i].setValue(rows[i].value);
        small[i].setValue(rows[i].value);
        plain[i].setPosition(10.0f, y);
        small[i].setPosition(330.0f, y);
        small[i].setScale(0.72f, 0.72f);
    }
    const Image shot = camera.shoot([&] {
        for (uint32_t i = 0; i < 3; ++i) {
            plain[i].draw();
            small[i].draw();
        }
    });
    EXPECT_TRUE(zqtest::matchesGolden(shot, "dorvanex/event_result_scores.png"));
    for (uint32_t i = 0; i < 3; ++i) {
        const int32_t y = static_cast<int32_t>(10 + 50 * i);
        const int32_t width = static_cast<int32_t>(plain[i].getWidth());
        EXPECT_EQ(readText(shot, {10, y, width, 36}, zqds::RESULT_GLYPH_SCALE, zqds::WHITE_RGB),
                  rows[i].text);
        EXPECT_EQ(readText(shot, {10 + width, y, 56, 28}, zqds::LABEL_SCALE, zqds::LABEL_RGB),
                  rows[i].unit);
    }
}

// Layout 42's shared sheets: the portraits (three across, each nation's code) and the rank
// strip ("1st" twice, then "2nd" to "4th").
void checkSharedSheets(Camera& camera) {
    CDldFile* const layout = CResourceManager::getInstance()->getLayout(42, 0);
    ASSERT_NE(layout, nullptr);
    CDldElementList* list = nullptr;
    ASSERT_TRUE(CDldElementList::create(2, &list));
    CDldFrame* const portraits = list->addCell(layout, 52, 16)->getFrame();
    CDldFrame* const ranks = list->addCell(layout, 55, 16)->getFrame();
    portraits->getTransform().setPosition(10.0f, 10.0f);
    ranks->getTransform().setPosition(200.0f, 10.0f);
    portraits->show();
    ranks->show();
    const Image shot = camera.shoot([&] { list->drawAll(); });
    for (uint32_t ch = 0; ch < zqds::NR_CHARACTERS; ++ch) {
        const zqds::Nation& n = zqds::getNation(ch);
        const TextArea area{static_cast<int32_t>(10 + ch % 3 * 48),
                            static_cast<int32_t>(10 + ch / 3 * 48), 48, 48};
        EXPECT_EQ(readText(shot, area, zqds::LABEL_SCALE, n.text), n.code) << ch;
    }
    const char* const ranksText[5] = {"1st", "1st", "2nd", "3rd", "4th"};
    for (int32_t r = 0; r < 5; ++r) {
        EXPECT_EQ(readText(shot, {200 + 48 * r, 10, 48, 24}, zqds::LABEL_SCALE,
                           r == 0 ? 0xFFD700 : zqds::WHITE_RGB),
                  ranksText[r])
            << r;
    }
    dldRelease(list);
}

void checkBoard(Camera& camera) {
    const CRankRecord records[4] = {{0, 1, 8.12f}, {4, 3, 7.95f}, {4, 5, 7.80f}, {4, 10, 0.0f}};
    CRankBoard board(2, 60000.0f, nullptr, 0);
    board.setRecords(records, 4);
    ASSERT_TRUE(board.createElementList());
    board.start(true);
    board.show();
    for (int32_t i = 0; i < 40; ++i) {
        board.update(FRAME_MS, 0);
    }
    ASSERT_EQ(board.getState(), CRankBoard::State::Hold);
    const Image shot = camera.shoot([&] { board.draw(); });
    EXPECT_TRUE(board.areRowsPlaced());
    EXPECT_TRUE(zqtest::matchesGolden(shot, "dorvanex/event_board_hold.png"));
    EXPECT_EQ(readText(shot, {100, 40, 200, 24}, 3, 0xFFE040), "STANDINGS");
    const char* const values[4] = {"08.12", "07.95", "07.80", "--.--"};
    const char* const badges[4] = {"1P", "COM", "COM", "COM"};
    for (int32_t r = 0; r < 4; ++r) {
        SCOPED_TRACE(r);
        const int32_t y = 80 + 56 * r;
        EXPECT_EQ(readText(shot, {206, y + 9, 110, 30}, zqds::BOARD_GLYPH_SCALE, zqds::WHITE_RGB),
                  values[r]);
        EXPECT_EQ(readText(shot, {152, y + 12, 48, 24}, zqds::LABEL_SCALE, zqds::WHITE_RGB),
                  badges[r]);
        if (records[r].secondId < 10) {
            const zqds::Nation& n = zqds::getNation(static_cast<uint32_t>(records[r].secondId));
            EXPECT_EQ(readText(shot, {100, y, 48, 48}, zqds::LABEL_SCALE, n.text), n.code);
        }
    }
}

// A panel after its intro, shown with its best record.
void startPanel(CEventHud& hud, const int32_t character) {
    ASSERT_TRUE(hud.load());
    ASSERT_TRUE(hud.create());
    hud.setPlayerValue(character, 0);
    hud.setPlayerValue((character + 4) % 10, 1);
    for (int32_t i = 0; i < 60 && !hud.isIntroDone(); ++i) {
        hud.update(FRAME_MS);
    }
    ASSERT_TRUE(hud.isIntroDone());
    hud.setVisible(true);
    hud.setExtraVisible(true);
}

// A frame drawn (the gauges report their ends, which the followers take) and updated.
void settle(Camera& camera, CEventHud& hud) {
    camera.shoot([&] { hud.draw(); });
    hud.update(FRAME_MS);
}

void expectPlate(const Image& shot, const int32_t x, const int32_t y, const uint32_t character) {
    const zqds::Nation& n = zqds::getNation(character);
    EXPECT_EQ(readText(shot, {x + 8, y + 8, 48, 24}, zqds::LABEL_SCALE, n.text), n.code);
}

void checkSinglePanel(Camera& camera) {
    setPlay(0, 3);
    CEventHud hud(0);
    startPanel(hud, 1);
    hud.setGauge(0.5f, 0);
    EXPECT_EQ(hud.getGaugeFrame(0), 49);
    settle(camera, hud);
    const Image half = camera.shoot([&] { hud.draw(); });
    EXPECT_TRUE(zqtest::matchesGolden(half, "dorvanex/event_panel_single.png"));
    expectPlate(half, 16, 16, 1);
    EXPECT_EQ(readText(half, {240, 22, 64, 20}, zqds::LABEL_SCALE, zqds::BEST_LABEL_RGB), "BEST");
    EXPECT_EQ(readText(half, {310, 16, 130, 32}, zqds::DIGIT_TEXTURE_SCALE, zqds::AMBER_RGB),
              "10.83");
    for (int32_t k = 1; k <= 5; ++k) {
        EXPECT_EQ(isTicketAt(half, 440 + 36 * (k - 1), 16), k <= 3) << k;
    }
    EXPECT_EQ(readText(half, {112, 16, 40, 18}, zqds::LABEL_SCALE, 0xFF4040), "");

    hud.setGauge(0.91f, 0);
    settle(camera, hud);
    const Image full = camera.shoot([&] { hud.draw(); });
    EXPECT_TRUE(zqtest::matchesGolden(full, "dorvanex/event_panel_single_max.png"));
    EXPECT_EQ(readText(full, {112, 16, 40, 18}, zqds::LABEL_SCALE, 0xFF4040), "MAX");
}

void checkBattlePanel(Camera& camera) {
    setPlay(1, 3);
    CEventHud hud(0);
    startPanel(hud, 2);
    hud.setGauge(0.3f, 0);
    hud.setGauge(0.7f, 1);
    settle(camera, hud);
    const Image shot = camera.shoot([&] { hud.draw(); });
    EXPECT_TRUE(zqtest::matchesGolden(shot, "dorvanex/event_panel_battle.png"));
    expectPlate(shot, 16, 16, 2);
    expectPlate(shot, 16, 360, 6);
    for (const int32_t rowY : {16, 440}) {
        for (int32_t k = 1; k <= 5; ++k) {
            EXPECT_EQ(isTicketAt(shot, 440 + 36 * (k - 1), rowY), k >= 3) << k;
        }
    }
    EXPECT_EQ(readText(shot, {240, 22, 64, 20}, zqds::LABEL_SCALE, zqds::BEST_LABEL_RGB), "")
        << "no best record in battle mode";
    setPlay(0, 3);
}

void checkPanelKinds(Camera& camera) {
    setPlay(0, 3);
    struct Case {
        uint32_t event;
        const char* golden;
        const char* best;
    };
    for (const Case c : {Case{4, "dorvanex/event_panel_boxing.png", "30.00"},
                         Case{7, "dorvanex/event_panel_lifting.png", "210.00"}}) {
        SCOPED_TRACE(c.event);
        CEventHud hud(c.event);
        startPanel(hud, 7);
        hud.update(FRAME_MS);
        const Image shot = camera.shoot([&] { hud.draw(); });
        EXPECT_TRUE(zqtest::matchesGolden(shot, c.golden));
        expectPlate(shot, 16, 16, 7);
        if (c.event == 4) {
            expectPlate(shot, 16, 360, 1); // the rival's panel
        }
        EXPECT_EQ(readText(shot, {310, 16, 130, 32}, zqds::DIGIT_TEXTURE_SCALE, zqds::AMBER_RGB),
                  c.best);
    }
}

void checkTicketMove(Camera& camera) {
    setPlay(0, 3);
    CEventHud hud(0);
    startPanel(hud, 0);
    hud.update(FRAME_MS);
    hud.startTicketMove(true);
    // The icon leaves slot 3 (the third ticket) for the target at (600, 70).
    const Image first = camera.shoot([&] { hud.draw(); });
    EXPECT_TRUE(isTicketAt(first, 440 + 72, 16)) << "the icon over the emptied third slot";
    EXPECT_TRUE(isTicketAt(first, 440 + 36, 16));
    EXPECT_FALSE(isTicketAt(first, 600, 70));
    for (int32_t i = 0; i < 12; ++i) {
        hud.update(FRAME_MS);
    }
    const Image middle = camera.shoot([&] { hud.draw(); });
    EXPECT_TRUE(zqtest::matchesGolden(middle, "dorvanex/event_ticket_move_12.png"));
    for (int32_t i = 12; i < 25; ++i) {
        hud.update(FRAME_MS);
    }
    const Image arrived = camera.shoot([&] { hud.draw(); });
    EXPECT_TRUE(isTicketAt(arrived, 600, 70)) << "at the target after 25 frames";
    int32_t frames = 0;
    while (!hud.isTicketMoveDone() && frames++ < 100) {
        hud.update(FRAME_MS);
    }
    EXPECT_TRUE(hud.isTicketMoveDone());
    const Image after = camera.shoot([&] { hud.draw(); });
    for (int32_t k = 1; k <= 5; ++k) {
        EXPECT_FALSE(isTicketAt(after, 440 + 36 * (k - 1), 16)) << "the row faded out";
    }
    EXPECT_FALSE(isTicketAt(after, 600, 70)) << "the icon is gone";
}

// Every caption of the table reads back from its layer of the shared banner layout 73.
void checkCaptions(Camera& camera) {
    CDldFile* const layout = CResourceManager::getInstance()->getLayout(73, 0);
    ASSERT_NE(layout, nullptr);
    for (const zqds::Caption& c : zqds::getCaptions()) {
        SCOPED_TRACE(c.index);
        ASSERT_EQ(c.layoutRow, 73u);
        CDldElementList* list = nullptr;
        ASSERT_TRUE(CDldElementList::create(1, &list));
        CDldLayer* const layer = list->addLayer(layout, c.index, 16)->getLayer();
        layer->play(CDldLayer::END_STOP);
        const Image shot = camera.shoot([&] { list->drawAll(); });
        EXPECT_EQ(readText(shot, {0, 200, SCREEN_W, 80}, 4, zqds::WHITE_RGB), c.text);
        dldRelease(list);
    }
}

bool g_online = false;

void checkBanner(Camera& camera) {
    COfflineNotice notice([] { return g_online; });
    ASSERT_TRUE(notice.create());
    CGameWork::getInstance().setOfflineWord(1);
    for (int32_t i = 0; i < 40; ++i) {
        notice.update(FRAME_MS);
    }
    ASSERT_EQ(notice.getState(), COfflineNotice::State::Looping);
    const Image shot = camera.shoot([&] { notice.draw(); });
    EXPECT_TRUE(zqtest::matchesGolden(shot, "dorvanex/event_offline_banner.png"));
    EXPECT_EQ(readText(shot, {170, 8, 300, 28}, zqds::LABEL_SCALE, zqds::WHITE_RGB),
              "RANKING SERVER OFFLINE");
    CGameWork::getInstance().setOfflineWord(2);
    EXPECT_EQ(countLit(camera.shoot([&] { notice.draw(); })), 0u) << "network ranking off";
}

void checkWithoutLayouts(Camera& camera) {
    CResourceManager::getInstance()->releaseBank(CResourceManager::BANK_RESIDENT);
    ASSERT_TRUE(loadBank({{163, KIND_TEXTURE}}));
    setPlay(0, 3);
    CEventHud hud(0);
    ASSERT_TRUE(hud.load());
    EXPECT_FALSE(hud.create());
    hud.setVisible(true);
    hud.setExtraVisible(true);
    hud.startTicketMove(true);
    int32_t frames = 0;
    while (!hud.isTicketMoveDone() && frames < 100) {
        hud.update(FRAME_MS);
        ++frames;
    }
    EXPECT_EQ(frames, 26);
    EXPECT_EQ(countLit(camera.shoot([&] { hud.draw(); })), 0u);

    const CRankRecord records[1] = {{0, 1, 8.12f}};
    CRankBoard board(2, 500.0f, records, 1);
    board.setRecords(records, 1);
    ASSERT_TRUE(board.createElementList());
    board.start(true);
    board.show();
    frames = 0;
    while (board.update(FRAME_MS, 0) && frames < 1000) {
        ++frames;
    }
    EXPECT_LT(frames, 40);
    EXPECT_EQ(countLit(camera.shoot([&] { board.draw(); })), 0u);
}

TEST(HudPicture, ScoresBoardPanelAndBannerAreDrawnAndLegible) {
    std::string clash;
    ASSERT_TRUE(zqtest::fontGlyphsAreDistinct(&clash)) << clash;
    ScratchFolder scratch;
    for (const uint32_t archive : {2u, 3u, 20u}) {
        std::string error;
        ASSERT_TRUE(zqds::writeArchive(scratch.root().string(), archive, zqds::Inputs{}, error))
            << error;
    }
    EXPECT_TRUE(zqtest::runOnceInFrame(
        [&] {
            ASSERT_TRUE(loadBank({{42, KIND_LAYOUT},
                                  {50, KIND_LAYOUT},
                                  {58, KIND_LAYOUT},
                                  {60, KIND_LAYOUT},
                                  {73, KIND_LAYOUT},
                                  {163, KIND_TEXTURE}}));
            Camera camera;
            checkDigitStrips(camera);
            checkResultScores(camera);
            checkSharedSheets(camera);
            checkBoard(camera);
            checkSinglePanel(camera);
            checkBattlePanel(camera);
            checkPanelKinds(camera);
            checkTicketMove(camera);
            checkBanner(camera);
            checkCaptions(camera);
            checkWithoutLayouts(camera);
            CResourceManager::deleteInstance();
        },
        SCREEN_W, SCREEN_H));
}

} // namespace
