// A battle-mode 100 m heads-up panel (two player panels, both gauges moving every frame, both
// ticket rows, a ticket move), six result scores and two digit displays, updated and drawn
// each frame from the generated data set's layouts and textures, against drawing the same
// number of quads of the same textures through the framework's sprite batch, in one run on
// one device (headless, 640 x 480), inside a frame's drawing. Repeated and interleaved; CPU
// time; the program prints the ratio of the medians against the goal of 2.
#include "dorvanex/core/play/CGameWork.h"
#include "dorvanex/dld/CDldDraw.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldTask.h"
#include "dorvanex/event/CEventHud.h"
#include "dorvanex/event/CResultScore.h"
#include "dorvanex/scene/CResourceManifest.h"
#include "tools/dataset/DataSetHud.h"
#include "zq/gl/ZqGlSprite.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/platform/os/os.h"
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"

#include "bench/support/MedianReport.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double GOAL = 2.0;
constexpr float FRAME_MS = 1000.0f / 60.0f;

// A generated layout with its textures (the rows after it) made on the device.
struct LoadedLayout {
    CDldFile* file = nullptr;
    std::vector<ZqGlTexture*> textures;

    LoadedLayout(const uint32_t row, const uint32_t nrTextures) {
        const std::vector<uint8_t> image = zqds::makeHudMember(row);
        file = CDldFile::create(image.data(), image.size());
        for (uint32_t t = 1; t <= nrTextures; ++t) {
            const std::vector<uint8_t> png = zqds::makeHudMember(row + t);
            ZqGlTexture* const texture = ZqGlTexture::create(
                getResourceEntry(row + t).name, png.data(), static_cast<uint32_t>(png.size()), 1);
            textures.push_back(texture);
            file->addTexture(texture);
        }
    }
    ~LoadedLayout() {
        dldRelease(file);
        for (ZqGlTexture* const t : textures) {
            t->release();
        }
    }
};

struct Scene {
    std::unique_ptr<LoadedLayout> results;
    std::unique_ptr<LoadedLayout> panel;
    ZqGlTexture* digits = nullptr;
    std::unique_ptr<CEventHud> hud;
    CResultScore scores[6];
    CScoreBase displays[2];
    CDldTask task;
    std::vector<ZqGlSprite*> sprites;
    uint32_t quads = 0;
    uint32_t frame = 0;
};
Scene* gScene = nullptr;

void restartMove(Scene& s) {
    CGameWork::getInstance().resetTickets();
    s.hud->setVisible(true);
    s.hud->startTicketMove(true);
}

// One frame of the panel and the scores; the queued quads stay for the caller.
void updateAndQueue(Scene& s) {
    const float phase = static_cast<float>(s.frame++) * 0.05f;
    s.hud->setGauge(0.5f + 0.5f * std::sin(phase), 0);
    s.hud->setGauge(0.5f + 0.5f * std::cos(phase), 1);
    if (s.hud->isTicketMoveDone()) {
        restartMove(s);
    }
    s.hud->update(FRAME_MS);
    s.hud->draw();
    for (CResultScore& score : s.scores) {
        score.draw();
    }
    for (CScoreBase& display : s.displays) {
        display.draw();
    }
}

void BM_Hud(benchmark::State& state) {
    Scene& s = *gScene;
    for (auto _ : state) {
        updateAndQueue(s);
        CDldTask::flushQueues();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * s.quads);
}

void BM_SpriteBatch(benchmark::State& state) {
    Scene& s = *gScene;
    for (auto _ : state) {
        ZqGlSprite::begin();
        for (uint32_t i = 0; i < s.sprites.size(); ++i) {
            s.sprites[i]->draw(static_cast<float>(i % 16 * 40), static_cast<float>(i / 16 * 30),
                               0.0f);
        }
        ZqGlSprite::end();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * s.quads);
}

void buildScene(Scene& s) {
    CGameWork& work = CGameWork::getInstance();
    work.setDemo(true);
    work.setMode(1);
    work.setTicketsPerCredit(5);
    work.resetTickets();
    s.results = std::make_unique<LoadedLayout>(42, 2);
    s.panel = std::make_unique<LoadedLayout>(50, 3);
    const std::vector<uint8_t> png = zqds::makeHudMember(163);
    s.digits = ZqGlTexture::create(getResourceEntry(163).name, png.data(),
                                   static_cast<uint32_t>(png.size()), 1);
    s.hud = std::make_unique<CEventHud>(0);
    s.hud->load();
    s.hud->create(s.panel->file);
    s.hud->setPlayerValue(1, 0);
    s.hud->setPlayerValue(6, 1);
    while (!s.hud->isIntroDone()) {
        s.hud->update(FRAME_MS);
    }
    restartMove(s);
    const uint32_t events[6] = {0, 2, 3, 4, 6, 7};
    const float values[6] = {9.58f, 8.12f, 82.56f, 7.0f, 5.5f, 210.0f};
    for (uint32_t i = 0; i < 6; ++i) {
        s.scores[i].createFromLayout(events[i], s.results->file);
        s.scores[i].setValue(values[i]);
        s.scores[i].setPosition(200.0f, 100.0f + 40.0f * static_cast<float>(i));
    }
    for (uint32_t i = 0; i < 2; ++i) {
        s.displays[i].create(s.digits, 6, nullptr, i == 1);
        s.displays[i].setValue(10.83f + static_cast<float>(i), false);
        s.displays[i].setPosition(420.0f, 100.0f + 40.0f * static_cast<float>(i));
    }
    // The peer draws what one frame queues: as many quads, over the same textures and
    // rectangles' sizes, in the same proportions.
    updateAndQueue(s);
    std::vector<ZqGlTexture*> owned = {s.digits};
    for (const LoadedLayout* l : {s.results.get(), s.panel.get()}) {
        owned.insert(owned.end(), l->textures.begin(), l->textures.end());
    }
    for (uint32_t p = 0; p < CDldQueues::NR_QUEUES; ++p) {
        for (uint32_t i = 0; i < CDldQueues::getCount(p); ++i) {
            const CDldQuadSlot& slot = CDldQueues::getSlot(p, i);
            const uint16_t w =
                static_cast<uint16_t>(std::fabs(slot.vertices[1].x - slot.vertices[0].x) + 1.0f);
            const uint16_t h =
                static_cast<uint16_t>(std::fabs(slot.vertices[2].y - slot.vertices[1].y) + 1.0f);
            for (ZqGlTexture* const t : owned) {
                if (t == slot.texture) {
                    s.sprites.push_back(ZqGlSprite::create(t, 0, 0, w, h));
                }
            }
            ++s.quads;
        }
    }
    CDldQueues::clearAll();
}

class BenchRoot : public ZqTask {
public:
    int argc = 0;
    char** argv = nullptr;
    bool ok = false;
    uint32_t main1(float) override {
        addDrawTask(0, 0.0f);
        return 0;
    }
    void draw(float) override {
        if (m_done) {
            ZqSystem::quit();
            return;
        }
        m_done = true;
        Scene scene;
        gScene = &scene;
        scene.task.init();
        buildScene(scene);
        zqbench::MedianReporter reporter(false);
        ok = zqbench::runRepeated(argc, argv, reporter);
        const double ours = reporter.time("BM_Hud");
        const double peer = reporter.time("BM_SpriteBatch");
        if (ours > 0.0 && peer > 0.0) {
            const double ratio = ours / peer;
            std::printf("panel and scores update and draw %.1f us, sprite batch %.1f us per "
                        "frame of %u quads: ratio %.2f, goal <= %.1f: %s\n",
                        ours, peer, scene.quads, ratio, GOAL, ratio <= GOAL ? "met" : "missed");
        }
        for (ZqGlSprite* sprite : scene.sprites) {
            sprite->release();
        }
        for (CResultScore& score : scene.scores) {
            score.release();
        }
        for (CScoreBase& display : scene.displays) {
            display.release();
        }
        scene.hud.reset();
        scene.results.reset();
        scene.panel.reset();
        scene.digits->release();
        scene.task.quit();
        gScene = nullptr;
    }

private:
    bool m_done = false;
};

BENCHMARK(BM_Hud)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpriteBatch)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    BenchRoot root;
    root.argc = argc;
    root.argv = argv;
    const std::string name = "dorvanexbenchhud" + std::to_string(zqp::currentThreadId());
    const std::u16string wide(name.begin(), name.end());
    ZqSystem::go(nullptr, 0xCA0000u, nullptr, 640, 480, u"bench", false, &root, wide.c_str());
    return root.ok ? 0 : 1;
}
