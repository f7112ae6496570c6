// The effect runtime on the OpenGL device (EGL surfaceless): parameters reach the registers
// the compiler gave them in the layout the shaders read, commits send what changed, textures
// reach their sampler stages, pass states are put back, and bad effects are refused.
#include "zq/gl/ZqGlEffect.h"
#include "tests/support/GoldenImage.h"
#include "tools/effect/ZqFxCompiler.h"
#include "zq/gl/ZqGlShader_default_internal.h"
#include "zq/platform/gpu/gpu.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace gpu = zqp::gpu;
using zqtest::Image;

namespace {

constexpr uint32_t W = 64;
constexpr uint32_t H = 48;

struct Vertex {
    float x, y, z;
    float u, v;
};

const gpu::VertexElement DECL[] = {{0, 0, gpu::DECLTYPE_FLOAT3, 0, gpu::DECLUSAGE_POSITION, 0},
                                   {0, 12, gpu::DECLTYPE_FLOAT2, 0, gpu::DECLUSAGE_TEXCOORD, 0},
                                   gpu::declEnd()};

std::vector<uint8_t> compiled(const std::string& source) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(zqfx::compile(source, "test.fx", bytes, error)) << error;
    return bytes;
}

uint32_t channel(const uint32_t argb, const int shift) {
    return argb >> shift & 0xFF;
}

void expectColour(const uint32_t actual, const uint32_t r, const uint32_t g, const uint32_t b) {
    EXPECT_NEAR(channel(actual, 16), r, 2) << std::hex << actual;
    EXPECT_NEAR(channel(actual, 8), g, 2) << std::hex << actual;
    EXPECT_NEAR(channel(actual, 0), b, 2) << std::hex << actual;
}

class ZqGlEffectTest : public testing::Test {
protected:
    void SetUp() override {
        system = gpu::createSystem();
        ASSERT_NE(system, nullptr);
        gpu::PresentParams params;
        params.backBufferWidth = W;
        params.backBufferHeight = H;
        params.backBufferFormat = gpu::Format::X8R8G8B8;
        params.enableAutoDepthStencil = true;
        params.autoDepthStencilFormat = gpu::Format::D24S8;
        ASSERT_EQ(system->createDevice(0, gpu::DeviceType::Hal, nullptr,
                                       gpu::create::HARDWARE_VERTEXPROCESSING, params, device),
                  gpu::Result::Ok);
        ASSERT_EQ(device->createVertexDeclaration(DECL, decl), gpu::Result::Ok);
        device->setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_NONE);
        device->setRenderState(gpu::RenderState::ZEnable, gpu::ZBUFFERMODE_OFF);
        device->clear(0, nullptr, gpu::clear::TARGET, 0xFF000000u, 1.0f, 0);
    }

    std::unique_ptr<ZqGlEffect> make(const std::string& source) {
        const std::vector<uint8_t> bytes = compiled(source);
        std::string log;
        auto fx = ZqGlEffect::create(*device, bytes.data(), bytes.size(), &pool, &log);
        EXPECT_NE(fx, nullptr) << log;
        return fx;
    }

    // A rectangle given in the space the effect's vertex shader takes.
    void draw(const float x0, const float y0, const float x1, const float y1) {
        const Vertex v[4] = {
            {x0, y1, 0, 0, 0}, {x0, y0, 0, 0, 1}, {x1, y1, 0, 1, 0}, {x1, y0, 0, 1, 1}};
        device->setVertexDeclaration(decl.get());
        ASSERT_EQ(device->drawPrimitiveUP(gpu::PrimitiveType::TriangleStrip, 2, v, sizeof v[0]),
                  gpu::Result::Ok);
    }

    Image picture() { return zqtest::readRenderTarget(*device); }

    std::shared_ptr<gpu::System> system;
    std::shared_ptr<gpu::Device> device;
    std::shared_ptr<gpu::VertexDeclaration> decl;
    ZqGlEffectPool pool;
};

TEST_F(ZqGlEffectTest, TheDefaultEffectCompilesOnTheDevice) {
    std::string log;
    const auto fx = ZqGlEffect::create(*device, zq_resource::DEFAULT_EFFECT,
                                       zq_resource::DEFAULT_EFFECT_SIZE, &pool, &log);
    ASSERT_NE(fx, nullptr) << log;
    EXPECT_EQ(fx->getTechniqueCount(), 12u);
    EXPECT_EQ(fx->getParamCount(), 26u); // 22 parameters and 4 samplers
}

TEST_F(ZqGlEffectTest, ParametersReachTheShadersInTheirLayout) {
    auto fx = make(R"(
        float4 colour;
        float scale;
        int count;
        bool flag;
        float4x4 xform;
        float4 palette[3];
        vertexshader vs %{
            vec4 vertexMain() { return vec4(inPosition.xyz, 1.0) * xform; }
        %}
        pixelshader ps %{
            vec4 pixelMain() {
                return vec4(colour.g * scale, float(count) / 10.0, flag ? palette(2).z : 0.0, 1.0);
            }
        %}
        technique T { pass P0 { VertexShader = vs; PixelShader = ps; } }
    )");
    ASSERT_NE(fx, nullptr);
    ZqGlEffectParams& p = fx->params();
    const float colour[4] = {0.0f, 0.25f, 0.0f, 0.0f};
    const float palette[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.75f, 0};
    // Half size, then moved right by half the screen: the translation is the fourth row.
    const float xform[16] = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1, 0, 0.5f, 0, 0, 1};
    ASSERT_TRUE(p.setVector4(fx->findParam("colour"), colour));
    ASSERT_TRUE(p.setFloat(fx->findParam("scale"), 2.0f));
    ASSERT_TRUE(p.setInt(fx->findParam("count"), 3));
    ASSERT_TRUE(p.setInt(fx->findParam("flag"), 1));
    ASSERT_TRUE(p.setMatrix(fx->findParam("xform"), xform));
    ASSERT_TRUE(p.setVector4Array(fx->findParam("palette"), palette, 3));
    ASSERT_TRUE(fx->setTechnique(0));
    ASSERT_EQ(fx->begin(), 1u);
    ASSERT_TRUE(fx->beginPass(0));
    draw(-1, -1, 1, 1);
    fx->endPass();
    fx->end();
    const Image img = picture();
    // Clip x from -0.5 to 1.0 and y from -0.5 to 0.5.
    expectColour(img.at(W / 8, H / 2), 0, 0, 0);
    expectColour(img.at(W / 2, H / 8), 0, 0, 0);
    expectColour(img.at(W / 2, H / 2), 128, 77, 191);
    expectColour(img.at(W - 1, H / 2), 128, 77, 191);
}

TEST_F(ZqGlEffectTest, CommitSendsChangesMadeInsideAPass) {
    auto fx = make(R"(
        float4 colour = {1, 0, 0, 1};
        float4 unused = {0, 0, 0, 0};
        vertexshader vs %{ vec4 vertexMain() { return vec4(inPosition.xyz, 1.0); } %}
        pixelshader ps %{ vec4 pixelMain() { return colour; } %}
        technique T { pass P0 { VertexShader = vs; PixelShader = ps; } }
    )");
    ASSERT_NE(fx, nullptr);
    const int colour = fx->findParam("colour");
    const float green[4] = {0, 1, 0, 1};
    const float blue[4] = {0, 0, 1, 1};
    ASSERT_TRUE(fx->setTechnique(0));
    fx->begin();
    ASSERT_TRUE(fx->beginPass(0));
    draw(-1.0f, -1, -0.5f, 1); // red, as the pass began
    fx->params().setVector4(colour, green);
    draw(-0.5f, -1, 0.0f, 1); // not committed: still red
    ASSERT_TRUE(fx->commitChanges());
    draw(0.0f, -1, 0.5f, 1); // green
    fx->params().setVector4(colour, blue);
    fx->params().setVector4(fx->findParam("unused"), blue); // a change this pass does not read
    ASSERT_TRUE(fx->commitChanges());
    draw(0.5f, -1, 1.0f, 1); // blue
    fx->endPass();
    fx->end();
    const Image img = picture();
    expectColour(img.at(W / 8, H / 2), 255, 0, 0);
    expectColour(img.at(3 * W / 8, H / 2), 255, 0, 0);
    expectColour(img.at(5 * W / 8, H / 2), 0, 255, 0);
    expectColour(img.at(7 * W / 8, H / 2), 0, 0, 255);
}

TEST_F(ZqGlEffectTest, TexturesReachTheirSamplersUntilTheDeviceIsLost) {
    std::shared_ptr<gpu::Texture> tex;
    ASSERT_EQ(device->createTexture(1, 1, 1, 0, gpu::Format::A8R8G8B8, gpu::Pool::Managed, tex),
              gpu::Result::Ok);
    gpu::LockedRect locked;
    ASSERT_EQ(tex->lockRect(0, locked, nullptr, 0), gpu::Result::Ok);
    *static_cast<uint32_t*>(locked.bits) = 0xFF20C040u;
    tex->unlockRect(0);

    auto fx = make(R"(
        texture first;
        texture second;
        sampler2D A { Texture = first; };
        sampler2D B { Texture = second; MagFilter = point; MinFilter = point; };
        vertexshader vs %{ vec4 vertexMain() { vTexCoord0 = inTexCoord0; return vec4(inPosition.xyz, 1.0); } %}
        pixelshader ps %{ vec4 pixelMain() { return texture(B, vTexCoord0.xy); } %}
        technique T { pass P0 { VertexShader = vs; PixelShader = ps; } }
    )");
    ASSERT_NE(fx, nullptr);
    ASSERT_TRUE(fx->params().setTexture(fx->findParam("second"), tex));
    device->setSamplerState(1, gpu::SamplerState::MagFilter, gpu::TEXFILTER_LINEAR);
    auto magFilter = [&] {
        uint32_t filter = 0;
        device->getSamplerState(1, gpu::SamplerState::MagFilter, filter);
        return filter;
    };
    ASSERT_TRUE(fx->setTechnique(0));
    fx->begin();
    fx->beginPass(0);
    // Sampler B is the second declared: stage 1, with its own filter while the pass runs.
    EXPECT_EQ(magFilter(), gpu::TEXFILTER_POINT);
    draw(-1, -1, 0, 1);
    fx->endPass();
    fx->end();
    EXPECT_EQ(magFilter(), gpu::TEXFILTER_LINEAR);

    fx->onLostDevice();
    std::shared_ptr<gpu::Texture> kept;
    ASSERT_TRUE(fx->params().getTexture(fx->findParam("second"), kept));
    EXPECT_EQ(kept, nullptr);
    fx->begin();
    fx->beginPass(0);
    draw(0, -1, 1, 1);
    fx->endPass();
    fx->end();
    const Image img = picture();
    expectColour(img.at(W / 4, H / 2), 0x20, 0xC0, 0x40);
    expectColour(img.at(3 * W / 4, H / 2), 0, 0, 0);
}

TEST_F(ZqGlEffectTest, PassStatesLastUntilTheTechniqueEnds) {
    auto fx = make(R"(
        technique T {
            pass P0 { CullMode = ccw; ZFunc = always; AlphaRef = 9; }
            pass P1 { CullMode = cw; SrcBlend = destcolor; }
        }
    )");
    ASSERT_NE(fx, nullptr);
    device->setRenderState(gpu::RenderState::ZFunc, gpu::CMPFUNC_LESS);
    auto state = [&](const gpu::RenderState s) {
        uint32_t v = 0;
        device->getRenderState(s, v);
        return v;
    };
    const uint32_t blendBefore = state(gpu::RenderState::SrcBlend);
    ASSERT_TRUE(fx->setTechnique(0));
    ASSERT_EQ(fx->begin(), 2u);
    EXPECT_FALSE(fx->setTechnique(0)); // not while running
    EXPECT_FALSE(fx->beginPass(2));
    ASSERT_TRUE(fx->beginPass(0));
    EXPECT_FALSE(fx->beginPass(1)); // one pass at a time
    EXPECT_EQ(state(gpu::RenderState::CullMode), gpu::CULLMODE_CCW);
    EXPECT_EQ(state(gpu::RenderState::ZFunc), gpu::CMPFUNC_ALWAYS);
    EXPECT_EQ(state(gpu::RenderState::AlphaRef), 9u);
    fx->endPass();
    ASSERT_TRUE(fx->beginPass(1));
    EXPECT_EQ(state(gpu::RenderState::CullMode), gpu::CULLMODE_CW);
    EXPECT_EQ(state(gpu::RenderState::ZFunc), gpu::CMPFUNC_ALWAYS); // passes do not undo each other
    fx->endPass();
    ASSERT_TRUE(fx->end());
    EXPECT_EQ(state(gpu::RenderState::CullMode), gpu::CULLMODE_NONE);
    EXPECT_EQ(state(gpu::RenderState::ZFunc), gpu::CMPFUNC_LESS);
    EXPECT_EQ(state(gpu::RenderState::AlphaRef), 0u);
    EXPECT_EQ(state(gpu::RenderState::SrcBlend), blendBefore);
    EXPECT_FALSE(fx->end());
    EXPECT_FALSE(fx->beginPass(0));
}

TEST_F(ZqGlEffectTest, EffectsThatCannotRunAreRefused) {
    std::string log;
    const std::vector<uint8_t> bad = compiled(R"(
        pixelshader ps %{ vec4 pixelMain() { return undefinedThing; } %}
        technique T { pass P0 { PixelShader = ps; } }
    )");
    EXPECT_EQ(ZqGlEffect::create(*device, bad.data(), bad.size(), &pool, &log), nullptr);
    EXPECT_NE(log.find("undefinedThing"), std::string::npos) << log;

    const uint8_t garbage[64] = {'Z', 'Q', 'F', 'X', 1};
    EXPECT_EQ(ZqGlEffect::create(*device, garbage, sizeof garbage, &pool), nullptr);

    // A shared parameter of another type than the pool already holds.
    const auto first = make("shared float4 c; technique T { pass P { } }");
    ASSERT_NE(first, nullptr);
    const std::vector<uint8_t> clash = compiled("shared float c; technique T { pass P { } }");
    EXPECT_EQ(ZqGlEffect::create(*device, clash.data(), clash.size(), &pool), nullptr);
}

} // namespace
