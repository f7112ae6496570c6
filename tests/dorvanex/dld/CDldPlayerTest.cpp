// The layout player without a device: the layer timer and its end modes, speed, zero-frame
// layers, the display list's order within and across priorities, the quad queues (texture
// coordinates clamped, colour, the half-pixel shift, clipping, 200 slots, priority 64) and
// the file's 32 texture slots.
#include "dorvanex/dld/CDldDraw.h"
#include "dorvanex/dld/CDldElementList.h"
#include "dorvanex/dld/CDldFile.h"
#include "dorvanex/dld/CDldLayer.h"
#include "tests/dorvanex/dld/DldLayouts.h"

#include <gtest/gtest.h>

#include <vector>

using namespace dldtest;

namespace {

// One layer of `frames` frames at 60 per second with one cell.
CDldFile* makeFile(const uint32_t frames, const uint32_t layers = 1) {
    dldw::Layout l;
    l.textures = 1;
    l.cells = {{0, 0, 0, 4, 4}};
    for (uint32_t i = 0; i < layers; ++i) {
        dldw::Layer layer = dldtest::layer(0, 0, 60, frames);
        layer.tracks = {cellTrack(0, 0, 0x7FFF)};
        l.layers.push_back(layer);
    }
    const std::vector<uint8_t> image = build(l);
    return CDldFile::create(image.data(), image.size());
}

struct Played {
    int32_t frame;
    bool ended;
};

// Plays the layer in the end mode with steps of dt ms until total ms have passed.
std::vector<Played> run(CDldLayer& layer, const uint32_t endMode, const float dt, const int steps) {
    layer.play(endMode);
    std::vector<Played> out;
    for (int i = 0; i < steps; ++i) {
        layer.update(dt);
        out.push_back({layer.getTimer().frame, layer.isEnd()});
    }
    return out;
}

} // namespace

TEST(CDldLayer, EndModesAtSixtyFrames) {
    CDldFile* file = makeFile(60);
    CDldLayer* layer = dldCreate<CDldLayer>();
    layer->setFile(file, 0);
    // End mode 1: 983 ms keeps frame 58 + a fraction; just over 983.33 passes frame 59.
    layer->play(CDldLayer::END_STOP);
    layer->update(983.0f);
    EXPECT_EQ(layer->getTimer().frame, 58);
    EXPECT_FALSE(layer->isEnd());
    layer->update(0.5f);
    EXPECT_EQ(layer->getTimer().frame, 59);
    EXPECT_EQ(layer->getTimer().fraction, 0.0f);
    EXPECT_TRUE(layer->isEnd());
    layer->update(1000.0f);
    EXPECT_EQ(layer->getTimer().frame, 59);

    // End mode 0: frames 0..58 then 0 again, never ending; one frame every 1/60 s.
    layer->play(CDldLayer::END_LOOP);
    std::vector<int32_t> frames;
    for (int i = 0; i < 130; ++i) {
        layer->update(1000.0f / 60.0f + 0.001f);
        frames.push_back(layer->getTimer().frame);
        EXPECT_FALSE(layer->isEnd());
    }
    EXPECT_EQ(frames[57], 58);
    EXPECT_EQ(frames[58], 0);
    EXPECT_EQ(*std::max_element(frames.begin(), frames.end()), 58);
    // A huge step wraps at once, by remainder.
    layer->update(1.0e9f);
    EXPECT_GE(layer->getTimer().frame, 0);
    EXPECT_LE(layer->getTimer().frame, 59);

    // End mode 2 ends like 1; the difference is in drawing (hidden).
    layer->play(CDldLayer::END_HIDE);
    layer->update(1000.0f);
    EXPECT_TRUE(layer->isEnd());
    dldRelease(layer);
    dldRelease(file);
}

TEST(CDldLayer, SpeedHalvesOrHolds) {
    CDldFile* file = makeFile(60);
    CDldLayer* layer = dldCreate<CDldLayer>();
    layer->setFile(file, 0);
    layer->setSpeed(0.5f);
    const std::vector<Played> half = run(*layer, CDldLayer::END_STOP, 100.0f, 20);
    EXPECT_FALSE(half[18].ended); // 1900 ms: frame 57
    EXPECT_TRUE(half[19].ended);  // 2000 ms
    layer->setSpeed(0.0f);
    const std::vector<Played> held = run(*layer, CDldLayer::END_STOP, 100.0f, 50);
    EXPECT_EQ(held.back().frame, 0);
    EXPECT_FALSE(held.back().ended);
    dldRelease(layer);
    dldRelease(file);
}

TEST(CDldLayer, ZeroAndOneFrameLayersNeverHang) {
    CDldFile* file = makeFile(0);
    CDldLayer* layer = dldCreate<CDldLayer>();
    layer->setFile(file, 0);
    layer->play(CDldLayer::END_LOOP);
    EXPECT_TRUE(layer->isEnd());
    dldRelease(layer);
    dldRelease(file);

    file = makeFile(1);
    layer = dldCreate<CDldLayer>();
    layer->setFile(file, 0);
    const std::vector<Played> one = run(*layer, CDldLayer::END_LOOP, 500.0f, 4);
    EXPECT_EQ(one.back().frame, 0);
    EXPECT_FALSE(one.back().ended);
    // A bad index or no file at all plays as an empty layer.
    layer->setFile(nullptr, 0);
    layer->play(CDldLayer::END_STOP);
    EXPECT_TRUE(layer->isEnd());
    layer->draw();
    dldRelease(layer);
    dldRelease(file);
}

namespace {

struct Drawn {
    uint32_t priority;
    uint32_t tag;
};
std::vector<Drawn> gDrawn;

void recordCell(const CDldCellInfo&, void* const user) {
    gDrawn.push_back(
        {dldGetCurrentPriority(), static_cast<uint32_t>(reinterpret_cast<uintptr_t>(user))});
}

} // namespace

TEST(CDldElementList, DrawOrderWithinAndAcrossPriorities) {
    CDldFile* file = makeFile(10);
    CDldElementList* list = nullptr;
    ASSERT_TRUE(CDldElementList::create(4, &list));
    const uint32_t priorities[4] = {7, 3, 7, 64};
    for (uint32_t i = 0; i < 4; ++i) {
        CDldElement* const e = list->addLayer(file, 0, priorities[i]);
        ASSERT_NE(e, nullptr);
        e->getLayer()->setUserCallback(recordCell, reinterpret_cast<void*>(uintptr_t{i}));
        e->getLayer()->play(CDldLayer::END_LOOP);
    }
    EXPECT_EQ(list->addLayer(file, 0, 1), nullptr) << "pool of four";
    gDrawn.clear();
    list->drawAll();
    ASSERT_EQ(gDrawn.size(), 4u);
    // Priority 3 first, then 7 with the element added last first, then 64.
    EXPECT_EQ(gDrawn[0].tag, 1u);
    EXPECT_EQ(gDrawn[1].tag, 2u);
    EXPECT_EQ(gDrawn[2].tag, 0u);
    EXPECT_EQ(gDrawn[3].tag, 3u);
    EXPECT_EQ(gDrawn[1].priority, 7u);
    EXPECT_EQ(dldGetCurrentPriority(), CDldQueues::IDLE_PRIORITY);
    // Counting down; a disabled draw is skipped.
    gDrawn.clear();
    list->draw(64, 0);
    EXPECT_EQ(gDrawn.front().tag, 3u);
    EXPECT_EQ(gDrawn.back().tag, 1u);
    dldRelease(list);
    // The list held the only other references: the file is down to ours.
    EXPECT_EQ(file->getRefCount(), 1);
    dldRelease(file);
}

TEST(CDldQueues, QuadMakingClampsShiftsAndClips) {
    const float texel[4][2] = {{0, 0}, {40, 0}, {40, 20}, {0, 20}};
    const float corner[4][2] = {{10, 10}, {50, 10}, {50, 30}, {10, 30}};
    CDldRenderInfo info;
    info.red = 0.5f;
    info.alpha = 0.25f;
    CDldVertex v[CDldQueues::MAX_POINTS];
    ASSERT_EQ(dldMakePolygon(32.0f, 16.0f, texel, corner, info, nullptr, v), 4u);
    EXPECT_FLOAT_EQ(v[0].x, 9.5f);
    EXPECT_FLOAT_EQ(v[0].y, 9.5f);
    EXPECT_FLOAT_EQ(v[2].u, 1.0f);
    EXPECT_FLOAT_EQ(v[2].v, 1.0f);
    EXPECT_EQ(v[0].color, 0x4080FFFFu);
    // A clip rectangle of 30 x 100 at the origin keeps x up to 30 of the quad.
    CDldClipStack clip;
    ASSERT_TRUE(dldPushClipRect(clip, 30.0f, 100.0f, ZqMatrix::UNIT));
    const uint32_t n = dldMakePolygon(32.0f, 16.0f, texel, corner, info, &clip, v);
    ASSERT_GE(n, 4u);
    for (uint32_t i = 0; i < n; ++i) {
        EXPECT_LE(v[i].x, 30.0f + 1e-4f);
    }
    // Wholly outside: nothing.
    CDldClipStack far;
    ZqMatrix away = ZqMatrix::UNIT;
    away._41 = 500.0f;
    dldPushClipRect(far, 10.0f, 10.0f, away);
    EXPECT_EQ(dldMakePolygon(32.0f, 16.0f, texel, corner, info, &far, v), 0u);
}

TEST(CDldQueues, TwoHundredSlotsAndNoQueueForPriority64) {
    int dummy = 0;
    const auto* const texture = reinterpret_cast<const ZqGlTexture*>(&dummy);
    CDldVertex quad[4] = {};
    CDldQueues::clearAll();
    dldSetCurrentPriority(5);
    for (int i = 0; i < 250; ++i) {
        CDldQueues::queuePolygon(texture, 0, 0, quad, 4);
    }
    EXPECT_EQ(CDldQueues::getCount(5), 200u);
    EXPECT_EQ(CDldQueues::getSlot(5, 0).count, 6u);
    dldSetCurrentPriority(64);
    EXPECT_FALSE(CDldQueues::queuePolygon(texture, 0, 0, quad, 4));
    // A polygon of nine points is a fan of seven triangles over two slots.
    dldSetCurrentPriority(6);
    CDldVertex nine[9] = {};
    CDldQueues::queuePolygon(texture, 0, 0, nine, 9);
    EXPECT_EQ(CDldQueues::getCount(6), 2u);
    EXPECT_EQ(CDldQueues::getSlot(6, 0).count + CDldQueues::getSlot(6, 1).count, 21u);
    CDldQueues::clearAll();
    dldSetCurrentPriority(CDldQueues::IDLE_PRIORITY);
    EXPECT_EQ(CDldQueues::getCount(5), 0u);
}

TEST(CDldFile, ThirtyTwoTextureSlotsAndParkedRows) {
    CDldFile* file = makeFile(1);
    for (uint32_t i = 0; i < CDldFile::MAX_TEXTURES; ++i) {
        EXPECT_TRUE(file->addTexture(nullptr));
    }
    EXPECT_FALSE(file->addTexture(nullptr));
    const uint32_t rows[3] = {201, 202, 203};
    file->setTextureRows(rows, 3);
    EXPECT_EQ(file->takeTextureRows(), (std::vector<uint32_t>{201, 202, 203}));
    EXPECT_TRUE(file->takeTextureRows().empty());
    dldRelease(file);
    EXPECT_EQ(file, nullptr);
}
