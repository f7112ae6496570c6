// The effect container reader: the library's own default effect as built, and a file refused
// for each way it can be wrong (cut, glued, counts and offsets outside the file, indices
// outside their tables, registers and stages outside the device, states out of range).
#include "zq/gl/ZqGlEffectFile.h"
#include "zq/gl/ZqGlShader_default_internal.h"

#include "tools/effect/ZqFxCompiler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const char* const STANDARD_PARAMS[22] = {"gvLightAmbient",
                                         "gmLightColor",
                                         "gmLightDir",
                                         "gmLightPos",
                                         "gmLightAttenutation",
                                         "gvAmbient",
                                         "gvDiffuse",
                                         "gvSpecular",
                                         "gShininess",
                                         "gmViewProj",
                                         "gmViewWorld",
                                         "gvFogParams",
                                         "gvFogColor",
                                         "gvVertexBlendFlags",
                                         "gmTexture",
                                         "gTex0",
                                         "gTex1",
                                         "gTex2",
                                         "gTex3",
                                         "gTexCube",
                                         "gTexNormal",
                                         "gvmModelView"};

const char* const DEFAULT_TECHNIQUES[12] = {
    "Diffuse",   "Tex",   "DiffuseTex",   "DiffuseFog",   "TexFog",   "DiffuseTexFog",
    "Diffuse2D", "Tex2D", "DiffuseTex2D", "DiffuseFog2D", "TexFog2D", "DiffuseTexFog2D"};

Bytes defaultEffect() {
    return Bytes(zq_resource::DEFAULT_EFFECT,
                 zq_resource::DEFAULT_EFFECT + zq_resource::DEFAULT_EFFECT_SIZE);
}

// A small effect that has one record in every section.
Bytes fixture() {
    Bytes out;
    std::string error;
    const bool ok = zqfx::compile(R"(
        float4 colour = {1, 1, 1, 1};
        float4x4 m[2];
        texture t;
        sampler2D S { Texture = t; MinFilter = linear; };
        vertexshader vs %{ vec4 vertexMain() { return inPosition * m(1); } %}
        pixelshader ps %{ vec4 pixelMain() { return texture(S, vTexCoord0.xy) * colour; } %}
        technique T { pass P0 { VertexShader = vs; PixelShader = ps; CullMode = none; } }
        technique U { pass P0 { PixelShader = ps; } }
    )",
                                  "fixture.fx", out, error);
    EXPECT_TRUE(ok) << error;
    return out;
}

uint32_t get32(const Bytes& b, const size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
void put32(Bytes& b, const size_t at, const uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}
void put16(Bytes& b, const size_t at, const uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
// Offset of record i of a section.
size_t recordAt(const Bytes& b, const zqfx::Section s, const uint32_t i) {
    return get32(b, 16 + s * 8) + static_cast<size_t>(i) * zqfx::RECORD_SIZE[s];
}

bool readable(const Bytes& b) {
    ZqGlEffectFile f;
    return f.read(b.data(), b.size());
}

TEST(ZqGlEffectFile, DefaultEffectCarriesTheStandardSet) {
    const Bytes bytes = defaultEffect();
    ZqGlEffectFile f;
    ASSERT_TRUE(f.read(bytes.data(), bytes.size()));
    for (const char* name : STANDARD_PARAMS) {
        const int i = f.findParam(name);
        ASSERT_GE(i, 0) << name;
        EXPECT_TRUE(f.m_params[i].shared) << name;
    }
    EXPECT_EQ(f.m_params[f.findParam("gvmModelView")].elements, 48u);
    EXPECT_EQ(f.m_params[f.findParam("gvFogParams")].type, zqfx::TYPE_FLOAT2);
    for (const char* name : {"Tex0Sampler", "Tex1Sampler", "Tex2Sampler", "Tex3Sampler"}) {
        EXPECT_GE(f.findSampler(name), 0) << name;
    }
    ASSERT_EQ(f.m_techniques.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        const auto& t = f.m_techniques[i];
        EXPECT_EQ(t.name, DEFAULT_TECHNIQUES[i]);
        ASSERT_EQ(t.passes.size(), 1u);
        EXPECT_EQ(t.passes[0].name, "P0");
        EXPECT_NE(t.passes[0].vertexShader, zqfx::NO_SHADER);
        EXPECT_NE(t.passes[0].pixelShader, zqfx::NO_SHADER);
    }
}

TEST(ZqGlEffectFile, EveryCutAndAGluedByteAreRefused) {
    Bytes bytes = fixture();
    ASSERT_TRUE(readable(bytes));
    for (size_t n = 0; n < bytes.size(); ++n) {
        ZqGlEffectFile f;
        ASSERT_FALSE(f.read(bytes.data(), n)) << n;
        EXPECT_TRUE(f.m_params.empty());
    }
    bytes.push_back(0);
    EXPECT_FALSE(readable(bytes));
}

TEST(ZqGlEffectFile, ForeignFilesAreRefused) {
    // A compiled D3D effect starts with its version word 0xFEFF0901.
    Bytes d3d(64, 0);
    put32(d3d, 0, 0xFEFF0901u);
    EXPECT_FALSE(readable(d3d));
    EXPECT_FALSE(ZqGlEffectFile::hasMagic(d3d.data(), d3d.size()));
    const std::string text = "technique T { pass P { } }";
    EXPECT_FALSE(readable(Bytes(text.begin(), text.end())));
    ZqGlEffectFile f;
    EXPECT_FALSE(f.read(nullptr, 100));
}

TEST(ZqGlEffectFile, CorruptFieldsAreRefused) {
    using S = zqfx::Section;
    struct Case {
        const char* what;
        void (*patch)(Bytes&);
    };
    const Case cases[] = {
        {"magic", [](Bytes& b) { b[3] = 'Y'; }},
        {"version", [](Bytes& b) { put32(b, 4, 2); }},
        {"section count", [](Bytes& b) { put32(b, 12, 9); }},
        {"section beyond the file",
         [](Bytes& b) { put32(b, 16 + S::SECTION_PASSES * 8, static_cast<uint32_t>(b.size())); }},
        {"count that wraps 32 bits",
         [](Bytes& b) { put32(b, 20 + S::SECTION_STATES * 8, 0x20000000u); }},
        {"section inside the header", [](Bytes& b) { put32(b, 16 + S::SECTION_PARAMS * 8, 8); }},
        {"misaligned section",
         [](Bytes& b) {
             put32(b, 16 + S::SECTION_STATES * 8, get32(b, 16 + S::SECTION_STATES * 8) - 2);
         }},
        {"string outside its section",
         [](Bytes& b) { put32(b, recordAt(b, S::SECTION_PARAMS, 0), 0xFFFFFFF0u); }},
        {"empty name", [](Bytes& b) { put32(b, recordAt(b, S::SECTION_PARAMS, 0) + 4, 0); }},
        {"name that is no identifier",
         [](Bytes& b) { b[get32(b, 16) + get32(b, recordAt(b, S::SECTION_PARAMS, 0))] = '1'; }},
        {"parameter type", [](Bytes& b) { b[recordAt(b, S::SECTION_PARAMS, 0) + 8] = 8; }},
        {"parameter flags", [](Bytes& b) { b[recordAt(b, S::SECTION_PARAMS, 0) + 9] = 2; }},
        {"array too long",
         [](Bytes& b) { put32(b, recordAt(b, S::SECTION_PARAMS, 1) + 12, 1025); }},
        {"value count of another size",
         [](Bytes& b) { put32(b, recordAt(b, S::SECTION_PARAMS, 0) + 20, 3); }},
        {"values outside their section",
         [](Bytes& b) { put32(b, recordAt(b, S::SECTION_PARAMS, 0) + 16, 0xFFFFFFFFu); }},
        {"sampler of a non-texture",
         [](Bytes& b) { put16(b, recordAt(b, S::SECTION_SAMPLERS, 0) + 10, 0); }},
        {"sampler state out of range",
         [](Bytes& b) { put32(b, recordAt(b, S::SECTION_SAMPLERS, 0) + 16 + 6 * 4, 9); }},
        {"sampler state not in the mask",
         [](Bytes& b) { put32(b, recordAt(b, S::SECTION_SAMPLERS, 0) + 16 + 5 * 4, 1); }},
        {"sampler state that does not exist",
         [](Bytes& b) { put32(b, recordAt(b, S::SECTION_SAMPLERS, 0) + 12, 1u << 11 | 1u << 6); }},
        {"shader stage", [](Bytes& b) { b[recordAt(b, S::SECTION_SHADERS, 0)] = 2; }},
        {"NUL in shader code",
         [](Bytes& b) { b[get32(b, 16) + get32(b, recordAt(b, S::SECTION_SHADERS, 0) + 4)] = 0; }},
        {"constant of a missing parameter",
         [](Bytes& b) { put16(b, recordAt(b, S::SECTION_CONSTANTS, 0), 99); }},
        {"constant past the last register",
         [](Bytes& b) { put16(b, recordAt(b, S::SECTION_CONSTANTS, 0) + 2, 250); }},
        {"constant of the wrong size",
         [](Bytes& b) { put16(b, recordAt(b, S::SECTION_CONSTANTS, 0) + 4, 4); }},
        {"overlapping constants",
         [](Bytes& b) {
             // The pixel shader binds colour and nothing else; bind it twice.
             const uint32_t ps = 1;
             const size_t rec = recordAt(b, S::SECTION_SHADERS, ps);
             put32(b, rec + 16, 2);
             put32(b, rec + 12, 0);
         }},
        {"sampler binding of a missing sampler",
         [](Bytes& b) { put16(b, recordAt(b, S::SECTION_SAMPLER_BINDINGS, 0), 1); }},
        {"sampler stage 16",
         [](Bytes& b) { put16(b, recordAt(b, S::SECTION_SAMPLER_BINDINGS, 0) + 2, 16); }},
        {"technique without passes",
         [](Bytes& b) { put32(b, recordAt(b, S::SECTION_TECHNIQUES, 0) + 12, 0); }},
        {"passes outside their table",
         [](Bytes& b) { put32(b, recordAt(b, S::SECTION_TECHNIQUES, 1) + 8, 2); }},
        {"pixel shader as vertex shader",
         [](Bytes& b) { put32(b, recordAt(b, S::SECTION_PASSES, 0) + 8, 1); }},
        {"shader index outside the table",
         [](Bytes& b) { put32(b, recordAt(b, S::SECTION_PASSES, 0) + 12, 7); }},
        {"unknown render state", [](Bytes& b) { put32(b, recordAt(b, S::SECTION_STATES, 0), 28); }},
        {"render state value out of range",
         [](Bytes& b) { put32(b, recordAt(b, S::SECTION_STATES, 0) + 4, 0); }},
        {"two techniques of one name",
         [](Bytes& b) {
             const size_t t0 = recordAt(b, S::SECTION_TECHNIQUES, 0);
             const size_t t1 = recordAt(b, S::SECTION_TECHNIQUES, 1);
             put32(b, t1, get32(b, t0));
             put32(b, t1 + 4, get32(b, t0 + 4));
         }},
    };
    for (const Case& c : cases) {
        Bytes b = fixture();
        c.patch(b);
        EXPECT_FALSE(readable(b)) << c.what;
    }
}

// Every byte of the container changed in turn: read never misbehaves (the sanitizers watch),
// whatever it answers.
TEST(ZqGlEffectFile, AnyChangedByteIsReadSafely) {
    const Bytes original = fixture();
    for (size_t i = 0; i < original.size(); ++i) {
        for (const uint8_t x : {0x01, 0x80, 0xFF}) {
            Bytes b = original;
            b[i] ^= x;
            ZqGlEffectFile f;
            if (f.read(b.data(), b.size())) {
                EXPECT_FALSE(f.m_techniques.empty());
            }
        }
    }
}

} // namespace
