// The model file reader over writer-made files: values read back as written, the material
// codes decoded, every check hit by one corrupted field, and the OBJ import.
#include "zq/gl/ZqGlModelFile.h"
#include "ZqModelWriter.h"
#include "zq/crypto/ZqHash.h"
#include "zq/gl/ZqGlModelFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace {

namespace mw = zq_model_writer;

void put32(std::vector<uint8_t>& b, const size_t at, const uint32_t v) {
    std::memcpy(&b[at], &v, 4);
}
void putF(std::vector<uint8_t>& b, const size_t at, const float v) {
    std::memcpy(&b[at], &v, 4);
}
uint32_t get32(const std::vector<uint8_t>& b, const size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, &b[at], 4);
    return v;
}

TEST(ModelFile, SampleReadsBackAsWritten) {
    mw::Layout layout;
    const std::vector<uint8_t> bytes = mw::write(mw::sampleModel(), &layout);
    ZqGlModelFile f;
    ASSERT_EQ(f.read(bytes.data(), bytes.size()), 0u);

    ASSERT_EQ(f.bones.size(), 2u);
    EXPECT_EQ(f.bones[0].nameId, zqCalcNameId64("root"));
    EXPECT_EQ(f.bones[1].parent, 0);
    EXPECT_EQ(f.bones[1].bind.m[3][1], 1.0f);
    EXPECT_EQ(f.bones[1].inverse.m[3][1], -1.0f);
    EXPECT_EQ(f.bones[0].box.half.x, 1.0f);
    EXPECT_EQ(f.boneNumbers, (std::vector<uint8_t>{0, 1, 0}));

    ASSERT_EQ(f.submodels.size(), 2u);
    const ZqGlModelFile::Submodel& body = f.submodels[0];
    EXPECT_EQ(body.format, 0x1u | 0x2 | 0x4 | 0x10 | 0x200);
    EXPECT_EQ(body.stride, 12u + 4 + 4 + 12 + 8);
    EXPECT_EQ(body.nrVertices, 4u);
    EXPECT_EQ(body.nrIndices, 6u);
    EXPECT_EQ(body.paletteLength, 2);
    EXPECT_EQ(body.paletteStart, 0);
    EXPECT_EQ(body.nrStages, 1);
    EXPECT_EQ(body.nrBlendWeights, 1);
    EXPECT_EQ(body.box.centre.y, 1.0f);
    EXPECT_EQ(body.box.half.x, 0.5f);
    EXPECT_NEAR(body.sphere.radius, std::sqrt(1.25f), 1e-6f);
    // One weight: each vertex gives 1 to its index 0, two vertices per bone.
    EXPECT_EQ(body.mainBones[0], 0);
    EXPECT_EQ(body.mainBones[1], 1);
    EXPECT_EQ(body.mainBoneWeights[0], 0.5f);
    EXPECT_EQ(body.mainBoneWeights[1], 0.5f);
    const ZqGlModelFile::Submodel& glass = f.submodels[1];
    EXPECT_EQ(glass.format, 0x1u | 0x10 | 0x100000);
    EXPECT_EQ(glass.material, 1);
    EXPECT_EQ(glass.paletteStart, 2);
    EXPECT_EQ(f.box.centre.z, -0.25f);
    EXPECT_NEAR(f.sphere.radius, std::sqrt(0.25f + 1.0f + 0.0625f), 1e-6f);

    ASSERT_EQ(f.materials.size(), 2u);
    EXPECT_EQ(f.materials[1].nameId, zqCalcNameId64("blended"));
    EXPECT_EQ(f.materials[1].blendOp, 1);
    EXPECT_EQ(f.materials[1].depthWrite, 0);
    EXPECT_EQ(f.materials[0].diffuse.w, 1.0f);
    EXPECT_EQ(f.materials[0].specular.w, 0.0f);
    ASSERT_EQ(f.textures.size(), 1u);
    EXPECT_EQ(f.textures[0].fileName, u"sample.dds");
    EXPECT_EQ(f.textures[0].addressU, 1);
    EXPECT_EQ(f.textures[0].minFilter, 2);
}

TEST(ModelFile, MaterialCodesDecode) {
    struct Row {
        int line;
        float cull, alpha, depth, blend;
        int cullMode, alphaFunc, alphaRef, depthFunc, depthWrite, blendOp, src, dst;
        bool factor;
    };
    const Row rows[] = {
        {__LINE__, 0, 10, 0, 0, 2, -2, 0, 4, 1, -2, 3, 9, false},
        {__LINE__, 1, 0, 50, 10605, 1, 8, 0, 4, 0, -2, 6, 5, false},
        {__LINE__, 3, 51, 50.5f, 20506, 3, 4, 255, 4, 1, 1, 5, 6, false},
        {__LINE__, 2, 70.5f, 80, 61314, 2, 6, 127, 7, 0, 5, 14, 15, true},
        {__LINE__, 0, 91, 90.25f, 31200, 2, 8, 255, 8, 1, 2, 13, 9, false},
    };
    for (const Row& r : rows) {
        mw::Model m = mw::sampleModel();
        m.materials[0].cull = r.cull;
        m.materials[0].alphaTest = r.alpha;
        m.materials[0].depth = r.depth;
        m.materials[0].blend = r.blend;
        m.materials[0].blendFactor[0] = 1.0f;
        m.materials[0].blendFactor[3] = 0.5f;
        const std::vector<uint8_t> bytes = mw::write(m);
        ZqGlModelFile f;
        ASSERT_EQ(f.read(bytes.data(), bytes.size()), 0u) << "line " << r.line;
        const ZqGlModelFile::Material& got = f.materials[0];
        EXPECT_EQ(got.cullMode, r.cullMode) << "line " << r.line;
        EXPECT_EQ(got.alphaFunc, r.alphaFunc) << "line " << r.line;
        EXPECT_EQ(got.alphaRef, r.alphaRef) << "line " << r.line;
        EXPECT_EQ(got.depthFunc, r.depthFunc) << "line " << r.line;
        EXPECT_EQ(got.depthWrite, r.depthWrite) << "line " << r.line;
        EXPECT_EQ(got.blendOp, r.blendOp) << "line " << r.line;
        EXPECT_EQ(got.srcBlend, r.src) << "line " << r.line;
        EXPECT_EQ(got.dstBlend, r.dst) << "line " << r.line;
        EXPECT_EQ(got.useBlendFactor, r.factor) << "line " << r.line;
        EXPECT_EQ(got.blendFactor, r.factor ? 0x7FFF0000u : 0u) << "line " << r.line;
    }
    EXPECT_EQ(ZqGlModelFile::tensDigit(42.5f), 4);
    EXPECT_EQ(ZqGlModelFile::unitsPart(42.5f), 2.5f);
    EXPECT_EQ(ZqGlModelFile::unitsPart(40.5f), 0.5f);
}

// Every check of the reader, each hit by one changed field of the sample.
TEST(ModelFile, EveryCheckGivesItsCode) {
    mw::Layout l;
    const std::vector<uint8_t> good = mw::write(mw::sampleModel(), &l);
    const uint32_t sub = l.submodels;
    const uint32_t vd = l.vertexDescriptor[0];
    const uint32_t id = l.indexDescriptor[0];
    const uint32_t mat = l.materials;
    using Mutate = std::function<void(std::vector<uint8_t>&)>;
    const struct Row {
        int line;
        Mutate mutate;
        uint32_t code;
    } rows[] = {
        {__LINE__, [](auto& b) { b.resize(0xBF); }, ZqGlModelFile::ERROR_SIZE},
        {__LINE__, [](auto& b) { put32(b, 0x28, 64), b[0] = 'X'; }, 0x20003005},
        {__LINE__, [](auto& b) { put32(b, 0x48, 64); }, 0x20003006},
        {__LINE__, [](auto& b) { put32(b, 0x18, 127); }, 0x20003007},
        {__LINE__, [](auto& b) { put32(b, 0x50, 32); }, 0x20003008},
        {__LINE__, [](auto& b) { b[5] = '!'; }, 0x20003009},
        {__LINE__, [](auto& b) { put32(b, 0x08, 3); }, 0x20003009},
        {__LINE__, [](auto& b) { b[0x10] = 2; }, 0x20003009},
        {__LINE__, [](auto& b) { put32(b, 0x60, static_cast<uint32_t>(b.size() - 12)); },
         0x2000300A},
        {__LINE__, [&](auto& b) { put32(b, l.names + 4, 0x7FFFFFF0); }, 0x2000300B},
        {__LINE__, [&](auto& b) { put32(b, l.names + 12, 0xFFFF0000u); }, 0x2000300C},
        {__LINE__, [&](auto& b) { std::memset(&b[l.names + 16], 'x', 256); }, 0x2000300D},
        {__LINE__, [&](auto& b) { put32(b, 0x2C, static_cast<uint32_t>(b.size() - 2 * 96)); },
         0x2000300E},
        {__LINE__, [&](auto& b) { put32(b, 0x1C, 0x10); }, 0x2000300F},
        {__LINE__, [&](auto& b) { put32(b, 0x24, static_cast<uint32_t>(b.size())); }, 0x20003010},
        {__LINE__, [&](auto& b) { put32(b, sub + 0x1C, get32(b, sub + 0x1C) - 2); }, 0x20003011},
        {__LINE__, [&](auto& b) { put32(b, sub + 0x18, 5); }, 0x20003011},
        {__LINE__,
         [&](auto& b) {
             put32(b, 0x20, 100);
             put32(b, sub + 0x18, 49);
         },
         0x20003012},
        {__LINE__,
         [&](auto& b) {
             put32(b, 0x20, 400);
             put32(b, sub + 96 + 0x1C, get32(b, sub + 96 + 0x1C) + 2 * 480);
             put32(b, sub + 96 + 0x18, 40);
         },
         0x20003013},
        {__LINE__, [&](auto& b) { put32(b, l.bones + 0xAC, 127); }, 0x20003014},
        {__LINE__, [&](auto& b) { put32(b, l.bones + 0xAC, static_cast<uint32_t>(-2)); },
         0x20003014},
        {__LINE__, [&](auto& b) { putF(b, l.bones + 0x10, NAN); }, 0x20003015},
        {__LINE__, [&](auto& b) { putF(b, l.bones + 0x50 + 12 * 4, 2e7f); }, 0x20003016},
        {__LINE__, [&](auto& b) { putF(b, l.bones + 0x90, -3e7f); }, 0x20003017},
        {__LINE__, [&](auto& b) { b[l.boneNumbers + 2] = 2; }, 0x20003018},
        {__LINE__, [&](auto& b) { put32(b, 0x54, 0x10); }, 0x20003019},
        {__LINE__, [&](auto& b) { put32(b, 0x50, 0); }, 0x20003019},
        {__LINE__, [&](auto& b) { b[l.textures + 0x08] = 3; }, 0x2000301B},
        {__LINE__, [&](auto& b) { b[l.textures + 0x0C] = 4; }, 0x2000301B},
        {__LINE__, [&](auto& b) { put32(b, 0x40, 0); }, 0x2000301D},
        {__LINE__, [&](auto& b) { putF(b, l.boxes + 0x20, INFINITY); }, 0x2000301E},
        {__LINE__, [&](auto& b) { put32(b, 0x58, 3); }, 0x2000301F},
        {__LINE__,
         [&](auto& b) {
             put32(b, 0x58, 1);
             put32(b, 0x5C, static_cast<uint32_t>(b.size() - 48));
         },
         0x20003021},
        {__LINE__, [&](auto& b) { put32(b, 0x30, 5); }, 0x20003022},
        {__LINE__, [&](auto& b) { b[sub + 0x02] = 6; }, 0x20003023},
        {__LINE__, [&](auto& b) { put32(b, sub + 0x20, 0); }, 0x20003024},
        {__LINE__, [&](auto& b) { put32(b, sub + 0x14, 0u - sub); }, 0x20003025},
        {__LINE__, [&](auto& b) { put32(b, vd + 0x14, 1); }, 0x20003026},
        {__LINE__, [&](auto& b) { b[vd + 0x08] = 0; }, 0x20003026},
        {__LINE__, [&](auto& b) { put32(b, sub + 0x24, 0x10000); }, 0x20003027},
        {__LINE__, [&](auto& b) { put32(b, id + 0x14, 0); }, 0x20003028},
        {__LINE__, [&](auto& b) { put32(b, vd + 0x0C, 0x100000); }, 0x20003029},
        // A count x size that wraps in 32 bits is still refused.
        {__LINE__, [&](auto& b) { put32(b, 0x88, 0x40000000); }, 0x20003029},
        {__LINE__, [&](auto& b) { b[vd + 0x0B] = 0; }, 0x2000302A},
        {__LINE__, [&](auto& b) { b[vd + 0x0A] = 0; }, 0x2000302B},
        {__LINE__, [&](auto& b) { b[l.elements + 3] = 35; }, 0x2000302B},
        {__LINE__, [&](auto& b) { b[l.elements + 2] = 1; }, 0x2000302B},
        {__LINE__,
         [&](auto& b) {
             std::swap(b[l.elements + 3], b[l.elements + 7]);
             std::swap(b[l.elements + 2], b[l.elements + 6]);
         },
         0x2000302B},
        // Vertex or index data past the end of the file.
        {__LINE__, [&](auto& b) { put32(b, vd + 0x04, 0xFFFF); }, 0x20003025},
        {__LINE__, [&](auto& b) { put32(b, vd + 0x04, 0x10000); }, 0x20003025},
        {__LINE__, [&](auto& b) { put32(b, id + 0x04, 0xFFFF); }, 0x20003027},
        {__LINE__, [&](auto& b) { b[sub + 0x2C] = 5; }, 0x2000302D},
        {__LINE__, [&](auto& b) { b[sub + 0x30] = 1; }, 0x2000302E},
        {__LINE__, [&](auto& b) { b[l.textures + 0x0E] = 1; }, 0x2000302F},
        {__LINE__, [&](auto& b) { put32(b, sub + 0x04, 2); }, 0x20003030},
        {__LINE__, [&](auto& b) { put32(b, 0x4C, static_cast<uint32_t>(b.size() - 320)); },
         0x20003031},
        {__LINE__, [&](auto& b) { put32(b, mat + 0x14, 17); }, 0x20003032},
        {__LINE__, [&](auto& b) { put32(b, mat + 0x14, 0x10000); }, 0x20003033},
        {__LINE__, [&](auto& b) { put32(b, mat + 0x10, 9); }, 0x20003034},
        {__LINE__, [&](auto& b) { putF(b, mat + 0x34, 1.5f); }, 0x20003035},
        {__LINE__, [&](auto& b) { putF(b, mat + 0x28, 513.0f); }, 0x20003035},
        {__LINE__, [&](auto& b) { putF(b, mat + 0x70, 1.5f); }, 0x20003036},
        {__LINE__, [&](auto& b) { putF(b, mat + 0x74, 51.5f); }, 0x20003037},
        {__LINE__, [&](auto& b) { putF(b, mat + 0x78, 10.0f); }, 0x20003038},
        {__LINE__, [&](auto& b) { putF(b, mat + 0x7C, 20512.0f); }, 0x20003039},
        {__LINE__, [&](auto& b) { putF(b, mat + 0x7C, 70000.0f); }, 0x20003039},
        {__LINE__, [&](auto& b) { putF(b, mat + 0x80, -0.5f); }, 0x20003039},
    };
    for (const Row& row : rows) {
        std::vector<uint8_t> bytes = good;
        row.mutate(bytes);
        ZqGlModelFile f;
        EXPECT_EQ(f.read(bytes.data(), bytes.size()), row.code) << "line " << row.line;
    }
}

TEST(ModelFile, PlacementIsStrictAtTheEnd) {
    mw::Layout l;
    std::vector<uint8_t> bytes = mw::write(mw::sampleModel(), &l);
    // The material table moved to end exactly at the end of the file.
    const std::vector<uint8_t> table(bytes.begin() + l.materials,
                                     bytes.begin() + l.materials + 320);
    bytes.insert(bytes.end(), table.begin(), table.end());
    put32(bytes, 0x4C, static_cast<uint32_t>(bytes.size() - 320));
    ZqGlModelFile f;
    EXPECT_EQ(f.read(bytes.data(), bytes.size()), 0x20003031u);
    bytes.push_back(0);
    EXPECT_EQ(f.read(bytes.data(), bytes.size()), 0u);
}

TEST(ModelFile, SubmodelWithoutBuffersAndFourStages) {
    mw::Model m = mw::sampleModel();
    m.textures.resize(4, m.textures[0]);
    m.submodels[0].stages = {3, 2, 1, 0};
    m.submodels[1].vertices.clear();
    m.submodels[1].indices.clear();
    const std::vector<uint8_t> bytes = mw::write(m);
    ZqGlModelFile f;
    ASSERT_EQ(f.read(bytes.data(), bytes.size()), 0u);
    EXPECT_EQ(f.submodels[0].nrStages, 4);
    EXPECT_EQ(f.submodels[0].textures[0], 3);
    EXPECT_EQ(f.submodels[0].textures[3], 0);
    EXPECT_EQ(f.submodels[0].paletteLength, 2);
    const ZqGlModelFile::Submodel& empty = f.submodels[1];
    EXPECT_EQ(empty.nrPrimitives, 0);
    EXPECT_EQ(empty.box.centre.x, 0.0f);
    EXPECT_EQ(empty.box.half.y, 10000000.0f);
    EXPECT_EQ(empty.sphere.radius, 0.0f);
    EXPECT_EQ(empty.mainBones[0], 0);
    EXPECT_EQ(empty.mainBoneWeights[0], 1.0f);
}

TEST(ModelFile, MainBonesFollowTheWeightSums) {
    // Three weights per vertex: indices 1 and 2 take weights 0 and 1, index 0 the rest.
    mw::Model m = mw::sampleModel();
    mw::Submodel& s = m.submodels[0];
    s.blendWeights = 3;
    s.palette = {0, 1, 1, 0};
    for (mw::Vertex& v : s.vertices) {
        const uint8_t idx[4] = {3, 1, 2, 0};
        std::memcpy(v.blendIndices, idx, 4);
        v.blendWeights[0] = 0.5f;
        v.blendWeights[1] = 0.25f;
        v.blendWeights[2] = 0.125f;
    }
    const std::vector<uint8_t> bytes = mw::write(m);
    ZqGlModelFile f;
    ASSERT_EQ(f.read(bytes.data(), bytes.size()), 0u);
    // Sums: entry 1 = 2, entry 2 = 1, entry 3 = 1; the first main bone starts at 1.0 and
    // takes entry 1, then entries 2 and 3 (the first found among equals), then entry 0.
    const ZqGlModelFile::Submodel& got = f.submodels[0];
    EXPECT_EQ(got.mainBones[0], 1);
    EXPECT_EQ(got.mainBones[1], 2);
    EXPECT_EQ(got.mainBones[2], 3);
    EXPECT_EQ(got.mainBones[3], 0);
    EXPECT_FLOAT_EQ(got.mainBoneWeights[0], 0.5f);
    EXPECT_FLOAT_EQ(got.mainBoneWeights[1], 0.25f);
    EXPECT_FLOAT_EQ(got.mainBoneWeights[2], 0.25f);
    EXPECT_FLOAT_EQ(got.mainBoneWeights[3], 0.0f);
}

TEST(ModelFile, ObjMeshBecomesAOneBoneModel) {
    const char* const obj = "# a quad\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                            "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
                            "f 1/1/1 2/2/1 3/3/1 4/4/1\n";
    mw::Model m;
    std::string error;
    ASSERT_TRUE(mw::fromObj(obj, "crate.dds", m, error)) << error;
    const std::vector<uint8_t> bytes = mw::write(m);
    ZqGlModelFile f;
    ASSERT_EQ(f.read(bytes.data(), bytes.size()), 0u);
    ASSERT_EQ(f.bones.size(), 1u);
    ASSERT_EQ(f.submodels.size(), 1u);
    EXPECT_EQ(f.submodels[0].nrVertices, 4u);
    EXPECT_EQ(f.submodels[0].nrIndices, 6u);
    EXPECT_EQ(f.textures[0].fileName, u"crate.dds");
    EXPECT_EQ(f.box.centre.x, 0.5f);
    // v counts down from the top in the model.
    float v = 0.0f;
    std::memcpy(&v, f.submodels[0].vertices + 12 + 12 + 4, 4);
    EXPECT_EQ(v, 1.0f);
    EXPECT_FALSE(mw::fromObj("v 0 0 0\nf 1 2 3\n", "", m, error));
    EXPECT_EQ(error, "line 2: bad face corner");
}

} // namespace
