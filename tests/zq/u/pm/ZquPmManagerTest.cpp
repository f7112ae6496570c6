// Files, loader, instances and batches through the public interfaces, with writer-made files
// and textures stood in by the loader's hooks (no device needed).
#include "zq/u/pm/ZquPmManager.h"
#include "tools/particle/ZqPmWriter.h"
#include "zq/file/ZqFile.h"
#include "zq/u/pm/DxParticle_internal.h"
#include "zq/u/pm/ParticleManager_internal.h"
#include "zq/u/pm/ZquPmFileLoader.h"
#include "zq/u/pm/ZquPmFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

using namespace ZquPm;

namespace {

zqpmw::PmdDesc effect(const std::string& list, const uint32_t emitters, const uint16_t loop,
                      const float length) {
    zqpmw::PmdDesc d;
    d.texList = list;
    d.loop = loop;
    d.length = length;
    for (uint32_t i = 0; i < emitters; ++i) {
        EMITDATA e = EMITDATA::defaults();
        e.kind = i % 3;
        e.count = 2;
        e.life = 3;
        e.particleLife = 5;
        e.texture = 0;
        d.emitters.push_back(e);
    }
    return d;
}

// Textures stood in by distinct addresses, counted per name.
struct FakeTextures {
    std::map<std::u16string, int> refs;
    std::vector<char> storage = std::vector<char>(64);
    std::map<std::u16string, ZqGlTexture*> byName;
    void install(ZquPmFileLoader& l) {
        l.setTextureHooks(
            [this](const std::u16string& name, bool create) -> ZqGlTexture* {
                if (!create && byName.count(name) == 0) {
                    return nullptr;
                }
                if (byName.count(name) == 0) {
                    byName[name] = reinterpret_cast<ZqGlTexture*>(storage.data() + byName.size());
                }
                refs[name] += create ? 1 : 0;
                return byName[name];
            },
            [this](ZqGlTexture* t) {
                for (auto& [n, p] : byName) {
                    if (p == t) {
                        --refs[n];
                    }
                }
            });
    }
};

TEST(ZquPmFiles, WriterRoundTripAndRefusals) {
    const zqpmw::PmdDesc d = effect("fire.pmt", 3, 1, 2.0f);
    const std::vector<uint8_t> pmd = zqpmw::writePmd(d);
    ASSERT_EQ(pmd.size(), 288u + 3u * 624u);
    PMD_HEADER h;
    ASSERT_TRUE(ZquPmFileLoader::parsePmd(pmd.data(), pmd.size(), h));
    EXPECT_EQ(h.texList, "fire.pmt");
    EXPECT_EQ(h.loop, 1);
    EXPECT_EQ(h.emitters.size(), 3u);
    EXPECT_EQ(zqpmw::writeEmitData(h.emitters[1]), zqpmw::writeEmitData(d.emitters[1]));

    zqpmw::PmtDesc t;
    t.textures = {"a/b.png", "c.png"};
    t.frames = {{0.0f, 0.0f, 0.5f, 0.5f}};
    const std::vector<uint8_t> pmt = zqpmw::writePmt(t);
    PMTEXTURE list;
    std::vector<std::string> names;
    ASSERT_TRUE(ZquPmFileLoader::parsePmt(pmt.data(), pmt.size(), list, &names));
    EXPECT_EQ(names, (std::vector<std::string>{"a/b.png", "c.png"}));
    EXPECT_FLOAT_EQ(list.frames[0].du, 0.5f);

    struct Bad {
        std::vector<uint8_t> bytes;
        bool pmdFile;
        const char* what;
    };
    std::vector<uint8_t> shortPmd(pmd.begin(), pmd.end() - 1);
    std::vector<uint8_t> shortPmt(pmt.begin(), pmt.end() - 1);
    std::vector<uint8_t> manyTextures = pmt;
    manyTextures[zqpm::PMT_TEXTURE_COUNT] = 17;
    std::vector<uint8_t> hugeCount = pmd;
    std::memset(hugeCount.data() + zqpm::PMD_EMITTER_COUNT, 0xFF, 4);
    std::vector<uint8_t> foreign = pmd;
    foreign[3] = '1';
    const Bad bad[] = {
        {shortPmd, true, "short description"}, {hugeCount, true, "count past the end"},
        {foreign, true, "wrong magic"},        {shortPmt, false, "short list"},
        {manyTextures, false, "17 textures"},  {{}, true, "empty"}};
    for (const Bad& b : bad) {
        PMD_HEADER hh;
        PMTEXTURE ll;
        const bool ok =
            b.pmdFile ? ZquPmFileLoader::parsePmd(b.bytes.data(), b.bytes.size(), hh)
                      : ZquPmFileLoader::parsePmt(b.bytes.data(), b.bytes.size(), ll, nullptr);
        EXPECT_FALSE(ok) << b.what;
    }

    zqpmw::Description desc;
    std::string error;
    EXPECT_FALSE(zqpmw::parseDescription("pmd x.pmd\nemitter\n  nosuchfield 1\n", desc, error));
    EXPECT_NE(error.find("line 3"), std::string::npos);
}

TEST(ZquPmFiles, SharingAndTextureSlots) {
    ZquPmFileLoader loader;
    FakeTextures tex;
    tex.install(loader);
    // Two lists sharing one texture: one slot, kept until the last list goes.
    zqpmw::PmtDesc a;
    a.textures = {"x.png", "y.png"};
    zqpmw::PmtDesc b;
    b.counter = 1;
    b.textures = {"y.png"};
    const std::vector<uint8_t> ia = zqpmw::writePmt(a);
    const std::vector<uint8_t> ib = zqpmw::writePmt(b);
    // Registered from memory: the textures must exist already.
    EXPECT_EQ(loader.LoadPMT(ia.data(), ia.size(), "a.pmt"), nullptr);
    tex.byName[u"x.png"] = reinterpret_cast<ZqGlTexture*>(tex.storage.data() + 10);
    tex.byName[u"y.png"] = reinterpret_cast<ZqGlTexture*>(tex.storage.data() + 11);
    PMTEXTURE* const la = loader.LoadPMT(ia.data(), ia.size(), "a.pmt");
    PMTEXTURE* const lb = loader.LoadPMT(ib.data(), ib.size(), "b.pmt");
    ASSERT_NE(la, nullptr);
    ASSERT_NE(lb, nullptr);
    EXPECT_EQ(loader.LoadPMT(ia.data(), ia.size(), "a.pmt"), la) << "same 16 bytes share";
    EXPECT_EQ(loader.getTex(1), tex.byName[u"x.png"]);
    EXPECT_EQ(loader.getTex(2), tex.byName[u"y.png"]);
    EXPECT_EQ(loader.getTex(3), nullptr);
    loader.UnLoadPMT(la);
    loader.UnLoadPMT(la);
    EXPECT_EQ(loader.getTex(1), nullptr);
    EXPECT_EQ(loader.getTex(2), tex.byName[u"y.png"]) << "still used by the second list";
    loader.UnLoadPMT(lb);
    EXPECT_EQ(loader.getTex(2), nullptr);
    for (const auto& [name, n] : tex.refs) {
        EXPECT_EQ(n, 0) << "found textures are not the lists' to release";
    }

    // Descriptions from memory: 288-byte identity, the list found by its bare name.
    PMTEXTURE* const lc = loader.LoadPMT(ia.data(), ia.size(), "fire.pmt");
    zqpmw::PmdDesc d = effect("fire.pmt", 1, 0, 1.0f);
    std::vector<uint8_t> i1 = zqpmw::writePmd(d);
    d.emitters[0].count = 9;
    std::vector<uint8_t> i2 = zqpmw::writePmd(d);
    const PMD_HEADER* const p1 = loader.LoadPMD(i1.data(), i1.size());
    const PMD_HEADER* const p2 = loader.LoadPMD(i2.data(), i2.size());
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(p1, p2) << "images differing after byte 288 share one record";
    EXPECT_EQ(loader.getPmTexture(p1), lc);
    loader.UnLoadPMD(p1);
    loader.UnLoadPMD(p2);
    EXPECT_EQ(loader.getTex(1), tex.byName[u"x.png"]) << "the list keeps its own reference";
    loader.UnLoadPMT(lc);
    EXPECT_EQ(loader.getTex(1), nullptr);
    i1[0] = 'X';
    EXPECT_EQ(loader.LoadPMD(i1.data(), i1.size()), nullptr) << "wrong magic from memory";
}

TEST(ZquPmFiles, DirectoryRulesOfFileLoads) {
    const std::string root = ::testing::TempDir() + "pmfiles" + std::to_string(::getpid());
    std::filesystem::create_directories(root + "/data/pmd");
    std::filesystem::create_directories(root + "/data/pmt");
    zqpmw::Description d;
    d.effects.push_back(effect("fire.pmt", 1, 0, 1.0f));
    d.effects.back().file = "fire.pmd";
    zqpmw::PmtDesc t;
    t.file = "fire.pmt";
    t.textures = {"somewhere/fire.png"};
    d.lists.push_back(t);
    std::string error;
    zqpmw::Description pmdOnly{d.effects, {}};
    zqpmw::Description pmtOnly{{}, d.lists};
    ASSERT_TRUE(zqpmw::writeFiles(pmdOnly, root + "/data/pmd", error)) << error;
    ASSERT_TRUE(zqpmw::writeFiles(pmtOnly, root + "/data/pmt", error)) << error;

    ZqFile::sysInit();
    ZquPmFileLoader loader;
    FakeTextures tex;
    tex.install(loader);
    const std::string p = root + "/data/pmd/fire.pmd";
    const std::u16string path(p.begin(), p.end());
    const PMD_HEADER* const a = loader.LoadPMD(path.c_str());
    ASSERT_NE(a, nullptr);
    const std::string png = root + "/data/png/fire.png";
    EXPECT_EQ(tex.refs[std::u16string(png.begin(), png.end())], 1);
    EXPECT_EQ(loader.LoadPMD(path.c_str()), a) << "the same path shares the load";
    loader.UnLoadPMD(a);
    EXPECT_NE(loader.getTex(1), nullptr);
    loader.UnLoadPMD(a);
    EXPECT_EQ(loader.getTex(1), nullptr);
    EXPECT_EQ(tex.refs[std::u16string(png.begin(), png.end())], 0);
    EXPECT_EQ(loader.LoadPMT(u"nofolder.pmt"), nullptr);
    ZqFile::sysQuit();
    std::filesystem::remove_all(root);
}

class ZquPmManagerRun : public ::testing::Test {
protected:
    void SetUp() override {
        // Handles and random draws as on a fresh start, whichever test ran before.
        ZquPmManager::handle = 0;
        setRandState(RandState{});
        ZquPmManager::sysInit();
        ASSERT_NE(ZquPmManager::create(30.0f, static_cast<ZqGlShader*>(nullptr)), nullptr);
    }
    void TearDown() override { ZquPmManager::sysQuit(); }
};

TEST_F(ZquPmManagerRun, InstancesRunWindDownAndAreDroppedByHandle) {
    const std::vector<uint8_t> img = zqpmw::writePmd(effect("none.pmt", 3, 0, 0.1f));
    ZquPmEffect* const fx = ZquPmEffect::create(img.data(), img.size(), false);
    ASSERT_NE(fx, nullptr);
    EXPECT_EQ(fx->getHandle(), 1u);
    EXPECT_EQ(ZquPmManager::getEffect(1), fx);
    EXPECT_EQ(fx->getParam().emitterCount, 3u);
    // 100 ms at 30 steps a second: three steps, almost nothing carried.
    ZquPmManager::gpm->update(100.0f);
    EXPECT_EQ(ZquPmManager::pm->stepCount(), 3u);
    EXPECT_NEAR(ZquPmManager::before_tick, 0.0f, 1e-3f);
    EXPECT_EQ(fx->getState(), ZquPmEffect::STATE_WINDING_DOWN);
    // Emitters of life 3 and particles of life 5 die out; then the instance ends and goes.
    int steps = 0;
    while (ZquPmManager::getEffect(1) != nullptr && steps < 50) {
        ZquPmManager::gpm->update(40.0f);
        ++steps;
    }
    EXPECT_LT(steps, 50);
    EXPECT_EQ(ZquPmManager::getEffectCount(), 0u);

    // A second instance gets handle 2; release drops it at once with its particles.
    ZquPmEffect* const fx2 = ZquPmEffect::create(img.data(), img.size(), false);
    ASSERT_NE(fx2, nullptr);
    EXPECT_EQ(fx2->getHandle(), 2u);
    ZquPmManager::gpm->update(40.0f);
    EXPECT_GT(ZquPmManager::pm->rot().count(), 0u);
    fx2->release();
    EXPECT_EQ(ZquPmManager::getEffect(2), nullptr);
    EXPECT_EQ(ZquPmManager::pm->rot().count() + ZquPmManager::pm->line().count() +
                  ZquPmManager::pm->model().count(),
              0u);
}

TEST_F(ZquPmManagerRun, LoopingRestartsAndOpenEmittersEndWithTheLength) {
    zqpmw::PmdDesc d = effect("none.pmt", 1, 1, 0.1f);
    d.emitters[0].life = 0;
    const std::vector<uint8_t> img = zqpmw::writePmd(d);
    ZquPmEffect* const fx = ZquPmEffect::create(img.data(), img.size(), false);
    ASSERT_NE(fx, nullptr);
    for (int i = 0; i < 20; ++i) {
        ZquPmManager::gpm->update(100.0f);
    }
    EXPECT_EQ(fx->getState(), ZquPmEffect::STATE_RUNNING);
    EXPECT_EQ(ZquPmManager::pm->emitterCount(), 1u) << "no pile of open emitters";
    fx->setLoop(false);
    for (int i = 0; i < 10; ++i) {
        ZquPmManager::gpm->update(100.0f);
    }
    EXPECT_EQ(ZquPmManager::getEffectCount(), 0u);
}

TEST_F(ZquPmManagerRun, EditRateZeroStepsOncePerUpdateAndRootByReference) {
    ZquPmManager::editFPS = 0.0f;
    zqpmw::PmdDesc d = effect("none.pmt", 1, 0, 0.1f);
    d.rate = 30;
    const std::vector<uint8_t> img = zqpmw::writePmd(d);
    ZquPmEffect* const fx = ZquPmEffect::create(img.data(), img.size(), false);
    ASSERT_NE(fx, nullptr);
    ZquPmManager::gpm->update(1000.0f);
    ZquPmManager::gpm->update(1000.0f);
    EXPECT_EQ(ZquPmManager::pm->stepCount(), 2u);
    EXPECT_EQ(fx->getState(), ZquPmEffect::STATE_RUNNING);
    ZquPmManager::gpm->update(0.0f);
    EXPECT_EQ(fx->getState(), ZquPmEffect::STATE_WINDING_DOWN) << "3 frames = 30 x 0.1";

    const ZqMatrix moved(5.0f, 0.0f, 0.0f);
    fx->setRoot(&moved, true);
    fx->setPos(ZqVector3(9.0f, 9.0f, 9.0f));
    EXPECT_EQ(fx->getRoot(), &moved);
    EXPECT_EQ(fx->getRoot()->_41, 5.0f) << "a root by reference is not moved by setPos";
}

TEST(DxParticleBuild, BatchesVerticesAndMeshes) {
    auto pm = ParticleManager::create();
    auto dx = DxParticle::create();
    EmitParam ep;
    PMTEXTURE list;
    list.frames = {{0.25f, 0.5f, 0.25f, 0.5f}};
    ep.texList = &list;
    EMITDATA e = EMITDATA::defaults();
    e.count = 3;
    e.life = 1;
    e.alpha[0] = e.alpha[1] = e.alpha[2] = 128.0f;
    e.psize[0] = e.psize[1] = e.psize[2] = 2.0f;
    e.size2[0] = e.size2[1] = e.size2[2] = 2.0f;
    e.frameFirst = 0;
    e.angle = 180;
    pm->startEmitter(&e, &ep);
    e.blend = 1;
    e.frameFirst = 5; // outside the list: the whole texture
    pm->startEmitter(&e, &ep);
    pm->update();
    dx->build(*pm);
    ASSERT_EQ(dx->rot().batchCount, 2u);
    EXPECT_EQ(dx->rot().batches[0].blend, 0u);
    EXPECT_EQ(dx->rot().batches[1].blend, 1u) << "each batch draws with its emitter's blend";
    EXPECT_EQ(dx->rot().batches[1].first, 3u);
    std::vector<DxParticle::RotVertex> v(4 * DxParticle::MAX_RECORDS);
    ASSERT_EQ(dx->fillRot(v.data()), 6u);
    EXPECT_FLOAT_EQ(v[0].u, 0.5f);
    EXPECT_FLOAT_EQ(v[0].v, 1.0f);
    EXPECT_FLOAT_EQ(v[3].u, 0.25f);
    EXPECT_FLOAT_EQ(v[0].ox, 1.0f);
    EXPECT_FLOAT_EQ(v[3].oy, -1.0f);
    EXPECT_EQ(v[0].argb >> 24, 128u);
    // Angle 180 degrees is byte 128: a = 0, so (sin, cos) = (0, 1).
    EXPECT_NEAR(v[0].s, 0.0f, 1e-6f);
    EXPECT_NEAR(v[0].c, 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(v[12].u, 1.0f) << "frame outside the list";

    // The 1001st rotating particle of a frame is not kept.
    dx->clear();
    dx->openRotBatch(0, 0);
    for (uint32_t i = 0; i < DxParticle::MAX_RECORDS; ++i) {
        ASSERT_EQ(dx->addRot(DxParticle::RotRecord{}), static_cast<int>(i + 1));
    }
    EXPECT_EQ(dx->addRot(DxParticle::RotRecord{}), -1);

    // Meshes: vertex and index counts per shape, refusals.
    struct Mesh {
        uint16_t shape;
        uint16_t segments;
        bool ok;
        uint32_t vertices;
        uint32_t indices;
    };
    const Mesh meshes[] = {{0, 6, true, 4, 6},    {1, 6, true, 8, 12},     {2, 6, true, 14, 36},
                           {3, 6, true, 18, 18},  {4, 6, false, 0, 0},     {2, 0, false, 0, 0},
                           {2, 400, false, 0, 0}, {3, 266, true, 798, 798}};
    for (const Mesh& m : meshes) {
        DxParticle::ModelEntry me;
        me.vertices.resize(DxParticle::MODEL_VERTICES);
        me.indices.resize(DxParticle::MODEL_INDICES);
        me.shape = m.shape;
        me.segments = m.segments;
        me.shapeParam = 1.0f;
        EXPECT_EQ(DxParticle::buildMesh(me), m.ok) << m.shape << " " << m.segments;
        if (m.ok) {
            EXPECT_EQ(me.vertexCount, m.vertices);
            EXPECT_EQ(me.indexCount, m.indices);
            for (uint32_t i = 0; i < me.indexCount; ++i) {
                ASSERT_LT(me.indices[i], me.vertexCount);
            }
        }
    }
}

} // namespace

namespace {

// A slot's mesh that is kept from the previous frame must be the mesh made afresh: every
// value it is made of changes in turn, and segment counts alternate.
TEST(DxParticleBuild, KeptMeshesMatchFreshOnes) {
    auto dx = DxParticle::create();
    PMTEXTURE list;
    list.frames = {{0.0f, 0.0f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f, 0.5f}};
    DxParticle::ModelEntry in;
    in.shape = 3;
    in.segments = 6;
    in.shapeParam = 1.0f;
    in.texList = &list;
    in.argb = 0x80FFFFFFu;
    const auto edits = std::vector<void (*)(DxParticle::ModelEntry&)>{
        [](DxParticle::ModelEntry&) {},
        [](DxParticle::ModelEntry& e) { e.argb = 0x40FFFFFFu; },
        [](DxParticle::ModelEntry& e) { e.frame = 1; },
        [](DxParticle::ModelEntry& e) { e.segments = 8; },
        [](DxParticle::ModelEntry& e) { e.segments = 6; },
        [](DxParticle::ModelEntry& e) { e.shape = 2; },
        [](DxParticle::ModelEntry& e) { e.shapeParam = 2.0f; },
        [](DxParticle::ModelEntry& e) { e.shapeFlag = 1; },
        [](DxParticle::ModelEntry& e) { e.segments = 0; }, // refused: the slot is not kept
        [](DxParticle::ModelEntry& e) { e.segments = 5; },
        [](DxParticle::ModelEntry&) {},
    };
    for (size_t k = 0; k < edits.size(); ++k) {
        edits[k](in);
        DxParticle::ModelEntry fresh = in;
        fresh.vertices.resize(DxParticle::MODEL_VERTICES);
        fresh.indices.resize(DxParticle::MODEL_INDICES);
        const bool ok = DxParticle::buildMesh(fresh);
        dx->clear();
        ASSERT_EQ(dx->addModel(in), ok ? 1 : 0) << k;
        if (!ok) {
            continue;
        }
        const DxParticle::ModelEntry& got = dx->model().records[0];
        ASSERT_EQ(got.vertexCount, fresh.vertexCount) << k;
        ASSERT_EQ(got.indexCount, fresh.indexCount) << k;
        EXPECT_EQ(std::memcmp(got.vertices.data(), fresh.vertices.data(),
                              fresh.vertexCount * sizeof(DxParticle::ModelVertex)),
                  0)
            << k;
        EXPECT_EQ(std::memcmp(got.indices.data(), fresh.indices.data(),
                              fresh.indexCount * sizeof(uint16_t)),
                  0)
            << k;
    }
}

} // namespace

namespace {

// The colour's alpha byte is the low byte of the truncated alpha, also for alphas a record
// can drive outside 0..255 (the keys have no lower bound) or make NaN.
TEST(DxParticleBuild, AlphaByteOfOutOfRangeAlphas) {
    struct Case {
        float alpha;
        uint32_t byte;
    };
    const Case cases[] = {{128.9f, 128u},
                          {-1.0f, 0xFFu},
                          {-300.0f, 0xD4u},
                          {-3.0e9f, 0u},
                          {std::numeric_limits<float>::quiet_NaN(), 0u}};
    for (const Case& c : cases) {
        auto pm = ParticleManager::create();
        auto dx = DxParticle::create();
        EmitParam ep;
        EMITDATA e = EMITDATA::defaults();
        e.count = 1;
        e.life = 1;
        e.alpha[0] = e.alpha[1] = e.alpha[2] = c.alpha;
        pm->startEmitter(&e, &ep);
        pm->update();
        dx->build(*pm);
        ASSERT_EQ(dx->rot().count, 1u) << c.alpha;
        EXPECT_EQ(dx->rot().records[0].argb >> 24, c.byte) << c.alpha;
    }
}

} // namespace
