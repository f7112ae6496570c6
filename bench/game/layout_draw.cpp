// Updating and drawing a heads-up layout per frame (16 elements, each a layer of twelve cells
// and a nested layer, keys on every track: 208 quads through the layout queues and the layout
// task's flush) against drawing the same number of quads of the same texture through the
// framework's sprite batch, in one run on one device (headless, 640 x 480), inside a frame's
// drawing. Repeated and interleaved; CPU time; the program prints the ratio of the medians
// against the goal of 2.
#include "dorvanex/dld/CDldElementList.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldLayer.h"
#include "dorvanex/dld/CDldTask.h"
#include "tools/dld/DldWriter.h"
#include "zq/gl/ZqGlSprite.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/platform/os/os.h"
#include "zq/system/ZqSystem.h"
#include "zq/task/ZqTask.h"

#include "bench/support/MedianReport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr uint32_t NR_ELEMENTS = 16;
constexpr uint32_t CELLS_PER_LAYER = 12;
constexpr uint32_t NR_QUADS = NR_ELEMENTS * (CELLS_PER_LAYER + 1);
constexpr double GOAL = 2.0;

std::vector<uint8_t> hudLayout() {
    dldw::Layout l;
    l.textures = 1;
    for (uint16_t i = 0; i < 8; ++i) {
        l.cells.push_back({0, static_cast<uint16_t>(i * 8), 0, 8, 16});
    }
    auto keys = [&](const uint32_t kind, const std::vector<dldw::Key>& k) {
        l.keyTracks.push_back({kind, k});
        return static_cast<int32_t>(l.keyTracks.size() - 1);
    };
    dldw::Layer panel;
    panel.width = 200;
    panel.height = 40;
    panel.frames = 120;
    const int32_t scale = keys(dldfmt::KEY_SCALE, {{0, 100, 100}, {60, 120, 120}, {120, 100, 100}});
    const int32_t rot = keys(dldfmt::KEY_ROTATION, {{0, 0}, {120, 10}});
    const int32_t alpha = keys(dldfmt::KEY_ALPHA, {{0, 128}, {30, 255}});
    const int32_t pivot = keys(dldfmt::KEY_PIVOT, {{0, 4, 8}});
    for (int32_t i = 0; i < static_cast<int32_t>(CELLS_PER_LAYER); ++i) {
        dldw::Track t;
        t.index = static_cast<uint16_t>(i % 8);
        t.end = 120;
        t.keys[0] = keys(dldfmt::KEY_POSITION, {{0, i * 10, 0}, {120, i * 10 + 5, 4}});
        t.keys[1] = scale;
        t.keys[2] = rot;
        t.keys[3] = alpha;
        t.keys[4] = pivot;
        panel.tracks.push_back(t);
    }
    dldw::Track nested;
    nested.nested = true;
    nested.index = 1;
    nested.end = 120;
    nested.keys[0] = keys(dldfmt::KEY_POSITION, {{0, 150, 10}, {120, 160, 10}});
    nested.keys[1] = scale;
    nested.keys[2] = rot;
    nested.keys[3] = alpha;
    nested.keys[4] = pivot;
    panel.tracks.push_back(nested);
    dldw::Layer badge;
    badge.frames = 60;
    dldw::Track cell;
    cell.end = 60;
    cell.keys[0] = keys(dldfmt::KEY_POSITION, {{0, 0, 0}, {60, 0, 8}});
    cell.keys[1] = scale;
    cell.keys[2] = rot;
    cell.keys[3] = alpha;
    cell.keys[4] = pivot;
    badge.tracks.push_back(cell);
    l.layers = {panel, badge};
    std::vector<uint8_t> image;
    dldw::build(l, image);
    return image;
}

struct Scene {
    ZqGlTexture* texture = nullptr;
    CDldFile* file = nullptr;
    CDldElementList* list = nullptr;
    CDldTask task;
    std::vector<ZqGlSprite*> sprites;
};
Scene* gScene = nullptr;

void BM_Layout(benchmark::State& state) {
    Scene& s = *gScene;
    for (auto _ : state) {
        s.list->updateAll(16.7f);
        s.list->drawAll();
        CDldTask::flushQueues();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * NR_QUADS);
}

void BM_SpriteBatch(benchmark::State& state) {
    Scene& s = *gScene;
    for (auto _ : state) {
        ZqGlSprite::begin();
        for (uint32_t i = 0; i < s.sprites.size(); ++i) {
            s.sprites[i]->draw(static_cast<float>(i % 13 * 10), static_cast<float>(i / 13 * 30),
                               0.0f);
        }
        ZqGlSprite::end();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * NR_QUADS);
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
        scene.texture = ZqGlTexture::createDynamic(64, 16);
        const std::vector<uint8_t> image = hudLayout();
        scene.file = CDldFile::create(image.data(), image.size());
        scene.file->addTexture(scene.texture);
        scene.task.init();
        CDldElementList::create(NR_ELEMENTS, &scene.list);
        for (uint32_t i = 0; i < NR_ELEMENTS; ++i) {
            CDldLayer* const layer = scene.list->addLayer(scene.file, 0, 3 + i % 4)->getLayer();
            layer->getTransform().setPosition(static_cast<float>(i % 2 * 300),
                                              static_cast<float>(i / 2 * 50));
            layer->play(CDldLayer::END_LOOP);
        }
        for (uint32_t i = 0; i < NR_QUADS; ++i) {
            scene.sprites.push_back(
                ZqGlSprite::create(scene.texture, static_cast<uint16_t>(i % 8 * 8), 0, 8, 16));
        }
        zqbench::MedianReporter reporter(false);
        ok = zqbench::runRepeated(argc, argv, reporter);
        const double ours = reporter.time("BM_Layout");
        const double peer = reporter.time("BM_SpriteBatch");
        std::printf("\nlayout update and draw %.1f us, sprite batch %.1f us per frame of %u "
                    "quads\n",
                    ours, peer, NR_QUADS);
        zqbench::printFigure("layout / sprite batch", peer > 0 ? ours / peer : 0,
                             zqbench::Goal::AT_MOST, GOAL);
        for (ZqGlSprite* sprite : scene.sprites) {
            sprite->release();
        }
        dldRelease(scene.list);
        dldRelease(scene.file);
        scene.task.quit();
        scene.texture->release();
        gScene = nullptr;
    }

private:
    bool m_done = false;
};

BENCHMARK(BM_Layout)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpriteBatch)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    BenchRoot root;
    root.argc = argc;
    root.argv = argv;
    const std::string name = "dorvanexbenchlayout" + std::to_string(zqp::currentThreadId());
    const std::u16string wide(name.begin(), name.end());
    ZqSystem::go(nullptr, 0xCA0000u, nullptr, 640, 480, u"bench", false, &root, wide.c_str());
    return root.ok ? 0 : 1;
}
