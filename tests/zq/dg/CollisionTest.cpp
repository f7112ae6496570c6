// Collision sets: writer-made data loads with its parent frames, malformed data is refused
// without a crash, and the named pool shares, reloads and releases sets.
#include "zq/dg/ZqDgCollision.h"

#include "tests/support/FileTestSupport.h"
#include "tools/collision/ZqCollisionWriter.h"
#include "zq/dg/ZqDgAxisAlignedBoundingBox.h"
#include "zq/dg/ZqDgCapsule.h"
#include "zq/dg/ZqDgCollisionFormat.h"
#include "zq/dg/ZqDgLine.h"
#include "zq/dg/ZqDgOrientedBoundingBox.h"
#include "zq/dg/ZqDgPlane.h"
#include "zq/dg/ZqDgPoint.h"
#include "zq/dg/ZqDgRectangle.h"
#include "zq/dg/ZqDgSphere.h"
#include "zq/dg/ZqDgTriangle.h"
#include "zq/file/ZqByteReader.h"
#include "zq/file/ZqByteWriter.h"
#include "zq/file/ZqFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> build(const std::string& text) {
    std::vector<zqcolw::Figure> figures;
    std::vector<uint8_t> data;
    std::string error;
    EXPECT_TRUE(zqcolw::parseCollision(text, figures, error)) << error;
    EXPECT_TRUE(zqcolw::writeCollision(figures, data, error)) << error;
    return data;
}

// Offset of record k, by the chain of record sizes.
uint64_t recordAt(const std::vector<uint8_t>& d, const uint32_t k) {
    uint64_t at = zqcol::HEADER_SIZE;
    for (uint32_t i = 0; i < k; ++i) {
        at += ZqByteReader::load<uint32_t>(d.data() + at + zqcol::RECORD_SIZE);
    }
    return at;
}

template <class T> void poke(std::vector<uint8_t>& d, const uint64_t at, const T v) {
    ZqByteWriter::store(d.data() + at, v);
}

std::string points(const int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
        text += "p" + std::to_string(i) + " point " + std::to_string(i) + " 0 0\n";
    }
    return text;
}

void expectNear(const ZqVector3& v, const float x, const float y, const float z) {
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

class Collision : public ::testing::Test {
protected:
    void SetUp() override { ZqDgCollision::sysInit(); }
    void TearDown() override { ZqDgCollision::sysQuit(); }

    ZqDgCollision* load(const std::vector<uint8_t>& d, const char16_t* name = u"c") {
        return ZqDgCollision::create(name, d.data(), static_cast<unsigned int>(d.size()));
    }
};

TEST_F(Collision, EveryKindLoadsAsItsFigure) {
    const auto d = build("pt point 1 2 3\n"
                         "seg segment 0 0 0 1 0 0\n"
                         "ray ray 0 0 0 0 3 0\n"
                         "ln line 1 0 0 1 0 4\n"
                         "pl plane 0 2 0 -5\n"
                         "hs halfspace 0 0 3 1\n"
                         "sp sphere 1 1 1 0.5\n"
                         "ab aabb 0 0 0 1 2 3\n"
                         "ob obb 2 0 0 0 1 0 0 0 1 5 6 7 1 1 1\n"
                         "tr triangle 0 0 0 1 0 0 0 1 0\n"
                         "pg polygon 0 0 0 1 0 0 1 1 0\n"
                         "cp capsule 0 0 0 0 1 0 0.25\n");
    ZqDgCollision* const c = load(d);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->getNrFigures(), 12u);
    const uint32_t types[12] = {0, 3, 2, 1, 4, 8, 10, 16, 17, 5, 7, 11};
    for (uint32_t i = 0; i < 12; ++i) {
        EXPECT_EQ(c->getFigure(i)->getFigureType(), types[i]) << i;
    }
    expectNear(static_cast<ZqDgRay*>(c->getFigure(2))->m_direction, 0, 1, 0);
    // The line runs from p0 towards p1.
    expectNear(static_cast<ZqDgLine*>(c->getFigure(3))->m_direction, 0, 0, 1);
    const auto* plane = static_cast<ZqDgPlane*>(c->getFigure(4));
    expectNear(plane->m_normal, 0, 1, 0);
    EXPECT_FLOAT_EQ(plane->m_distance, 5.0f);
    const auto* obb = static_cast<ZqDgOrientedBoundingBox*>(c->getFigure(8));
    expectNear(obb->m_axis[0], 1, 0, 0);
    expectNear(obb->m_center, 5, 6, 7);
    EXPECT_EQ(static_cast<ZqDgPolygon*>(c->getFigure(10))->getNrPoints(), 3u);
    EXPECT_EQ(c->release(), 0u);
}

TEST_F(Collision, ChildrenHangInTheirAncestorsFrames) {
    // The root's frame turns a quarter about z (x goes to y) and sits at (10, 0, 0); the middle
    // frame sits at (1, 2, 3) in the root's; a figure's own frame never moves itself.
    const float h = 0.70710678f;
    const auto d =
        build("root point 0 0 0 at 10 0 0 rot 0 0 " + std::to_string(h) + " " + std::to_string(h) +
              "\n"
              "mid point 0 0 0 parent root at 1 2 3\n"
              "leaf point 1 0 0 parent mid\n"
              "seg segment 0 0 0 1 0 0 parent root\n");
    ZqDgCollision* const c = load(d);
    ASSERT_NE(c, nullptr);
    expectNear(static_cast<ZqDgPoint*>(c->getFigure(0))->m_position, 0, 0, 0);
    expectNear(static_cast<ZqDgPoint*>(c->getFigure(1))->m_position, 10, 0, 0);
    expectNear(static_cast<ZqDgPoint*>(c->getFigure(2))->m_position, 8, 2, 3);
    const auto* seg = static_cast<ZqDgSegment*>(c->getFigure(3));
    expectNear(seg->m_start, 10, 0, 0);
    expectNear(seg->m_end, 10, 1, 0);
    c->release();
}

TEST_F(Collision, HeaderAndChainRules) {
    const auto good = build(points(2));
    struct Case {
        int line;
        std::vector<uint8_t> data;
        bool loads;
    };
    std::vector<Case> cases;
    cases.push_back({__LINE__, build(""), true});
    cases.push_back({__LINE__, build(points(64)), true});
    cases.push_back({__LINE__, good, true});
    auto changed = [&](auto edit) {
        std::vector<uint8_t> d = good;
        edit(d);
        return d;
    };
    cases.push_back({__LINE__, std::vector<uint8_t>(good.begin(), good.begin() + 31), false});
    cases.push_back({__LINE__, changed([](auto& d) { d[6] = 'X'; }), false});
    cases.push_back({__LINE__, changed([](auto& d) { d[7] = ' '; }), false});
    cases.push_back({__LINE__, changed([](auto& d) { poke<uint32_t>(d, 8, 3); }), false});
    cases.push_back({__LINE__, changed([](auto& d) { poke<uint32_t>(d, 12, 1); }), false});
    cases.push_back({__LINE__, changed([](auto& d) { d[16] = 0; }), false});
    cases.push_back({__LINE__, changed([](auto& d) { d[17] = 1; }), false});
    cases.push_back({__LINE__, changed([](auto& d) { d.push_back(0); }), false});
    cases.push_back(
        {__LINE__, changed([](auto& d) { poke<uint32_t>(d, 20, uint32_t(d.size() + 1)); }), false});
    // 65 records: the writer refuses them, so the count is raised by hand.
    cases.push_back({__LINE__, changed([](auto& d) { poke<uint32_t>(d, 24, 65); }), false});
    // The last-record flag on record 0 of two; the last record need not carry it.
    cases.push_back({__LINE__, changed([](auto& d) { poke<uint16_t>(d, 32 + 2, 1); }), false});
    cases.push_back(
        {__LINE__, changed([](auto& d) { poke<uint16_t>(d, recordAt(d, 1) + 2, 0); }), true});
    cases.push_back({__LINE__, changed([](auto& d) { poke<uint16_t>(d, 32, 1); }), false});
    cases.push_back({__LINE__, changed([](auto& d) { poke<uint16_t>(d, 32 + 8, 12); }), false});
    cases.push_back({__LINE__, changed([](auto& d) { poke<uint16_t>(d, 32 + 12, 2); }), false});
    cases.push_back({__LINE__, changed([](auto& d) { poke<uint16_t>(d, 32 + 12, 1); }), true});
    cases.push_back(
        {__LINE__, changed([](auto& d) { poke<uint32_t>(d, 32 + 4, 0xFFFFFFF0u); }), false});
    cases.push_back(
        {__LINE__, changed([](auto& d) { poke<uint32_t>(d, 28, 0xFFFFFFF0u); }), false});
    cases.push_back({__LINE__, build("s sphere 0 0 0 0\n"), false});
    cases.push_back({__LINE__, build("p point 2e7 0 0\n"), false});
    cases.push_back({__LINE__, build("p point 9e6 0 0\n"), true});
    for (const Case& c : cases) {
        ZqDgCollision* const s = load(c.data);
        EXPECT_EQ(s != nullptr, c.loads) << "line " << c.line;
        if (s != nullptr) {
            EXPECT_EQ(s->release(), 0u);
        }
    }
    EXPECT_EQ(ZqDgCollision::getNrFree(), ZqDgCollision::POOL_SIZE);
}

TEST_F(Collision, SizeLimitsOfDataInMemory) {
    // A sphere record padded so that the whole data is exactly the size under test.
    auto sized = [](const uint32_t size) {
        std::vector<uint8_t> d = build("s sphere 0 0 0 1\n");
        d.resize(size);
        poke<uint32_t>(d, 20, size);
        poke<uint32_t>(d, 32 + 4, size - 32);
        return d;
    };
    const auto max = sized(32767);
    ZqDgCollision* const s = load(max);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->getNrFigures(), 1u);
    s->release();
    EXPECT_EQ(load(sized(32768)), nullptr);
}

TEST_F(Collision, RecordsThatOverrunOrLoopAreRefused) {
    const auto two = build("a point 0 0 0 at 1 2 3\nb point 0 0 0 parent a\n");
    std::vector<std::vector<uint8_t>> bad;
    // A record too short for its figure, or for the transform block its flag announces.
    auto d = two;
    poke<uint32_t>(d, 32 + 4, 16 + 8);
    bad.push_back(d);
    d = two;
    poke<uint32_t>(d, 32 + 4, 16 + 12 + 16);
    bad.push_back(d);
    // The last record's flag claims a transform block past the end of the data.
    d = two;
    poke<uint16_t>(d, recordAt(d, 1) + 2, zqcol::FLAG_TRANSFORM | zqcol::FLAG_LAST);
    bad.push_back(d);
    // A polygon count whose points would run far past the end (the sum must not wrap).
    d = build("g polygon 0 0 0 1 0 0 1 1 0\n");
    poke<uint32_t>(d, 32 + 16, 0xFFFFFFFFu);
    bad.push_back(d);
    poke<uint32_t>(d, 32 + 16, 0x15555556u);
    bad.push_back(d);
    // Parents that come back: each other's, and a record its own parent.
    d = two;
    poke<uint16_t>(d, 32 + 12, 1);
    bad.push_back(d);
    d = two;
    poke<uint16_t>(d, recordAt(d, 1) + 12, 1);
    bad.push_back(d);
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(load(bad[i]), nullptr) << i;
    }
    EXPECT_EQ(ZqDgCollision::getNrFree(), ZqDgCollision::POOL_SIZE);
}

TEST_F(Collision, ThePoolSharesNamesAndReloadsInPlace) {
    const auto one = build("a sphere 0 0 0 1\n");
    const auto three = build(points(3));
    ZqDgCollision* const c = load(one);
    ASSERT_NE(c, nullptr);
    // The same name again: the same set, its data unread.
    EXPECT_EQ(load(three), c);
    EXPECT_EQ(c->getRefCount(), 2u);
    EXPECT_EQ(c->getNrFigures(), 1u);

    auto broken = three;
    broken[0] = 0;
    EXPECT_EQ(c->reload(broken.data(), static_cast<unsigned int>(broken.size())), nullptr);
    EXPECT_EQ(c->getFigure(0)->getFigureType(), ZqDgFigure::SPHERE);
    EXPECT_EQ(c->reload(three.data(), static_cast<unsigned int>(three.size())), c);
    ASSERT_EQ(c->getNrFigures(), 3u);
    EXPECT_EQ(c->removeFigure(0), 2u);
    expectNear(static_cast<ZqDgPoint*>(c->getFigure(0))->m_position, 1, 0, 0);
    EXPECT_EQ(c->addFigure(new ZqDgPoint(7, 0, 0)), 3u);

    // With every slot taken, a new name and every reload fail; nothing leaks.
    std::vector<ZqDgCollision*> held;
    for (uint32_t i = 1; i < ZqDgCollision::POOL_SIZE; ++i) {
        const std::u16string name = u"n" + std::u16string(1, char16_t(u'a' + i));
        held.push_back(ZqDgCollision::create(name.c_str(), one.data(), uint32_t(one.size())));
        ASSERT_NE(held.back(), nullptr);
    }
    EXPECT_EQ(ZqDgCollision::create(u"other", one.data(), uint32_t(one.size())), nullptr);
    EXPECT_EQ(c->reload(one.data(), static_cast<unsigned int>(one.size())), nullptr);
    EXPECT_EQ(c->getNrFigures(), 3u);
    for (ZqDgCollision* const s : held) {
        EXPECT_EQ(s->release(), 0u);
    }
    EXPECT_EQ(c->release(), 1u);
    EXPECT_EQ(c->release(), 0u);
    EXPECT_EQ(c->reload(one.data(), static_cast<unsigned int>(one.size())), nullptr);
    // No name, or null data: nothing, and an empty set.
    EXPECT_EQ(ZqDgCollision::create(u"", one.data(), uint32_t(one.size())), nullptr);
    ZqDgCollision* const empty = ZqDgCollision::create(u"e", nullptr, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->getNrFigures(), 0u);
    empty->release();
}

TEST_F(Collision, FilesLoadAndReloadThroughTheFileService) {
    ZqFile::sysInit();
    {
        const ScratchFolder scratch;
        writeBytes(scratch.root() / "a.col", build("a sphere 0 0 0 1\n"));
        writeBytes(scratch.root() / "b.col", build(points(2)));
        writeBytes(scratch.root() / "short.col", std::vector<uint8_t>(31, 0));
        ZqDgCollision* const a = ZqDgCollision::create(u"a.col");
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->getNrFigures(), 1u);
        EXPECT_EQ(a->reload(u"missing.col"), nullptr);
        EXPECT_EQ(a->reload(u"b.col"), a);
        EXPECT_EQ(a->getNrFigures(), 2u);
        EXPECT_EQ(ZqDgCollision::create(u"x", u"missing.col"), nullptr);
        EXPECT_EQ(ZqDgCollision::create(u"short.col"), nullptr);
        ZqDgCollision* const none = ZqDgCollision::create(u"none", static_cast<char16_t*>(nullptr));
        ASSERT_NE(none, nullptr);
        EXPECT_EQ(none->getNrFigures(), 0u);
        none->release();
        a->release();
    }
    ZqFile::sysQuit();
}

TEST(CollisionWriter, RefusesWhatTheFormatCannotHold) {
    const char* const texts[] = {
        "a point 1 2\n",
        "a cube 1 2 3\n",
        "a point 1 2 3\na point 1 2 3\n",
        "a point 1 2 3 parent b\n",
        "a point 1 2 3 parent b\nb point 0 0 0 parent a\n",
        "a point 1 2 x\n",
    };
    for (const char* const text : texts) {
        std::vector<zqcolw::Figure> figures;
        std::vector<uint8_t> data;
        std::string error;
        EXPECT_FALSE(zqcolw::parseCollision(text, figures, error) &&
                     zqcolw::writeCollision(figures, data, error))
            << text;
    }
}

} // namespace
