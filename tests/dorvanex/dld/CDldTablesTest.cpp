// The layout format: header and table checks (every count and offset one too large, cuts at
// every table boundary), round trips through the writer, key interpolation and the walk of a
// layer's tracks, nested layers and clip edges, on plain code without a device.
#include "dorvanex/dld/CDldTables.h"
#include "tests/dorvanex/dld/DldLayouts.h"
#include "zq/file/ZqByteOrder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace dldtest;

namespace {

// Two cells over two textures, a clipping layer holding a cell and a nested layer, keys on
// every track kind (the position keys shared by two tracks).
dldw::Layout sample() {
    dldw::Layout l;
    l.textures = 2;
    l.cells = {{0, 1, 2, 3, 4}, {1, 5, 6, 7, 8}, {dldfmt::CELL_NO_TEXTURE, 0, 0, 9, 9}};
    const int32_t pos = addKeys(l, dldfmt::KEY_POSITION, {{0, 10, 20}, {10, 30, -40}});
    const int32_t scale = addKeys(l, dldfmt::KEY_SCALE, {{0, 100, 200}});
    const int32_t rot = addKeys(l, dldfmt::KEY_ROTATION, {{0, 0}, {5, 90}});
    const int32_t alpha = addKeys(l, dldfmt::KEY_ALPHA, {{0, 0}, {4, 255}});
    const int32_t pivot = addKeys(l, dldfmt::KEY_PIVOT, {{2, 3, 4}});
    dldw::Layer top = layer(64, 32, 60, 30, true);
    dldw::Track a = cellTrack(0, 0, 30);
    a.keys[0] = pos;
    a.keys[1] = scale;
    a.keys[2] = rot;
    a.keys[3] = alpha;
    a.keys[4] = pivot;
    a.flags = 2;
    dldw::Track b = layerTrack(1, 5, 20);
    b.keys[0] = pos;
    top.tracks = {a, b};
    dldw::Layer inner = layer(8, 8, 30, 10);
    inner.tracks = {cellTrack(1, 0, 10)};
    l.layers = {top, inner};
    return l;
}

void put32(std::vector<uint8_t>& image, const uint64_t at, const uint32_t v) {
    zq_bytes::storeLe(image.data() + at, v);
}
uint32_t get32(const std::vector<uint8_t>& image, const uint64_t at) {
    return zq_bytes::loadLe<uint32_t>(image.data() + at);
}

bool valid(const std::vector<uint8_t>& image) {
    // An exact-size copy, so that a read past the end is caught by the sanitizer.
    const std::vector<uint8_t> copy(image);
    return CDldTables(copy.data(), copy.size()).isValid();
}

} // namespace

TEST(CDldTables, RoundTripGivesBackEveryTableAndKey) {
    const dldw::Layout l = sample();
    const std::vector<uint8_t> image = build(l);
    const CDldTables t(image.data(), image.size());
    ASSERT_TRUE(t.isValid());
    EXPECT_EQ(t.getVersion(), 0x0402u);
    EXPECT_EQ(t.getTextureCount(), 2u);
    ASSERT_EQ(t.getCellCount(), 3u);
    for (uint32_t i = 0; i < 3; ++i) {
        const CDldCell c = t.getCell(i);
        EXPECT_EQ(c.texture, l.cells[i].texture);
        EXPECT_EQ(c.x, l.cells[i].x);
        EXPECT_EQ(c.y, l.cells[i].y);
        EXPECT_EQ(c.width, l.cells[i].width);
        EXPECT_EQ(c.height, l.cells[i].height);
    }
    ASSERT_EQ(t.getLayerCount(), 2u);
    ASSERT_EQ(t.getTrackCount(), 3u);
    uint32_t track = 0;
    for (uint32_t i = 0; i < 2; ++i) {
        const CDldLayerRecord r = t.getLayer(i);
        EXPECT_EQ(r.width, l.layers[i].width);
        EXPECT_EQ(r.height, l.layers[i].height);
        EXPECT_EQ(r.rate, l.layers[i].rate);
        EXPECT_EQ(r.frameCount, l.layers[i].frames);
        EXPECT_EQ(r.flags, l.layers[i].flags);
        EXPECT_EQ(r.firstTrack, track);
        ASSERT_EQ(r.trackCount, l.layers[i].tracks.size());
        for (const dldw::Track& w : l.layers[i].tracks) {
            const CDldTrack k = t.getTrack(track++);
            EXPECT_EQ(k.target, (w.nested ? 0x8000 : 0) | w.index);
            EXPECT_EQ(k.first, w.first);
            EXPECT_EQ(k.end, w.end);
            EXPECT_EQ(k.flags, w.flags);
            for (uint32_t kind = 0; kind < dldfmt::KEY_KINDS; ++kind) {
                if (w.keys[kind] < 0) {
                    continue;
                }
                const dldw::KeyTrack& keys = l.keyTracks[static_cast<size_t>(w.keys[kind])];
                ASSERT_EQ(t.getKeyCount(k.keys[kind]), keys.keys.size());
                for (uint32_t n = 0; n < keys.keys.size(); ++n) {
                    int16_t frame = 0;
                    int32_t a = 0, b = 0;
                    t.getKey(k.keys[kind], kind, n, frame, a, b);
                    EXPECT_EQ(frame, keys.keys[n].frame);
                    EXPECT_EQ(a, keys.keys[n].a);
                    if (dldfmt::KEY_SIZE[kind] == 8) {
                        EXPECT_EQ(b, keys.keys[n].b);
                    }
                }
            }
        }
    }
    // The shared position keys are one key track.
    EXPECT_EQ(t.getTrack(0).keys[0], t.getTrack(1).keys[0]);
}

TEST(CDldTables, HeaderChecks) {
    const std::vector<uint8_t> good = build(sample());
    ASSERT_TRUE(valid(good));
    struct Case {
        const char* what;
        uint64_t at;
        uint32_t value;
        bool accepted;
    };
    const uint32_t size = get32(good, dldfmt::H_TOTAL_SIZE);
    const Case cases[] = {
        {"size field one too large", dldfmt::H_TOTAL_SIZE, size + 1, false},
        {"size field one too small", dldfmt::H_TOTAL_SIZE, size - 1, false},
        {"version 0x0305", dldfmt::H_VERSION, 0x0305, false},
        {"version 0x0403", dldfmt::H_VERSION, 0x0403, false},
        {"version 0x0306", dldfmt::H_VERSION, 0x0306, true},
        {"version 0x0402", dldfmt::H_VERSION, 0x0402, true},
        {"signature", 1, 0x0044444Cu, false},
        {"33 textures", dldfmt::H_TEXTURES, 33, false},
        // Counts whose 32-bit size would wrap to the real one.
        {"cell count wrapping 32 bits", dldfmt::H_CELLS, 3 + 0x40000000u / 3 * 1, false},
        {"pool size wrapping", dldfmt::H_POOL, 0xFFFFFFFFu, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> image = good;
        put32(image, c.at, c.value);
        EXPECT_EQ(valid(image), c.accepted) << c.what;
    }
    // Shorter than the computed size, cut at every table boundary and in the middle of one.
    const CDldTables t(good.data(), good.size());
    const uint64_t layers = 40 + 12ull * t.getCellCount();
    const uint64_t tracks = layers + 32ull * t.getLayerCount();
    const uint64_t pool = tracks + 32ull * t.getTrackCount();
    for (const uint64_t cut : {uint64_t{0}, uint64_t{8}, uint64_t{39}, uint64_t{40}, layers, tracks,
                               pool, pool + 3, good.size() - 1}) {
        const std::vector<uint8_t> image(good.begin(), good.begin() + static_cast<long>(cut));
        EXPECT_FALSE(valid(image)) << "cut at " << cut;
    }
}

TEST(CDldTables, EveryIndexAndOffsetOneTooLargeIsRefused) {
    const std::vector<uint8_t> good = build(sample());
    const CDldTables t(good.data(), good.size());
    const uint64_t cells = 40;
    const uint64_t layers = cells + 12ull * t.getCellCount();
    const uint64_t tracks = layers + 32ull * t.getLayerCount();
    const uint64_t pool = tracks + 32ull * t.getTrackCount();
    struct Case {
        const char* what;
        uint64_t at;
        uint32_t value;
    };
    const uint32_t posKeys = t.getTrack(0).keys[0];
    const uint32_t rotKeys = t.getTrack(0).keys[2];
    std::vector<Case> cases = {
        {"cell texture index", cells + dldfmt::C_TEXTURE, 2},
        {"layer track count", layers + dldfmt::L_TRACK_COUNT, 4},
        {"layer first track", layers + 32 + dldfmt::L_FIRST_TRACK, 3},
        {"frame rate 0", layers + dldfmt::L_RATE, 0},
        {"frame rate 1001", layers + dldfmt::L_RATE, 1001},
        {"cell target", tracks + 64 + dldfmt::T_TARGET, 3},
        {"layer target", tracks + 32 + dldfmt::T_TARGET, 0x8000u | 2},
        {"key offset past the pool", tracks + dldfmt::T_KEYS, t.getPoolSize()},
        {"key offset at the last three bytes", tracks + dldfmt::T_KEYS, t.getPoolSize() - 3},
        {"key count 0", pool + posKeys, 0},
        {"key count one too large", pool + posKeys, 0x40000000u},
        {"key frames out of order", pool + rotKeys + 4 + 4, 0xFFFF0000u},
    };
    // Every key offset of every track one past its end of the pool.
    for (uint32_t k = 0; k < 5; ++k) {
        cases.push_back({"any key offset", tracks + 32 + dldfmt::T_KEYS + 4 * k, t.getPoolSize()});
    }
    for (const Case& c : cases) {
        std::vector<uint8_t> image = good;
        if (std::string(c.what) == "cell target" || std::string(c.what) == "layer target") {
            zq_bytes::storeLe(image.data() + c.at, static_cast<uint16_t>(c.value));
        } else if (std::string(c.what) == "key frames out of order") {
            // The second rotation key's frame below the first's.
            zq_bytes::storeLe(image.data() + pool + rotKeys + 4 + 4, int16_t{-1});
        } else {
            put32(image, c.at, c.value);
        }
        EXPECT_FALSE(valid(image)) << c.what;
    }
}

TEST(CDldTables, KeyValues) {
    dldw::Layout l;
    l.textures = 1;
    l.cells = {{0, 0, 0, 1, 1}};
    dldw::Track t = cellTrack(0, 0, 100);
    t.keys[0] = addKeys(l, dldfmt::KEY_POSITION, {{10, 0, 100}, {20, 50, 300}});
    t.keys[1] = addKeys(l, dldfmt::KEY_SCALE, {{0, 50, 150}});
    t.keys[2] = addKeys(l, dldfmt::KEY_ROTATION, {{0, 270}, {2, 270}, {2, 45}});
    t.keys[3] = addKeys(l, dldfmt::KEY_ALPHA, {{0, 0}, {4, 255}, {6, 300}});
    dldw::Layer top = layer(0, 0, 60, 100);
    top.tracks = {t};
    l.layers = {top};
    const std::vector<uint8_t> image = build(l);
    const CDldTables tables(image.data(), image.size());
    ASSERT_TRUE(tables.isValid());
    const CDldTrack track = tables.getTrack(0);
    CDldPlacement p;
    // Before the first key, at it, halfway (exact frame 15), at and past the last.
    const struct {
        float exact;
        float x, y;
    } positions[] = {{0.0f, 0.0f, 100.0f},
                     {10.0f, 0.0f, 100.0f},
                     {15.0f, 25.0f, 200.0f},
                     {20.0f, 50.0f, 300.0f},
                     {40.0f, 50.0f, 300.0f}};
    for (const auto& c : positions) {
        tables.evalPlacement(track, static_cast<int32_t>(c.exact), c.exact, p);
        EXPECT_FLOAT_EQ(p.x, c.x) << c.exact;
        EXPECT_FLOAT_EQ(p.y, c.y) << c.exact;
        // One key: that key's value at every frame.
        EXPECT_FLOAT_EQ(p.scaleX, 0.5f);
        EXPECT_FLOAT_EQ(p.scaleY, 1.5f);
    }
    // Alpha on whole frames; above 255 is taken as 255.
    const int32_t alphas[] = {0, 63, 127, 191, 255, 255, 255, 255};
    for (int32_t f = 0; f < 8; ++f) {
        tables.evalPlacement(track, f, static_cast<float>(f) + 0.9f, p);
        EXPECT_EQ(p.alpha, alphas[f]) << f;
    }
    // 270 degrees gives -90; two keys on one frame divide by nothing.
    tables.evalPlacement(track, 1, 1.5f, p);
    EXPECT_NEAR(p.angle, -std::numbers::pi_v<float> / 2.0f, 1e-5f);
    tables.evalPlacement(track, 2, 2.0f, p);
    EXPECT_NEAR(p.angle, std::numbers::pi_v<float> / 4.0f, 1e-5f);
    EXPECT_TRUE(std::isfinite(p.angle));
}

namespace {

struct Seen {
    uint32_t layer;
    uint32_t cell;
    int32_t layerTime;
    int32_t frame;
    float alpha;
    uint32_t mode;
    float x, y; // where the cell's origin lands
    uint32_t edges;
};

void record(const CDldCellInfo& info, void* const user) {
    const ZqMatrix& m = *info.matrix;
    static_cast<std::vector<Seen>*>(user)->push_back({info.layer, info.cell, info.layerTime,
                                                      info.frame, info.info->alpha, info.info->mode,
                                                      m._41, m._42, info.clip->count});
}

std::vector<Seen> evaluate(const std::vector<uint8_t>& image, const uint32_t layer,
                           const int32_t time, const uint32_t mode = 0) {
    const CDldTables t(image.data(), image.size());
    std::vector<Seen> seen;
    CDldClipStack clip;
    CDldRenderInfo info;
    info.mode = mode;
    info.alpha = 0.5f;
    t.evaluate(layer, time, ZqMatrix::UNIT, info, clip, record, &seen);
    EXPECT_EQ(clip.count, 0u);
    return seen;
}

} // namespace

TEST(CDldTables, WalkOrderSpanNestingAndInheritance) {
    dldw::Layout l;
    l.textures = 1;
    l.cells = {{0, 0, 0, 4, 4}, {0, 4, 0, 4, 4}};
    dldw::Layer top = layer(100, 100, 60, 120);
    dldw::Track span = cellTrack(0, 5, 10);
    span.flags = 1;
    dldw::Track nested = layerTrack(1, 30, 120);
    nested.keys[0] = addKeys(l, dldfmt::KEY_POSITION, {{0, 10, 20}});
    nested.keys[3] = addKeys(l, dldfmt::KEY_ALPHA, {{0, 51}});
    nested.flags = 3;
    top.tracks = {span, nested};
    dldw::Layer inner = layer(0, 0, 30, 60);
    dldw::Track moved = cellTrack(1, 0, 60);
    moved.keys[0] = addKeys(l, dldfmt::KEY_POSITION, {{0, 1, 2}});
    moved.keys[1] = addKeys(l, dldfmt::KEY_SCALE, {{0, 200, 200}});
    inner.tracks = {moved};
    l.layers = {top, inner};
    const std::vector<uint8_t> image = build(l);

    // Frame 5..9 shows the span (frame 10 does not); the mode word's blend nibble replaced.
    for (const int32_t ms : {83, 84, 166, 167}) {
        const std::vector<Seen> s = evaluate(image, 0, ms, 0x10);
        const bool shown = ms * 60 / 1000 >= 5 && ms * 60 / 1000 < 10;
        ASSERT_EQ(s.size(), shown ? 1u : 0u) << ms;
        if (shown) {
            EXPECT_EQ(s[0].mode, 0x11u);
            EXPECT_FLOAT_EQ(s[0].alpha, 0.5f);
        }
    }
    // The nested layer starts its own frame 0 at 500 ms; before that nothing.
    EXPECT_TRUE(evaluate(image, 0, 499).empty());
    const std::vector<Seen> s = evaluate(image, 0, 500, 0x12);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].layer, 1u);
    EXPECT_EQ(s[0].cell, 1u);
    EXPECT_EQ(s[0].layerTime, 0);
    EXPECT_EQ(s[0].frame, 0);
    EXPECT_EQ(s[0].mode, 0x13u);
    // Alpha 51 of a parent at 0.5; the child's origin through scale, then the parent's move.
    EXPECT_FLOAT_EQ(s[0].alpha, 0.1f);
    EXPECT_FLOAT_EQ(s[0].x, 11.0f);
    EXPECT_FLOAT_EQ(s[0].y, 22.0f);
    // The layer lasts 120 frames at 60 (2000 ms); past that nothing shows.
    EXPECT_FALSE(evaluate(image, 0, 1999).empty());
    EXPECT_TRUE(evaluate(image, 0, 2001).empty());
}

TEST(CDldTables, TracksRunFromLastToFirst) {
    dldw::Layout l;
    l.textures = 1;
    l.cells = {{0, 0, 0, 1, 1}, {0, 0, 0, 1, 1}, {0, 0, 0, 1, 1}};
    dldw::Layer top = layer(0, 0, 60, 10);
    top.tracks = {cellTrack(0, 0, 10), cellTrack(1, 0, 10), cellTrack(2, 0, 10)};
    l.layers = {top};
    const std::vector<Seen> s = evaluate(build(l), 0, 0);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].cell, 2u);
    EXPECT_EQ(s[2].cell, 0u);
}

TEST(CDldTables, TransformOrderPivotScaleTurnMove) {
    const ZqMatrix m = CDldTransform::makeMatrix(100.0f, 50.0f, 2.0f, 3.0f,
                                                 std::numbers::pi_v<float> / 2.0f, 1.0f, 1.0f);
    // Point (2, 1): minus pivot (1, 0), scaled (2, 0), turned 90 degrees (0, 2), moved.
    const float x = 2.0f * m._11 + 1.0f * m._21 + m._41;
    const float y = 2.0f * m._12 + 1.0f * m._22 + m._42;
    EXPECT_NEAR(x, 100.0f, 1e-4f);
    EXPECT_NEAR(y, 52.0f, 1e-4f);
}

TEST(CDldTables, SelfContainingAndDeeplyClippedLayersEnd) {
    dldw::Layout l;
    l.textures = 1;
    l.cells = {{0, 0, 0, 1, 1}};
    // Layer 0 holds itself and a cell: the walk stops at the depth limit.
    dldw::Layer self = layer(10, 10, 60, 10);
    self.tracks = {layerTrack(0, 0, 10), cellTrack(0, 0, 10)};
    // Layers 1..17 each clip and hold the next; layer 17 holds the cell.
    l.layers = {self};
    for (uint16_t i = 1; i <= 17; ++i) {
        dldw::Layer c = layer(10, 10, 60, 10, true);
        c.tracks = {i < 17 ? layerTrack(static_cast<uint16_t>(i + 1), 0, 10) : cellTrack(0, 0, 10)};
        l.layers.push_back(c);
    }
    const std::vector<uint8_t> image = build(l);
    EXPECT_EQ(evaluate(image, 0, 0).size(), CDldTables::MAX_DEPTH);
    // Seventeen clipping layers: the deepest pushes no edges and draws nothing.
    EXPECT_TRUE(evaluate(image, 1, 0).empty());
    // Sixteen of them draw, with all 64 edges.
    const std::vector<Seen> s = evaluate(image, 2, 0);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].edges, 64u);

    // A layer holding itself twice would branch out to 2^32 placements: the walk stops at
    // the placement limit (about half of the placements reach a cell).
    dldw::Layout twice;
    twice.textures = 1;
    twice.cells = {{0, 0, 0, 1, 1}};
    dldw::Layer fork = layer(10, 10, 60, 10);
    fork.tracks = {layerTrack(0, 0, 10), layerTrack(0, 0, 10), cellTrack(0, 0, 10)};
    twice.layers = {fork};
    const size_t cells = evaluate(build(twice), 0, 0).size();
    EXPECT_GT(cells, CDldTables::MAX_PLACEMENTS / 4);
    EXPECT_LT(cells, CDldTables::MAX_PLACEMENTS);
}

TEST(CDldTables, BadFilesAndZeroFrameLayersShowNothing) {
    dldw::Layout l;
    l.textures = 1;
    l.cells = {{0, 0, 0, 1, 1}};
    dldw::Layer empty = layer(0, 0, 60, 0);
    empty.tracks = {cellTrack(0, 0, 10)};
    l.layers = {empty};
    const std::vector<uint8_t> image = build(l);
    // Frame count 0: only t = 0 is inside "t <= 0 ms".
    EXPECT_TRUE(evaluate(image, 0, 1).empty());
    std::vector<uint8_t> bad = image;
    bad[0] = 0;
    EXPECT_TRUE(evaluate(bad, 0, 0).empty());
}
