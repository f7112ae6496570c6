// Texture animations from the animation container and their player: rates, the texture matrix
// of each value, undriven sub-animations, switching, the container's checks and reload.
#include "zq/gl/ZqGlTextureAnimation.h"
#include "ZqAnimWriter.h"
#include "zq/crypto/ZqHash.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/gl/ZqGlKeyFramePlayer.h"
#include "zq/gl/ZqGlTextureAnimationPlayer.h"
#include "zq/platform/os/lasterror.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

using zq_anim_writer::TextureAnimation;
using zq_anim_writer::TextureTrack;

class TextureAnimationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZqGlKeyFrame::sysInit();
        ZqGlKeyFramePlayer::sysInit();
        ZqGlTextureAnimation::sysInit();
        ZqGlTextureAnimationPlayer::sysInit();
    }
    void TearDown() override {
        ZqGlTextureAnimationPlayer::sysQuit();
        ZqGlTextureAnimation::sysQuit();
        ZqGlKeyFramePlayer::sysQuit();
        ZqGlKeyFrame::sysQuit();
    }

    // Sub-animation 0 ("water") turns a quarter over 30 frames; sub-animation 1 ("sky") has no
    // track.
    static TextureAnimation turning() {
        TextureAnimation a;
        a.frameCount = 30;
        a.fps = 30;
        a.loopMode = 0;
        a.materials = {"water", "sky"};
        a.tracks = {{4, 0, {0, 30}, {0.0f, 1.5707964f}}};
        return a;
    }
    static ZqGlTextureAnimation* load(const std::vector<uint8_t>& b, const float fps = 0.0f) {
        return ZqGlTextureAnimation::create(u"t", b.data(), static_cast<uint32_t>(b.size()), fps);
    }
};

// Where the matrix takes a texture coordinate.
void apply(const ZqMatrix& m, const float u, const float v, float& ou, float& ov) {
    ou = u * m._11 + v * m._21 + m._41;
    ov = u * m._12 + v * m._22 + m._42;
}

TEST_F(TextureAnimationTest, ValuesBecomeTheTextureMatrix) {
    ZqGlTextureAnimation* const a = load(zq_anim_writer::write(turning()));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->getNrSubTextureAnimations(), 2);
    EXPECT_EQ(a->getMaterialNameId(1), zqCalcNameId64("sky"));
    EXPECT_EQ(a->getKeyFrame()->getFps(), 30.0f);
    ZqGlTextureAnimationPlayer* const p = ZqGlTextureAnimationPlayer::create(a, 1000.0f);
    ASSERT_NE(p, nullptr);
    float u = 0.0f;
    float v = 0.0f;
    // A quarter turn about the centre.
    apply(p->getMatrix(0), 1.0f, 0.5f, u, v);
    EXPECT_NEAR(u, 0.5f, 1e-6f);
    EXPECT_NEAR(v, 1.0f, 1e-6f);
    apply(p->getMatrix(0), 0.5f, 0.5f, u, v);
    EXPECT_NEAR(u, 0.5f, 1e-6f);
    EXPECT_NEAR(v, 0.5f, 1e-6f);
    // No track: the identity.
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(p->getMatrix(1).m[r][c], r == c ? 1.0f : 0.0f, 1e-6f) << r << c;
        }
    }

    // Offsets and scales: u + 0.25, v - 0.5, v scaled about 1.
    TextureAnimation moved = turning();
    moved.tracks = {{0, 1, {}, {0.25f}}, {1, 1, {}, {0.5f}}, {3, 0, {}, {0.5f}}};
    ZqGlTextureAnimation* const b = load(zq_anim_writer::write(moved));
    ASSERT_NE(b, nullptr);
    p->setCalcMatrixEnable(1, false);
    EXPECT_TRUE(p->setTextureAnimation(b, 0.0f));
    EXPECT_TRUE(p->isCalcMatrixEnable(1));
    apply(p->getMatrix(1), 0.0f, 0.0f, u, v);
    EXPECT_NEAR(u, 0.25f, 1e-6f);
    EXPECT_NEAR(v, -0.5f, 1e-6f);
    apply(p->getMatrix(0), 0.0f, 0.0f, u, v);
    EXPECT_NEAR(v, 0.5f, 1e-6f);
    apply(p->getMatrix(0), 0.0f, 1.0f, u, v);
    EXPECT_NEAR(v, 1.0f, 1e-6f);
    EXPECT_EQ(a->getRefCount(), 1u);
    p->release();
    a->release();
    b->release();
}

TEST_F(TextureAnimationTest, RateAndKeyFramesOfTheirOwn) {
    TextureAnimation t = turning();
    const struct {
        int32_t file;
        float fps;
        float want;
    } rows[] = {{0, 0.0f, 30.0f}, {24, 0.0f, 24.0f}, {24, 60.0f, 60.0f}};
    for (const auto& row : rows) {
        t.fps = row.file;
        ZqGlTextureAnimation* const a = load(zq_anim_writer::write(t), row.fps);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->getKeyFrame()->getFps(), row.want);
        a->release();
    }
    // Every create is a new element with a key-frame set of its own.
    ZqGlTextureAnimation* const a = load(zq_anim_writer::write(t));
    ZqGlTextureAnimation* const b = load(zq_anim_writer::write(t));
    EXPECT_NE(a, b);
    EXPECT_NE(a->getKeyFrame(), b->getKeyFrame());
    a->release();
    b->release();
    EXPECT_EQ(ZqGlKeyFrame::getNrInstances(), 0u);
}

TEST_F(TextureAnimationTest, ContainerChecksGiveTheirCodes) {
    TextureAnimation twoTracks = turning();
    twoTracks.tracks.push_back({2, 1, {}, {2.0f}});
    const std::vector<uint8_t> good = zq_anim_writer::write(twoTracks);
    uint32_t materials = 0;
    uint32_t tracks = 0;
    std::memcpy(&materials, &good[16], 4);
    std::memcpy(&tracks, &good[20], 4);
    const auto record = [&](const std::vector<uint8_t>& b, const uint32_t i) {
        uint32_t off = 0;
        std::memcpy(&off, &b[tracks + 8 + 4 * i], 4);
        return tracks + off;
    };
    const auto put32 = [](std::vector<uint8_t>& b, const size_t at, const uint32_t v) {
        std::memcpy(&b[at], &v, 4);
    };
    const struct Row {
        int line;
        std::function<void(std::vector<uint8_t>&)> mutate;
        uint32_t code;
    } rows[] = {
        {__LINE__, [](auto& b) { b[3] = 0; }, ZqGlTextureAnimation::ERROR_MAGIC},
        {__LINE__, [&](auto& b) { put32(b, 24, materials); },
         ZqGlTextureAnimation::ERROR_NR_CHUNKS}, // the chunk behind reads as a fourth,
        {__LINE__, [&](auto& b) { put32(b, 20, 8); }, ZqGlTextureAnimation::ERROR_CHUNK_OFFSET},
        {__LINE__, [&](auto& b) { put32(b, materials, 0xFF010002u); },
         ZqGlTextureAnimation::ERROR_CHUNK_TYPE},
        {__LINE__, [&](auto& b) { put32(b, 20, 0); }, ZqGlTextureAnimation::ERROR_CHUNK_MISSING},
        {__LINE__, [&](auto& b) { b[materials + 4] = 33; }, ZqGlTextureAnimation::ERROR_NR_SUBS},
        {__LINE__, [&](auto& b) { put32(b, tracks + 8, 0x7FFFFFF0); },
         ZqGlTextureAnimation::ERROR_TRACK_OFFSET},
        {__LINE__, [&](auto& b) { b[record(b, 0)] = 1; }, ZqGlTextureAnimation::ERROR_TRACK_KIND},
        {__LINE__, [&](auto& b) { b[record(b, 0) + 6] = 5; },
         ZqGlTextureAnimation::ERROR_VALUE_INDEX},
        {__LINE__, [&](auto& b) { b[record(b, 1) + 7] = 2; },
         ZqGlTextureAnimation::ERROR_SUB_INDEX},
        {__LINE__,
         [&](auto& b) {
             put32(b, record(b, 0) + 8, static_cast<uint32_t>(b.size() - 2 - record(b, 0)));
         },
         ZqGlTextureAnimation::ERROR_FRAMES},
        {__LINE__,
         [&](auto& b) {
             put32(b, record(b, 1) + 12, static_cast<uint32_t>(b.size() - 2 - record(b, 1)));
         },
         ZqGlTextureAnimation::ERROR_VALUES},
        {__LINE__, [&](auto& b) { b[record(b, 0) + 4] = 0; }, ZqGlKeyFrame::ERROR_NR_KEYS},
    };
    for (const Row& row : rows) {
        std::vector<uint8_t> bytes = good;
        row.mutate(bytes);
        EXPECT_EQ(load(bytes), nullptr) << "line " << row.line;
        EXPECT_EQ(zqp::getLastError(), row.code) << "line " << row.line;
    }
    EXPECT_EQ(ZqGlTextureAnimation::getNrInstances(), 0u);
    EXPECT_EQ(ZqGlKeyFrame::getNrInstances(), 0u);
    EXPECT_EQ(ZqGlTextureAnimation::create(u"t", good.data(), 9, 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlTextureAnimation::ERROR_SIZE);
    EXPECT_EQ(ZqGlTextureAnimationPlayer::create(nullptr, 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlTextureAnimationPlayer::ERROR_NULL);
}

TEST_F(TextureAnimationTest, ReloadTakesNewKeysOrRefusesOtherCounts) {
    ZqGlTextureAnimation* const a = load(zq_anim_writer::write(turning()));
    ASSERT_NE(a, nullptr);
    TextureAnimation faster = turning();
    faster.tracks[0].values[1] = 3.0f;
    const std::vector<uint8_t> bytes = zq_anim_writer::write(faster);
    EXPECT_EQ(a->reload(bytes.data(), static_cast<uint32_t>(bytes.size()), 0.0f), a);
    EXPECT_EQ(a->getKeyFrame()->getValues(0, 1)[0], 3.0f);
    EXPECT_EQ(ZqGlKeyFrame::getNrInstances(), 1u);

    TextureAnimation more = turning();
    more.materials.push_back("ground");
    const std::vector<uint8_t> other = zq_anim_writer::write(more);
    EXPECT_EQ(a->reload(other.data(), static_cast<uint32_t>(other.size()), 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlTextureAnimation::ERROR_NR_SUBS);
    more = turning();
    more.tracks.push_back({0, 1, {}, {1.0f}});
    const std::vector<uint8_t> extra = zq_anim_writer::write(more);
    EXPECT_EQ(a->reload(extra.data(), static_cast<uint32_t>(extra.size()), 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlTextureAnimation::ERROR_NR_TRACKS);
    EXPECT_EQ(a->getKeyFrame()->getValues(0, 1)[0], 3.0f);
    EXPECT_EQ(a->release(), 0u);
    EXPECT_EQ(a->reload(bytes.data(), static_cast<uint32_t>(bytes.size()), 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlTextureAnimation::ERROR_NOT_LIVE);
}

} // namespace
