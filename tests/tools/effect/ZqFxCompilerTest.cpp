// The effect compiler: what it makes of a source (read back through the library's own
// container reader), how it maps parameters onto registers and samplers onto stages, and the
// line it blames for each kind of mistake.
#include "tools/effect/ZqFxCompiler.h"
#include "zq/gl/ZqGlEffectFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

ZqGlEffectFile compileAndRead(const std::string& source) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(zqfx::compile(source, "t.fx", bytes, error)) << error;
    ZqGlEffectFile file;
    EXPECT_TRUE(file.read(bytes.data(), bytes.size()));
    return file;
}

uint32_t bitsOf(const float f) {
    uint32_t u = 0;
    std::memcpy(&u, &f, 4);
    return u;
}

const char* const MINIMAL = R"(
technique T { pass P0 { } }
)";

TEST(ZqFxCompiler, ParametersKeepTypesFlagsAndInitialValues) {
    const ZqGlEffectFile f = compileAndRead(R"(
        shared float4 colour = {1, 0.5, -0.25, 0};
        int count = -7;
        bool on = true;
        float4x4 m = {1,2,3,4, 5,6,7,8, 9,10,11,12, 13,14,15,16};
        float2 pair[3];
        shared texture tex;
        technique T { pass P0 { } }
    )");
    ASSERT_EQ(f.m_params.size(), 6u);
    const auto& colour = f.m_params[0];
    EXPECT_EQ(colour.name, "colour");
    EXPECT_EQ(colour.type, zqfx::TYPE_FLOAT4);
    EXPECT_TRUE(colour.shared);
    EXPECT_EQ(colour.value, (std::vector<uint32_t>{bitsOf(1.0f), bitsOf(0.5f), bitsOf(-0.25f), 0}));
    EXPECT_EQ(f.m_params[1].value, std::vector<uint32_t>{static_cast<uint32_t>(-7)});
    EXPECT_FALSE(f.m_params[1].shared);
    EXPECT_EQ(f.m_params[2].value, std::vector<uint32_t>{1});
    EXPECT_EQ(f.m_params[3].value[4], bitsOf(5.0f)); // row by row
    EXPECT_EQ(f.m_params[4].elements, 3u);
    EXPECT_EQ(f.m_params[4].value, std::vector<uint32_t>(6, 0)); // no initialiser: zeros
    EXPECT_EQ(f.m_params[5].type, zqfx::TYPE_TEXTURE);
    EXPECT_TRUE(f.m_params[5].value.empty());
}

TEST(ZqFxCompiler, ShadersGetRegistersOnlyForWhatTheyRead) {
    const ZqGlEffectFile f = compileAndRead(R"(
        float unused;
        float4x4 gmViewProj;
        float4 colour;
        float4x4 palette[2];
        float scale;
        texture t0;
        texture t1;
        sampler2D S0 { Texture = t0; };
        samplerCUBE S1 { Texture = t1; MinFilter = Point; AddressU = clamp; };
        vertexshader vs %{
            // colour in a comment is not a use
            vec4 vertexMain() { return inPosition * palette(1) * gmViewProj; }
        %}
        pixelshader ps %{
            vec4 pixelMain() { return texture(S1, vTexCoord0.xyz) * colour * scale; }
        %}
        technique T { pass P0 { VertexShader = vs; PixelShader = ps; } }
    )");
    ASSERT_EQ(f.m_shaders.size(), 2u);
    const auto& vs = f.m_shaders[0];
    ASSERT_EQ(vs.stage, zqfx::STAGE_VERTEX);
    ASSERT_EQ(vs.constants.size(), 2u);
    EXPECT_EQ(vs.constants[0].param, 1u); // in declaration order
    EXPECT_EQ(vs.constants[0].firstRegister, 0u);
    EXPECT_EQ(vs.constants[0].registerCount, 4u);
    EXPECT_EQ(vs.constants[1].param, 3u);
    EXPECT_EQ(vs.constants[1].firstRegister, 4u);
    EXPECT_EQ(vs.constants[1].registerCount, 8u);
    EXPECT_NE(vs.code.find("#define palette(i) mat4(zq_vc[4+4*(i)]"), std::string::npos);
    EXPECT_TRUE(vs.samplers.empty());

    const auto& ps = f.m_shaders[1];
    ASSERT_EQ(ps.constants.size(), 2u);
    EXPECT_EQ(ps.constants[0].param, 2u);
    EXPECT_EQ(ps.constants[1].param, 4u);
    EXPECT_NE(ps.code.find("#define scale (zq_pc[1].x)"), std::string::npos);
    ASSERT_EQ(ps.samplers.size(), 1u);
    EXPECT_EQ(ps.samplers[0].sampler, 1u);
    EXPECT_EQ(ps.samplers[0].stage, 1u); // samplers keep their declaration order as stages
    EXPECT_NE(ps.code.find("uniform samplerCube zq_s1;"), std::string::npos);

    ASSERT_EQ(f.m_samplers.size(), 2u);
    const auto& s1 = f.m_samplers[1];
    EXPECT_EQ(s1.kind, zqfx::SAMPLER_CUBE);
    EXPECT_EQ(s1.texture, 6u);
    EXPECT_EQ(s1.stateMask, (1u << 6) | (1u << 1));
    EXPECT_EQ(s1.states[6], 1u); // point
    EXPECT_EQ(s1.states[1], 3u); // clamp
}

TEST(ZqFxCompiler, TechniquesPassesAndStatesInSourceOrder) {
    const ZqGlEffectFile f = compileAndRead(R"(
        vertexshader vs %{ vec4 vertexMain() { return inPosition; } %}
        pixelshader ps %{ vec4 pixelMain() { return vec4(1.0); } %}
        technique First {
            pass A { VertexShader = vs; CULLMODE = none; AlphaRef = 0x80; DepthBias = -0.5; }
            pass B { PixelShader = ps; SrcBlend = InvSrcAlpha; ZEnable = usew; }
        }
        technique Second { pass P0 { VertexShader = vs; PixelShader = ps; } };
    )");
    ASSERT_EQ(f.m_techniques.size(), 2u);
    EXPECT_EQ(f.findTechnique("Second"), 1);
    const auto& first = f.m_techniques[0];
    ASSERT_EQ(first.passes.size(), 2u);
    EXPECT_EQ(first.passes[0].name, "A");
    EXPECT_EQ(first.passes[0].pixelShader, zqfx::NO_SHADER);
    ASSERT_EQ(first.passes[0].states.size(), 3u);
    EXPECT_EQ(first.passes[0].states[0].id, 22u);
    EXPECT_EQ(first.passes[0].states[0].value, 1u);
    EXPECT_EQ(first.passes[0].states[1].value, 0x80u);
    EXPECT_EQ(first.passes[0].states[2].value, bitsOf(-0.5f));
    EXPECT_EQ(first.passes[1].vertexShader, zqfx::NO_SHADER);
    EXPECT_EQ(first.passes[1].states[0].value, 6u);
    EXPECT_EQ(first.passes[1].states[1].value, 2u);
    // Each shader is compiled once however many passes use it.
    EXPECT_EQ(f.m_shaders.size(), 2u);
    EXPECT_EQ(f.m_techniques[1].passes[0].vertexShader, first.passes[0].vertexShader);
}

TEST(ZqFxCompiler, CodeBlocksPrecedeEveryShaderWithTheirLines) {
    const ZqGlEffectFile f =
        compileAndRead("float k;\n"
                       "code %{\nfloat twice(float x) { return x * k * 2.0; }\n%}\n"
                       "pixelshader ps %{\n"
                       "vec4 pixelMain() { return vec4(twice(1.0)); }\n%}\n"
                       "technique T { pass P0 { PixelShader = ps; } }\n");
    ASSERT_EQ(f.m_shaders.size(), 1u);
    const std::string& code = f.m_shaders[0].code;
    const size_t common = code.find("#line 2\n");
    const size_t body = code.find("#line 5\n");
    ASSERT_NE(common, std::string::npos);
    ASSERT_NE(body, std::string::npos);
    EXPECT_LT(common, body);
    // A parameter read only by the shared code still gets its register.
    ASSERT_EQ(f.m_shaders[0].constants.size(), 1u);
}

TEST(ZqFxCompiler, RefusesMistakesAtTheirLine) {
    struct Case {
        const char* source;
        const char* expect; // part of the message, with the line
    };
    const Case cases[] = {
        {"float x\ntechnique T { pass P { } }", "t.fx:2: expected ';'"},
        {"float x;\nfloat x;\ntechnique T { pass P { } }", "t.fx:2: 'x' is declared twice"},
        {"float3 v = {1, 2};\ntechnique T { pass P { } }", "t.fx:1: 'v' needs 3 initial values"},
        {"int i = 2147483648;\ntechnique T { pass P { } }", "does not fit"},
        {"bool b = 2;\ntechnique T { pass P { } }", "expected true or false"},
        {"float4 v[0];\ntechnique T { pass P { } }", "array length"},
        {"texture t = 1;\ntechnique T { pass P { } }", "takes no initial value"},
        {"vector4 v;\n", "t.fx:1: expected a parameter type"},
        {"float zq_vc;\n", "the device's"},
        {"sampler2D s { MinFilter = linear; };\ntechnique T { pass P { } }", "names no texture"},
        {"float f;\nsampler2D s { Texture = f; };", "not a texture parameter"},
        {"texture t;\nsampler2D s { Texture = t; MinFilter = wrap; };",
         "not a value of this state"},
        {"texture t;\nsampler2D s { Texture = t; MaxAnisotropy = 17; };", "out of range"},
        {"technique T { pass P { CullMode = 4; } }", "out of range"},
        {"technique T { pass P { FogEnable = true; } }", "not a render state a pass can set"},
        {"technique T { pass P { VertexShader = nothing; } }", "no shader named 'nothing'"},
        {"pixelshader p %{ %}\ntechnique T { pass P { VertexShader = p; } }",
         "t.fx:2: 'p' is not a vertex shader"},
        {"technique T { }", "has no pass"},
        {"technique T { pass P { } }\ntechnique T { pass P { } }", "t.fx:2: technique 'T'"},
        {"float x;", "no technique"},
        {"vertexshader v %{ vec4 vertexMain() { return vec4(0.0);\n", "closing %}"},
        {"/* open\n\n", "t.fx:1: comment without"},
        {"texture t;\nvertexshader v %{ t %}\ntechnique T { pass P { VertexShader = v; } }",
         "textures are read through samplers"},
        {"float4x4 big[65];\nvertexshader v %{ big(0) %}\n"
         "technique T { pass P { VertexShader = v; } }",
         "more than 256 constant registers"},
        {"float4x4 big[57];\npixelshader p %{ big(0) %}\n"
         "technique T { pass P { PixelShader = p; } }",
         "more than 224 constant registers"},
        {"float x; @", "unexpected character"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes{1, 2, 3};
        std::string error;
        EXPECT_FALSE(zqfx::compile(c.source, "t.fx", bytes, error)) << c.source;
        EXPECT_NE(error.find(c.expect), std::string::npos) << c.source << " -> " << error;
        EXPECT_TRUE(bytes.empty());
    }
}

TEST(ZqFxCompiler, SeventeenSamplersAreTooMany) {
    std::string source = "texture t;\n";
    for (int i = 0; i < 17; ++i) {
        source += "sampler2D s" + std::to_string(i) + " { Texture = t; };\n";
    }
    source += "technique T { pass P { } }";
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(zqfx::compile(source, "t.fx", bytes, error));
    EXPECT_NE(error.find("t.fx:18: more than 16 samplers"), std::string::npos) << error;
}

TEST(ZqFxCompiler, OutputIsTheSameForTheSameSource) {
    std::vector<uint8_t> a;
    std::vector<uint8_t> b;
    std::string error;
    ASSERT_TRUE(zqfx::compile(MINIMAL, "a.fx", a, error));
    ASSERT_TRUE(zqfx::compile(MINIMAL, "b.fx", b, error));
    EXPECT_EQ(a, b);
}

} // namespace

// A shader check sees every shader written, once, with its stage; a refusal is reported at
// the source line its log names, or at the shader's own line when the log names none.
TEST(ZqFxCompiler, ShaderCheckRefusalsAreReportedAtTheirLine) {
    const std::string source = "vertexshader vs %{ vec4 vertexMain() { return inPosition; } %}\n"
                               "pixelshader ps %{\n"
                               "vec4 pixelMain() { return vec4(1.0); }\n"
                               "%}\n"
                               "technique T { pass P { VertexShader = vs; PixelShader = ps; } }\n";
    std::vector<zqfx::Stage> seen;
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(
        zqfx::compile(source, "t.fx", bytes, error,
                      [&seen](const zqfx::Stage stage, const std::string& code, std::string&) {
                          EXPECT_NE(std::string::npos, code.find("Main()"));
                          seen.push_back(stage);
                          return true;
                      }))
        << error;
    EXPECT_EQ((std::vector<zqfx::Stage>{zqfx::STAGE_VERTEX, zqfx::STAGE_PIXEL}), seen);

    struct Row {
        int line;
        const char* log;
        const char* error;
    };
    const Row rows[] = {
        {__LINE__, "0:3(20): error: `x' undeclared\n0:3(20): error: type mismatch\n",
         "t.fx:3: shader 'ps' does not compile: error: `x' undeclared"},
        {__LINE__, "0:1(1): warning: something\n0(3) : error C1008: undefined variable \"x\"",
         "t.fx:3: shader 'ps' does not compile: error C1008: undefined variable \"x\""},
        {__LINE__, "out of memory\nmore", "t.fx:2: shader 'ps' does not compile: out of memory"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "line " << row.line);
        EXPECT_FALSE(
            zqfx::compile(source, "t.fx", bytes, error,
                          [&row](const zqfx::Stage stage, const std::string&, std::string& log) {
                              log = row.log;
                              return stage == zqfx::STAGE_VERTEX;
                          }));
        EXPECT_EQ(row.error, error);
        EXPECT_TRUE(bytes.empty());
    }
}
