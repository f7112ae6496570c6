// Skeletal animations from the animation container: writer-made files load with the values
// written, every check of the container gives its code, sharing by name and reload in place.
#include "zq/gl/ZqGlAnimation.h"
#include "ZqAnimWriter.h"
#include "zq/gl/ZqGlAnimationFormat.h"
#include "zq/gl/ZqGlKeyFrame.h"
#include "zq/platform/os/lasterror.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace {

using zq_anim_writer::Animation;
using zq_anim_writer::Track;

class AnimationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ZqGlKeyFrame::sysInit();
        ZqGlAnimation::sysInit();
    }
    void TearDown() override {
        ZqGlAnimation::sysQuit();
        ZqGlKeyFrame::sysQuit();
    }

    // Bones 0: -1, 1: 0, 2: 0, 3: 1; a rotation with frames, a translation and a scale.
    static Animation fourBones() {
        Animation a;
        a.frameCount = 20;
        a.fps = 24;
        a.parents = {-1, 0, 0, 3 - 2};
        Track r;
        r.type = 28;
        r.bone = 1;
        r.frames = {0, 10, 20};
        r.values = {0, 0, 0, 1, 0, 0, 0.6f, 0.8f, 0, 0, 1, 0};
        Track t;
        t.type = 29;
        t.bone = 3;
        t.values = {1, 2, 3, 4, 5, 6};
        Track s;
        s.type = 10;
        s.bone = -1;
        s.values = {1, 1, 1, 1};
        a.tracks = {r, t, s};
        return a;
    }

    static ZqGlAnimation* load(const std::vector<uint8_t>& bytes, const char16_t* name = u"a",
                               const float rate = 60.0f) {
        return ZqGlAnimation::create(name, bytes.data(), static_cast<uint32_t>(bytes.size()), rate);
    }
};

uint32_t get32(const std::vector<uint8_t>& b, const size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, &b[at], 4);
    return v;
}
void put32(std::vector<uint8_t>& b, const size_t at, const uint32_t v) {
    std::memcpy(&b[at], &v, 4);
}
void put16(std::vector<uint8_t>& b, const size_t at, const uint16_t v) {
    std::memcpy(&b[at], &v, 2);
}

TEST_F(AnimationTest, WriterMadeFileLoadsWithItsValues) {
    ZqGlAnimation* const a = load(zq_anim_writer::write(fourBones()));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->getNrBones(), 4);
    const int parents[4] = {-1, 0, 0, 1};
    const uint32_t children[4] = {2, 1, 0, 0};
    for (uint32_t b = 0; b < 4; ++b) {
        EXPECT_EQ(a->getBoneParentNr(b), parents[b]);
        EXPECT_EQ(a->getBoneNrChildren(b), children[b]);
    }
    EXPECT_EQ(a->getBoneChildBoneNr(0, 0), 1u);
    EXPECT_EQ(a->getBoneChildBoneNr(0, 1), 2u);
    EXPECT_EQ(a->getBoneChildBoneNr(1, 0), 3u);
    EXPECT_EQ(a->getBoneNrFromTrack(0), 1);
    EXPECT_EQ(a->getBoneNrFromTrack(1), 3);
    EXPECT_EQ(a->getBoneNrFromTrack(2), -1);
    EXPECT_TRUE(a->isScalingExist());

    const ZqGlKeyFrame* const k = a->getKeyFrame();
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->getNrTracks(), 3);
    EXPECT_EQ(k->getTotalFrames(), 20u);
    EXPECT_EQ(k->getLoopMode(), 1);
    EXPECT_EQ(k->getFps(), 60.0f);
    EXPECT_EQ(k->getFrame(0, 1), 10);
    EXPECT_EQ(k->getFrame(1, 1), 1); // no frame table: 0, 1, 2 ...
    EXPECT_NEAR(k->getValues(0, 1)[2], 0.6f, 1e-4f);
    EXPECT_NEAR(k->getValues(0, 1)[3], 0.8f, 1e-4f);
    EXPECT_EQ(k->getValues(1, 1)[2], 6.0f);
    EXPECT_EQ(ZqGlKeyFrame::search(u"a*anim"), k);
    EXPECT_EQ(a->release(), 0u);
    EXPECT_EQ(ZqGlKeyFrame::getNrInstances(), 0u);
}

TEST_F(AnimationTest, RateZeroTakesTheFilesRateOrThirty) {
    Animation a = fourBones();
    const struct {
        int32_t fileRate;
        float rate;
        float want;
    } rows[] = {{1, 0.0f, 30.0f}, {24, 0.0f, 24.0f}, {24, 60.0f, 60.0f}, {-5, 0.0f, 30.0f}};
    for (const auto& row : rows) {
        a.fps = row.fileRate;
        ZqGlAnimation* const anim = load(zq_anim_writer::write(a), u"rate", row.rate);
        ASSERT_NE(anim, nullptr);
        EXPECT_EQ(anim->getKeyFrame()->getFps(), row.want) << row.fileRate << " " << row.rate;
        anim->release();
    }
}

TEST_F(AnimationTest, SameNameSharesWithoutReading) {
    ZqGlAnimation* const a = load(zq_anim_writer::write(fourBones()), u"shared");
    const std::vector<uint8_t> garbage(64, 0xEE);
    ZqGlAnimation* const b = load(garbage, u"shared");
    EXPECT_EQ(a, b);
    EXPECT_EQ(a->getRefCount(), 2u);
    EXPECT_EQ(a->release(), 1u);
    EXPECT_EQ(a->release(), 0u);
}

TEST_F(AnimationTest, EveryCheckGivesItsCode) {
    const std::vector<uint8_t> good = zq_anim_writer::write(fourBones());
    const uint32_t bones = get32(good, 16);
    const uint32_t tracks = get32(good, 20);
    const auto track = [&](const std::vector<uint8_t>& b, const uint32_t i) {
        return tracks + get32(b, tracks + 8 + 4 * i);
    };
    using Mutate = std::function<void(std::vector<uint8_t>&)>;
    const struct Row {
        int line;
        Mutate mutate;
        uint32_t code;
    } rows[] = {
        {__LINE__, [](auto& b) { b[0] ^= 1; }, ZqGlAnimation::ERROR_MAGIC},
        {__LINE__,
         [&](auto& b) {
             // Four chunk entries, the first three valid.
             b.insert(b.begin() + 28, 4, 0);
             for (const size_t at : {16, 20}) {
                 put32(b, at, get32(b, at) + 4);
             }
             put32(b, 24, get32(b, 16));
             put32(b, 28, get32(b, 16));
         },
         ZqGlAnimation::ERROR_NR_CHUNKS},
        {__LINE__, [](auto& b) { put32(b, 16, 12); }, ZqGlAnimation::ERROR_CHUNK_OFFSET},
        {__LINE__, [&](auto& b) { put32(b, 16, static_cast<uint32_t>(b.size())); },
         ZqGlAnimation::ERROR_CHUNK_OFFSET},
        {__LINE__, [&](auto& b) { put32(b, bones, 0xFF010004); }, ZqGlAnimation::ERROR_CHUNK_TYPE},
        {__LINE__, [](auto& b) { put32(b, 20, 0); }, ZqGlAnimation::ERROR_CHUNK_MISSING},
        {__LINE__, [](auto& b) { put32(b, 16, 0); }, ZqGlAnimation::ERROR_CHUNK_MISSING},
        {__LINE__, [&](auto& b) { put16(b, bones + 4, 128); }, ZqGlAnimation::ERROR_NR_BONES},
        {__LINE__, [&](auto& b) { put32(b, bones + 8, 0xFFFFFF00u); },
         ZqGlAnimation::ERROR_PARENT_TABLE},
        // The table would run past the end: its whole extent is checked.
        {__LINE__,
         [&](auto& b) { put32(b, bones + 8, static_cast<uint32_t>(b.size() - 4 - bones)); },
         ZqGlAnimation::ERROR_PARENT_TABLE},
        {__LINE__, [&](auto& b) { b[bones + 12 + 2 * 2 + 1] = 2; }, ZqGlAnimation::ERROR_PARENT},
        {__LINE__, [&](auto& b) { b[bones + 12 + 1] = 0; }, ZqGlAnimation::ERROR_PARENT},
        {__LINE__, [&](auto& b) { b[bones + 12 + 2 * 3 + 1] = 0xFF; },
         ZqGlAnimation::ERROR_TREE}, // a second root
        {__LINE__, [&](auto& b) { put16(b, bones + 4, 0); }, ZqGlAnimation::ERROR_TREE},
        {__LINE__,
         [&](auto& b) { put32(b, tracks + 8, static_cast<uint32_t>(b.size() - 16 - tracks)); },
         ZqGlAnimation::ERROR_TRACK_OFFSET},
        {__LINE__, [&](auto& b) { put16(b, track(b, 0), 35); }, ZqGlAnimation::ERROR_TRACK_TYPE},
        {__LINE__, [&](auto& b) { b[track(b, 1) + 6] = 4; }, ZqGlAnimation::ERROR_TRACK_BONE},
        {__LINE__, [&](auto& b) { b[track(b, 1) + 6] = 0xFE; }, ZqGlAnimation::ERROR_TRACK_BONE},
        {__LINE__, [&](auto& b) { put32(b, track(b, 0) + 8, 0x80000000u); },
         ZqGlAnimation::ERROR_FRAME_TABLE},
        {__LINE__,
         [&](auto& b) {
             put32(b, track(b, 0) + 8, static_cast<uint32_t>(b.size() - 4 - track(b, 0)));
         },
         ZqGlAnimation::ERROR_FRAME_TABLE},
        {__LINE__, [&](auto& b) { put32(b, track(b, 1) + 12, 0x80000000u); },
         ZqGlAnimation::ERROR_VALUES},
        {__LINE__,
         [&](auto& b) {
             put32(b, track(b, 1) + 12, static_cast<uint32_t>(b.size() - 8 - track(b, 1)));
         },
         ZqGlAnimation::ERROR_VALUES},
        // The key-frame set's own refusals stay the last error.
        {__LINE__, [&](auto& b) { put16(b, track(b, 2), 2); }, ZqGlKeyFrame::ERROR_TYPE},
        {__LINE__, [&](auto& b) { put16(b, track(b, 2) + 4, 0); }, ZqGlKeyFrame::ERROR_NR_KEYS},
        {__LINE__, [](auto& b) { put16(b, 4, 0xFFF0); }, ZqGlKeyFrame::ERROR_TIMING},
    };
    for (const Row& row : rows) {
        std::vector<uint8_t> bytes = good;
        row.mutate(bytes);
        zqp::setLastError(0);
        EXPECT_EQ(load(bytes), nullptr) << "line " << row.line;
        EXPECT_EQ(zqp::getLastError(), row.code) << "line " << row.line;
        EXPECT_EQ(ZqGlAnimation::getNrInstances(), 0u) << "line " << row.line;
        EXPECT_EQ(ZqGlKeyFrame::getNrInstances(), 0u) << "line " << row.line;
    }
    EXPECT_EQ(ZqGlAnimation::create(u"a", nullptr, 100, 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlAnimation::ERROR_NULL);
    EXPECT_EQ(ZqGlAnimation::create(u"a", good.data(), 19, 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlAnimation::ERROR_SIZE);
    EXPECT_EQ(ZqGlAnimation::create(u"a", good.data(), 0x200000, 0.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlAnimation::ERROR_SIZE);
}

TEST_F(AnimationTest, BoneAndTrackLimits) {
    Animation a = fourBones();
    a.parents.assign(127, 0);
    a.parents[0] = -1;
    ZqGlAnimation* const most = load(zq_anim_writer::write(a), u"most");
    ASSERT_NE(most, nullptr);
    EXPECT_EQ(most->getNrBones(), 127);
    EXPECT_EQ(most->getBoneNrChildren(0), 126u);
    most->release();

    // 128 tracks pass the container; the key-frame set takes at most 126.
    a.tracks.assign(128, a.tracks[1]);
    EXPECT_EQ(load(zq_anim_writer::write(a)), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlKeyFrame::ERROR_NR_TRACKS);
    std::vector<uint8_t> more = zq_anim_writer::write(a);
    const uint32_t tracks = get32(more, 20);
    put32(more, tracks + 8 + 4 * 128, get32(more, tracks + 8));
    EXPECT_EQ(load(more), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlAnimation::ERROR_NR_TRACKS);
}

TEST_F(AnimationTest, ReloadReplacesInPlaceOrKeepsTheOld) {
    ZqGlAnimation* const a = load(zq_anim_writer::write(fourBones()), u"live");
    ASSERT_NE(a, nullptr);
    const ZqGlKeyFrame* const before = a->getKeyFrame();
    std::vector<uint8_t> bad = zq_anim_writer::write(fourBones());
    bad[0] = 0;
    EXPECT_EQ(a->reload(bad.data(), static_cast<uint32_t>(bad.size()), 60.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlAnimation::ERROR_MAGIC);
    EXPECT_EQ(a->getKeyFrame(), before);
    EXPECT_EQ(a->getNrBones(), 4);

    Animation two = fourBones();
    two.parents = {-1, 0};
    two.tracks = {two.tracks[0]};
    two.tracks[0].bone = 1;
    two.frameCount = 40;
    const std::vector<uint8_t> bytes = zq_anim_writer::write(two);
    EXPECT_EQ(a->reload(bytes.data(), static_cast<uint32_t>(bytes.size()), 60.0f), a);
    EXPECT_EQ(a->getNrBones(), 2);
    EXPECT_FALSE(a->isScalingExist());
    EXPECT_EQ(a->getKeyFrame()->getTotalFrames(), 40u);
    EXPECT_EQ(a->getRefCount(), 1u);
    EXPECT_EQ(ZqGlAnimation::getNrInstances(), 1u);
    EXPECT_EQ(ZqGlKeyFrame::getNrInstances(), 1u);
    EXPECT_EQ(a->release(), 0u);
    EXPECT_EQ(a->reload(bytes.data(), static_cast<uint32_t>(bytes.size()), 60.0f), nullptr);
    EXPECT_EQ(zqp::getLastError(), ZqGlAnimation::ERROR_NOT_LIVE);
}

TEST(AnimationText, DescriptionParsesIntoTracks) {
    Animation a;
    std::string error;
    ASSERT_TRUE(zq_anim_writer::parseText("frames 30 # a comment\nfps 30\nloop 0\n"
                                          "parents -1 0\n"
                                          "track 28 1 2 frames 0 30 values 0 0 0 1 0 0 1 0\n"
                                          "track 8 -1 1 values 5\n",
                                          a, error))
        << error;
    EXPECT_EQ(a.frameCount, 30);
    EXPECT_EQ(a.loopMode, 0);
    ASSERT_EQ(a.tracks.size(), 2u);
    EXPECT_EQ(a.tracks[0].frames[1], 30);
    EXPECT_EQ(a.tracks[1].values[0], 5.0f);
    EXPECT_FALSE(zq_anim_writer::parseText("track 29 0 2 values 1 2 3\n", a, error));
    EXPECT_EQ(error, "line 1: too few values");
}

} // namespace
