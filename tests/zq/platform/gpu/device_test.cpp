// The OpenGL device on EGL surfaceless: the conventions the graphics classes rely on (top row
// first, half-pixel centres, clockwise culling, depth 0..1), resets and queries.
#include "tests/support/GoldenImage.h"
#include "zq/platform/gpu/gpu.h"
#include "zq/platform/gpu/gpu_caps.h"
#include "zq/platform/gpu/gpu_test.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace gpu = zqp::gpu;
using zqtest::Image;

namespace {

constexpr uint32_t W = 64;
constexpr uint32_t H = 48;

// Screen-space vertex: pixels, depth, reciprocal w, colour.
struct TlVertex {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};

const gpu::VertexElement TL_DECL[] = {{0, 0, gpu::DECLTYPE_FLOAT4, 0, gpu::DECLUSAGE_POSITIONT, 0},
                                      {0, 16, gpu::DECLTYPE_D3DCOLOR, 0, gpu::DECLUSAGE_COLOR, 0},
                                      {0, 20, gpu::DECLTYPE_FLOAT2, 0, gpu::DECLUSAGE_TEXCOORD, 0},
                                      gpu::declEnd()};

class DeviceTest : public testing::Test {
protected:
    void SetUp() override {
        gpu::test::clearAll();
        system = gpu::createSystem();
        ASSERT_NE(system, nullptr);
        params.backBufferWidth = W;
        params.backBufferHeight = H;
        params.backBufferFormat = gpu::Format::X8R8G8B8;
        params.enableAutoDepthStencil = true;
        params.autoDepthStencilFormat = gpu::Format::D24S8;
        ASSERT_EQ(system->createDevice(0, gpu::DeviceType::Hal, nullptr,
                                       gpu::create::HARDWARE_VERTEXPROCESSING, params, device),
                  gpu::Result::Ok);
        ASSERT_EQ(device->createVertexDeclaration(TL_DECL, tlDecl), gpu::Result::Ok);
    }
    void TearDown() override { gpu::test::clearAll(); }

    // A rectangle of screen pixels [x0, x1) x [y0, y1), corners on pixel edges.
    void drawRect(float x0, float y0, float x1, float y1, uint32_t color, float z = 0.0f) {
        const TlVertex v[4] = {{x0 - 0.5f, y0 - 0.5f, z, 1, color, 0, 0},
                               {x1 - 0.5f, y0 - 0.5f, z, 1, color, 1, 0},
                               {x0 - 0.5f, y1 - 0.5f, z, 1, color, 0, 1},
                               {x1 - 0.5f, y1 - 0.5f, z, 1, color, 1, 1}};
        device->setVertexDeclaration(tlDecl.get());
        ASSERT_EQ(device->drawPrimitiveUP(gpu::PrimitiveType::TriangleStrip, 2, v, sizeof v[0]),
                  gpu::Result::Ok);
    }

    std::shared_ptr<gpu::System> system;
    gpu::PresentParams params;
    std::shared_ptr<gpu::Device> device;
    std::shared_ptr<gpu::VertexDeclaration> tlDecl;
};

Image filled(uint32_t color) {
    return Image(W, H, color);
}

// Polls a query for up to five seconds.
gpu::Result waitFor(gpu::Query& query, void* data, uint32_t size) {
    gpu::Result r = query.getData(data, size, gpu::getdata::FLUSH);
    for (int i = 0; i < 5000 && r == gpu::Result::NotReady; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        r = query.getData(data, size, gpu::getdata::FLUSH);
    }
    return r;
}

TEST_F(DeviceTest, ClearFillsTheTargetAndPresentShowsIt) {
    ASSERT_EQ(
        device->clear(0, nullptr, gpu::clear::TARGET | gpu::clear::ZBUFFER, 0xFF336699u, 1.0f, 0),
        gpu::Result::Ok);
    EXPECT_TRUE(zqtest::imagesMatch(zqtest::readRenderTarget(*device), filled(0xFF336699u),
                                    "gpu_clear", 0));
    ASSERT_EQ(device->present(), gpu::Result::Ok);
    EXPECT_TRUE(zqtest::imagesMatch(zqtest::readFrontBuffer(*device, W, H), filled(0xFF336699u),
                                    "gpu_front", 0));
    // A clear ignores the write masks but keeps to the scissor rectangle when it is on.
    device->setRenderState(gpu::RenderState::ColorWriteEnable, 0);
    device->setRenderState(gpu::RenderState::ScissorTestEnable, 1);
    device->setScissorRect({0, 0, 8, 4});
    device->clear(0, nullptr, gpu::clear::TARGET, 0xFFFF0000u, 1.0f, 0);
    Image expected = filled(0xFF336699u);
    for (uint32_t y = 0; y < 4; ++y) {
        for (uint32_t x = 0; x < 8; ++x) {
            expected.at(x, y) = 0xFFFF0000u;
        }
    }
    EXPECT_TRUE(zqtest::imagesMatch(zqtest::readRenderTarget(*device), expected, "gpu_scissor", 0));
}

TEST_F(DeviceTest, ScreenPixelsLandOnTheirPixelsTopRowFirst) {
    device->clear(0, nullptr, gpu::clear::TARGET, 0xFF000000u, 1.0f, 0);
    device->setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_NONE);
    drawRect(10, 4, 30, 12, 0xFFFFFFFFu);
    Image expected = filled(0xFF000000u);
    for (uint32_t y = 4; y < 12; ++y) {
        for (uint32_t x = 10; x < 30; ++x) {
            expected.at(x, y) = 0xFFFFFFFFu;
        }
    }
    EXPECT_TRUE(zqtest::imagesMatch(zqtest::readRenderTarget(*device), expected, "gpu_rect", 0));
}

TEST_F(DeviceTest, CullModesNameScreenWindings) {
    // On the screen (y down) this triangle runs clockwise.
    const TlVertex cw[3] = {{8, 8, 0, 1, 0xFFFFFFFFu, 0, 0},
                            {40, 8, 0, 1, 0xFFFFFFFFu, 0, 0},
                            {8, 40, 0, 1, 0xFFFFFFFFu, 0, 0}};
    const struct {
        uint32_t cull;
        bool drawn;
    } cases[] = {{gpu::CULLMODE_NONE, true}, {gpu::CULLMODE_CW, false}, {gpu::CULLMODE_CCW, true}};
    for (const auto& c : cases) {
        device->clear(0, nullptr, gpu::clear::TARGET, 0xFF000000u, 1.0f, 0);
        device->setRenderState(gpu::RenderState::CullMode, c.cull);
        device->setVertexDeclaration(tlDecl.get());
        device->drawPrimitiveUP(gpu::PrimitiveType::TriangleList, 1, cw, sizeof cw[0]);
        EXPECT_EQ(zqtest::readRenderTarget(*device).at(12, 12), c.drawn ? 0xFFFFFFFFu : 0xFF000000u)
            << "cull mode " << c.cull;
    }
}

TEST_F(DeviceTest, DepthRunsFromZeroToOne) {
    device->clear(0, nullptr, gpu::clear::TARGET | gpu::clear::ZBUFFER, 0xFF000000u, 0.5f, 0);
    device->setRenderState(gpu::RenderState::ZEnable, gpu::ZBUFFERMODE_ON);
    device->setRenderState(gpu::RenderState::ZFunc, gpu::CMPFUNC_LESS);
    device->setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_NONE);
    drawRect(0, 0, 16, 16, 0xFFFF0000u, 0.25f);  // in front of 0.5: drawn
    drawRect(16, 0, 32, 16, 0xFF00FF00u, 0.75f); // behind: hidden
    const Image image = zqtest::readRenderTarget(*device);
    EXPECT_EQ(image.at(8, 8), 0xFFFF0000u);
    EXPECT_EQ(image.at(24, 8), 0xFF000000u);
}

TEST_F(DeviceTest, TexturesKeepTheirTopRowFirst) {
    std::shared_ptr<gpu::Texture> texture;
    ASSERT_EQ(device->createTexture(2, 2, 1, 0, gpu::Format::A8R8G8B8, gpu::Pool::Managed, texture),
              gpu::Result::Ok);
    gpu::LockedRect locked;
    ASSERT_EQ(texture->lockRect(0, locked, nullptr, 0), gpu::Result::Ok);
    const uint32_t top[2] = {0xFFFF0000u, 0xFF00FF00u};
    const uint32_t bottom[2] = {0xFF0000FFu, 0xFFFFFFFFu};
    std::memcpy(locked.bits, top, 8);
    std::memcpy(static_cast<uint8_t*>(locked.bits) + locked.pitch, bottom, 8);
    ASSERT_EQ(texture->unlockRect(0), gpu::Result::Ok);

    device->clear(0, nullptr, gpu::clear::TARGET, 0xFF000000u, 1.0f, 0);
    device->setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_NONE);
    device->setTexture(0, texture.get());
    drawRect(0, 0, W, H, 0xFFFFFFFFu);
    const Image image = zqtest::readRenderTarget(*device);
    EXPECT_EQ(image.at(1, 1), 0xFFFF0000u);
    EXPECT_EQ(image.at(W - 2, 1), 0xFF00FF00u);
    EXPECT_EQ(image.at(1, H - 2), 0xFF0000FFu);
    EXPECT_EQ(image.at(W - 2, H - 2), 0xFFFFFFFFu);
}

TEST_F(DeviceTest, RenderTargetTexturesKeepTheirTopRowFirst) {
    std::shared_ptr<gpu::Texture> target;
    ASSERT_EQ(device->createTexture(16, 16, 1, gpu::usage::RENDERTARGET, gpu::Format::A8R8G8B8,
                                    gpu::Pool::Default, target),
              gpu::Result::Ok);
    std::shared_ptr<gpu::Surface> surface;
    ASSERT_EQ(target->getSurfaceLevel(0, surface), gpu::Result::Ok);
    std::shared_ptr<gpu::Surface> backBuffer;
    device->getRenderTarget(0, backBuffer);
    ASSERT_EQ(device->setRenderTarget(0, surface.get()), gpu::Result::Ok);
    device->clear(0, nullptr, gpu::clear::TARGET, 0xFF0000FFu, 1.0f, 0);
    device->setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_NONE);
    drawRect(0, 0, 16, 4, 0xFFFF0000u); // a red band along the top
    device->setRenderTarget(0, backBuffer.get());
    device->setTexture(0, target.get());
    drawRect(0, 0, W, H, 0xFFFFFFFFu);
    const Image image = zqtest::readRenderTarget(*device);
    EXPECT_EQ(image.at(W / 2, 2), 0xFFFF0000u);
    EXPECT_EQ(image.at(W / 2, H - 2), 0xFF0000FFu);
}

TEST_F(DeviceTest, AlphaTestComparesTheByte) {
    device->setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_NONE);
    device->setRenderState(gpu::RenderState::AlphaTestEnable, 1);
    device->setRenderState(gpu::RenderState::AlphaFunc, gpu::CMPFUNC_GREATER);
    device->setRenderState(gpu::RenderState::AlphaRef, 5);
    device->setTextureStageState(0, gpu::TextureStageState::AlphaArg1, gpu::TA_DIFFUSE);
    device->clear(0, nullptr, gpu::clear::TARGET, 0xFF000000u, 1.0f, 0);
    drawRect(0, 0, 8, 8, 0x05FFFFFFu);  // alpha 5: refused
    drawRect(8, 0, 16, 8, 0x06FFFFFFu); // alpha 6: passes
    const Image image = zqtest::readRenderTarget(*device);
    EXPECT_EQ(image.at(4, 4) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.at(12, 4) & 0xFFFFFF, 0xFFFFFFu);
}

constexpr const char* VS = R"(
vec4 vertexMain() {
    vColor0 = inColor0;
    return inPosition * mat4(zq_vc[0], zq_vc[1], zq_vc[2], zq_vc[3]);
}
)";
constexpr const char* PS = R"(
vec4 pixelMain() { return vColor0 * zq_pc[0]; }
)";

struct ColorVertex {
    float x, y, z;
    uint32_t color;
};

TEST_F(DeviceTest, ShadedTriangleMatchesItsGoldenPicture) {
    const gpu::VertexElement decl[] = {{0, 0, gpu::DECLTYPE_FLOAT3, 0, gpu::DECLUSAGE_POSITION, 0},
                                       {0, 12, gpu::DECLTYPE_D3DCOLOR, 0, gpu::DECLUSAGE_COLOR, 0},
                                       gpu::declEnd()};
    std::shared_ptr<gpu::VertexDeclaration> declaration;
    std::shared_ptr<gpu::VertexShader> vs;
    std::shared_ptr<gpu::PixelShader> ps;
    std::shared_ptr<gpu::VertexBuffer> vb;
    ASSERT_EQ(device->createVertexDeclaration(decl, declaration), gpu::Result::Ok);
    ASSERT_EQ(device->createVertexShader(VS, vs), gpu::Result::Ok) << device->getLastShaderLog();
    ASSERT_EQ(device->createPixelShader(PS, ps), gpu::Result::Ok) << device->getLastShaderLog();
    const ColorVertex triangle[3] = {{-0.8f, -0.8f, 0.5f, 0xFFFF0000u},
                                     {0.0f, 0.8f, 0.5f, 0xFF00FF00u},
                                     {0.8f, -0.8f, 0.5f, 0xFF0000FFu}};
    ASSERT_EQ(
        device->createVertexBuffer(sizeof triangle, gpu::usage::WRITEONLY, gpu::Pool::Managed, vb),
        gpu::Result::Ok);
    void* data = nullptr;
    ASSERT_EQ(vb->lock(0, 0, &data, 0), gpu::Result::Ok);
    std::memcpy(data, triangle, sizeof triangle);
    vb->unlock();
    // Row vectors: the translation sits in the fourth row, here a shift to the right.
    const float transform[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.1f, 0, 0, 1};
    float columns[16];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            columns[c * 4 + r] = transform[r * 4 + c];
        }
    }
    const float tint[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    device->clear(0, nullptr, gpu::clear::TARGET | gpu::clear::ZBUFFER, 0xFF202020u, 1.0f, 0);
    device->setVertexDeclaration(declaration.get());
    device->setStreamSource(0, vb.get(), 0, sizeof(ColorVertex));
    device->setVertexShader(vs.get());
    device->setPixelShader(ps.get());
    device->setVertexShaderConstantF(0, columns, 4);
    device->setPixelShaderConstantF(0, tint, 1);
    device->setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_CCW);
    ASSERT_EQ(device->drawPrimitive(gpu::PrimitiveType::TriangleList, 0, 1), gpu::Result::Ok);
    EXPECT_TRUE(zqtest::matchesGolden(zqtest::readRenderTarget(*device), "gpu/triangle.png", 2, 0));
}

TEST_F(DeviceTest, ResetNeedsDefaultResourcesReleasedAndRestoresDefaults) {
    std::shared_ptr<gpu::Texture> target;
    ASSERT_EQ(device->createTexture(16, 16, 1, gpu::usage::RENDERTARGET, gpu::Format::A8R8G8B8,
                                    gpu::Pool::Default, target),
              gpu::Result::Ok);
    device->setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_NONE);
    gpu::PresentParams next = params;
    next.backBufferWidth = 32;
    next.backBufferHeight = 16;
    EXPECT_EQ(device->reset(next), gpu::Result::InvalidCall);
    target.reset();
    {
        std::shared_ptr<gpu::Surface> held;
        device->getBackBuffer(0, held);
        EXPECT_EQ(device->reset(next), gpu::Result::InvalidCall);
    }
    ASSERT_EQ(device->reset(next), gpu::Result::Ok);
    uint32_t cull = 0;
    device->getRenderState(gpu::RenderState::CullMode, cull);
    EXPECT_EQ(cull, gpu::CULLMODE_CCW);
    std::shared_ptr<gpu::Surface> backBuffer;
    ASSERT_EQ(device->getBackBuffer(0, backBuffer), gpu::Result::Ok);
    gpu::SurfaceDesc desc;
    ASSERT_EQ(backBuffer->getDesc(desc), gpu::Result::Ok);
    EXPECT_EQ(desc.width, 32u);
    EXPECT_EQ(desc.height, 16u);
}

TEST_F(DeviceTest, ForcedResultsReachTheCallerOnceEach) {
    gpu::test::failNext(gpu::test::Call::Present, gpu::Result::DeviceLost, 2);
    gpu::test::failNext(gpu::test::Call::TestCooperativeLevel, gpu::Result::DeviceNotReset);
    EXPECT_EQ(device->present(), gpu::Result::DeviceLost);
    EXPECT_EQ(device->present(), gpu::Result::DeviceLost);
    EXPECT_EQ(device->present(), gpu::Result::Ok);
    EXPECT_EQ(device->testCooperativeLevel(), gpu::Result::DeviceNotReset);
    EXPECT_EQ(device->testCooperativeLevel(), gpu::Result::Ok);
}

TEST_F(DeviceTest, QueriesAnswerOcclusionEventsAndTime) {
    std::shared_ptr<gpu::Query> occlusion;
    std::shared_ptr<gpu::Query> event;
    ASSERT_EQ(device->createQuery(gpu::QueryType::Occlusion, &occlusion), gpu::Result::Ok);
    ASSERT_EQ(device->createQuery(gpu::QueryType::Event, &event), gpu::Result::Ok);
    EXPECT_EQ(device->createQuery(gpu::QueryType::VCache, nullptr), gpu::Result::NotAvailable);
    EXPECT_EQ(event->issue(gpu::issue::BEGIN), gpu::Result::InvalidCall);

    device->clear(0, nullptr, gpu::clear::TARGET, 0, 1.0f, 0);
    device->setRenderState(gpu::RenderState::CullMode, gpu::CULLMODE_NONE);
    ASSERT_EQ(occlusion->issue(gpu::issue::BEGIN), gpu::Result::Ok);
    drawRect(2, 2, 12, 12, 0xFFFFFFFFu);
    ASSERT_EQ(occlusion->issue(gpu::issue::END), gpu::Result::Ok);
    ASSERT_EQ(event->issue(gpu::issue::END), gpu::Result::Ok);
    uint32_t samples = 0;
    ASSERT_EQ(waitFor(*occlusion, &samples, sizeof samples), gpu::Result::Ok);
    EXPECT_EQ(samples, 100u);
    uint32_t done = 0;
    EXPECT_EQ(waitFor(*event, &done, sizeof done), gpu::Result::Ok);
    EXPECT_EQ(done, 1u);

    std::shared_ptr<gpu::Query> frequency;
    ASSERT_EQ(device->createQuery(gpu::QueryType::TimestampFreq, &frequency), gpu::Result::Ok);
    frequency->issue(gpu::issue::END);
    uint64_t hz = 0;
    EXPECT_EQ(frequency->getData(&hz, sizeof hz, 0), gpu::Result::Ok);
    EXPECT_EQ(hz, 1000000000ull);
}

TEST(GpuSystem, ReportsASupportedRecordAndSampleCounts) {
    const auto system = gpu::createSystem();
    ASSERT_NE(system, nullptr);
    gpu::Caps caps;
    ASSERT_EQ(system->getDeviceCaps(0, gpu::DeviceType::Hal, caps), gpu::Result::Ok);
    EXPECT_EQ(caps.pixelShaderVersion & 0xFFFF, 0x200u);
    EXPECT_NE(caps.caps2 & gpu::caps::DYNAMICTEXTURES, 0u);
    EXPECT_GE(caps.maxTextureWidth, 2048u);
    EXPECT_EQ(system->checkDeviceMultiSampleType(0, gpu::DeviceType::Hal, gpu::Format::X8R8G8B8,
                                                 true, gpu::MultiSample::None, nullptr),
              gpu::Result::Ok);
    EXPECT_EQ(system->checkDeviceMultiSampleType(0, gpu::DeviceType::Hal, gpu::Format::X8R8G8B8,
                                                 true, gpu::multiSampleOf(17), nullptr),
              gpu::Result::NotAvailable);
    gpu::AdapterIdentifier id;
    ASSERT_EQ(system->getAdapterIdentifier(0, id), gpu::Result::Ok);
    EXPECT_NE(id.description[0], 0);
    gpu::test::setVendorId(0x10DE);
    system->getAdapterIdentifier(0, id);
    EXPECT_EQ(id.vendorId, 0x10DEu);
    gpu::test::clearAll();
}

} // namespace
