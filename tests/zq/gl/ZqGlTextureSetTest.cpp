// ZqGlTextureSet: files from the texture-set writer load, refused and truncated files fail,
// names are shared, reload replaces in place, and the texture slots hold their references.
#include "zq/gl/ZqGlTextureSet.h"

#include "tests/support/ImageFiles.h"
#include "tests/zq/gl/FrameworkRun.h"
#include "tools/textureset/ZqTextureSetWriter.h"
#include "zq/gl/ZqGlTexture.h"
#include "zq/gl/ZqGlTextureSetFormat.h"
#include "zq/platform/gpu/gpu_test.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> file(const zqtsw::Sets& sets) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(zqtsw::writeTextureSet(sets, out, error)) << error;
    return out;
}

void putU32(std::vector<uint8_t>& f, const size_t at, const uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        f[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

class TextureSet : public ::testing::Test {
protected:
    void SetUp() override { ZqGlTextureSet::sysInit(); }
    void TearDown() override { ZqGlTextureSet::sysQuit(); }

    static ZqGlTextureSet* make(const std::vector<uint8_t>& f, const char16_t* name = u"ts") {
        return ZqGlTextureSet::create(name, f.data(), static_cast<uint32_t>(f.size()));
    }
};

TEST_F(TextureSet, WriterMadeFilesLoadWithTheirNames) {
    zqtsw::Sets sets;
    std::string error;
    ASSERT_TRUE(zqtsw::parseTextureSet("# body, face, hair\n"
                                       "a_body.dds a_face.dds hair.dds\n\n"
                                       "b_body.dds b_face.dds hair.dds\n",
                                       sets, error))
        << error;
    const std::vector<uint8_t> f = file(sets);
    ZqGlTextureSet* const s = make(f);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->getNrSets(), 2u);
    EXPECT_EQ(s->getNrTexturesPerSet(), 3u);
    EXPECT_EQ(std::u16string(s->getTextureFilename(1, 1)), u"b_face.dds");
    EXPECT_EQ(std::u16string(s->getTextureFilename(0, 2)), u"hair.dds");
    EXPECT_EQ(std::u16string(s->getTextureFilename(1, 2)), u"hair.dds");
    EXPECT_EQ(s->getTexture(1, 2), nullptr);
    EXPECT_EQ(s->getTextureArray(1), s->getTextureArray(0) + 3);
    // The same name shares the set; each reference is released on its own.
    EXPECT_EQ(make(f), s);
    EXPECT_EQ(s->release(), 1u);
    EXPECT_EQ(s->release(), 0u);

    // No sets and no textures per set: an empty set that still loads.
    ZqGlTextureSet* const empty = make(file({}), u"empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->getNrSets(), 0u);
    empty->release();
}

TEST_F(TextureSet, RefusesBrokenAndTruncatedFiles) {
    const std::vector<uint8_t> good = file({{"a.dds", "bb.dds"}, {"c.dds", "a.dds"}});
    ASSERT_NE(make(good, u"good"), nullptr);
    const uint32_t setTable = zqts::HEADER_SIZE;
    const uint32_t arrays = setTable + 4 + 8;
    const uint32_t nameTable = arrays + 8;
    struct Row {
        int line;
        std::function<void(std::vector<uint8_t>&)> spoil;
    };
    const std::vector<Row> rows = {
        {__LINE__, [](auto& f) { f[3] = 'X'; }},
        {__LINE__, [](auto& f) { putU32(f, zqts::OFFSET_VERSION, 2); }},
        {__LINE__, [](auto& f) { f[zqts::OFFSET_FLAG_ONE] = 0; }},
        {__LINE__, [](auto& f) { f[zqts::OFFSET_FLAG_ZERO] = 1; }},
        {__LINE__, [](auto& f) { putU32(f, zqts::OFFSET_SET_COUNT, 256); }},
        {__LINE__, [](auto& f) { putU32(f, zqts::OFFSET_HIGHEST_NAME, 256); }},
        {__LINE__, [](auto& f) { putU32(f, zqts::OFFSET_SET_TABLE, 35); }},
        {__LINE__, [](auto& f) { putU32(f, zqts::OFFSET_NAME_TABLE, f.size() - 4); }},
        {__LINE__, [=](auto& f) { putU32(f, setTable, 256); }},
        // An index array starting before the set table's own entries.
        {__LINE__, [=](auto& f) { putU32(f, setTable + 4, 4); }},
        // An index above the highest name index (2); the highest itself is fine (below).
        {__LINE__, [=](auto& f) { f[arrays] = 3; }},
        // A name offset inside the name table, and a name without its zero in the file.
        {__LINE__, [=](auto& f) { putU32(f, nameTable, 4); }},
        {__LINE__, [](auto& f) { f.back() = 'x'; }},
        // A name that is not plain ASCII fails the whole file.
        {__LINE__, [=](auto& f) { f[nameTable + 12] = 0xC3; }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        std::vector<uint8_t> f = good;
        r.spoil(f);
        EXPECT_EQ(make(f), nullptr);
    }
    std::vector<uint8_t> highest = good;
    highest[arrays] = 2;
    ZqGlTextureSet* const h = make(highest, u"highest");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(std::u16string(h->getTextureFilename(0, 0)), u"c.dds");

    // Every truncation is refused: also those where only the start of the last index array or
    // of the name table lies inside the file.
    for (size_t n = 0; n < good.size(); ++n) {
        SCOPED_TRACE(n);
        const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(n));
        EXPECT_EQ(ZqGlTextureSet::create(u"cut", cut.data(), static_cast<uint32_t>(n)), nullptr);
    }
    // An index array that starts inside the file but runs past its end.
    std::vector<uint8_t> overrun = good;
    putU32(overrun, setTable + 8, static_cast<uint32_t>(overrun.size() - 3 - setTable));
    EXPECT_EQ(make(overrun), nullptr);

    // Null arguments and files of 16,384 bytes or more.
    EXPECT_EQ(ZqGlTextureSet::create(nullptr, good.data(), 100), nullptr);
    EXPECT_EQ(ZqGlTextureSet::create(u"n", nullptr, 100), nullptr);
    std::vector<uint8_t> big = good;
    big.resize(zqts::MAX_FILE_SIZE);
    EXPECT_EQ(make(big), nullptr);
}

TEST_F(TextureSet, ReloadReplacesTheTableInPlace) {
    ZqGlTextureSet* const s = make(file({{"a.dds"}}));
    ASSERT_NE(s, nullptr);
    const std::vector<uint8_t> next = file({{"x.dds", "y.dds"}, {"z.dds", "x.dds"}});
    EXPECT_EQ(s->reload(next.data(), static_cast<uint32_t>(next.size())), s);
    EXPECT_EQ(s->getNrSets(), 2u);
    EXPECT_EQ(std::u16string(s->getTextureFilename(1, 0)), u"z.dds");
    std::vector<uint8_t> bad = next;
    bad[0] = 0;
    EXPECT_EQ(s->reload(bad.data(), static_cast<uint32_t>(bad.size())), nullptr);
    EXPECT_EQ(std::u16string(s->getTextureFilename(1, 0)), u"z.dds");
    // The element the reload borrowed went back: the pool holds only the set itself.
    EXPECT_EQ(ZqGlTextureSet::getNrInstances(), 1u);
    EXPECT_EQ(ZqGlTextureSet::search(u"ts"), s);
    s->release();
}

TEST(TextureSetSlots, HoldAReferenceOnTheirTextures) {
    zqp::gpu::test::clearAll();
    zqtest::ScriptTask root;
    root.onFrame = [](const uint32_t frame) {
        if (frame == 0) {
            const std::vector<uint8_t> image =
                zqtest::encodeImage(zqtest::ImageFile::Png, 4, 4, zqtest::testPicture(4, 4));
            ZqGlTexture* const t =
                ZqGlTexture::create(u"t.png", image.data(), static_cast<uint32_t>(image.size()), 0);
            EXPECT_NE(t, nullptr);
            const std::vector<uint8_t> f = file({{"t.png", "t.png"}});
            ZqGlTextureSet* const s =
                ZqGlTextureSet::create(u"slots", f.data(), static_cast<uint32_t>(f.size()));
            EXPECT_NE(s, nullptr);
            if (t == nullptr || s == nullptr) {
                return false;
            }
            s->setTexture(0, 0, t);
            s->setTexture(0, 1, t);
            EXPECT_EQ(t->getRefCount(), 3u);
            // The same texture again keeps it alive.
            s->setTexture(0, 0, t);
            EXPECT_EQ(t->getRefCount(), 3u);
            EXPECT_EQ(s->getTextureArray(0)[1], t);
            s->setTexture(0, 1, nullptr);
            EXPECT_EQ(t->getRefCount(), 2u);
            // Releasing the set releases what its slots hold.
            EXPECT_EQ(s->release(), 0u);
            EXPECT_EQ(t->getRefCount(), 1u);
            t->release();
        }
        return frame < 1;
    };
    ASSERT_EQ(zqtest::runFrameworkCode(root), 0u);
}

} // namespace
